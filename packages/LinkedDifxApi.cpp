// The provider for programs that link the four DIFx functions at build time:
// the tests, through the import library or link-time fakes. The exe itself
// never links them; it loads DIFXAPI.dll by full path or goes native.
#include "packages/DriverInstallApi.h"

namespace {

const DRIVER_INSTALL_API c_linkedDifxApi = {
    installPathDifx, L"", DriverPackagePreinstallW, DriverPackageInstallW, DriverPackageUninstallW,
    DIFXAPISetLogCallbackW, nullptr,
};

} // namespace

const DRIVER_INSTALL_API& DriverInstallApi()
{
    return c_linkedDifxApi;
}

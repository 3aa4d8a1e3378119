// Which provider carries out the package calls: chosen once per process, on
// the first package run or teardown, so that /? and the usage help never look
// for DIFx.
#include "packages/DifxLibrary.h"
#include "packages/DriverInstallApi.h"
#include "packages/native/NativeDriverInstall.h"

namespace {

DRIVER_INSTALL_API g_driverInstallApi = {};
bool g_bDriverInstallApiChosen = false;

} // namespace

const DRIVER_INSTALL_API& DriverInstallApi()
{
    // Only the one thread that runs the operation gets here, so no lock.
    if (!g_bDriverInstallApiChosen) {
        if (!LoadDifxLibrary(&g_driverInstallApi))
            GetNativeDriverInstallApi(&g_driverInstallApi);
        g_bDriverInstallApiChosen = true;
    }
    return g_driverInstallApi;
}

// Which provider carries out the package calls: chosen once per process, on
// the first package run or teardown, so that /? and the usage help never look
// for DIFx.
#include "packages/DriverInstallChoice.h"

#include "packages/DifxLibrary.h"
#include "packages/EmulatedRefusal.h"
#include "packages/native/NativeDriverInstall.h"

namespace {

DRIVER_INSTALL_API g_driverInstallApi = {};
bool g_bDriverInstallApiChosen = false;

} // namespace

void ChooseDriverInstallApi(EMachineArchitecture build, EMachineArchitecture machine, DRIVER_INSTALL_API* pApi)
{
    if (machine != build) {
        GetRefusingDriverInstallApi(pApi);
    } else if (build == machineArm64) {
        GetNativeDriverInstallApi(pApi);
        pApi->pszWhy = L"DIFx does not exist for ARM64, so a DIFXAPI.dll beside the exe plays no part";
    } else if (!LoadDifxLibrary(pApi)) {
        GetNativeDriverInstallApi(pApi);
    }
}

const DRIVER_INSTALL_API& DriverInstallApi()
{
    // Only the one thread that runs the operation gets here, so no lock.
    if (!g_bDriverInstallApiChosen) {
        ChooseDriverInstallApi(BuildArchitecture(), MachineArchitecture(), &g_driverInstallApi);
        g_bDriverInstallApiChosen = true;
    }
    return g_driverInstallApi;
}

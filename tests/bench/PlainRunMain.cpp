// bench_plainrun.exe LIST: the yardstick for a whole quiet list install. It
// reads LIST with the plain reader and calls DriverPackageInstallW once per
// entry with the flags of a quiet install (repair, silent), as the product
// does. A log callback that ignores everything is registered for the run, as
// the product registers its forwarder, so DIFx does the same work per package
// for both. Loads the same DLLs as tavelin.exe.
#include <windows.h>

#include "ImportAnchors.h"
#include "PlainInfList.h"
#include "platform/difx/DifxApi.h"

namespace {

void __cdecl IgnoreLogEvent(DIFXAPI_LOG /*eventType*/, DWORD /*dwError*/, PCWSTR /*pszEventText*/,
                            PVOID /*pvContext*/)
{
}

} // namespace

int WINAPI wWinMain(HINSTANCE /*hInstance*/, HINSTANCE /*hPrevInstance*/, LPWSTR pszCmdLine, int /*nShowCmd*/)
{
    KeepProductImports();
    CPlainInfList list;
    DIFXAPISetLogCallbackW(&IgnoreLogEvent, nullptr);
    if (list.Load(pszCmdLine)) {
        BOOL bNeedReboot = FALSE;
        for (const PLAIN_INF_NODE* pNode = list.First(); pNode; pNode = pNode->pNext)
            DriverPackageInstallW(pNode->szPath, DRIVER_PACKAGE_REPAIR | DRIVER_PACKAGE_SILENT, nullptr, &bNeedReboot);
    }
    DIFXAPISetLogCallbackW(nullptr, nullptr);
    list.Clear();
    return 0;
}

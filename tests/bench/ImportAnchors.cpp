#include "ImportAnchors.h"

#include <windows.h>
#include <commctrl.h>
#include <setupapi.h>

#include "platform/difx/DifxApi.h"

namespace {

// Written at run time, so neither the compiler nor the linker can drop an
// import.
void* volatile g_rgpvImportAnchors[5];

} // namespace

void KeepProductImports()
{
    g_rgpvImportAnchors[0] = reinterpret_cast<void*>(&MultiByteToWideChar);
    g_rgpvImportAnchors[1] = reinterpret_cast<void*>(&EndDialog);
    g_rgpvImportAnchors[2] = reinterpret_cast<void*>(&InitCommonControlsEx);
    g_rgpvImportAnchors[3] = reinterpret_cast<void*>(&SetupDiDestroyDeviceInfoList);
    g_rgpvImportAnchors[4] = reinterpret_cast<void*>(&DIFXAPISetLogCallbackW);
}

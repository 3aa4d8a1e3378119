#include "DriverPackageBatch.h"

#include "packages/DriverInstallApi.h"
#include "packages/native/NativeLog.h"

const WCHAR g_szDefaultInfList[] = L"inflist.txt";

CDriverPackageBatch::CDriverPackageBatch(CDiffxApiCallback* pCallback)
    : m_pCallback(pCallback ? pCallback : &m_defaultCallback)
{
    // Should this copy fail, the path is absent and a list run fails as
    // unloadable instead of reading some other file.
    m_strListFile.Assign(g_szDefaultInfList);
}

CDriverPackageBatch::~CDriverPackageBatch()
{
    if (m_summary.bClean)
        SetNativeLogCallback(nullptr, nullptr);
    else if (!m_summary.bVerifyOnly)
        DriverInstallApi().pfnSetLogCallback(nullptr, nullptr);
    m_strListFile.Release();
    m_entries.Clear();
}

// Relative paths (list entries, the default list) resolve against the
// current folder. That is the rule, and it stays; but an elevated run started
// in a folder that users can write installs what they put there, so the log
// says so.
#include "DriverPackageBatch.h"

#include "platform/FolderTrust.h"
#include "platform/FullPathName.h"

void CDriverPackageBatch::CheckCurrentFolderTrust(LPCWSTR pszPath)
{
    // Without a log there is nobody to tell, and nothing is asked.
    if (m_bCurrentFolderChecked || !m_pLog || !IsRelativeToCurrentFolder(pszPath))
        return;
    m_bCurrentFolderChecked = true;
    if (!g_folderTrustApi.pfnIsElevated())
        return;
    const CFullPathName folder(L".");
    if (!folder.Get())
        return;
    DWORD dwError = ERROR_SUCCESS;
    const EFolderTrust trust = CheckFolderTrust(folder.Get(), &dwError);
    if (trust != folderTrusted)
        m_pLog->CurrentFolderUntrusted(folder.Get(), trust == folderUnknown, dwError);
}

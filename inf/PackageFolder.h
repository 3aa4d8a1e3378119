#pragma once

#include <windows.h>

#include "cmdline/OwnedString.h"

// The folder a package INF lies in, for the files the INF names beside it.
class CPackageFolder
{
public:
    // pszInfFullPath: the INF's full path.
    explicit CPackageFolder(LPCWSTR pszInfFullPath);
    CPackageFolder(const CPackageFolder&) = delete;
    CPackageFolder& operator=(const CPackageFolder&) = delete;

    // The folder with its trailing backslash; empty when memory ran out.
    LPCWSTR Path() const { return m_strFolder.c_str(); }
    // The folder joined with pszName into *pstrPath. False when memory ran out.
    bool Join(LPCWSTR pszName, CWideString* pstrPath) const;

private:
    CWideString m_strFolder;
};

// True when pszPath names an existing file (not a folder).
bool PackageFileExists(LPCWSTR pszPath);

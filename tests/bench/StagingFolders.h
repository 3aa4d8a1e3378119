#pragma once

// The folders staging writes to, and plain file writes, for the benches that
// fill them with many staged packages.
#include <windows.h>

#include <string>

// The INF folder, or (bCatalogRoot) the catalog root.
std::wstring StagingFolder(bool bCatalogRoot);
bool WriteBytes(const std::wstring& strPath, const std::string& strBytes);

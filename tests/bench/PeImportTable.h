#pragma once

#include <string>
#include <vector>

// The DLL names a PE32+ image imports, read from the file itself: the import
// directory, then the delay-load directory. False, with a reason, when the
// file is not a readable x64 image.
bool ReadPeImports(const std::wstring& strPath, std::vector<std::string>* pNames, std::string* pstrError);

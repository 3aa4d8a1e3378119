#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Names read from the headers of a module loaded in this process.
std::vector<std::string> ExportedNames(HMODULE hModule);
std::vector<std::string> ImportedDlls(HMODULE hModule);

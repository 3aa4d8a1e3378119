#pragma once

#include <windows.h>

#include <map>
#include <string>

// Small driver packages written by the tests, and the system folders that
// staging changes. A package <name> is <name>.inf, whose x64 models name one
// hardware ID, and its catalog <name>.cat (staging wants the catalog the INF
// names; an empty one will do under Wine). pszModels: the decoration of the
// models section.
std::string PackageInfText(const std::wstring& strName, const std::wstring& strHardwareId,
                           const char* pszModels = "NTamd64");
bool WritePackage(const std::wstring& strFolder, const std::wstring& strName, const std::wstring& strHardwareId,
                  bool bCatalog = true);

std::wstring InfFolder();
std::wstring CatalogRoot();

// Removes whatever staging a package of this name left behind in an earlier,
// possibly killed run: its INF and PNF in the INF folder, its catalog.
void ForgetStagedPackage(const std::wstring& strName);

// Every file of the INF folder, by name (upper case), with its bytes.
std::map<std::wstring, std::string> InfFolderFiles();
// How many files of the INF folder hold exactly these bytes.
int CountCopiesInInfFolder(const std::string& strBytes);

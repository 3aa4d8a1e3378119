#pragma once

#include <windows.h>
#include <setupapi.h>

// What part an install section plays in an install on a device.
enum EInstallSectionRole
{
    sectionDDInstall,     // the model line's install section, in the machine's decoration
    sectionCoInstallers,  // DDInstall.CoInstallers
    sectionAddInterface,  // an install section that DDInstall.Interfaces names through AddInterface
    sectionClassInstall,  // [ClassInstall32], in the machine's decoration
};

// The walk of the install sections that an install on a device runs, for
// every model line of the package's models sections for this machine.
struct INSTALL_SECTION_WALK
{
    // Each section, as the INF names it (decorated where a decoration
    // applies). A result other than 0 ends the walk and is returned by it.
    DWORD (*pfnSection)(HINF hInf, LPCWSTR pszSection, EInstallSectionRole role, PVOID pvContext);
    // A model line whose install section the INF lacks in every decoration
    // that applies: pszSection as the line names it, pszModel the line's
    // description and pszHardwareId its first ID. Null: such lines are passed
    // over. A result other than 0 ends the walk.
    DWORD (*pfnMissing)(LPCWSTR pszSection, LPCWSTR pszModel, LPCWSTR pszHardwareId, PVOID pvContext);
    PVOID pvContext;
};

// Section names are at most 255 characters.
const DWORD c_cchInfSection = 512;

// Walks the sections: for each model line its DDInstall section, its
// .CoInstallers section when the INF has one, and the sections its
// .Interfaces section names through AddInterface; then [ClassInstall32]
// once, when the package has one. Model lines that name one section give it
// once each. 0, or the first code a callback returned.
DWORD ForEachInstallSection(HINF hInf, const INSTALL_SECTION_WALK& walk);

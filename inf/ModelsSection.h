#pragma once

#include <windows.h>
#include <setupapi.h>

// Called for each model line (description = install section, hardware ID[,
// compatible ID...]) of a models section; a result other than 0 ends the
// walk and is returned by it.
typedef DWORD (*PFN_MODEL_LINE)(INFCONTEXT* pModel, PVOID pvContext);

// Walks the model lines of every models section that the package's
// [Manufacturer] lines name for this machine, chosen the way SetupAPI itself
// chooses them where it can: the choice that /i, /p and /v share. 0, or the
// first code a call of pfnLine returned.
DWORD ForEachModelLine(HINF hInf, PFN_MODEL_LINE pfnLine, PVOID pvContext);

#pragma once

// Takes the address of one function of each DLL that tavelin.exe imports
// (KERNEL32, USER32, COMCTL32, SETUPAPI, DIFXAPI; msvcrt comes with the C
// runtime), so a yardstick program loads the same DLLs at start-up as the
// product does. Calls none of them.
void KeepProductImports();

#pragma once

// Counts the package calls of this process; the count is written out once,
// when the DLL is unloaded (see DIFXSTUB_CALL_COUNT in DifxStandIn.cpp).
void CountPackageCall();

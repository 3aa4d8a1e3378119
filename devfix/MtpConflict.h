#pragma once

#include <windows.h>
#include <setupapi.h>

class CRepairReport;

// Removes every present USB device of Rezuv that Windows bound to its generic
// MTP driver through the MTP compatible ID, telling pReport (when given) about
// each removal. Returns 0, the code of the first removal that failed, or the
// code of a device list that could not be read.
DWORD FixMtpDriverConflict(CRepairReport* pReport = nullptr);

// True when the device is such a conflicting device.
bool IsConflictingMtpDevice(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData);

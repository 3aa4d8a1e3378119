#pragma once

#include <windows.h>
#include <setupapi.h>

// Removes every present USB device of Rezuv that Windows bound to its generic
// MTP driver through the MTP compatible ID.
void FixMtpDriverConflict();

// True when the device is such a conflicting device.
bool IsConflictingMtpDevice(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData);

#pragma once

#include <windows.h>

// Told what the conflict repair does, as it happens, on the repair's thread.
// The repair never owns or deletes one.
class CRepairReport
{
public:
    // A device the repair tried to remove: dwError is 0 when it is gone.
    virtual void DeviceRemoval(LPCWSTR pszInstanceId, DWORD dwError) = 0;
    // The list of present USB devices could not be read.
    virtual void DeviceListUnreadable(DWORD dwError) = 0;

protected:
    ~CRepairReport() = default;
};

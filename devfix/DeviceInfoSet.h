#pragma once

#include <windows.h>
#include <setupapi.h>

#include "platform/UniqueHandle.h"

// A device information set, destroyed on every way out of the scope that made
// it. SetupDiGetClassDevsW reports failure with INVALID_HANDLE_VALUE.
struct CDeviceInfoSetTraits
{
    static HDEVINFO Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HDEVINFO h) { SetupDiDestroyDeviceInfoList(h); }
};
using CDeviceInfoSet = CUniqueHandle<HDEVINFO, CDeviceInfoSetTraits>;

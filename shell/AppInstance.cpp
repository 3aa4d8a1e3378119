#include "AppInstance.h"

HINSTANCE g_hInstance = nullptr;

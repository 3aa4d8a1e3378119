#pragma once

#include <windows.h>

// The module every string and dialog template is loaded from.
extern HINSTANCE g_hInstance;

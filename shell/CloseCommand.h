#pragma once

#include <windows.h>

// WM_COMMAND of a dialog that only shows something: Close (IDOK), Escape and
// the close box (IDCANCEL) end it. TRUE when the command was one of them.
inline INT_PTR EndOnCloseCommand(HWND hWnd, WPARAM wParam)
{
    const WORD wId = LOWORD(wParam);
    if (wId != IDOK && wId != IDCANCEL)
        return FALSE;
    EndDialog(hWnd, wId);
    return TRUE;
}

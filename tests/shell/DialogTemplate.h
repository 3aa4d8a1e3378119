#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct DialogRect
{
    short x, y, cx, cy;
    bool operator==(const DialogRect& o) const { return x == o.x && y == o.y && cx == o.cx && cy == o.cy; }
};

struct DialogItem
{
    DWORD dwStyle = 0;
    DWORD dwExStyle = 0;
    DialogRect rc = {};
    DWORD dwId = 0;
    std::wstring strClass; // "#128" for an atom
    std::wstring strText;
};

struct DialogTemplate
{
    bool bValid = false;
    bool bExtended = false;
    DWORD dwStyle = 0;
    DWORD dwExStyle = 0;
    DialogRect rc = {};
    std::wstring strCaption;
    WORD wPointSize = 0;
    WORD wWeight = 0;
    std::wstring strFont;
    std::vector<DialogItem> items;
};

// Reads an extended dialog template (DLGTEMPLATEEX); bValid false on
// anything it cannot read.
DialogTemplate ParseDialogTemplate(const std::string& bytes);

#pragma once

#include <string>

// What the program shows, as a person reads it.
const wchar_t c_szUsageCaption[] = L"Tavelin - Usage Help";
const wchar_t c_szProgressCaption[] = L"Dialog";
const wchar_t c_szInstalling[] = L"Installing Selected Device Drivers ...";
const wchar_t c_szRemoving[] = L"Removing Previously Installed Device Drivers ...";
const wchar_t c_szDone[] = L" Done.";

// Generous: a Wine start takes a fraction of a second, the first one longer.
const unsigned c_msStart = 20000;

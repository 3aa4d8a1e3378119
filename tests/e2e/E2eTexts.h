#pragma once

#include <string>

// What the program shows, as a person reads it.
const wchar_t c_szUsageCaption[] = L"Tavelin - Usage Help";
const wchar_t c_szProgressCaption[] = L"Dialog";
const wchar_t c_szInstalling[] = L"Installing Selected Device Drivers ...";
const wchar_t c_szRemoving[] = L"Removing Previously Installed Device Drivers ...";
const wchar_t c_szDone[] = L" Done.";
// Shown, and logged, while a run waits for another program's package call:
// test programs that run beside each other meet this now and then.
const wchar_t c_szWaiting[] = L"Waiting for another tavelin run to finish ...";
const char c_szWaitingLine[] = "waiting for another tavelin run to finish its package call";
// The start of the warning that relative paths resolve in a folder users can
// write.
const char c_szFolderWarning[] = "warning: relative paths resolve in \"";

// Generous: a Wine start takes a fraction of a second, the first one longer.
const unsigned c_msStart = 20000;

// The stand-in's journal lines for a run's log-callback registration and for
// the teardown that clears it.
const char c_szRegister[] = "DIFXAPISetLogCallbackW callback=set context=set";
const char c_szUnregister[] = "DIFXAPISetLogCallbackW callback=null context=null";

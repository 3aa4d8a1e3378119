#pragma once

// One record of everything the code under test does: the fake DIFx calls, the
// fake repair and every notification, in the order they happen. It never
// allocates, so it keeps working while CFailAlloc refuses memory.
#include <windows.h>

#include <string>
#include <vector>

enum class EEvent
{
    SetLogCallback,
    Install,
    Uninstall,
    Preinstall,
    FixConflict,
    OnLogEvent,
    SetTotal,
    StepDone,
    BeginPackage,
    EndOperation,
};

struct TIMELINE_EVENT
{
    EEvent kind;
    INT n;              // operation, count or event type
    DWORD dw;           // flags or error code
    const void* pv1;    // installer information or log callback
    const void* pv2;    // need-reboot pointer or log context
    BOOL bRebootAtCall; // *pv2 when an install or uninstall call was made
    bool bFlag;         // bDone
    bool bTextNull;
    WCHAR szText[1024]; // path or event text, cut to fit
};

const size_t c_cTimelineMax = 1024;

void ResetTimeline();
// A fresh event, or null when the timeline is full (counted as dropped).
TIMELINE_EVENT* AddEvent(EEvent kind);
void SetEventText(TIMELINE_EVENT* pEvent, LPCWSTR psz);

size_t EventCount();
size_t DroppedEvents();
const TIMELINE_EVENT& EventAt(size_t i);

// Events of one kind, in order.
std::vector<TIMELINE_EVENT> EventsOf(EEvent kind);
// Every event as a short text such as "Install(a.inf, 0x1)", for comparing
// whole sequences.
std::vector<std::string> DescribeTimeline();
std::string Describe(const TIMELINE_EVENT& ev);

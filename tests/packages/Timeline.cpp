#include "Timeline.h"

#include <cstdio>

#include "support/TestFiles.h"

namespace {
TIMELINE_EVENT g_events[c_cTimelineMax];
size_t g_cEvents = 0;
size_t g_cDropped = 0;

std::string Hex(DWORD dw)
{
    char sz[16];
    snprintf(sz, sizeof(sz), "0x%lX", dw);
    return sz;
}

std::string NullOrSet(const void* p)
{
    return p ? "set" : "null";
}

std::string Text(const TIMELINE_EVENT& ev)
{
    return ev.bTextNull ? std::string("<null>") : Narrow(ev.szText);
}
} // namespace

void ResetTimeline()
{
    g_cEvents = 0;
    g_cDropped = 0;
}

TIMELINE_EVENT* AddEvent(EEvent kind)
{
    if (g_cEvents == c_cTimelineMax) {
        ++g_cDropped;
        return nullptr;
    }
    TIMELINE_EVENT* pEvent = &g_events[g_cEvents++];
    *pEvent = TIMELINE_EVENT();
    pEvent->kind = kind;
    return pEvent;
}

void SetEventText(TIMELINE_EVENT* pEvent, LPCWSTR psz)
{
    pEvent->bTextNull = psz == nullptr;
    size_t i = 0;
    for (; psz && psz[i] && i + 1 < sizeof(pEvent->szText) / sizeof(WCHAR); ++i)
        pEvent->szText[i] = psz[i];
    pEvent->szText[i] = L'\0';
}

size_t EventCount()
{
    return g_cEvents;
}

size_t DroppedEvents()
{
    return g_cDropped;
}

const TIMELINE_EVENT& EventAt(size_t i)
{
    return g_events[i];
}

std::vector<TIMELINE_EVENT> EventsOf(EEvent kind)
{
    std::vector<TIMELINE_EVENT> events;
    for (size_t i = 0; i < g_cEvents; ++i) {
        if (g_events[i].kind == kind)
            events.push_back(g_events[i]);
    }
    return events;
}

std::string Describe(const TIMELINE_EVENT& ev)
{
    switch (ev.kind) {
    case EEvent::SetLogCallback:
        return "SetLogCallback(" + NullOrSet(ev.pv1) + ", " + NullOrSet(ev.pv2) + ")";
    case EEvent::Install:
        return "Install(" + Text(ev) + ", " + Hex(ev.dw) + ")";
    case EEvent::Uninstall:
        return "Uninstall(" + Text(ev) + ", " + Hex(ev.dw) + ")";
    case EEvent::Preinstall:
        return "Preinstall(" + Text(ev) + ", " + Hex(ev.dw) + ")";
    case EEvent::FixConflict:
        return "FixMtpDriverConflict";
    case EEvent::OnLogEvent:
        return "OnLogEvent(" + std::to_string(ev.n) + ", " + Hex(ev.dw) + ", " + Text(ev) + ")";
    case EEvent::SetTotal:
        return "SetTotal(" + std::to_string(ev.n) + ")";
    case EEvent::StepDone:
        return "StepDone";
    case EEvent::BeginPackage:
        return "BeginPackage(" + std::to_string(ev.n) + ", " + Text(ev) + ")";
    case EEvent::EndOperation:
        return "EndOperation(" + std::to_string(ev.n) + ", " + (ev.bFlag ? "true" : "false") + ")";
    }
    return "?";
}

std::vector<std::string> DescribeTimeline()
{
    std::vector<std::string> lines;
    for (size_t i = 0; i < g_cEvents; ++i)
        lines.push_back(Describe(g_events[i]));
    return lines;
}

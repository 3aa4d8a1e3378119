#pragma once

#include "Timeline.h"
#include "packages/DiffxApiCallback.h"

// A notification object that writes every call into the timeline.
class CRecordingCallback : public CDiffxApiCallback
{
public:
    void OnLogEvent(INT nEventType, DWORD dwError, LPCWSTR pszEventText) override
    {
        if (TIMELINE_EVENT* pEvent = AddEvent(EEvent::OnLogEvent)) {
            pEvent->n = nEventType;
            pEvent->dw = dwError;
            SetEventText(pEvent, pszEventText);
        }
    }
    void SetTotal(INT nCount) override
    {
        if (TIMELINE_EVENT* pEvent = AddEvent(EEvent::SetTotal))
            pEvent->n = nCount;
    }
    void StepDone() override { AddEvent(EEvent::StepDone); }
    void BeginPackage(INT nOperation, LPCWSTR pszInfPath) override
    {
        if (TIMELINE_EVENT* pEvent = AddEvent(EEvent::BeginPackage)) {
            pEvent->n = nOperation;
            SetEventText(pEvent, pszInfPath);
        }
    }
    void EndOperation(INT nOperation, bool bDone) override
    {
        if (TIMELINE_EVENT* pEvent = AddEvent(EEvent::EndOperation)) {
            pEvent->n = nOperation;
            pEvent->bFlag = bDone;
        }
    }
};

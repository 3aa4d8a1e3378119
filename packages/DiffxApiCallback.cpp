#include "DiffxApiCallback.h"

// The base class reports to nobody: a quiet run hands it over as it is.
void CDiffxApiCallback::OnLogEvent(INT /*nEventType*/, DWORD /*dwError*/, LPCWSTR /*pszEventText*/) {}

void CDiffxApiCallback::SetTotal(INT /*nCount*/) {}

void CDiffxApiCallback::StepDone() {}

void CDiffxApiCallback::BeginPackage(INT /*nOperation*/, LPCWSTR /*pszInfPath*/) {}

void CDiffxApiCallback::PackageDone(INT /*nOperation*/, LPCWSTR /*pszInfPath*/, DWORD /*dwResult*/) {}

void CDiffxApiCallback::EndOperation(INT /*nOperation*/, bool /*bDone*/) {}

void CDiffxApiCallback::FirstPackageCall() {}

void CDiffxApiCallback::PackageCallsPaused(bool /*bPaused*/) {}

void CDiffxApiCallback::WaitForOtherRun(bool /*bWaiting*/) {}

#pragma once

// Waits, once per process and at most a minute, for the device
// installations Windows has pending, so that a package call does not race
// them. A time-out is a warning event; the call goes on.
void WaitForPendingInstallsOnce();

#pragma once

#include <windows.h>

// Wine builds its root store from the host's certificates the first time a
// process opens it, which costs more than the other checks of a dozen
// packages. A verify run starts that work, and the loading of the crypto
// DLLs, on a thread of its own while it reads the first INFs. Only the
// operation's thread calls these.

// Starts the thread once per process; does nothing when it cannot.
void StartCryptoWarmUp();
// Waits for the thread, if one was started and is still running. The first
// signature check calls it, and so does the run's end: the thread never
// outlives the run.
void FinishCryptoWarmUp();

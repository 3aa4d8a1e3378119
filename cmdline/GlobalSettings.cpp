#include "CommandLineInfo.h"

// The one settings record of the process, built before wWinMain runs.
CTavelinCommandLineInfo g_commandLineInfo;

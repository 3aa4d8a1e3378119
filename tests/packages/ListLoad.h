#pragma once

#include <string>
#include <vector>

#include "packages/DriverPackageBatch.h"
#include "support/TestFiles.h"

// What one LoadInfList call left behind.
struct LIST_LOAD
{
    bool bLoaded = false;
    std::vector<int> totals; // every SetTotal count, in order
    std::vector<std::wstring> entries;
};

std::vector<std::wstring> EntriesOf(const CDriverPackageBatch& batch);

// Loads the list file at strPath with a recording batch.
LIST_LOAD LoadListFile(const std::wstring& strPath);
// Writes the bytes to a list file in the folder and loads it.
LIST_LOAD LoadListBytes(const CScratchDir& dir, const std::string& strBytes);

// The ANSI-to-UTF-16 conversion the reader relies on, for expected values.
std::wstring FromAnsi(const std::string& strBytes);

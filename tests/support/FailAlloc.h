#pragma once

// Allocation failure injection for malloc, through the linker's --wrap=malloc
// (every test program is linked with it). While a CFailAlloc is alive, the
// first nSucceed allocations go through and every later one fails.
class CFailAlloc
{
public:
    explicit CFailAlloc(int nSucceed);
    ~CFailAlloc();
    CFailAlloc(const CFailAlloc&) = delete;
    CFailAlloc& operator=(const CFailAlloc&) = delete;

    // How many allocations were refused so far.
    static int Refused();
};

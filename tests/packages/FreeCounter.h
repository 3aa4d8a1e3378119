#pragma once

// Counts the blocks this thread hands to free while a CFreeCounter is alive
// (packages_tests is linked with --wrap=free).
class CFreeCounter
{
public:
    CFreeCounter();
    ~CFreeCounter();
    CFreeCounter(const CFreeCounter&) = delete;
    CFreeCounter& operator=(const CFreeCounter&) = delete;

    static int Frees();
};

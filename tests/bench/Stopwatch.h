#pragma once

#include <windows.h>

// Wall-clock time from the performance counter, in seconds as a double.
class CStopwatch
{
public:
    CStopwatch()
    {
        QueryPerformanceFrequency(&m_liFrequency);
        Restart();
    }

    void Restart() { QueryPerformanceCounter(&m_liStart); }

    double Seconds() const
    {
        LARGE_INTEGER liNow;
        QueryPerformanceCounter(&liNow);
        return static_cast<double>(liNow.QuadPart - m_liStart.QuadPart) /
               static_cast<double>(m_liFrequency.QuadPart);
    }

private:
    LARGE_INTEGER m_liFrequency;
    LARGE_INTEGER m_liStart;
};

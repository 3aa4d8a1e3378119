#pragma once

#include <windows.h>

// Owns a kernel handle. Both null and INVALID_HANDLE_VALUE mean "none", since
// CreateFileW and the process functions disagree on which one they return.
class CHandle
{
public:
    CHandle() = default;
    explicit CHandle(HANDLE h) : m_h(h) {}
    ~CHandle() { Close(); }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    bool IsValid() const { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_h; }

    void Reset(HANDLE h)
    {
        Close();
        m_h = h;
    }

    void Close()
    {
        if (IsValid())
            CloseHandle(m_h);
        m_h = nullptr;
    }

private:
    HANDLE m_h = nullptr;
};

// The two handles CreateProcessW returns, closed together.
class CProcessHandles
{
public:
    CProcessHandles() = default;
    ~CProcessHandles() = default;
    CProcessHandles(const CProcessHandles&) = delete;
    CProcessHandles& operator=(const CProcessHandles&) = delete;

    void Take(const PROCESS_INFORMATION& pi)
    {
        m_process.Reset(pi.hProcess);
        m_thread.Reset(pi.hThread);
    }

    HANDLE Process() const { return m_process.Get(); }
    HANDLE Thread() const { return m_thread.Get(); }

private:
    CHandle m_process;
    CHandle m_thread;
};

#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>

// Owns one handle and releases it on every way out of its scope. TTraits says
// what an invalid handle is and how a valid one is released:
//     static T Invalid();
//     static void Close(T h);
// Each kind of handle is a one-line alias below (or beside the header that
// declares its close function), so no kind needs a holder of its own.
template <typename T, typename TTraits>
class CUniqueHandle
{
public:
    CUniqueHandle() = default;
    explicit CUniqueHandle(T h) : m_h(h) {}
    ~CUniqueHandle() { Reset(); }

    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;
    CUniqueHandle(CUniqueHandle&& other) noexcept : m_h(other.Detach()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }

    // Releases the handle held so far, then holds h.
    void Reset(T h = TTraits::Invalid())
    {
        if (IsValid())
            TTraits::Close(m_h);
        m_h = h;
    }
    // Hands the handle over to the caller, who releases it from then on.
    T Detach()
    {
        T h = m_h;
        m_h = TTraits::Invalid();
        return h;
    }

    T Get() const { return m_h; }
    bool IsValid() const { return m_h != TTraits::Invalid(); }

private:
    T m_h = TTraits::Invalid();
};

// Kernel objects whose failure value is null: threads, processes, events.
struct CKernelHandleTraits
{
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
using CKernelHandle = CUniqueHandle<HANDLE, CKernelHandleTraits>;

// Files from CreateFileW and searches from FindFirstFileW differ from other
// kernel handles: their failure value is INVALID_HANDLE_VALUE.
struct CFileHandleTraits
{
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
using CFileHandle = CUniqueHandle<HANDLE, CFileHandleTraits>;

struct CFindHandleTraits
{
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { FindClose(h); }
};
using CFindHandle = CUniqueHandle<HANDLE, CFindHandleTraits>;

struct CModuleHandleTraits
{
    static HMODULE Invalid() { return nullptr; }
    static void Close(HMODULE h) { FreeLibrary(h); }
};
using CModuleHandle = CUniqueHandle<HMODULE, CModuleHandleTraits>;

struct CRegKeyTraits
{
    static HKEY Invalid() { return nullptr; }
    static void Close(HKEY h) { RegCloseKey(h); }
};
using CRegKey = CUniqueHandle<HKEY, CRegKeyTraits>;

// A C runtime stream.
struct CCrtFileTraits
{
    static FILE* Invalid() { return nullptr; }
    static void Close(FILE* p) { fclose(p); }
};
using CCrtFileHandle = CUniqueHandle<FILE*, CCrtFileTraits>;

// A heap block from malloc.
struct CHeapTraits
{
    static void* Invalid() { return nullptr; }
    static void Close(void* p) { free(p); }
};
using CHeapBlock = CUniqueHandle<void*, CHeapTraits>;

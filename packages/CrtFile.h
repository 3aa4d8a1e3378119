#pragma once

#include <cstdio>

// Owns a C runtime FILE*, so that every way out of a reader closes it.
class CCrtFile
{
public:
    explicit CCrtFile(FILE* pFile) : m_pFile(pFile) {}
    ~CCrtFile() { Close(); }
    CCrtFile(const CCrtFile&) = delete;
    CCrtFile& operator=(const CCrtFile&) = delete;

    bool IsOpen() const { return m_pFile != nullptr; }
    FILE* Get() const { return m_pFile; }

    void Close()
    {
        if (m_pFile) {
            fclose(m_pFile);
            m_pFile = nullptr;
        }
    }

private:
    FILE* m_pFile;
};

#pragma once

#include <string>
#include <vector>

#include "cmdline/CommandLineInfo.h"

struct RecordedToken
{
    std::wstring strToken;
    bool bFlag;
    bool bLast;

    bool operator==(const RecordedToken& o) const
    {
        return strToken == o.strToken && bFlag == o.bFlag && bLast == o.bLast;
    }
};

// A settings record that remembers every token it was handed, then parses it
// as usual.
class CTokenRecorder : public CTavelinCommandLineInfo
{
public:
    void ParseToken(LPCWSTR pszToken, bool bFlag, bool bLast) override
    {
        m_tokens.push_back({ pszToken, bFlag, bLast });
        m_opsBefore.push_back(m_nOperation);
        m_expectBefore.push_back(m_nExpect);
        CTavelinCommandLineInfo::ParseToken(pszToken, bFlag, bLast);
        m_opsAfter.push_back(m_nOperation);
    }

    std::vector<RecordedToken> m_tokens;
    std::vector<int> m_opsBefore;
    std::vector<int> m_expectBefore;
    std::vector<int> m_opsAfter;
};

#pragma once

#include <windows.h>

#include <string>
#include <vector>

enum EVerdict
{
    vInfo, // a figure shown for context, without a target
    vPass,
    vFail,
};

// One line of the table. Values are formatted by whoever measured them, so the
// table and the CSV show the same digits.
struct BENCH_ROW
{
    std::string strFigure;
    std::string strValue;
    std::string strBaseline;
    std::string strRatio;
    std::string strTarget;
    EVerdict verdict;
};

// The figures of one bench run: printed as a table on stdout and written as
// CSV. Notes (how a figure was taken) follow the table on stdout only.
class CResultTable
{
public:
    void Add(const BENCH_ROW& row) { m_rows.push_back(row); }
    void AddNote(const std::string& strNote) { m_notes.push_back(strNote); }

    size_t FailCount() const;
    size_t TargetCount() const;

    void Print() const;
    bool WriteCsv(const std::wstring& strPath) const;

private:
    std::vector<BENCH_ROW> m_rows;
    std::vector<std::string> m_notes;
};

// "%.*f" with a unit after a blank, e.g. FormatFigure(12.345, 1, "ms") is "12.3 ms".
std::string FormatFigure(double dValue, int nDecimals, const char* pszUnit);
// A ratio as "1.23x".
std::string FormatRatio(double dRatio);
// PASS/FAIL from a measured ratio and its upper limit.
EVerdict VerdictAtMost(double dValue, double dLimit);

#include "ResultTable.h"

#include <algorithm>
#include <cstdio>

#include "Handles.h"

namespace {

const char* VerdictText(EVerdict verdict)
{
    switch (verdict) {
    case vPass:
        return "PASS";
    case vFail:
        return "FAIL";
    default:
        return "-";
    }
}

// RFC 4180 quoting: a field with a comma, a quote or a line break is quoted,
// and its quotes doubled.
std::string CsvField(const std::string& str)
{
    if (str.find_first_of(",\"\r\n") == std::string::npos)
        return str;
    std::string strQuoted = "\"";
    for (char ch : str) {
        if (ch == '"')
            strQuoted += '"';
        strQuoted += ch;
    }
    return strQuoted + "\"";
}

void PrintCell(const std::string& str, size_t cchWidth, bool bLast)
{
    fputs(str.c_str(), stdout);
    if (bLast)
        return;
    for (size_t cch = str.size(); cch < cchWidth + 2; ++cch)
        fputc(' ', stdout);
}

} // namespace

size_t CResultTable::FailCount() const
{
    return static_cast<size_t>(
        std::count_if(m_rows.begin(), m_rows.end(), [](const BENCH_ROW& row) { return row.verdict == vFail; }));
}

size_t CResultTable::TargetCount() const
{
    return static_cast<size_t>(
        std::count_if(m_rows.begin(), m_rows.end(), [](const BENCH_ROW& row) { return row.verdict != vInfo; }));
}

void CResultTable::Print() const
{
    static const char* const s_rgpszHeads[] = { "figure", "value", "baseline", "ratio", "target", "result" };
    const size_t cColumns = sizeof(s_rgpszHeads) / sizeof(s_rgpszHeads[0]);
    std::vector<std::vector<std::string>> cells;
    cells.push_back(std::vector<std::string>(s_rgpszHeads, s_rgpszHeads + cColumns));
    for (const BENCH_ROW& row : m_rows) {
        cells.push_back({ row.strFigure, row.strValue, row.strBaseline, row.strRatio, row.strTarget,
                          VerdictText(row.verdict) });
    }

    size_t rgcchWidth[cColumns] = {};
    for (const std::vector<std::string>& line : cells) {
        for (size_t i = 0; i < cColumns; ++i)
            rgcchWidth[i] = std::max(rgcchWidth[i], line[i].size());
    }
    for (size_t nLine = 0; nLine < cells.size(); ++nLine) {
        for (size_t i = 0; i < cColumns; ++i)
            PrintCell(cells[nLine][i], rgcchWidth[i], i + 1 == cColumns);
        fputc('\n', stdout);
        if (nLine == 0) {
            size_t cchRule = 0;
            for (size_t i = 0; i < cColumns; ++i)
                cchRule += rgcchWidth[i] + (i + 1 == cColumns ? 0 : 2);
            fputs(std::string(cchRule, '-').c_str(), stdout);
            fputc('\n', stdout);
        }
    }
    fputc('\n', stdout);
    for (const std::string& strNote : m_notes)
        printf("* %s\n", strNote.c_str());
    printf("\n%u of %u targets met.\n", static_cast<unsigned>(TargetCount() - FailCount()),
           static_cast<unsigned>(TargetCount()));
    fflush(stdout);
}

bool CResultTable::WriteCsv(const std::wstring& strPath) const
{
    std::string strCsv = "figure,value,baseline,ratio,target,result\r\n";
    for (const BENCH_ROW& row : m_rows) {
        strCsv += CsvField(row.strFigure) + "," + CsvField(row.strValue) + "," + CsvField(row.strBaseline) + "," +
                  CsvField(row.strRatio) + "," + CsvField(row.strTarget) + "," + VerdictText(row.verdict) + "\r\n";
    }
    CHandle file(CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                             nullptr));
    if (!file.IsValid())
        return false;
    DWORD cbWritten = 0;
    return WriteFile(file.Get(), strCsv.data(), static_cast<DWORD>(strCsv.size()), &cbWritten, nullptr) &&
           cbWritten == strCsv.size();
}

std::string FormatFigure(double dValue, int nDecimals, const char* pszUnit)
{
    char sz[64];
    snprintf(sz, sizeof(sz), "%.*f%s%s", nDecimals, dValue, *pszUnit ? " " : "", pszUnit);
    return sz;
}

std::string FormatRatio(double dRatio)
{
    char sz[32];
    snprintf(sz, sizeof(sz), "%.2fx", dRatio);
    return sz;
}

EVerdict VerdictAtMost(double dValue, double dLimit)
{
    return dValue <= dLimit ? vPass : vFail;
}

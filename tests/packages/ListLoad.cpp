#include "ListLoad.h"

#include "FakeDifx.h"
#include "RecordingCallback.h"

std::vector<std::wstring> EntriesOf(const CDriverPackageBatch& batch)
{
    std::vector<std::wstring> entries;
    for (const INF_ENTRY* p = batch.m_entries.First(); p; p = p->pNext)
        entries.push_back(p->pszPath);
    return entries;
}

LIST_LOAD LoadListFile(const std::wstring& strPath)
{
    ResetFakes();
    LIST_LOAD load;
    CRecordingCallback rec;
    CDriverPackageBatch batch(&rec);
    batch.m_strListFile.Assign(strPath.c_str());
    load.bLoaded = batch.LoadInfList();
    load.entries = EntriesOf(batch);
    for (const TIMELINE_EVENT& ev : EventsOf(EEvent::SetTotal))
        load.totals.push_back(ev.n);
    return load;
}

LIST_LOAD LoadListBytes(const CScratchDir& dir, const std::string& strBytes)
{
    std::wstring strPath = dir.File(L"list.txt");
    if (!WriteFileBytes(strPath, strBytes))
        return LIST_LOAD();
    return LoadListFile(strPath);
}

std::wstring FromAnsi(const std::string& strBytes)
{
    if (strBytes.empty())
        return std::wstring();
    int cch = MultiByteToWideChar(CP_ACP, 0, strBytes.data(), static_cast<int>(strBytes.size()), nullptr, 0);
    std::wstring str(static_cast<size_t>(cch), L'\0');
    MultiByteToWideChar(CP_ACP, 0, strBytes.data(), static_cast<int>(strBytes.size()), &str[0], cch);
    return str;
}

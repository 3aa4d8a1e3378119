#include "packages/native/InstallPlan.h"

#include <cstdint>
#include <cstdlib>
#include <cwchar>

#include "packages/native/NativeLog.h"

namespace {

const DWORD c_cBitsPerWord = 64;
// Up to this many IDs the fewest calls are found by trying every choice,
// smallest first (at most 65,535 of them); no real package and device come
// near it.
const DWORD c_cCandidatesTriedAll = 16;

// The next choice of cChosen of cCandidates indices, in increasing order;
// false after the last.
bool NextChoice(DWORD* piChosen, DWORD cChosen, DWORD cCandidates)
{
    for (DWORD i = cChosen; i-- > 0;) {
        if (piChosen[i] < cCandidates - cChosen + i) {
            ++piChosen[i];
            for (DWORD j = i + 1; j < cChosen; ++j)
                piChosen[j] = piChosen[j - 1] + 1;
            return true;
        }
    }
    return false;
}

} // namespace

LPCWSTR CInstallPlan::Candidate(DWORD iCandidate) const
{
    LPCWSTR psz = m_candidates.First();
    for (DWORD i = 0; i < iCandidate && psz; ++i)
        psz = m_candidates.Next(psz);
    return psz;
}

bool CInstallPlan::Lists(DWORD iDevice, DWORD iCandidate) const
{
    const uint64_t* pRow = static_cast<const uint64_t*>(m_lists.Get()) + static_cast<size_t>(iDevice) * m_cWords;
    return (pRow[iCandidate / c_cBitsPerWord] >> (iCandidate % c_cBitsPerWord)) & 1;
}

bool CInstallPlan::CoversDevice(DWORD iDevice, const DWORD* piChosen, DWORD cChosen) const
{
    for (DWORD i = 0; i < cChosen; ++i) {
        if (Lists(iDevice, piChosen[i]))
            return true;
    }
    return false;
}

bool CInstallPlan::CoversAll(const DWORD* piChosen, DWORD cChosen) const
{
    for (DWORD iDevice = 0; iDevice < m_cDevices; ++iDevice) {
        if (!CoversDevice(iDevice, piChosen, cChosen))
            return false;
    }
    return true;
}

// Two passes: the IDs first, so that each device's row has its final width.
DWORD CInstallPlan::ReadDevices(const CDeviceSet& devices, const CDeviceIdList& packageIds)
{
    CHeapBlock idsBlock(malloc(c_cchDeviceIds * sizeof(WCHAR)));
    LPWSTR pszIds = static_cast<LPWSTR>(idsBlock.Get());
    if (!pszIds)
        return ERROR_NOT_ENOUGH_MEMORY;
    SP_DEVINFO_DATA device;
    DWORD cDevices = 0;
    for (DWORD dwIndex = 0; devices.Get(dwIndex, &device); ++dwIndex) {
        devices.ReadIds(&device, pszIds);
        bool bMatches = false;
        for (LPCWSTR p = pszIds; *p; p += wcslen(p) + 1) {
            if (packageIds.Contains(p)) {
                bMatches = true;
                if (!m_candidates.Contains(p) && !m_candidates.Add(p))
                    return ERROR_NOT_ENOUGH_MEMORY;
            }
        }
        cDevices += bMatches;
    }
    for (LPCWSTR p = m_candidates.First(); p; p = m_candidates.Next(p))
        ++m_cCandidates;
    if (cDevices == 0)
        return ERROR_SUCCESS;
    m_cWords = (m_cCandidates + c_cBitsPerWord - 1) / c_cBitsPerWord;
    m_devices.Reset(calloc(cDevices, sizeof(MATCHING_DEVICE)));
    m_lists.Reset(calloc(static_cast<size_t>(cDevices) * m_cWords, sizeof(uint64_t)));
    if (!m_devices.IsValid() || !m_lists.IsValid())
        return ERROR_NOT_ENOUGH_MEMORY;
    MATCHING_DEVICE* pDevices = static_cast<MATCHING_DEVICE*>(m_devices.Get());
    uint64_t* pLists = static_cast<uint64_t*>(m_lists.Get());
    WCHAR szInf[c_cchDriverInf];
    for (DWORD dwIndex = 0; m_cDevices < cDevices && devices.Get(dwIndex, &device); ++dwIndex) {
        devices.ReadIds(&device, pszIds);
        uint64_t* pRow = pLists + static_cast<size_t>(m_cDevices) * m_cWords;
        bool bMatches = false;
        DWORD iCandidate = 0;
        for (LPCWSTR pc = m_candidates.First(); pc; pc = m_candidates.Next(pc), ++iCandidate) {
            for (LPCWSTR p = pszIds; *p; p += wcslen(p) + 1) {
                if (DeviceIdEquals(p, pc)) {
                    pRow[iCandidate / c_cBitsPerWord] |= uint64_t(1) << (iCandidate % c_cBitsPerWord);
                    bMatches = true;
                    break;
                }
            }
        }
        if (!bMatches)
            continue;
        devices.DriverInf(&device, szInf);
        pDevices[m_cDevices++] = { dwIndex, DeviceIdEquals(szInf, m_pszPublishedName) };
    }
    return ERROR_SUCCESS;
}

// The fewest IDs that reach every device, the earliest first among choices
// of one size. Their count.
DWORD CInstallPlan::ChooseFewest(DWORD* piChosen) const
{
    for (DWORD cChosen = 1; cChosen <= m_cCandidates; ++cChosen) {
        for (DWORD i = 0; i < cChosen; ++i)
            piChosen[i] = i;
        do {
            if (CoversAll(piChosen, cChosen))
                return cChosen;
        } while (NextChoice(piChosen, cChosen, m_cCandidates));
    }
    return 0;
}

// Past c_cCandidatesTriedAll IDs: each device not yet reached adds the
// first ID it lists, in the order the IDs were first seen.
DWORD CInstallPlan::ChooseEach(DWORD* piChosen) const
{
    DWORD cChosen = 0;
    for (DWORD iCandidate = 0; iCandidate < m_cCandidates; ++iCandidate) {
        for (DWORD iDevice = 0; iDevice < m_cDevices; ++iDevice) {
            if (Lists(iDevice, iCandidate) && !CoversDevice(iDevice, piChosen, cChosen)) {
                piChosen[cChosen++] = iCandidate;
                break;
            }
        }
    }
    return cChosen;
}

// A forced call installs "whether better drivers exist or not" on every
// device it reaches: only a reinstall where all of them use this package.
DWORD CInstallPlan::AddCall(DWORD iCandidate)
{
    LPCWSTR pszId = Candidate(iCandidate);
    if (!m_called.Add(pszId))
        return ERROR_NOT_ENOUGH_MEMORY;
    const MATCHING_DEVICE* pDevices = static_cast<const MATCHING_DEVICE*>(m_devices.Get());
    bool bAll = true;
    bool bAny = false;
    for (DWORD iDevice = 0; iDevice < m_cDevices; ++iDevice) {
        if (!Lists(iDevice, iCandidate))
            continue;
        bAny = bAny || pDevices[iDevice].bUsesCopy;
        bAll = bAll && pDevices[iDevice].bUsesCopy;
    }
    if (bAll)
        return m_forced.Add(pszId) ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY;
    if (bAny)
        NativeLogEvent(DIFXAPI_INFO, 0,
                       L"The call for ID \"%ls\" is not forced: some devices that list it use another driver than \"%ls\"",
                       pszId, m_pszPublishedName);
    return ERROR_SUCCESS;
}

void CInstallPlan::LogDevices(const CDeviceSet& devices, const DWORD* piChosen, DWORD cChosen) const
{
    const MATCHING_DEVICE* pDevices = static_cast<const MATCHING_DEVICE*>(m_devices.Get());
    for (DWORD iDevice = 0; iDevice < m_cDevices; ++iDevice) {
        SP_DEVINFO_DATA device;
        WCHAR szInstance[c_cchInstanceId];
        szInstance[0] = L'\0';
        if (devices.Get(pDevices[iDevice].dwIndex, &device))
            devices.InstanceId(&device, szInstance);
        DWORD i = 0;
        while (i + 1 < cChosen && !Lists(iDevice, piChosen[i]))
            ++i;
        NativeLogEvent(DIFXAPI_INFO, 0, L"Installing on device \"%ls\", which lists \"%ls\"", szInstance,
                       Candidate(piChosen[i]));
    }
}

DWORD CInstallPlan::Make(const CDeviceSet& devices, const CDeviceIdList& packageIds, LPCWSTR pszPublishedName)
{
    m_pszPublishedName = pszPublishedName;
    DWORD dwResult = ReadDevices(devices, packageIds);
    if (dwResult != ERROR_SUCCESS || m_cDevices == 0)
        return dwResult;
    CHeapBlock chosenBlock(calloc(m_cCandidates, sizeof(DWORD)));
    DWORD* piChosen = static_cast<DWORD*>(chosenBlock.Get());
    if (!piChosen)
        return ERROR_NOT_ENOUGH_MEMORY;
    const DWORD cChosen =
        m_cCandidates <= c_cCandidatesTriedAll ? ChooseFewest(piChosen) : ChooseEach(piChosen);
    if (cChosen == 0)
        return ERROR_NOT_ENOUGH_MEMORY;
    LogDevices(devices, piChosen, cChosen);
    for (DWORD i = 0; i < cChosen; ++i) {
        dwResult = AddCall(piChosen[i]);
        if (dwResult != ERROR_SUCCESS)
            return dwResult;
    }
    return ERROR_SUCCESS;
}

#include "DialogTemplate.h"

#include <cstring>

namespace {

class CReader
{
public:
    explicit CReader(const std::string& bytes) : m_bytes(bytes) {}

    bool Ok() const { return m_bOk; }
    template <typename T> T Get()
    {
        T v{};
        if (m_pos + sizeof(T) > m_bytes.size()) {
            m_bOk = false;
            return v;
        }
        memcpy(&v, m_bytes.data() + m_pos, sizeof(T));
        m_pos += sizeof(T);
        return v;
    }
    std::wstring String()
    {
        std::wstring str;
        for (WCHAR ch = Get<WCHAR>(); m_bOk && ch; ch = Get<WCHAR>())
            str.push_back(ch);
        return str;
    }
    // A name or an ordinal (0xFFFF then the number, written "#n").
    std::wstring NameOrOrdinal()
    {
        WCHAR first = Get<WCHAR>();
        if (first == 0)
            return std::wstring();
        if (first == 0xFFFF)
            return L"#" + std::to_wstring(Get<WORD>());
        return std::wstring(1, first) + String();
    }
    void AlignDword() { m_pos = (m_pos + 3) & ~static_cast<size_t>(3); }

private:
    const std::string& m_bytes;
    size_t m_pos = 0;
    bool m_bOk = true;
};

} // namespace

DialogTemplate ParseDialogTemplate(const std::string& bytes)
{
    DialogTemplate d;
    CReader r(bytes);
    WORD wVersion = r.Get<WORD>();
    WORD wSignature = r.Get<WORD>();
    if (!r.Ok() || wVersion != 1 || wSignature != 0xFFFF)
        return d;
    d.bExtended = true;
    r.Get<DWORD>(); // help id
    d.dwExStyle = r.Get<DWORD>();
    d.dwStyle = r.Get<DWORD>();
    WORD cItems = r.Get<WORD>();
    d.rc = { r.Get<short>(), r.Get<short>(), r.Get<short>(), r.Get<short>() };
    r.NameOrOrdinal(); // menu
    r.NameOrOrdinal(); // class
    d.strCaption = r.String();
    if (d.dwStyle & (DS_SETFONT | DS_SHELLFONT)) {
        d.wPointSize = r.Get<WORD>();
        d.wWeight = r.Get<WORD>();
        r.Get<BYTE>(); // italic
        r.Get<BYTE>(); // charset
        d.strFont = r.String();
    }
    for (WORD i = 0; i < cItems && r.Ok(); ++i) {
        r.AlignDword();
        DialogItem item;
        r.Get<DWORD>(); // help id
        item.dwExStyle = r.Get<DWORD>();
        item.dwStyle = r.Get<DWORD>();
        item.rc = { r.Get<short>(), r.Get<short>(), r.Get<short>(), r.Get<short>() };
        item.dwId = r.Get<DWORD>();
        item.strClass = r.NameOrOrdinal();
        item.strText = r.NameOrOrdinal();
        WORD cbExtra = r.Get<WORD>();
        for (WORD b = 0; b < cbExtra; ++b)
            r.Get<BYTE>();
        d.items.push_back(item);
    }
    d.bValid = r.Ok();
    return d;
}

// Windows implementation of plat::OpenCodePageDecoder and plat::SystemCodePage. Only the
// system's conversion here; the tables built from it and every rule about them belong in
// platform/CodePage.cpp.
#include "CodePage.h"
#include "Win32.h"

namespace plat
{
namespace
{
class CWindowsDecoder final : public CCodePageDecoder
{
public:
    explicit CWindowsDecoder(UINT cp) : m_cp(cp) {}

    bool Decode(const unsigned char* p, size_t n, char32_t& u) override
    {
        wchar_t wide[4] = {};
        // MB_ERR_INVALID_CHARS: a pair the page does not define fails instead of becoming
        // the page's default character.
        const int nWide = ::MultiByteToWideChar(m_cp, MB_ERR_INVALID_CHARS,
                                                reinterpret_cast<const char*>(p),
                                                static_cast<int>(n), wide, 4);
        if (nWide == 1 && (wide[0] < 0xD800 || wide[0] > 0xDFFF))
            u = wide[0];
        else if (nWide == 2 && wide[0] >= 0xD800 && wide[0] <= 0xDBFF && wide[1] >= 0xDC00 &&
                 wide[1] <= 0xDFFF)
            u = 0x10000 + ((char32_t(wide[0]) - 0xD800) << 10) + (char32_t(wide[1]) - 0xDC00);
        else
            return false; // exactly one character, or it is not one of this page's
        return true;
    }

    bool Substitute(const unsigned char* p, size_t n, char32_t& u) override
    {
        // Without MB_ERR_INVALID_CHARS the system puts its own character in their place.
        wchar_t wide[4] = {};
        if (::MultiByteToWideChar(m_cp, 0, reinterpret_cast<const char*>(p),
                                  static_cast<int>(n), wide, 4) != 1 ||
            (wide[0] >= 0xD800 && wide[0] <= 0xDFFF))
            return false;
        u = wide[0];
        return true;
    }

private:
    UINT m_cp;
};
} // namespace

std::unique_ptr<CCodePageDecoder> OpenCodePageDecoder(UINT cp)
{
    if (!::IsValidCodePage(cp))
        return nullptr;
    return std::make_unique<CWindowsDecoder>(cp);
}

namespace
{
/// The ANSI code page of one locale, 0 when it has none or cannot be read.
UINT LocaleAnsiCodePage(LPCWSTR pszLocale)
{
    // LOCALE_RETURN_NUMBER: the answer is a DWORD written into the buffer, whose size is
    // counted in WCHARs (2 for a DWORD); 0 means failure.
    DWORD cp = 0;
    if (::GetLocaleInfoEx(pszLocale, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                          reinterpret_cast<LPWSTR>(&cp), sizeof cp / sizeof(WCHAR)) == 0)
        return 0;
    return cp;
}

/// The ANSI code page of the system locale (not the user's: GetACP follows the system's).
UINT SystemLocaleAnsiCodePage()
{
    if (const UINT cp = LocaleAnsiCodePage(LOCALE_NAME_SYSTEM_DEFAULT); cp != 0)
        return cp;
    // Wine refuses the alias of the system locale; asked by its name, it answers.
    wchar_t szName[LOCALE_NAME_MAX_LENGTH] = L"";
    if (::GetSystemDefaultLocaleName(szName, LOCALE_NAME_MAX_LENGTH) == 0)
        return 0;
    return LocaleAnsiCodePage(szName);
}
} // namespace

UINT SystemCodePage()
{
    const UINT acp = ::GetACP();
    return ChooseAnsiCodePage(acp, acp == CP_UTF8 ? SystemLocaleAnsiCodePage() : 0);
}

} // namespace plat

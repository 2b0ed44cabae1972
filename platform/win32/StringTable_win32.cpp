// Windows implementation of FindString: the string table in the program's own resources,
// read with LoadString, when the program carries one (sqk2xml.exe does, from the same
// res/strings.inc); the compiled-in table otherwise (the command-line tool).
#include "StringTable.h"

#include <map>
#include <mutex>
#include <string>

#include "WideText.h"
#include "Win32.h"

namespace plat
{

std::string_view FindString(UINT nID)
{
    const HMODULE hModule = ::GetModuleHandleW(nullptr);
    // Strings are kept in blocks of 16; no block, no string table of the program's.
    if (!::FindResourceW(hModule, MAKEINTRESOURCEW(nID / 16 + 1), MAKEINTRESOURCEW(6)))
        return FindCompiledString(nID);

    // Each text is converted once and kept for the life of the process, as the views
    // handed out must stay valid.
    static std::mutex s_lock;
    static auto* s_pTexts = new std::map<UINT, std::string>;
    const std::lock_guard<std::mutex> hold(s_lock);
    if (const auto it = s_pTexts->find(nID); it != s_pTexts->end())
        return it->second;
    const wchar_t* pText = nullptr;
    const int n = ::LoadStringW(hModule, nID, reinterpret_cast<LPWSTR>(&pText), 0);
    std::string text;
    if (n > 0)
        text = std::string(AnsiFromWide(std::wstring_view(pText, static_cast<size_t>(n))).View());
    return (*s_pTexts)[nID] = std::move(text);
}

} // namespace plat

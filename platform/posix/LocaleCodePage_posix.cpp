// POSIX implementation of plat::SystemCodePage: the page Windows would have for the
// process's locale.
#include "LocaleCodePage.h"

#include <cstdlib>
#include <initializer_list>

#include "CodePage.h"

namespace plat
{

UINT CodePageForLocale(std::string_view locale)
{
    const size_t langEnd = locale.find_first_of("_.@");
    const std::string_view lang = locale.substr(0, langEnd);
    std::string_view territory;
    if (langEnd != std::string_view::npos && locale[langEnd] == '_')
    {
        territory = locale.substr(langEnd + 1);
        territory = territory.substr(0, territory.find_first_of(".@"));
    }
    auto in = [](std::string_view word, std::initializer_list<std::string_view> list) {
        for (std::string_view item : list)
            if (word == item)
                return true;
        return false;
    };
    if (lang == "ja")
        return 932;
    if (lang == "zh")
        return in(territory, {"TW", "HK", "MO"}) ? 950 : 936;
    if (lang == "ko")
        return 949;
    if (in(lang, {"cs", "pl", "hu", "hr", "sk", "sl", "ro", "sq", "bs"}))
        return 1250;
    if (in(lang, {"ru", "uk", "be", "bg", "mk", "sr"}))
        return 1251;
    if (lang == "el")
        return 1253;
    if (in(lang, {"tr", "az"}))
        return 1254;
    if (lang == "he")
        return 1255;
    if (in(lang, {"ar", "fa", "ur"}))
        return 1256;
    if (in(lang, {"et", "lv", "lt"}))
        return 1257;
    if (lang == "vi")
        return 1258;
    if (lang == "th")
        return 874;
    return 1252;
}

UINT CodePageFromEnvironment()
{
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"})
    {
        const char* value = std::getenv(name);
        if (value && *value)
            return CodePageForLocale(value);
    }
    return 1252;
}

UINT SystemCodePage()
{
    return CodePageFromEnvironment();
}

} // namespace plat

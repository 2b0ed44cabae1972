#include "Options.h"

#include <charconv>

#include "CodePage.h"

namespace
{
bool ParseCodePage(const std::string& text, UINT& cp)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, cp);
    return ec == std::errc() && ptr == end && plat::IsSupportedCodePage(cp);
}

bool ParsePageStyle(const std::string& text, CPageStyle& style)
{
    const std::pair<const char*, CPageStyle> names[] = {
        {"classic", CPageStyle::classic}, {"table", CPageStyle::table}, {"none", CPageStyle::none}};
    for (const auto& [name, value] : names)
        if (text == name)
        {
            style = value;
            return true;
        }
    return false;
}

// Reads the value of option name, given as "name VALUE" or "name=VALUE". True when
// args[i] is that option with its value; i then stands on the last argument used. When
// the value is missing, strMissing names the option.
bool TakeValue(const std::vector<std::string>& args, size_t& i, const std::string& name,
               std::string& value, std::string& strMissing)
{
    const std::string& arg = args[i];
    if (arg == name)
    {
        if (i + 1 == args.size())
        {
            strMissing = name;
            return false;
        }
        value = args[++i];
        return true;
    }
    if (arg.rfind(name + "=", 0) != 0)
        return false;
    value = arg.substr(name.size() + 1);
    return true;
}
} // namespace

CCliOptions ParseCliOptions(const std::vector<std::string>& args)
{
    CCliOptions options;
    auto fail = [&options](std::string message) {
        options.action = CCliOptions::usageError;
        options.strError = std::move(message);
        return options;
    };
    bool bOptionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        std::string value, strMissing;
        if (bOptionsEnded || arg.size() < 2 || arg[0] != '-')
        {
            options.playlists.push_back(arg);
            continue;
        }
        if (arg == "--")
            bOptionsEnded = true;
        else if (arg == "--help")
            options.action = CCliOptions::showHelp;
        else if (arg == "--version")
            options.action = CCliOptions::showVersion;
        else if (arg == "--open")
            options.bOpen = true;
        else if (TakeValue(args, i, "--codepage", value, strMissing))
        {
            if (!ParseCodePage(value, options.nCodePage))
                return fail("unsupported code page '" + value + "' (supported: " +
                            plat::SupportedCodePagesText() + ")");
        }
        else if (TakeValue(args, i, "--page", value, strMissing))
        {
            if (!ParsePageStyle(value, options.pageStyle))
                return fail("unknown page '" + value + "' (classic, table or none)");
        }
        else if (!strMissing.empty())
            return fail("option '" + strMissing + "' requires an argument");
        else
            return fail("unrecognized option '" + arg + "'");
    }
    if (options.action == CCliOptions::convert && options.playlists.empty())
        return fail("no playlist given");
    return options;
}

#include "Options.h"

#include <algorithm>
#include <charconv>
#include <functional>

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

// Adds the formats of a comma-separated list; false, naming it, at a name none has.
bool AddExports(const std::string& text, std::vector<const CExportFormat*>& exports,
                std::string& strUnknown)
{
    size_t nStart = 0;
    for (;;)
    {
        const size_t nEnd = std::min(text.find(',', nStart), text.size());
        const std::string name = text.substr(nStart, nEnd - nStart);
        const CExportFormat* pFormat = FindExportFormat(name);
        if (!pFormat)
        {
            strUnknown = name;
            return false;
        }
        if (std::find(exports.begin(), exports.end(), pFormat) == exports.end())
            exports.push_back(pFormat);
        if (nEnd == text.size())
            break;
        nStart = nEnd + 1;
    }
    // Written in the table's order, whatever order they were asked in: the pointers
    // stand in the one table, so their order is its order.
    std::sort(exports.begin(), exports.end(), std::less<const CExportFormat*>());
    return true;
}

// The names of the export formats, for a message: "xspf, m3u8 or csv".
std::string ExportNames()
{
    std::string names;
    const auto formats = ExportFormats();
    for (size_t i = 0; i < formats.size(); ++i)
    {
        if (i > 0)
            names += i + 1 == formats.size() ? " or " : ", ";
        names += formats[i].pszName;
    }
    return names;
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
        else if (arg == "--check")
            options.bCheck = true;
        else if (TakeValue(args, i, "--export", value, strMissing))
        {
            std::string strUnknown;
            if (!AddExports(value, options.exports, strUnknown))
                return fail("unknown export '" + strUnknown + "' (" + ExportNames() + ")");
        }
        else if (TakeValue(args, i, "--map", value, strMissing))
        {
            const size_t nEquals = value.find('=');
            if (nEquals == std::string::npos || nEquals == 0 || nEquals + 1 == value.size())
                return fail("--map takes FROM=TO, neither of them empty: '" + value + "'");
            options.moves.emplace_back(value.substr(0, nEquals), value.substr(nEquals + 1));
        }
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

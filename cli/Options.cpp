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
        else if (arg == "--codepage" || arg.rfind("--codepage=", 0) == 0)
        {
            std::string value;
            if (arg == "--codepage")
            {
                if (i + 1 == args.size())
                    return fail("option '--codepage' requires an argument");
                value = args[++i];
            }
            else
                value = arg.substr(sizeof "--codepage=" - 1);
            if (!ParseCodePage(value, options.nCodePage))
                return fail("unsupported code page '" + value +
                            "' (supported: 874, 932, 936, 949, 950, 1250 to 1258)");
        }
        else
            return fail("unrecognized option '" + arg + "'");
    }
    if (options.action == CCliOptions::convert && options.playlists.empty())
        return fail("no playlist given");
    return options;
}

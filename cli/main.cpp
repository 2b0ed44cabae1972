// sqk2xml-cli: the conversion command for scripts and batch work.
// Argument handling and reports only; the work is the converter's.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "CodePage.h"
#include "Console.h"
#include "ConvertCommand.h"
#include "Folder.h"
#include "Options.h"
#include "Utf8Text.h"

namespace
{
const char kProgram[] = "sqk2xml-cli";

const char kHelp[] =
    "Usage: sqk2xml-cli [--codepage N] [--page STYLE] [--export FORMATS] [--map FROM=TO]\n"
    "                   [--check] [--open] [--] PLAYLIST...\n"
    "Convert Sonquill playlists (.sqk) into XML documents, each with an HTML viewer page\n"
    "beside it, and print the path of the page (or of the XML document when no page\n"
    "could be written) for every playlist converted.\n"
    "\n"
    "  --codepage N  read the playlists as text in Windows code page N; without it\n"
    "                the locale decides (on Windows, the system's ANSI code page).\n"
    "                N is one of: @CODE_PAGES@\n"
    "  --page STYLE  the viewer page: table (the default: a page that carries its\n"
    "                rows, which today's browsers show, sortable, filterable and\n"
    "                printable, with a CSV download), classic (the page that loads\n"
    "                the XML document through XML data islands, which only old\n"
    "                browsers have) or none (no page: the XML document is the\n"
    "                result)\n"
    "  --export FORMATS\n"
    "                also write the playlist for today's players, beside the XML\n"
    "                document: xspf, m3u8 or csv, comma-separated (--export m3u8,csv).\n"
    "                In the CSV, a text that a spreadsheet would run as a formula\n"
    "                (one that begins with =, +, -, @, a tab or a CR and is not a\n"
    "                plain number) is written behind a ', so that it stays text.\n"
    "  --map FROM=TO a library that has moved: every track path that starts with the\n"
    "                folder FROM starts with TO instead, in every file written\n"
    "                (--map 'C:\\Music=/home/me/Music'); the longest FROM that\n"
    "                matches wins; may be given more than once\n"
    "  --check       name on standard error each track whose file is not found here\n"
    "                (after --map), and the count for each playlist\n"
    "  --open        hand each result to the desktop to open it\n"
    "  --help        display this help and exit\n"
    "  --version     output version information and exit\n"
    "\n"
    "Paths and messages are printed as UTF-8; on a Windows console, as its own Unicode.\n"
    "\n"
    "Exit status: 0 when every playlist was converted, with every export asked for,\n"
    "1 when any was not, 2 for a usage error. Tracks not found do not change it.\n";

// The help with the list of code pages in its place.
std::string HelpText()
{
    std::string text = kHelp;
    const std::string_view placeholder = "@CODE_PAGES@";
    text.replace(text.find(placeholder), placeholder.size(), plat::SupportedCodePagesText());
    return text;
}

const char kVersion[] = "sqk2xml-cli 1.0\n"
                        "Copyright (C) 2026 the sqk2xml developers.\n"
                        "License MIT: this is free software, without any warranty.\n";

std::string ForDisplay(const CString& str)
{
    return plat::AnsiToUtf8(str.View());
}

// Set when a line of stdout could not be written.
bool g_bOutputFailed = false;

void Print(const std::string& text)
{
    g_bOutputFailed |= !plat::WriteText(stdout, text);
}

void Report(const std::string& message)
{
    plat::WriteText(stderr, std::string(kProgram) + ": " + message + "\n");
}

void Report(const std::string& name, const std::string& message)
{
    Report(name + ": " + message);
}

std::string RefusalText(const CConversionReport& report)
{
    const CFileException& error = report.refusal.error;
    switch (report.refusal.step)
    {
    case CBeginRefusal::playlistNotOpened:
        return "cannot open the playlist: " + ForDisplay(error.GetReason());
    case CBeginRefusal::notAPlaylist:
        return "not a Sonquill playlist: its first line is not \"#Sonquill playlist\"";
    case CBeginRefusal::xmlNotCreated:
        return "cannot create " + ForDisplay(report.strXmlPath) + ": " +
               ForDisplay(error.GetReason());
    }
    return "refused";
}

// The full path against the current folder, however long: the command's own resolution
// stops at 259 characters and would leave a long relative path to the folder of the
// previous playlist.
CString FullPathOf(const CString& strPath)
{
    std::vector<char> buffer(MAX_PATH);
    for (;;)
    {
        const unsigned n = plat::GetFullPathName(strPath, static_cast<unsigned>(buffer.size()),
                                                 buffer.data(), nullptr);
        if (n == 0)
            return strPath;
        if (n < buffer.size())
            return CString(buffer.data(), static_cast<int>(n));
        buffer.resize(n);
    }
}

// Converts one playlist; true when it was converted, with every export asked for.
bool ConvertOne(const std::string& arg, const CString& strFullPath, const CCliOptions& options,
                CRunOptions& runOptions)
{
    if (options.bCheck)
        runOptions.reportMissing = [&arg](std::string_view path) {
            plat::WriteText(stderr, arg + ": not found: " + std::string(path) + "\n");
        };
    try
    {
        const plat::ShellOpenFn shellOpen =
            options.bOpen ? plat::ShellOpenFn(plat::ShellOpen) : nullptr;
        const CConversionReport report =
            RunConversionCommand(strFullPath, shellOpen, options.pageStyle, &runOptions);
        if (report.outcome != CConversionReport::converted)
        {
            Report(arg, RefusalText(report));
            return false;
        }
        Print(ForDisplay(report.strTarget) + "\n");
        for (const CExportFailure& failure : report.exportFailures)
            Report(arg, "cannot write " + ForDisplay(failure.strPath) + ": " +
                            ForDisplay(failure.error.GetReason()));
        if (options.bCheck)
            plat::WriteText(stderr, arg + ": " + std::to_string(report.nMissing) + " of " +
                                        std::to_string(report.nTracks) + " tracks not found\n");
        return report.exportFailures.empty();
    }
    catch (const CFileException& e)
    {
        Report(arg, ForDisplay(e.m_strFileName) + ": " + ForDisplay(e.GetReason()));
        return false;
    }
}
} // namespace

int main(int argc, char** argv)
{
    plat::PrepareCommandLineProcess();

    const CCliOptions options = ParseCliOptions(plat::CommandLineArguments(argc, argv));
    switch (options.action)
    {
    case CCliOptions::usageError:
        Report(options.strError + "\nTry '" + kProgram + " --help' for more information.");
        return 2;
    case CCliOptions::showHelp:
        Print(HelpText());
        return std::fflush(stdout) == 0 && !g_bOutputFailed ? 0 : 1;
    case CCliOptions::showVersion:
        Print(kVersion);
        return std::fflush(stdout) == 0 && !g_bOutputFailed ? 0 : 1;
    case CCliOptions::convert:
        break;
    }
    if (options.nCodePage)
        plat::SetACP(options.nCodePage);
    CRunOptions runOptions;
    runOptions.exports = options.exports;
    for (const auto& [from, to] : options.moves)
        runOptions.pathMap.Add(from, to);

    // Every name is made full against the starting folder first: each conversion moves
    // the current folder to its playlist's folder.
    std::vector<CString> fullPaths;
    std::vector<bool> usable;
    for (const std::string& arg : options.playlists)
    {
        bool bLossy = false;
        const CString strName = plat::Utf8ToAnsi(arg, &bLossy);
        fullPaths.push_back(FullPathOf(strName));
        usable.push_back(!bLossy);
    }

    bool bAllConverted = true;
    for (size_t i = 0; i < options.playlists.size(); ++i)
    {
        if (!usable[i])
        {
            Report(options.playlists[i], "the name cannot be written in code page " +
                                             std::to_string(plat::GetACP()));
            bAllConverted = false;
            continue;
        }
        bAllConverted &= ConvertOne(options.playlists[i], fullPaths[i], options, runOptions);
        std::fflush(stdout);
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout) || g_bOutputFailed)
    {
        Report("cannot write the output");
        return 1;
    }
    return bAllConverted ? 0 : 1;
}

// sqk2xml-cli, run as a separate program.
#include <algorithm>
#include <filesystem>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include "CodePage.h"
#include "TestSupport.h"

using testsupport::Exists;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace
{
// What the program prints: its line ends are the system's own (CR LF on Windows, where
// stdout is a text stream), and so are the separators of the full paths it prints.
std::string Printed(std::string text)
{
#ifdef _WIN32
    text = testsupport::SystemPath(text);
    std::string out;
    for (char c : text)
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
#else
    return text;
#endif
}

const std::string kPlaylist =
    "#Sonquill playlist\r\nC:\\Music\\Caf\xE9.mp3\x01" "ATST:Andr\xE9 & Co\r\n";

class CliTest : public ::testing::Test
{
protected:
    testsupport::ProcessResult Cli(std::vector<std::string> args,
                                   const std::vector<std::string>& env = {"LANG=C.UTF-8"})
    {
        args.insert(args.begin(), SQK2XML_CLI);
        return testsupport::RunProgram(args, dir.Path(), env);
    }
    testsupport::TempDir dir;
};
} // namespace

TEST_F(CliTest, ConvertsAndPrintsThePage)
{
    WriteBytes(dir / "list.sqk", kPlaylist);
    auto result = Cli({"list.sqk"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, Printed(dir / "list.htm\n"));
    EXPECT_EQ(result.err, "");
    const std::string xml = ReadBytes(dir / "list.xml");
    EXPECT_EQ(testsupport::XmlProblems(xml), "");
    EXPECT_NE(xml.find("<ARTIST>Andr\xC3\xA9 &amp; Co</ARTIST>"), std::string::npos);
    // Without --page, the page that carries its rows.
    const std::string page = ReadBytes(dir / "list.htm");
    EXPECT_EQ(page.rfind("<!DOCTYPE html>\r\n", 0), 0u);
    EXPECT_NE(page.find("<tr><td>Caf\xC3\xA9<td>Andr\xC3\xA9 &amp; Co<td>"), std::string::npos);

    // The same page by name; the classic one to the byte.
    result = Cli({"--page", "table", "list.sqk"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(ReadBytes(dir / "list.htm"), page);
    result = Cli({"--page=classic", "list.sqk"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, Printed(dir / "list.htm\n"));
    EXPECT_EQ(ReadBytes(dir / "list.htm"), testsupport::ViewerPage("list.xml"));
    EXPECT_EQ(ReadBytes(dir / "list.xml"), xml);
}

TEST_F(CliTest, TheExampleGivesTheRecordedDocumentOnEverySystem)
{
    // The same bytes on POSIX and on Windows, apart from where the relative entries
    // resolve: the record has @DIR@ for the playlist's folder there.
    WriteBytes(dir / "party.sqk", ReadBytes(SQK2XML_EXAMPLE));
    const auto result = Cli({"--codepage", "1252", "--page", "classic", "party.sqk"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, Printed(dir / "party.htm\n"));
    std::string expected = ReadBytes(SQK2XML_EXAMPLE_XML);
    ASSERT_FALSE(expected.empty());
    for (size_t at; (at = expected.find("@DIR@")) != std::string::npos;)
    {
        const size_t end = expected.find('<', at);
        expected.replace(at, end - at,
                         testsupport::SystemPath(dir.Path() + expected.substr(at + 5, end - at - 5)));
    }
    EXPECT_EQ(ReadBytes(dir / "party.xml"), expected);
    EXPECT_EQ(ReadBytes(dir / "party.htm"), testsupport::ViewerPage("party.xml"));
}

TEST_F(CliTest, RefusedPlaylistsAreReportedAndTheRunGoesOn)
{
    testsupport::MakeFolder(dir / "a");
    testsupport::MakeFolder(dir / "b");
    WriteBytes(dir / "a/one.sqk", kPlaylist);
    WriteBytes(dir / "b/two.sqk", kPlaylist);
    WriteBytes(dir / "notes.sqk", "shopping list\r\n");
    WriteBytes(dir / "self.xml", kPlaylist);
    // Relative names are taken from the starting folder although each run moves it.
    const auto result =
        Cli({"a/one.sqk", "missing.sqk", "notes.sqk", "self.xml", "--", "b/two.sqk"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, Printed(dir / "a/one.htm\n" + dir / "b/two.htm\n"));
#ifdef _WIN32
    // The reasons are the system's own words: only the rest of each line is compared.
    const std::string lines[] = {
        "sqk2xml-cli: missing.sqk: cannot open the playlist: ",
        "\r\nsqk2xml-cli: notes.sqk: not a Sonquill playlist: its first line is not "
        "\"#Sonquill playlist\"\r\n",
        "sqk2xml-cli: self.xml: cannot create " + dir / "self.xml" + ": "};
    size_t at = 0;
    for (const std::string& line : lines)
    {
        const size_t found = result.err.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << "\nin\n" << result.err;
        at = found + line.size();
    }
#else
    EXPECT_EQ(result.err,
              "sqk2xml-cli: missing.sqk: cannot open the playlist: No such file or directory\n"
              "sqk2xml-cli: notes.sqk: not a Sonquill playlist: its first line is not "
              "\"#Sonquill playlist\"\n"
              "sqk2xml-cli: self.xml: cannot create " + dir / "self.xml" +
                  ": The file is in use by another program or another open\n");
#endif
    EXPECT_FALSE(Exists(dir / "notes.xml"));
    EXPECT_EQ(ReadBytes(dir / "self.xml"), kPlaylist);
}

TEST_F(CliTest, EndlessAndHugeFilesAreRefusedAtOnce)
{
    // A file of 300 MB without a line feed: a video or a disk image picked by mistake.
    WriteBytes(dir / "huge.sqk", "");
    std::filesystem::resize_file(dir / "huge.sqk", 300u << 20);
    std::vector<std::string> paths = {"huge.sqk"};
#ifndef _WIN32
    paths.insert(paths.end(), {"/dev/zero", "/dev/urandom"});
    // What refusing a small file takes: the program itself, which a checker's runtime in
    // the sanitizer build makes larger.
    WriteBytes(dir / "small.sqk", "not a playlist\n");
    const long nBaseKiB = Cli({"small.sqk"}).peakKiB;
    ASSERT_GT(nBaseKiB, 0);
#endif
    for (const std::string& path : paths)
    {
        SCOPED_TRACE(path);
        const auto result = Cli({path});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, Printed("sqk2xml-cli: " + path + ": not a Sonquill playlist: its "
                                      "first line is not \"#Sonquill playlist\"\n"));
#ifndef _WIN32 // Wine keeps no memory figures of a process that has ended
        EXPECT_LT(result.peakKiB, nBaseKiB + 4 * 1024); // a buffer, not the file
#endif
    }
}

TEST_F(CliTest, UsageErrors)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "no playlist given"},
        {{"--bogus", "x.sqk"}, "unrecognized option '--bogus'"},
        {{"--codepage"}, "option '--codepage' requires an argument"},
        {{"--codepage", "65001", "x.sqk"}, "unsupported code page '65001'"},
        {{"--codepage=12x", "x.sqk"}, "unsupported code page '12x'"},
        {{"x.sqk", "--page"}, "option '--page' requires an argument"},
        {{"--page", "fancy", "x.sqk"}, "unknown page 'fancy' (classic, table or none)"},
        {{"--page=", "x.sqk"}, "unknown page ''"},
        {{"--export", "xspf,mp3", "x.sqk"}, "unknown export 'mp3' (xspf, m3u8 or csv)"},
        {{"--export=", "x.sqk"}, "unknown export ''"},
        {{"--map", "C:\\Music", "x.sqk"}, "--map takes FROM=TO"},
        {{"--map", "=/srv", "x.sqk"}, "--map takes FROM=TO"},
        {{"--map=C:\\Music=", "x.sqk"}, "--map takes FROM=TO"},
    };
    for (const auto& [args, message] : cases)
    {
        SCOPED_TRACE(message);
        const auto result = Cli(args);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err.rfind("sqk2xml-cli: " + message, 0), 0u) << result.err;
        EXPECT_NE(result.err.find("Try 'sqk2xml-cli --help'"), std::string::npos);
    }
    auto result = Cli({"--version"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.rfind(Printed("sqk2xml-cli 1.0\n"), 0), 0u);
    result = Cli({"--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.rfind("Usage: sqk2xml-cli [--codepage N] [--page STYLE] [--export FORMATS]"
                               " [--map FROM=TO]" + Printed("\n"),
                               0),
              0u);
}

TEST_F(CliTest, ExportsMovesAndTheCheckEndToEnd)
{
    // Asked in any order and twice over, the exports come out once each. The map's FROM
    // takes whole components only: "C:\\Mus" moves nothing. The check names each track
    // not found, in order, and the count, without changing the exit status.
    WriteBytes(dir / "list.sqk", "#Sonquill playlist\r\nC:\\Music\\Caf\xE9.mp3\r\n"
                                 "C:\\Musicals\\b.mp3\r\nhere.mp3\r\n");
    WriteBytes(dir / "here.mp3", "");
    const std::string moved = dir / "Music";
    auto result = Cli({"--codepage", "1252", "--export", "csv,m3u8", "--export=xspf,csv",
                       "--map", "C:\\Mus=/nowhere", "--map", "c:/music=" + moved, "--check",
                       "list.sqk"});
    EXPECT_EQ(result.status, 0) << result.err;
    const std::string m3u8 = ReadBytes(dir / "list.m3u8");
    const std::string movedTrack = moved + (moved.find('\\') != std::string::npos ? "\\" : "/");
    EXPECT_NE(m3u8.find("\r\n" + movedTrack + "Caf\xC3\xA9.mp3\r\n"), std::string::npos) << m3u8;
    EXPECT_NE(m3u8.find("\r\nC:\\Musicals\\b.mp3\r\n"), std::string::npos) << m3u8;
    EXPECT_TRUE(Exists(dir / "list.xspf"));
    EXPECT_NE(ReadBytes(dir / "list.xml").find(movedTrack + "Caf\xC3\xA9.mp3"), std::string::npos);
    EXPECT_EQ(result.err, Printed("list.sqk: not found: " + movedTrack + "Caf\xC3\xA9.mp3\n"
                                  "list.sqk: not found: C:\\Musicals\\b.mp3\n"
                                  "list.sqk: 2 of 3 tracks not found\n"));

    // An export that cannot be written is named and fails the run; the others are whole.
    std::filesystem::remove(dir / "list.csv");
    testsupport::MakeFolder(dir / "list.csv");
    result = Cli({"--codepage", "1252", "--export", "xspf,csv", "list.sqk"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind("sqk2xml-cli: list.sqk: cannot write " + dir / "list.csv: ", 0), 0u)
        << result.err;
    EXPECT_NE(ReadBytes(dir / "list.xspf").find("</playlist>"), std::string::npos);
}

TEST_F(CliTest, HelpManualAndMessagesListTheSupportedCodePages)
{
    const std::string list = plat::SupportedCodePagesText();
    EXPECT_NE(Cli({"--help"}).out.find("N is one of: " + list + Printed("\n")), std::string::npos);
    EXPECT_NE(Cli({"--codepage", "1", "x.sqk"}).err.find("(supported: " + list + ")"),
              std::string::npos);
    // The manual wraps its lines: compare with its words run together.
    std::string manual = ReadBytes(SQK2XML_MAN_PAGE);
    std::replace(manual.begin(), manual.end(), '\n', ' ');
    EXPECT_NE(manual.find(list), std::string::npos);
}

TEST_F(CliTest, CodePageDecidesHowPlaylistsAreRead)
{
    // "\x93\xFA\x96\x7B" is Japanese under 932 and four Western letters under 1252.
    WriteBytes(dir / "jp.sqk", "#Sonquill playlist\r\nC:\\\x93\xFA\x96\x7B.mp3\r\n");
    auto result = Cli({"--codepage", "932", "jp.sqk"});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(ReadBytes(dir / "jp.xml").find("<TITLE>\xE6\x97\xA5\xE6\x9C\xAC</TITLE>"),
              std::string::npos);
    result = Cli({"--codepage", "1252", "jp.sqk"});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(ReadBytes(dir / "jp.xml").find("<TITLE>\xE2\x80\x9C\xC3\xBA\xE2\x80\x93{</TITLE>"),
              std::string::npos);
#ifndef _WIN32
    // Without the option the locale decides on POSIX (Windows has its own active page).
    result = Cli({"jp.sqk"}); // the C.UTF-8 locale means 1252
    EXPECT_NE(ReadBytes(dir / "jp.xml").find("<TITLE>\xE2\x80\x9C\xC3\xBA\xE2\x80\x93{</TITLE>"),
              std::string::npos);
    result = Cli({"jp.sqk"}, {"LANG=", "LC_ALL=ja_JP.UTF-8"});
    EXPECT_NE(ReadBytes(dir / "jp.xml").find("<TITLE>\xE6\x97\xA5\xE6\x9C\xAC</TITLE>"),
              std::string::npos);
#endif
}

TEST_F(CliTest, FileNamesCrossAsUtf8)
{
    const std::string name = "Caf\xC3\xA9";
    WriteBytes(dir / (name + ".sqk"), kPlaylist);
    auto result = Cli({"--codepage", "1252", "--page", "classic", name + ".sqk"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, Printed(dir / (name + ".htm\n")));
    EXPECT_TRUE(Exists(dir / (name + ".xml")));
    // The page names its XML file in the page's own ANSI text.
    EXPECT_EQ(ReadBytes(dir / (name + ".htm")), testsupport::ViewerPage("Caf\xE9.xml"));

    // A name the code page cannot write is refused with a reason, not misread.
    WriteBytes(dir / "\xE6\x97\xA5.sqk", kPlaylist);
    result = Cli({"--codepage", "1252", "\xE6\x97\xA5.sqk"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, Printed("sqk2xml-cli: \xE6\x97\xA5.sqk: the name cannot be written in "
                                  "code page 1252\n"));
    result = Cli({"--codepage", "932", "\xE6\x97\xA5.sqk"});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(Exists(dir / "\xE6\x97\xA5.xml"));
}

TEST_F(CliTest, TrailByteBackslashInAFolderName)
{
    // U+8868 is 0x95 0x5C in code page 932: its trail byte is a backslash, which must not
    // end the folder name where the playlist's folder and its relative entries are found.
    const std::string folder = "\xE8\xA1\xA8";
    testsupport::MakeFolder(dir / folder);
    WriteBytes(dir / folder + "/list.sqk", "#Sonquill playlist\r\nsong.mp3\r\n");
    const auto result = Cli({"--codepage", "932", testsupport::SystemPath(folder + "/list.sqk")});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, Printed(dir / folder + "/list.htm\n"));
    EXPECT_NE(ReadBytes(dir / folder + "/list.xml")
                  .find("<FILEPATH>" + testsupport::SystemPath(dir / folder + "/song.mp3") +
                        "</FILEPATH>"),
              std::string::npos);
}

TEST_F(CliTest, WriteFailureIsReportedAsAFailure)
{
#ifdef _WIN32
    GTEST_SKIP() << "POSIX only: needs a file-size limit (setrlimit)";
#else
    WriteBytes(dir / "big.sqk", testsupport::ManyEntries(3000));
    WriteBytes(dir / "small.sqk", kPlaylist);
    // The limit is inherited by the program, as with prlimit.
    const int status = testsupport::RunWithFileSizeLimit(20000, [&] {
        const auto result = Cli({"big.sqk", "small.sqk"});
        if (result.status != 1)
            return 1;
        if (result.err != "sqk2xml-cli: big.sqk: " + dir / "big.xml: File too large\n")
            return 2;
        return result.out == dir / "small.htm\n" ? 0 : 3;
    });
    EXPECT_EQ(status, 0);
#endif
}

TEST_F(CliTest, OpenHandsEachResultToTheDesktop)
{
#ifdef _WIN32
    GTEST_SKIP() << "POSIX only: the stand-in opener is a shell script on the PATH; under Wine the shell would start a real browser";
#else
    // A stand-in xdg-open on the PATH records what it was given.
    const std::string bin = dir / "bin";
    ASSERT_EQ(mkdir(bin.c_str(), 0755), 0);
    WriteBytes(bin + "/xdg-open", "#!/bin/sh\necho \"$@\" >> \"" + dir / "opened.txt\"\n");
    ASSERT_EQ(chmod((bin + "/xdg-open").c_str(), 0755), 0);
    WriteBytes(dir / "list.sqk", kPlaylist);
    WriteBytes(dir / "x.htm", kPlaylist);

    const auto result = Cli({"--open", "list.sqk", "x.htm", "missing.sqk"},
                            {"LANG=C.UTF-8", "PATH=" + bin + ":/usr/bin:/bin"});
    EXPECT_EQ(result.status, 1);
    // The opener runs detached; wait for it to have written both lines.
    std::string opened;
    for (int i = 0; i < 200 && std::count(opened.begin(), opened.end(), '\n') < 2; ++i)
    {
        usleep(10000);
        opened = ReadBytes(dir / "opened.txt");
    }
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = opened.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(opened.substr(start, end - start));
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{dir / "list.htm", dir / "x.xml"}));

    // Without --open nothing is handed over.
    WriteBytes(dir / "opened.txt", "");
    EXPECT_EQ(Cli({"list.sqk"}, {"LANG=C.UTF-8", "PATH=" + bin + ":/usr/bin:/bin"}).status, 0);
    usleep(200000);
    EXPECT_EQ(ReadBytes(dir / "opened.txt"), "");
#endif
}

// sqk2xml-cli, run as a separate program.
#include <algorithm>
#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "TestSupport.h"

using testsupport::Exists;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace
{
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
    const auto result = Cli({"list.sqk"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, dir / "list.htm\n");
    EXPECT_EQ(result.err, "");
    const std::string xml = ReadBytes(dir / "list.xml");
    EXPECT_EQ(testsupport::XmlProblems(xml), "");
    EXPECT_NE(xml.find("<ARTIST>Andr\xC3\xA9 &amp; Co</ARTIST>"), std::string::npos);
    EXPECT_EQ(ReadBytes(dir / "list.htm"), testsupport::ViewerPage("list.xml"));
}

TEST_F(CliTest, RefusedPlaylistsAreReportedAndTheRunGoesOn)
{
    ASSERT_EQ(mkdir((dir / "a").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir / "b").c_str(), 0755), 0);
    WriteBytes(dir / "a/one.sqk", kPlaylist);
    WriteBytes(dir / "b/two.sqk", kPlaylist);
    WriteBytes(dir / "notes.sqk", "shopping list\r\n");
    WriteBytes(dir / "self.xml", kPlaylist);
    // Relative names are taken from the starting folder although each run moves it.
    const auto result =
        Cli({"a/one.sqk", "missing.sqk", "notes.sqk", "self.xml", "--", "b/two.sqk"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, dir / "a/one.htm\n" + dir / "b/two.htm\n");
    EXPECT_EQ(result.err,
              "sqk2xml-cli: missing.sqk: cannot open the playlist: No such file or directory\n"
              "sqk2xml-cli: notes.sqk: not a Sonquill playlist: its first line is not "
              "\"#Sonquill playlist\"\n"
              "sqk2xml-cli: self.xml: cannot create " + dir / "self.xml" +
                  ": The file is in use by another program or another open\n");
    EXPECT_FALSE(Exists(dir / "notes.xml"));
    EXPECT_EQ(ReadBytes(dir / "self.xml"), kPlaylist);
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
    EXPECT_EQ(result.out.rfind("sqk2xml-cli 1.0\n", 0), 0u);
    result = Cli({"--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.rfind("Usage: sqk2xml-cli [--codepage N] [--page STYLE] [--open] [--] PLAYLIST...\n", 0), 0u);
}

TEST_F(CliTest, CodePageDecidesHowPlaylistsAreRead)
{
    // "\x93\xFA\x96\x7B" is Japanese under 932 and four Western letters under 1252.
    WriteBytes(dir / "jp.sqk", "#Sonquill playlist\r\nC:\\\x93\xFA\x96\x7B.mp3\r\n");
    auto result = Cli({"--codepage", "932", "jp.sqk"});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(ReadBytes(dir / "jp.xml").find("<TITLE>\xE6\x97\xA5\xE6\x9C\xAC</TITLE>"),
              std::string::npos);
    result = Cli({"jp.sqk"}); // the C.UTF-8 locale means 1252
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(ReadBytes(dir / "jp.xml").find("<TITLE>\xE2\x80\x9C\xC3\xBA\xE2\x80\x93{</TITLE>"),
              std::string::npos);
    result = Cli({"jp.sqk"}, {"LANG=", "LC_ALL=ja_JP.UTF-8"});
    EXPECT_NE(ReadBytes(dir / "jp.xml").find("<TITLE>\xE6\x97\xA5\xE6\x9C\xAC</TITLE>"),
              std::string::npos);
}

TEST_F(CliTest, FileNamesCrossAsUtf8)
{
    const std::string name = "Caf\xC3\xA9";
    WriteBytes(dir / (name + ".sqk"), kPlaylist);
    auto result = Cli({"--codepage", "1252", name + ".sqk"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, dir / (name + ".htm\n"));
    EXPECT_TRUE(Exists(dir / (name + ".xml")));
    // The page names its XML file in the page's own ANSI text.
    EXPECT_EQ(ReadBytes(dir / (name + ".htm")), testsupport::ViewerPage("Caf\xE9.xml"));

    // A name the code page cannot write is refused with a reason, not misread.
    WriteBytes(dir / "\xE6\x97\xA5.sqk", kPlaylist);
    result = Cli({"--codepage", "1252", "\xE6\x97\xA5.sqk"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "sqk2xml-cli: \xE6\x97\xA5.sqk: the name cannot be written in code page 1252\n");
    result = Cli({"--codepage", "932", "\xE6\x97\xA5.sqk"});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(Exists(dir / "\xE6\x97\xA5.xml"));
}

TEST_F(CliTest, WriteFailureIsReportedAsAFailure)
{
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
}

TEST_F(CliTest, OpenHandsEachResultToTheDesktop)
{
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
}

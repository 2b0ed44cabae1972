#include <cerrno>

#include <gtest/gtest.h>

#include "CodePage.h"
#include "ConvertCommand.h"
#include "Folder.h"
#include "TestSupport.h"

using testsupport::Exists;
using testsupport::SystemPath;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace
{
const std::string kPlaylist = "#Sonquill playlist\r\nC:\\Music\\Song.mp3\x01NAME:Song\r\n";

class ConvertCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        plat::SetACP(1252);
        ASSERT_TRUE(plat::SetCurrentDirectory(dir.Path().c_str()));
    }

    CConversionReport Run(const std::string& typed, CPageStyle style = kDefaultPageStyle)
    {
        return RunConversionCommand(
            typed.c_str(),
            [this](const CString& strTarget) { handedOver.emplace_back(strTarget.View()); },
            style);
    }

    testsupport::TempDir dir;
    std::vector<std::string> handedOver;
};
} // namespace

TEST(XmlPath, LastDotOfTheFinalComponentOnly)
{
    plat::SetACP(1252);
    const std::pair<const char*, const char*> cases[] = {
        {"/music/list.sqk", "/music/list.xml"},
        {"/music/list", "/music/list.xml"},
        {"/my.music/list", "/my.music/list.xml"},
        {"C:\\my.music\\list", "C:\\my.music\\list.xml"},
        {"C:\\music\\list.sqk", "C:\\music\\list.xml"},
        {"/music/list.old.sqk", "/music/list.old.xml"},
        {"/music/.sqk", "/music/.xml"},
        {"list", "list.xml"},
        {"/music/list.xml", "/music/list.xml"},
    };
    for (const auto& [playlist, xml] : cases)
    {
        SCOPED_TRACE(playlist);
        EXPECT_EQ(XmlPathFor(playlist).View(), xml);
    }
    // Under 932 a lead byte before '/' does not hide the folder's end; a trail byte 0x5C
    // is no folder separator.
    plat::SetACP(932);
    EXPECT_EQ(XmlPathFor("/a.b\x81/list").View(), "/a.b\x81/list.xml");
    EXPECT_EQ(XmlPathFor("C:\\a.b\x95\x5C" "c").View(), "C:\\a.xml");
}

TEST_F(ConvertCommandTest, ConvertsAndHandsOverThePage)
{
    WriteBytes(dir / "list.sqk", kPlaylist);
    const CConversionReport report = Run(dir / "list.sqk");
    EXPECT_EQ(report.outcome, CConversionReport::converted);
    EXPECT_EQ(handedOver, std::vector<std::string>{dir / "list.htm"});
    // The page that carries its rows, unless another is asked for.
    const std::string page = ReadBytes(dir / "list.htm");
    EXPECT_EQ(page.rfind("<!DOCTYPE html>\r\n", 0), 0u);
    EXPECT_NE(page.find("<tr><td>Song<td>"), std::string::npos);
    const std::string xml = ReadBytes(dir / "list.xml");
    EXPECT_EQ(testsupport::XmlProblems(xml), "");
    EXPECT_NE(xml.find("<TITLE>Song</TITLE>"), std::string::npos);

    // Again, with the classic page: both files rewritten, the same page handed over a
    // second time.
    WriteBytes(dir / "list.htm", "stale");
    Run(dir / "list.sqk", CPageStyle::classic);
    EXPECT_EQ(handedOver, (std::vector<std::string>{dir / "list.htm", dir / "list.htm"}));
    EXPECT_EQ(ReadBytes(dir / "list.htm"), testsupport::ViewerPage("list.xml"));
    EXPECT_EQ(ReadBytes(dir / "list.xml"), xml);
}

TEST_F(ConvertCommandTest, OutputNamesComeFromTheFinalComponent)
{
    testsupport::MakeFolder(dir / "my.music");
    WriteBytes(dir / "my.music/list", kPlaylist);
    Run(dir / "my.music/list");
    EXPECT_TRUE(Exists(dir / "my.music/list.xml"));
    EXPECT_EQ(handedOver, std::vector<std::string>{SystemPath(dir / "my.music/list.htm")});
    EXPECT_FALSE(Exists(dir / "my.xml"));
    EXPECT_FALSE(Exists(dir / "my.htm"));
}

TEST_F(ConvertCommandTest, RelativePathsResolveBeforeTheFolderChanges)
{
    testsupport::MakeFolder(dir / "music");
    WriteBytes(dir / "music/list.sqk", kPlaylist);
    WriteBytes(dir / "music/other.sqk", kPlaylist);
    // Typed with a backslash as on the original system, relative to the current folder.
    CConversionReport report = Run("music\\list.sqk");
    EXPECT_EQ(report.outcome, CConversionReport::converted);
    EXPECT_EQ(report.strXmlPath.View(), SystemPath(dir / "music/list.xml"));
    EXPECT_TRUE(Exists(dir / "music/list.xml"));
    EXPECT_FALSE(Exists(dir / "music/music"));
    // The folder change outlasts the run: the next relative path is taken from there.
    report = Run("other.sqk");
    EXPECT_EQ(report.outcome, CConversionReport::converted);
    EXPECT_EQ(handedOver,
              (std::vector<std::string>{SystemPath(dir / "music/list.htm"),
                                        SystemPath(dir / "music/other.htm")}));
}

TEST_F(ConvertCommandTest, RefusalsWriteNothingAndHandNothingOver)
{
    // Empty: nothing at all.
    EXPECT_EQ(Run("").outcome, CConversionReport::emptyPath);
    // Blanks are a name like any other, and no such playlist exists.
    CConversionReport report = Run("   ");
    EXPECT_EQ(report.outcome, CConversionReport::refused);
    EXPECT_EQ(report.refusal.step, CBeginRefusal::playlistNotOpened);
#ifndef _WIN32
    EXPECT_EQ(report.refusal.error.m_lOsError, ENOENT); // Windows drops trailing blanks
#endif
    // Not a playlist.
    WriteBytes(dir / "notes.sqk", "#Some other list\r\n");
    EXPECT_EQ(Run(dir / "notes.sqk").refusal.step, CBeginRefusal::notAPlaylist);
    EXPECT_FALSE(Exists(dir / "notes.xml"));
    // A playlist named .xml is its own output and stays untouched.
    WriteBytes(dir / "x.xml", kPlaylist);
    report = Run(dir / "x.xml");
    EXPECT_EQ(report.refusal.step, CBeginRefusal::xmlNotCreated);
    EXPECT_EQ(report.refusal.error.m_cause, CFileException::sharingViolation);
    EXPECT_EQ(ReadBytes(dir / "x.xml"), kPlaylist);
    EXPECT_TRUE(handedOver.empty());
}

TEST_F(ConvertCommandTest, WithoutAPageTheXmlIsHandedOver)
{
    WriteBytes(dir / "x.htm", kPlaylist);
    const CConversionReport report = Run(dir / "x.htm");
    EXPECT_EQ(report.outcome, CConversionReport::converted);
    EXPECT_EQ(handedOver, std::vector<std::string>{dir / "x.xml"});
    EXPECT_EQ(ReadBytes(dir / "x.htm"), kPlaylist);
}

TEST_F(ConvertCommandTest, FileExceptionLeavesTheCommandWithoutAHandOver)
{
#ifdef _WIN32
    GTEST_SKIP() << "POSIX only: needs a file-size limit (setrlimit)";
#else
    const std::string playlist = testsupport::ManyEntries(3000);
    WriteBytes(dir / "list.sqk", playlist);
    const int status = testsupport::RunWithFileSizeLimit(30000, [&] {
        try
        {
            Run(dir / "list.sqk");
            return 1;
        }
        catch (const CFileException& e)
        {
            if (e.m_strFileName.View() != dir / "list.xml")
                return 2;
            return handedOver.empty() ? 0 : 3;
        }
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadBytes(dir / "list.sqk"), playlist);
#endif
}

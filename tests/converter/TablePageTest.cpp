// The table page as written: its rows, and the rules it shares with the classic page.
// What a browser makes of it is tested in tests/browser.
#include <cerrno>
#ifndef _WIN32
#include <unistd.h> // symlink
#endif

#include <gtest/gtest.h>

#include "CodePage.h"
#include "ConvertCommand.h"
#include "Folder.h"
#include "TestSupport.h"
#include "TrackFields.h"

using testsupport::Exists;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace
{
class TablePageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        plat::SetACP(1252);
        ASSERT_TRUE(plat::SetCurrentDirectory(dir.Path().c_str()));
    }

    CConversionReport Run(const std::string& playlist, CPageStyle style)
    {
        return RunConversionCommand(playlist.c_str(), nullptr, style);
    }

    static size_t Count(const std::string& text, const std::string& what)
    {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }

    testsupport::TempDir dir;
};
} // namespace

TEST_F(TablePageTest, OneRowPerTrackInThePageColumnsInBlocksOf250)
{
    // The first entry has every tag, each value naming its element with characters that
    // need encoding; then 250 entries with a path only, which fill the first block.
    std::string playlist = "#Sonquill playlist\r\nC:\\m\\a.mp3";
    std::string firstRow = "<tr>";
    for (const CTrackField& field : kTrackFields)
    {
        const bool bType = field.kind == CFieldKind::typeNumber;
        playlist += std::string("\x01") + field.pszTag + ":" +
                    (bType ? "7" : std::string(field.pszElement) + " <&\xE9>");
    }
    for (const CTrackField& field : kPageColumns)
    {
        const bool bType = field.kind == CFieldKind::typeNumber;
        firstRow += std::string("<td>") +
                    (bType ? "MP3" : std::string(field.pszElement) + " &lt;&amp;\xC3\xA9&gt;");
    }
    firstRow += "</tr>\r\n";
    playlist += "\r\n";
    for (int i = 0; i < 250; ++i)
        playlist += "C:\\m\\" + std::to_string(i) + ".mp3\r\n";
    WriteBytes(dir / "list.sqk", playlist);

    const CConversionReport report = Run(dir / "list.sqk", CPageStyle::table);
    EXPECT_EQ(report.strTarget.View(), dir / "list.htm");
    const std::string page = ReadBytes(dir / "list.htm");
    EXPECT_EQ(page.rfind("<!DOCTYPE html>\r\n", 0), 0u);
    EXPECT_NE(page.find("<title>list.xml</title>"), std::string::npos);
    EXPECT_NE(page.find("<noscript>\r\n<div class=c><table>\r\n" + firstRow), std::string::npos);
    // A path alone: the title from the file name, every other cell empty.
    EXPECT_NE(page.find("<tr><td>0<td><td><td><td><td><td><td><td><td><td><td></tr>\r\n"),
              std::string::npos);
    // The 251st row opens the second block.
    EXPECT_NE(page.find("<td>248<td><td><td><td><td><td><td><td><td><td><td></tr>\r\n"
                        "</table></div>\r\n<div class=c><table>\r\n"
                        "<tr><td>249<td><td><td><td><td><td><td><td><td><td><td></tr>\r\n"
                        "</table></div>\r\n</noscript>\r\n<script>"),
              std::string::npos);
    EXPECT_EQ(Count(page, "<tr><td>"), 251u);
    EXPECT_EQ(Count(page, "<div class=c>"), 2u);
    EXPECT_EQ(page.substr(page.size() - 29), "</script>\r\n</body>\r\n</html>\r\n");

    // The XML document is the same whichever page is written.
    const std::string xml = ReadBytes(dir / "list.xml");
    Run(dir / "list.sqk", CPageStyle::classic);
    EXPECT_EQ(ReadBytes(dir / "list.xml"), xml);
    EXPECT_EQ(ReadBytes(dir / "list.htm"), testsupport::ViewerPage("list.xml"));
}

TEST_F(TablePageTest, WrittenUnderTheRulesOfTheClassicPage)
{
    const std::string playlist = "#Sonquill playlist\r\nC:\\m\\a.mp3\r\n";

    // The playlist's own name: the run holds it open, so the page's open is refused before
    // anything is emptied; the XML document is handed over instead.
    WriteBytes(dir / "self.htm", playlist);
    CConversionReport report = Run(dir / "self.htm", CPageStyle::table);
    EXPECT_EQ(report.strTarget.View(), dir / "self.xml");
    EXPECT_EQ(ReadBytes(dir / "self.htm"), playlist);

    // No page at all: an existing one is left alone.
    WriteBytes(dir / "list.sqk", playlist);
    WriteBytes(dir / "list.htm", "kept");
    report = Run(dir / "list.sqk", CPageStyle::none);
    EXPECT_EQ(report.outcome, CConversionReport::converted);
    EXPECT_EQ(report.strTarget.View(), dir / "list.xml");
    EXPECT_EQ(ReadBytes(dir / "list.htm"), "kept");
    WriteBytes(dir / "other.sqk", playlist);
    Run(dir / "other.sqk", CPageStyle::none);
    EXPECT_TRUE(Exists(dir / "other.xml"));
    EXPECT_FALSE(Exists(dir / "other.htm"));
}

TEST_F(TablePageTest, TitleIsTheXmlNameConvertedAndEscaped)
{
    const std::string playlist = "#Sonquill playlist\r\n";
#ifdef _WIN32 // a Windows name holds no < > "
    const std::string marks = "&", escaped = "&amp;";
#else
    const std::string marks = "<&> \"q\"", escaped = "&lt;&amp;&gt; &quot;q&quot;";
#endif
    // The run takes the name in 1252, the file system has it in UTF-8.
    WriteBytes(dir / ("Caf\xC3\xA9 " + marks + ".sqk"), playlist);
    Run(dir / ("Caf\xE9 " + marks + ".sqk"), CPageStyle::table);
    const std::string page = ReadBytes(dir / ("Caf\xC3\xA9 " + marks + ".htm"));
    EXPECT_NE(page.find("<title>Caf\xC3\xA9 " + escaped + ".xml</title>"), std::string::npos);
}

#ifndef _WIN32
TEST_F(TablePageTest, WriteErrorOfThePageIsRaised)
{
    WriteBytes(dir / "list.sqk", testsupport::ManyEntries(10));
    ASSERT_EQ(symlink("/dev/full", (dir / "list.htm").c_str()), 0);
    try
    {
        Run(dir / "list.sqk", CPageStyle::table);
        ADD_FAILURE() << "no error";
    }
    catch (const CFileException& e)
    {
        EXPECT_EQ(e.m_strFileName.View(), dir / "list.htm");
        EXPECT_EQ(e.m_lOsError, ENOSPC);
    }
    // The XML document was complete before the page was finished.
    EXPECT_EQ(testsupport::XmlProblems(ReadBytes(dir / "list.xml")), "");
}
#endif

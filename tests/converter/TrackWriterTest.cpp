#include <gtest/gtest.h>

#include "CodePage.h"
#include "PlaylistConverter.h"
#include "TestSupport.h"

namespace
{
class TrackWriterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        plat::SetACP(1252);
        ASSERT_TRUE(converter.m_fileOut.Open((dir / "out.xml").c_str(),
                                             CPlaylistConverter::kCreateExclusive));
    }
    std::string Written()
    {
        converter.m_fileOut.Close();
        return testsupport::ReadBytes(dir / "out.xml");
    }
    testsupport::TempDir dir;
    CPlaylistConverter converter;
};
} // namespace

TEST_F(TrackWriterTest, OnlyAPathGivesThreeLines)
{
    converter.m_strFilePath = "C:\\Music\\a.mp3";
    converter.WriteTrack();
    EXPECT_EQ(Written(), "\t<TRACK>\r\n\t\t<FILEPATH>C:\\Music\\a.mp3</FILEPATH>\r\n\t</TRACK>\r\n");
}

TEST_F(TrackWriterTest, ChildrenComeInFixedOrderWhateverOrderTheyWereSet)
{
    // Set in the reverse of the output order, each value naming its element.
    converter.m_strDuration = "DURATION";
    converter.m_strBitrate = "BITRATE";
    converter.m_strChannels = "CHANNELS";
    converter.m_strSampRate = "SAMPRATE";
    converter.m_strTrackNum = "TRACKNUM";
    converter.m_strYear = "YEAR";
    converter.m_strGenre = "GENRE";
    converter.m_strAlbum = "ALBUM";
    converter.m_strTitle = "TITLE";
    converter.m_strArtist = "ARTIST";
    converter.m_strFileType = "FILETYPE";
    converter.m_strFileSize = "FILESIZE";
    converter.m_strFilePath = "FILEPATH";
    converter.WriteTrack();

    std::string expected = "\t<TRACK>\n";
    for (const char* tag : {"FILEPATH", "FILESIZE", "FILETYPE", "ARTIST", "TITLE", "ALBUM",
                            "GENRE", "YEAR", "TRACKNUM", "SAMPRATE", "CHANNELS", "BITRATE",
                            "DURATION"})
        expected += std::string("\t\t<") + tag + ">" + tag + "</" + tag + ">\n";
    expected += "\t</TRACK>\n";
    std::string onDisk;
    for (char c : expected)
        onDisk += c == '\n' ? std::string("\r\n") : std::string(1, c);
    // The element is built whole, its line ends as the file writes them, before its one
    // write.
    EXPECT_EQ(converter.m_strWork.View(), onDisk);
    EXPECT_EQ(Written(), onDisk);
}

TEST_F(TrackWriterTest, ValuesAreWrittenAsEncodedAndEmptyOnesAreLeftOut)
{
    converter.m_strFilePath = "C:\\Music\\R&B.mp3";
    converter.m_strFileType = "MP3";
    converter.m_strTitle = "R&B";
    converter.EncodeText(converter.m_strFilePath);
    converter.EncodeText(converter.m_strTitle);
    converter.WriteTrack();
    EXPECT_EQ(Written(), testsupport::CrLfLines({"\t<TRACK>",
                                                  "\t\t<FILEPATH>C:\\Music\\R&amp;B.mp3</FILEPATH>",
                                                  "\t\t<FILETYPE>MP3</FILETYPE>",
                                                  "\t\t<TITLE>R&amp;B</TITLE>", "\t</TRACK>"}));
}

TEST(AppendElement, AppendsOneLineOnlyForAValue)
{
    CPlaylistConverter converter;
    CString target = "x";
    converter.AppendElement(target, "YEAR", "");
    EXPECT_EQ(target.View(), "x");
    converter.AppendElement(target, "YEAR", "1999");
    converter.AppendElement(target, "GENRE", "&amp;");
    EXPECT_EQ(target.View(), "x\t\t<YEAR>1999</YEAR>\n\t\t<GENRE>&amp;</GENRE>\n");
}

#include <gtest/gtest.h>

#include "CodePage.h"
#include "PlaylistConverter.h"
#include "TestSupport.h"

using testsupport::SystemPath;

namespace
{
using Children = std::vector<std::pair<std::string, std::string>>;

// A TRACK element as it stands on disk; children in the order given.
std::string Track(const Children& children)
{
    std::string text = "\t<TRACK>\r\n";
    for (const auto& [tag, value] : children)
        text += "\t\t<" + tag + ">" + value + "</" + tag + ">\r\n";
    return text + "\t</TRACK>\r\n";
}

class PlaylistParserTest : public testsupport::FolderTest
{
protected:

    // Converts a playlist of the given entry lines (CR LF after each) and returns its XML.
    std::string ConvertLines(const std::vector<std::string>& lines)
    {
        testsupport::WriteBytes(dir / "list.sqk",
                                "#Sonquill playlist\r\n" + testsupport::CrLfLines(lines));
        CPlaylistConverter converter;
        EXPECT_TRUE(converter.BeginConversion((dir / "list.sqk").c_str(), (dir / "list.xml").c_str()));
        while (converter.ConvertNextEntry())
        {
        }
        converter.EndConversion();
        const std::string xml = testsupport::ReadBytes(dir / "list.xml");
        EXPECT_EQ(testsupport::XmlProblems(xml), "");
        return xml;
    }

    void ExpectTracks(const std::string& line, const std::string& tracks)
    {
        SCOPED_TRACE(line);
        EXPECT_EQ(ConvertLines({line}), testsupport::XmlDocument(tracks));
    }
};
} // namespace

TEST_F(PlaylistParserTest, EntryLines)
{
    const std::string here = dir.Path();
    struct Case
    {
        std::string line;
        std::string tracks;
    };
    const Case cases[] = {
        {"C:\\Music\\Song.mp3", Track({{"FILEPATH", "C:\\Music\\Song.mp3"}, {"TITLE", "Song"}})},
        {"C:\\Music\\Song.mp3\x01SIZE:512\x01TYPE:7",
         Track({{"FILEPATH", "C:\\Music\\Song.mp3"},
                {"FILESIZE", "512"},
                {"FILETYPE", "MP3"},
                {"TITLE", "Song"}})},
        {"", ""},
        {"\x01NAME:Blue", ""},
        {"C:\\a\\b.mp3\x01NAME:", Track({{"FILEPATH", "C:\\a\\b.mp3"}, {"TITLE", "b"}})},
        {"C:\\a\\b.mp3\x01NAME:x", Track({{"FILEPATH", "C:\\a\\b.mp3"}, {"TITLE", "x"}})},
        {"C:\\a\\b.mp3\x01name:Blue", Track({{"FILEPATH", "C:\\a\\b.mp3"}, {"TITLE", "b"}})},
        {"C:\\a\\b.mp3\x01NAME:One\x01NAME:Two", Track({{"FILEPATH", "C:\\a\\b.mp3"}, {"TITLE", "Two"}})},
        {"C:\\a\\b.mp3\x01TYPE:7\x01TYPE:99",
         Track({{"FILEPATH", "C:\\a\\b.mp3"}, {"FILETYPE", "MP3"}, {"TITLE", "b"}})},
        {"C:\\a\\b.mp3\x01TYPE:7x",
         Track({{"FILEPATH", "C:\\a\\b.mp3"}, {"FILETYPE", "MP3"}, {"TITLE", "b"}})},
        {"C:\\a\\b.mp3\x01TYPE: 7",
         Track({{"FILEPATH", "C:\\a\\b.mp3"}, {"FILETYPE", "MP3"}, {"TITLE", "b"}})},
        {"C:\\a\\b.mp3\x01TYPE:\t+7",
         Track({{"FILEPATH", "C:\\a\\b.mp3"}, {"FILETYPE", "MP3"}, {"TITLE", "b"}})},
        {"C:\\a\\b.mp3\x01TYPE:-7", Track({{"FILEPATH", "C:\\a\\b.mp3"}, {"TITLE", "b"}})},
        {"C:\\a\\b.mp3\x01TYPE:99999999999999999999",
         Track({{"FILEPATH", "C:\\a\\b.mp3"}, {"TITLE", "b"}})},
        {"C:\\a\\b.mp3\x01NAME&", Track({{"FILEPATH", "C:\\a\\b.mp3"}, {"TITLE", "amp;"}})},
        {"C:\\a\\b.mp3\x01" "ATST:R&B",
         Track({{"FILEPATH", "C:\\a\\b.mp3"}, {"ARTIST", "R&amp;B"}, {"TITLE", "b"}})},
        // The title comes from the path alone, never from a segment.
        {"C:\\Music\\Song.mp3\x01" "ALBM:Vol. 2",
         Track({{"FILEPATH", "C:\\Music\\Song.mp3"}, {"TITLE", "Song"}, {"ALBUM", "Vol. 2"}})},
        {"C:\\My.Music\\Track01\x01SIZE:512",
         Track({{"FILEPATH", "C:\\My.Music\\Track01"}, {"FILESIZE", "512"}, {"TITLE", "Track01"}})},
        {"C:\\a\\b.mp3\x01GENR:x\\y.z", Track({{"FILEPATH", "C:\\a\\b.mp3"}, {"TITLE", "b"}, {"GENRE", "x\\y.z"}})},
        {"Song.mp3\x01SIZE:512", Track({{"FILEPATH", SystemPath(here + "/Song.mp3")}, {"FILESIZE", "512"}})},
        {"C:\\Music\\.hidden", Track({{"FILEPATH", "C:\\Music\\.hidden"}, {"TITLE", ".hidden"}})},
        {"music/sub/Song.ogg", Track({{"FILEPATH", SystemPath(here + "/music/sub/Song.ogg")}, {"TITLE", "Song"}})},
        {"#not a comment", Track({{"FILEPATH", SystemPath(here + "/#not a comment")}})},
        {"C:\\a\\b.mp3\x01\x01SIZE:1",
         Track({{"FILEPATH", "C:\\a\\b.mp3"}, {"FILESIZE", "1"}, {"TITLE", "b"}})},
        {"C:\\a\\b.mp3\x01", Track({{"FILEPATH", "C:\\a\\b.mp3"}, {"TITLE", "b"}})},
        // The value starts after the fifth character, however many bytes it became.
        {"C:\\a\\b.mp3\x01NAME\xE9x", Track({{"FILEPATH", "C:\\a\\b.mp3"}, {"TITLE", "x"}})},
        {"C:\\a\\b.mp3\x01NAME\x02x", Track({{"FILEPATH", "C:\\a\\b.mp3"}, {"TITLE", "x"}})},
        {"C:\\a\\b.mp3\x01NAME\xE9", Track({{"FILEPATH", "C:\\a\\b.mp3"}, {"TITLE", "b"}})},
        {"C:\\a\\Caf\xE9.mp3\x01" "ALBM:<Cr\xE8me>",
         Track({{"FILEPATH", "C:\\a\\Caf\xC3\xA9.mp3"}, {"TITLE", "Caf\xC3\xA9"}, {"ALBUM", "&lt;Cr\xC3\xA8me&gt;"}})},
        {std::string("C:\\a\\b\0c.mp3", 12),
         Track({{"FILEPATH", "C:\\a\\b\xEF\xBF\xBD" "c.mp3"}, {"TITLE", "b\xEF\xBF\xBD" "c"}})},
        {"C:\\a\\b.mp3\x01TIME:1\x01" "CHNL:2\x01" "FREQ:3\x01RATE:4\x01TRKN:5\x01YEAR:6\x01GENR:7",
         Track({{"FILEPATH", "C:\\a\\b.mp3"}, {"TITLE", "b"}, {"GENRE", "7"}, {"YEAR", "6"},
                {"TRACKNUM", "5"}, {"SAMPRATE", "3"}, {"CHANNELS", "2"}, {"BITRATE", "4"},
                {"DURATION", "1"}})},
    };
    for (const Case& c : cases)
        ExpectTracks(c.line, c.tracks);
}

TEST_F(PlaylistParserTest, WindowsResolvesDrivesSharesAndBackslashes)
{
#ifndef _WIN32
    GTEST_SKIP() << "Windows only: drive letters, shares and backslashes are the system's";
#else
    const std::string here = dir.Path();
    const std::string drive = here.substr(0, 2); // the current folder's drive, "C:"
    const std::pair<std::string, std::string> cases[] = {
        {"music\\sub\\Song.ogg",
         Track({{"FILEPATH", here + "\\music\\sub\\Song.ogg"}, {"TITLE", "Song"}})},
        {"..\\up.mp3", Track({{"FILEPATH", here.substr(0, here.rfind('\\')) + "\\up.mp3"},
                              {"TITLE", "up"}})},
        {"\\rooted\\a.mp3", Track({{"FILEPATH", drive + "\\rooted\\a.mp3"}, {"TITLE", "a"}})},
        {"D:/Music/x.mp3", Track({{"FILEPATH", "D:\\Music\\x.mp3"}, {"TITLE", "x"}})},
        {"C:\\Music\\..\\Song.mp3", Track({{"FILEPATH", "C:\\Song.mp3"}, {"TITLE", "Song"}})},
        {"\\\\server\\share\\a.mp3",
         Track({{"FILEPATH", "\\\\server\\share\\a.mp3"}, {"TITLE", "a"}})},
    };
    for (const auto& [line, tracks] : cases)
        ExpectTracks(line, tracks);
#endif
}

TEST_F(PlaylistParserTest, EveryTypeNumber)
{
    const char* const names[] = {"",    "MOD", "MOD", "MOD", "S3M", "XM",  "IT",
                                 "MP3", "WAV", "OGG", "WMA", "FLAC", "URL", "MP4",
                                 "APE", "WV",  "MTM", "MPC", ""};
    for (int n = 0; n <= 18; ++n)
    {
        Children children = {{"FILEPATH", "C:\\a\\b.mp3"}};
        if (*names[n])
            children.push_back({"FILETYPE", names[n]});
        children.push_back({"TITLE", "b"});
        ExpectTracks("C:\\a\\b.mp3\x01TYPE:" + std::to_string(n), Track(children));
    }
}

TEST_F(PlaylistParserTest, EachLineStartsAfresh)
{
    // A skipped line writes nothing, and values never leak from one entry to the next.
    const std::string xml = ConvertLines({"C:\\a\\one.mp3\x01NAME:One\x01TYPE:7\x01SIZE:9",
                                          "", "\x01NAME:ghost", "C:\\a\\two.mp3"});
    EXPECT_EQ(xml, testsupport::XmlDocument(
                       Track({{"FILEPATH", "C:\\a\\one.mp3"}, {"FILESIZE", "9"},
                              {"FILETYPE", "MP3"}, {"TITLE", "One"}}) +
                       Track({{"FILEPATH", "C:\\a\\two.mp3"}, {"TITLE", "two"}})));
}

TEST_F(PlaylistParserTest, DoubleBytePathsKeepTheirTrailBytes)
{
    plat::SetACP(932);
    // 0x95 0x5C is one character; only the real backslashes separate folders.
    const std::string line = "\x95\x5C\\song.mp3\x01NAME\x81\x40x";
    EXPECT_EQ(ConvertLines({line}),
              testsupport::XmlDocument(Track({{"FILEPATH", SystemPath(dir.Path() + "/\xE8\xA1\xA8/song.mp3")},
                                              {"TITLE", "x"}})));
    EXPECT_EQ(ConvertLines({"C:\\\x95\x5C.mp3"}),
              testsupport::XmlDocument(Track({{"FILEPATH", "C:\\\xE8\xA1\xA8.mp3"},
                                              {"TITLE", "\xE8\xA1\xA8"}})));
}

TEST_F(PlaylistParserTest, FullPathLimit)
{
    // A full path of 259 characters is used; one of 260 does not fit, and the path is
    // written as read.
    const size_t nBase = dir.Path().size() + 1;
    const std::string fits(259 - nBase - 4, 'f');
    const std::string tooLong(260 - nBase - 4, 'g');
    EXPECT_EQ(ConvertLines({fits + ".mp3"}),
              testsupport::XmlDocument(Track({{"FILEPATH", dir / (fits + ".mp3")}})));
    EXPECT_EQ(ConvertLines({tooLong + ".mp3"}),
              testsupport::XmlDocument(Track({{"FILEPATH", tooLong + ".mp3"}})));
}

TEST_F(PlaylistParserTest, MegabyteLine)
{
    const std::string title(1 << 20, 't');
    EXPECT_EQ(ConvertLines({"C:\\a\\b.mp3\x01NAME:" + title}),
              testsupport::XmlDocument(Track({{"FILEPATH", "C:\\a\\b.mp3"}, {"TITLE", title}})));
}

// The exports as written, byte for byte, and the rules around them: moved libraries, the
// check of the tracks, and the files a run must never write over. What real players make
// of the files is tested in tests/exports.
#include <cctype>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "CodePage.h"
#include "ConvertCommand.h"
#include "ExportText.h"
#include "Folder.h"
#include "PathMap.h"
#include "Simd.h"
#include "TestSupport.h"

using testsupport::CrLfLines;
using testsupport::Exists;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace
{
class ExportTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(plat::SetCurrentDirectory(dir.Path().c_str())); }

    // Converts list.sqk with every export; false when the run was refused.
    bool Convert(UINT cp, const std::string& playlist, CPageStyle style = CPageStyle::none)
    {
        plat::SetACP(cp);
        WriteBytes(dir / "list.sqk", playlist);
        for (const CExportFormat& format : ExportFormats())
            options.exports.push_back(&format);
        report = RunConversionCommand((dir / "list.sqk").c_str(), nullptr, style, &options);
        return report.outcome == CConversionReport::converted;
    }

    // The full path that a relative entry resolves to, and its file: URI.
    std::string Resolved(const std::string& name)
    {
        char sz[MAX_PATH];
        const unsigned n = plat::GetFullPathName(name.c_str(), MAX_PATH, sz, nullptr);
        return std::string(sz, n);
    }
    static std::string UriOf(std::string path)
    {
        for (char& c : path)
            if (c == '\\')
                c = '/';
        return (path[0] == '/' ? "file://" : "file:///") + path;
    }

    testsupport::TempDir dir;
    CRunOptions options;
    CConversionReport report;
};

// An XSPF document of the playlist "list" around its tracks' lines, on disk.
std::string XspfDocument(std::vector<std::string> trackLines)
{
    trackLines.insert(trackLines.begin(),
                      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                       "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">",
                       "  <title>list</title>", "  <trackList>"});
    trackLines.insert(trackLines.end(), {"  </trackList>", "</playlist>"});
    return CrLfLines(trackLines);
}

// Every kind of value: all twelve tags, missing ones, markup, quotes and commas, a
// leading "=", "@", tab and "-5", a lone CR, a number with leading zeros and one that is
// none, a relative entry, a UNC path, and "#", "%", "[" and spaces in a path.
const std::string kPlaylist1252 =
    "#Sonquill playlist\r\n"
    "C:\\Music\\Jazz & Blues\\A b [live] #1 50%.mp3\x01NAME:Caf\xE9 <Live> & \"Co\""
    "\x01" "ATST:=SUM(A1)\x01" "ALBM:Al, \"bum\"\x01GENR:Jazz\x01YEAR:1999\x01TRKN:03"
    "\x01RATE:320\x01" "FREQ:44100\x01SIZE:5120000\x01" "CHNL:2\x01TIME:0185\x01TYPE:7\r\n"
    "\\\\server\\share\\x.mp3\x01" "ATST:-5\x01TIME:abc\x01TRKN:1/12\r\n"
    "rel.mp3\x01NAME:Rel\x01GENR:@home\x01TIME:0\r\n"
    "C:\\Music\\cr\\u.mp3\x01NAME:a\rb\x01" "ALBM:\tTab\r\n";
} // namespace

TEST_F(ExportTest, EveryFormatWritesEveryKindOfValue)
{
    ASSERT_TRUE(Convert(1252, kPlaylist1252));
    EXPECT_TRUE(report.exportFailures.empty());
    const std::string rel = Resolved("rel.mp3");
    EXPECT_EQ(ReadBytes(dir / "list.xspf"),
              XspfDocument({
                  "    <track>",
                  "      <location>file:///C:/Music/Jazz%20%26%20Blues/"
                  "A%20b%20%5Blive%5D%20%231%2050%25.mp3</location>",
                  "      <title>Caf\xC3\xA9 &lt;Live&gt; &amp; \"Co\"</title>",
                  "      <creator>=SUM(A1)</creator>",
                  "      <album>Al, \"bum\"</album>",
                  "      <trackNum>3</trackNum>",
                  "      <duration>185000</duration>",
                  "    </track>",
                  "    <track>",
                  "      <location>file://server/share/x.mp3</location>",
                  "      <title>x</title>",
                  "      <creator>-5</creator>",
                  "    </track>",
                  "    <track>",
                  "      <location>" + UriOf(rel) + "</location>",
                  "      <title>Rel</title>",
                  "      <duration>0</duration>",
                  "    </track>",
                  "    <track>",
                  "      <location>file:///C:/Music/cr/u.mp3</location>",
                  "      <title>a\rb</title>",
                  "      <album>\tTab</album>",
                  "    </track>",
              }));
    EXPECT_EQ(ReadBytes(dir / "list.m3u8"),
              CrLfLines({
                  "#EXTM3U",
                  "#EXTINF:185,=SUM(A1) - Caf\xC3\xA9 <Live> & \"Co\"",
                  "C:\\Music\\Jazz & Blues\\A b [live] #1 50%.mp3",
                  "#EXTINF:-1,-5 - x",
                  "\\\\server\\share\\x.mp3",
                  "#EXTINF:0,Rel",
                  rel,
                  "#EXTINF:-1,a b", // a line break in a value would start a line of its own
                  "C:\\Music\\cr\\u.mp3",
              }));
    EXPECT_EQ(ReadBytes(dir / "list.csv"),
              "\xEF\xBB\xBF" +
                  CrLfLines({
                      "FILEPATH,FILESIZE,FILETYPE,ARTIST,TITLE,ALBUM,GENRE,YEAR,TRACKNUM,"
                      "SAMPRATE,CHANNELS,BITRATE,DURATION",
                      "C:\\Music\\Jazz & Blues\\A b [live] #1 50%.mp3,5120000,MP3,'=SUM(A1),"
                      "\"Caf\xC3\xA9 <Live> & \"\"Co\"\"\",\"Al, \"\"bum\"\"\",Jazz,1999,03,44100,2,"
                      "320,0185",
                      "\\\\server\\share\\x.mp3,,,-5,x,,,,1/12,,,,abc",
                      rel + ",,,,Rel,,'@home,,,,,,0",
                      "C:\\Music\\cr\\u.mp3,,,,\"a\rb\",'\tTab,,,,,,,",
                  }));
}

// A path too long to be made full stays as the playlist gives it; one that begins with
// "#" must not become a directive of the M3U8.
TEST_F(ExportTest, AnM3u8PathLineNeverBeginsADirective)
{
    const std::string path = "#EXTINF:" + std::string(MAX_PATH, 'a') + ".mp3";
    ASSERT_TRUE(Convert(1252, "#Sonquill playlist\r\n" + path + "\x01TIME:5\r\n"));
    EXPECT_EQ(ReadBytes(dir / "list.m3u8"), CrLfLines({"#EXTM3U", "#EXTINF:5,", "./" + path}));
}

TEST_F(ExportTest, DoubleByteTextAndAMovedLibraryComeOutInUtf8)
{
    // 932: "C:\音楽\表\曲.mp3" (表 ends in the byte of '\'), 日本語, 歌手, half-width ｱﾙﾊﾞﾑ;
    // the map's FROM names the folder in UTF-8, and must not take "C:\音楽X".
    ASSERT_TRUE(options.pathMap.Add("C:\\\xE9\x9F\xB3\xE6\xA5\xBD", "/srv/\xE9\x9F\xB3\xE6\xA5\xBD"));
    ASSERT_TRUE(Convert(932, "#Sonquill playlist\r\n"
                             "C:\\\x89\xB9\x8A\x79\\\x95\x5C\\\x8B\xC8.mp3\x01NAME:\x93\xFA\x96\x7B"
                             "\x8C\xEA\x01" "ATST:\x89\xCC\x8E\xE8\x01" "ALBM:\xB1\xD9\xCA\xDE\xD1"
                             "\x01TIME:61\r\n"
                             "C:\\\x89\xB9\x8A\x79X\\y.mp3\r\n"));
    const std::string moved = "/srv/\xE9\x9F\xB3\xE6\xA5\xBD/\xE8\xA1\xA8/\xE6\x9B\xB2.mp3";
    const std::string kept = "C:\\\xE9\x9F\xB3\xE6\xA5\xBDX\\y.mp3";
    EXPECT_NE(ReadBytes(dir / "list.xml").find("<FILEPATH>" + moved + "</FILEPATH>"),
              std::string::npos);
    EXPECT_EQ(ReadBytes(dir / "list.xspf"),
              XspfDocument({
                  "    <track>",
                  "      <location>file:///srv/%E9%9F%B3%E6%A5%BD/%E8%A1%A8/%E6%9B%B2.mp3"
                  "</location>",
                  "      <title>\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E</title>",
                  "      <creator>\xE6\xAD\x8C\xE6\x89\x8B</creator>",
                  "      <album>\xEF\xBD\xB1\xEF\xBE\x99\xEF\xBE\x8A\xEF\xBE\x9E\xEF\xBE\x91</album>",
                  "      <duration>61000</duration>",
                  "    </track>",
                  "    <track>",
                  "      <location>file:///C:/%E9%9F%B3%E6%A5%BDX/y.mp3</location>",
                  "      <title>y</title>",
                  "    </track>",
              }));
    EXPECT_EQ(ReadBytes(dir / "list.m3u8"),
              CrLfLines({"#EXTM3U", "#EXTINF:61,\xE6\xAD\x8C\xE6\x89\x8B - \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",
                         moved, "#EXTINF:-1,y", kept}));
    EXPECT_EQ(ReadBytes(dir / "list.csv"),
              "\xEF\xBB\xBF" +
                  CrLfLines({"FILEPATH,FILESIZE,FILETYPE,ARTIST,TITLE,ALBUM,GENRE,YEAR,TRACKNUM,"
                             "SAMPRATE,CHANNELS,BITRATE,DURATION",
                             moved + ",,,\xE6\xAD\x8C\xE6\x89\x8B,\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E,"
                                     "\xEF\xBD\xB1\xEF\xBE\x99\xEF\xBE\x8A\xEF\xBE\x9E\xEF\xBE\x91,,,,,,,61",
                             kept + ",,,,y,,,,,,,,"}));
}

TEST(PathMap, WholeComponentsEitherSeparatorAnyCaseTheLongestFrom)
{
    CPathMap map;
    EXPECT_FALSE(map.Add("", "/x"));
    EXPECT_FALSE(map.Add("C:\\x", ""));
    ASSERT_TRUE(map.Add("C:\\Music", "/home/me/Music"));
    ASSERT_TRUE(map.Add("c:/music/jazz/", "D:\\Jazz\\")); // longer: wins where it matches
    ASSERT_TRUE(map.Add("\\\\nas\\A&B", "/mnt/a&b"));
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Music\\Pop\\a.mp3", "/home/me/Music/Pop/a.mp3"},
        {"c:/MUSIC/Pop\\a.mp3", "/home/me/Music/Pop/a.mp3"},
        {"C:\\Music", "/home/me/Music"},
        {"C:\\Music\\Jazz\\b.mp3", "D:\\Jazz\\b.mp3"},
        {"C:\\Musicals\\c.mp3", "C:\\Musicals\\c.mp3"}, // a prefix of a component only
        {"C:\\Mus\\d.mp3", "C:\\Mus\\d.mp3"},
        {"D:\\Music\\e.mp3", "D:\\Music\\e.mp3"},
        {"\\\\nas\\A&amp;B\\f.mp3", "/mnt/a&amp;b/f.mp3"}, // values are encoded: so are the moves
    };
    for (const auto& [path, expected] : cases)
    {
        SCOPED_TRACE(path);
        CString strPath = path;
        EXPECT_EQ(map.Apply(strPath), std::string_view(path) != expected);
        EXPECT_EQ(strPath.View(), expected);
    }
}

TEST(ExportText, CsvFieldsAreQuotedAndGuardedOnlyWhenTheyMustBe)
{
    const std::pair<const char*, const char*> cases[] = {
        {"plain", "plain"},
        {"", ""},
        {"-5", "-5"},
        {"+3.25", "+3.25"},
        {"-", "'-"},
        {"-5x", "'-5x"},
        {"=1+1", "'=1+1"},
        {"@x", "'@x"},
        {"a,b", "\"a,b\""},
        {"=a,b", "\"'=a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"R&amp;B &lt;1&gt;", "R&B <1>"},
        {"x&amp;amp;", "x&amp;"},
    };
    for (const auto& [value, field] : cases)
    {
        SCOPED_TRACE(value);
        CString strOut;
        const CString strValue(value);
        exporttext::AppendInPlace(strOut, exporttext::CsvFieldRoom(strValue.View().size()),
                                  [&](char* p) { return exporttext::PutCsvField(strValue, p); });
        EXPECT_EQ(strOut.View(), field);
    }
}

// Values are looked at and copied sixteen bytes at a time: what a value ends with, where
// a block ends, and what lies past the end in the string's storage must not matter.
TEST(ExportText, BlocksNeitherSplitNorOverrunAValue)
{
    // With the paths that compress bytes and without.
    for (const bool bCompress : {true, false})
    {
        simd::UseByteCompress(bCompress);
        SCOPED_TRACE(simd::ByteCompressUsed() ? "bytes compressed" : "blocks and bytes");
        const auto put = [](CPaddedText value, size_t nRoom, auto putValue)
        {
            CString strOut = "<";
            exporttext::AppendInPlace(strOut, nRoom + 1,
                                      [&](char* p)
                                      {
                                          p = putValue(value, p);
                                          *p++ = '>';
                                          return p;
                                      });
            return std::string(strOut.View());
        };
        const auto uri = [&](CPaddedText path)
        { return put(path, exporttext::FileUriRoom(path.size()), exporttext::PutFileUri); };
        const auto csv = [&](CPaddedText value)
        { return put(value, exporttext::CsvFieldRoom(value.size()), exporttext::PutCsvField); };
        //                   16 bytes:        |               |               |
        EXPECT_EQ(uri(CString("C:\\Music\\0123456 x\\Artist&amp;Co\\abc.mp3")),
                  "<file:///C:/Music/0123456%20x/Artist%26Co/abc.mp3>");
        EXPECT_EQ(uri(CString("C:\\Music\\Jazz\\abcdefghij\\0123456789abcdef.flac")),
                  "<file:///C:/Music/Jazz/abcdefghij/0123456789abcdef.flac>");
        EXPECT_EQ(uri(CString("C:\\M\\0123456789ab&lt;x&gt;.mp3")),
                  "<file:///C:/M/0123456789ab%3Cx%3E.mp3>");
        EXPECT_EQ(uri(CString("/home/me/Caf\xC3\xA9 \xE2\x80\x94 Trio ~ 2_1.mp3")),
                  "<file:///home/me/Caf%C3%A9%20%E2%80%94%20Trio%20~%202_1.mp3>");
        EXPECT_EQ(
            uri(CString("C:\\\xC3\x84\xC3\x84\xC3\x84\\\xC3\x9C\xC3\x9C \xC3\x96\\x.mp3")),
            "<file:///C:/%C3%84%C3%84%C3%84/%C3%9C%C3%9C%20%C3%96/x.mp3>"); // a block of letters to
                                                                            // encode
        EXPECT_EQ(csv(CString("abcdefghijklmnopqrstuvwxyz0123456789,")),
                  "<\"abcdefghijklmnopqrstuvwxyz0123456789,\">");
        EXPECT_EQ(csv(CString("abcdefghijklmnop&amp;q")), "<abcdefghijklmnop&q>");
        // A quoted field's runs between escapes and quotes, across blocks.
        EXPECT_EQ(csv(CString("0123456789abcdef\"q\"&amp;, tail &lt;0123456789abcdefgh\"")),
                  "<\"0123456789abcdef\"\"q\"\"&, tail <0123456789abcdefgh\"\"\">");
        // A line break among escapes still becomes a space.
        const auto oneLine = [&](CPaddedText value) {
            return put(value, exporttext::UnescapedRoom(value.size()),
                       exporttext::PutUnescapedOnOneLine);
        };
        EXPECT_EQ(oneLine(CString("Tom &amp; Jerry\r0123456789abcdef&gt;")),
                  "<Tom & Jerry 0123456789abcdef>>");
        EXPECT_EQ(oneLine(CString("0123456789abcdef&amp;\n")), "<0123456789abcdef& >");

        // Every byte value, at every place in a block: what a URI keeps, and "%XX" for the rest.
        std::string path = "x/", expected = "<x/";
        for (int b = 0; b < 256; ++b)
        {
            if (b == '&')
                continue; // the values' escapes begin with it
            path += static_cast<char>(b);
            const bool bKept = std::isalnum(b) != 0 && b < 0x80;
            if (bKept ||
                std::string_view("-._~/").find(static_cast<char>(b)) != std::string_view::npos)
                expected += static_cast<char>(b);
            else if (b == '\\')
                expected += '/';
            else
                expected +=
                    "%" + std::string(1, "0123456789ABCDEF"[b >> 4]) + "0123456789ABCDEF"[b & 15];
        }
        EXPECT_EQ(uri(CString(path.data(), static_cast<int>(path.size()))), expected + ">");

        // A value that is a part of a longer text: what follows it is no part of it.
        const CString strLine = "abcdefghijklmnopq, \"&amp;\r\n";
        EXPECT_EQ(csv(CPaddedText(strLine).Sub(0, 17)), "<abcdefghijklmnopq>");
        EXPECT_EQ(csv(CPaddedText(strLine).Sub(0, 18)), "<\"abcdefghijklmnopq,\">");
        const CString strPath = "C:\\Music\\abcdefxyz x";
        EXPECT_EQ(uri(CPaddedText(strPath).Sub(0, 15)), "<file:///C:/Music/abcdef>");
    }
    simd::UseByteCompress(true);
}

TEST_F(ExportTest, TheCheckNamesEachMissingTrackInOrderAndChangesNothing)
{
    WriteBytes(dir / "here.mp3", "");
    testsupport::MakeFolder(dir / "folder.mp3");
    std::vector<std::string> missing;
    options.reportMissing = [&](std::string_view path) { missing.emplace_back(path); };
    ASSERT_TRUE(Convert(1252, "#Sonquill playlist\r\ngone1.mp3\r\nhere.mp3\r\nfolder.mp3\r\n"
                              "gone & 2.mp3\r\n"));
    EXPECT_EQ(missing, (std::vector<std::string>{Resolved("gone1.mp3"), Resolved("folder.mp3"),
                                                 Resolved("gone & 2.mp3")}));
    EXPECT_EQ(report.nTracks, 4);
    EXPECT_EQ(report.nMissing, 3);
    EXPECT_NE(ReadBytes(dir / "list.m3u8").find(Resolved("gone1.mp3")), std::string::npos);
}

TEST_F(ExportTest, AnExportNamedLikeThePlaylistNeverTouchesIt)
{
    // The playlist list.m3u8 is its own M3U8 export's path: that one export is refused,
    // the playlist stays as it was, and the document and the other exports are written.
    plat::SetACP(1252);
    const std::string playlist = "#Sonquill playlist\r\nC:\\a.mp3\r\n";
    WriteBytes(dir / "list.m3u8", playlist);
    for (const CExportFormat& format : ExportFormats())
        options.exports.push_back(&format);
    report = RunConversionCommand((dir / "list.m3u8").c_str(), nullptr, CPageStyle::none, &options);
    ASSERT_EQ(report.outcome, CConversionReport::converted);
    ASSERT_EQ(report.exportFailures.size(), 1u);
    EXPECT_EQ(report.exportFailures[0].strPath.View(), dir / "list.m3u8");
    EXPECT_EQ(ReadBytes(dir / "list.m3u8"), playlist);
    EXPECT_TRUE(Exists(dir / "list.xspf"));
    EXPECT_NE(ReadBytes(dir / "list.csv").find("C:\\a.mp3"), std::string::npos);
    EXPECT_NE(ReadBytes(dir / "list.xml").find("C:\\a.mp3"), std::string::npos);
}

TEST_F(ExportTest, AnExportHeldElsewhereIsLeftAsItIsAndTheRestAreWritten)
{
    // Another program holds list.csv with no sharing: the export is refused before it is
    // emptied, the failure names it, and the document and the other exports are whole.
    const std::string csv = dir / "list.csv";
    WriteBytes(csv, "held\n");
    std::thread holder([&] { testsupport::RunProgram({SQK2XML_FILE_HOLDER, csv}, dir.Path()); });
    for (int i = 0; i < 3000 && !Exists(csv + ".ready") && !Exists(csv + ".failed"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(Exists(csv + ".ready"));

    const bool bConverted = Convert(1252, "#Sonquill playlist\r\nC:\\a.mp3\r\n");
    WriteBytes(csv + ".release", "");
    holder.join();
    ASSERT_TRUE(bConverted);
    ASSERT_EQ(report.exportFailures.size(), 1u);
    EXPECT_EQ(report.exportFailures[0].strPath.View(), csv);
    EXPECT_EQ(report.exportFailures[0].error.m_cause, CFileException::sharingViolation);
    EXPECT_EQ(ReadBytes(csv), "held\n");
    EXPECT_NE(ReadBytes(dir / "list.xspf").find("</playlist>"), std::string::npos);
    EXPECT_EQ(ReadBytes(dir / "list.m3u8"), CrLfLines({"#EXTM3U", "#EXTINF:-1,a", "C:\\a.mp3"}));
}

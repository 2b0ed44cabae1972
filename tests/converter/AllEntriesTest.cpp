// ConvertAllEntries shares the lines with a second thread: the document and the table
// page must be the ones that ConvertNextEntry gives line by line, whatever the lines hold
// and wherever the read buffer cuts them.
#include <algorithm>
#include <random>

#include <gtest/gtest.h>

#include "CodePage.h"
#include "PlaylistConverter.h"
#include "StdioFile.h"
#include "TestSupport.h"

namespace
{
// Lines of every kind, most of them plain entries, some far longer than a read buffer,
// with bytes that the line reading and the parser treat specially.
std::string RandomPlaylist(std::mt19937& random, size_t nBytes)
{
    const std::string pieces[] = {
        "C:\\Music\\", "Song", ".mp3", "\x01NAME:", "\x01" "ATST:", "\x01TYPE:7", "\x01SIZE:",
        "123", "&", "<", ">", "\r", "\r\n", "\n", "\n\n", "\x01", "\x81\x5C", "\x95\\",
        "\xE9", "\x82\xA0", "\x81", "\x02", "Relative\\", "..\\up", ".", " ",
    };
    std::string text = "#Sonquill playlist\r\n";
    while (text.size() < nBytes)
    {
        if (random() % 50000 == 0) // a line that spans read buffers
            text.append(CStdioFile::kBufferSize / 2 + random() % CStdioFile::kBufferSize, 'x');
        text += pieces[random() % std::size(pieces)];
    }
    return text;
}

// The XML document and the table page, whose rows come in blocks.
std::string Convert(const std::string& dir, bool bAll)
{
    CPlaylistConverter converter;
    converter.m_nPageStyle = CPageStyle::table;
    EXPECT_TRUE(converter.BeginConversion((dir + "/list.sqk").c_str(), (dir + "/list.xml").c_str()));
    if (bAll)
        converter.ConvertAllEntries();
    else
        while (converter.ConvertNextEntry())
        {
        }
    EXPECT_TRUE(converter.m_strLine.IsEmpty());
    converter.EndConversion();
    return testsupport::ReadBytes(dir + "/list.xml") + testsupport::ReadBytes(dir + "/list.htm");
}

using AllEntriesTest = testsupport::FolderTest;
} // namespace

TEST_F(AllEntriesTest, GivesTheDocumentOfTheLineByLineConversion)
{
    std::mt19937 random(7);
    for (int round = 0; round < 12; ++round)
    {
        std::string playlist = RandomPlaylist(random, (1 + round % 4) * 700 * 1024);
        if (round % 3 == 1)
            playlist += "C:\\last line\\without.end"; // converted at the end of the input
        if (round % 3 == 2) // nothing after the first 0x1A is read
            playlist.insert(playlist.size() / 2 + random() % 1000, "\x1A" "C:\\never.mp3\r\n");
        testsupport::WriteBytes(dir / "list.sqk", playlist);
        for (const UINT cp : {1252u, 932u})
        {
            SCOPED_TRACE(testing::Message() << "round " << round << ", code page " << cp);
            plat::SetACP(cp);
            const std::string expected = Convert(dir.Path(), false);
            size_t nTracks = 0;
            for (size_t at = 0; (at = expected.find("<TRACK>", at)) != std::string::npos; ++at)
                ++nTracks;
            ASSERT_GT(nTracks, 1000u); // buffers of whole lines to share
            const std::string actual = Convert(dir.Path(), true);
            const size_t nSame = static_cast<size_t>(
                std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end())
                    .first - actual.begin());
            ASSERT_TRUE(actual == expected)
                << "the first difference, at byte " << nSame << " of " << expected.size()
                << ":\n" << expected.substr(nSame, 80) << "\ninstead of\n" << actual.substr(nSame, 80);
        }
    }
}

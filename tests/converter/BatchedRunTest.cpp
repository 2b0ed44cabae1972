// The run on two lanes against the run entry by entry: the same playlist must give the
// same document and the same page, byte for byte, whatever falls on a batch's edge.
#include <cstdint>
#include <filesystem>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "CodePage.h"
#include "EntryBatch.h"
#include "PlaylistConverter.h"
#include "StdioFile.h"
#include "TestSupport.h"
#include "TrackFields.h"

using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace
{
// Lines of every kind a batch must carry unchanged: all twelve tags and unknown ones,
// markup, control and high bytes (lead bytes too, some just before a separator or at the
// line's end), relative and absolute paths, empty lines and lines without a path, long
// stretches of tiny lines that fill a batch by its line limit, and lines longer than a
// batch, one at the very end.
std::string MixedPlaylist()
{
    uint32_t state = 12345;
    auto next = [&](uint32_t n) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % n;
    };
    const std::string pieces[] = {"Song", " ", "&", "<", ">", "\xE9", "\x82\xA0", "\x81",
                                  "\x02", "\t", "\x83\x5C", "Z\xFF", "\x95\x01", "a b c"};
    auto text = [&](uint32_t nPieces) {
        std::string s;
        for (uint32_t i = 0; i < nPieces; ++i)
            s += pieces[next(std::size(pieces))];
        return s;
    };
    const std::string paths[] = {"C:\\Music\\", "sub\\dir\\", "../up/", "/abs/", "\\\\srv\\s\\"};
    const std::string longValue(CEntryBatch::kMaxBytes + 1000, 'L');

    std::string playlist = "#Sonquill playlist\r\n";
    for (int i = 0; i < 30000; ++i)
    {
        const uint32_t kind = next(4000);
        if (kind < 10)
            playlist += "\r\n";
        else if (kind < 20)
            playlist += "\x01NAME:no path\r\n";
        else if (kind == 20)
            playlist += "C:\\long.mp3\x01NAME:" + longValue + "\r\n";
        else if (kind == 21)
            playlist += std::string(CEntryBatch::kMaxBytes, 'x') + "\r\n"; // just fits
        else if (kind < 24)
            for (size_t n = 0; n < CEntryBatch::kMaxLines + 100; ++n)
                playlist += n % 7 ? "a\r\n" : "b.mp3\n";
        if (kind < 24)
            continue;
        std::string line = paths[next(std::size(paths))] + text(1 + next(3)) + ".mp3";
        for (uint32_t n = next(8); n-- > 0;)
        {
            const CTrackField& field = kTrackFields[next(kFieldCount)];
            line += std::string("\x01") + (next(10) ? field.pszTag : "XXXX") + ":";
            line += field.kind == CFieldKind::typeNumber ? std::to_string(next(20))
                                                        : text(next(6));
        }
        playlist += line + (next(5) ? "\r\n" : "\n");
    }
    return playlist + "C:\\end.mp3\x01NAME:" + longValue;
}

// The document, the page, every export and the check's report of one whole run of the
// playlist in dir, with a moved library.
struct Output
{
    std::string xml;
    std::string page;
    std::vector<std::string> exports;
    std::string missing;
};

Output Convert(const testsupport::TempDir& dir, CPageStyle style, bool bBatched)
{
    Output output;
    CRunOptions options;
    for (const CExportFormat& format : ExportFormats())
        options.exports.push_back(&format);
    options.pathMap.Add("C:\\", "/srv/c");
    options.reportMissing = [&](std::string_view path) { (output.missing += path) += '\n'; };
    CPlaylistConverter converter;
    converter.m_nPageStyle = style;
    converter.m_pOptions = &options;
    EXPECT_TRUE(converter.BeginConversion((dir / "list.sqk").c_str(), (dir / "list.xml").c_str()));
    if (bBatched)
        converter.ConvertRemainingEntries();
    else
        while (converter.ConvertNextEntry())
        {
        }
    converter.EndConversion();
    output.xml = ReadBytes(dir / "list.xml");
    output.page = ReadBytes(converter.m_strPagePath.GetData());
    std::filesystem::remove(dir / "list.xml");
    std::filesystem::remove(converter.m_strPagePath.GetData());
    for (const auto& pExport : converter.m_exports)
    {
        EXPECT_FALSE(pExport->Failed());
        output.exports.push_back(ReadBytes(pExport->GetPath().GetData()));
        std::filesystem::remove(pExport->GetPath().GetData());
    }
    return output;
}

using BatchedRunTest = testsupport::FolderTest;
} // namespace

TEST_F(BatchedRunTest, WritesWhatTheRunEntryByEntryWrites)
{
    const std::string playlist = MixedPlaylist();
    ASSERT_GT(playlist.size(), 10u * CEntryBatch::kMaxBytes);
    WriteBytes(dir / "list.sqk", playlist);
    for (const UINT cp : {1252u, 932u})
    {
        plat::SetACP(cp);
        for (const CPageStyle style : {CPageStyle::classic, CPageStyle::table})
        {
            SCOPED_TRACE(testing::Message() << "code page " << cp << ", page style "
                                            << static_cast<int>(style));
            const Output expected = Convert(dir, style, false);
            const Output batched = Convert(dir, style, true);
            ASSERT_GT(expected.xml.size(), playlist.size());
            EXPECT_TRUE(batched.xml == expected.xml) << "the documents differ";
            EXPECT_TRUE(batched.page == expected.page) << "the pages differ";
            ASSERT_EQ(batched.exports.size(), std::size(ExportFormats()));
            for (size_t i = 0; i < batched.exports.size(); ++i)
                EXPECT_TRUE(batched.exports[i] == expected.exports[i])
                    << ExportFormats()[i].pszName << " differs";
            EXPECT_GT(expected.missing.size(), 0u);
            EXPECT_TRUE(batched.missing == expected.missing) << "the missing tracks differ";
        }
    }
    EXPECT_EQ(ReadBytes(dir / "list.sqk"), playlist);
}

TEST_F(BatchedRunTest, BatchesHoldTheLinesReadLineHandsOut)
{
    // Lines of every length, some across the file's buffers and some longer than a batch,
    // lone CRs anywhere, CR LF and bare LF, runs of tiny lines past a batch's line limit,
    // a Ctrl-Z, and last lines with and without their LF.
    std::mt19937 random(7);
    for (int round = 0; round < 6; ++round)
    {
        SCOPED_TRACE(round);
        std::string text;
        while (text.size() < 3 * CStdioFile::kBufferSize)
        {
            switch (random() % 10)
            {
            case 0:
                text += '\r';
                break;
            case 1:
                text += "\r\n";
                break;
            case 2:
                text += '\n';
                break;
            case 3:
                text.append(random() % 3000, 'x');
                break;
            case 4:
                if (random() % 50 == 0)
                    for (size_t i = 0; i < CEntryBatch::kMaxLines + 10; ++i)
                        text += i % 3 ? "a\n" : "\r\n";
                break;
            case 5:
                if (random() % 100 == 0)
                    text.append(CEntryBatch::kMaxBytes + random() % 3, 'L');
                break;
            default:
                text += static_cast<char>('a' + random() % 26);
            }
        }
        if (round == 3)
            text += "\x1A after the end\n";
        else if (round == 4)
            text += "\r";
        else if (round == 5)
            text += "last\r\n";
        WriteBytes(dir / "lines.txt", text);

        std::vector<std::string> expected, batched;
        CStdioFile file;
        ASSERT_TRUE(file.Open((dir / "lines.txt").c_str(), CStdioFile::modeRead));
        CPaddedText line;
        while (file.ReadLine(line))
            expected.emplace_back(line.View());
        file.Close();

        ASSERT_TRUE(file.Open((dir / "lines.txt").c_str(), CStdioFile::modeRead));
        CEntryBatch batch({});
        for (bool bMore = true; bMore;)
        {
            bMore = batch.Fill(file);
            size_t nLines = 0;
            batch.ForEachLine([&](CPaddedText l) {
                batched.emplace_back(l.View());
                ++nLines;
            });
            EXPECT_LE(nLines, CEntryBatch::kMaxLines);
            if (batch.HasLongLine())
                batched.emplace_back(batch.LongLine().View());
        }
        ASSERT_EQ(batched.size(), expected.size());
        EXPECT_TRUE(batched == expected);
    }
}

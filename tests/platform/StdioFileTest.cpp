#include <atomic>
#include <chrono>
#include <cerrno>
#include <future>
#include <filesystem>
#include <random>
#include <set>
#include <thread>
#ifndef _WIN32
#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include "BackgroundJob.h"
#include "CodePage.h"
#include "LineFeeds.h"
#include "StdioFile.h"
#include "TestSupport.h"

using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace
{
constexpr UINT kRead = CStdioFile::modeRead | CStdioFile::shareDenyNone;
constexpr UINT kCreate = CStdioFile::modeCreate | CStdioFile::shareExclusive | CStdioFile::modeWrite;

std::vector<std::string> ReadLines(const std::string& path)
{
    CStdioFile file;
    EXPECT_TRUE(file.Open(path.c_str(), kRead));
    std::vector<std::string> lines;
    CString line;
    while (file.ReadString(line))
        lines.emplace_back(line.View());
    EXPECT_TRUE(line.IsEmpty());
    file.Close();
    return lines;
}

using StdioFileTest = testsupport::FolderTest;
} // namespace

TEST_F(StdioFileTest, ReadsTextModeLines)
{
    using Lines = std::vector<std::string>;
    const std::pair<std::string, Lines> cases[] = {
        {"", {}},
        {"one", {"one"}},
        {"one\r\ntwo\nthree", {"one", "two", "three"}},
        {"a\r\n\r\n", {"a", ""}},
        {"lone\rcr\r\r\n", {"lone\rcr\r"}},
        {"before\x1A" "after\nmore\n", {"before"}},
        {"\x1A", {}},
        {std::string("zero\0byte\n", 10), {std::string("zero\0byte", 9)}},
        {"end with cr\r", {"end with cr\r"}},
    };
    for (const auto& [bytes, expected] : cases)
    {
        SCOPED_TRACE(bytes);
        WriteBytes(dir / "in.txt", bytes);
        EXPECT_EQ(ReadLines(dir / "in.txt"), expected);
    }
}

TEST_F(StdioFileTest, ReadsLinesAcrossBufferBoundaries)
{
    const size_t n = CStdioFile::kBufferSize;
    // A CR LF split over two buffers, a line several buffers long, and a 0x1A in a later
    // buffer.
    std::string first(n - 1, 'a');
    std::string longLine(3 * n + 17, 'b');
    const std::string bytes = first + "\r\n" + longLine + "\nlast\x1Aignored\n";
    WriteBytes(dir / "big.txt", bytes);
    const std::vector<std::string> expected = {first, longLine, "last"};
    EXPECT_EQ(ReadLines(dir / "big.txt"), expected);
}

TEST_F(StdioFileTest, ReadsAheadOnlyAfterAFullFirstBuffer)
{
    // A file that fits in one buffer has nothing to read ahead: no thread, no second lane.
    WriteBytes(dir / "short.txt", "one\ntwo\n");
    CStdioFile file;
    ASSERT_TRUE(file.Open((dir / "short.txt").c_str(), kRead));
    CPaddedText line;
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_FALSE(file.ReadAhead());
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_EQ(line.View(), "two");
}

#ifdef SCHED_BATCH
TEST_F(StdioFileTest, ReadsAheadOnAThreadThatLetsItsReaderRunOn)
{
    // The reading thread, woken, waits for a pause of the threads it serves; a background
    // job that converts, as the second lane does, is a thread like any other.
    auto deferringThreads = [] {
        int n = 0;
        for (const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
            n += sched_getscheduler(std::stoi(task.path().filename().string())) == SCHED_BATCH;
        return n;
    };
    const std::string line(99, 'x');
    std::string text;
    while (text.size() < 2 * CStdioFile::kBufferSize)
        text += line + "\n";
    WriteBytes(dir / "long.txt", text);
    CStdioFile file;
    ASSERT_TRUE(file.Open((dir / "long.txt").c_str(), kRead));
    CPaddedText read;
    ASSERT_TRUE(file.ReadLine(read));
    ASSERT_TRUE(file.ReadAhead());
    while (file.ReadLine(read)) // waits for each read ahead: the thread has run by then
        ASSERT_EQ(read.View(), line);
    // Waits may have run every read themselves: the thread may not have started yet.
    for (int nTries = 0; deferringThreads() == 0 && nTries < 5000; ++nTries)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(deferringThreads(), 1);

    CBackgroundJob lane;
    int nPolicy = -1;
    lane.Start([&] {
        nPolicy = sched_getscheduler(0);
        return 0L;
    });
    long lError = 0;
    ASSERT_TRUE(lane.Wait(lError));
    EXPECT_EQ(nPolicy, SCHED_OTHER);
}
#endif

TEST_F(StdioFileTest, ReadingWithALimitCutsLongLinesAndLeavesTheRest)
{
    auto readTwo = [&](const std::string& bytes, size_t nMax) {
        WriteBytes(dir / "in.txt", bytes);
        CStdioFile file;
        EXPECT_TRUE(file.Open((dir / "in.txt").c_str(), kRead));
        CString first, second;
        file.ReadString(first, nMax);
        file.ReadString(second);
        return std::pair<std::string, std::string>(first.View(), second.View());
    };
    using Result = std::pair<std::string, std::string>;
    EXPECT_EQ(readTwo("abcd\r\nnext\n", 5), Result("abcd", "next")); // the CR fits
    EXPECT_EQ(readTwo("abcde\nnext\n", 5), Result("abcde", "next"));
    EXPECT_EQ(readTwo("abcdef\nnext\n", 5), Result("abcde", "f"));
    EXPECT_EQ(readTwo("abc", 5), Result("abc", ""));
    EXPECT_EQ(readTwo("abcdefgh", 5), Result("abcde", "fgh"));
    EXPECT_EQ(readTwo("\nabcdef", 0), Result("", "abcdef"));
    EXPECT_EQ(readTwo("abcdef", 0), Result("", "abcdef"));

    // A cut that falls in the second buffer of a line that spans two.
    const size_t n = CStdioFile::kBufferSize;
    const std::string head(n - 3, 'a');
    WriteBytes(dir / "in.txt", "x\n" + head + "bbbbbbbb\nend\n");
    CStdioFile file;
    ASSERT_TRUE(file.Open((dir / "in.txt").c_str(), kRead));
    CString line;
    ASSERT_TRUE(file.ReadString(line));
    ASSERT_TRUE(file.ReadString(line, n));
    EXPECT_EQ(line.View(), head + "bbb");
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line.View(), "bbbbb");
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line.View(), "end");
}

TEST_F(StdioFileTest, WritesEachLineFeedAsCrLf)
{
    const std::string big(CStdioFile::kBufferSize + 5, 'x');
    {
        CStdioFile file;
        ASSERT_TRUE(file.Open((dir / "out.txt").c_str(), kCreate));
        file.WriteString("one\ntwo\n");
        file.WriteString(CString(std::string_view("z\0z\n", 4)));
        file.WriteString(CString(big.c_str()) + "\n");
        file.WriteString("\r\n");
        file.Close();
    }
    EXPECT_EQ(ReadBytes(dir / "out.txt"),
              std::string("one\r\ntwo\r\nz\0z\r\n", 15) + big + "\r\n\r\r\n");

    // Text with its CR LF made already goes out as it is, in order with translated text,
    // across buffers: line feeds alone double, the bytes between full buffers included.
    const std::string feeds(CStdioFile::kBufferSize + 3, '\n');
    const std::string made = "a\r\n" + std::string(CStdioFile::kBufferSize, 'm') + "\r\n";
    {
        CStdioFile file;
        ASSERT_TRUE(file.Open((dir / "mixed.txt").c_str(), kCreate));
        file.WriteString("x");
        file.WriteCrLfText(made.data(), made.size());
        file.WriteString(CString(feeds.c_str()));
        file.WriteCrLfText("b\r\n", 3);
        file.WriteString("c\n");
        file.Close();
    }
    std::string expected = "x" + made;
    for (size_t i = 0; i < feeds.size(); ++i)
        expected += "\r\n";
    EXPECT_EQ(ReadBytes(dir / "mixed.txt"), expected + "b\r\nc\r\n");
}

TEST_F(StdioFileTest, TextsHandedOverGoOutInOrderWithTheRest)
{
    // Texts handed over are written where they lie, between the buffered text before and
    // after them, across many flushes, some with no buffered text at all; the strings given
    // back are emptied and reused. The bytes past a write's boundary, which go with the
    // next write, lie in texts, in the buffer, or in both; the buffer may be smaller than
    // a boundary.
    for (const size_t nBuffer : {CStdioFile::kBufferSize, size_t{40000}, size_t{100000}})
    {
        SCOPED_TRACE(nBuffer);
        std::mt19937 random(7);
        std::string expected;
        size_t nReused = 0;
        std::set<const char*> handed; // where the texts handed over lay
        {
            CStdioFile file;
            file.SetBufferSize(nBuffer);
            ASSERT_TRUE(file.Open((dir / "handed.txt").c_str(), kCreate));
            CString text;
            for (int i = 0; i < 200; ++i)
            {
                if (i % 4 != 1)
                {
                    const std::string line = "line " + std::to_string(i) + "\n";
                    file.WriteString(line.c_str());
                    expected += "line " + std::to_string(i) + "\r\n";
                }
                const size_t n = i % 7 == 3 ? 0 : random() % (nBuffer / 2);
                const std::string bytes(n, static_cast<char>('a' + i % 26));
                text.Assign(bytes.data(), static_cast<int>(n));
                const char* pHanded = text.GetData();
                file.HandOverCrLfText(text);
                EXPECT_TRUE(text.IsEmpty());
                if (n == 0)
                    continue; // nothing to write: the string stays the caller's
                handed.insert(pHanded);
                nReused += handed.count(text.GetData());
                expected += bytes;
            }
            file.WriteCrLfText("end\r\n", 5);
            expected += "end\r\n";
            file.Close();
        }
        EXPECT_EQ(ReadBytes(dir / "handed.txt"), expected);
        EXPECT_GT(nReused, 0u);
    }
}

TEST_F(StdioFileTest, PiecesAreWrittenWholeAndInOrder)
{
    // More pieces than one system call takes, empty ones among them.
    std::vector<std::string> texts;
    std::vector<plat::OsPiece> pieces;
    std::string expected;
    for (int i = 0; i < 200; ++i)
        texts.push_back(std::string(i % 5 == 0 ? 0 : 37 * i, static_cast<char>('A' + i % 26)));
    for (const std::string& text : texts)
    {
        pieces.push_back({text.data(), text.size()});
        expected += text;
    }
    auto writeAll = [&](const std::string& path, long& lOsError) {
        plat::FileHandle hFile = plat::kInvalidFile;
        if (!plat::OsOpenFile(path.c_str(), kCreate, hFile, lOsError))
            return false;
        const bool bWritten = plat::OsWritePieces(hFile, pieces.data(), pieces.size(), lOsError);
        plat::OsCloseFile(hFile, lOsError);
        return bWritten;
    };
    long lOsError = 0;
    ASSERT_TRUE(writeAll(dir / "pieces.txt", lOsError));
    EXPECT_EQ(ReadBytes(dir / "pieces.txt"), expected);
#ifndef _WIN32
    // A limit within a piece: the bytes before it are written, then the error is told.
    const size_t nLimit = expected.size() / 3 + 11;
    const int status = testsupport::RunWithFileSizeLimit(static_cast<long>(nLimit), [&] {
        long lError = 0;
        return !writeAll(dir / "cut.txt", lError) && lError == EFBIG ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadBytes(dir / "cut.txt"), expected.substr(0, nLimit));
#endif
}

#ifndef _WIN32
TEST_F(StdioFileTest, RoomSetAsideForALongFileIsGivenBackOnClosing)
{
    // A file written in many writes has room set aside ahead of them where the system
    // allows it; once closed, it holds its bytes and no more blocks than they take.
    // The room is given back by Close, or by the file's thread after StartClosing.
    const std::string path = dir / "long.txt";
    bool bAhead = false; // whether room past the end was seen while the file was written
    for (const bool bStartClosing : {false, true})
    {
        SCOPED_TRACE(bStartClosing);
        std::string expected;
        CStdioFile file;
        ASSERT_TRUE(file.Open(path.c_str(), kCreate));
        CString text;
        struct stat st;
        for (int i = 0; i < 40; ++i)
        {
            const std::string bytes(100000 + 997 * i, static_cast<char>('a' + i % 26));
            text.Assign(bytes.data(), static_cast<int>(bytes.size()));
            file.HandOverCrLfText(text);
            expected += bytes;
            ASSERT_EQ(stat(path.c_str(), &st), 0);
            bAhead |= st.st_blocks * 512 > st.st_size + 1024 * 1024;
        }
        if (bStartClosing)
            file.StartClosing();
        file.Close();
        EXPECT_EQ(ReadBytes(path), expected);
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_LE(st.st_blocks * 512, st.st_size + 64 * 1024) << "room set aside was kept";
    }
    if (!bAhead)
        GTEST_SKIP() << "this file system sets no room aside";
}
#endif

TEST(LineFeedExpansion, MatchesAPlainByteByByteCopy)
{
    // Line feeds at every offset within and across the sixteen-byte blocks, alone, in
    // runs, at both ends, and none at all.
    std::mt19937 random(7);
    for (size_t n = 0; n <= 80; ++n)
        for (const unsigned density : {0u, 1u, 8u, 50u, 100u})
        {
            std::string in(n, 'a');
            for (char& c : in)
            {
                unsigned other = random() % 255; // any byte but LF
                other += other >= '\n';
                c = random() % 100 < density ? '\n' : static_cast<char>(other);
            }
            std::string expected;
            for (const char c : in)
                expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
            std::string out(2 * n + plat::kExpandSlack, '?');
            out.resize(plat::ExpandLineFeeds(in.data(), n, out.data()));
            ASSERT_EQ(out, expected) << "length " << n << ", density " << density;
        }
}

TEST(LineFeeds, WholeLinesEndAtTheirLineFeedsAndNoFurther)
{
    // LFs at every offset within and across the blocks, CRs before some and alone, line
    // limits that cut the text short; LFs lie past the n too, where nothing may be found.
    std::mt19937 random(7);
    const char bytes[] = {'a', 'b', '\r', '\n'};
    for (size_t n = 0; n <= 150; ++n)
        for (const size_t nMaxLines : {size_t{0}, size_t{1}, size_t{3}, size_t{1000}})
        {
            std::string text(n + 64, '\n');
            for (size_t i = 0; i < n; ++i)
                text[i] = bytes[random() % 4];
            std::vector<plat::CLineSpan> expected{{-1, -1}}, spans{{-1, -1}};
            size_t nExpected = 0;
            for (size_t i = 0; i < n && expected.size() <= nMaxLines; ++i)
                if (text[i] == '\n')
                {
                    const size_t nEnd = i > nExpected && text[i - 1] == '\r' ? i - 1 : i;
                    expected.push_back(
                        {static_cast<int>(7 + nExpected), static_cast<int>(7 + nEnd)});
                    nExpected = i + 1;
                }
            const size_t nFound = plat::FindWholeLines(text.data(), n, nMaxLines, 7, spans);
            ASSERT_EQ(nFound, nExpected) << "length " << n << ", at most " << nMaxLines;
            ASSERT_EQ(spans.size(), expected.size()) << "length " << n;
            for (size_t i = 0; i < spans.size(); ++i)
            {
                EXPECT_EQ(spans[i].nStart, expected[i].nStart);
                EXPECT_EQ(spans[i].nEnd, expected[i].nEnd);
            }
        }
}

TEST_F(StdioFileTest, FailedOpenReturnsFalseWithTheReason)
{
    CStdioFile file;
    CFileException error;
    EXPECT_FALSE(file.Open((dir / "missing.txt").c_str(), kRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(error.m_strFileName.View(), dir / "missing.txt");
    EXPECT_FALSE(error.GetReason().IsEmpty()); // the system's own words
#ifndef _WIN32
    EXPECT_EQ(error.m_lOsError, ENOENT);
    EXPECT_STREQ(error.GetReason(), "No such file or directory");
#endif
    // A folder is no text file, for reading or writing.
    EXPECT_FALSE(file.Open(dir.Path().c_str(), kRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::accessDenied);
#ifndef _WIN32
    EXPECT_EQ(error.m_lOsError, EISDIR);
#endif
    EXPECT_FALSE(file.Open(dir.Path().c_str(), kCreate));
    EXPECT_FALSE(file.Open((dir / "no/such/folder.txt").c_str(), kCreate));
    EXPECT_FALSE(file.IsOpen());
}

TEST_F(StdioFileTest, ShareModesWithinTheProcess)
{
    const std::string path = dir / "shared.txt";
    WriteBytes(path, "keep me\n");
    std::filesystem::create_hard_link(path, dir / "link.txt");

    CStdioFile reader, reader2, writer;
    ASSERT_TRUE(reader.Open(path.c_str(), kRead));
    EXPECT_TRUE(reader2.Open(path.c_str(), kRead)); // readers share
    CFileException error;
    // An exclusive open of a file open in any mode fails, through a link too, and the file
    // is not emptied by the attempt.
    EXPECT_FALSE(writer.Open(path.c_str(), kCreate, &error));
    EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
    EXPECT_FALSE(writer.Open((dir / "link.txt").c_str(), kCreate));
    EXPECT_EQ(ReadBytes(path), "keep me\n");
    reader.Close();
    reader2.Close();

    ASSERT_TRUE(writer.Open((dir / "link.txt").c_str(), kCreate));
    EXPECT_EQ(ReadBytes(path), ""); // emptied once it was free
    EXPECT_FALSE(reader.Open(path.c_str(), kRead)); // no reading while held exclusively
    CStdioFile writer2;
    EXPECT_FALSE(writer2.Open(path.c_str(), kCreate));
    writer.Close();
    EXPECT_TRUE(reader.Open(path.c_str(), kRead));
}

TEST_F(StdioFileTest, ShareModesAgainstOtherHoldersOfLocks)
{
#ifdef _WIN32
    GTEST_SKIP() << "POSIX only: flock(); Windows share modes are tested between processes in DocumentFrameTest";
#else
    const std::string path = dir / "locked.txt";
    WriteBytes(path, "precious\n");
    // flock() locks belong to an open file description, so a descriptor of our own stands
    // for another program here.
    const int other = open(path.c_str(), O_RDONLY);
    ASSERT_GE(other, 0);

    ASSERT_EQ(flock(other, LOCK_SH), 0);
    CStdioFile file;
    EXPECT_TRUE(file.Open(path.c_str(), kRead)); // shared with a shared holder
    file.Close();
    EXPECT_FALSE(file.Open(path.c_str(), kCreate));
    EXPECT_EQ(ReadBytes(path), "precious\n");

    ASSERT_EQ(flock(other, LOCK_EX), 0);
    EXPECT_FALSE(file.Open(path.c_str(), kRead));
    flock(other, LOCK_UN);
    close(other);
    EXPECT_TRUE(file.Open(path.c_str(), kCreate));
    file.Close();
#endif
}

TEST_F(StdioFileTest, WriteFailuresThrowAndAreNeverSwallowedAtClose)
{
#ifdef _WIN32
    GTEST_SKIP() << "POSIX only: needs a file-size limit (setrlimit)";
#else
    // Under a file-size limit (with SIGXFSZ ignored) a write past it fails with EFBIG.
    const std::string path = dir / "limited.txt";
    const int status = testsupport::RunWithFileSizeLimit(1000, [&] {
        // Small: the error first shows when the buffer is written at close.
        CStdioFile file;
        if (!file.Open(path.c_str(), kCreate))
            return 11;
        file.WriteString(std::string(2000, 'x').c_str());
        try
        {
            file.Close();
            return 12;
        }
        catch (const CFileException& e)
        {
            if (e.m_lOsError != EFBIG || e.m_strFileName.View() != path || file.IsOpen())
                return 13;
        }
        // Large: the write itself fails. With N buffers at most waiting for the disk, the
        // first one's failure shows at the latest when buffer N + 1 is handed over, within
        // the five written.
        static_assert(plat::tuning::kWaitingWrites + 1 <= 5);
        CStdioFile big;
        if (!big.Open(path.c_str(), kCreate))
            return 14;
        try
        {
            big.WriteString(std::string(5 * CStdioFile::kBufferSize, 'y').c_str());
            return 15;
        }
        catch (const CFileException& e)
        {
            if (e.m_cause != CFileException::diskFull ||
                std::string(e.what()).find(path) == std::string::npos)
                return 16;
        }
        return 0;
    });
    EXPECT_EQ(status, 0);
#endif
}

TEST_F(StdioFileTest, BackgroundWriteFailureSurfacesAtTheNextWrite)
{
#ifdef _WIN32
    GTEST_SKIP() << "POSIX only: needs a file-size limit (setrlimit)";
#else
    // Full buffers are written in the background; a failure there must still reach the
    // writer, at a later write or at the latest at close, and never pass for a success.
    const std::string path = dir / "many.txt";
    // The limit lets the first buffer through and stops the second.
    const size_t nLimit = CStdioFile::kBufferSize + CStdioFile::kBufferSize / 8;
    const size_t nLinesPerBuffer = CStdioFile::kBufferSize / 101;
    const int status = testsupport::RunWithFileSizeLimit(static_cast<long>(nLimit), [&] {
        CStdioFile file;
        if (!file.Open(path.c_str(), kCreate))
            return 1;
        const std::string line(99, 'x');
        size_t nWritten = 0;
        try
        {
            for (; nWritten < 10 * nLinesPerBuffer; ++nWritten)
                file.WriteString((line + "\n").c_str());
            file.Close();
            return 2;
        }
        catch (const CFileException& e)
        {
            if (e.m_lOsError != EFBIG)
                return 3;
        }
        // The failure showed while writing, long before the last line: with N buffers
        // at most waiting for the disk, the second buffer's failure shows at the latest
        // when buffer N + 2 is handed over, whatever the pace of the writing thread.
        const size_t nLatest = plat::tuning::kWaitingWrites + 2;
        return nWritten * 101 <= nLatest * CStdioFile::kBufferSize ? 0 : 4;
    });
    EXPECT_EQ(status, 0);
    // What did reach the file is whole lines in order, up to the limit.
    const std::string bytes = ReadBytes(path);
    EXPECT_LE(bytes.size(), nLimit);
    EXPECT_EQ(bytes.substr(0, 101), std::string(99, 'x') + "\r\n");
#endif
}

TEST_F(StdioFileTest, ClosingStartedOnTheThreadWritesTheRestOnceAndReportsItsFailure)
{
    // After StartClosing the rest is the thread's: Close, or the destructor, waits for it
    // and writes nothing again; a file too short to have a thread is closed as ever.
    for (const size_t nBytes : {size_t{5000}, 3 * CStdioFile::kBufferSize + 12345})
        for (const bool bClose : {true, false})
        {
            SCOPED_TRACE(testing::Message() << nBytes << (bClose ? " Close" : " destructor"));
            const std::string expected(nBytes, 'q');
            {
                CStdioFile file;
                ASSERT_TRUE(file.Open((dir / "ending.txt").c_str(), kCreate));
                file.WriteCrLfText(expected.data(), expected.size());
                file.StartClosing();
                if (bClose)
                    file.Close();
            }
            EXPECT_EQ(ReadBytes(dir / "ending.txt"), expected);
        }
#ifndef _WIN32
    // The last write fails on the thread: Close reports it.
    const std::string path = dir / "limited.txt";
    const size_t nLimit = 2 * CStdioFile::kBufferSize + 100;
    const int status = testsupport::RunWithFileSizeLimit(static_cast<long>(nLimit), [&] {
        CStdioFile file;
        if (!file.Open(path.c_str(), kCreate))
            return 1;
        const std::string bytes(2 * CStdioFile::kBufferSize + 5000, 'z');
        file.WriteCrLfText(bytes.data(), bytes.size());
        file.StartClosing();
        try
        {
            file.Close();
            return 2;
        }
        catch (const CFileException& e)
        {
            return e.m_lOsError == EFBIG && !file.IsOpen() ? 0 : 3;
        }
    });
    EXPECT_EQ(status, 0);
#endif
}

TEST_F(StdioFileTest, FullDeviceFailsAtClose)
{
#ifdef _WIN32
    GTEST_SKIP() << "POSIX only: needs /dev/full";
#else
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no writable /dev/full here";
    CStdioFile file;
    ASSERT_TRUE(file.Open("/dev/full", kCreate));
    file.WriteString("lost\n");
    try
    {
        file.Close();
        FAIL() << "the failed write was swallowed";
    }
    catch (const CFileException& e)
    {
        EXPECT_EQ(e.m_lOsError, ENOSPC);
        EXPECT_STREQ(e.m_strFileName, "/dev/full");
    }
    EXPECT_FALSE(file.IsOpen());
#endif
}

class BackgroundJob : public testing::TestWithParam<CJobWakeup>
{
};

// A deferred thread's jobs may run on a waiter as well: in order, one at a time, either way.
TEST_P(BackgroundJob, RunsInOrderAndDropsWhatWaitsBehindAFailure)
{
    CBackgroundJob jobs(GetParam());
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::string ran;
    jobs.Start([&] {
        released.wait();
        ran += 'a';
        return 0L;
    });
    jobs.Start([&] {
        ran += 'b';
        return 28L; // fails: what was queued behind it is never run
    });
    jobs.Start([&] {
        ran += 'c';
        return 0L;
    });
    long lError = 0;
    // The first is held: all three are still waiting or running.
    EXPECT_TRUE(jobs.WaitUntilQueued(3, lError));
    release.set_value();
    EXPECT_FALSE(jobs.Wait(lError));
    EXPECT_EQ(lError, 28);
    EXPECT_EQ(ran, "ab");
    // The failure is reported once; jobs queued afterwards run again.
    jobs.Start([&] {
        ran += 'd';
        return 0L;
    });
    EXPECT_TRUE(jobs.Wait(lError));
    EXPECT_EQ(ran, "abd");
}

TEST_P(BackgroundJob, AJobQueuedWhileAWaiterRunsTheOneBeforeIsRunWithoutAWait)
{
    // The thread is woken for a job queued behind one that a waiter is running once that
    // one ends, not when the job is queued; nobody waits here, so only the thread can run
    // it. Repeated, so that the waiter, not the thread, takes the first job many times.
    CBackgroundJob jobs(GetParam());
    for (int round = 0; round < 100; ++round)
    {
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        std::atomic<bool> bFirstStarted{false}, bSecondRan{false};
        jobs.Start([&] {
            bFirstStarted = true;
            released.wait();
            return 0L;
        });
        std::thread waiter([&] { jobs.RunWaitingJob(); });
        while (!bFirstStarted)
            std::this_thread::yield();
        jobs.Start([&] {
            bSecondRan = true;
            return 0L;
        });
        release.set_value();
        waiter.join();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!bSecondRan && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        ASSERT_TRUE(bSecondRan) << "round " << round;
        long lError = 0;
        ASSERT_TRUE(jobs.Wait(lError));
    }
}

INSTANTIATE_TEST_SUITE_P(Wakeups, BackgroundJob,
                         testing::Values(CJobWakeup::immediate, CJobWakeup::deferred));

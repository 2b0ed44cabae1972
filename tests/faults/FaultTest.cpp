// Conversions under failure: full disks, failing reads, files that change or are shared
// while they are read, very long lines. Nothing that failed may pass for a success, the
// playlist is never touched, and an XML document left complete is well-formed.
#include <algorithm>
#include <cstdio>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstddef>
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "CodePage.h"
#include "ConvertCommand.h"
#include "StdioFile.h"
#include "TestSupport.h"

using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace
{
bool IsComplete(const std::string& xml)
{
    const std::string end = "</PLAYLIST>\r\n";
    return xml.size() >= end.size() && xml.compare(xml.size() - end.size(), end.size(), end) == 0;
}

// Makes read() calls of the file class's buffer size fail with EIO from now on, on every
// thread of this process, the file's background reader too (the filter cannot be removed
// again, so callers run in a child).
bool FailBufferReads()
{
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_read, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, CStdioFile::kBufferSize, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EIO),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_TSYNC, &program) == 0;
}

// Converts the rest of the playlist, entry by entry or in batches, where its reads fail:
// 0 when the run ends with EIO naming the playlist.
int ConvertTheRestExpectingEio(CPlaylistConverter& converter, const std::string& playlist,
                               bool bBatched)
{
    try
    {
        if (bBatched)
            converter.ConvertRemainingEntries();
        else
            while (converter.ConvertNextEntry())
            {
            }
        return 3;
    }
    catch (const CFileException& e)
    {
        return e.m_lOsError == EIO && e.m_strFileName.View() == playlist ? 0 : 4;
    }
}

using FaultTest = testsupport::FolderTest;

// The document a run with the classic page makes of the playlist, written at path.
std::string UndisturbedDocument(const std::string& path, const std::string& playlist)
{
    WriteBytes(path, playlist);
    RunConversionCommand(path.c_str(), nullptr, CPageStyle::classic);
    return ReadBytes(path.substr(0, path.rfind('.')) + ".xml");
}

// Converts list.sqk in the folder mnt, whose disk it fills, with the classic page: 0 when
// the run fails for want of room naming the document and leaves the playlist as it was,
// else the number of the check that failed (1 to 3).
int ConvertFillingTheDisk(const std::string& mnt, const std::string& playlist)
{
    try
    {
        RunConversionCommand((mnt + "/list.sqk").c_str(), nullptr, CPageStyle::classic);
        return 1;
    }
    catch (const CFileException& e)
    {
        if (e.m_lOsError != ENOSPC || e.m_strFileName.View() != mnt + "/list.xml")
            return 2;
    }
    return ReadBytes(mnt + "/list.sqk") == playlist ? 0 : 3;
}
} // namespace

TEST_F(FaultTest, ReadFailureMidRunLeavesTheCommand)
{
    // Larger than one buffer, so that a second read is needed after the XML is open.
    const std::string playlist = testsupport::ManyEntries(20000);
    ASSERT_GT(playlist.size(), 2 * CStdioFile::kBufferSize);
    WriteBytes(dir / "list.sqk", playlist);
    const int status = testsupport::RunInChild([&] {
        CPlaylistConverter converter;
        if (!converter.BeginConversion((dir / "list.sqk").c_str(), (dir / "list.xml").c_str()))
            return 1;
        if (!converter.ConvertNextEntry() || !FailBufferReads())
            return 2;
        return ConvertTheRestExpectingEio(converter, dir / "list.sqk", false);
    });
    ASSERT_EQ(status, 0);
    EXPECT_EQ(ReadBytes(dir / "list.sqk"), playlist);
    EXPECT_FALSE(IsComplete(ReadBytes(dir / "list.xml")));
}

TEST_F(FaultTest, FailedReadAheadEndsTheRunAtItsBuffer)
{
    // The buffers after the second are read in the background while the one before is
    // converted. The reads fail from the middle of the third buffer on, when the read of
    // the fourth is under way or done: the run must stop with the error exactly where the
    // fourth or fifth buffer begins, every entry before it written and none after it,
    // whether it goes on entry by entry or in batches on two threads.
    const std::string playlist = testsupport::ManyEntries(60000);
    const size_t nBuffer = CStdioFile::kBufferSize;
    ASSERT_GT(playlist.size(), 6 * nBuffer);
    WriteBytes(dir / "list.sqk", playlist);
    // The entries whose lines end within the first nBuffers buffers.
    auto entriesWithin = [&](size_t nBuffers) {
        return std::count(playlist.begin(), playlist.begin() + nBuffers * nBuffer, '\n') - 1;
    };
    const long nWithinTwo = entriesWithin(2), nWithinThree = entriesWithin(3),
               nWithinFour = entriesWithin(4);
    for (const bool bBatched : {false, true})
    {
        SCOPED_TRACE(bBatched ? "in batches" : "entry by entry");
        const int status = testsupport::RunInChild([&] {
            CPlaylistConverter converter;
            if (!converter.BeginConversion((dir / "list.sqk").c_str(), (dir / "list.xml").c_str()))
                return 1;
            for (long nEntries = 0; nEntries < nWithinTwo + 1000; ++nEntries)
                converter.ConvertNextEntry();
            if (!FailBufferReads())
                return 2;
            // What was converted reaches the document as the converter goes.
            return ConvertTheRestExpectingEio(converter, dir / "list.sqk", bBatched);
        });
        ASSERT_EQ(status, 0);
        const std::string xml = ReadBytes(dir / "list.xml");
        long nTracks = 0;
        for (size_t at = xml.find("<TRACK>"); at != std::string::npos; at = xml.find("<TRACK>", at + 1))
            ++nTracks;
        EXPECT_TRUE(nTracks == nWithinThree || nTracks == nWithinFour)
            << nTracks << " entries written; the buffers end after " << nWithinThree << " and "
            << nWithinFour;
    }
    EXPECT_EQ(ReadBytes(dir / "list.sqk"), playlist);
}

TEST_F(FaultTest, ReadAheadFromTheFirstBufferFailsWhereTheSecondBegins)
{
    // Read ahead from the first buffer on, the second buffer's read fails in the
    // background: every line of the first still comes, then the error, not before.
    const std::string playlist = testsupport::ManyEntries(20000);
    ASSERT_GT(playlist.size(), 2 * CStdioFile::kBufferSize);
    WriteBytes(dir / "list.sqk", playlist);
    const long nWithinOne =
        std::count(playlist.begin(), playlist.begin() + CStdioFile::kBufferSize, '\n');
    const int status = testsupport::RunInChild([&] {
        CStdioFile file;
        if (!file.Open((dir / "list.sqk").c_str(), CStdioFile::modeRead))
            return 1;
        CPaddedText line;
        if (!file.ReadLine(line) || !FailBufferReads())
            return 2;
        if (!file.ReadAhead() || file.ReadAhead())
            return 5; // started once, from the full first buffer
        long nLines = 1;
        try
        {
            while (file.ReadLine(line))
                ++nLines;
            return 3;
        }
        catch (const CFileException& e)
        {
            return e.m_lOsError == EIO && nLines == nWithinOne ? 0 : 4;
        }
    });
    EXPECT_EQ(status, 0);
}

TEST_F(FaultTest, ReadFailureAtTheHeaderCreatesNothing)
{
    // Reading this process's memory at offset 0 fails with EIO.
    testsupport::WriteBytes(dir / "dummy", "");
    bool bHandedOver = false;
    try
    {
        RunConversionCommand("/proc/self/mem", [&](const CString&) { bHandedOver = true; });
        FAIL() << "a failed read passed for a success";
    }
    catch (const CFileException& e)
    {
        EXPECT_EQ(e.m_lOsError, EIO);
        EXPECT_STREQ(e.m_strFileName, "/proc/self/mem");
    }
    EXPECT_FALSE(bHandedOver);
}

TEST_F(FaultTest, FullDiskThrowsAndLeavesThePlaylistAlone)
{
    // A private mount namespace with a tmpfs that holds the playlist and about half its XML
    // document, where the system allows it. The playlist has many batches, so that the
    // disk fills while both threads convert. The page is the classic one, written once the
    // document is: a table page, written beside the document, would as often be the file
    // that finds the disk full.
    const std::string playlist = testsupport::ManyEntries(30000);
    const std::string expected = UndisturbedDocument(dir / "probe.sqk", playlist);
    const size_t nXml = expected.size();
    const size_t nSize = (playlist.size() + 1200 + nXml / 2 + 4095) / 4096 * 4096;
    const std::string mnt = dir / "small";
    ASSERT_EQ(mkdir(mnt.c_str(), 0755), 0);
    const int status = testsupport::RunInChild([&] {
        const std::string options = "size=" + std::to_string(nSize);
        if (unshare(CLONE_NEWNS) != 0 ||
            mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", mnt.c_str(), "tmpfs", 0, options.c_str()) != 0)
            return 77;
        WriteBytes(mnt + "/list.sqk", playlist);
        if (const int nFailed = ConvertFillingTheDisk(mnt, playlist))
            return nFailed;
        // What fitted is the document's start: its entries in order, none lost between.
        const std::string xml = ReadBytes(mnt + "/list.xml");
        if (xml.size() < nXml / 4 || expected.compare(0, xml.size(), xml) != 0)
            return 5;
        return IsComplete(xml) ? 4 : 0;
    });
    if (status == 77)
        GTEST_SKIP() << "no private tmpfs can be mounted here";
    EXPECT_EQ(status, 0);
}

TEST_F(FaultTest, FullExt4DiskEndsTheDocumentWhereTheRoomEndsAndLeavesNoneSetAside)
{
    // ext4, where a growing file has disk room set aside ahead of its writes (tmpfs, above,
    // sets none): a disk image in a private mount namespace, filled but for half the
    // document. Once no more room can be set aside, the writes take what is left; the run
    // fails naming the document, which holds the entries that fitted and, closed, keeps no
    // room past its end.
    const std::string playlist = testsupport::ManyEntries(30000);
    const std::string expected = UndisturbedDocument(dir / "probe.sqk", playlist);
    const size_t nXml = expected.size();
    const std::string image = dir / "disk.img", mnt = dir / "disk";
    ASSERT_EQ(mkdir(mnt.c_str(), 0755), 0);
    const long long nImage = static_cast<long long>(playlist.size() + nXml) + (16 << 20);
    WriteBytes(image, "");
    ASSERT_EQ(truncate(image.c_str(), nImage), 0);
    if (std::system(("mkfs.ext4 -q -F -m 0 " + image + " >/dev/null 2>&1").c_str()) != 0)
        GTEST_SKIP() << "no mkfs.ext4 here";
    const int status = testsupport::RunInChild([&] {
        if (unshare(CLONE_NEWNS) != 0 ||
            mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            std::system(("mount -o loop " + image + " " + mnt + " >/dev/null 2>&1").c_str()) != 0)
            return 77;
        WriteBytes(mnt + "/list.sqk", playlist);
        struct statvfs fs;
        const int filler = open((mnt + "/filler").c_str(), O_WRONLY | O_CREAT, 0644);
        if (statvfs(mnt.c_str(), &fs) != 0 || filler < 0)
            return 6;
        const auto nFree = static_cast<long long>(fs.f_bavail) * static_cast<long long>(fs.f_frsize);
        if (posix_fallocate(filler, 0, nFree - static_cast<long long>(nXml / 2)) != 0)
            return 6;
        close(filler);
        if (const int nFailed = ConvertFillingTheDisk(mnt, playlist))
            return nFailed;
        // What fitted is the document's start, and it took the room there was, but for
        // a few blocks of the file system's own.
        const std::string xml = ReadBytes(mnt + "/list.xml");
        if (xml.size() + (256 << 10) < nXml / 2 || expected.compare(0, xml.size(), xml) != 0)
            return 5;
        struct stat st;
        if (stat((mnt + "/list.xml").c_str(), &st) != 0 || st.st_blocks * 512 > st.st_size + 65536)
            return 7;
        return IsComplete(xml) ? 4 : 0;
    });
    if (status == 77)
        GTEST_SKIP() << "no disk image can be mounted here";
    EXPECT_EQ(status, 0);
}

TEST_F(FaultTest, ExportThatCannotGrowFailsAloneAndTheRestAreComplete)
{
    // Titles of quotes: the CSV doubles them, so under a file-size limit between the
    // document's size and the CSV's only the CSV's writes fail, deep in a batched run.
    std::string playlist = "#Sonquill playlist\r\n";
    for (int i = 0; i < 4000; ++i)
        playlist += "C:\\m\\" + std::to_string(i) + ".mp3\x01NAME:" + std::string(300, '"') + "\r\n";
    WriteBytes(dir / "list.sqk", playlist);
    CRunOptions options;
    options.exports = {FindExportFormat("xspf"), FindExportFormat("csv")};
    ASSERT_EQ(RunConversionCommand((dir / "list.sqk").c_str(), nullptr, CPageStyle::none, &options)
                  .outcome,
              CConversionReport::converted);
    const std::string xml = ReadBytes(dir / "list.xml");
    const std::string xspf = ReadBytes(dir / "list.xspf");
    const std::string csv = ReadBytes(dir / "list.csv");
    ASSERT_GT(csv.size(), 3 * std::max(xml.size(), xspf.size()) / 2);
    for (const char* name : {"list.xml", "list.xspf", "list.csv"})
        std::remove((dir / name).c_str());

    const long nLimit = static_cast<long>(5 * std::max(xml.size(), xspf.size()) / 4);
    const int status = testsupport::RunWithFileSizeLimit(nLimit, [&] {
        const CConversionReport report = RunConversionCommand(
            (dir / "list.sqk").c_str(), nullptr, CPageStyle::none, &options);
        if (report.outcome != CConversionReport::converted || report.exportFailures.size() != 1)
            return 1;
        const CExportFailure& failure = report.exportFailures[0];
        if (failure.strPath.View() != dir / "list.csv" || failure.error.m_lOsError != EFBIG ||
            failure.error.m_strFileName.View() != dir / "list.csv")
            return 2;
        if (ReadBytes(dir / "list.xml") != xml || ReadBytes(dir / "list.xspf") != xspf)
            return 3;
        const std::string partial = ReadBytes(dir / "list.csv");
        return partial.size() < csv.size() && csv.compare(0, partial.size(), partial) == 0 ? 0 : 4;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadBytes(dir / "list.sqk"), playlist);
}

TEST_F(FaultTest, PlaylistChangingWhileItIsRead)
{
    const std::string playlist = testsupport::ManyEntries(15000);
    WriteBytes(dir / "list.sqk", playlist);
    CPlaylistConverter converter;
    ASSERT_TRUE(converter.BeginConversion((dir / "list.sqk").c_str(), (dir / "list.xml").c_str()));
    converter.ConvertNextEntry();
    // Another program rewrites the playlist shorter, with junk, while the run reads it.
    const int fd = open((dir / "list.sqk").c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    const std::string junk = "C:\\x\x01NAME:\x02\x1A\xFF<&>\r\n";
    ASSERT_EQ(write(fd, junk.data(), junk.size()), static_cast<ssize_t>(junk.size()));
    close(fd);
    while (converter.ConvertNextEntry())
    {
    }
    converter.EndConversion();
    const std::string xml = ReadBytes(dir / "list.xml");
    EXPECT_TRUE(IsComplete(xml));
    EXPECT_EQ(testsupport::XmlProblems(xml), "");
}

TEST_F(FaultTest, TwoProcessesConvertingOnePlaylist)
{
    const std::string playlist = testsupport::ManyEntries(40000);
    WriteBytes(dir / "list.sqk", playlist);
    // The document one undisturbed run writes.
    RunConversionCommand((dir / "list.sqk").c_str(), nullptr);
    const std::string expected = ReadBytes(dir / "list.xml");
    ASSERT_TRUE(IsComplete(expected));

    for (int round = 0; round < 3; ++round)
    {
        std::vector<pid_t> children;
        for (int i = 0; i < 2; ++i)
        {
            const pid_t pid = fork();
            if (pid == 0)
            {
                const std::vector<std::string> args = {SQK2XML_CLI, "list.sqk"};
                if (chdir(dir.Path().c_str()) != 0)
                    _exit(126);
                const int devnull = open("/dev/null", O_WRONLY);
                dup2(devnull, STDOUT_FILENO);
                dup2(devnull, STDERR_FILENO);
                execl(SQK2XML_CLI, SQK2XML_CLI, "list.sqk", static_cast<char*>(nullptr));
                _exit(127);
            }
            children.push_back(pid);
        }
        int nSucceeded = 0;
        for (pid_t pid : children)
        {
            int status = 0;
            waitpid(pid, &status, 0);
            ASSERT_TRUE(WIFEXITED(status));
            ASSERT_TRUE(WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 1);
            nSucceeded += WEXITSTATUS(status) == 0;
        }
        EXPECT_GE(nSucceeded, 1);
        EXPECT_EQ(ReadBytes(dir / "list.xml"), expected);
        EXPECT_EQ(ReadBytes(dir / "list.sqk"), playlist);
    }
}

TEST_F(FaultTest, HundredMegabyteLineNeedsMemoryOfTheLineOnly)
{
    const size_t nLine = 100u << 20;
    {
        std::string line = "#Sonquill playlist\r\nC:\\Music\\Long.mp3\x01NAME:";
        line.append(nLine, 'n');
        line += "\r\n";
        WriteBytes(dir / "long.sqk", line);
    }
    // The table page, the default, keeps the value's row beside its TRACK element: one
    // more copy of the line than the classic page needs.
    const std::pair<const char*, long> pages[] = {{"classic", 5}, {"table", 6}};
    for (const auto& [page, nLines] : pages)
    {
        SCOPED_TRACE(page);
        const int status = testsupport::RunInChild([&, page = page, nLines = nLines] {
            const auto result =
                testsupport::RunProgram({SQK2XML_CLI, "--page", page, "long.sqk"}, dir.Path());
            if (result.status != 0)
                return 1;
            rusage usage{};
            getrusage(RUSAGE_CHILDREN, &usage);
            const long nPeakMiB = usage.ru_maxrss / 1024;
            std::printf("%s page: peak resident memory: %ld MiB for a %zu MiB line\n", page,
                        nPeakMiB, nLine >> 20);
#ifdef __SANITIZE_ADDRESS__
            return 0; // freed blocks wait in the sanitizer's quarantine: no bound to check
#endif
            return nPeakMiB < nLines * static_cast<long>(nLine >> 20) ? 0 : 2;
        });
        EXPECT_EQ(status, 0);
        const std::string xml = ReadBytes(dir / "long.xml");
        EXPECT_TRUE(IsComplete(xml));
        // The frame, and TRACK, FILEPATH and TITLE around the title.
        EXPECT_EQ(xml.size(), 65 + nLine + 82);
    }
}

#include <chrono>
#include <filesystem>
#include <thread>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include "CodePage.h"
#include "Folder.h"
#include "PlaylistConverter.h"
#include "TestSupport.h"

using testsupport::Exists;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace
{
std::string CurrentFolder()
{
    return std::filesystem::current_path().string();
}

// Runs a whole conversion with the classic page, whose every byte is fixed; false when
// BeginConversion refused.
bool Convert(const std::string& playlist, const std::string& xml, CString* pPagePath = nullptr)
{
    CPlaylistConverter converter;
    converter.m_nPageStyle = CPageStyle::classic;
    if (!converter.BeginConversion(playlist.c_str(), xml.c_str()))
        return false;
    while (converter.ConvertNextEntry())
    {
    }
    converter.EndConversion();
    if (pPagePath)
        *pPagePath = converter.m_strPagePath;
    return true;
}

using DocumentFrameTest = testsupport::FolderTest;
} // namespace

TEST_F(DocumentFrameTest, HeaderOnlyPlaylistGivesTheFrameAndThePage)
{
    for (const std::string header :
         {"#Sonquill playlist\r\n", "#Sonquill playlist\n", "#Sonquill playlist"})
    {
        SCOPED_TRACE(header);
        WriteBytes(dir / "list.sqk", header);
        CString strPage;
        ASSERT_TRUE(Convert(dir / "list.sqk", dir / "list.xml", &strPage));
        const std::string xml = ReadBytes(dir / "list.xml");
        EXPECT_EQ(xml.size(), 65u);
        EXPECT_EQ(xml, testsupport::XmlDocument());
        EXPECT_EQ(testsupport::XmlProblems(xml), "");
        const std::string page = ReadBytes(dir / "list.htm");
        EXPECT_EQ(page.size(), 1097u);
        EXPECT_EQ(page, testsupport::ViewerPage("list.xml"));
        EXPECT_EQ(strPage.View(), dir / "list.htm");
        EXPECT_EQ(CurrentFolder(), dir.Path());
    }
}

TEST_F(DocumentFrameTest, AnythingButTheExactHeaderIsRefused)
{
    const std::string before = CurrentFolder();
    for (const std::string& bytes : std::vector<std::string>{
             "#Sonquill playlist \r\n", "#sonquill playlist\r\n", "\xEF\xBB\xBF#Sonquill playlist\r\n",
          " #Sonquill playlist\r\n", "", "\r\n#Sonquill playlist\r\n",
          std::string("#Sonquill playlist\0\r\n", 21), "#Sonquill playlist\r\r\n"})
    {
        SCOPED_TRACE(bytes);
        WriteBytes(dir / "list.sqk", bytes);
        EXPECT_FALSE(Convert(dir / "list.sqk", dir / "list.xml"));
        EXPECT_FALSE(Exists(dir / "list.xml"));
        EXPECT_FALSE(Exists(dir / "list.htm"));
        EXPECT_EQ(CurrentFolder(), before);
        EXPECT_EQ(ReadBytes(dir / "list.sqk"), bytes);
    }
    EXPECT_FALSE(Convert(dir / "missing.sqk", dir / "missing.xml"));
    EXPECT_FALSE(Exists(dir / "missing.xml"));
}

TEST_F(DocumentFrameTest, OnlyTheHeaderIsReadWithALimit)
{
    // An entry line of a megabyte without a line end, right after the header.
    const std::string path = "C:\\" + std::string(1 << 20, 'x');
    WriteBytes(dir / "list.sqk", "#Sonquill playlist\r\n" + path);
    ASSERT_TRUE(Convert(dir / "list.sqk", dir / "list.xml"));
    const std::string xml = ReadBytes(dir / "list.xml");
    EXPECT_EQ(testsupport::XmlProblems(xml), "");
    EXPECT_NE(xml.find("<FILEPATH>" + path + "</FILEPATH>"), std::string::npos);
}

TEST_F(DocumentFrameTest, PlaylistThatIsItsOwnOutputStaysIntact)
{
    const std::string playlist = "#Sonquill playlist\r\nC:\\a.mp3\r\n";
    // Named .xml: its XML path is itself, so the run is refused before anything is written.
    WriteBytes(dir / "x.xml", playlist);
    EXPECT_FALSE(Convert(dir / "x.xml", dir / "x.xml"));
    EXPECT_EQ(ReadBytes(dir / "x.xml"), playlist);
    EXPECT_FALSE(Exists(dir / "x.htm"));

    // Named .htm: its page path is itself, so only the page is skipped.
    WriteBytes(dir / "x.htm", playlist);
    CString strPage = "unchanged";
    ASSERT_TRUE(Convert(dir / "x.htm", dir / "x.xml", &strPage));
    EXPECT_TRUE(strPage.IsEmpty());
    EXPECT_EQ(ReadBytes(dir / "x.htm"), playlist);
    EXPECT_EQ(testsupport::XmlProblems(ReadBytes(dir / "x.xml")), "");
}

TEST_F(DocumentFrameTest, ExistingOutputsAreEmptiedAndRewritten)
{
    WriteBytes(dir / "list.sqk", "#Sonquill playlist\r\n");
    WriteBytes(dir / "list.xml", std::string(5000, 'o'));
    WriteBytes(dir / "list.htm", std::string(5000, 'p'));
    ASSERT_TRUE(Convert(dir / "list.sqk", dir / "list.xml"));
    EXPECT_EQ(ReadBytes(dir / "list.xml"), testsupport::XmlDocument());
    EXPECT_EQ(ReadBytes(dir / "list.htm"), testsupport::ViewerPage("list.xml"));
}

TEST_F(DocumentFrameTest, XmlHeldByAnotherProcessIsRefusedBeforeAnythingIsWritten)
{
    WriteBytes(dir / "list.sqk", "#Sonquill playlist\r\n");
    WriteBytes(dir / "list.xml", "held\n");
#ifdef _WIN32
    // Another program holds it with no sharing at all: the system's own share check.
    const std::string xml = dir / "list.xml";
    std::thread holder([&] { testsupport::RunProgram({SQK2XML_FILE_HOLDER, xml}, dir.Path()); });
    for (int i = 0; i < 3000 && !Exists(xml + ".ready") && !Exists(xml + ".failed"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(Exists(xml + ".ready"));

    EXPECT_FALSE(Convert(dir / "list.sqk", dir / "list.xml"));
    EXPECT_FALSE(Exists(dir / "list.htm"));

    WriteBytes(xml + ".release", "");
    holder.join();
    EXPECT_EQ(ReadBytes(dir / "list.xml"), "held\n"); // not even this test could read it before
#else
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t holder = fork();
    if (holder == 0)
    {
        const int fd = open((dir / "list.xml").c_str(), O_RDONLY);
        char c = flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        (void)!read(release[0], &c, 1); // hold the lock until told
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');

    EXPECT_FALSE(Convert(dir / "list.sqk", dir / "list.xml"));
    EXPECT_EQ(ReadBytes(dir / "list.xml"), "held\n");
    EXPECT_FALSE(Exists(dir / "list.htm"));

    (void)!write(release[1], "x", 1);
    waitpid(holder, nullptr, 0);
#endif
    EXPECT_TRUE(Convert(dir / "list.sqk", dir / "list.xml"));
}

TEST_F(DocumentFrameTest, ReadOnlyFolderIsRefused)
{
#ifdef _WIN32
    GTEST_SKIP() << "POSIX only: needs the user nobody and folder permissions";
#else
    WriteBytes(dir / "list.sqk", "#Sonquill playlist\r\n");
    ASSERT_EQ(chmod((dir / "list.sqk").c_str(), 0644), 0);
    ASSERT_EQ(chmod(dir.Path().c_str(), 0555), 0);
    const int status = testsupport::RunAsNobody([&] {
        CPlaylistConverter converter;
        CBeginRefusal refusal;
        if (converter.BeginConversion((dir / "list.sqk").c_str(), (dir / "list.xml").c_str(),
                                      &refusal))
            return 1;
        return refusal.step == CBeginRefusal::xmlNotCreated && refusal.error.m_lOsError == EACCES
                   ? 0
                   : 2;
    });
    if (status == 97)
        GTEST_SKIP() << "cannot run a child as the user nobody here";
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(Exists(dir / "list.xml"));
#endif
}

TEST_F(DocumentFrameTest, FolderChangeFollowsThePlaylistPath)
{
    testsupport::MakeFolder(dir / "music");
    WriteBytes(dir / "music/list.sqk", "#Sonquill playlist\r\nsong.mp3\r\n");
    ASSERT_TRUE(Convert(dir / "music/list.sqk", "list.xml"));
    // The relative XML path and the entry resolve against the playlist's folder.
    EXPECT_EQ(CurrentFolder(), dir / "music");
    const std::string xml = ReadBytes(dir / "music/list.xml");
    EXPECT_NE(xml.find("<FILEPATH>" + dir / "music" + testsupport::kSeparator + "song.mp3</FILEPATH>"),
              std::string::npos);

    // Without a separator in the playlist path the folder stays where it is.
    ASSERT_TRUE(Convert("list.sqk", "other.xml"));
    EXPECT_EQ(CurrentFolder(), dir / "music");
    EXPECT_TRUE(Exists(dir / "music/other.xml"));
}

namespace
{
// Each playlist path, with the folder PlaylistFolder must give for it.
template <size_t N>
void ExpectFolders(const std::pair<const char*, const char*> (&cases)[N])
{
    for (const auto& [path, folder] : cases)
    {
        SCOPED_TRACE(path);
        CString strFolder;
        ASSERT_TRUE(PlaylistFolder(path, strFolder));
        EXPECT_EQ(strFolder.View(), folder);
    }
}
} // namespace

TEST(PlaylistFolder, RootFolderIsTheRootItself)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/list.sqk", "/"},
        {"/music/list.sqk", "/music"},
        {"C:/list.sqk", "C:/"},
        {"music/list.sqk", "music"},
    };
    ExpectFolders(cases);
    CString strFolder;
    EXPECT_FALSE(PlaylistFolder("list.sqk", strFolder));
}

TEST(PlaylistFolder, WindowsTakesTheLaterOfEitherSeparator)
{
#ifndef _WIN32
    GTEST_SKIP() << "Windows only: a backslash is a plain character of a POSIX name";
#else
    plat::SetACP(932);
    // "\x95\x5C" is one character of code page 932 whose trail byte is a backslash.
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\list.sqk", "C:\\"},
        {"C:\\music\\dir/list.sqk", "C:\\music\\dir"},
        {"C:\\music/dir\\list.sqk", "C:\\music/dir"},
        {"\\\\server\\share\\list.sqk", "\\\\server\\share"},
        {"music\\list.sqk", "music"},
        {"C:\\dir\\\x95\x5C.sqk", "C:\\dir"},
        {"C:\\dir\\\x95\x5C\\list.sqk", "C:\\dir\\\x95\x5C"},
    };
    ExpectFolders(cases);
#endif
}

TEST_F(DocumentFrameTest, WriteFailureThrowsNamingTheXmlFile)
{
#ifdef _WIN32
    GTEST_SKIP() << "POSIX only: needs a file-size limit (setrlimit)";
#else
    const std::string playlist = testsupport::ManyEntries(2000);
    WriteBytes(dir / "list.sqk", playlist);
    const int status = testsupport::RunWithFileSizeLimit(20000, [&] {
        try
        {
            Convert(dir / "list.sqk", dir / "list.xml");
            return 1;
        }
        catch (const CFileException& e)
        {
            return e.m_strFileName.View() == dir / "list.xml" && e.m_lOsError == EFBIG ? 0 : 2;
        }
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadBytes(dir / "list.sqk"), playlist);
#endif
}

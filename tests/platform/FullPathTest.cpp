#include <cstring>

#include <gtest/gtest.h>

#include "CodePage.h"
#include "Folder.h"
#include "TestSupport.h"

using namespace plat;

TEST(FullPath, ResolvesLexically)
{
    struct Case
    {
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        {"list.sqk", "/home/me/list.sqk"},
        {"music\\list.sqk", "/home/me/music/list.sqk"},
        {"music/./list.sqk", "/home/me/music/list.sqk"},
        {"../list.sqk", "/home/list.sqk"},
        {"../../../../x", "/x"},
        {"a//b///c", "/home/me/a/b/c"},
        {"folder/", "/home/me/folder/"},
        {".", "/home/me"},
        {"/abs/./x/../y", "/abs/y"},
        {"//abs//y", "/abs/y"},
        {"/", "/"},
        {"/..", "/"},
        {"C:\\Music\\Song.mp3", "C:\\Music\\Song.mp3"},
        {"c:/Music/../Song.mp3", "c:/Music/../Song.mp3"},
        {"\\\\server\\share\\a.mp3", "\\\\server\\share\\a.mp3"},
        {"C:relative.mp3", "/home/me/C:relative.mp3"},
        {"\\rooted\\a.mp3", "/home/me/rooted/a.mp3"},
        {"   ", "/home/me/   "},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ResolvePosixPath(1252, c.path, "/home/me").View(), c.expected);
    }
    // Under 932 the trail byte 0x5C of 0x95 0x5C stays; the real backslash becomes '/'.
    EXPECT_EQ(ResolvePosixPath(932, "\x95\x5C\\a.mp3", "/m").View(), "/m/\x95\x5C/a.mp3");
    EXPECT_EQ(ResolvePosixPath(1252, "\x95\x5C\\a.mp3", "/m").View(), "/m/\x95/a.mp3");
}

TEST(FullPath, FileNameAndTheBufferLimit)
{
    testsupport::TempDir dir;
    SetACP(1252);
    ASSERT_TRUE(SetCurrentDirectory(dir.Path().c_str()));

    char buffer[MAX_PATH];
    char* pFilePart = nullptr;
    const std::string expected = dir / "sub" + testsupport::kSeparator + "name.xml";
    unsigned n = GetFullPathName("sub\\name.xml", MAX_PATH, buffer, &pFilePart);
    ASSERT_EQ(n, expected.size());
    EXPECT_EQ(std::string(buffer), expected);
    ASSERT_NE(pFilePart, nullptr);
    EXPECT_STREQ(pFilePart, "name.xml");

#ifndef _WIN32
    // Under 932 a lead byte right before '/' does not hide it: the file system splits there.
    // (On Windows the system's own conversion of the name decides.)
    SetACP(932);
    n = GetFullPathName("\xFA/name.xml", MAX_PATH, buffer, &pFilePart);
    ASSERT_NE(pFilePart, nullptr);
    EXPECT_STREQ(pFilePart, "name.xml");
    SetACP(1252);
#endif

    n = GetFullPathName("folder/", MAX_PATH, buffer, &pFilePart);
    EXPECT_EQ(pFilePart, nullptr);
    EXPECT_EQ(GetFullPathName("", MAX_PATH, buffer, &pFilePart), 0u);

    // 259 characters fit the 260-character buffer with its zero; 260 do not, and then the
    // size needed comes back and the buffer is left alone.
    const size_t nBase = dir.Path().size() + 1;
    const std::string fits(259 - nBase, 'f');
    n = GetFullPathName(fits.c_str(), MAX_PATH, buffer, &pFilePart);
    EXPECT_EQ(n, 259u);
    EXPECT_EQ(std::string(buffer), dir / fits);
    std::memset(buffer, 'Z', sizeof buffer);
    const std::string tooLong(260 - nBase, 'f');
    n = GetFullPathName(tooLong.c_str(), MAX_PATH, buffer, &pFilePart);
    EXPECT_EQ(n, 261u);
    EXPECT_EQ(buffer[0], 'Z');
}

TEST(FullPath, CurrentFolderFollowsChanges)
{
    testsupport::TempDir dir;
    SetACP(1252);
    testsupport::MakeFolder(dir / "caf\xC3\xA9"); // named in UTF-8
    ASSERT_TRUE(SetCurrentDirectory((dir / "caf\xE9").c_str()));
    CString strFolder;
    ASSERT_TRUE(GetCurrentDirectory(strFolder));
    EXPECT_EQ(strFolder.View(), dir / "caf\xE9"); // ANSI inside
    EXPECT_FALSE(SetCurrentDirectory((dir / "missing").c_str()));
    ASSERT_TRUE(GetCurrentDirectory(strFolder));
    EXPECT_EQ(strFolder.View(), dir / "caf\xE9");
}

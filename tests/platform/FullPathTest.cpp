#include <cstring>

#include <gtest/gtest.h>

#include "CodePage.h"
#include "Folder.h"
#include "TestSupport.h"
#ifdef _WIN32
#include "WideText.h"
#include "Win32.h"
#endif

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

namespace
{
// Paths that Windows resolves to themselves, and paths it may change (or treats apart).
const char* const kPlainPaths[] = {
    "C:\\Music\\Song.mp3",
    "D:\\a",
    "Z:\\Music Library\\Artist - Album (1999) [CD 1]\\01 - Intro; #1, 50% 'live'.mp3",
    "C:\\.hidden\\x.y.z",
    "C:\\console\\nul2.mp3",
    "C:\\COM10\\LPT\\cons.mp3\\a",
    "C:\\Music\\conout$   x.mp3",
    "C:\\Music\\CON     x",
    "C:\\Music\\AUX1.mp3",
    "C:\\Aux Tracks\\Portable Nightlife Collection\\Conversation (Live).mp3",
    "\\\\server\\share\\a.mp3",
    "\\\\nas\\music\\Velvet Winter\\15 Underground Weather.flac",
    "\\\\server\\share",
    "\\\\my-server.example\\C$\\Music",
};
const char* const kOtherPaths[] = {
    "c:\\music\\song.mp3",   // a lower-case drive
    "C:\\",                   // the root: ends in a separator
    "C:\\Music\\",
    "C:\\Music\\\\Song.mp3",  // an empty name
    "C:\\Music\\.\\Song.mp3",
    "C:\\Music\\..\\Song.mp3",
    "C:\\Music\\Song.",
    "C:\\Music\\Song ",
    "C:\\Music.\\Song.mp3",
    "C:/Music/Song.mp3",
    "C:\\Music/Song.mp3",
    "C:\\Music\\Song.mp3:stream",
    "C:\\Music\\Song?.mp3",
    "C:\\Music\\a*b",
    "C:\\Music\\a\"b",
    "C:\\Music\\a<b",
    "C:\\Music\\a|b",
    "C:\\Music\\a\tb",
    "C:\\Caf\xE9\\Song.mp3",   // not ASCII: the code page decides
    "C:\\Music\\CON",
    "C:\\Music\\nul.txt",
    "C:\\Music\\Com1 .mp3",
    "C:\\lpt9\\Song.mp3",
    "C:\\Music\\CONOUT$",
    "C:\\Music\\conout$   .mp3",
    "C:\\Music\\Com9       ",
    "C:\\Music\\clock$.x",
    "C:Song.mp3",
    "\\\\server",            // a server names no folder
    "\\\\server\\",
    "\\\\server\\share\\",
    "\\\\server\\\\share",
    "\\\\.\\pipe\\a",
    "\\\\?\\C:\\a.mp3",
    "\\\\server\\share\\..\\a.mp3",
    "\\\\server\\nul\\a.mp3",
    "\\\\\\server\\share",
    "\\rooted\\a.mp3",
    "C:\\Music Library Long Name\\a>b",       // past the first sixteen bytes
    "C:\\Music Library Long\x7FName\\a.mp3",
    "C:\\Music Library Long Name\\Caf\xE9.mp3",
    "C:\\Music Library Long Name\\prn",
    "C:\\Music Library Long Name\\aux .mp3",
    "Music\\Song.mp3",
    "",
};
} // namespace

TEST(FullPath, PlainWindowsPathsAreToldByTheirText)
{
    for (const char* path : kPlainPaths)
        EXPECT_TRUE(IsPlainWindowsFullPath(path)) << path;
    for (const char* path : kOtherPaths)
        EXPECT_FALSE(IsPlainWindowsFullPath(path)) << path;
    EXPECT_TRUE(IsPlainWindowsFullPath("C:\\" + std::string(255, 'a')));
    EXPECT_FALSE(IsPlainWindowsFullPath("C:\\" + std::string(257, 'a'))); // MAX_PATH

    // Letters of a single-byte page pass with its table; a double-byte page's do not, nor
    // a byte the page leaves undefined, nor the no-break space.
    const CCodePageTable* p1252 = GetCodePageTable(1252);
    ASSERT_NE(p1252, nullptr);
    EXPECT_TRUE(IsPlainWindowsFullPath("C:\\Caf\xE9\\\x80 Song\xFF.mp3", p1252));
    EXPECT_FALSE(IsPlainWindowsFullPath("C:\\Caf\xE9\\Song.mp3", nullptr));
    EXPECT_FALSE(IsPlainWindowsFullPath("C:\\\x81\\Song.mp3", p1252));
    EXPECT_FALSE(IsPlainWindowsFullPath("C:\\Song\xA0", p1252));
    EXPECT_FALSE(IsPlainWindowsFullPath("C:\\Song\xA0.mp3", p1252));
    EXPECT_FALSE(IsPlainWindowsFullPath("C:\\\x95\x5C\\Song.mp3", GetCodePageTable(932)));
}

#ifdef _WIN32
// The shortcut stands for the system's own resolution: on every plain path, both agree.
TEST(FullPath, PlainWindowsPathsAreWhatTheSystemResolvesThemTo)
{
    for (const char* path : kPlainPaths)
    {
        SCOPED_TRACE(path);
        wchar_t szFull[MAX_PATH * 2] = L"";
        const std::wstring wide = WideFromUtf8(path);
        const DWORD n = ::GetFullPathNameW(wide.c_str(), MAX_PATH * 2, szFull, nullptr);
        ASSERT_GT(n, 0u);
        EXPECT_EQ(Utf8FromWide(std::wstring_view(szFull, n)), path);
    }
    // Every byte of 1252 that the shortcut lets through comes back as itself.
    SetACP(1252);
    const CCodePageTable* p1252 = GetCodePageTable(1252);
    int nPlain = 0;
    for (int b = 0x80; b <= 0xFF; ++b)
    {
        const std::string path = std::string("C:\\a") + char(b) + "b\\" + char(b) +
                                 " and the sixteen bytes after " + char(b) + ".mp3";
        if (!IsPlainWindowsFullPath(path, p1252))
            continue;
        ++nPlain;
        SCOPED_TRACE(b);
        wchar_t szFull[MAX_PATH * 2] = L"";
        const std::wstring wide = WideFromAnsi(path);
        const DWORD n = ::GetFullPathNameW(wide.c_str(), MAX_PATH * 2, szFull, nullptr);
        ASSERT_GT(n, 0u);
        EXPECT_EQ(AnsiFromWide(std::wstring_view(szFull, n)).View(), path);
    }
    EXPECT_GT(nPlain, 100);
}

// A relative path that joins the current folder into a plain full path is resolved without
// the system: every path, plain or not, resolves to what the system makes of it, in a
// folder and at a drive's root, and after the current folder changed.
TEST(FullPath, RelativePathsResolveAsTheSystemResolvesThem)
{
    const std::string longName(300, 'x');
    const char* const relatives[] = {
        "Music\\Song.mp3", "a", "Aux Tracks\\Live (1999)\\01 - Intro.mp3", ".hidden\\x.y",
        "Caf\xE9\\\x80 Song\xFF.mp3", "", ".", "..", ".\\a.mp3", "..\\a.mp3",
        "a\\..\\b.mp3", "a\\.\\b.mp3", "a\\\\b.mp3", "\\rooted.mp3", "C:rel.mp3",
        "a\\CON", "nul.txt", "a.", "a ", "a\\", "a/b.mp3", "a:b", "a?b", "Song\xA0.mp3",
        "\x81.mp3", std::string(300, 'x').c_str(),
    };
    testsupport::TempDir dir;
    testsupport::MakeFolder(dir / "other");
    SetACP(1252);
    const std::string folders[] = {dir.Path(), dir / "other", "C:\\"};
    for (const std::string& folder : folders)
    {
        ASSERT_TRUE(SetCurrentDirectory(folder.c_str()));
        for (const char* relative : relatives)
        {
            SCOPED_TRACE(folder + " + " + relative);
            wchar_t szFull[MAX_PATH * 2] = L"";
            wchar_t* pszFilePart = nullptr;
            const DWORD nWide = ::GetFullPathNameW(WideFromAnsi(relative).c_str(), MAX_PATH * 2,
                                                   szFull, &pszFilePart);
            char buffer[MAX_PATH];
            char* pFilePart = nullptr;
            const unsigned n = GetFullPathName(relative, MAX_PATH, buffer, &pFilePart);
            if (nWide == 0 || nWide >= MAX_PATH)
            {
                EXPECT_TRUE(n == 0 || n > MAX_PATH) << n;
                continue;
            }
            const CString expected = AnsiFromWide(std::wstring_view(szFull, nWide));
            ASSERT_EQ(n, static_cast<unsigned>(expected.GetLength()));
            EXPECT_EQ(std::string_view(buffer, n), expected.View());
            // (For a device, "\\\\.\\CON", the system gives no file part.)
            if (pszFilePart)
            {
                ASSERT_NE(pFilePart, nullptr);
                EXPECT_EQ(std::string_view(pFilePart), AnsiFromWide(pszFilePart).View());
            }
        }
    }
}
#endif

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

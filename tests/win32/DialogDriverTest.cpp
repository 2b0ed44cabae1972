// The real sqk2xml.exe, started and driven from outside with window messages as a user's
// keys and clicks would reach it: the path field, Convert and Enter, the about box from
// the window menu, Browse, and the end with Escape.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "TestSupport.h"
#include "WideText.h"
#include "Win32.h"
#include "resource.h"

using testsupport::CrLfLines;
using testsupport::ReadBytes;
using testsupport::WriteBytes;
using testsupport::XmlDocument;

namespace
{
constexpr auto kPatience = std::chrono::seconds(20);

/// The first non-null result of probe within the patience time; null otherwise.
template <class T> T WaitFor(const std::function<T()>& probe)
{
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    for (;;)
    {
        if (T value = probe())
            return value;
        if (std::chrono::steady_clock::now() > deadline)
            return T{};
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

/// The file's bytes once they are `expected`, within the patience time; what they were at
/// the last look otherwise. A run creates its files when it starts and fills them as it
/// ends, so a file that exists may still be empty or, held unshared, unreadable.
std::string ReadOnceWritten(const std::string& path, const std::string& expected)
{
    std::string bytes;
    WaitFor<bool>([&] { return (bytes = ReadBytes(path)) == expected; });
    return bytes;
}

struct FindData
{
    DWORD dwProcessId;
    std::wstring title;
    HWND hExcept;
    HWND hFound;
};

BOOL CALLBACK FindWindowOfProcess(HWND hWnd, LPARAM lParam)
{
    auto* pData = reinterpret_cast<FindData*>(lParam);
    DWORD dwProcessId = 0;
    ::GetWindowThreadProcessId(hWnd, &dwProcessId);
    if (dwProcessId != pData->dwProcessId || hWnd == pData->hExcept || !::IsWindowVisible(hWnd))
        return TRUE;
    wchar_t szTitle[256] = L"";
    ::GetWindowTextW(hWnd, szTitle, 256);
    if (!pData->title.empty() && pData->title != szTitle)
        return TRUE;
    pData->hFound = hWnd;
    return FALSE;
}

std::string ControlText(HWND hWnd, int nID)
{
    wchar_t szText[1024] = L"";
    ::GetDlgItemTextW(hWnd, nID, szText, 1024);
    return plat::Utf8FromWide(szText);
}

// The program, with the dialog it shows; ended at the end of each test if still running.
class DialogDriverTest : public testsupport::FolderTest
{
protected:
    void SetUp() override
    {
        FolderTest::SetUp();
        std::wstring commandLine = L"\"" + plat::WideFromUtf8(SQK2XML_GUI) + L"\"";
        const std::wstring arguments = Arguments();
        if (!arguments.empty())
            commandLine += L" " + arguments;
        const std::wstring folder = plat::WideFromUtf8(dir.Path());
        STARTUPINFOW si{};
        si.cb = sizeof si;
        ASSERT_TRUE(::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                     nullptr, folder.c_str(), &si, &m_pi));
        m_hDlg = Window(L"sqk2xml");
        ASSERT_NE(m_hDlg, nullptr) << "the dialog did not show";
    }

    /// What the program is started with after its name; run after the folder is made.
    virtual std::wstring Arguments() { return L""; }

    void TearDown() override
    {
        if (m_pi.hProcess)
        {
            if (::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT)
                ::TerminateProcess(m_pi.hProcess, 99);
            ::CloseHandle(m_pi.hProcess);
            ::CloseHandle(m_pi.hThread);
        }
    }

    /// A visible window of the program with this title (any title when empty), other
    /// than hExcept, that shows within the patience time.
    HWND Window(const std::wstring& title, HWND hExcept = nullptr) const
    {
        return WaitFor<HWND>([&] {
            FindData data{m_pi.dwProcessId, title, hExcept, nullptr};
            ::EnumWindows(&FindWindowOfProcess, reinterpret_cast<LPARAM>(&data));
            return data.hFound;
        });
    }

    /// Whether hWnd is gone within the patience time.
    static bool Closes(HWND hWnd)
    {
        return WaitFor<bool>([&] { return !::IsWindow(hWnd) || !::IsWindowVisible(hWnd); });
    }

    /// The exit status once the program ends; -1 when it does not end in time.
    int ExitStatus() const
    {
        if (::WaitForSingleObject(m_pi.hProcess, 20000) != WAIT_OBJECT_0)
            return -1;
        DWORD dwStatus = 0;
        ::GetExitCodeProcess(m_pi.hProcess, &dwStatus);
        return static_cast<int>(dwStatus);
    }

    PROCESS_INFORMATION m_pi{};
    HWND m_hDlg = nullptr;
};

const std::string kPlaylist = "#Sonquill playlist\r\n"
                              "C:\\Music\\One.mp3\x01NAME One\x01" "ATST Artist\r\n";

std::string ExpectedXml()
{
    return XmlDocument(CrLfLines({"\t<TRACK>", "\t\t<FILEPATH>C:\\Music\\One.mp3</FILEPATH>",
                                  "\t\t<ARTIST>Artist</ARTIST>", "\t\t<TITLE>One</TITLE>",
                                  "\t</TRACK>"}));
}
// Started as the desktop starts it for a file, with an option and a second file after it.
class DialogStartedWithAPathTest : public DialogDriverTest
{
protected:
    std::wstring Arguments() override
    {
        WriteBytes(dir / "caf\xc3\xa9.sqk", kPlaylist);
        WriteBytes(dir / "other.sqk", kPlaylist);
        return L"--option \"" + plat::WideFromUtf8(dir / "caf\xc3\xa9.sqk") + L"\" \"" +
               plat::WideFromUtf8(dir / "other.sqk") + L"\"";
    }
};
} // namespace

TEST_F(DialogStartedWithAPathTest, TheFirstPathFillsTheFieldAndEnterConvertsIt)
{
    EXPECT_EQ(ControlText(m_hDlg, IDC_PLAYLIST_PATH), dir / "caf\xc3\xa9.sqk");
    const HWND hEdit = ::GetDlgItem(m_hDlg, IDC_PLAYLIST_PATH);
    ::SetForegroundWindow(m_hDlg);
    ::PostMessageW(hEdit, WM_KEYDOWN, VK_RETURN, 0);
    ::PostMessageW(hEdit, WM_KEYUP, VK_RETURN, 0);
    EXPECT_EQ(ReadOnceWritten(dir / "caf\xc3\xa9.xml", ExpectedXml()), ExpectedXml());
    EXPECT_FALSE(testsupport::Exists(dir / "other.xml"));
    EXPECT_TRUE(::IsWindowVisible(m_hDlg));

    ::PostMessageW(m_hDlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(ExitStatus(), 0);
}

TEST_F(DialogDriverTest, ConvertAndEnterConvertAndTheDialogStaysOpen)
{
    WriteBytes(dir / "party.sqk", kPlaylist);
    const std::wstring path = plat::WideFromUtf8(dir / "party.sqk");
    EXPECT_EQ(::GetDlgCtrlID(::GetDlgItem(m_hDlg, IDC_PLAYLIST_PATH)), IDC_PLAYLIST_PATH);
    ASSERT_TRUE(::SetDlgItemTextW(m_hDlg, IDC_PLAYLIST_PATH, path.c_str()));

    ::SendMessageW(::GetDlgItem(m_hDlg, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(ReadBytes(dir / "party.xml"), ExpectedXml());
    // The page that carries its rows, as a browser of today shows it.
    const std::string page = ReadBytes(dir / "party.htm");
    EXPECT_EQ(page.rfind("<!DOCTYPE html>\r\n", 0), 0u);
    EXPECT_NE(page.find("<title>party.xml</title>"), std::string::npos);
    EXPECT_NE(page.find("\r\n<tr><td>One<td>Artist<td><td><td><td><td><td><td><td><td><td></tr>\r\n"),
              std::string::npos);
    EXPECT_EQ(page.substr(page.size() - 29), "</script>\r\n</body>\r\n</html>\r\n");
    EXPECT_TRUE(::IsWindowVisible(m_hDlg));
    EXPECT_EQ(ControlText(m_hDlg, IDC_PLAYLIST_PATH), dir / "party.sqk");

    // Enter in the path field is Convert too.
    WriteBytes(dir / "second.sqk", kPlaylist);
    ::SetDlgItemTextW(m_hDlg, IDC_PLAYLIST_PATH, plat::WideFromUtf8(dir / "second.sqk").c_str());
    const HWND hEdit = ::GetDlgItem(m_hDlg, IDC_PLAYLIST_PATH);
    ::SetForegroundWindow(m_hDlg);
    ::PostMessageW(hEdit, WM_KEYDOWN, VK_RETURN, 0);
    ::PostMessageW(hEdit, WM_KEYUP, VK_RETURN, 0);
    EXPECT_EQ(ReadOnceWritten(dir / "second.xml", ExpectedXml()), ExpectedXml());
    EXPECT_TRUE(::IsWindowVisible(m_hDlg));

    ::PostMessageW(m_hDlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(ExitStatus(), 0);
}

TEST_F(DialogDriverTest, FailedWriteIsReportedInAMessageBoxAndTheDialogGoesOn)
{
    // The build's folder where list.xml leads to /dev/full: every write to it fails.
    const std::string folder = SQK2XML_FULL_DISK_DIR;
    WriteBytes(folder + "\\list.sqk", kPlaylist);
    const std::string playlist = folder + "\\list.sqk";
    ::SetDlgItemTextW(m_hDlg, IDC_PLAYLIST_PATH, plat::WideFromUtf8(playlist).c_str());
    ::PostMessageW(m_hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);

    const HWND hBox = Window(L"sqk2xml", m_hDlg);
    ASSERT_NE(hBox, nullptr) << "no message box";
    EXPECT_EQ(::GetWindow(hBox, GW_OWNER), m_hDlg);
    const std::string text = ControlText(hBox, 0xFFFF); // the box's text
    EXPECT_EQ(text.rfind("An error occurred while accessing ", 0), 0u) << text;
    EXPECT_NE(text.find("list.xml.\n"), std::string::npos) << text; // the file, then why
    ::PostMessageW(hBox, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(Closes(hBox));
    EXPECT_TRUE(::IsWindowVisible(m_hDlg));
    EXPECT_EQ(ControlText(m_hDlg, IDC_PLAYLIST_PATH), playlist);

    ::PostMessageW(m_hDlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(ExitStatus(), 0);
}

TEST_F(DialogDriverTest, WindowMenuCommandsOpenTheAboutBoxAndNothingElse)
{
    // Every command from 0x0010 to 0x001F is the about entry.
    for (const WPARAM nCommand : {WPARAM(IDM_ABOUTBOX), WPARAM(0x001F)})
    {
        SCOPED_TRACE(nCommand);
        ::PostMessageW(m_hDlg, WM_SYSCOMMAND, nCommand, 0);
        const HWND hAbout = Window(L"About sqk2xml", m_hDlg);
        ASSERT_NE(hAbout, nullptr);
        EXPECT_EQ(::GetWindow(hAbout, GW_OWNER), m_hDlg);
        EXPECT_FALSE(::IsWindowEnabled(m_hDlg)); // modal over the main dialog
        EXPECT_EQ(ControlText(hAbout, IDOK), "OK");
        ::PostMessageW(hAbout, WM_COMMAND, nCommand == IDM_ABOUTBOX ? IDOK : IDCANCEL, 0);
        EXPECT_TRUE(Closes(hAbout));
        EXPECT_TRUE(WaitFor<bool>([&] { return ::IsWindowEnabled(m_hDlg) != FALSE; }));
    }

    ::PostMessageW(m_hDlg, WM_SYSCOMMAND, 0x0020, 0);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    FindData data{m_pi.dwProcessId, L"", m_hDlg, nullptr};
    ::EnumWindows(&FindWindowOfProcess, reinterpret_cast<LPARAM>(&data));
    EXPECT_EQ(data.hFound, nullptr) << "0x0020 opened a window";
    EXPECT_TRUE(::IsWindowVisible(m_hDlg));

    // Escape ends the program: InitInstance returns FALSE, the status is 0.
    const HWND hEdit = ::GetDlgItem(m_hDlg, IDC_PLAYLIST_PATH);
    ::PostMessageW(hEdit, WM_KEYDOWN, VK_ESCAPE, 0);
    ::PostMessageW(hEdit, WM_KEYUP, VK_ESCAPE, 0);
    EXPECT_EQ(ExitStatus(), 0);
}

TEST_F(DialogDriverTest, BrowseTakesATypedNameWithTheDefaultExtension)
{
    ::SetDlgItemTextW(m_hDlg, IDC_PLAYLIST_PATH, L"before");
    ::PostMessageW(m_hDlg, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(m_hDlg, IDC_BROWSE)));
    HWND hFileDlg = Window(L"Open", m_hDlg);
    ASSERT_NE(hFileDlg, nullptr);
    EXPECT_EQ(::GetWindow(hFileDlg, GW_OWNER), m_hDlg);

    // Cancelled, the field keeps its text.
    ::PostMessageW(hFileDlg, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(Closes(hFileDlg));
    EXPECT_EQ(ControlText(m_hDlg, IDC_PLAYLIST_PATH), "before");

    // A name typed without an extension comes back with ".sqk". (Wine's dialog takes the
    // extension off again when no such file exists, where Windows keeps it: the file is
    // there, so both systems agree.)
    WriteBytes(dir / "newlist.sqk", kPlaylist);
    ::PostMessageW(m_hDlg, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(m_hDlg, IDC_BROWSE)));
    hFileDlg = Window(L"Open", m_hDlg);
    ASSERT_NE(hFileDlg, nullptr);
    const std::wstring typed = plat::WideFromUtf8(dir / "newlist");
    // The file name box of the explorer-style dialog (cmb13), or its plain edit (edt1).
    HWND hName = ::GetDlgItem(hFileDlg, 0x047C);
    if (!hName)
        hName = ::GetDlgItem(hFileDlg, 0x0480);
    ASSERT_NE(hName, nullptr);
    ::SendMessageW(hName, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
    ::PostMessageW(hFileDlg, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(Closes(hFileDlg));
    EXPECT_TRUE(WaitFor<bool>([&] {
        return ControlText(m_hDlg, IDC_PLAYLIST_PATH) == dir / "newlist.sqk";
    })) << ControlText(m_hDlg, IDC_PLAYLIST_PATH);
    EXPECT_FALSE(testsupport::Exists(dir / "newlist.xml")); // Browse only fills the field

    ::PostMessageW(m_hDlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(ExitStatus(), 0);
}

// Shows sqk2xml.exe's dialog for a screenshot, inside the Wine desktop this helper runs in:
//   show_dialog SQK2XML.EXE READY-FILE DONE-FILE STATUS-FILE
// Starts the program, waits for its dialog, creates READY-FILE, waits until DONE-FILE
// exists, then cancels the dialog and writes the program's exit status to STATUS-FILE
// (99 when the dialog never showed or the program did not end). The Wine desktop this
// runs in does not pass an exit status on.
#include <chrono>
#include <string>
#include <thread>

#include "WideText.h"
#include "Win32.h"

namespace
{
bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 5)
        return 2;
    std::wstring commandLine = L"\"" + plat::WideFromUtf8(argv[1]) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &si, &pi))
        return 99;
    HWND hDlg = nullptr;
    for (int i = 0; i < 400 && !hDlg; ++i)
    {
        hDlg = ::FindWindowW(nullptr, L"sqk2xml");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    int nStatus = 99;
    if (hDlg)
    {
        ::SetForegroundWindow(hDlg);
        ::CloseHandle(::CreateFileW(plat::WideFromUtf8(argv[2]).c_str(), GENERIC_WRITE, 0,
                                    nullptr, CREATE_ALWAYS, 0, nullptr));
        const std::wstring done = plat::WideFromUtf8(argv[3]);
        for (int i = 0; i < 1200 && !Exists(done); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::PostMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
    }
    DWORD dwStatus = 99;
    if (::WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(pi.hProcess, &dwStatus);
    else
        ::TerminateProcess(pi.hProcess, 99);
    nStatus = hDlg ? static_cast<int>(dwStatus) : 99;
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    const std::string text = std::to_string(nStatus) + "\n";
    const HANDLE hStatus = ::CreateFileW(plat::WideFromUtf8(argv[4]).c_str(), GENERIC_WRITE, 0,
                                         nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD dwWritten = 0;
    ::WriteFile(hStatus, text.data(), static_cast<DWORD>(text.size()), &dwWritten, nullptr);
    ::CloseHandle(hStatus);
    return nStatus;
}

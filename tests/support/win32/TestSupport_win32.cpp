// The Windows half of the test helpers: documents copied out for the host's XML check,
// and child processes with CreateProcess.
#include "TestSupport.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "WideText.h"
#include "Win32.h"

#include <psapi.h>

namespace testsupport
{

std::string XmlProblems(const std::string& bytes)
{
    const char* dir = std::getenv("SQK2XML_XML_CHECK_DIR");
    if (!dir || !*dir)
        return "SQK2XML_XML_CHECK_DIR is not set: no XML check on Windows";
    static std::atomic<int> s_nDocument{0};
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(dir) + "\\" +
                             (test ? std::string(test->test_suite_name()) + "." + test->name()
                                   : std::string("document")) +
                             "-" + std::to_string(::GetCurrentProcessId()) + "-" +
                             std::to_string(s_nDocument++) + ".xml";
    std::ofstream out(name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return out ? "" : "cannot copy the document to " + name;
}

std::string SystemAnsiToUtf8(UINT cp, const std::string& text)
{
    const int nWide = ::MultiByteToWideChar(cp, MB_PRECOMPOSED, text.c_str(), -1, nullptr, 0);
    if (nWide <= 1)
        return text;
    std::wstring wide(static_cast<size_t>(nWide), L'\0');
    ::MultiByteToWideChar(cp, MB_PRECOMPOSED, text.c_str(), -1, wide.data(), nWide);
    const int nBytes =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (nBytes <= 1)
        return text;
    std::string utf8(static_cast<size_t>(nBytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, utf8.data(), nBytes, nullptr, nullptr);
    utf8.resize(static_cast<size_t>(nBytes) - 1); // without the terminating zero
    return utf8;
}

namespace
{
// One argument as the C runtime's command-line parser reads it back.
std::wstring Quoted(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos)
        return arg;
    std::wstring out = L"\"";
    size_t nBackslashes = 0;
    for (wchar_t c : arg)
    {
        if (c == L'\\')
        {
            ++nBackslashes;
            continue;
        }
        out.append(c == L'"' ? 2 * nBackslashes + 1 : nBackslashes, L'\\');
        nBackslashes = 0;
        out += c;
    }
    out.append(2 * nBackslashes, L'\\');
    return out + L"\"";
}

void Drain(HANDLE h, std::string& sink)
{
    char buffer[4096];
    DWORD n = 0;
    while (::ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0)
        sink.append(buffer, n);
}
} // namespace

// Arguments and environment are UTF-8, as on POSIX.
ProcessResult RunProgram(const std::vector<std::string>& argv, const std::string& cwd,
                         const std::vector<std::string>& extraEnv)
{
    std::wstring commandLine;
    for (const std::string& arg : argv)
        commandLine += (commandLine.empty() ? L"" : L" ") + Quoted(plat::WideFromUtf8(arg));

    std::wstring environment;
    if (wchar_t* pEnv = ::GetEnvironmentStringsW())
    {
        for (const wchar_t* p = pEnv; *p; p += wcslen(p) + 1)
            environment.append(p).push_back(L'\0');
        ::FreeEnvironmentStringsW(pEnv);
    }
    for (const std::string& assignment : extraEnv)
        environment.append(plat::WideFromUtf8(assignment)).push_back(L'\0');
    environment.push_back(L'\0');

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!::CreatePipe(&outRead, &outWrite, &inherit, 0) ||
        !::CreatePipe(&errRead, &errWrite, &inherit, 0))
        return {};
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process{};
    const std::wstring folder = plat::WideFromUtf8(cwd);
    const BOOL bStarted = ::CreateProcessW(
        nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
        environment.data(), folder.c_str(), &startup, &process);
    ::CloseHandle(outWrite);
    ::CloseHandle(errWrite);
    ProcessResult result;
    if (bStarted)
    {
        std::thread errReader([&] { Drain(errRead, result.err); });
        Drain(outRead, result.out);
        errReader.join();
        ::WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        ::GetExitCodeProcess(process.hProcess, &code);
        result.status = static_cast<int>(code);
        PROCESS_MEMORY_COUNTERS memory{};
        if (::K32GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory))
            result.peakKiB = static_cast<long>(memory.PeakWorkingSetSize / 1024);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    ::CloseHandle(outRead);
    ::CloseHandle(errRead);
    return result;
}

} // namespace testsupport

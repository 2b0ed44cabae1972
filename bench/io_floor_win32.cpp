// The floor of a conversion run on Windows: only the file calls, with the program's buffer
// size. Reads a playlist with ReadFile, 512 KiB at a time, and writes as many bytes as its
// document and page hold with WriteFile, 512 KiB at a time, then closes both.
//   sqk2xml-io-floor PLAYLIST OUTPUT BYTES
// Prints the seconds the file calls took.
#include <cstdio>
#include <cstdlib>
#include <vector>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

int main(int argc, char** argv)
{
    if (argc != 4)
    {
        std::fprintf(stderr, "usage: sqk2xml-io-floor PLAYLIST OUTPUT BYTES\n");
        return 2;
    }
    constexpr DWORD kBuffer = 512 * 1024; // StdioFile's buffer
    const long long nOut = std::atoll(argv[3]);
    std::vector<char> buffer(kBuffer, 'x');
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    const HANDLE hIn = ::CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const HANDLE hOut = ::CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hIn == INVALID_HANDLE_VALUE || hOut == INVALID_HANDLE_VALUE)
        return 1;
    DWORD nGot = 0;
    while (::ReadFile(hIn, buffer.data(), kBuffer, &nGot, nullptr) && nGot > 0)
    {
    }
    for (long long nLeft = nOut; nLeft > 0;)
    {
        const DWORD n = nLeft < kBuffer ? static_cast<DWORD>(nLeft) : kBuffer;
        DWORD nPut = 0;
        if (!::WriteFile(hOut, buffer.data(), n, &nPut, nullptr) || nPut != n)
            return 1;
        nLeft -= n;
    }
    ::CloseHandle(hOut);
    ::CloseHandle(hIn);
    ::QueryPerformanceCounter(&end);
    std::printf("%.3f\n", double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart));
    return 0;
}

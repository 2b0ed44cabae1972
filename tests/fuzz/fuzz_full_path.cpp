// plat::GetFullPathName on arbitrary paths, code pages and buffer sizes.
//
// Input: byte 0 picks the code page (low seven bits) and adds 256 to the buffer size
// (high bit); byte 1 plus one is the buffer size; the rest is the path. The current folder
// is this process's work folder.
// Checked: the buffer protocol (the length when the path fits, with its terminating zero,
// else the size needed and the buffer untouched, and nothing written past the buffer);
// a Windows-absolute path comes back as given; any other path comes back as the lexical
// full path worked out here (backslashes outside double-byte characters are separators,
// relative paths join the current folder, "." and ".." and empty components go); the
// result resolves to itself; the file part points after the last separator.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "CodePage.h"
#include "Folder.h"
#include "FuzzSupport.h"

namespace
{
constexpr unsigned char kUntouched = 0xA5;
constexpr size_t kGuard = 64;

bool IsLead(UINT cp, unsigned char b)
{
    if (cp == 932)
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    return (cp == 936 || cp == 949 || cp == 950) && b >= 0x81 && b <= 0xFE;
}

bool IsWindowsAbsolute(std::string_view path)
{
    const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    return (path.size() >= 3 && isLetter(path[0]) && path[1] == ':' &&
            (path[2] == '\\' || path[2] == '/')) ||
           path.substr(0, 2) == "\\\\";
}

// "/" joined components, without empty ones, "." and ".." (which stops at the root); a
// separator at the end stays when anything is left.
std::string Normalise(std::string_view path)
{
    std::vector<std::string_view> parts;
    size_t i = 0;
    while (i <= path.size())
    {
        size_t next = path.find('/', i);
        if (next == std::string_view::npos)
            next = path.size();
        const std::string_view part = path.substr(i, next - i);
        if (part == "..")
        {
            if (!parts.empty())
                parts.pop_back();
        }
        else if (!part.empty() && part != ".")
            parts.push_back(part);
        i = next + 1;
    }
    std::string out;
    for (std::string_view part : parts)
        out.append("/").append(part);
    if (out.empty() || (path.back() == '/' && !parts.empty()))
        out += '/';
    return out;
}

std::string Expected(UINT cp, const std::string& path, const std::string& current)
{
    if (IsWindowsAbsolute(path))
        return path;
    if (path[0] == '/')
        return Normalise(path);
    std::string joined = current + "/";
    for (size_t i = 0; i < path.size(); ++i)
    {
        const auto b = static_cast<unsigned char>(path[i]);
        if (IsLead(cp, b) && i + 1 < path.size())
        {
            joined += path[i];
            joined += path[++i]; // the trail byte is part of the character, whatever it is
        }
        else
            joined += b == '\\' ? '/' : path[i];
    }
    return Normalise(joined);
}

struct Call
{
    unsigned nResult;
    std::vector<unsigned char> buffer;
    char* pszFilePart;
};

Call Resolve(const CString& strPath, unsigned nBuffer)
{
    Call call{0, std::vector<unsigned char>(nBuffer + kGuard, kUntouched), nullptr};
    char* const pszSentinel = reinterpret_cast<char*>(&call);
    call.pszFilePart = pszSentinel;
    call.nResult = plat::GetFullPathName(strPath, nBuffer,
                                         reinterpret_cast<char*>(call.buffer.data()),
                                         &call.pszFilePart);
    for (size_t i = nBuffer; i < call.buffer.size(); ++i)
        if (call.buffer[i] != kUntouched)
            fuzz::Fail("GetFullPathName wrote past the buffer");
    if (call.nResult >= nBuffer)
    {
        for (size_t i = 0; i < nBuffer; ++i)
            if (call.buffer[i] != kUntouched)
                fuzz::Fail("GetFullPathName wrote into a buffer that was too small");
    }
    else if (call.nResult != 0 && call.buffer[call.nResult] != 0)
        fuzz::Fail("the full path is not zero-terminated");
    return call;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    static const std::string s_current = [] {
        const std::string folder = fuzz::WorkFolder();
        if (!plat::SetCurrentDirectory(folder.c_str()))
            fuzz::Fail("cannot enter the work folder");
        return folder;
    }();
    const UINT cp = fuzz::CodePageFor(data[0] & 0x7F);
    plat::SetACP(cp);
    const unsigned nBuffer = 1u + data[1] + ((data[0] & 0x80) ? 256u : 0u);
    const std::string path(reinterpret_cast<const char*>(data) + 2, size - 2);
    const CString strPath(path.data(), static_cast<int>(path.size()));

    const Call first = Resolve(strPath, nBuffer);
    if (path.empty())
    {
        if (first.nResult != 0)
            fuzz::Fail("an empty path was resolved");
        return 0;
    }
    if (first.nResult == 0)
        fuzz::Fail("a path was not resolved");

    // The full path, from the first call or from a second one with the size asked for.
    // (Moving a Call keeps its buffer where it is, so the file part stays valid.)
    const bool bFits = first.nResult < nBuffer;
    Call second{};
    if (!bFits)
    {
        second = Resolve(strPath, first.nResult);
        if (second.nResult + 1 != first.nResult)
            fuzz::Fail("the size asked for is not the full path's length plus its zero");
    }
    const Call& fitting = bFits ? first : second;
    const std::string full(reinterpret_cast<const char*>(fitting.buffer.data()), fitting.nResult);

    const std::string expected = Expected(cp, path, s_current);
    if (full != expected)
        fuzz::Fail("full path differs from the lexical full path under code page " +
                   std::to_string(cp));

    // The file part: after the last separator, null when the path ends in one. Every '/'
    // separates, as it does for the resolution above and for the file system: no double-
    // byte character ends in one (trail bytes start at 0x40). A Windows-absolute path also
    // separates at backslashes that are not the second byte of a double-byte character.
    const bool bWindows = IsWindowsAbsolute(full);
    size_t nFile = 0;
    for (size_t i = 0; i < full.size(); ++i)
    {
        const auto b = static_cast<unsigned char>(full[i]);
        if (b == '/' || (bWindows && b == '\\'))
            nFile = i + 1;
        else if (bWindows && IsLead(cp, b) && i + 1 < full.size() && full[i + 1] != '/')
            ++i;
    }
    const char* pszBuffer = reinterpret_cast<const char*>(fitting.buffer.data());
    const char* pszFileExpected = nFile == full.size() ? nullptr : pszBuffer + nFile;
    if (fitting.pszFilePart != pszFileExpected)
        fuzz::Fail("the file part does not start after the last separator");

    // A full path resolves to itself.
    if (!bWindows)
    {
        const Call again = Resolve(CString(full.data(), static_cast<int>(full.size())),
                                   static_cast<unsigned>(full.size() + 1));
        if (std::string(reinterpret_cast<const char*>(again.buffer.data()), again.nResult) != full)
            fuzz::Fail("a full path does not resolve to itself");
    }
    return 0;
}

// The rules of full paths on POSIX, as string logic: resolved lexically, so the file need
// not exist.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "CodePage.h"
#include "Folder.h"

namespace plat
{
int LastSlash(std::string_view path)
{
    return ReverseFindByte(path.data(), path.size(), '/');
}

bool IsWindowsAbsolute(std::string_view path)
{
    const bool bDrive = path.size() >= 3 &&
                        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                        path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    return bDrive || path.substr(0, 2) == "\\\\";
}

namespace
{
// Resolves "." and ".." and folds repeated separators in an absolute POSIX path; ".."
// at the root stays at the root. A trailing separator is kept.
std::string NormalisePosix(std::string_view path)
{
    std::vector<std::string_view> parts;
    size_t i = 0;
    while (i < path.size())
    {
        const size_t next = std::min(path.find('/', i), path.size());
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
    out.reserve(path.size());
    for (std::string_view part : parts)
        out.append("/").append(part);
    if (out.empty() || (path.back() == '/' && !parts.empty()))
        out.push_back('/');
    return out;
}
} // namespace

CString ResolvePosixPath(UINT cp, const CString& strPath, const CString& strCurrent)
{
    std::string_view path = strPath.View();
    if (IsWindowsAbsolute(path))
        return strPath;
    if (!path.empty() && path[0] == '/')
        return CString(NormalisePosix(path));
    std::string joined(strCurrent.View());
    joined.push_back('/');
    const size_t nBase = joined.size();
    joined.append(path);
    for (size_t i = nBase; i < joined.size(); ++i)
    {
        if (IsLeadByte(cp, static_cast<unsigned char>(joined[i])))
            ++i; // a trail byte 0x5C is part of its character, not a backslash
        else if (joined[i] == '\\')
            joined[i] = '/';
    }
    return CString(NormalisePosix(joined));
}

int FinalComponentStart(UINT cp, const CString& strPath)
{
    const std::string_view path = strPath.View();
    int nLast = LastSlash(path);
    if (IsWindowsAbsolute(path))
        nLast = std::max(nLast, MbReverseFind(cp, path.data(), path.size(), '\\'));
    if (nLast < 0)
        return 0;
    return nLast + 1 == strPath.GetLength() ? -1 : nLast + 1;
}

} // namespace plat

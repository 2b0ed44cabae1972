// The rules of full paths on POSIX, as string logic: resolved lexically, so the file need
// not exist.
#include <algorithm>
#include <cstring>
#include <string>

#include "CodePage.h"
#include "Folder.h"

namespace plat
{
namespace
{
int LastSlash(std::string_view path)
{
    return ReverseFindByte(path.data(), path.size(), '/');
}
} // namespace

int LastSeparator(UINT cp, std::string_view path, CSeparators separators)
{
    const int nSlash = LastSlash(path);
    if (separators == CSeparators::slash)
        return nSlash;
    return std::max(nSlash, MbReverseFind(cp, path.data(), path.size(), '\\'));
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
// Resolves "." and ".." and folds repeated separators in an absolute POSIX path, into
// strOut; ".." at the root stays at the root, and a trailing separator is kept. strOut keeps
// its storage from call to call: every relative entry of a playlist comes through here.
void NormalisePosix(std::string_view path, CString& strOut)
{
    strOut.Empty();
    size_t i = 0;
    while (i < path.size())
    {
        const size_t next = std::min(path.find('/', i), path.size());
        const std::string_view part = path.substr(i, next - i);
        if (part == "..")
            strOut.Truncate(std::max(LastSlash(strOut.View()), 0));
        else if (!part.empty() && part != ".")
            (strOut += '/') += part;
        i = next + 1;
    }
    if (strOut.IsEmpty() || path.back() == '/')
        strOut += '/';
}
} // namespace

void ResolvePosixPath(UINT cp, const CString& strPath, const CString& strCurrent,
                      CString& strFull)
{
    const std::string_view path = strPath.View();
    if (IsWindowsAbsolute(path))
    {
        strFull = path;
        return;
    }
    if (!path.empty() && path[0] == '/')
    {
        NormalisePosix(path, strFull);
        return;
    }
    // The relative path, its backslashes made '/', joined to the folder.
    thread_local std::string t_joined;
    t_joined.assign(strCurrent.View());
    t_joined.push_back('/');
    const size_t nBase = t_joined.size();
    t_joined.append(path);
    if (!IsDoubleByteCodePage(cp))
    {
        std::replace(t_joined.begin() + static_cast<long>(nBase), t_joined.end(), '\\', '/');
    }
    else
    {
        for (size_t i = nBase; i < t_joined.size(); ++i)
        {
            if (IsLeadByte(cp, static_cast<unsigned char>(t_joined[i])))
                ++i; // a trail byte 0x5C is part of its character, not a backslash
            else if (t_joined[i] == '\\')
                t_joined[i] = '/';
        }
    }
    NormalisePosix(t_joined, strFull);
}

CString ResolvePosixPath(UINT cp, const CString& strPath, const CString& strCurrent)
{
    CString strFull;
    ResolvePosixPath(cp, strPath, strCurrent, strFull);
    return strFull;
}

int FinalComponentStart(UINT cp, const CString& strPath)
{
    // A resolved POSIX path keeps its backslashes as parts of names; a Windows-absolute
    // one is kept as it was written.
    const std::string_view path = strPath.View();
    const int nLast = LastSeparator(
        cp, path, IsWindowsAbsolute(path) ? CSeparators::slashAndBackslash : CSeparators::slash);
    if (nLast < 0)
        return 0;
    return nLast + 1 == strPath.GetLength() ? -1 : nLast + 1;
}

} // namespace plat

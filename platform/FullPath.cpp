// The rules of full paths on POSIX, as string logic: resolved lexically, so the file need
// not exist.
#include <algorithm>
#include <array>
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
// The bytes a plain name may hold: printable ASCII, less what Windows reads as a
// separator, a stream or a wildcard. Only ASCII: in every code page those bytes are
// characters of their own, never part of a double-byte one, and they cross to UTF-16 and
// back unchanged.
constexpr auto kPlainNameBytes = [] {
    std::array<bool, 256> table{};
    for (int c = 0x20; c < 0x7F; ++c)
        table[c] = true;
    for (unsigned char c : std::string_view("\\/:*?\"<>|"))
        table[c] = false;
    return table;
}();

bool IsDeviceName(std::string_view name)
{
    // The base name decides: "nul.txt" and "CON " name devices too.
    name = name.substr(0, name.find('.'));
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    if (name.size() < 3 || name.size() > 7)
        return false;
    char base[8] = {};
    for (size_t i = 0; i < name.size(); ++i)
        base[i] = name[i] >= 'a' && name[i] <= 'z' ? static_cast<char>(name[i] - 'a' + 'A') : name[i];
    const std::string_view upper(base, name.size());
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" ||
        upper == "CONIN$" || upper == "CONOUT$" || upper == "CLOCK$")
        return true;
    return upper.size() == 4 && (upper.substr(0, 3) == "COM" || upper.substr(0, 3) == "LPT") &&
           upper[3] >= '0' && upper[3] <= '9';
}

// A byte of a single-byte page that stands for a letter or sign of its own, above U+00A0
// (a no-break space might pass for a space) and not the substitute: it crosses to UTF-16
// and back as itself, and the system's path rules, which look only at ASCII, pass it by.
bool IsPlainNonAscii(const CCodePageTable& table, unsigned char b)
{
    const CCodePageTable::Utf8& c = table.Single(b);
    const auto b0 = static_cast<unsigned char>(c.bytes[0]);
    const auto b1 = static_cast<unsigned char>(c.bytes[1]);
    const bool bBelowA0 = c.nLen < 2 || (c.nLen == 2 && b0 == 0xC2 && b1 <= 0xA0);
    const bool bSubstitute = c.nLen == 3 && std::memcmp(c.bytes, "\xEF\xBF\xBD", 3) == 0;
    return !bBelowA0 && !bSubstitute;
}
} // namespace

bool IsPlainWindowsFullPath(std::string_view path, const CCodePageTable* pSingleByte)
{
    if (pSingleByte && pSingleByte->HasLeadBytes())
        pSingleByte = nullptr;
    if (path.size() < 4 || path.size() >= MAX_PATH || path[0] < 'A' || path[0] > 'Z' ||
        path[1] != ':' || path[2] != '\\')
        return false;
    size_t nStart = 3;
    for (size_t i = 3; i <= path.size(); ++i)
    {
        if (i < path.size() && path[i] != '\\')
        {
            const auto c = static_cast<unsigned char>(path[i]);
            if (!kPlainNameBytes[c] && !(c >= 0x80 && pSingleByte && IsPlainNonAscii(*pSingleByte, c)))
                return false;
            continue;
        }
        const std::string_view name = path.substr(nStart, i - nStart);
        if (name.empty() || name == "." || name == ".." || name.back() == '.' ||
            name.back() == ' ' || IsDeviceName(name))
            return false;
        nStart = i + 1;
    }
    return true;
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

// The rules of full paths on POSIX, as string logic: resolved lexically, so the file need
// not exist.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "CodePage.h"
#include "Folder.h"
#include "Simd.h"

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

// True when the name may be a device's by its first two letters, whatever their case:
// most names stop here.
inline bool MayBeDeviceName(std::string_view name)
{
    if (name.size() < 3)
        return false;
    switch ((name[0] | 0x20) << 8 | (name[1] | 0x20))
    {
    case 'a' << 8 | 'u': // AUX
    case 'c' << 8 | 'o': // CON, CONIN$, CONOUT$, COM1
    case 'c' << 8 | 'l': // CLOCK$
    case 'l' << 8 | 'p': // LPT1
    case 'n' << 8 | 'u': // NUL
    case 'p' << 8 | 'r': // PRN
        return true;
    default:
        return false;
    }
}

bool IsDeviceName(std::string_view name)
{
    if (!MayBeDeviceName(name))
        return false;
    // The base name decides: "nul.txt" and "CON " name devices too. It ends at the first
    // '.', less the spaces before that; a device's has 3 to 7 characters, so the first
    // eight say enough, with the spaces after them.
    size_t nBase = 0;
    while (nBase < name.size() && nBase < 8 && name[nBase] != '.')
        ++nBase;
    if (nBase == 8)
    {
        size_t i = 7;
        while (i < name.size() && name[i] == ' ')
            ++i;
        if (i < name.size() && name[i] != '.')
            return false;
        nBase = 7;
    }
    while (nBase > 0 && name[nBase - 1] == ' ')
        --nBase;
    if (nBase < 3 || nBase > 7)
        return false;
    char base[8] = {};
    for (size_t i = 0; i < nBase; ++i)
        base[i] = name[i] >= 'a' && name[i] <= 'z' ? static_cast<char>(name[i] - 'a' + 'A') : name[i];
    const std::string_view upper(base, nBase);
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" ||
        upper == "CONIN$" || upper == "CONOUT$" || upper == "CLOCK$")
        return true;
    const std::string_view prefix(base, 3);
    return nBase == 4 && (prefix == "COM" || prefix == "LPT") &&
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

// A byte that may stand in a plain name, or the separator.
bool IsPlainPathByte(unsigned char c, const CCodePageTable* pSingleByte)
{
    return kPlainNameBytes[c] || c == '\\' ||
           (c >= 0x80 && pSingleByte && IsPlainNonAscii(*pSingleByte, c));
}

// The separators of a path shorter than MAX_PATH, one bit for each of its bytes; a word
// more, for the bits of a last block of sixteen that cross into it.
using SeparatorBits = std::array<uint64_t, MAX_PATH / 64 + 2>;

#ifdef SQK2XML_SSE2
// For the sixteen bytes at p, one bit for each that is neither plain ASCII of a name nor
// a backslash, into bad, and one for each backslash, into separators. The signed
// comparison with 0x20 also catches every byte of 0x80 and above.
void PathMasks16(const char* p, unsigned& bad, unsigned& separators)
{
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    auto is = [&x](char c) { return _mm_cmpeq_epi8(x, _mm_set1_epi8(c)); };
    const __m128i notPlain = _mm_or_si128(
        _mm_or_si128(_mm_or_si128(_mm_cmplt_epi8(x, _mm_set1_epi8(0x20)), is('\x7F')),
                     _mm_or_si128(is('/'), is(':'))),
        _mm_or_si128(_mm_or_si128(_mm_or_si128(is('*'), is('?')), _mm_or_si128(is('"'), is('<'))),
                     _mm_or_si128(is('>'), is('|'))));
    bad = static_cast<unsigned>(_mm_movemask_epi8(notPlain));
    separators = static_cast<unsigned>(_mm_movemask_epi8(is('\\')));
}
#endif

// Marks the backslashes of the path from nFirst on; false when a byte there may not stand
// in a plain full path. One pass: a path has a handful of names, and a search started
// afresh for each costs more in setting up than in searching.
bool ScanPlainPathBytes(std::string_view path, size_t nFirst, const CCodePageTable* pSingleByte,
                        SeparatorBits& separators)
{
    const auto* p = reinterpret_cast<const unsigned char*>(path.data());
    const size_t n = path.size();
    size_t i = nFirst;
#ifdef SQK2XML_SSE2
    while (n >= 16)
    {
        // The last block ends where the path ends, over bytes already seen: seeing them
        // again changes nothing. Bytes before nFirst are not the names'.
        const size_t at = std::min(i, n - 16);
        unsigned bad = 0;
        unsigned separatorMask = 0;
        PathMasks16(path.data() + at, bad, separatorMask);
        if (at < nFirst)
        {
            bad &= ~0u << (nFirst - at);
            separatorMask &= ~0u << (nFirst - at);
        }
        for (; bad; bad &= bad - 1)
            if (!IsPlainPathByte(p[at + simd::LowestBit(bad)], pSingleByte))
                return false;
        separators[at / 64] |= uint64_t{separatorMask} << (at % 64);
        if (at % 64 > 48)
            separators[at / 64 + 1] |= uint64_t{separatorMask} >> (64 - at % 64);
        if (at + 16 >= n)
            return true;
        i = at + 16;
    }
#endif
    for (; i < n; ++i)
    {
        if (p[i] == '\\')
            separators[i / 64] |= uint64_t{1} << (i % 64);
        else if (!IsPlainPathByte(p[i], pSingleByte))
            return false;
    }
    return true;
}

// A name that Windows takes as it is written: not empty, not "." or "..", no dot or
// space at the end (which the system drops), no device.
bool IsPlainName(std::string_view name)
{
    return !name.empty() && name.back() != '.' && name.back() != ' ' && !IsDeviceName(name);
}
} // namespace

bool IsPlainWindowsFullPath(std::string_view path, const CCodePageTable* pSingleByte)
{
    if (pSingleByte && pSingleByte->HasLeadBytes())
        pSingleByte = nullptr;
    if (path.size() < 4 || path.size() >= MAX_PATH)
        return false;
    // A drive, or a server and its share: their names are plain names too.
    const bool bDrive = path[0] >= 'A' && path[0] <= 'Z' && path[1] == ':' && path[2] == '\\';
    const bool bServer = path[0] == '\\' && path[1] == '\\';
    if (!bDrive && !bServer)
        return false;
    const size_t nFirst = bDrive ? 3 : 2;
    SeparatorBits separators{};
    if (!ScanPlainPathBytes(path, nFirst, pSingleByte, separators))
        return false;
    size_t nStart = nFirst;
    int nNames = 0;
    for (size_t w = 0; w < separators.size(); ++w)
    {
        for (uint64_t bits = separators[w]; bits; bits &= bits - 1)
        {
            const size_t nEnd = w * 64 + simd::LowestBit(bits);
            if (!IsPlainName(std::string_view(path.data() + nStart, nEnd - nStart)))
                return false;
            ++nNames;
            nStart = nEnd + 1;
        }
    }
    if (!IsPlainName(std::string_view(path.data() + nStart, path.size() - nStart)))
        return false;
    ++nNames;
    return bDrive || nNames >= 2; // a server alone names no folder
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

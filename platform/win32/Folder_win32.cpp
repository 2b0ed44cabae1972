// Windows implementation of platform/Folder.h: the system's own current folder and full
// paths, called in their wide forms with the ANSI text converted at the boundary.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

#include "ByteCopy.h"
#include "CodePage.h"
#include "Folder.h"
#include "ThreadLock.h"
#include "WideText.h"
#include "Win32.h"

namespace plat
{

bool SetCurrentDirectory(const CString& strFolder)
{
    const std::wstring folder = WideFromAnsi(strFolder.View());
    return !folder.empty() && folder.find(L'\0') == std::wstring::npos &&
           ::SetCurrentDirectoryW(folder.c_str());
}

bool GetCurrentDirectory(CString& strFolder)
{
    const DWORD nNeeded = ::GetCurrentDirectoryW(0, nullptr);
    if (nNeeded == 0)
        return false;
    std::wstring folder(nNeeded, L'\0');
    const DWORD nGot = ::GetCurrentDirectoryW(nNeeded, folder.data());
    if (nGot == 0 || nGot >= nNeeded)
        return false;
    folder.resize(nGot);
    strFolder = AnsiFromWide(folder);
    return true;
}

namespace
{
// The result in the caller's buffer, in the manner of GetFullPathName.
unsigned CopyFullPath(std::string_view full, unsigned nBufferLength, char* pBuffer,
                      char** ppFilePart)
{
    const auto nLength = static_cast<unsigned>(full.size());
    if (nLength + 1 > nBufferLength)
        return nLength + 1;
    // Inline: the runtime's copy is slow for the few dozen bytes of a path.
    bytecopy::Put(pBuffer, full.data(), nLength);
    pBuffer[nLength] = '\0';
    if (ppFilePart)
    {
        // After the last separator, which a trail byte never is; none when it ends in one.
        const int nLast = LastSeparator(GetACP(), full, kSystemSeparators);
        *ppFilePart = nLast + 1 == static_cast<int>(nLength) ? nullptr : pBuffer + nLast + 1;
    }
    return nLength;
}

// The current folder as ANSI text. It is read from the system on every call, as anything
// may change it, but converted only when it has changed. Called from both lanes at once.
class CCurrentFolder
{
public:
    /// The current folder, a separator and the relative path, into joined (MAX_PATH
    /// bytes); its length, or 0 when the folder is no plain full path or the whole does
    /// not fit.
    size_t Join(UINT cp, std::string_view relative, char* joined)
    {
        wchar_t wide[MAX_PATH];
        // The length without the terminating zero; more than the buffer when it is short.
        const DWORD nWide = ::GetCurrentDirectoryW(MAX_PATH, wide);
        if (nWide == 0 || nWide >= MAX_PATH)
            return 0;
        std::lock_guard<CLock> lock(m_lock);
        if (cp != m_cp || std::wstring_view(wide, nWide) != m_wide)
        {
            m_wide.assign(wide, nWide);
            m_ansi = AnsiFromWide(m_wide);
            m_cp = cp;
        }
        const std::string_view folder = m_ansi.View();
        // The root keeps its separator ("C:\"); any other folder comes without one.
        const bool bSeparator = folder.empty() || folder.back() != '\\';
        const size_t nJoined = folder.size() + (bSeparator ? 1 : 0) + relative.size();
        if (nJoined >= MAX_PATH)
            return 0;
        char* p = std::copy(folder.begin(), folder.end(), joined);
        if (bSeparator)
            *p++ = '\\';
        std::copy(relative.begin(), relative.end(), p);
        return nJoined;
    }

private:
    CLock m_lock; // the rest
    UINT m_cp = 0;
    std::wstring m_wide;
    CString m_ansi;
};
} // namespace

unsigned GetFullPathName(const CString& strPath, unsigned nBufferLength, char* pBuffer,
                         char** ppFilePart)
{
    // Most entries of a playlist name a plain full path, which the system would hand back
    // unchanged; asking it costs two conversions and its parsing for every entry.
    const UINT cp = GetACP();
    const CCodePageTable* pTable = IsDoubleByteCodePage(cp) ? nullptr : GetCodePageTable(cp);
    const std::string_view path = strPath.View();
    if (IsPlainWindowsFullPath(path, pTable))
        return CopyFullPath(path, nBufferLength, pBuffer, ppFilePart);
    // A relative path is joined to the current folder, and the system resolves a plain
    // full path to itself: when the joined path is one, that is the answer. A path that is
    // rooted, names a drive, is empty, or holds "." or ".." makes an empty name, a ':' or
    // a name ending in '.' in it, and goes to the system.
    if (!IsWindowsAbsolute(path))
    {
        static CCurrentFolder s_currentFolder;
        char joined[MAX_PATH];
        const size_t nJoined = s_currentFolder.Join(cp, path, joined);
        if (nJoined != 0 && IsPlainWindowsFullPath(std::string_view(joined, nJoined), pTable))
            return CopyFullPath(std::string_view(joined, nJoined), nBufferLength, pBuffer,
                                ppFilePart);
    }

    const std::wstring widePath = WideFromAnsi(path);
    if (widePath.empty() || widePath.find(L'\0') != std::wstring::npos)
        return 0;
    // Resolved in UTF-16, measured in the active page's bytes, as the ANSI form would be.
    std::wstring full(MAX_PATH, L'\0');
    DWORD n = ::GetFullPathNameW(widePath.c_str(), static_cast<DWORD>(full.size()), full.data(),
                                 nullptr);
    if (n >= full.size())
    {
        full.resize(n);
        n = ::GetFullPathNameW(widePath.c_str(), n, full.data(), nullptr);
    }
    if (n == 0 || n >= full.size())
        return 0;
    full.resize(n);
    const CString strFull = AnsiFromWide(full);
    return CopyFullPath(strFull.View(), nBufferLength, pBuffer, ppFilePart);
}

} // namespace plat

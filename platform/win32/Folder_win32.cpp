// Windows implementation of platform/Folder.h: the system's own current folder and full
// paths, called in their wide forms with the ANSI text converted at the boundary.
#include <cstring>
#include <string>
#include <string_view>

#include "CodePage.h"
#include "Folder.h"
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
    std::memcpy(pBuffer, full.data(), nLength);
    pBuffer[nLength] = '\0';
    if (ppFilePart)
    {
        // After the last separator, which a trail byte never is; none when it ends in one.
        const int nLast = LastSeparator(GetACP(), full, kSystemSeparators);
        *ppFilePart = nLast + 1 == static_cast<int>(nLength) ? nullptr : pBuffer + nLast + 1;
    }
    return nLength;
}
} // namespace

unsigned GetFullPathName(const CString& strPath, unsigned nBufferLength, char* pBuffer,
                         char** ppFilePart)
{
    // Most entries of a playlist name a plain absolute path, which the system would hand
    // back unchanged; asking it costs two conversions and its parsing for every entry.
    const UINT cp = GetACP();
    const CCodePageTable* pTable = IsDoubleByteCodePage(cp) ? nullptr : GetCodePageTable(cp);
    if (IsPlainWindowsFullPath(strPath.View(), pTable))
        return CopyFullPath(strPath.View(), nBufferLength, pBuffer, ppFilePart);

    const std::wstring path = WideFromAnsi(strPath.View());
    if (path.empty() || path.find(L'\0') != std::wstring::npos)
        return 0;
    // Resolved in UTF-16, measured in the active page's bytes, as the ANSI form would be.
    std::wstring full(MAX_PATH, L'\0');
    DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n >= full.size())
    {
        full.resize(n);
        n = ::GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    }
    if (n == 0 || n >= full.size())
        return 0;
    full.resize(n);
    const CString strFull = AnsiFromWide(full);
    return CopyFullPath(strFull.View(), nBufferLength, pBuffer, ppFilePart);
}

} // namespace plat

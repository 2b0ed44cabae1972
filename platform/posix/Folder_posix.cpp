// POSIX implementation of platform/Folder.h: the current folder and full paths. Only
// POSIX calls here; the path rules themselves belong in platform/FullPath.cpp.
#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>
#include <string>
#include <unistd.h>

#include "CodePage.h"
#include "Utf8Text.h"
#include "Folder.h"

namespace plat
{
namespace
{
// Every entry of a playlist is resolved against the current folder, so its ANSI text is
// kept rather than asked of the kernel once per line. The program changes its folder only
// through SetCurrentDirectory, which refreshes it.
struct FolderCache
{
    std::mutex mutex;
    bool bValid = false;
    UINT cp = 0;
    CString strFolder;
};

FolderCache& Cache()
{
    static FolderCache s_cache;
    return s_cache;
}

bool ReadCurrentFolder(std::string& out)
{
    std::string buffer(PATH_MAX, '\0');
    for (;;)
    {
        // getcwd() returns null with ERANGE when the buffer is too small for the path.
        if (::getcwd(buffer.data(), buffer.size()))
        {
            buffer.resize(buffer.find('\0'));
            out.swap(buffer);
            return true;
        }
        if (errno != ERANGE)
            return false;
        buffer.resize(buffer.size() * 2);
    }
}
} // namespace

bool SetCurrentDirectory(const CString& strFolder)
{
    const std::string name = AnsiToUtf8(strFolder.View());
    FolderCache& cache = Cache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    cache.bValid = false;
    return !name.empty() && name.find('\0') == std::string::npos && ::chdir(name.c_str()) == 0;
}

bool GetCurrentDirectory(CString& strFolder)
{
    FolderCache& cache = Cache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    const UINT cp = GetACP();
    if (!cache.bValid || cache.cp != cp)
    {
        std::string name;
        if (!ReadCurrentFolder(name))
            return false;
        cache.strFolder = Utf8ToAnsi(name);
        cache.cp = cp;
        cache.bValid = true;
    }
    strFolder = cache.strFolder.View();
    return true;
}

unsigned GetFullPathName(const CString& strPath, unsigned nBufferLength, char* pBuffer,
                         char** ppFilePart)
{
    if (strPath.IsEmpty())
        return 0;
    const UINT cp = GetACP();
    // Called for every entry of a playlist: the folder text and the result keep their
    // storage from call to call, and a Windows-absolute path, which stays as it is, is
    // not copied at all.
    thread_local CString t_strCurrent, t_strFull;
    const CString* pFull = &strPath;
    if (!IsWindowsAbsolute(strPath.View()))
    {
        if (strPath[0] != '/' && !GetCurrentDirectory(t_strCurrent))
            return 0;
        ResolvePosixPath(cp, strPath, t_strCurrent, t_strFull);
        pFull = &t_strFull;
    }
    const auto nLength = static_cast<unsigned>(pFull->GetLength());
    if (nLength + 1 > nBufferLength)
        return nLength + 1;
    std::memcpy(pBuffer, pFull->GetData(), nLength);
    pBuffer[nLength] = '\0';
    if (ppFilePart)
    {
        const int nFile = FinalComponentStart(cp, *pFull);
        *ppFilePart = nFile < 0 ? nullptr : pBuffer + nFile;
    }
    return nLength;
}

} // namespace plat

// Windows implementation of platform/OsFile.h. Only Win32 calls here; buffering and text
// mode belong in platform/StdioFile.cpp.
//
// The share modes are the system's own, between processes and within this one alike. A
// create that empties an existing file is CREATE_ALWAYS, which checks the sharing before
// it empties anything, so a refused open leaves the file as it was.
#include <algorithm>
#include <string>

#include "OsFile.h"
#include "StdioFile.h"
#include "WideText.h"
#include "Win32.h"

namespace plat
{
namespace
{
DWORD AccessOf(UINT nFlags)
{
    if (nFlags & CStdioFile::modeReadWrite)
        return GENERIC_READ | GENERIC_WRITE;
    return nFlags & CStdioFile::modeWrite ? GENERIC_WRITE : GENERIC_READ;
}

DWORD ShareOf(UINT nFlags)
{
    switch (nFlags & 0x70)
    {
    case CStdioFile::shareDenyNone:
        return FILE_SHARE_READ | FILE_SHARE_WRITE;
    case CStdioFile::shareDenyWrite:
        return FILE_SHARE_READ;
    case CStdioFile::shareDenyRead:
        return FILE_SHARE_WRITE;
    default: // shareExclusive, shareCompat
        return 0;
    }
}

DWORD DispositionOf(UINT nFlags)
{
    if (!(nFlags & CStdioFile::modeCreate))
        return OPEN_EXISTING;
    return nFlags & CStdioFile::modeNoTruncate ? OPEN_ALWAYS : CREATE_ALWAYS;
}

HANDLE HandleOf(FileHandle hFile)
{
    return reinterpret_cast<HANDLE>(hFile);
}

// Each call moves at most this much: ReadFile and WriteFile count in 32 bits.
constexpr size_t kMaxTransfer = 1u << 30;
} // namespace

bool OsOpenFile(const CString& strName, UINT nFlags, FileHandle& hFile, long& lOsError)
{
    const std::wstring name = WideFromAnsi(strName.View());
    if (name.empty() || name.find(L'\0') != std::wstring::npos)
    {
        lOsError = ERROR_FILE_NOT_FOUND;
        return false;
    }
    HANDLE h = ::CreateFileW(name.c_str(), AccessOf(nFlags), ShareOf(nFlags), nullptr,
                             DispositionOf(nFlags), FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
    {
        lOsError = static_cast<long>(::GetLastError());
        return false;
    }
    hFile = reinterpret_cast<FileHandle>(h);
    return true;
}

long long OsReadFile(FileHandle hFile, void* p, size_t n, long& lOsError)
{
    DWORD nRead = 0;
    if (::ReadFile(HandleOf(hFile), p, static_cast<DWORD>(std::min(n, kMaxTransfer)), &nRead,
                   nullptr))
        return nRead;
    const DWORD error = ::GetLastError();
    if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF)
        return 0; // the writer of a pipe has gone: the end
    lOsError = static_cast<long>(error);
    return -1;
}

// Writes all n bytes, or returns false with lOsError set.
static bool WriteAll(FileHandle hFile, const void* p, size_t n, long& lOsError)
{
    const char* pc = static_cast<const char*>(p);
    while (n)
    {
        DWORD nWritten = 0;
        if (!::WriteFile(HandleOf(hFile), pc, static_cast<DWORD>(std::min(n, kMaxTransfer)),
                         &nWritten, nullptr))
        {
            lOsError = static_cast<long>(::GetLastError());
            return false;
        }
        if (nWritten == 0)
        {
            lOsError = ERROR_DISK_FULL;
            return false;
        }
        pc += nWritten;
        n -= nWritten;
    }
    return true;
}

// Room is not set aside here: not measured on Windows, where the writes find their room as
// they always have.
bool OsReservingSpaceHelps(FileHandle)
{
    return false;
}

bool OsReserveSpace(FileHandle, long long, long long)
{
    return false;
}

void OsReleaseSpareSpace(FileHandle) {}

bool OsWritePieces(FileHandle hFile, const OsPiece* pieces, size_t nPieces, long& lOsError)
{
    // WriteFileGather wants unbuffered files and whole pages: a call per piece.
    for (size_t i = 0; i < nPieces; ++i)
        if (!WriteAll(hFile, pieces[i].p, pieces[i].n, lOsError))
            return false;
    return true;
}

bool OsCloseFile(FileHandle hFile, long& lOsError)
{
    if (!::CloseHandle(HandleOf(hFile)))
    {
        lOsError = static_cast<long>(::GetLastError());
        return false;
    }
    return true;
}

CString OsErrorText(long lOsError)
{
    wchar_t* pText = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(lOsError), 0, reinterpret_cast<wchar_t*>(&pText), 0, nullptr);
    std::wstring text(pText ? pText : L"", n);
    ::LocalFree(pText);
    // A sentence fragment, as the reports put it after the file name: no full stop, no
    // line end.
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' ||
                             text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    if (text.empty())
        return CString("Error " + std::to_string(static_cast<unsigned long>(lOsError)));
    return AnsiFromWide(text);
}

OsErrorKind OsErrorCause(long lOsError)
{
    switch (static_cast<DWORD>(lOsError))
    {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return OsErrorKind::sharingViolation;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_DRIVE:
        return OsErrorKind::notFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return OsErrorKind::accessDenied;
    case ERROR_DIRECTORY:
        return OsErrorKind::isFolder;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return OsErrorKind::noSpace;
    case ERROR_FILE_TOO_LARGE:
        return OsErrorKind::tooLarge;
    default:
        return OsErrorKind::other;
    }
}

bool OsFileExistsUtf8(const char* pszPath)
{
    // INVALID_FILE_ATTRIBUTES when nothing can be found there.
    const DWORD dwAttributes = ::GetFileAttributesW(WideFromUtf8(pszPath).c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace plat

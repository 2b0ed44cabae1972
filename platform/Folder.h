// The process's current folder and full-path resolution, in ANSI text.
#pragma once

#include <string_view>

#include "CString.h"
#include "CodePage.h"
#include "Types.h"

namespace plat
{

/// The separator of folders in the paths this platform builds and splits.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

/// Makes the folder the process's current folder; false when that fails. The change is
/// process-wide and lasts until the next one.
bool SetCurrentDirectory(const CString& strFolder);
/// The current folder as ANSI text; false when it cannot be read.
bool GetCurrentDirectory(CString& strFolder);

/// The full path of a path, in the manner of GetFullPathName: returns its length when it
/// fits nBufferLength characters with the terminating zero (the buffer then holds it and
/// *ppFilePart points at its final component, or is null when it ends in a separator);
/// the size it would need when it does not fit (the buffer is then untouched); 0 when it
/// cannot be resolved. The file need not exist.
unsigned GetFullPathName(const CString& strPath, unsigned nBufferLength, char* pBuffer,
                         char** ppFilePart);

/// True for a path that is absolute on Windows: a drive letter, ':' and a separator, or a
/// leading "\\".
bool IsWindowsAbsolute(std::string_view path);

/// True for a path that Windows resolves to itself, told by its text alone: a drive letter
/// (A to Z) and ":\", or "\\" and the names of a server and a share; then names of
/// printable ASCII separated by single backslashes, none of them "." or "..", none ending
/// in '.' or ' ', none a device name (CON, NUL, COM1 ...), with none of the characters the
/// system treats apart (/ : * ? " < > |), not ending in a separator, and shorter than
/// MAX_PATH. Such a path needs no resolving; any other may
/// change and goes to the system. With the table of a single-byte code page, the bytes
/// that stand for a character above U+00A0 may stand in names too.
bool IsPlainWindowsFullPath(std::string_view path, const CCodePageTable* pSingleByte = nullptr);

/// Which bytes end a folder's name. The rules differ with where a path comes from: on
/// POSIX a '\' is part of a file's name, while the paths in a playlist, and every path on
/// Windows, take both separators.
enum class CSeparators
{
    slash,            ///< '/' only: a path this POSIX system splits
    slashAndBackslash ///< '/' and '\': a Windows path, wherever it is read
};
/// The separators of the paths this system's own calls take.
constexpr CSeparators kSystemSeparators =
    kPathSeparator == '\\' ? CSeparators::slashAndBackslash : CSeparators::slash;

/// Position of the last separator in path, or -1. Every '/' byte counts, as the file
/// system splits a path: no character of a double-byte page ends in '/', and a lead byte
/// before one must not hide it. A '\' counts only where it is no trail byte under cp.
int LastSeparator(UINT cp, std::string_view path, CSeparators separators);

/// The lexical full path of strPath against the folder strCurrent (POSIX rules): a path
/// starting with '/' is normalised; a Windows-absolute path (drive letter, ':', then a
/// separator; or a leading "\\") is kept as it is, as it names nothing here; anything else
/// has its backslashes turned into '/' and is joined to strCurrent, then normalised.
/// Backslashes are found double-byte aware under cp.
CString ResolvePosixPath(UINT cp, const CString& strPath, const CString& strCurrent);
/// The same, into strFull, whose storage is reused.
void ResolvePosixPath(UINT cp, const CString& strPath, const CString& strCurrent,
                      CString& strFull);
/// Position of the first byte of the final component of a resolved path (after its last
/// '/', or '\' as well in a Windows-absolute path), or -1 when it ends in a separator.
int FinalComponentStart(UINT cp, const CString& strPath);

} // namespace plat

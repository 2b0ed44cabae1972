// Raw file primitives that each backend provides to CStdioFile, and the system's texts
// for their errors. Errors are the system's own numbers (errno on POSIX, GetLastError on
// Windows); what they mean is told in the portable OsErrorKind.
#pragma once

#include <cstddef>
#include <cstdint>

#include "CString.h"
#include "Types.h"

namespace plat
{

using FileHandle = std::intptr_t;
constexpr FileHandle kInvalidFile = -1;

/// What a failure means, in terms every system has.
enum class OsErrorKind
{
    sharingViolation, ///< refused by a share mode: the file is in use elsewhere
    notFound,
    accessDenied,
    isFolder,
    noSpace,
    tooLarge,
    other
};

/// Opens the file named by ANSI text, honouring the class library's mode, share and
/// create flags. Every share check is made before an existing file is emptied, so a
/// refused open leaves the file as it was. False with lOsError set on failure.
bool OsOpenFile(const CString& strName, UINT nFlags, FileHandle& hFile, long& lOsError);
/// Reads up to n bytes; returns the count (0 at the end) or -1 with lOsError set.
long long OsReadFile(FileHandle hFile, void* p, size_t n, long& lOsError);
/// A run of bytes to write, one of several written together.
struct OsPiece
{
    const char* p;
    size_t n;
};
/// Writes the pieces' bytes one after another, all of them, with as few system calls as
/// the system allows; or returns false with lOsError set.
bool OsWritePieces(FileHandle hFile, const OsPiece* pieces, size_t nPieces, long& lOsError);
/// Whether setting room aside makes writes to the file quicker where it lies.
bool OsReservingSpaceHelps(FileHandle hFile);
/// Sets disk room aside for the nBytes from nFrom on, past the file's end, without changing
/// its size: the writes that fill it then find their blocks at once rather than one at a
/// time. False when the system cannot, which costs only that speed.
bool OsReserveSpace(FileHandle hFile, long long nFrom, long long nBytes);
/// Gives back what room set aside past the file's end its writes did not fill.
void OsReleaseSpareSpace(FileHandle hFile);
/// Closes the handle, which is released even when false is returned.
bool OsCloseFile(FileHandle hFile, long& lOsError);

/// True when a file (not a folder) exists at the path, given as UTF-8: the exports'
/// paths may be mapped to names that no ANSI code page spells.
bool OsFileExistsUtf8(const char* pszPath);

/// The system's text for an error number.
CString OsErrorText(long lOsError);
/// What the system's error number means.
OsErrorKind OsErrorCause(long lOsError);

} // namespace plat

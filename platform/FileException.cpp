#include "FileException.h"

#include "OsFile.h"

namespace
{
int CauseOf(plat::OsErrorKind kind)
{
    switch (kind)
    {
    case plat::OsErrorKind::sharingViolation:
        return CFileException::sharingViolation;
    case plat::OsErrorKind::notFound:
        return CFileException::fileNotFound;
    case plat::OsErrorKind::accessDenied:
    case plat::OsErrorKind::isFolder: // a folder cannot be opened as a file
        return CFileException::accessDenied;
    case plat::OsErrorKind::noSpace:
    case plat::OsErrorKind::tooLarge:
        return CFileException::diskFull;
    case plat::OsErrorKind::other:
        break;
    }
    return CFileException::genericException;
}
} // namespace

CFileException::CFileException(long lOsError, const CString& strFileName)
    : m_cause(CauseOf(plat::OsErrorCause(lOsError))), m_lOsError(lOsError), m_strFileName(strFileName)
{
    m_strWhat = std::string(m_strFileName.View()) + ": " + std::string(GetReason().View());
}

CString CFileException::GetReason() const
{
    return plat::OsErrorText(m_lOsError);
}

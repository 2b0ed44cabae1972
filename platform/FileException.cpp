#include "FileException.h"

#include "OsFile.h"

CFileException::CFileException(long lOsError, const CString& strFileName)
    : m_cause(plat::OsErrorCause(lOsError)), m_lOsError(lOsError), m_strFileName(strFileName)
{
    m_strWhat = std::string(m_strFileName.View()) + ": " + std::string(GetReason().View());
}

CString CFileException::GetReason() const
{
    return plat::OsErrorText(m_lOsError);
}

// The exception of the file class: a failed read, write, flush or close.
#pragma once

#include <exception>
#include <string>

#include "CString.h"

class CFileException : public std::exception
{
public:
    enum
    {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    CFileException() = default;
    /// lOsError is the system's own error number; the cause is derived from it.
    CFileException(long lOsError, const CString& strFileName);

    /// The system's reason, as a sentence fragment ("No space left on device").
    CString GetReason() const;
    /// "FILE: REASON", for reports.
    const char* what() const noexcept override { return m_strWhat.c_str(); }

    int m_cause = none;
    long m_lOsError = 0;
    CString m_strFileName;

private:
    std::string m_strWhat;
};

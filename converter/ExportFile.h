// An export of the playlist beside its XML document (XSPF, M3U8, CSV): a file of its own,
// opened under the document's rules and written in the same pass. A write or close error
// ends this export alone and is kept for the report: the run goes on, so that the other
// outputs stay complete.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "EntryOutput.h"
#include "FileException.h"
#include "StdioFile.h"

class CExportFile : public CEntryOutput
{
public:
    /// Opens the file as the XML document is opened (created, or emptied only once no one
    /// else holds it; held with no sharing) and writes its beginning. strTitle is the
    /// playlist's name, encoded. False, with the reason kept, when it cannot be opened.
    bool Begin(const CString& strPath, const CString& strTitle);
    void WriteEntries(CString& strText, std::span<const int> entryEnds) override;
    void WriteEntry(const CPlaylistConverter& entry, CString& strScratch) override;
    /// Writes the end.
    void WriteEnd() override;
    /// Closes the file, failed or not; an error closing it is kept as a write error is.
    void Close() override;
    /// Open until Close, failed or not: the lanes may run its waiting writes meanwhile.
    CStdioFile* GetFile() override { return &m_file; }

    const CString& GetPath() const { return m_strPath; }
    /// True once the file could not be opened, written or closed; Error() says why.
    bool Failed() const { return m_bFailed; }
    const CFileException& Error() const { return m_error; }

protected:
    /// What precedes the first entry, in its on-disk form.
    virtual void AppendHead(const CString& strTitle, CString& strOut) const = 0;
    /// What follows the last entry, in its on-disk form.
    virtual void AppendTail(CString&) const {}

private:
    void Write(std::string_view text);
    /// Runs a write unless the file failed before; a write error fails it.
    template <typename F>
    void Guarded(F write);

    CStdioFile m_file;
    CString m_strPath;
    bool m_bFailed = false;
    CFileException m_error;
};

/// A kind of export: one line of kExportFormats.
struct CExportFormat
{
    const char* pszName;      ///< as --export names it
    const char* pszExtension; ///< of its file, which is named like the XML document
    std::unique_ptr<CExportFile> (*pfnCreate)();
};

/// Every kind of export, in the order their files are written.
std::span<const CExportFormat> ExportFormats();
/// The format named name, or nullptr.
const CExportFormat* FindExportFormat(std::string_view name);

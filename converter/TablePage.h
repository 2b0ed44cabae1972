// The table page: an HTML page that carries the playlist's rows itself, so that today's
// browsers show it from the disk, sortable and filterable. It is written in the same pass
// as the XML document: the head when the run begins, a row with each TRACK, the rest when
// the run ends. The rows stand inside <noscript>: a browser without scripts shows them as
// a table, one with scripts hands them to the page's script as one text.
#pragma once

#include <span>

#include "CString.h"
#include "EntryOutput.h"
#include "StdioFile.h"

class CTablePage final : public CEntryOutput
{
public:
    /// Opens the page as the XML document is opened: created, or emptied only once no one
    /// else holds it. False when it cannot be opened.
    bool Open(const CString& strPath);
    bool IsOpen() const { return m_file.IsOpen(); }
    /// Writes the page up to its first row. The title must be UTF-8 that is safe as HTML
    /// text and inside a double-quoted attribute.
    void WriteHead(const CString& strTitle);
    /// The row of the entry: its values are encoded already, which makes them safe HTML
    /// text as they stand.
    void AppendEntry(const CPlaylistConverter& entry, CString& strRows) const override;
    /// Writes rows, a block of them at a time.
    void WriteEntries(CString& strRows, std::span<const int> rowEnds) override;
    /// Writes the end of the page; a write error is raised, here or by Close.
    void WriteEnd() override;
    CStdioFile* GetFile() override { return &m_file; }
    /// Closes the page as it stands; a write or close error is raised.
    void Close() override { m_file.Close(); }

    /// Rows per block: each block is a table of its own that a browser without scripts lays
    /// out only when it comes into view, which keeps a page of 100,000 rows usable there.
    static constexpr int kRowsPerBlock = 250;

private:
    CStdioFile m_file;
    int m_nRows = 0;
};

// What a run writes entry by entry: the XML document's TRACK elements, the table page's
// rows, the exports. Each is one output behind this interface, so the entry-by-entry loop
// and the batched run handle any set of them without naming one.
#pragma once

#include <span>

#include "CString.h"
#include "StdioFile.h"

class CPlaylistConverter;

class CEntryOutput
{
public:
    virtual ~CEntryOutput() = default;

    /// Appends the text of the converter's current entry to strText, in its on-disk form
    /// (CR LF line ends). Called on any lane, for entries in any order: it reads the entry
    /// and changes nothing else.
    virtual void AppendEntry(const CPlaylistConverter& entry, CString& strText) const = 0;
    /// Writes entries that AppendEntry made, all in strText, in the playlist's order;
    /// entryEnds tells where each ends. It may take strText's storage.
    virtual void WriteEntries(CString& strText, std::span<const int> entryEnds) = 0;
    /// Writes what follows the last entry. An output with a file of its own hands the
    /// file's last write to its thread (CStdioFile::StartClosing), and Close waits for it:
    /// the run ends every output before it closes any, so that the files finish side by
    /// side.
    virtual void WriteEnd() = 0;
    /// Closes the output's file, when it owns one, once its last write is done.
    virtual void Close() {}
    /// The output's file, when it writes one: the lanes run its waiting writes as they do
    /// the document's, since its own thread gets a core only when a lane pauses.
    virtual CStdioFile* GetFile() { return nullptr; }
    /// Bytes of text a batch's input of one byte likely gives: the room a batch takes for
    /// this output at once, since a text grown step by step is copied each time.
    virtual int RoomPerInputByte() const { return 2; }

    /// Writes the converter's current entry in one write, made in strScratch.
    virtual void WriteEntry(const CPlaylistConverter& entry, CString& strScratch)
    {
        strScratch.Empty();
        AppendEntry(entry, strScratch);
        const int nEnd = strScratch.GetLength();
        WriteEntries(strScratch, std::span<const int>(&nEnd, 1));
    }
};

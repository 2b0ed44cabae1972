// The XML document's TRACK elements as an output of the run.
#pragma once

#include "EntryOutput.h"
#include "StdioFile.h"
#include "Tuning.h"

class CTrackOutput final : public CEntryOutput
{
public:
    /// The document's file stays the converter's: it opens, frames and closes it.
    explicit CTrackOutput(CStdioFile& file) : m_file(file) {}

    void AppendEntry(const CPlaylistConverter& entry, CString& strText) const override;
    /// A batch's elements go to the disk from where they were made, with no copy.
    void WriteEntries(CString& strText, std::span<const int> entryEnds) override;
    /// A single element is copied into the file's buffer: handing it over costs more.
    void WriteEntry(const CPlaylistConverter& entry, CString& strScratch) override;
    /// The document's end line.
    void WriteEnd() override;
    CStdioFile* GetFile() override { return &m_file; }
    int RoomPerInputByte() const override { return plat::tuning::kTrackBytesPerInputByte; }

private:
    CStdioFile& m_file;
};

// A batch of playlist lines, and what converting them gives. The lines are copied out of
// the file's buffer, so that a batch can be converted on another thread while the next
// one is read; its TRACK elements and table rows wait in it until the batches before it
// are written.
#pragma once

#include <string_view>
#include <vector>

#include "CString.h"
#include "LineFeeds.h"
#include "StdioFile.h"
#include "Tuning.h"

class CPlaylistConverter;

class CEntryBatch
{
public:
    /// Input a batch takes at most, in bytes and in lines.
    static constexpr int kMaxBytes = plat::tuning::kBatchBytes;
    static constexpr size_t kMaxLines = plat::tuning::kBatchLines;
    /// Room for a batch's lines: the last one may take it past kMaxBytes by up to kMaxBytes.
    static constexpr int kLinesRoom = 2 * kMaxBytes;
    /// Room for the TRACK elements of a batch of kMaxBytes; its rows take less than its
    /// lines. More grows either.
    static constexpr int kTracksRoom = plat::tuning::kTrackBytesPerInputByte * kMaxBytes;
    static constexpr int kRowsRoom = kLinesRoom;

    /// bWithRows: each entry also gives its row of the table page.
    explicit CEntryBatch(bool bWithRows);

    /// Reads the next lines of the file in place of the batch's, up to its limits. False
    /// when the file has ended, the last lines it had being in the batch. A line longer
    /// than a batch ends the batch without being copied: LongLine() gives it where the
    /// file read it, until the file's next read. A read error is thrown with the lines
    /// read before it kept.
    bool Fill(CStdioFile& file);
    bool HasLongLine() const { return m_bLongLine; }
    CPaddedText LongLine() const { return m_longLine; }

    /// Calls f(line) for each line, in order.
    template <typename F>
    void ForEachLine(F f) const
    {
        const CPaddedText lines(m_strLines);
        for (const plat::CLineSpan& span : m_lines)
            f(lines.Sub(span.nStart, span.nEnd - span.nStart));
    }

    /// Forgets the output of an earlier conversion.
    void ClearOutput();
    /// Keeps the converter's current entry: its TRACK element and, when asked for, its
    /// row, both in their on-disk form.
    void AddEntry(const CPlaylistConverter& converter);

    /// Hands the TRACK elements over to the file for writing, without copying them.
    void HandOverTracks(CStdioFile& file) { file.HandOverCrLfText(m_strTracks); }
    const CString& Rows() const { return m_strRows; }
    /// Where each row ends in Rows().
    const std::vector<int>& RowEnds() const { return m_rowEnds; }

private:
    bool AddWholeLines(CStdioFile& file);
    void AddLine(CPaddedText line);
    void ReserveRoom();

    bool m_bWithRows;
    bool m_bLongLine = false;
    CPaddedText m_longLine;
    CString m_strLines; // one after another, as read: some with their line ends
    std::vector<plat::CLineSpan> m_lines;
    CString m_strTracks;
    CString m_strRows;
    std::vector<int> m_rowEnds;
};

// A batch of playlist lines, and what converting them gives. The lines are copied out of
// the file's buffer, so that a batch can be converted on another thread while the next
// one is read; each output's text (the TRACK elements, the table rows, the exports) waits
// in it until the batches before it are written.
#pragma once

#include <span>
#include <vector>

#include "CString.h"
#include "EntryOutput.h"
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

    /// outputs: what each entry gives, in the order they are written.
    explicit CEntryBatch(std::span<CEntryOutput* const> outputs);

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
    /// Keeps what each output makes of the converter's current entry.
    void AddEntry(const CPlaylistConverter& converter);
    /// Writes the entries kept, output by output.
    void WriteEntries();

private:
    bool AddWholeLines(CStdioFile& file);
    void AddLine(CPaddedText line);
    void ReserveRoom();

    /// An output's entries, one after another, and where each ends.
    struct COutputText
    {
        CEntryOutput* pOutput;
        CString strText;
        std::vector<int> entryEnds;
    };

    bool m_bLongLine = false;
    CPaddedText m_longLine;
    CString m_strLines; // one after another, as read: some with their line ends
    std::vector<plat::CLineSpan> m_lines;
    std::vector<COutputText> m_outputs;
};

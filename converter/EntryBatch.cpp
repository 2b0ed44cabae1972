#include "EntryBatch.h"

#include <algorithm>

#include "PlaylistConverter.h"

// Storage for a batch's largest likely text is taken at once: grown step by step, the
// first batch would be copied several times over, on fresh pages each time. It is taken
// when the batch first gets lines or output, so that a run too short for both lanes takes
// none for the lane it does not start. Untouched, the room costs nothing.
CEntryBatch::CEntryBatch(std::span<CEntryOutput* const> outputs)
{
    for (CEntryOutput* pOutput : outputs)
        m_outputs.push_back({pOutput, CString(), {}});
}

bool CEntryBatch::Fill(CStdioFile& file)
{
    m_strLines.Empty();
    m_lines.clear();
    m_bLongLine = false;
    CPaddedText line;
    while (m_strLines.GetLength() < kMaxBytes && m_lines.size() < kMaxLines)
    {
        if (AddWholeLines(file))
            continue;
        // The next line spans the file's buffers, is the last and has no LF, or is longer
        // than the room left: the file puts it together.
        if (!file.ReadLine(line))
            return false;
        if (line.size() > static_cast<size_t>(kMaxBytes))
        {
            // Copied, it would take its size again, and its output once more.
            m_bLongLine = true;
            m_longLine = line;
            return true;
        }
        AddLine(line);
    }
    return true;
}

// The lines that lie whole in the file's buffer, within the batch's limits, are found in
// one pass and copied in one piece, line ends and all: most of a batch comes this way.
bool CEntryBatch::AddWholeLines(CStdioFile& file)
{
    const CPaddedText buffered = file.PeekBuffered();
    if (buffered.empty())
        return false;
    const int nBase = m_strLines.GetLength();
    const size_t nRoom = std::min(buffered.size(), static_cast<size_t>(kMaxBytes - nBase));
    ReserveRoom();
    const size_t nWhole =
        plat::FindWholeLines(buffered.data(), nRoom, kMaxLines - m_lines.size(), nBase, m_lines);
    if (!nWhole)
        return false;
    m_strLines.AppendPadded(buffered.Sub(0, static_cast<int>(nWhole)));
    file.SkipBuffered(nWhole);
    return true;
}

void CEntryBatch::AddLine(CPaddedText line)
{
    ReserveRoom();
    const int nStart = m_strLines.GetLength();
    m_strLines.AppendPadded(line);
    m_lines.push_back({nStart, m_strLines.GetLength()});
}

void CEntryBatch::ReserveRoom()
{
    if (!m_lines.empty())
        return;
    m_strLines.Preallocate(kLinesRoom);
    m_lines.reserve(kMaxLines);
}

void CEntryBatch::ClearOutput()
{
    // After a hand-over, a text may hold storage too small for a batch.
    for (COutputText& output : m_outputs)
    {
        output.strText.Empty();
        output.strText.Preallocate(output.pOutput->RoomPerInputByte() * kMaxBytes);
        output.entryEnds.clear();
        output.entryEnds.reserve(kMaxLines);
    }
}

void CEntryBatch::AddEntry(const CPlaylistConverter& converter)
{
    for (COutputText& output : m_outputs)
    {
        output.pOutput->AppendEntry(converter, output.strText);
        output.entryEnds.push_back(output.strText.GetLength());
    }
}

void CEntryBatch::WriteEntries()
{
    for (COutputText& output : m_outputs)
        output.pOutput->WriteEntries(output.strText, output.entryEnds);
}

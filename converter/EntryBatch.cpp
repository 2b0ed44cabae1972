#include "EntryBatch.h"

#include "PlaylistConverter.h"
#include "TablePage.h"

// Storage for a batch's largest likely text is taken at once: grown step by step, the
// first batch would be copied several times over, on fresh pages each time. It is taken
// when the batch first gets lines or output, so that a run too short for both lanes takes
// none for the lane it does not start. Untouched, the room costs nothing.
CEntryBatch::CEntryBatch(bool bWithRows) : m_bWithRows(bWithRows) {}

bool CEntryBatch::Fill(CStdioFile& file)
{
    m_strLines.Empty();
    m_lineEnds.clear();
    m_bLongLine = false;
    std::string_view line;
    while (m_strLines.GetLength() < kMaxBytes && m_lineEnds.size() < kMaxLines)
    {
        if (!file.ReadLine(line))
            return false;
        if (line.size() > static_cast<size_t>(kMaxBytes))
        {
            // Copied, it would take its size again, and its output once more.
            m_bLongLine = true;
            m_longLine = line;
            return true;
        }
        if (m_lineEnds.empty())
        {
            m_strLines.Preallocate(kLinesRoom);
            m_lineEnds.reserve(kMaxLines);
        }
        m_strLines.AppendPadded(line.data(), static_cast<int>(line.size()));
        m_lineEnds.push_back(m_strLines.GetLength());
    }
    return true;
}

void CEntryBatch::ClearOutput()
{
    // After a hand-over, the tracks' text may hold storage too small for a batch.
    m_strTracks.Empty();
    m_strTracks.Preallocate(kTracksRoom);
    if (m_bWithRows)
    {
        m_strRows.Empty();
        m_strRows.Preallocate(kRowsRoom);
        m_rowEnds.clear();
        m_rowEnds.reserve(kMaxLines);
    }
}

void CEntryBatch::AddEntry(const CPlaylistConverter& converter)
{
    converter.AppendTrack(m_strTracks);
    if (!m_bWithRows)
        return;
    CTablePage::AppendRow(converter, m_strRows);
    m_rowEnds.push_back(m_strRows.GetLength());
}

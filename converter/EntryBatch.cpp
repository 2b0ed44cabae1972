#include "EntryBatch.h"

#include "PlaylistConverter.h"
#include "TablePage.h"

// Storage for a batch's largest likely text is taken at once: grown step by step, the
// first batch would be copied several times over, on fresh pages each time. Untouched,
// the room costs nothing.
CEntryBatch::CEntryBatch(bool bWithRows) : m_bWithRows(bWithRows)
{
    // The last line may take the batch past kMaxBytes by up to kMaxBytes.
    m_strLines.Preallocate(2 * kMaxBytes);
    m_lineEnds.reserve(kMaxLines);
    // Converted, most text takes two to three times its size (markup, UTF-8, escapes).
    m_strTracks.Preallocate(kOutputRoom);
    if (m_bWithRows)
    {
        m_strRows.Preallocate(kOutputRoom);
        m_rowEnds.reserve(kMaxLines);
    }
}

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
        m_strLines.AppendPadded(line.data(), static_cast<int>(line.size()));
        m_lineEnds.push_back(m_strLines.GetLength());
    }
    return true;
}

void CEntryBatch::ClearOutput()
{
    m_strTracks.Empty();
    m_strTracks.Preallocate(kOutputRoom); // after a hand-over, it may hold no storage
    m_strRows.Empty();
    m_rowEnds.clear();
}

void CEntryBatch::AddEntry(const CPlaylistConverter& converter)
{
    converter.AppendTrack(m_strTracks);
    if (!m_bWithRows)
        return;
    CTablePage::AppendRow(converter, m_strRows);
    m_rowEnds.push_back(m_strRows.GetLength());
}

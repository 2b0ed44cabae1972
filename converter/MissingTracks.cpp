#include "MissingTracks.h"

#include "ExportText.h"
#include "OsFile.h"
#include "PlaylistConverter.h"

void CMissingTracks::AppendEntry(const CPlaylistConverter& entry, CString& strText) const
{
    const int nStart = strText.GetLength();
    exporttext::AppendInPlace(strText, exporttext::UnescapedRoom(entry.m_strFilePath.View().size()),
                              [&](char* p) { return exporttext::PutUnescaped(entry.m_strFilePath, p); });
    // The text ends in its terminating zero: the path just appended can be asked for.
    if (plat::OsFileExistsUtf8(strText.GetData() + nStart))
        strText.Truncate(nStart);
}

void CMissingTracks::WriteEntries(CString& strText, std::span<const int> entryEnds)
{
    int nStart = 0;
    for (const int nEnd : entryEnds)
    {
        if (nEnd > nStart)
        {
            ++m_nMissing;
            m_report(strText.View().substr(static_cast<size_t>(nStart),
                                           static_cast<size_t>(nEnd - nStart)));
        }
        nStart = nEnd;
    }
    m_nTracks += static_cast<int>(entryEnds.size());
}

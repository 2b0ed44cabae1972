// The check of a run's tracks: each track whose file does not exist here, after any
// mapping, is told in the playlist's order. An output like the others, so that the
// batched run keeps that order; it writes no file.
#pragma once

#include <functional>
#include <string_view>

#include "EntryOutput.h"

class CMissingTracks final : public CEntryOutput
{
public:
    /// Gets each missing track's path, as plain UTF-8.
    using ReportFn = std::function<void(std::string_view path)>;
    explicit CMissingTracks(ReportFn report) : m_report(std::move(report)) {}

    /// The entry's path when its file is missing; nothing when it is there.
    void AppendEntry(const CPlaylistConverter& entry, CString& strText) const override;
    void WriteEntries(CString& strText, std::span<const int> entryEnds) override;
    void WriteEnd() override {}
    int RoomPerInputByte() const override { return 0; }

    int GetTracks() const { return m_nTracks; }
    int GetMissing() const { return m_nMissing; }

private:
    ReportFn m_report;
    int m_nTracks = 0;
    int m_nMissing = 0;
};

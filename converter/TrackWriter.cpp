// The TRACK element of one playlist entry.
#include <cstring>
#include <string_view>

#include "ByteCopy.h"
#include "LineFeeds.h"
#include "PlaylistConverter.h"
#include "TrackOutput.h"

using bytecopy::Put;
using bytecopy::PutLiteral;

void CPlaylistConverter::AppendElement(CString& strTarget, CString strTag, const CString& strValue)
{
    if (strValue.IsEmpty())
        return;
    // "\t\t<" tag ">" value "</" tag ">\n", copied into place in one step.
    const std::string_view tag = strTag.View(), value = strValue.View();
    const int nOld = strTarget.GetLength();
    char* p = strTarget.GetBufferSetLength(
                  nOld + static_cast<int>(2 * tag.size() + value.size() + 8)) + nOld;
    p = PutLiteral(p, "\t\t<");
    p = Put(p, tag.data(), tag.size());
    p = PutLiteral(p, ">");
    p = Put(p, value.data(), value.size());
    p = PutLiteral(p, "</");
    p = Put(p, tag.data(), tag.size());
    PutLiteral(p, ">\n");
}

namespace
{
// The literal as the file writes it, kept as a constant: copying it costs a move or two.
#define SQK_CRLF(text) \
    ([]() -> const auto& { \
        static constexpr plat::CCrLfLiteral kText(text); \
        return kText; \
    }())

// Calls f(open, value, close) for each child of TRACK, in the one order they are written
// in, with the text that AppendElement puts around each value, its line end made CR LF
// when compiled, as the file would write it.
template <typename Converter, typename F>
void ForEachChild(Converter& c, F f)
{
    f(SQK_CRLF("\t\t<FILEPATH>"), c.m_strFilePath, SQK_CRLF("</FILEPATH>\n"));
#define SQK_TRACK_FIELD(tag, element, member, ...) \
    f(SQK_CRLF("\t\t<" #element ">"), c.member, SQK_CRLF("</" #element ">\n"));
#include "TrackFields.inc"
#undef SQK_TRACK_FIELD
}
#undef SQK_CRLF
} // namespace

void CPlaylistConverter::WriteTrack()
{
    if (m_pBatch)
    {
        m_pBatch->AddEntry(*this); // written with its batch
        return;
    }
    for (CEntryOutput* pOutput : m_outputs)
        pOutput->WriteEntry(*this, m_strWork); // one write per entry and output
}

void CTrackOutput::AppendEntry(const CPlaylistConverter& entry, CString& strText) const
{
    entry.AppendTrack(strText);
}

void CTrackOutput::WriteEntries(CString& strText, std::span<const int>)
{
    m_file.HandOverCrLfText(strText);
}

void CTrackOutput::WriteEntry(const CPlaylistConverter& entry, CString& strScratch)
{
    strScratch.Empty();
    entry.AppendTrack(strScratch);
    m_file.WriteCrLfText(strScratch);
}

void CTrackOutput::WriteEnd()
{
    m_file.WriteString("</PLAYLIST>\n");
}

void CPlaylistConverter::AppendTrack(CString& strTarget) const
{
    // The text that "\t<TRACK>\n", AppendElement for each child and "\t</TRACK>\n" give,
    // made in one piece: the element is sized once, then each line is copied into place.
    // A track costs one allocation at most, and none once the target has grown. Its values
    // hold no LF, so with the line ends of its literals made CR LF already the element
    // goes to the file as it is: no second pass over the document's largest part.
    static constexpr plat::CCrLfLiteral kTrackOpen("\t<TRACK>\n");
    static constexpr plat::CCrLfLiteral kTrackClose("\t</TRACK>\n");
    size_t nLength = kTrackOpen.nLength + kTrackClose.nLength;
    ForEachChild(*this, [&](const auto& open, const CString& value, const auto& close) {
        if (!value.IsEmpty())
            nLength += open.nLength + static_cast<size_t>(value.GetLength()) + close.nLength;
    });
    const int nOld = strTarget.GetLength();
    const int nNew = nOld + static_cast<int>(nLength);
    char* p = PutLiteral(strTarget.GetBufferSetLength(nNew) + nOld, kTrackOpen);
    ForEachChild(*this, [&](const auto& open, const CString& value, const auto& close) {
        if (value.IsEmpty())
            return;
        p = PutLiteral(p, open);
        p = value.CopyTo(p); // its padding overrun is overwritten next, or is padding too
        p = PutLiteral(p, close);
    });
    PutLiteral(p, kTrackClose);
    strTarget.ReleaseBuffer(nNew);
}

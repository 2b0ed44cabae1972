// The table page's fixed text, its Content-Security-Policy and its rows.
#include "TablePage.h"

#include <algorithm>
#include <string_view>

#include "ByteCopy.h"
#include "LineFeeds.h"
#include "PlaylistConverter.h"
#include "Sha256.h"
#include "TrackFields.h"

using bytecopy::PutLiteral;

namespace
{
constexpr char kStyle[] =
#include "TablePageStyle.inc"
    ;
constexpr char kScript[] =
#include "TablePageScript.inc"
    ;
constexpr std::string_view kStyleText(kStyle, sizeof kStyle - 1);

// The script as the page carries it: without its comment lines, blank lines and
// indentation, which serve whoever reads the source, not the browser. Counts the bytes
// when out is null.
constexpr size_t CompactScript(std::string_view text, char* out)
{
    size_t n = 0;
    for (size_t at = 0; at < text.size();)
    {
        const size_t lineEnd = text.find('\n', at);
        const size_t end = lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
        std::string_view line = text.substr(at, end - at);
        at = end;
        line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
        if (line.empty() || line == "\n" || line.starts_with("//"))
            continue;
        for (const char ch : line)
        {
            if (out)
                out[n] = ch;
            ++n;
        }
    }
    return n;
}
constexpr std::string_view kScriptSource(kScript, sizeof kScript - 1);
constexpr auto kScriptChars = [] {
    std::array<char, CompactScript(kScriptSource, nullptr)> chars{};
    CompactScript(kScriptSource, chars.data());
    return chars;
}();
constexpr std::string_view kScriptText(kScriptChars.data(), kScriptChars.size());

// Either text would end its element early, or change how the rest is read.
static_assert(kStyleText.find("</") == std::string_view::npos);
static_assert(kScriptText.find("</") == std::string_view::npos);
static_assert(kScriptText.find("<!--") == std::string_view::npos);

// The style picks columns by their place: text in the first four, numbers from the
// fifth on (aligned right), except the seventh, the type's name (centred).
static_assert([] {
    for (int i = 0; i < kFieldCount; ++i)
    {
        const CFieldKind kind = kPageColumns[static_cast<size_t>(i)].kind;
        const CFieldKind expected =
            i < 4 ? CFieldKind::text : i == 6 ? CFieldKind::typeNumber : CFieldKind::number;
        if (kind != expected)
            return false;
    }
    return true;
}());

// The browser hashes the element's text after it has read CR LF as LF; the text has bare
// LFs, which the page file writes as CR LF, so the hash of the text as it stands here is
// the one the browser computes.
constexpr auto kStyleHash = sha256::Base64(sha256::Hash(kStyleText));
constexpr auto kScriptHash = sha256::Base64(sha256::Hash(kScriptText));

std::string_view View(const std::array<char, 44>& hash)
{
    return {hash.data(), hash.size()};
}
} // namespace

bool CTablePage::Open(const CString& strPath)
{
    m_nRows = 0;
    return m_file.Open(strPath, CPlaylistConverter::kCreateExclusive);
}

void CTablePage::WriteHead(const CString& strTitle)
{
    CString strHead;
    strHead += "<!DOCTYPE html>\n"
               "<html>\n"
               "<head>\n"
               "<meta charset=\"utf-8\">\n"
               "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
               "style-src 'sha256-";
    strHead += View(kStyleHash);
    strHead += "'; script-src 'sha256-";
    strHead += View(kScriptHash);
    strHead += "'; base-uri 'none'; form-action 'none'\">\n"
               "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
               "<meta name=\"color-scheme\" content=\"light dark\">\n"
               "<title>";
    strHead += strTitle;
    strHead += "</title>\n<style>";
    strHead += kStyleText;
    strHead += "</style>\n"
               "</head>\n"
               "<body>\n"
               "<header>\n"
               "<div class=bar><label for=filter>Filter</label> "
               "<input id=filter type=search disabled> "
               "<button type=button disabled>Save as CSV</button> "
               "<output role=status aria-live=polite></output></div>\n"
               "<table><thead><tr>";
    for (const CTrackField& field : kPageColumns)
    {
        strHead += field.kind == CFieldKind::number ? "<th class=n data-f=" : "<th data-f=";
        strHead += field.pszElement;
        strHead += ">";
        strHead += field.pszHeader;
    }
    strHead += "</thead></table>\n"
               "</header>\n"
               "<main class=v><table><tbody></tbody></table></main>\n"
               "<noscript>\n"
               "<div class=c><table>\n";
    m_file.WriteString(strHead);
}

void CTablePage::AppendEntry(const CPlaylistConverter& converter, CString& strRows) const
{
    // "<tr>", then "<td>" and the value for each column, the cells' optional end tags
    // left out: a third less to read, and a value holds no "<" that could end a cell
    // early. The row's end tag stays, or the line end would be part of its last value.
    // The values hold no LF: with the literals' line ends made CR LF when compiled, the
    // row goes to the file as it is.
    static constexpr char kRowStart[] = "<tr>";
    static constexpr char kCell[] = "<td>";
    static constexpr plat::CCrLfLiteral kRowEnd("</tr>\n");
    size_t nLength = sizeof kRowStart - 1 + kRowEnd.nLength;
    for (const CTrackField& field : kPageColumns)
        nLength += sizeof kCell - 1 + static_cast<size_t>((converter.*field.pMember).GetLength());

    const int nOld = strRows.GetLength();
    char* p = strRows.GetBufferSetLength(nOld + static_cast<int>(nLength)) + nOld;
    p = PutLiteral(p, kRowStart);
    for (const CTrackField& field : kPageColumns)
    {
        p = PutLiteral(p, kCell);
        p = (converter.*field.pMember).CopyTo(p); // its overrun is overwritten next
    }
    PutLiteral(p, kRowEnd);
    strRows.ReleaseBuffer(nOld + static_cast<int>(nLength));
}

void CTablePage::WriteEntries(CString& strRows, std::span<const int> rowEnds)
{
    // The rows go out a block at a time, each block after the break that begins it.
    static constexpr plat::CCrLfLiteral kBlockBreak("</table></div>\n<div class=c><table>\n");
    int nWritten = 0;
    for (size_t i = 0; i < rowEnds.size();)
    {
        const int nInBlock = m_nRows % kRowsPerBlock;
        if (m_nRows != 0 && nInBlock == 0)
            m_file.WriteCrLfText(kBlockBreak.text, kBlockBreak.nLength);
        const size_t nRows =
            std::min(rowEnds.size() - i, static_cast<size_t>(kRowsPerBlock - nInBlock));
        const int nEnd = rowEnds[i + nRows - 1];
        m_file.WriteCrLfText(strRows.GetData() + nWritten, static_cast<size_t>(nEnd - nWritten));
        nWritten = nEnd;
        i += nRows;
        m_nRows += static_cast<int>(nRows);
    }
}

void CTablePage::WriteEnd()
{
    CString strEnd;
    strEnd += "</table></div>\n</noscript>\n<script>";
    strEnd += kScriptText;
    strEnd += "</script>\n</body>\n</html>\n";
    m_file.WriteString(strEnd);
    m_file.StartClosing();
}

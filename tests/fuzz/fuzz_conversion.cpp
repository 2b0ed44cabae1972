// A whole conversion of arbitrary bytes through the conversion command.
//
// Input: the first byte picks the code page (low seven bits) and whether the header line
// is put in front of the rest (high bit clear) or the rest stands alone (high bit set).
// Checked on every input: the command converts exactly when the first line is the header;
// a refused playlist leaves nothing behind; a converted one leaves exactly the XML
// document and the classic viewer page beside it, the document well-formed UTF-8 with one
// TRACK per entry line that is not skipped; the result is handed over exactly once, and only
// after a conversion; the playlist is never changed. A converted playlist is converted
// again with the table page and every export, which must leave the same document, one row
// per TRACK in the page, and one track per TRACK in each export: a valid UTF-8 XSPF whose
// locations hold only URI characters, an M3U8 of two lines a track, and a CSV of thirteen
// fields a row.
#include <cstdint>
#include <string>
#include <string_view>

#include <vector>

#include "CodePage.h"
#include "ConvertCommand.h"
#include "ExportFile.h"
#include "FuzzSupport.h"

namespace
{
const char kHeader[] = "#Sonquill playlist";

struct Expectation
{
    bool bConverted = false;
    size_t nTracks = 0;
};

// What the text-mode reading makes of the bytes, worked out independently of the file
// class: a 0x1A byte ends the input; lines end at LF, one CR before the LF is dropped;
// bytes after the last LF form a last line, a CR at their end included. The first line
// must be the header; a later line is an entry unless it is empty or starts with the
// separator 0x01.
Expectation Expect(std::string_view text)
{
    if (const size_t nEof = text.find('\x1A'); nEof != std::string_view::npos)
        text = text.substr(0, nEof);
    Expectation expectation;
    bool bFirst = true;
    while (!text.empty())
    {
        const size_t nLf = text.find('\n');
        std::string_view line = text.substr(0, nLf);
        text = nLf == std::string_view::npos ? std::string_view() : text.substr(nLf + 1);
        if (nLf != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.remove_suffix(1); // a CR at the very end, with no LF after it, stays
        if (bFirst)
        {
            expectation.bConverted = line == kHeader;
            bFirst = false;
            if (!expectation.bConverted)
                return expectation;
            continue;
        }
        if (!line.empty() && line[0] != '\x01')
            ++expectation.nTracks;
    }
    return expectation;
}

size_t CountOf(std::string_view text, std::string_view what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// The rows of an RFC 4180 text, each as its number of fields; empty when a quote is out
// of place.
std::vector<size_t> CsvRowWidths(std::string_view text)
{
    std::vector<size_t> widths;
    size_t nFields = 1;
    bool bQuoted = false, bFieldStart = true;
    for (size_t i = 0; i < text.size(); ++i)
    {
        const char ch = text[i];
        if (bQuoted)
        {
            if (ch == '"' && i + 1 < text.size() && text[i + 1] == '"')
                ++i;
            else if (ch == '"')
                bQuoted = false;
            continue;
        }
        if (ch == '"' && !bFieldStart)
            return {};
        bFieldStart = false;
        if (ch == '"')
            bQuoted = true;
        else if (ch == ',')
        {
            ++nFields;
            bFieldStart = true;
        }
        else if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
        {
            widths.push_back(nFields);
            nFields = 1;
            bFieldStart = true;
            ++i;
        }
    }
    if (bQuoted || !bFieldStart || nFields != 1)
        return {}; // not ended by a CR LF
    return widths;
}

// What is wrong with the exports of a run of nTracks tracks, or empty.
std::string CheckExports(const std::string& folder, size_t nTracks)
{
    std::string xspf, m3u8, csv;
    if (!fuzz::ReadFile(folder + "/list.xspf", xspf) || !fuzz::ReadFile(folder + "/list.m3u8", m3u8) ||
        !fuzz::ReadFile(folder + "/list.csv", csv))
        return "an export is missing";
    for (const std::string* text : {&xspf, &m3u8, &csv})
        if (fuzz::FindInvalidUtf8(*text) != std::string::npos)
            return "an export is not UTF-8";

    const std::string_view kXspfEnd = "  </trackList>\r\n</playlist>\r\n";
    if (CountOf(xspf, "<track>") != nTracks || CountOf(xspf, "</track>") != nTracks ||
        !std::string_view(xspf).ends_with(kXspfEnd))
        return "the XSPF does not hold one track per TRACK";
    for (size_t at = xspf.find("<location>"); at != std::string::npos; at = xspf.find("<location>", at + 1))
    {
        const size_t nStart = at + 10, nEnd = xspf.find("</location>", nStart);
        for (size_t i = nStart; i < nEnd; ++i)
        {
            const auto b = static_cast<unsigned char>(xspf[i]);
            if (!(b >= 'A' && b <= 'Z') && !(b >= 'a' && b <= 'z') && !(b >= '0' && b <= '9') &&
                std::string_view("-._~/:%").find(static_cast<char>(b)) == std::string_view::npos)
                return "a location holds a byte a URI must encode";
        }
    }

    if (m3u8.rfind("#EXTM3U\r\n", 0) != 0 || CountOf(m3u8, "\n") != 1 + 2 * nTracks ||
        CountOf(m3u8, "\r") != 1 + 2 * nTracks || CountOf(m3u8, "\r\n#EXTINF:") != nTracks)
        return "the M3U8 is not two lines a track";

    if (csv.rfind("\xEF\xBB\xBF", 0) != 0)
        return "the CSV has no byte-order mark";
    const std::vector<size_t> widths = CsvRowWidths(std::string_view(csv).substr(3));
    if (widths.size() != 1 + nTracks)
        return "the CSV does not hold one row per TRACK and a header";
    for (const size_t nWidth : widths)
        if (nWidth != 13)
            return "a CSV row does not hold thirteen fields";
    return {};
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const UINT cp = fuzz::CodePageFor(data[0] & 0x7F);
    const bool bWithHeader = (data[0] & 0x80) == 0;
    std::string playlist = bWithHeader ? std::string(kHeader) + "\r\n" : std::string();
    playlist.append(reinterpret_cast<const char*>(data) + 1, size - 1);

    fuzz::ClearWorkFolder();
    const std::string folder = fuzz::WorkFolder();
    const std::string strPlaylist = folder + "/list.sqk";
    fuzz::WriteFile(strPlaylist, playlist);
    const Expectation expected = Expect(playlist);

    plat::SetACP(cp);
    int nHandOvers = 0;
    CString strHandedOver;
    const plat::ShellOpenFn shellOpen = [&](const CString& strTarget) {
        ++nHandOvers;
        strHandedOver = strTarget;
    };
    CConversionReport report;
    try
    {
        report = RunConversionCommand(strPlaylist.c_str(), shellOpen, CPageStyle::classic);
    }
    catch (const CFileException& e)
    {
        fuzz::Fail("file error on a healthy file system: " + std::string(e.m_strFileName.GetData()));
    }

    std::string after;
    if (!fuzz::ReadFile(strPlaylist, after) || after != playlist)
        fuzz::Fail("the playlist was changed");

    const std::string listing = fuzz::WorkFolderListing();
    const std::string where = " (code page " + std::to_string(cp) + ")";
    if (!expected.bConverted)
    {
        if (report.outcome != CConversionReport::refused)
            fuzz::Fail("a playlist without the header line was not refused" + where);
        if (nHandOvers != 0)
            fuzz::Fail("a refused playlist was handed over");
        if (listing != "list.sqk")
            fuzz::Fail("a refused run left files behind: " + listing);
        return 0;
    }

    if (report.outcome != CConversionReport::converted)
        fuzz::Fail("a playlist with the header line was refused" + where);
    if (listing != "list.htm/list.sqk/list.xml")
        fuzz::Fail("the run left other files than the document and the page: " + listing);
    const std::string strPage = folder + "/list.htm";
    if (nHandOvers != 1 || strHandedOver.View() != strPage)
        fuzz::Fail("the page was not handed over exactly once");

    std::string xml;
    if (!fuzz::ReadFile(folder + "/list.xml", xml))
        fuzz::Fail("the XML document cannot be read");
    const std::string_view kStart = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<PLAYLIST>\r\n";
    const std::string_view kEnd = "</PLAYLIST>\r\n";
    if (xml.compare(0, kStart.size(), kStart) != 0 || xml.size() < kStart.size() + kEnd.size() ||
        xml.compare(xml.size() - kEnd.size(), kEnd.size(), kEnd) != 0)
        fuzz::Fail("the document frame is broken" + where);
    size_t nTracks = 0;
    const std::string problem = fuzz::CheckPlaylistDocument(xml, &nTracks);
    if (!problem.empty())
        fuzz::Fail("bad XML document" + where + ": " + problem);
    if (nTracks != expected.nTracks)
        fuzz::Fail(std::to_string(nTracks) + " TRACK elements for " +
                   std::to_string(expected.nTracks) + " entry lines" + where);

    std::string page;
    if (!fuzz::ReadFile(strPage, page) || page.find("src=\"list.xml\"") == std::string::npos)
        fuzz::Fail("the viewer page does not name the XML document");

    // Again with the table page and every export: the same document, a page with one row
    // per TRACK, and exports with one track each.
    CRunOptions options;
    for (const CExportFormat& format : ExportFormats())
        options.exports.push_back(&format);
    try
    {
        RunConversionCommand(strPlaylist.c_str(), nullptr, CPageStyle::table, &options);
    }
    catch (const CFileException& e)
    {
        fuzz::Fail("file error on a healthy file system: " + std::string(e.m_strFileName.GetData()));
    }
    std::string xmlAgain;
    if (!fuzz::ReadFile(folder + "/list.xml", xmlAgain) || xmlAgain != xml)
        fuzz::Fail("the table page changed the XML document" + where);
    if (!fuzz::ReadFile(strPage, page) || page.rfind("<!DOCTYPE html>\r\n", 0) != 0 ||
        page.size() < 9 || page.compare(page.size() - 9, 9, "</html>\r\n") != 0)
        fuzz::Fail("the table page is not whole" + where);
    size_t nRows = 0;
    for (size_t at = page.find("<tr><td>"); at != std::string::npos; at = page.find("<tr><td>", at + 1))
        ++nRows;
    if (nRows != nTracks)
        fuzz::Fail(std::to_string(nRows) + " rows in the table page for " +
                   std::to_string(nTracks) + " TRACK elements" + where);
    if (const std::string problem = CheckExports(folder, nTracks); !problem.empty())
        fuzz::Fail(problem + where);
    return 0;
}

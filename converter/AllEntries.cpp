// The rest of a playlist on two cores.
//
// Within a run the lines are independent of each other: each entry's values start afresh,
// and relative paths resolve against the one folder that the run made current. So the
// whole lines that the read buffer holds are cut in two at a line end: a second converter
// converts the second part on a thread of its own into files in memory, while this one
// converts the first part into the document (and the table page), and the second part's
// text and rows follow. A line that is not whole in the buffer (one that spans two reads,
// or a last line without a line end) is read and converted here as ConvertNextEntry does,
// and so is every read. So the first 0x1A ends the input, and a read or write error
// surfaces, as it would line by line: with every entry before it written and none after.
#include <exception>
#include <memory>
#include <utility>

#include "BackgroundJob.h"
#include "PlaylistConverter.h"

namespace
{
// Lines of fewer bytes than this are converted here alone: handing them over would cost
// about as much as it saves.
constexpr size_t kShareMin = 16 * 1024;

void ConvertLines(CPlaylistConverter& converter, std::string_view lines)
{
    std::string_view line;
    while (CStdioFile::NextLine(lines, line))
        converter.ConvertEntryLine(line);
}

// The second converter and its thread, made when a buffer first holds enough lines.
struct CSecondConverter
{
    explicit CSecondConverter(bool bTablePage)
    {
        converter.m_fileOut.OpenInMemory();
        if (bTablePage)
            converter.m_tablePage.OpenInMemory();
    }

    CPlaylistConverter converter;
    std::exception_ptr error; // what left its part of the lines
    CString strText;          // its part of the document, on the way there
    CString strRows;          // and of the table page's rows
    CBackgroundJob thread;    // last: destroyed first, it waits for the job under way
};
} // namespace

void CPlaylistConverter::ConvertAllEntries()
{
    std::unique_ptr<CSecondConverter> pSecond;
    for (;;)
    {
        const std::string_view lines = m_fileIn.BufferedLines();
        if (lines.empty())
        {
            if (!ConvertNextEntry())
                return;
            continue;
        }
        // This thread also reads, and copies the second part's text out: it takes less.
        const size_t nFirst = lines.find('\n', lines.size() * 2 / 5) + 1;
        if (lines.size() < kShareMin || nFirst == lines.size())
        {
            ConvertLines(*this, lines);
            m_fileIn.SkipBuffered(lines.size());
            continue;
        }

        if (!pSecond)
            pSecond = std::make_unique<CSecondConverter>(m_tablePage.IsOpen());
        CSecondConverter& second = *pSecond;
        second.thread.Start([&second, part = lines.substr(nFirst)] {
            try
            {
                ConvertLines(second.converter, part);
            }
            catch (...)
            {
                second.error = std::current_exception();
            }
            return 0L;
        });
        ConvertLines(*this, lines.substr(0, nFirst));
        long lUnused = 0;
        second.thread.Wait(lUnused);
        if (second.error)
            std::rethrow_exception(std::exchange(second.error, nullptr));
        second.converter.m_fileOut.TakeText(second.strText);
        m_fileOut.WriteString(second.strText);
        if (m_tablePage.IsOpen())
        {
            second.converter.m_tablePage.TakeRows(second.strRows);
            m_tablePage.AppendRows(second.strRows);
        }
        m_fileIn.SkipBuffered(lines.size());
    }
}

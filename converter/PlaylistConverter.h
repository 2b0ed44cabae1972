// The conversion engine: one playlist in, one XML document and its viewer page out.
//
// The command creates one converter per run and drives it: BeginConversion, then
// ConvertNextEntry until it returns false, then EndConversion. ConvertRemainingEntries
// does what that loop does, on both of the machine's cores. The string members are the
// operations' scratch space; several serve more than one operation.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "CString.h"
#include "EntryBatch.h"
#include "ExportFile.h"
#include "MissingTracks.h"
#include "PathMap.h"
#include "StdioFile.h"
#include "TablePage.h"
#include "TextScan.h"
#include "TrackOutput.h"
#include "Types.h"

/// Which viewer page a run writes beside its XML document.
enum class CPageStyle
{
    classic, ///< binds the XML document to a table in a browser with XML data islands
    table,   ///< carries the rows itself: sortable and filterable in today's browsers
    none     ///< no page: the XML document is the result
};

/// The page of a run that asks for none in particular, in the dialog and the command line:
/// the one that today's browsers show.
inline constexpr CPageStyle kDefaultPageStyle = CPageStyle::table;

/// What a run writes besides the XML document and its page, and how.
struct CRunOptions
{
    std::vector<const CExportFormat*> exports; ///< each once, in any order
    CPathMap pathMap;                          ///< moves of libraries, applied to every path
    /// When set, every track whose file does not exist here is told to it, in order.
    CMissingTracks::ReportFn reportMissing;
};

/// Why BeginConversion refused a playlist; filled only when asked for.
struct CBeginRefusal
{
    enum Step
    {
        playlistNotOpened, ///< the playlist cannot be opened for reading
        notAPlaylist,      ///< its first line is not the header
        xmlNotCreated      ///< the XML document cannot be created
    };
    Step step = playlistNotOpened;
    CFileException error; ///< the file and the system's reason, for the two open steps
};

/// The folder of a playlist path: the text before its last folder separator, or the root
/// itself for a playlist in a root folder ("/list.sqk", "C:\\list.sqk"), not the empty text
/// or a bare drive, which would name the drive's own current folder. False when the path
/// names no folder.
bool PlaylistFolder(const CString& strPlaylistPath, CString& strFolder);

class CPlaylistConverter
{
public:
    /// Opens the playlist, checks its header, makes its folder the current folder, creates
    /// the XML document and writes its prolog and the viewer page. False, with nothing
    /// written, when the playlist is refused; *pRefusal (when given) tells why.
    bool BeginConversion(CString strPlaylistPath, CString strXmlPath,
                         CBeginRefusal* pRefusal = nullptr);
    /// Converts the next playlist line; false once there is none.
    bool ConvertNextEntry();
    /// Converts the line as ConvertNextEntry does once it has read it.
    void ConvertLine(CPaddedText line);
    /// Converts every line left, with the output of ConvertNextEntry called until it
    /// returns false, and its errors: a read error is raised after the entries before it
    /// are written. A playlist larger than one batch is converted a batch at a time, on
    /// this thread and a second one by turns.
    void ConvertRemainingEntries();
    /// Converts the batch's lines into the batch, writing nothing.
    void ConvertBatch(CEntryBatch& batch);
    /// Writes what ConvertBatch made of the batch.
    void WriteBatch(CEntryBatch& batch);
    /// Writes the end line and closes both files, then ends the other outputs.
    void EndConversion();

    bool WriteProlog(const CString& strXmlPath);
    bool WriteEpilog();
    /// Writes the page beside the XML document; m_strPagePath tells whether it was written.
    /// The table page stays open: each TRACK adds its row, and EndConversion its end.
    bool WriteViewerPage(const CString& strXmlPath);
    /// The XML file's name, the final component of its full path; false when the full
    /// path cannot be resolved.
    bool FindXmlFileName(const CString& strXmlPath, CString& strName);
    /// Opens the table page and writes its head; false when it cannot be opened.
    bool OpenTablePage(const CString& strXmlPath);
    /// Opens the exports that m_pOptions asks for beside the XML document, and the check
    /// of the tracks; an export that cannot be opened is left out, with its error kept.
    void OpenOtherOutputs(const CString& strXmlPath);

    /// Escapes "&", "<", ">" and converts the text from the ANSI code page to UTF-8, in place.
    void EncodeText(CString& strText);
    /// EncodeText of text, written to strOut; text must not lie in strOut.
    static void EncodeTextInto(CPaddedText text, CString& strOut);
    /// Appends "\t\t<tag>value</tag>\n" to the target when the value is not empty.
    void AppendElement(CString& strTarget, CString strTag, const CString& strValue);
    /// Writes the TRACK element of the current entry with one write, and its table row;
    /// while a batch is converted, keeps both in the batch instead.
    void WriteTrack();
    /// Appends the TRACK element of the current entry, in its on-disk form (CR LF).
    void AppendTrack(CString& strTarget) const;

    /// Flags of every file a run creates: create or empty, no sharing, write, text.
    static constexpr UINT kCreateExclusive =
        CStdioFile::modeCreate | CStdioFile::shareExclusive | CStdioFile::modeWrite;

    CString m_strPagePath;
    CStdioFile m_fileIn;
    CStdioFile m_fileOut;
    CTrackOutput m_trackOutput{m_fileOut};
    /// What each entry is written to: the document first, then the page and the others.
    std::vector<CEntryOutput*> m_outputs{&m_trackOutput};
    const CRunOptions* m_pOptions = nullptr; ///< set before BeginConversion, or none
    std::vector<std::unique_ptr<CExportFile>> m_exports; ///< asked for, opened or not
    std::unique_ptr<CMissingTracks> m_pMissingTracks;
    CString m_strWork;
    CString m_strLine;
    // Scratch that keeps its storage from entry to entry. Members, not thread_locals: each
    // lane converts with a converter of its own, and in a mingw build every use of a
    // thread_local is a call into the runtime.
    textscan::CSpecialBytes m_specialBytes; ///< of the line being converted
    CString m_strEncoded;                   ///< EncodeText's output, swapped with its input
    char m_szFullPath[MAX_PATH] = {};
    char* m_pszFilePart = nullptr;
    int m_nEnd = 0;
    int m_nStart = 0;
    int m_nType = 0;
    CPageStyle m_nPageStyle = kDefaultPageStyle; ///< set before BeginConversion
    CTablePage m_tablePage;
    CEntryBatch* m_pBatch = nullptr; ///< while set, WriteTrack keeps the entry there
    bool m_bLongPlaylist = false; ///< its first buffer was full: several batches follow

    // TrackFields: the values of the current entry.
    CString m_strFilePath;
    CString m_strFileType;
    CString m_strFileSize;
    CString m_strTitle;
    CString m_strArtist;
    CString m_strAlbum;
    CString m_strGenre;
    CString m_strYear;
    CString m_strTrackNum;
    CString m_strChannels;
    CString m_strSampRate;
    CString m_strBitrate;
    CString m_strDuration;
};

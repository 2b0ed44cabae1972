// Buffered text file in the manner of the class library's CStdioFile.
//
// Text mode: each LF written reaches the disk as CR LF; on reading, CR LF arrives as LF, a
// lone CR stays in the line, and the byte 0x1A ends the input as if the file ended there.
// A failed open returns false; a failed read, write, flush or close throws CFileException.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "CString.h"
#include "FileException.h"
#include "OsFile.h"
#include "Types.h"
#include "BackgroundJob.h"
#include "Tuning.h"
#include "WorkingStorage.h"

class CStdioFile
{
public:
    enum OpenFlags : UINT
    {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000
    };

    CStdioFile() = default;
    CStdioFile(const CStdioFile&) = delete;
    CStdioFile& operator=(const CStdioFile&) = delete;
    /// Closes a file still open; what is buffered is written, errors are passed over.
    ~CStdioFile();

    /// Before Open: buffers of nBytes, not kBufferSize, for a file that is one of several
    /// written at once.
    void SetBufferSize(size_t nBytes) { m_nBufferSize = nBytes; }
    /// Opens the file; false when it cannot be opened, with the reason in *pError if given.
    BOOL Open(const char* pszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    /// Reads the next line without its LF. False, with an empty string, at the end.
    /// A line with no LF within nMax bytes is cut there: the string holds those bytes and
    /// the rest of the line stays unread, so a check of a line's start reads no further
    /// than it needs, whatever the file holds.
    BOOL ReadString(CString& rString, size_t nMax = SIZE_MAX);
    /// Reads the next line as ReadString does, without copying it out: the line stays
    /// where it was read, valid until the next read. False at the end. A line longer
    /// than nMax bytes is cut after nMax, as above.
    bool ReadLine(CPaddedText& line, size_t nMax = SIZE_MAX);
    /// The text read and not yet handed out, after reading the next buffer when there is
    /// none; empty at the end. For a reader that takes many lines at once: it stays where
    /// it was read, valid until the next read.
    CPaddedText PeekBuffered();
    /// Hands out the first n bytes of what PeekBuffered gave, as read.
    void SkipBuffered(size_t n) { m_nPos += n; }
    /// Starts reading the next buffer in the background now, which otherwise begins from
    /// the second buffer on: for a reader that has seen enough of the first to go on. Only
    /// when the first buffer read was full; true when the read was started.
    bool ReadAhead();
    /// Writes the text (all of it, zero bytes included), each LF as CR LF.
    void WriteString(const CString& str) { WriteText(str.GetData(), str.GetLength()); }
    void WriteString(const char* psz);
    /// Writes text whose line ends are CR LF already (made of plat::CCrLfLiteral texts and
    /// values without LF): its bytes reach the file as they are, with no pass over them.
    void WriteCrLfText(const CString& str) { WriteCrLfText(str.GetData(), str.GetLength()); }
    void WriteCrLfText(const char* p, size_t n);
    /// Writes the text as WriteCrLfText does, without copying it: the file keeps the string
    /// until its bytes are written, and leaves str empty, holding the storage of a text
    /// handed over earlier and written since, when there is one.
    void HandOverCrLfText(CString& str);
    /// Sets up the queue of background reads or writes now, if it is not there yet, so that
    /// other threads may call RunWaitingJob from here on.
    void PrepareBackgroundJobs();
    /// Runs a background read or write that its thread has not started yet, here; false
    /// when there was none. Safe from any thread once PrepareBackgroundJobs was called.
    bool RunWaitingJob() { return m_pJob && m_pJob->RunWaitingJob(); }
    /// Hands what is buffered to the file's thread as its last write, with the giving back
    /// of the room set aside, so that the files a run ends together are finished side by
    /// side; Close then waits for it. Nothing may be written after. Where no thread was
    /// started, Close does it all.
    void StartClosing();
    /// Writes what is buffered and closes; the file is closed even when this throws.
    void Close();

    bool IsOpen() const { return m_hFile != plat::kInvalidFile; }
    const CString& GetFilePath() const { return m_strFileName; }

    static constexpr size_t kBufferSize = plat::tuning::kFileBufferBytes;

private:
    void WriteText(const char* p, size_t n);
    /// What a flush hands over to be written, in order: runs of the buffer and texts
    /// handed over, which are kept until they are written.
    struct CPending
    {
        std::vector<plat::OsPiece> pieces;
        std::vector<CString> texts;
        size_t nTextBytes = 0;
        void Clear();
    };
    /// Writes the n pieces; 0 when written, else the system's error.
    long WriteOut(const plat::OsPiece* pieces, size_t n);
    /// Before a write of nBytes: sets room aside for it and the writes after it.
    void ReserveFor(size_t nBytes);
    /// Gives back the room set aside and not filled.
    void ReleaseSpareSpace();
    /// Closes the handle, after giving back the room set aside and not filled.
    bool CloseHandle(long& lOsError);
    /// The buffer's text since the last piece becomes a piece.
    void EndBufferPiece();
    void Flush();
    size_t PendingBytes() const;
    /// Takes the pending bytes past the file's last write boundary out of the write;
    /// returns the bytes the write keeps.
    size_t HoldBackPastBoundary();
    /// Makes the bytes held back the start of what the next flush hands over.
    void TakeUpHeldBack();
    bool FillBuffer();
    void StartReadAhead();
    void StartJobThread();
    plat::StoragePtr NewBuffer() const;
    [[noreturn]] void Throw(long lOsError) const;

    plat::FileHandle m_hFile = plat::kInvalidFile;
    size_t m_nBufferSize = kBufferSize;
    CString m_strFileName;
    // With CString::kPadding bytes to spare at its end, which also take the whole-block
    // stores of the line feed expansion.
    plat::StoragePtr m_pBuffer;
    CString m_strCarry; // reading: a line that spans buffers
    // Once a buffer has filled, it is written in the background while another fills; up
    // to kWaitingWrites of them wait for the disk, the one handed over first in front. On
    // reading, the first spare takes the next buffer while this one is parsed.
    // A small file never starts the thread.
    static constexpr size_t kWaitingWrites = plat::tuning::kWaitingWrites;
    std::array<plat::StoragePtr, kWaitingWrites> m_spares;
    // Writing: what the next flush hands over, and what each spare buffer's flush handed
    // over; the storage of texts written, to give back; where the buffer's text after its
    // last piece begins.
    CPending m_pending;
    std::array<CPending, kWaitingWrites> m_spareHandedOver;
    std::vector<CString> m_writtenTexts;
    size_t m_nPieceStart = 0;
    // Bytes handed to the writes so far; and what a flush held back for the next one, in
    // reverse order, with the texts those bytes lie in.
    long long m_nHandedToDisk = 0;
    struct CHeldBack
    {
        plat::OsPiece piece;
        bool bInBuffer;
    };
    std::vector<CHeldBack> m_heldBack;
    std::vector<CString> m_heldBackTexts;
    std::unique_ptr<CBackgroundJob> m_pJob;
    long long m_nReadAhead = 0; // bytes the background read gave, or -1
    size_t m_nReadAheadText = 0; // of those, the bytes before a Ctrl-Z
    size_t m_nFilled = 0;       // reading: buffers filled since the file was opened
    bool m_bReadingAhead = false;
    size_t m_nPos = 0;  // reading: next byte to hand out
    size_t m_nEnd = 0;  // reading: end of valid data; writing: end of the buffer's text
    bool m_bEnd = false; // reading: no more data (end of file or a 0x1A seen)
    bool m_bWrite = false;
    bool m_bClosing = false; // writing: the last write is the thread's, StartClosing's
    // Writing: disk room is set aside ahead of the writes, up to m_nReserved, and what
    // they leave over is given back on closing.
    bool m_bReserving = false;
    long long m_nWritten = 0;
    long long m_nReserved = 0;
};

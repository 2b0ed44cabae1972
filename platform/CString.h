// Multibyte string of the program: bytes in the active ANSI code page.
//
// The interface follows the class library's CString so the converter reads as written.
// Unlike a C string it may hold zero bytes: a line read from a playlist keeps every byte.
//
// The storage is the string's own and always exists. Assignments and appends that fit
// reuse it, so members used as scratch space stop allocating once they have grown to the
// longest text they see. Past the terminating zero lie kPadding more bytes, so that text is
// copied from one string to another in whole blocks (bytecopy::PutBlocks).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

#include "ByteCopy.h"
#include "Types.h"
#include "WorkingStorage.h"

class CString;

/// Text that may be read CString::kPadding bytes past its end, as whole-block copies do: a
/// CString's text, a line where the file read it, or a part of either. The type carries
/// that promise, so a plain pointer and length can never be copied past their end.
class CPaddedText
{
public:
    CPaddedText() = default;
    /// Every CString keeps its padding.
    CPaddedText(const CString& str);
    /// For a buffer whose maker keeps the padding readable past its n bytes at p.
    static CPaddedText Assume(const char* p, size_t n) { return CPaddedText(p, n); }

    /// A part of the text: what lies past it is still the text or its padding.
    CPaddedText Sub(int nStart, int nLength) const
    {
        return CPaddedText(m_p + nStart, static_cast<size_t>(nLength));
    }
    const char* data() const { return m_p; }
    size_t size() const { return m_n; }
    int GetLength() const { return static_cast<int>(m_n); }
    bool empty() const { return m_n == 0; }
    std::string_view View() const { return {m_p, m_n}; }

private:
    CPaddedText(const char* p, size_t n) : m_p(p), m_n(n) {}
    const char* m_p = "";
    size_t m_n = 0;
};

class CString
{
public:
    /// Bytes past the terminating zero that may be read and written freely.
    static constexpr size_t kPadding = 16;

    CString() { Allocate(kInitialCapacity); }
    CString(const char* psz) : CString() { *this = psz; }
    CString(const char* p, int nLength) : CString() { Assign(p, nLength); }
    CString(std::string_view sv) : CString() { *this = sv; }
    CString(const CString& str) : CString() { *this = str; }
    CString(CString&& str) noexcept : CString() { Swap(str); }
    CString& operator=(const CString& str)
    {
        AssignMid(str, 0, str.GetLength());
        return *this;
    }
    CString& operator=(CString&& str) noexcept
    {
        Swap(str);
        str.Empty();
        return *this;
    }
    ~CString() { plat::DeleteStorage(m_pData); }

    int GetLength() const { return static_cast<int>(m_nLength); }
    bool IsEmpty() const { return m_nLength == 0; }
    /// Clears the text but keeps its storage for the next assignment.
    void Empty() { SetLength(0); }

    operator const char*() const { return m_pData; }
    char operator[](int nIndex) const { return m_pData[nIndex]; }

    CString& operator=(const char* psz) { return *this = std::string_view(psz ? psz : ""); }
    CString& operator=(std::string_view sv)
    {
        Assign(sv.data(), static_cast<int>(sv.size()));
        return *this;
    }
    CString& operator+=(const CString& str) { return *this += str.View(); }
    CString& operator+=(const char* psz) { return *this += std::string_view(psz ? psz : ""); }
    CString& operator+=(std::string_view sv)
    {
        Append(sv.data(), static_cast<int>(sv.size()));
        return *this;
    }
    CString& operator+=(char ch)
    {
        Append(&ch, 1);
        return *this;
    }
    friend CString operator+(const CString& a, std::string_view b)
    {
        CString result;
        result.Reserve(a.m_nLength + b.size());
        result += a;
        result += b;
        return result;
    }
    friend CString operator+(const CString& a, const CString& b) { return a + b.View(); }
    friend CString operator+(const CString& a, const char* b) { return a + std::string_view(b); }
    friend bool operator==(const CString& a, const CString& b) { return a.View() == b.View(); }
    friend bool operator==(const CString& a, const char* b) { return a.View() == b; }

    /// Position of the first ch at or after nStart, or -1. Under a double-byte code page
    /// the search steps over each lead byte and its trail byte as one character, so
    /// nStart must lie on a character boundary.
    int Find(char ch, int nStart = 0) const;
    /// Position of the last ch, or -1; double-byte aware like Find.
    int ReverseFind(char ch) const;

    /// The first nCount bytes (clamped to the text).
    CString Left(int nCount) const;
    /// The bytes from nFirst to the end (clamped to the text).
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;

    /// Loads a string of the program's string table; false (and empty) when there is none.
    BOOL LoadString(UINT nID);

    /// Makes the text nLength bytes long and returns them to be written; the bytes kept
    /// from before are unchanged, any others are unspecified until written. kPadding
    /// bytes past the end may be written too.
    char* GetBufferSetLength(int nLength)
    {
        Reserve(static_cast<size_t>(nLength));
        SetLength(static_cast<size_t>(nLength));
        return m_pData;
    }
    /// Ends writing through GetBufferSetLength: the text is nLength bytes long and its
    /// terminating zero, which a block copy may have overwritten, is put back.
    void ReleaseBuffer(int nLength)
    {
        SetLength(std::min(static_cast<size_t>(nLength), m_nCapacity));
    }
    /// Makes room for a text of nLength bytes, so that appends up to that length never
    /// move it.
    void Preallocate(int nLength) { Reserve(static_cast<size_t>(nLength)); }
    /// Shortens the text to its first nLength bytes.
    void Truncate(int nLength)
    {
        if (static_cast<size_t>(nLength) < m_nLength)
            SetLength(static_cast<size_t>(nLength));
    }
    void Swap(CString& str) noexcept
    {
        std::swap(m_pData, str.m_pData);
        std::swap(m_nLength, str.m_nLength);
        std::swap(m_nCapacity, str.m_nCapacity);
    }

    // Storage-reusing helpers for the hot path.
    /// Sets the text to n bytes at p; p may point into this string.
    void Assign(const char* p, int nLength)
    {
        const auto n = static_cast<size_t>(nLength);
        if (n > m_nCapacity)
            return Replace(p, n);
        if (Holds(p))
            std::memmove(m_pData, p, n); // a part of this text
        else
            bytecopy::Put(m_pData, p, n);
        SetLength(n);
    }
    /// Sets the text to nCount bytes of src from nFirst (both clamped to src).
    void AssignMid(const CString& src, int nFirst, int nCount)
    {
        const size_t nSource = src.m_nLength;
        const size_t nStart = std::min(static_cast<size_t>(std::max(nFirst, 0)), nSource);
        const size_t n = std::min(static_cast<size_t>(std::max(nCount, 0)), nSource - nStart);
        if (n > m_nCapacity || &src == this)
            return Assign(src.m_pData + nStart, static_cast<int>(n));
        bytecopy::PutBlocksTerminated(m_pData, src.m_pData + nStart, n);
        m_nLength = n;
    }
    void Append(const char* p, int nLength)
    {
        const auto n = static_cast<size_t>(nLength);
        if (m_nLength + n > m_nCapacity)
            return GrowToAppend(p, n);
        // Not even a part of this text can overlap the free room it is copied to.
        bytecopy::Put(m_pData + m_nLength, p, n);
        SetLength(m_nLength + n);
    }
    /// Sets the text to text, copied as whole blocks like CopyTo; text must not lie in
    /// this string.
    void AssignPadded(CPaddedText text)
    {
        const size_t n = text.size();
        if (n > m_nCapacity)
            return Replace(text.data(), n);
        bytecopy::PutBlocksTerminated(m_pData, text.data(), n);
        m_nLength = n;
    }
    /// Appends text, copied as whole blocks like CopyTo.
    void AppendPadded(CPaddedText text)
    {
        const size_t n = text.size();
        if (m_nLength + n > m_nCapacity)
            return GrowToAppend(text.data(), n);
        bytecopy::PutBlocksTerminated(m_pData + m_nLength, text.data(), n);
        m_nLength += n;
    }
    /// Copies the text to p and returns the end of the copy; p must have kPadding bytes of
    /// room past it, which may be overwritten. Into a string's own buffer, end with
    /// ReleaseBuffer.
    char* CopyTo(char* p) const { return bytecopy::PutBlocks(p, m_pData, m_nLength); }
    const char* GetData() const { return m_pData; }
    std::string_view View() const { return {m_pData, m_nLength}; }

private:
    static constexpr size_t kInitialCapacity = 15;
    // A string whose storage its maker allocates at once.
    enum NoStorage { kNoStorage };
    explicit CString(NoStorage) {}

    static_assert(kPadding >= bytecopy::kBlock);

    void Allocate(size_t nCapacity);
    void Reserve(size_t n);
    void Replace(const char* p, size_t n);
    void GrowToAppend(const char* p, size_t n);
    bool Holds(const char* p) const
    {
        const auto begin = reinterpret_cast<uintptr_t>(m_pData);
        const auto at = reinterpret_cast<uintptr_t>(p);
        return at >= begin && at <= begin + m_nCapacity;
    }
    void SetLength(size_t n)
    {
        m_nLength = n;
        m_pData[n] = '\0';
    }

    char* m_pData = nullptr; // the text, its zero and the padding; never null once built
    size_t m_nLength = 0;
    size_t m_nCapacity = 0; // bytes of text that fit, not counting the zero
};

inline CPaddedText::CPaddedText(const CString& str) : m_p(str.GetData()), m_n(str.View().size())
{
}


// Multibyte string of the program: bytes in the active ANSI code page.
//
// The interface follows the class library's CString so the converter reads as written.
// Unlike a C string it may hold zero bytes: a line read from a playlist keeps every byte.
// Assignments reuse the storage already held, so members used as scratch space stop
// allocating once they have grown to the longest text they see.
#pragma once

#include <string>
#include <string_view>

#include "Types.h"

class CString
{
public:
    CString() = default;
    CString(const char* psz) : m_s(psz ? psz : "") {}
    CString(const char* p, int nLength) : m_s(p, static_cast<size_t>(nLength)) {}
    CString(std::string_view sv) : m_s(sv) {}

    int GetLength() const { return static_cast<int>(m_s.size()); }
    bool IsEmpty() const { return m_s.empty(); }
    /// Clears the text but keeps its storage for the next assignment.
    void Empty() { m_s.clear(); }

    operator const char*() const { return m_s.c_str(); }
    char operator[](int nIndex) const { return m_s[static_cast<size_t>(nIndex)]; }

    CString& operator=(const char* psz)
    {
        m_s.assign(psz ? psz : "");
        return *this;
    }
    CString& operator=(std::string_view sv)
    {
        m_s.assign(sv);
        return *this;
    }
    CString& operator+=(const CString& str)
    {
        m_s.append(str.m_s);
        return *this;
    }
    CString& operator+=(const char* psz)
    {
        m_s.append(psz);
        return *this;
    }
    CString& operator+=(char ch)
    {
        m_s.push_back(ch);
        return *this;
    }
    friend CString operator+(const CString& a, const CString& b) { return CString(a.m_s + b.m_s); }
    friend CString operator+(const CString& a, const char* b) { return CString(a.m_s + b); }
    friend bool operator==(const CString& a, const CString& b) { return a.m_s == b.m_s; }
    friend bool operator==(const CString& a, const char* b) { return a.m_s == b; }

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

    // Storage-reusing helpers for the hot path, and access for the platform layer.
    void Assign(const char* p, int nLength)
    {
        // clear() and append() skip the aliasing checks of assign(): p never points into
        // this string here.
        m_s.clear();
        m_s.append(p, static_cast<size_t>(nLength));
    }
    void AssignMid(const CString& src, int nFirst, int nCount);
    void Append(const char* p, int nLength) { m_s.append(p, static_cast<size_t>(nLength)); }
    const char* GetData() const { return m_s.data(); }
    std::string& Str() { return m_s; }
    const std::string& Str() const { return m_s; }
    std::string_view View() const { return m_s; }

private:
    std::string m_s;
};

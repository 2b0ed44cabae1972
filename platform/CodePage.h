// The active ANSI code page, and the character rules and conversions that depend on it.
//
// Inside the program every text is multibyte text in the active ANSI code page, as on
// Windows. Conversions to UTF-8 never fail on content, and they read a text as Windows
// does without MB_ERR_INVALID_CHARS: a lead byte always takes the next byte with it,
// unless the text ends there (or at a zero byte); a pair that is no character becomes one
// substitute character, and so does a lead byte at the end. An undefined single byte
// becomes the system's substitute, or U+00b where the system has none.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "Types.h"

namespace plat
{

/// The active ANSI code page (Windows numbering: 1252, 932, ...).
UINT GetACP();
/// Makes cp the active ANSI code page. Any number is taken; one without a converter
/// makes every conversion report failure, as Windows does for an unknown code page.
void SetACP(UINT cp);
/// The code pages this program can convert, in ascending order: the one list that the
/// check below, the command line's help and its messages are made from.
inline constexpr UINT kSupportedCodePages[] = {874,  932,  936,  949,  950,  1250, 1251,
                                               1252, 1253, 1254, 1255, 1256, 1257, 1258};
bool IsSupportedCodePage(UINT cp);
/// The list as people read it, runs of three or more as a range:
/// "874, 932, 936, 949, 950, 1250 to 1258".
std::string SupportedCodePagesText();
/// The code page the process starts with, until SetACP chooses another. (Backend: the
/// system's own on Windows, one chosen from the locale on POSIX.)
UINT SystemCodePage();
/// The page that stands for the system's ANSI code page nAcp. A system set to use UTF-8
/// for every program (65001) still has playlists written in its locale's own page, so
/// then that page (nLocaleAnsi) is taken, or 1252 when the locale names none; any other
/// nAcp stands as it is.
UINT ChooseAnsiCodePage(UINT nAcp, UINT nLocaleAnsi);

bool IsDoubleByteCodePage(UINT cp);
/// True when b starts a two-byte character under cp (only the double-byte pages have any).
bool IsLeadByte(UINT cp, unsigned char b);

/// Multibyte-aware searches over n bytes: a lead byte takes the next byte with it, even
/// when that byte is no valid trail byte, so a trail byte never matches ch.
int MbFind(UINT cp, const char* p, size_t n, size_t start, char ch);
int MbReverseFind(UINT cp, const char* p, size_t n, char ch);
/// Position of the last byte ch among n bytes, or -1; no character rules.
int ReverseFindByte(const char* p, size_t n, char ch);

/// Decodes single characters of one code page: the system converter, opened once.
class CCodePageDecoder
{
public:
    virtual ~CCodePageDecoder() = default;
    /// Decodes the n bytes at p (1 or 2) as exactly one character; false when they are not
    /// one character of the code page.
    virtual bool Decode(const unsigned char* p, size_t n, char32_t& u) = 0;
    /// What the system makes of the n bytes at p (1 or 2) that are no character of the
    /// page, when it has a substitute of its own (Windows does); false otherwise.
    virtual bool Substitute(const unsigned char*, size_t, char32_t&) { return false; }
    /// Decode of each pair lead, trail for trail from 0x40 to 0xFF: ok[i] and u[i] for
    /// trail 0x40 + i. This loop is what it means; a backend may need fewer calls.
    static constexpr unsigned kFirstTrail = 0x40;
    virtual void DecodeRow(unsigned char lead, char32_t (&u)[0x100 - kFirstTrail],
                           bool (&ok)[0x100 - kFirstTrail])
    {
        for (unsigned i = 0; i < 0x100 - kFirstTrail; ++i)
            ok[i] = DecodeRowPair(lead, i, u[i]);
    }

protected:
    /// Decode of pair i of the row of lead: lead, 0x40 + i.
    bool DecodeRowPair(unsigned char lead, unsigned i, char32_t& u)
    {
        const unsigned char pair[2] = {lead, static_cast<unsigned char>(kFirstTrail + i)};
        return Decode(pair, 2, u);
    }
};

/// The system's decoder for cp, or nullptr when the system has no converter for it.
/// (Backend: iconv on POSIX, MultiByteToWideChar on Windows.)
std::unique_ptr<CCodePageDecoder> OpenCodePageDecoder(UINT cp);

/// A code page's whole mapping, built once from the system's decoder and then read from
/// memory: a conversion call per character would be many times slower.
class CCodePageTable
{
public:
    /// UTF-8 form of one character; nLen 0 marks a pair that is no character.
    struct Utf8
    {
        unsigned char nLen;
        char bytes[4];
    };

    CCodePageTable(UINT cp, CCodePageDecoder& decoder);

    UINT CodePage() const { return m_nCodePage; }
    bool IsLead(unsigned char b) const { return m_leadIndex[b] != 0; }
    /// False for a single-byte page.
    bool HasLeadBytes() const { return !m_pairs.empty(); }
    /// The UTF-8 form of the single byte b; for a lead byte, what it becomes at the end
    /// of a text (the system's substitute, else U+FFFD).
    const Utf8& Single(unsigned char b) const { return m_single[b]; }
    /// The UTF-8 form of the pair lead, trail; nLen 0 when the pair is no character.
    const Utf8& Pair(unsigned char lead, unsigned char trail) const
    {
        return m_pairs[(m_leadIndex[lead] - 1u) * 256u + trail];
    }
    /// What lead followed by trail (not zero) becomes as one unit: their character, or the
    /// substitute for a pair that is none (the system's, else U+FFFD).
    const Utf8& PairOrSubstitute(unsigned char lead, unsigned char trail) const
    {
        const Utf8& pair = Pair(lead, trail);
        return pair.nLen ? pair : m_unassigned;
    }
    /// For a conversion many pairs at a time: the pairs' forms, 256 a row, and the row of
    /// each lead byte's pairs, counted from 1 (0 for a byte that leads none).
    const Utf8* PairRows() const { return m_pairs.data(); }
    unsigned char LeadRow(unsigned char b) const { return m_leadIndex[b]; }
    /// Appends the code page's bytes for u; false when the code page has none.
    bool AppendAnsi(char32_t u, std::string& out) const;

private:
    void BuildReverse() const;

    UINT m_nCodePage;
    Utf8 m_single[256] = {};
    unsigned char m_leadIndex[256] = {}; // 1-based row in m_pairs; 0: not a lead byte
    std::vector<Utf8> m_pairs;
    Utf8 m_unassigned = {}; // what a pair that is no character becomes
    // Unicode -> bytes (lead << 8 | trail). Only names and window texts go this way, so it
    // is built on first use: a conversion run never needs it.
    mutable std::once_flag m_reverseBuilt;
    mutable std::unordered_map<char32_t, unsigned short> m_reverse;
};

/// The table of cp, built on first use and kept for the life of the process;
/// nullptr when the system has no converter for cp.
const CCodePageTable* GetCodePageTable(UINT cp);

/// Appends the UTF-8 form of n bytes of cp text. False (and nothing appended) when cp has
/// no converter.
bool AppendAnsiAsUtf8(UINT cp, const char* p, size_t n, std::string& out);
/// Appends the cp form of UTF-8 text; a character that cp lacks, or a byte that is not
/// UTF-8, becomes '?'. *pbLossy (when given) tells whether that happened.
bool AppendUtf8AsAnsi(UINT cp, const char* p, size_t n, std::string& out,
                      bool* pbLossy = nullptr);

/// Decodes one UTF-8 sequence at p (n ≥ 1 bytes); returns its length, 0 when invalid.
size_t DecodeUtf8(const unsigned char* p, size_t n, char32_t& u);
/// Appends the UTF-8 encoding of u.
void AppendUtf8(char32_t u, std::string& out);

} // namespace plat

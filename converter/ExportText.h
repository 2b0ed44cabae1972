// Text rules the exports share. Their values are the XML document's, as EncodeText made
// them: UTF-8 with "&", "<" and ">" escaped, and U+FFFD for what XML does not allow.
//
// An export writes an entry in place, as the TRACK writer does: it sizes the entry from
// each value's room, then puts each value into the string's buffer. Values are padded
// text (a CString's, or a part of one), and most need no change: they are looked at and
// copied sixteen bytes at a time. Every Put writes at most its room and returns the end of
// what it wrote; past that room it may overwrite CString::kPadding bytes, as block copies do.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <string_view>

#include "ByteCopy.h"
#include "CString.h"
#include "Simd.h"

namespace exporttext
{
/// Where the first of kBytes lies in the text at or after i; its length when none does.
/// Most values hold none, and a value is a block or two: one look at sixteen bytes for all
/// the bytes sought costs less than a library search for each, whose call alone outweighs
/// the scan. Inline, so that the exports' common case makes no call at all.
template <char... kBytes>
size_t FindAnyOf(CPaddedText text, size_t i = 0)
{
#ifdef SQK2XML_SSE2
    for (; i < text.size(); i += 16)
    {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        __m128i found = _mm_setzero_si128();
        ((found = _mm_or_si128(found, _mm_cmpeq_epi8(block, _mm_set1_epi8(kBytes)))), ...);
        if (const auto mask = static_cast<unsigned>(_mm_movemask_epi8(found)))
            return std::min(text.size(), i + std::countr_zero(mask)); // none past the end counts
    }
    return text.size();
#else
    const std::string_view view = text.View();
    const auto found = std::find_if(view.begin() + static_cast<std::ptrdiff_t>(i), view.end(),
                                    [](char ch) { return ((ch == kBytes) || ...); });
    return static_cast<size_t>(found - view.begin());
#endif
}

template <char... kBytes>
bool HoldsAnyOf(CPaddedText text)
{
    return FindAnyOf<kBytes...>(text) < text.size();
}

// The rare values, with escapes, line breaks, quotes or a formula's first character, take
// the functions below that are not inline.

/// PutUnescaped from the value's first escape, at i, on.
char* PutUnescapedFrom(CPaddedText encoded, size_t i, char* p);
/// PutUnescapedOnOneLine for a value with an escape, a CR or an LF.
char* PutChangedOnOneLine(CPaddedText encoded, char* p);
/// PutCsvField for a value with an escape, a ",", a '"', a CR or an LF, or with a formula's
/// first character.
char* PutChangedCsvField(CPaddedText encoded, char* p);

/// The encoded value as plain UTF-8: its three escapes undone. EncodeText escapes every
/// "&", so each "&" of the value begins one of them.
inline char* PutUnescaped(CPaddedText encoded, char* p)
{
    const size_t nAmp = FindAnyOf<'&'>(encoded);
    if (nAmp < encoded.size())
        return PutUnescapedFrom(encoded, nAmp, p);
    return bytecopy::PutBlocks(p, encoded.data(), encoded.size());
}
constexpr size_t UnescapedRoom(size_t nEncoded)
{
    return nEncoded;
}

/// The same, each CR and LF made a space: for a format in which a value may not begin a
/// line of its own.
inline char* PutUnescapedOnOneLine(CPaddedText encoded, char* p)
{
    if (HoldsAnyOf<'&', '\r', '\n'>(encoded))
        return PutChangedOnOneLine(encoded, p);
    return bytecopy::PutBlocks(p, encoded.data(), encoded.size());
}

/// The file: URI of a full path, given as an encoded value: "C:\Music\A b.mp3" gives
/// "file:///C:/Music/A%20b.mp3", "\\server\share\x.mp3" "file://server/share/x.mp3", and
/// "/home/me/x.mp3" "file:///home/me/x.mp3". '\' becomes '/', and every byte but the
/// unreserved characters, '/' and a drive's colon is percent-encoded. A path that is none
/// of these (one that could not be made full) gives a relative reference, encoded alike.
char* PutFileUri(CPaddedText path, char* p);
constexpr size_t FileUriRoom(size_t nPath)
{
    return 8 + 3 * nPath; // "file:///", and "%XX" for a byte
}

/// Whether a spreadsheet takes a text that begins with ch for a formula, unless it is a
/// plain number.
constexpr bool IsFormulaStart(char ch)
{
    return ch == '=' || ch == '+' || ch == '-' || ch == '@' || ch == '\t' || ch == '\r';
}

/// The encoded value as one CSV field (RFC 4180): plain UTF-8; a text that a spreadsheet
/// would run as a formula (its first character "=", "+", "-", "@", a tab or a CR, and no
/// plain number) behind a "'"; quoted, its quotes doubled, when it holds a ",", a '"', a
/// CR or an LF.
inline char* PutCsvField(CPaddedText encoded, char* p)
{
    // Most fields are copied as they are. What makes a field quoted is no part of an
    // escape, so the encoded value tells as well as the plain one; an escape begins with
    // '&', which is no formula's first character.
    if ((!encoded.empty() && IsFormulaStart(encoded.data()[0])) ||
        HoldsAnyOf<'&', ',', '"', '\r', '\n'>(encoded))
        return PutChangedCsvField(encoded, p);
    return bytecopy::PutBlocks(p, encoded.data(), encoded.size());
}
constexpr size_t CsvFieldRoom(size_t nEncoded)
{
    return 3 + 2 * nEncoded; // two quotes and a "'"; every quote doubled
}

/// Text of a known length, such as a format's literals, copied as it is.
inline char* PutText(std::string_view text, char* p)
{
    return bytecopy::Put(p, text.data(), text.size());
}

/// Appends what put(p) writes at the end of strOut, given room for nRoom bytes.
template <typename Put>
void AppendInPlace(CString& strOut, size_t nRoom, Put put)
{
    const int nOld = strOut.GetLength();
    char* const pStart = strOut.GetBufferSetLength(nOld + static_cast<int>(nRoom)) + nOld;
    strOut.ReleaseBuffer(nOld + static_cast<int>(put(pStart) - pStart));
}

/// The value when it is a whole number that is not negative (ASCII digits only), without
/// its leading zeros ("0" for zeros alone); empty otherwise.
std::string_view NonNegativeInteger(std::string_view value);
} // namespace exporttext

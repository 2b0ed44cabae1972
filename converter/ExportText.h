// Text rules the exports share. Their values are the XML document's, as EncodeText made
// them: UTF-8 with "&", "<" and ">" escaped, and U+FFFD for what XML does not allow.
//
// An export writes an entry in place, as the TRACK writer does: it sizes the entry from
// each value's room, then puts each value into the string's buffer. Values are padded
// text (a CString's, or a part of one), and most need no change: they are looked at and
// copied sixteen bytes at a time. Every Put writes at most its room and returns the end of
// what it wrote; past that room it may overwrite CString::kPadding bytes, as block copies do.
#pragma once

#include <cstddef>
#include <string_view>

#include "CString.h"

namespace exporttext
{
/// The encoded value as plain UTF-8: its three escapes undone. EncodeText escapes every
/// "&", so each "&" of the value begins one of them.
char* PutUnescaped(CPaddedText encoded, char* p);
constexpr size_t UnescapedRoom(size_t nEncoded)
{
    return nEncoded;
}

/// The same, each CR and LF made a space: for a format in which a value may not begin a
/// line of its own.
char* PutUnescapedOnOneLine(CPaddedText encoded, char* p);

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

/// The encoded value as one CSV field (RFC 4180): plain UTF-8; a text that a spreadsheet
/// would run as a formula (its first character "=", "+", "-", "@", a tab or a CR, and no
/// plain number) behind a "'"; quoted, its quotes doubled, when it holds a ",", a '"', a
/// CR or an LF.
char* PutCsvField(CPaddedText encoded, char* p);
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

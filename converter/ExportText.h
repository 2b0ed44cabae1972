// Text rules the exports share. Their values are the XML document's, as EncodeText made
// them: UTF-8 with "&", "<" and ">" escaped, and U+FFFD for what XML does not allow.
#pragma once

#include <string_view>

#include "CString.h"

namespace exporttext
{
/// Appends the encoded value as plain UTF-8: its three escapes undone. EncodeText escapes
/// every "&", so each "&" of the value begins one of them.
void AppendUnescaped(std::string_view encoded, CString& strOut);
/// The value when it is a whole number that is not negative (ASCII digits only), without
/// its leading zeros ("0" for zeros alone); empty otherwise.
std::string_view NonNegativeInteger(std::string_view value);
/// Appends the file: URI of a full path, given as an encoded value: "C:\Music\A b.mp3" gives
/// "file:///C:/Music/A%20b.mp3", "\\server\share\x.mp3" "file://server/share/x.mp3", and
/// "/home/me/x.mp3" "file:///home/me/x.mp3". '\' becomes '/', and every byte but the
/// unreserved characters, '/' and a drive's colon is percent-encoded. A path that is none
/// of these (one that could not be made full) gives a relative reference, encoded alike.
void AppendFileUri(std::string_view path, CString& strOut);
/// Appends the encoded value as one CSV field (RFC 4180): plain UTF-8; a text that a
/// spreadsheet would run as a formula (its first character "=", "+", "-", "@", a tab or a
/// CR, and no plain number) behind a "'"; quoted, its quotes doubled, when it holds a ",",
/// a '"', a CR or an LF.
void AppendCsvField(std::string_view encoded, CString& strOut);
} // namespace exporttext

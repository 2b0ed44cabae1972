#include "ExportText.h"

#include <algorithm>
#include <array>
#include <utility>

namespace exporttext
{
namespace
{
// Byte classes as tables: the values are short, and a call or a chain of tests per byte
// would cost more than the rule itself.
constexpr std::array<bool, 256> ClassOf(std::string_view bytes, bool bAlnum = false)
{
    std::array<bool, 256> table{};
    for (const char ch : bytes)
        table[static_cast<unsigned char>(ch)] = true;
    for (unsigned b = 0; bAlnum && b < 256; ++b)
        table[b] |= (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9');
    return table;
}
// What a URI keeps as it is: the unreserved characters and '/'.
constexpr auto kUriPlain = ClassOf("-._~/", true);
// What makes a CSV field quoted. None of them is part of an escape, so the encoded value
// tells as well as the plain one.
constexpr auto kCsvQuoted = ClassOf(",\"\r\n");
constexpr auto kDigit = ClassOf("0123456789");

bool AllDigits(std::string_view text)
{
    for (const char ch : text)
        if (!kDigit[static_cast<unsigned char>(ch)])
            return false;
    return !text.empty();
}

// An optional sign, then digits with a point among or after them ("-42", "+3.5", "-.5",
// "7."): a value that a spreadsheet reads as the number it is, not as a formula.
bool IsPlainNumber(std::string_view text)
{
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        text.remove_prefix(1);
    const size_t nPoint = text.find('.');
    if (nPoint == std::string_view::npos)
        return AllDigits(text);
    const std::string_view whole = text.substr(0, nPoint), part = text.substr(nPoint + 1);
    return (whole.empty() || AllDigits(whole)) && (part.empty() || AllDigits(part)) &&
           text.size() > 1;
}

// The plain character of the escape at encoded[i], which is '&', and the escape's length.
char Unescape(std::string_view encoded, size_t i, size_t& nLength)
{
    static constexpr std::pair<std::string_view, char> kEscapes[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}};
    for (const auto& [escape, plain] : kEscapes)
        if (encoded.substr(i, escape.size()) == escape)
        {
            nLength = escape.size();
            return plain;
        }
    nLength = 1; // no escape: EncodeText never leaves a bare '&', but a value may come from elsewhere
    return '&';
}
} // namespace

void AppendFileUri(std::string_view path, CString& strOut)
{
    const auto isSeparator = [](char ch) { return ch == '\\' || ch == '/'; };
    const bool bDrive = path.size() >= 2 && path[1] == ':' &&
                        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                        (path.size() == 2 || isSeparator(path[2]));
    std::string_view scheme;
    if (bDrive)
        scheme = "file:///";
    else if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]))
        scheme = "file:"; // "//server/share/..." follows
    else if (!path.empty() && path[0] == '/')
        scheme = "file://";

    // Written in place: at most three bytes for each byte of the path.
    static constexpr char kHex[] = "0123456789ABCDEF";
    const int nOld = strOut.GetLength();
    char* const pStart = strOut.GetBufferSetLength(
                             nOld + static_cast<int>(scheme.size() + 3 * path.size())) + nOld;
    char* p = std::copy(scheme.begin(), scheme.end(), pStart);
    size_t i = 0;
    if (bDrive)
    {
        *p++ = path[0];
        *p++ = ':'; // the drive's colon stays as it is
        i = 2;
    }
    while (i < path.size())
    {
        auto b = static_cast<unsigned char>(path[i]);
        size_t nLength = 1;
        if (b == '&')
            b = static_cast<unsigned char>(Unescape(path, i, nLength));
        i += nLength;
        if (kUriPlain[b])
            *p++ = static_cast<char>(b);
        else if (b == '\\')
            *p++ = '/';
        else
        {
            *p++ = '%';
            *p++ = kHex[b >> 4];
            *p++ = kHex[b & 15];
        }
    }
    strOut.ReleaseBuffer(nOld + static_cast<int>(p - pStart));
}

void AppendUnescaped(std::string_view encoded, CString& strOut)
{
    size_t nDone = 0;
    for (size_t i = encoded.find('&'); i != std::string_view::npos; i = encoded.find('&', i))
    {
        strOut.Append(encoded.data() + nDone, static_cast<int>(i - nDone));
        size_t nLength = 1;
        strOut += Unescape(encoded, i, nLength);
        i += nLength;
        nDone = i;
    }
    strOut.Append(encoded.data() + nDone, static_cast<int>(encoded.size() - nDone));
}

std::string_view NonNegativeInteger(std::string_view value)
{
    if (!AllDigits(value))
        return {};
    const size_t nFirst = value.find_first_not_of('0');
    return nFirst == std::string_view::npos ? value.substr(value.size() - 1) : value.substr(nFirst);
}

void AppendCsvField(std::string_view encoded, CString& strOut)
{
    // An escape begins with '&', which is no formula's first character: the encoded value
    // tells too.
    const bool bFormula = !encoded.empty() &&
                          std::string_view("=+-@\t\r").find(encoded[0]) != std::string_view::npos &&
                          !IsPlainNumber(encoded);
    bool bQuoted = false;
    for (const char ch : encoded)
        bQuoted |= kCsvQuoted[static_cast<unsigned char>(ch)];
    if (!bQuoted)
    {
        if (bFormula)
            strOut += '\'';
        AppendUnescaped(encoded, strOut);
        return;
    }
    strOut += '"';
    if (bFormula)
        strOut += '\'';
    for (size_t nQuote; (nQuote = encoded.find('"')) != std::string_view::npos;)
    {
        AppendUnescaped(encoded.substr(0, nQuote + 1), strOut);
        strOut += '"';
        encoded.remove_prefix(nQuote + 1);
    }
    AppendUnescaped(encoded, strOut);
    strOut += '"';
}

} // namespace exporttext

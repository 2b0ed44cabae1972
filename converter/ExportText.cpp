#include "ExportText.h"

#include <utility>

namespace exporttext
{
namespace
{
bool IsUnreserved(unsigned char b)
{
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
           b == '-' || b == '.' || b == '_' || b == '~';
}

// Appends path, with '\' made '/', every byte other than the unreserved ones and '/'
// percent-encoded.
void AppendPercentEncoded(std::string_view path, CString& strOut)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char ch : path)
    {
        const auto b = static_cast<unsigned char>(ch);
        if (IsUnreserved(b) || b == '/')
            strOut += ch;
        else if (b == '\\')
            strOut += '/';
        else
        {
            const char escape[3] = {'%', kHex[b >> 4], kHex[b & 15]};
            strOut.Append(escape, 3);
        }
    }
}

// An optional sign, digits, and decimals after a point: a value that a spreadsheet reads
// as the number it is, not as a formula.
bool IsPlainNumber(std::string_view text)
{
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        text.remove_prefix(1);
    const size_t nPoint = text.find('.');
    const auto digits = [](std::string_view part) {
        return !part.empty() && part.find_first_not_of("0123456789") == std::string_view::npos;
    };
    return nPoint == std::string_view::npos
               ? digits(text)
               : digits(text.substr(0, nPoint)) && digits(text.substr(nPoint + 1));
}
} // namespace

void AppendFileUri(std::string_view path, CString& strOut)
{
    const auto isSeparator = [](char ch) { return ch == '\\' || ch == '/'; };
    const bool bDrive = path.size() >= 2 && path[1] == ':' &&
                        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                        (path.size() == 2 || isSeparator(path[2]));
    if (bDrive)
    {
        strOut += "file:///";
        strOut.Append(path.data(), 2); // the drive's colon stays as it is
        path.remove_prefix(2);
    }
    else if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]))
        strOut += "file:"; // "//server/share/..." follows
    else if (!path.empty() && path[0] == '/')
        strOut += "file://";
    AppendPercentEncoded(path, strOut);
}

void AppendUnescaped(std::string_view encoded, CString& strOut)
{
    static constexpr std::pair<std::string_view, char> kEscapes[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}};
    size_t nDone = 0;
    for (size_t i = encoded.find('&'); i != std::string_view::npos; i = encoded.find('&', i))
    {
        strOut.Append(encoded.data() + nDone, static_cast<int>(i - nDone));
        size_t nSkip = 1;
        char ch = '&';
        for (const auto& [escape, plain] : kEscapes)
            if (encoded.substr(i).starts_with(escape))
            {
                nSkip = escape.size();
                ch = plain;
                break;
            }
        strOut += ch;
        i += nSkip;
        nDone = i;
    }
    strOut.Append(encoded.data() + nDone, static_cast<int>(encoded.size() - nDone));
}

std::string_view NonNegativeInteger(std::string_view value)
{
    if (value.empty() || value.find_first_not_of("0123456789") != std::string_view::npos)
        return {};
    const size_t nFirst = value.find_first_not_of('0');
    return nFirst == std::string_view::npos ? value.substr(value.size() - 1) : value.substr(nFirst);
}

void AppendCsvField(std::string_view encoded, CString& strOut)
{
    thread_local CString t_strValue;
    t_strValue.Empty();
    exporttext::AppendUnescaped(encoded, t_strValue);
    std::string_view value = t_strValue.View();
    const bool bFormula = !value.empty() &&
                          std::string_view("=+-@\t\r").find(value[0]) != std::string_view::npos &&
                          !IsPlainNumber(value);
    if (value.find_first_of(",\"\r\n") == std::string_view::npos)
    {
        if (bFormula)
            strOut += '\'';
        strOut += value;
        return;
    }
    strOut += '"';
    if (bFormula)
        strOut += '\'';
    for (size_t nQuote = value.find('"'); nQuote != std::string_view::npos; nQuote = value.find('"'))
    {
        strOut += value.substr(0, nQuote + 1);
        strOut += '"';
        value.remove_prefix(nQuote + 1);
    }
    strOut += value;
    strOut += '"';
}


} // namespace exporttext

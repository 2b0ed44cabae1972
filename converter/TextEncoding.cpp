// The one text encoding of the document: markup escaped, ANSI converted to UTF-8.
#include <array>
#include <string>

#include "CodePage.h"
#include "PlaylistConverter.h"
#include "TextScan.h"

namespace
{
enum ByteClass : unsigned char
{
    plain,
    ampersand,
    lessThan,
    greaterThan,
    forbidden, // a C0 control that XML 1.0 does not allow: becomes U+FFFD
    high       // 0x80 and above: converted by the code page
};

constexpr std::array<unsigned char, 256> MakeClasses()
{
    std::array<unsigned char, 256> classes{};
    for (int b = 0; b < 0x20; ++b)
        classes[b] = (b == '\t' || b == '\n' || b == '\r') ? plain : forbidden;
    for (int b = 0x80; b < 0x100; ++b)
        classes[b] = high;
    classes['&'] = ampersand;
    classes['<'] = lessThan;
    classes['>'] = greaterThan;
    return classes;
}
constexpr std::array<unsigned char, 256> kClasses = MakeClasses();

const char kReplacementUtf8[] = "\xEF\xBF\xBD";

} // namespace

// The escaping and the conversion are done in one pass. That gives what escaping first and
// converting afterwards gives: the escapes are ASCII, and none of "&<>" is a valid trail
// byte of any double-byte page, so a lead byte before one of them is invalid either way.
void CPlaylistConverter::EncodeText(CString& strText)
{
    std::string& text = strText.Str();
    size_t i = textscan::PlainPrefixLength(text.data(), text.size());
    if (i == text.size())
        return; // plain ASCII: the same bytes in UTF-8

    // No converter for the active code page: the text stays escaped but unconverted.
    const plat::CCodePageTable* table = plat::GetCodePageTable(plat::GetACP());

    // Scratch space that keeps its storage from call to call; swapped with the text, so
    // both buffers stop growing once they fit the longest value.
    thread_local std::string t_out;
    std::string& out = t_out;
    out.assign(text, 0, i);
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    while (i < n)
    {
        const unsigned char b = p[i];
        switch (kClasses[b])
        {
        case plain:
        {
            const size_t run =
                i + 1 + textscan::PlainPrefixLength(text.data() + i + 1, n - i - 1);
            out.append(text.data() + i, run - i);
            i = run;
            continue;
        }
        case ampersand:
            out += "&amp;";
            break;
        case lessThan:
            out += "&lt;";
            break;
        case greaterThan:
            out += "&gt;";
            break;
        case forbidden:
            out += kReplacementUtf8;
            break;
        case high:
            if (!table)
            {
                out.push_back(static_cast<char>(b));
                break;
            }
            if (table->IsLead(b) && i + 1 < n)
            {
                const plat::CCodePageTable::Utf8& pair = table->Pair(b, p[i + 1]);
                if (pair.nLen)
                {
                    out.append(pair.bytes, pair.nLen);
                    i += 2;
                    continue;
                }
            }
            // A lead byte without a valid trail byte becomes U+FFFD; the byte after it is
            // converted on its own.
            out.append(table->Single(b).bytes, table->Single(b).nLen);
            break;
        }
        ++i;
    }
    text.swap(out);
}

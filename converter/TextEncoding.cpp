// The one text encoding of the document: markup escaped, ANSI converted to UTF-8.
#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "ByteCopy.h"
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

// The escape of a markup byte after its '&', or empty for any other byte.
std::string_view EscapeRestOf(unsigned char b)
{
    switch (kClasses[b])
    {
    case ampersand:
        return "amp;";
    case lessThan:
        return "lt;";
    case greaterThan:
        return "gt;";
    default:
        return {};
    }
}

// Input bytes encoded per stretch of output room: bounds the room beyond the text.
constexpr size_t kEncodeBlock = 64 * 1024;

} // namespace

// The escaping and the conversion are done in one pass. That gives what escaping first and
// converting afterwards gives: the escapes are ASCII, and a lead byte before markup takes
// the '&' of the escape with it, as the system's conversion of the escaped text does.
void CPlaylistConverter::EncodeText(CString& strText)
{
    const char* const text = strText.GetData();
    const auto n = static_cast<size_t>(strText.GetLength());
    size_t i = textscan::PlainPrefixLength(text, n);
    if (i == n)
        return; // plain ASCII: the same bytes in UTF-8

    // No converter for the active code page: the text stays escaped but unconverted, each
    // byte of 0x80 and above as U+FFFD.
    const plat::CCodePageTable* table = plat::GetCodePageTable(plat::GetACP());
    const auto* p = reinterpret_cast<const unsigned char*>(text);

    // Scratch space that keeps its storage from call to call; swapped with the text, so
    // both buffers stop growing once they fit the longest value.
    thread_local CString t_out;
    t_out.Assign(text, static_cast<int>(i));
    size_t nOut = i;
    while (i < n)
    {
        // The output is written in place, a block at a time, with room for the worst
        // case: five bytes ("&amp;") for each byte, and a few more for whole-word copies.
        const size_t nBlockEnd = i + std::min(n - i, kEncodeBlock);
        char* const out =
            t_out.GetBufferSetLength(static_cast<int>(nOut + 5 * (nBlockEnd - i) + 8));
        char* o = out + nOut;
        while (i < nBlockEnd)
        {
            const unsigned char b = p[i];
            switch (kClasses[b])
            {
            case plain:
            {
                const size_t nRun =
                    1 + textscan::PlainPrefixLength(text + i + 1, nBlockEnd - i - 1);
                o = bytecopy::Put(o, text + i, nRun);
                i += nRun;
                continue;
            }
            case ampersand:
                o = bytecopy::PutLiteral(o, "&amp;");
                break;
            case lessThan:
                o = bytecopy::PutLiteral(o, "&lt;");
                break;
            case greaterThan:
                o = bytecopy::PutLiteral(o, "&gt;");
                break;
            case forbidden:
                o = bytecopy::PutLiteral(o, kReplacementUtf8);
                break;
            case high:
            {
                if (!table)
                {
                    // Unconverted, but in a document declared UTF-8: no stray byte.
                    o = bytecopy::PutLiteral(o, kReplacementUtf8);
                    break;
                }
                if (table->IsLead(b) && i + 1 < n && p[i + 1] != 0)
                {
                    // A lead byte takes the next byte with it, even when the pair is no
                    // character. Before markup that byte is the '&' of its escape, which
                    // goes with it; the rest of the escape follows.
                    const unsigned char trail = p[i + 1];
                    const std::string_view escapeRest = EscapeRestOf(trail);
                    const plat::CCodePageTable::Utf8& c =
                        table->PairOrSubstitute(b, escapeRest.empty() ? trail : '&');
                    std::memcpy(o, c.bytes, sizeof c.bytes);
                    o += c.nLen;
                    if (!escapeRest.empty())
                        o = bytecopy::Put(o, escapeRest.data(), escapeRest.size());
                    i += 2;
                    continue;
                }
                // A lead byte at the end stands alone.
                const plat::CCodePageTable::Utf8& single = table->Single(b);
                std::memcpy(o, single.bytes, sizeof single.bytes);
                o += single.nLen;
                break;
            }
            }
            ++i;
        }
        nOut = static_cast<size_t>(o - out);
    }
    t_out.Truncate(static_cast<int>(nOut));
    strText.Swap(t_out);
}

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CodePage.h"
#include "PlaylistConverter.h"
#include "Simd.h"

namespace
{
std::string Encode(UINT cp, const std::string& text)
{
    plat::SetACP(cp);
    CPlaylistConverter converter;
    CString str(std::string_view(text.data(), text.size()));
    converter.EncodeText(str);
    return std::string(str.View());
}
} // namespace

TEST(EncodeText, EscapesMarkupThenConvertsToUtf8)
{
    const std::pair<std::string, std::string> cases[] = {
        {"Rock & Roll <live>", "Rock &amp; Roll &lt;live&gt;"},
        {"&", "&amp;"},
        {"&amp;", "&amp;amp;"},
        {"\"quoted\" 'single'", "\"quoted\" 'single'"},
        {"", ""},
        {"\xE9", "\xC3\xA9"},
        {"Caf\xE9 & cr\xE8me", "Caf\xC3\xA9 &amp; cr\xC3\xA8me"},
        {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
        // Tab, LF, CR and DEL are allowed in XML; the other C0 controls are not.
        {"a\tb\nc\rd\x7F", "a\tb\nc\rd\x7F"},
        {std::string("x\0y\x01\x1F\x0B", 6), "x\xEF\xBF\xBDy\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& [input, expected] : cases)
    {
        SCOPED_TRACE(input);
        EXPECT_EQ(Encode(1252, input), expected);
    }
}

TEST(EncodeText, DoubleByteText)
{
    // What a lead byte becomes where it makes no character: U+FFFD, or the system's own
    // substitute on Windows.
    const plat::CCodePageTable* table = plat::GetCodePageTable(932);
    ASSERT_NE(table, nullptr);
    const std::string pair(table->PairOrSubstitute(0x81, '&').bytes,
                           table->PairOrSubstitute(0x81, '&').nLen);
    const std::string lone(table->Single(0x81).bytes, table->Single(0x81).nLen);
#ifndef _WIN32
    EXPECT_EQ(pair, "\xEF\xBF\xBD");
    EXPECT_EQ(lone, "\xEF\xBF\xBD");
#endif
    // 0x95 0x5C: its trail byte is no backslash and no escape is involved.
    EXPECT_EQ(Encode(932, "C:\\\x95\x5C\\a"), "C:\\\xE8\xA1\xA8\\a");
    // A lead byte takes the next byte with it, as the system reads a text. Before markup
    // that is the '&' of the escape, so the pair is no character and the rest of the
    // escape follows it.
    EXPECT_EQ(Encode(932, "\x81&x"), pair + "amp;x");
    EXPECT_EQ(Encode(932, "\x81<"), pair + "lt;");
    EXPECT_EQ(Encode(932, "\x81\x01" "a"), pair + "a");
    EXPECT_EQ(Encode(932, "\x81\x7F\x95\x5C"), pair + "\xE8\xA1\xA8");
    // At the end, and before a zero byte, it stands alone.
    EXPECT_EQ(Encode(932, std::string("\x81\0", 2)), lone + "\xEF\xBF\xBD");
    EXPECT_EQ(Encode(932, "end\x81"), "end" + lone);
    EXPECT_EQ(Encode(936, "\xC4\xE3&\xBA\xC3"), "\xE4\xBD\xA0&amp;\xE5\xA5\xBD");
}

TEST(EncodeText, TextComesOutTheSameWithBytesCompressedOrNot)
{
    // Short texts, as most values are, of bytes from 0x80 up and ASCII and, under a page
    // with lead bytes, pairs and runs of lead bytes with second bytes of every kind; now
    // and then markup, a control byte or a pair that is no character. Their ends and
    // their pairs fall at every place of the sixteen-byte blocks.
    std::mt19937 random(11);
    for (const UINT cp : {1252u, 1251u, 874u, 932u, 936u, 949u, 950u})
    {
        SCOPED_TRACE(cp);
        const plat::CCodePageTable* table = plat::GetCodePageTable(cp);
        ASSERT_NE(table, nullptr);
        std::vector<unsigned char> leads, others;
        for (int b = 0x80; b < 0x100; ++b)
            (table->IsLead(static_cast<unsigned char>(b)) ? leads : others)
                .push_back(static_cast<unsigned char>(b));
        for (int nText = 0; nText < 400; ++nText)
        {
            std::string text;
            const unsigned nRare = random() % 4; // texts with no rare byte at all, too
            for (size_t n = random() % 120; text.size() < n;)
            {
                const unsigned kind = random() % 100;
                if (kind < 60 && !leads.empty())
                {
                    // A pair, mostly of a character, or a lead byte of a run.
                    text += static_cast<char>(leads[random() % leads.size()]);
                    if (kind < 45)
                        text += static_cast<char>(random() % 8 ? 0x40 + random() % 0xBF
                                                               : random() % 0x40);
                }
                else if (kind < 70 || (leads.empty() && kind < 60))
                    text += static_cast<char>(others[random() % others.size()]);
                else if (kind < 97 || nRare == 0)
                    text += static_cast<char>(' ' + random() % 95);
                else
                    text += "&<>\t\r\n\x01"[random() % 7];
            }
            simd::UseByteCompress(false);
            const std::string expected = Encode(cp, text);
            simd::UseByteCompress(true);
            ASSERT_EQ(Encode(cp, text), expected) << testing::PrintToString(text);
        }
    }
}

TEST(EncodeText, WithoutAConverterTheTextStaysEscapedAndValidUtf8)
{
    // An active code page the system cannot convert leaves the text unconverted. The
    // document is declared UTF-8, so a byte of 0x80 and above, which would make it
    // malformed, becomes U+FFFD, as the control characters do; the escapes stay.
    EXPECT_EQ(Encode(12345, std::string("a&\xE9\x01<", 5)), "a&amp;\xEF\xBF\xBD\xEF\xBF\xBD&lt;");
    EXPECT_EQ(Encode(12345, "\x93\xFA\x96\x7B"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD{");
    EXPECT_EQ(Encode(12345, ""), "");
}

TEST(EncodeText, IsNotIdempotent)
{
    plat::SetACP(1252);
    CPlaylistConverter converter;
    CString str = "R&B \xE9";
    converter.EncodeText(str);
    converter.EncodeText(str);
    EXPECT_EQ(str.View(), "R&amp;amp;B \xC3\x83\xC2\xA9");
}

TEST(EncodeText, EachByteOfASingleBytePageEncodesAloneWhereverItStands)
{
    // Under a page without lead bytes a text encodes as its bytes one by one, whatever
    // their neighbours and their place in the runs and blocks the text is cut into, with
    // the paths that compress bytes and without. The pages alternate, so a table kept
    // from the page before would show.
    for (const bool bCompress : {true, false})
    {
        simd::UseByteCompress(bCompress);
        SCOPED_TRACE(simd::ByteCompressUsed() ? "bytes compressed" : "byte by byte");
        for (const UINT cp : {1252u, 1251u, 874u, 1252u})
        {
            SCOPED_TRACE(cp);
            std::string alone[256];
            for (int b = 0; b < 256; ++b)
                alone[b] = Encode(cp, std::string(1, static_cast<char>(b)));
            // Every byte value, in runs of ASCII letters or of bytes from 0x80 up of every
            // length up to 40, and long enough to be encoded in more than one block.
            std::string text, expected;
            for (unsigned k = 0; text.size() < 200000; ++k)
            {
                const auto b = static_cast<unsigned char>(k * 167 + 13);
                for (unsigned r = 0; r < k % 41; ++r)
                {
                    const auto c = static_cast<unsigned char>(k % 2 ? 0x80 + (k * 7 + r * 13) % 128
                                                                    : 'a' + r % 26);
                    text += static_cast<char>(c);
                    expected += alone[c];
                }
                text += static_cast<char>(b);
                expected += alone[b];
            }
            EXPECT_TRUE(Encode(cp, text) == expected);
        }
        EXPECT_EQ(Encode(1251, "\xE9"), "\xD0\xB9");
        EXPECT_EQ(Encode(1252, "\xE9"), "\xC3\xA9");
    }
    simd::UseByteCompress(true);
}

// The table-driven conversion against the system's own conversion of the whole text.
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "CodePage.h"
#include "PlaylistConverter.h"
#include "TestSupport.h"

namespace
{
#ifdef _WIN32
// What the document should hold: the system's conversion of the escaped text, with the
// characters that XML 1.0 does not allow as U+FFFD.
std::string SystemEncoding(UINT cp, const std::string& text)
{
    std::string escaped;
    for (const char c : text)
        escaped += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    std::string out;
    for (const char c : testsupport::SystemAnsiToUtf8(cp, escaped))
    {
        const auto b = static_cast<unsigned char>(c);
        out += b < 0x20 && b != '\t' && b != '\n' && b != '\r' ? std::string("\xEF\xBF\xBD")
                                                               : std::string(1, c);
    }
    return out;
}

// Random text, weighted toward what conversions disagree on: lead bytes, lead bytes
// without a trail, unassigned pairs, and trail bytes that are backslashes or markup.
std::string RandomText(UINT cp, std::mt19937& random)
{
    static const char kAwkward[] = {'\\', '&', '<', '>', '\x7F', '\x01', '\t'};
    std::string text;
    const size_t n = 1 + random() % 24;
    while (text.size() < n)
    {
        const unsigned pick = random() % 100;
        unsigned char b;
        if (pick < 35)
        {
            b = static_cast<unsigned char>(0x80 + random() % 0x80);
            if (plat::IsDoubleByteCodePage(cp) && !plat::IsLeadByte(cp, b))
                b = static_cast<unsigned char>(0x81 + random() % 0x1F); // a lead in every page
        }
        else if (pick < 55)
            b = static_cast<unsigned char>(0x40 + random() % 0xBF); // a trail byte's range
        else if (pick < 75)
            b = static_cast<unsigned char>(kAwkward[random() % sizeof kAwkward]);
        else if (pick < 90)
            b = static_cast<unsigned char>('a' + random() % 26);
        else
            b = static_cast<unsigned char>(1 + random() % 0xFF); // anything but NUL
        text += static_cast<char>(b);
    }
    return text;
}
#endif
} // namespace

TEST(ConversionAgreement, EncodeTextGivesTheSystemsBytes)
{
#ifndef _WIN32
    GTEST_SKIP() << "Windows only: the reference is the system's MultiByteToWideChar";
#else
    // The text ends at a zero byte for the system: the texts hold none.
    for (const UINT cp : {874u, 932u, 936u, 949u, 950u, 1250u, 1251u, 1252u, 1253u, 1254u,
                          1255u, 1256u, 1257u, 1258u})
    {
        SCOPED_TRACE(cp);
        plat::SetACP(cp);
        std::mt19937 random(cp);
        int nDifferent = 0;
        for (int i = 0; i < 20000; ++i)
        {
            const std::string text = RandomText(cp, random);
            CString str(std::string_view(text.data(), text.size()));
            CPlaylistConverter converter;
            converter.EncodeText(str);
            const std::string expected = SystemEncoding(cp, text);
            if (str.View() != expected && ++nDifferent <= 5)
                ADD_FAILURE() << ::testing::PrintToString(text) << " gives "
                              << ::testing::PrintToString(std::string(str.View()))
                              << ", the system " << ::testing::PrintToString(expected);
        }
        EXPECT_EQ(nDifferent, 0);
    }
#endif
}

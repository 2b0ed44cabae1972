#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "CodePage.h"
#include "Utf8Text.h"
#ifndef _WIN32
#include "posix/LocaleCodePage.h"
#endif

using namespace plat;

namespace
{
std::string ToUtf8(UINT cp, const std::string& ansi)
{
    std::string out;
    EXPECT_TRUE(AppendAnsiAsUtf8(cp, ansi.data(), ansi.size(), out));
    return out;
}

std::string ToAnsi(UINT cp, const std::string& utf8, bool* pbLossy = nullptr)
{
    std::string out;
    EXPECT_TRUE(AppendUtf8AsAnsi(cp, utf8.data(), utf8.size(), out, pbLossy));
    return out;
}
} // namespace

TEST(CodePage, LocaleLanguageChoosesThePage)
{
#ifdef _WIN32
    GTEST_SKIP() << "POSIX only: Windows has an active code page of its own";
#else
    const std::pair<const char*, UINT> cases[] = {
        {"ja_JP.UTF-8", 932}, {"zh_CN.UTF-8", 936}, {"zh_SG", 936},        {"zh_TW.UTF-8", 950},
        {"zh_HK", 950},       {"ko_KR.EUC-KR", 949}, {"cs_CZ.UTF-8", 1250}, {"pl_PL", 1250},
        {"hu_HU", 1250},      {"hr_HR", 1250},      {"sk_SK", 1250},       {"sl_SI", 1250},
        {"ro_RO", 1250},      {"sq_AL", 1250},      {"bs_BA", 1250},       {"ru_RU.UTF-8", 1251},
        {"uk_UA", 1251},      {"be_BY", 1251},      {"bg_BG", 1251},       {"mk_MK", 1251},
        {"sr_RS@latin", 1251}, {"el_GR", 1253},     {"tr_TR", 1254},       {"az_AZ", 1254},
        {"he_IL", 1255},      {"ar_EG", 1256},      {"fa_IR", 1256},       {"ur_PK", 1256},
        {"et_EE", 1257},      {"lv_LV", 1257},      {"lt_LT", 1257},       {"vi_VN", 1258},
        {"th_TH", 874},       {"C", 1252},          {"POSIX", 1252},       {"C.UTF-8", 1252},
        {"en_US.UTF-8", 1252}, {"de_DE@euro", 1252}, {"", 1252}};
    for (const auto& [locale, cp] : cases)
    {
        SCOPED_TRACE(locale);
        EXPECT_EQ(CodePageForLocale(locale), cp);
    }
#endif
}

// What Windows answers, GetACP() and the system locale's ANSI code page, and the page the
// playlists are then read in.
TEST(CodePage, AUtf8SystemReadsPlaylistsInItsLocalesPage)
{
    struct Case
    {
        UINT nAcp, nLocaleAnsi, nExpected;
        const char* what;
    };
    const Case cases[] = {
        {1252, 0, 1252, "an ordinary system keeps its page"},
        {932, 1252, 932, "any other page stands whatever the locale says"},
        {65001, 1252, 1252, "UTF-8 on a Western European system"},
        {65001, 932, 932, "UTF-8 on a Japanese system"},
        {65001, 1251, 1251, "UTF-8 on a Russian system"},
        {65001, 0, 1252, "a locale without an ANSI page"},
        {65001, 65001, 1252, "a locale that answers UTF-8 itself"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ChooseAnsiCodePage(c.nAcp, c.nLocaleAnsi), c.nExpected);
    }
}

TEST(CodePage, EverySupportedPageHasATableWithPlainAscii)
{
    // The help text and the messages show the list as people read it.
    EXPECT_EQ(SupportedCodePagesText(), "874, 932, 936, 949, 950, 1250 to 1258");
    for (UINT cp : kSupportedCodePages)
    {
        SCOPED_TRACE(cp);
        ASSERT_TRUE(IsSupportedCodePage(cp));
        ASSERT_NE(GetCodePageTable(cp), nullptr);
        EXPECT_EQ(ToUtf8(cp, "Plain ASCII \\ / ~ 0123"), "Plain ASCII \\ / ~ 0123");
    }
    EXPECT_FALSE(IsSupportedCodePage(65001));
    EXPECT_EQ(GetCodePageTable(12345), nullptr);
    std::string out;
    EXPECT_FALSE(AppendAnsiAsUtf8(12345, "a", 1, out));
}

TEST(CodePage, SingleBytePagesNeverFailOnContent)
{
    EXPECT_EQ(ToUtf8(1252, "caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(ToUtf8(1252, "\x80"), "\xE2\x82\xAC"); // euro sign
    // Bytes 1252 leaves undefined become the control character of the same number.
    EXPECT_EQ(ToUtf8(1252, "\x81\x8D\x8F\x90\x9D"),
              "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    EXPECT_EQ(ToUtf8(1251, "\xC0"), "\xD0\x90");     // Cyrillic A
    EXPECT_EQ(ToUtf8(1253, "\xC1"), "\xCE\x91");     // Greek Alpha
    EXPECT_EQ(ToUtf8(1252, std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(CodePage, DoubleBytePagesPairLeadAndTrail)
{
    // 0x95 0x5C is one character under 932: its trail byte is no backslash.
    EXPECT_EQ(ToUtf8(932, "\x95\x5C"), "\xE8\xA1\xA8");
    EXPECT_EQ(ToUtf8(932, "\x82\xA0"), "\xE3\x81\x82"); // hiragana a
    // A lead byte takes the next byte with it, as the system reads a text, even when the
    // pair is no character: the two become one substitute (U+FFFD, or the system's own).
    // Only at the end, or before a zero byte, does a lead byte stand alone.
    const CCodePageTable::Utf8& unassigned = GetCodePageTable(932)->PairOrSubstitute(0x81, 0x20);
    const std::string substitute(unassigned.bytes, unassigned.nLen);
#ifndef _WIN32
    EXPECT_EQ(substitute, "\xEF\xBF\xBD");
#endif
    EXPECT_EQ(ToUtf8(932, "\x81\x20x"), substitute + "x");
    EXPECT_EQ(ToUtf8(932, "\x81\x7F\x81\x01"), substitute + substitute);
    const CCodePageTable::Utf8& lone = GetCodePageTable(932)->Single(0x81);
    EXPECT_EQ(ToUtf8(932, "ab\x81"), "ab" + std::string(lone.bytes, lone.nLen));
    EXPECT_EQ(ToUtf8(932, std::string("\x81\0", 2)), std::string(lone.bytes, lone.nLen) + '\0');
    EXPECT_EQ(ToUtf8(936, "\xC4\xE3"), "\xE4\xBD\xA0"); // ni
    EXPECT_EQ(ToUtf8(949, "\xB0\xA1"), "\xEA\xB0\x80"); // ga
    EXPECT_EQ(ToUtf8(950, "\xA4\xA4"), "\xE4\xB8\xAD"); // zhong
}

TEST(CodePage, EveryCharacterOfAPageConvertsBackToIt)
{
    // Each byte and each pair a page defines, to UTF-8 and back, gives a spelling of the
    // same character (the first, where a page has two) without loss.
    for (UINT cp : {1250u, 1252u, 1255u, 932u, 936u, 949u, 950u})
    {
        SCOPED_TRACE(cp);
        const CCodePageTable* table = GetCodePageTable(cp);
        ASSERT_NE(table, nullptr);
        std::vector<std::string> spellings;
        for (unsigned b = 1; b < 256; ++b)
            if (!table->IsLead(static_cast<unsigned char>(b)))
                spellings.emplace_back(1, static_cast<char>(b));
        for (unsigned lead = 0x81; lead < 256; ++lead)
        {
            const auto leadByte = static_cast<unsigned char>(lead);
            for (unsigned trail = 0x40; trail < 256 && table->IsLead(leadByte); ++trail)
                if (table->Pair(leadByte, static_cast<unsigned char>(trail)).nLen)
                    spellings.push_back({static_cast<char>(lead), static_cast<char>(trail)});
        }
        for (const std::string& spelling : spellings)
        {
            const std::string utf8 = ToUtf8(cp, spelling);
            if (utf8 == "\xEF\xBF\xBD")
                continue; // an undefined byte of a double-byte page
            bool bLossy = true;
            const std::string back = ToAnsi(cp, utf8, &bLossy);
            ASSERT_FALSE(bLossy) << std::hex << int(static_cast<unsigned char>(spelling[0]));
            ASSERT_EQ(ToUtf8(cp, back), utf8);
        }
    }
}

TEST(CodePage, Utf8ToAnsiMarksMissingCharactersWithQuestionMarks)
{
    bool bLossy = true;
    EXPECT_EQ(ToAnsi(1252, "caf\xC3\xA9", &bLossy), "caf\xE9");
    EXPECT_FALSE(bLossy);
    EXPECT_EQ(ToAnsi(1252, "\xE6\x97\xA5x", &bLossy), "?x"); // a CJK character
    EXPECT_TRUE(bLossy);
    EXPECT_EQ(ToAnsi(932, "\xE6\x97\xA5"), "\x93\xFA");
    EXPECT_EQ(ToAnsi(1252, "\xFF\xC3"), "??"); // not UTF-8
    // Undefined 1252 bytes survive the round trip through file-system names.
    SetACP(1252);
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8("\x81\x9D\xE9")), CString("\x81\x9D\xE9"));
}

TEST(CodePage, MultibyteSearchesAgreeWithACharacterByCharacterWalk)
{
    // Random texts of lead bytes, trail bytes and ASCII around the sought bytes, long
    // enough for the sixteen-byte skips, against a plain walk over the characters from
    // every character boundary. Every other text is mostly bytes that may be lead bytes,
    // as Chinese text is: the walk back from a match then crosses long runs of them.
    for (const unsigned b : {0x80u, 0xA0u, 0xDFu, 0xFDu, 0xFFu})
        EXPECT_FALSE(IsLeadByte(932, static_cast<unsigned char>(b))) << b;
    for (const unsigned b : {0x81u, 0x9Fu, 0xE0u, 0xFCu})
        EXPECT_TRUE(IsLeadByte(932, static_cast<unsigned char>(b))) << b;
    EXPECT_TRUE(IsLeadByte(950, 0x81) && IsLeadByte(949, 0xFE) && IsLeadByte(936, 0xA0));
    EXPECT_FALSE(IsLeadByte(936, 0x80) || IsLeadByte(950, 0xFF) || IsLeadByte(1252, 0x81));

    std::mt19937 random(11);
    const char kBytes[] = {'a',    '\\',   '.',    '\x01', '\x81', '\x95', '\x9F', '\xA0',
                           '\xE0', '\xFC', '\xFD', '\xFE', '\xFF', '\x40', '\x7F', '\x80'};
    const char kLeads[] = {'\x81', '\x95', '\x9F', '\xE0', '\xFC', '\xA0', '\xC8', '\xFE'};
    for (const UINT cp : {932u, 936u, 949u, 950u, 1252u})
        for (int round = 0; round < 300; ++round)
        {
            const bool bLeadHeavy = round % 2 != 0;
            std::string text(random() % (bLeadHeavy ? 120 : 70), 'x');
            for (char& c : text)
                c = bLeadHeavy ? (random() % 12 ? kLeads[random() % sizeof kLeads]
                                                : kBytes[random() % sizeof kBytes])
                               : (random() % 3 ? kBytes[random() % sizeof kBytes] : 'x');
            std::vector<size_t> boundaries;
            for (size_t i = 0; i < text.size(); ++i)
            {
                boundaries.push_back(i);
                if (IsLeadByte(cp, static_cast<unsigned char>(text[i])))
                    ++i;
            }
            for (const char ch : {'\\', '.', '\x01'})
            {
                int last = -1;
                for (const size_t i : boundaries)
                    if (text[i] == ch)
                        last = static_cast<int>(i);
                ASSERT_EQ(MbReverseFind(cp, text.data(), text.size(), ch), last) << cp;
                for (const size_t start : boundaries)
                {
                    int first = -1;
                    for (const size_t i : boundaries)
                        if (i >= start && text[i] == ch && first < 0)
                            first = static_cast<int>(i);
                    ASSERT_EQ(MbFind(cp, text.data(), text.size(), start, ch), first) << cp;
                }
            }
        }
}

TEST(CodePage, MultibyteSearchesStepOverDoubleByteCharacters)
{
    const std::string text = "a\x95\x5C\\b\x81\\c";
    // Under 932 the 0x5C after 0x95 is a trail byte, and 0x81 takes the backslash after
    // it with it even though that is no valid trail byte.
    EXPECT_EQ(MbReverseFind(932, text.data(), text.size(), '\\'), 3);
    EXPECT_EQ(MbFind(932, text.data(), text.size(), 0, '\\'), 3);
    EXPECT_EQ(MbFind(932, text.data(), text.size(), 4, '\\'), -1);
    EXPECT_EQ(MbReverseFind(1252, text.data(), text.size(), '\\'), 6);
    EXPECT_EQ(MbFind(1252, text.data(), text.size(), 0, '\\'), 2);
    EXPECT_EQ(MbFind(936, "\x81\x01", 2, 0, '\x01'), -1);
    EXPECT_EQ(MbReverseFind(1252, "", 0, '.'), -1);

    SetACP(932);
    EXPECT_EQ(CString(text).ReverseFind('\\'), 3);
    SetACP(1252);
    EXPECT_EQ(CString(text).ReverseFind('\\'), 6);
}

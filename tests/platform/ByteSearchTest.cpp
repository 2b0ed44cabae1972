#include <gtest/gtest.h>

#include <random>
#include <string>

#include "ByteSearch.h"
#include "CString.h"
#include "Simd.h"
#include "TextScan.h"

// Every length around the sixteen-byte blocks, every place of the byte (and none), at
// every alignment, against a plain walk; the Windows build runs the block compares.
TEST(ByteSearch, FirstAndLastAgreeWithAPlainWalk)
{
    std::mt19937 random(7);
    std::string buffer(96, '\0');
    for (char& c : buffer)
        c = static_cast<char>('a' + random() % 26);
    for (const char ch : {'\n', '\x1A', '\xE9', '\0'})
        for (size_t offset = 0; offset < 16; ++offset)
            for (size_t n = 0; n + offset <= 80; ++n)
                for (size_t at = 0; at <= n; ++at) // at == n: not there
                {
                    std::string text = buffer;
                    const char* p = text.data() + offset;
                    if (at < n)
                    {
                        text[offset + at] = ch;
                        if (at + 3 < n)
                            text[offset + n - 1] = ch; // a second one near the end
                    }
                    const char* first = nullptr;
                    const char* last = nullptr;
                    for (size_t i = 0; i < n; ++i)
                        if (p[i] == ch)
                        {
                            first = first ? first : p + i;
                            last = p + i;
                        }
                    ASSERT_EQ(plat::FindByte(p, n, ch), first) << offset << " " << n << " " << at;
                    ASSERT_EQ(plat::FindLastByte(p, n, ch), last) << offset << " " << n << " " << at;
                }
}

// The bytes a line's scan marks: the same with the wide compares or without, for every
// length around the words of 64 bits, whatever follows the line in its buffer.
TEST(TextScan, MarksEachByteThatNeedsALookAndNothingPastTheLine)
{
    std::mt19937 random(11);
    const std::string kinds = std::string("aZ =~\t&<>\x01\x1F\x7F\x80\xE9\xFF", 15);
    for (const bool bWide : {true, false})
    {
        simd::UseByteCompress(bWide);
        SCOPED_TRACE(simd::ByteCompressUsed() ? "wide compares" : "blocks of sixteen");
        for (size_t n = 0; n <= 200; ++n)
        {
            std::string text(n, ' ');
            for (char& c : text)
                c = kinds[random() % kinds.size()];
            // What follows the line would be marked, were it taken for part of it.
            const CString strBuffer((text + std::string(70, '&')).c_str());
            textscan::CSpecialBytes special;
            special.Scan(strBuffer.GetData(), n);
            for (size_t i = 0; i <= n; ++i)
            {
                size_t expected = i;
                while (expected < n &&
                       !textscan::IsSpecial(static_cast<unsigned char>(text[expected])))
                    ++expected;
                ASSERT_EQ(special.Next(i), expected) << "length " << n << ", from " << i;
            }
        }
    }
    simd::UseByteCompress(true);
}

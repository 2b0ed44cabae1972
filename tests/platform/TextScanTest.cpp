#include <gtest/gtest.h>

#include <random>
#include <string>

#include "CString.h"
#include "Simd.h"
#include "TextScan.h"

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

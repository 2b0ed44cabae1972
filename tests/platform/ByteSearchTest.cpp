#include <gtest/gtest.h>

#include <random>
#include <string>

#include "ByteSearch.h"

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

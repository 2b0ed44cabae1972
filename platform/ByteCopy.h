// Copies of the short runs that make up most of the document: a tag, a year, a title.
#pragma once

#include <cstddef>
#include <cstring>

namespace bytecopy
{

/// The longest copy done in blocks; longer ones are the library's.
constexpr size_t kBlockedCopyLimit = 256;

/// Copies n bytes to p and returns p + n. Up to sixteen bytes take two overlapping
/// fixed-size moves, which the compiler inlines, instead of a library call; up to a few
/// hundred, whole blocks of sixteen and one last block that overlaps the one before.
inline char* Put(char* p, const char* s, size_t n)
{
    if (n > 16 && n <= kBlockedCopyLimit)
    {
        for (size_t i = 0; i < n - 16; i += 16)
            std::memcpy(p + i, s + i, 16);
        std::memcpy(p + n - 16, s + n - 16, 16);
        return p + n;
    }
    if (n >= 8 && n <= 16)
    {
        std::memcpy(p, s, 8);
        std::memcpy(p + n - 8, s + n - 8, 8);
    }
    else if (n >= 4 && n < 8)
    {
        std::memcpy(p, s, 4);
        std::memcpy(p + n - 4, s + n - 4, 4);
    }
    else if (n > 0 && n < 4)
    {
        p[0] = s[0];
        p[n / 2] = s[n / 2];
        p[n - 1] = s[n - 1];
    }
    else if (n > 16)
        std::memcpy(p, s, n);
    return p + n;
}

/// Copies a text literal without its terminating zero; the length is a constant, so the
/// copy compiles to a move or two.
template <size_t N>
char* PutLiteral(char* p, const char (&text)[N])
{
    std::memcpy(p, text, N - 1);
    return p + N - 1;
}

/// A short output, up to seven bytes, with its length in the eighth byte: stored with one
/// eight-byte move, so a table of them turns a byte into its output without a branch.
struct Unit
{
    char bytes[7];
    unsigned char nLen;
};
static_assert(sizeof(Unit) == 8);

/// Stores the unit at p and returns p + its length; p must have eight bytes of room.
inline char* PutUnit(char* p, const Unit& unit)
{
    std::memcpy(p, &unit, sizeof unit);
    return p + unit.nLen;
}

} // namespace bytecopy

// Copies of the short runs that make up most of the document: a tag, a year, a title.
#pragma once

#include <cstddef>
#include <cstring>

#include "Simd.h"

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

/// The block of PutBlocks: texts whose ends may be overrun by this much copy fastest.
constexpr size_t kBlock = 16;

/// Copies n bytes to p in whole blocks of sixteen and returns p + n: the last block reads
/// and writes up to 15 bytes past the n, so both s and p need that much room beyond. Most
/// texts of a playlist are shorter than a block or two, where this beats a byte count that
/// decides how to copy; texts over a kilobyte take the library's copy.
inline char* PutBlocks(char* p, const char* s, size_t n)
{
    if (n > 1024)
        std::memcpy(p, s, n);
    else
        for (size_t i = 0; i < n; i += kBlock)
            std::memcpy(p + i, s + i, kBlock);
    return p + n;
}

/// PutBlocks, then a zero after the n bytes: the zero goes in with the last block, whose
/// bytes past the n are cleared.
inline void PutBlocksTerminated(char* p, const char* s, size_t n)
{
#ifdef SQK2XML_SSE2
    if (n <= 1024)
    {
        // Sixteen bytes to keep, then sixteen to clear: read from kKeepFirst + 16 - k, the
        // first k bytes of a block are kept.
        alignas(16) static constexpr unsigned char kKeepFirst[2 * kBlock] = {
            0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
            0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        size_t i = 0;
        for (; i + kBlock <= n; i += kBlock)
            std::memcpy(p + i, s + i, kBlock);
        const auto* keep = reinterpret_cast<const __m128i*>(kKeepFirst + kBlock - (n - i));
        const __m128i last = _mm_and_si128(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)), _mm_loadu_si128(keep));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), last);
        return;
    }
#endif
    std::memcpy(p, s, n);
    p[n] = '\0';
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

// The first and the last occurrence of one byte in a range. The C library's own search is
// used where it is known to be fast (glibc); elsewhere, as in the Windows runtime's
// byte-at-a-time memchr, sixteen bytes are compared at once.
#pragma once

#include <bit>
#include <cstddef>
#include <cstring>

#include "Simd.h"

namespace plat
{

/// The first byte ch among the n bytes at p, or nullptr.
inline const char* FindByte(const char* p, size_t n, char ch)
{
#if defined(__GLIBC__) || !defined(SQK2XML_SSE2)
    return static_cast<const char*>(std::memchr(p, static_cast<unsigned char>(ch), n));
#else
    const __m128i needle = _mm_set1_epi8(ch);
    size_t i = 0;
    for (; i + 16 <= n; i += 16)
    {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        if (const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, needle))))
            return p + i + simd::LowestBit(mask);
    }
    for (; i < n; ++i)
        if (p[i] == ch)
            return p + i;
    return nullptr;
#endif
}

/// The last byte ch among the n bytes at p, or nullptr.
inline const char* FindLastByte(const char* p, size_t n, char ch)
{
#if defined(__GLIBC__)
    return n ? static_cast<const char*>(memrchr(p, static_cast<unsigned char>(ch), n)) : nullptr;
#elif defined(SQK2XML_SSE2)
    const __m128i needle = _mm_set1_epi8(ch);
    size_t i = n;
    for (; i >= 16; i -= 16)
    {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i - 16));
        if (const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, needle))))
            return p + i - 16 + (std::bit_width(mask) - 1);
    }
    while (i-- > 0)
        if (p[i] == ch)
            return p + i;
    return nullptr;
#else
    for (size_t i = n; i-- > 0;)
        if (p[i] == ch)
            return p + i;
    return nullptr;
#endif
}

} // namespace plat

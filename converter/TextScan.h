// Fast scan for the bytes that text encoding has to look at: "&", "<", ">", control bytes
// and bytes of 0x80 and above. Text without them is its own encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace textscan
{

/// True for a byte that needs a look. Tab, LF and CR count too: they are rare in playlist
/// values and cost only the slow path.
inline bool IsSpecial(unsigned char b)
{
    return b < 0x20 || b >= 0x80 || b == '&' || b == '<' || b == '>';
}

#ifdef __SSE2__
/// One bit for each of the sixteen bytes at p that needs a look. The signed comparison
/// with 0x20 also catches every byte of 0x80 and above, which read as negative.
inline uint64_t SpecialMask16(const char* p)
{
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i special = _mm_or_si128(
        _mm_or_si128(_mm_cmplt_epi8(x, _mm_set1_epi8(0x20)), _mm_cmpeq_epi8(x, _mm_set1_epi8('&'))),
        _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('<')), _mm_cmpeq_epi8(x, _mm_set1_epi8('>'))));
    return static_cast<uint16_t>(_mm_movemask_epi8(special));
}
#endif

/// Length of the leading run of bytes that need no encoding.
inline size_t PlainPrefixLength(const char* p, size_t n)
{
    size_t i = 0;
#ifdef __SSE2__
    for (; i + 16 <= n; i += 16)
        if (const uint64_t mask = SpecialMask16(p + i))
            return i + static_cast<size_t>(__builtin_ctzll(mask));
#endif
    while (i < n && !IsSpecial(static_cast<unsigned char>(p[i])))
        ++i;
    return i;
}

/// The bytes of one line that need a look, one bit per byte, found in one pass: a line
/// has a dozen short segments, and a scan started afresh for each costs more in setting
/// up than in scanning. The separator 0x01 is among the marked bytes.
class CSpecialBytes
{
public:
    void Scan(const char* p, size_t n)
    {
        m_n = n;
        m_bits.resize(n / 64 + 1);
        size_t i = 0, w = 0;
#ifdef __SSE2__
        for (; i + 64 <= n; i += 64)
            m_bits[w++] = SpecialMask16(p + i) | SpecialMask16(p + i + 16) << 16 |
                          SpecialMask16(p + i + 32) << 32 | SpecialMask16(p + i + 48) << 48;
#endif
        // The last, partial word: whole blocks of sixteen first, then single bytes.
        uint64_t bits = 0;
        size_t k = 0;
#ifdef __SSE2__
        for (; i + 16 <= n; i += 16, k += 16)
            bits |= SpecialMask16(p + i) << k;
#endif
        for (; i < n; ++i, ++k)
            bits |= static_cast<uint64_t>(IsSpecial(static_cast<unsigned char>(p[i]))) << k;
        m_bits[w] = bits;
    }

    /// Position of the first marked byte at or after i; the line's length when none is.
    size_t Next(size_t i) const
    {
        if (i >= m_n)
            return m_n;
        size_t w = i / 64;
        uint64_t bits = m_bits[w] & (~0ull << (i % 64));
        while (!bits)
        {
            if (++w == m_bits.size())
                return m_n;
            bits = m_bits[w];
        }
        return w * 64 + static_cast<size_t>(__builtin_ctzll(bits));
    }

private:
    std::vector<uint64_t> m_bits; // bits past the line's end stay clear
    size_t m_n = 0;
};

} // namespace textscan

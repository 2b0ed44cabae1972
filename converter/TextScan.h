// Fast scan for the bytes that text encoding has to look at: "&", "<", ">", control bytes
// and bytes of 0x80 and above. Text without them is its own encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace textscan
{

/// Length of the leading run of bytes that need no encoding. Tab, LF and CR count as
/// needing a look too: they are rare in playlist values and cost only the slow path.
inline size_t PlainPrefixLength(const char* p, size_t n)
{
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    auto hasZeroByte = [](uint64_t v) { return (v - kOnes) & ~v & kHigh; };
    size_t i = 0;
#ifdef __SSE2__
    // Sixteen bytes at a time. The signed comparison with 0x20 also catches every byte of
    // 0x80 and above, which read as negative.
    const __m128i space = _mm_set1_epi8(0x20);
    const __m128i amp = _mm_set1_epi8('&'), lt = _mm_set1_epi8('<'), gt = _mm_set1_epi8('>');
    for (; i + 16 <= n; i += 16)
    {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i special =
            _mm_or_si128(_mm_or_si128(_mm_cmplt_epi8(x, space), _mm_cmpeq_epi8(x, amp)),
                         _mm_or_si128(_mm_cmpeq_epi8(x, lt), _mm_cmpeq_epi8(x, gt)));
        if (const int mask = _mm_movemask_epi8(special))
            return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    // Eight bytes at a time: a word without any byte of interest is skipped whole.
    for (; i + 8 <= n; i += 8)
    {
        uint64_t x;
        std::memcpy(&x, p + i, 8);
        const uint64_t below20 = (x - 0x20 * kOnes) & ~x & kHigh;
        const uint64_t special = below20 | hasZeroByte(x ^ (0x26 * kOnes)) |
                                 hasZeroByte(x ^ (0x3C * kOnes)) | hasZeroByte(x ^ (0x3E * kOnes));
        if ((special | x) & kHigh)
            break;
    }
    for (; i < n; ++i)
    {
        const auto b = static_cast<unsigned char>(p[i]);
        if (b < 0x20 || b >= 0x80 || b == '&' || b == '<' || b == '>')
            break;
    }
    return i;
}

/// True for a byte that needs a look (see PlainPrefixLength).
inline bool IsSpecial(unsigned char b)
{
    return b < 0x20 || b >= 0x80 || b == '&' || b == '<' || b == '>';
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
            m_bits[w++] = Mask16(p + i) | Mask16(p + i + 16) << 16 | Mask16(p + i + 32) << 32 |
                          Mask16(p + i + 48) << 48;
#endif
        // The last, partial word: whole blocks of sixteen first, then single bytes.
        uint64_t bits = 0;
        size_t k = 0;
#ifdef __SSE2__
        for (; i + 16 <= n; i += 16, k += 16)
            bits |= Mask16(p + i) << k;
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
#ifdef __SSE2__
    static uint64_t Mask16(const char* p)
    {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i special = _mm_or_si128(
            _mm_or_si128(_mm_cmplt_epi8(x, _mm_set1_epi8(0x20)), _mm_cmpeq_epi8(x, _mm_set1_epi8('&'))),
            _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('<')), _mm_cmpeq_epi8(x, _mm_set1_epi8('>'))));
        return static_cast<uint16_t>(_mm_movemask_epi8(special));
    }
#endif

    std::vector<uint64_t> m_bits; // bits past the line's end stay clear
    size_t m_n = 0;
};

} // namespace textscan

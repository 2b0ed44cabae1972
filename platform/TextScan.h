// Fast scan for the bytes that text encoding has to look at: "&", "<", ">", control bytes
// and bytes of 0x80 and above. Text without them is its own encoding.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>
#include "Simd.h"

namespace textscan
{

/// True for a byte that needs a look. Tab, LF and CR count too: they are rare in playlist
/// values and cost only the slow path.
inline bool IsSpecial(unsigned char b)
{
    return b < 0x20 || b >= 0x80 || b == '&' || b == '<' || b == '>';
}

#ifdef SQK2XML_SSE2
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

/// True when none of the sixteen bytes at p needs encoding.
inline bool IsPlainBlock16(const char* p)
{
#ifdef SQK2XML_SSE2
    return SpecialMask16(p) == 0;
#else
    bool bPlain = true;
    for (size_t i = 0; i < 16; ++i)
        bPlain &= !IsSpecial(static_cast<unsigned char>(p[i]));
    return bPlain;
#endif
}

/// Length of the leading run of bytes that need no encoding. Whole blocks of sixteen are
/// read, up to 15 bytes past p + n: p must lie in the text of a CString, whose padding
/// allows that.
inline size_t PlainPrefixLength(const char* p, size_t n)
{
#ifdef SQK2XML_SSE2
    for (size_t i = 0; i < n; i += 16)
        if (const uint64_t mask = SpecialMask16(p + i))
            return std::min(n, i + static_cast<size_t>(simd::LowestBit(mask)));
    return n;
#else
    size_t i = 0;
    while (i < n && !IsSpecial(static_cast<unsigned char>(p[i])))
        ++i;
    return i;
#endif
}

/// The bytes of one line that need a look, one bit per byte, found in one pass: a line
/// has a dozen short segments, and a scan started afresh for each costs more in setting
/// up than in scanning. The separator 0x01 is among the marked bytes.
class CSpecialBytes
{
public:
    /// Marks the n bytes at p, which must lie in the text of a CString: its padding lets
    /// the last block of sixteen reach past the end.
    void Scan(const char* p, size_t n)
    {
        m_n = n;
        m_bits.resize(n / 64 + 1);
#ifdef SQK2XML_BYTE_COMPRESS
        if (simd::ByteCompressUsed())
            return ScanWide(p, n);
#endif
        size_t i = 0;
#ifdef SQK2XML_SSE2
        size_t w = 0;
        for (; i + 64 <= n; i += 64)
            m_bits[w++] = SpecialMask16(p + i) | SpecialMask16(p + i + 16) << 16 |
                          SpecialMask16(p + i + 32) << 32 | SpecialMask16(p + i + 48) << 48;
        // The last, partial word, in whole blocks; the bits past the end are cleared.
        uint64_t bits = 0;
        for (size_t k = 0; i + k < n; k += 16)
            bits |= SpecialMask16(p + i + k) << k;
        m_bits[w] = bits & ~(~0ull << (n % 64));
#else
        m_bits.assign(m_bits.size(), 0);
        for (; i < n; ++i)
            m_bits[i / 64] |= static_cast<uint64_t>(IsSpecial(static_cast<unsigned char>(p[i])))
                              << (i % 64);
#endif
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
        return w * 64 + static_cast<size_t>(simd::LowestBit(bits));
    }

private:
#ifdef SQK2XML_BYTE_COMPRESS
    /// Scan, a word of 64 bytes to a comparison, where the processor compares into masks.
    void ScanWide(const char* p, size_t n);
#endif

    std::vector<uint64_t> m_bits; // bits past the line's end stay clear
    size_t m_n = 0;
};

} // namespace textscan

#include "TextScan.h"

#ifdef SQK2XML_BYTE_COMPRESS
#include <immintrin.h>

namespace
{
// One bit for each of the 64 bytes that needs a look, as SpecialMask16 marks them.
SQK2XML_TARGET_BYTE_COMPRESS uint64_t SpecialMask64(__m512i x)
{
    return _mm512_cmplt_epi8_mask(x, _mm512_set1_epi8(0x20)) |
           _mm512_cmpeq_epi8_mask(x, _mm512_set1_epi8('&')) |
           _mm512_cmpeq_epi8_mask(x, _mm512_set1_epi8('<')) |
           _mm512_cmpeq_epi8_mask(x, _mm512_set1_epi8('>'));
}
} // namespace

SQK2XML_TARGET_BYTE_COMPRESS void textscan::CSpecialBytes::ScanWide(const char* p, size_t n)
{
    size_t i = 0;
    size_t w = 0;
    for (; i + 64 <= n; i += 64)
        m_bits[w++] = SpecialMask64(_mm512_loadu_si512(p + i));
    // The last, partial word: the masked load reads nothing past the end, and the zeros it
    // gives there, which would count as control bytes, are masked out again.
    const __mmask64 inText = (1ull << (n - i)) - 1;
    m_bits[w] = SpecialMask64(_mm512_maskz_loadu_epi8(inText, p + i)) & inText;
}
#endif

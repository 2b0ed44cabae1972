#include "LineFeeds.h"

#include <cstring>
#include "Simd.h"

size_t plat::ExpandLineFeeds(const char* in, size_t n, char* out)
{
    char* const start = out;
#ifdef SQK2XML_SSE2
    // Sixteen bytes are stored whole, then the output moves on only past the bytes before
    // the first LF among them, which becomes CR LF. The slack takes a store that reaches
    // beyond the text.
    const __m128i lineFeed = _mm_set1_epi8('\n');
    while (n >= 16)
    {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), x);
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(x, lineFeed));
        if (!mask)
        {
            in += 16;
            out += 16;
            n -= 16;
            continue;
        }
        const auto pos = static_cast<size_t>(simd::LowestBit(static_cast<unsigned>(mask)));
        out[pos] = '\r';
        out[pos + 1] = '\n';
        out += pos + 2;
        in += pos + 1;
        n -= pos + 1;
    }
#endif
    while (const auto* lf = static_cast<const char*>(std::memchr(in, '\n', n)))
    {
        const auto run = static_cast<size_t>(lf - in);
        std::memcpy(out, in, run);
        out[run] = '\r';
        out[run + 1] = '\n';
        out += run + 2;
        in += run + 1;
        n -= run + 1;
    }
    std::memcpy(out, in, n);
    return static_cast<size_t>(out + n - start);
}

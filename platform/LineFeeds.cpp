#include "LineFeeds.h"

#include <cstdint>
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

size_t plat::FindWholeLines(const char* p, size_t n, size_t nMaxLines, int nBase,
                            std::vector<CLineSpan>& spans)
{
    size_t nStart = 0;
    size_t nLines = 0;
    // Notes the line that ends with the LF at lf; false once nMaxLines are noted.
    auto noteLine = [&](size_t lf) {
        const size_t nEnd = lf > nStart && p[lf - 1] == '\r' ? lf - 1 : lf;
        spans.push_back({nBase + static_cast<int>(nStart), nBase + static_cast<int>(nEnd)});
        nStart = lf + 1;
        return ++nLines < nMaxLines;
    };
    if (!nMaxLines)
        return 0;
#ifdef SQK2XML_SSE2
    // One mask of the LFs of each 64 bytes, walked bit by bit: a line is a few hundred
    // bytes, where a search started afresh for each costs more than the scan.
    const __m128i lineFeed = _mm_set1_epi8('\n');
    auto lineFeeds16 = [&](size_t i) -> uint64_t {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        return static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, lineFeed)));
    };
    for (size_t i = 0; i < n; i += 64)
    {
        uint64_t mask = 0;
        if (n - i >= 64)
            mask = lineFeeds16(i) | lineFeeds16(i + 16) << 16 | lineFeeds16(i + 32) << 32 |
                   lineFeeds16(i + 48) << 48;
        else
        {
            // The last, partial 64, in whole blocks; the bits past the n are cleared.
            for (size_t k = 0; i + k < n; k += 16)
                mask |= lineFeeds16(i + k) << k;
            mask &= ~(~uint64_t{0} << (n - i));
        }
        for (; mask; mask &= mask - 1)
            if (!noteLine(i + simd::LowestBit(mask)))
                return nStart;
    }
#else
    while (const auto* lf = static_cast<const char*>(std::memchr(p + nStart, '\n', n - nStart)))
        if (!noteLine(static_cast<size_t>(lf - p)))
            break;
#endif
    return nStart;
}

// Sixteen bytes put out at once, each as a form of one to three bytes: the step shared by
// the vector paths that convert text to UTF-8 and that percent-encode it. Each byte's form
// goes into a lane of four, and one compression packs the lanes' bytes in order.
// Include only where SQK2XML_BYTE_COMPRESS is defined, and call only from functions built
// with SQK2XML_TARGET_BYTE_COMPRESS once simd::ByteCompressUsed() said yes.
#pragma once

#include <cstdint>
#include <immintrin.h>

#include "Simd.h"

namespace simd
{
// Masks of the rows' quarters, as sixteen four-byte elements and as 64 bytes.
constexpr __mmask16 kRowElements[4] = {0x000F, 0x00F0, 0x0F00, 0xF000};
constexpr __mmask64 kRowBytes[4] = {0xFFFFull, 0xFFFFull << 16, 0xFFFFull << 32, 0xFFFFull << 48};

/// The rows PutByteForms16 takes, from sixteen bytes each.
SQK2XML_TARGET_BYTE_COMPRESS inline __m512i FormRows(__m128i first, __m128i second, __m128i third,
                                                     __m128i lengths)
{
    // Masked forms throughout: this compiler's unmasked ones leave a register undefined
    // and warn of it.
    __m512i rows = _mm512_maskz_broadcast_i32x4(kRowElements[0], first);
    rows = _mm512_mask_broadcast_i32x4(rows, kRowElements[1], second);
    rows = _mm512_mask_broadcast_i32x4(rows, kRowElements[2], third);
    return _mm512_mask_broadcast_i32x4(rows, kRowElements[3], lengths);
}

/// Puts out sixteen forms at o, each in a lane of four bytes: its first, second and third
/// byte, then its length (0 to 3), of which that many are written. Returns the end;
/// writes nothing past it.
SQK2XML_TARGET_BYTE_COMPRESS inline char* PutFormLanes16(__m512i lanes, char* o)
{
    // Each lane's four places, against its length copied into each of them.
    alignas(64) static constexpr unsigned char kPlaces[64] = {
        0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3,
        0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3,
        0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3};
    const __m512i lengthEverywhere = _mm512_set4_epi32(0x0F0F0F0F, 0x0B0B0B0B, 0x07070707, 0x03030303);
    const __m512i laneLengths = _mm512_shuffle_epi8(lanes, lengthEverywhere);
    const __mmask64 taken = _mm512_cmplt_epu8_mask(_mm512_load_si512(kPlaces), laneLengths);
    const auto n = static_cast<unsigned>(_mm_popcnt_u64(taken));
    // A store of only the bytes put out: the texts' room is counted to the byte.
    _mm512_mask_storeu_epi8(o, _bzhi_u64(~0ull, n), _mm512_maskz_compress_epi8(taken, lanes));
    return o + n;
}

/// The rows' forms as lanes: lane j takes byte j of each row.
SQK2XML_TARGET_BYTE_COMPRESS inline __m512i FormLanes(__m512i rows)
{
    alignas(64) static constexpr unsigned char kLanes[64] = {
        0,  16, 32, 48, 1,  17, 33, 49, 2,  18, 34, 50, 3,  19, 35, 51,
        4,  20, 36, 52, 5,  21, 37, 53, 6,  22, 38, 54, 7,  23, 39, 55,
        8,  24, 40, 56, 9,  25, 41, 57, 10, 26, 42, 58, 11, 27, 43, 59,
        12, 28, 44, 60, 13, 29, 45, 61, 14, 30, 46, 62, 15, 31, 47, 63};
    return _mm512_maskz_permutexvar_epi8(~0ull, _mm512_load_si512(kLanes), rows);
}

/// Puts out the forms of sixteen bytes at o. The rows hold, one after another, each
/// byte's first, second and third form byte, then its form's length (0 to 3): byte j's
/// form is rows[j], rows[16 + j], rows[32 + j], of which the first rows[48 + j] are
/// written. Returns the end; writes nothing past it.
SQK2XML_TARGET_BYTE_COMPRESS inline char* PutByteForms16(__m512i rows, char* o)
{
    return PutFormLanes16(FormLanes(rows), o);
}
} // namespace simd

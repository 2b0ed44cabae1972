// Whether the sixteen-byte SSE2 paths are compiled. Every x86-64 processor has SSE2; GCC
// and Clang say so with __SSE2__, MSVC with _M_X64. SQK2XML_NO_SIMD (the build option
// SQK2XML_SIMD=OFF) compiles the plain loops beside them instead, so those are tested too.
#pragma once

#include <bit>
#include <cstdint>

#if !defined(SQK2XML_NO_SIMD) && (defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64))
#define SQK2XML_SSE2 1
#include <emmintrin.h>
#endif

// Whether the paths that compress bytes with AVX-512 (VBMI2) are compiled: with GCC or
// Clang on x86-64, and only where the processor has them does a run take them. Not on
// Windows: there the compiler keeps the stack aligned to sixteen bytes only, and a
// 64-byte register spilled to it would fault.
#if defined(SQK2XML_SSE2) && defined(__GNUC__) && defined(__x86_64__) && !defined(_WIN32)
#define SQK2XML_BYTE_COMPRESS 1
#define SQK2XML_TARGET_BYTE_COMPRESS                                                           \
    __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi,avx512vbmi2,popcnt,bmi2")))
#endif

namespace simd
{
/// Whether the paths that compress bytes are taken: compiled, on a processor that has
/// them, and not turned off.
bool ByteCompressUsed();
/// Turns those paths off (false) or back on, for the tests that compare them with the
/// paths every processor takes.
void UseByteCompress(bool bUse);

/// Position of the lowest set bit of a non-zero mask.
inline unsigned LowestBit(std::uint64_t mask)
{
    return static_cast<unsigned>(std::countr_zero(mask));
}
/// The number of bits set in a sixteen-bit mask. Computed in place: without the popcnt
/// instruction, which x86-64's baseline lacks, std::popcount is a call into the runtime.
constexpr unsigned CountBits16(unsigned mask)
{
    mask = mask - ((mask >> 1) & 0x5555u);
    mask = (mask & 0x3333u) + ((mask >> 2) & 0x3333u);
    mask = (mask + (mask >> 4)) & 0x0F0Fu;
    return (mask + (mask >> 8)) & 0x1Fu;
}
static_assert(CountBits16(0) == 0 && CountBits16(0xFFFF) == 16 && CountBits16(0x8421) == 4 &&
              CountBits16(0x7FFE) == 14);
} // namespace simd

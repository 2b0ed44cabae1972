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

namespace simd
{
/// Position of the lowest set bit of a non-zero mask.
inline unsigned LowestBit(std::uint64_t mask)
{
    return static_cast<unsigned>(std::countr_zero(mask));
}
} // namespace simd

#include "Simd.h"

#include <atomic>

namespace
{
bool ProcessorCompressesBytes()
{
#ifdef SQK2XML_BYTE_COMPRESS
    // The compiler's check asks the system, too, whether it keeps the wide registers.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi") &&
           __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("popcnt") &&
           __builtin_cpu_supports("bmi2");
#else
    return false;
#endif
}

std::atomic<bool> g_bUse{ProcessorCompressesBytes()};
} // namespace

namespace simd
{
bool ByteCompressUsed()
{
    return g_bUse.load(std::memory_order_relaxed);
}

void UseByteCompress(bool bUse)
{
    g_bUse.store(bUse && ProcessorCompressesBytes(), std::memory_order_relaxed);
}
} // namespace simd

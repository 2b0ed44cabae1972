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

// Asked once, on first use: whatever runs first, a static's constructor included.
std::atomic<bool>& Used()
{
    static std::atomic<bool> s_bUsed{ProcessorCompressesBytes()};
    return s_bUsed;
}
} // namespace

namespace simd
{
bool ByteCompressUsed()
{
    return Used().load(std::memory_order_relaxed);
}

void UseByteCompress(bool bUse)
{
    Used().store(bUse && ProcessorCompressesBytes(), std::memory_order_relaxed);
}
} // namespace simd

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "WorkingStorage.h"

namespace
{
constexpr size_t kKiB = 1024;

struct CStretch
{
    explicit CStretch(size_t n) : bytes(new char[n]), pool(bytes.get(), n), nBytes(n) {}
    bool Holds(const char* p, size_t n) const
    {
        return p >= bytes.get() && p + n <= bytes.get() + nBytes;
    }
    std::unique_ptr<char[]> bytes;
    plat::CStoragePool pool;
    size_t nBytes;
};
} // namespace

TEST(StoragePool, GivesDisjointAlignedBlocksAndReusesTheSmallestThatFits)
{
    CStretch stretch(4096 * kKiB);
    plat::CStoragePool& pool = stretch.pool;
    EXPECT_EQ(pool.Take(plat::CStoragePool::kMinBytes - 1), nullptr);
    EXPECT_EQ(pool.Take(plat::CStoragePool::kMaxBytes + 1), nullptr);

    const size_t sizes[] = {64 * kKiB, 512 * kKiB + 17, 256 * kKiB + 17, 100 * kKiB};
    std::vector<char*> blocks;
    for (size_t i = 0; i < std::size(sizes); ++i)
    {
        char* p = pool.Take(sizes[i]);
        ASSERT_NE(p, nullptr);
        EXPECT_TRUE(stretch.Holds(p, sizes[i]));
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 64, 0u);
        std::memset(p, 'a' + static_cast<int>(i), sizes[i]);
        blocks.push_back(p);
    }
    for (size_t i = 0; i < blocks.size(); ++i) // no block wrote over another, nor its size
        for (size_t j = 0; j < sizes[i]; j += 997)
            ASSERT_EQ(blocks[i][j], 'a' + static_cast<int>(i));

    // Given back, the 512 KiB and 256 KiB blocks serve again: a 200 KiB block takes the
    // smaller, a 300 KiB one the larger, and neither takes fresh room.
    EXPECT_TRUE(pool.Give(blocks[1]));
    EXPECT_TRUE(pool.Give(blocks[2]));
    EXPECT_EQ(pool.Take(200 * kKiB), blocks[2]);
    EXPECT_EQ(pool.Take(300 * kKiB), blocks[1]);

    // What it did not give, it does not take.
    char outside[64];
    EXPECT_FALSE(pool.Give(outside));
}

TEST(StoragePool, AFullStretchOrNoneGivesNothingAndNewStorageServesAnyway)
{
    CStretch stretch(1024 * kKiB);
    EXPECT_NE(stretch.pool.Take(600 * kKiB), nullptr);
    EXPECT_EQ(stretch.pool.Take(600 * kKiB), nullptr); // no room left
    plat::CStoragePool none(nullptr, 0);
    EXPECT_EQ(none.Take(100 * kKiB), nullptr);
    EXPECT_FALSE(none.Give(stretch.bytes.get()));

    // The program's own pool, or new[] where it has none, for small and large sizes alike;
    // a freed block's room serves the next.
    for (const size_t n : {size_t{16}, 64 * kKiB, 520 * kKiB, 5 * 1024 * kKiB})
        for (int round = 0; round < 3; ++round)
        {
            plat::StoragePtr p(plat::NewStorage(n));
            std::memset(p.get(), 'x', n);
            EXPECT_EQ(p[n - 1], 'x');
        }
}

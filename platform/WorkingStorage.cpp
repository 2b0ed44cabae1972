#include "WorkingStorage.h"

#include <algorithm>
#include <cstdint>

namespace
{
// Each block starts with its size; what it holds begins a cache line after that.
constexpr size_t kHeader = 64;
constexpr size_t kPage = 4096;

constexpr size_t kStretchBytes = plat::tuning::kStorageStretchBytes;

plat::CStoragePool& Pool()
{
    // Never destroyed: a buffer may be freed by a static destructor that runs after it.
    static plat::CStoragePool& pool =
        *new plat::CStoragePool(plat::OsReserveStorageStretch(kStretchBytes), kStretchBytes);
    return pool;
}
} // namespace

plat::CStoragePool::CStoragePool(char* pStretch, size_t nStretch)
    : m_pBegin(pStretch), m_pEnd(pStretch ? pStretch + nStretch : nullptr), m_pNext(pStretch)
{
    // Blocks start on page boundaries, whatever the stretch's own alignment.
    const auto misalignment = reinterpret_cast<uintptr_t>(pStretch) % kPage;
    if (pStretch && misalignment)
        m_pNext += std::min(kPage - misalignment, nStretch);
    m_free.reserve(64); // Give then has no need to take memory
}

char* plat::CStoragePool::Take(size_t nBytes)
{
    if (!m_pBegin || nBytes < kMinBytes || nBytes > kMaxBytes)
        return nullptr;
    const size_t nBlock = (nBytes + kHeader + kPage - 1) / kPage * kPage;
    char* pBlock = nullptr;
    bool bFresh = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // The smallest freed block that takes it, else fresh room: the sizes of a run
        // come back run after run, so the stretch stops growing after the first.
        auto best = m_free.end();
        for (auto it = m_free.begin(); it != m_free.end(); ++it)
            if (it->nBytes >= nBlock && (best == m_free.end() || it->nBytes < best->nBytes))
                best = it;
        if (best != m_free.end())
        {
            pBlock = best->pStart;
            m_free.erase(best);
        }
        else if (static_cast<size_t>(m_pEnd - m_pNext) >= nBlock)
        {
            pBlock = m_pNext;
            m_pNext += nBlock;
            bFresh = true;
        }
    }
    // Out of the lock: the first write to fresh room faults its page in, and the other
    // threads taking storage would wait for it.
    if (bFresh)
        *reinterpret_cast<size_t*>(pBlock) = nBlock;
    return pBlock ? pBlock + kHeader : nullptr;
}

bool plat::CStoragePool::Give(char* p) noexcept
{
    const auto address = reinterpret_cast<uintptr_t>(p);
    if (address < reinterpret_cast<uintptr_t>(m_pBegin) ||
        address >= reinterpret_cast<uintptr_t>(m_pEnd))
        return false;
    char* pBlock = p - kHeader;
    const size_t nBlock = *reinterpret_cast<const size_t*>(pBlock);
    std::lock_guard<std::mutex> lock(m_mutex);
    try
    {
        m_free.push_back({pBlock, nBlock});
    }
    catch (...)
    {
        // Without room to note it, the block stays unused until the process ends.
    }
    return true;
}

char* plat::NewStorage(size_t nBytes)
{
    if (nBytes >= CStoragePool::kMinBytes)
        if (char* p = Pool().Take(nBytes))
            return p;
    return new char[nBytes];
}

void plat::DeleteStorage(char* p) noexcept
{
    if (!p)
        return;
    if (!Pool().Give(p))
        delete[] p;
}

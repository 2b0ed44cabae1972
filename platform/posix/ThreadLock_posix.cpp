// POSIX implementation of platform/ThreadLock.h: the C++ library's own, which rest on the
// system's futexes.
#include <condition_variable>
#include <mutex>

#include "ThreadLock.h"

namespace plat
{
using threadlock::As;

CLock::CLock()
{
    new (m_storage) std::mutex;
}

CLock::~CLock()
{
    As<std::mutex>(m_storage).~mutex();
}

void CLock::lock()
{
    As<std::mutex>(m_storage).lock();
}

void CLock::unlock()
{
    As<std::mutex>(m_storage).unlock();
}

CLockCondition::CLockCondition()
{
    new (m_storage) std::condition_variable;
}

CLockCondition::~CLockCondition()
{
    As<std::condition_variable>(m_storage).~condition_variable();
}

void CLockCondition::wait(std::unique_lock<CLock>& lock)
{
    // The lock stays held by the caller's unique_lock, which knows nothing of the wait.
    std::unique_lock<std::mutex> held(As<std::mutex>(lock.mutex()->m_storage), std::adopt_lock);
    As<std::condition_variable>(m_storage).wait(held);
    held.release();
}

void CLockCondition::notify_one() noexcept
{
    As<std::condition_variable>(m_storage).notify_one();
}

void CLockCondition::notify_all() noexcept
{
    As<std::condition_variable>(m_storage).notify_all();
}
} // namespace plat

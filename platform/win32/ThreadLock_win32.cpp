// Windows implementation of platform/ThreadLock.h: a slim reader/writer lock taken
// exclusively, and a condition variable. Neither needs a kernel object: they wait on an
// address, which Wine does without its server.

#include "ThreadLock.h"
#include "Win32.h"

namespace plat
{
using threadlock::As;

CLock::CLock()
{
    ::InitializeSRWLock(new (m_storage) SRWLOCK);
}

// An SRW lock holds nothing to release.
CLock::~CLock() = default;

void CLock::lock()
{
    ::AcquireSRWLockExclusive(&As<SRWLOCK>(m_storage));
}

void CLock::unlock()
{
    ::ReleaseSRWLockExclusive(&As<SRWLOCK>(m_storage));
}

CLockCondition::CLockCondition()
{
    ::InitializeConditionVariable(new (m_storage) CONDITION_VARIABLE);
}

CLockCondition::~CLockCondition() = default;

void CLockCondition::wait(std::unique_lock<CLock>& lock)
{
    // INFINITE: it returns only once woken (or spuriously), with the lock taken again.
    ::SleepConditionVariableSRW(&As<CONDITION_VARIABLE>(m_storage),
                                &As<SRWLOCK>(lock.mutex()->m_storage), INFINITE, 0);
}

void CLockCondition::notify_one() noexcept
{
    ::WakeConditionVariable(&As<CONDITION_VARIABLE>(m_storage));
}

void CLockCondition::notify_all() noexcept
{
    ::WakeAllConditionVariable(&As<CONDITION_VARIABLE>(m_storage));
}
} // namespace plat

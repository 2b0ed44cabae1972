// A lock, and a condition to wait on under it, as std::mutex and std::condition_variable,
// built by each backend from its system's own primitives. A mingw build's std:: ones rest
// on winpthreads, whose condition variables wait on semaphores: under Wine every wait and
// every wake of them is a round trip to the wine server, several thousand a run.
#pragma once

#include <cstddef>
#include <mutex>
#include <new>

namespace plat
{
/// A lock for std::lock_guard and std::unique_lock; not recursive.
class CLock
{
public:
    CLock();
    ~CLock();
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;

    void lock();
    void unlock();

private:
    friend class CLockCondition;
    /// Room for the system's lock, which the backend builds in place: no header of the
    /// system is needed here.
    alignas(std::max_align_t) unsigned char m_storage[64];
};

/// Waits until another thread says a change was made under the lock.
class CLockCondition
{
public:
    CLockCondition();
    ~CLockCondition();
    CLockCondition(const CLockCondition&) = delete;
    CLockCondition& operator=(const CLockCondition&) = delete;

    /// Releases the lock held by lock, waits until woken, takes it again. A wait may end
    /// without a wake: the caller tests what it waits for.
    void wait(std::unique_lock<CLock>& lock);
    template <typename Predicate>
    void wait(std::unique_lock<CLock>& lock, Predicate ready)
    {
        while (!ready())
            wait(lock);
    }
    void notify_one() noexcept;
    void notify_all() noexcept;

private:
    alignas(std::max_align_t) unsigned char m_storage[64];
};

namespace threadlock
{
/// For the backends: the system's object built in place in a lock's or a condition's
/// storage.
template <typename T, typename Storage>
T& As(Storage& storage)
{
    static_assert(sizeof(T) <= sizeof(storage) && alignof(T) <= alignof(std::max_align_t));
    return *std::launder(reinterpret_cast<T*>(storage));
}
} // namespace threadlock
} // namespace plat

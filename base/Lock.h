#pragma once

#include <mutex>

namespace zan_util {

// A critical section: recursive, so the owner may enter it again.
class CLock {
public:
    CLock() = default;
    virtual ~CLock() = default;
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;

    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }
    bool TryLock() { return m_mutex.try_lock(); }

    // For std::lock_guard and std::unique_lock.
    void lock() { Lock(); }
    void unlock() { Unlock(); }
    bool try_lock() { return TryLock(); }

private:
    std::recursive_mutex m_mutex;
};

// Holds a CLock for the lifetime of the object.
class CAutoLock {
public:
    explicit CAutoLock(CLock& lock) : m_lock(lock) { m_lock.Lock(); }
    ~CAutoLock() { m_lock.Unlock(); }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

private:
    CLock& m_lock;
};

}  // namespace zan_util

#pragma once

#include "audio/AudioEngine.h"

#include <pulse/pulseaudio.h>

#include <functional>
#include <string>
#include <vector>

namespace vy {

// One connection to the sound server on its own thread (libpulse's threaded
// main loop). Callers take the loop lock (CPulseLock) around every use; the
// loop's callbacks run with it held.
class CPulseConnection {
public:
    CPulseConnection();
    ~CPulseConnection();
    CPulseConnection(const CPulseConnection&) = delete;
    CPulseConnection& operator=(const CPulseConnection&) = delete;

    // Starts the loop thread. No lock needed.
    bool Start(std::string& error);
    bool InLoopThread() const;
    void Lock();
    void Unlock();

    // The rest: with the lock held.

    // Connects (again, after a lost connection). Waits at most timeoutMs.
    bool Connect(int timeoutMs, std::string& error);
    bool IsConnected() const;
    pa_context* Context() const { return m_context; }
    pa_threaded_mainloop* Loop() const { return m_loop; }

    // Waits until `done` returns true, the loop signals and it does, or
    // timeoutMs passes. False on time-out, or when called on the loop thread
    // (which cannot wait for itself).
    bool Wait(const std::function<bool()>& done, int timeoutMs);
    // Wakes waiters; for callbacks.
    void Signal();
    // Waits for an operation to finish and unrefs it; false on time-out
    // (the operation is cancelled) or a null operation.
    bool Complete(pa_operation* operation, int timeoutMs);

    bool ListOutputs(std::vector<AudioDeviceInfo>& devices, int timeoutMs, std::string& error);
    // Real inputs first, then monitors.
    bool ListInputs(std::vector<AudioDeviceInfo>& devices, int timeoutMs, std::string& error);
    // The default sink's name and volume.
    bool DefaultSinkVolume(std::string& sinkName, pa_cvolume& volume, int timeoutMs, std::string& error);

    // "what: server's reason".
    std::string ErrorText(const std::string& what) const;

private:
    static void OnContextState(pa_context* context, void* self);
    void DropContext();

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    bool m_wasReady = false;
};

// Holds the loop lock of a connection; does nothing on the loop thread,
// where the lock is already held.
class CPulseLock {
public:
    explicit CPulseLock(CPulseConnection& connection) : m_connection(connection), m_held(!connection.InLoopThread())
    {
        if (m_held)
            m_connection.Lock();
    }
    ~CPulseLock()
    {
        if (m_held)
            m_connection.Unlock();
    }
    CPulseLock(const CPulseLock&) = delete;
    CPulseLock& operator=(const CPulseLock&) = delete;

private:
    CPulseConnection& m_connection;
    bool m_held;
};

}  // namespace vy

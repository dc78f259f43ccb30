// A worker thread with the life cycle the conversion engine relies on: created suspended,
// its handle stored, then resumed; waited for with a bound; never killed.
#pragma once

#include <functional>
#include <memory>
#include <mutex>

namespace platform
{

class CWorkerThread
{
public:
    CWorkerThread() = default;
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;
    // Waits for a thread that is still running: a thread is never abandoned or killed.
    ~CWorkerThread();

    // Creates the thread; its body does not run before Resume(). Any earlier thread of this
    // handle is waited for first. Returns false when the system refuses a new thread.
    bool Create(std::function<int()> body);
    void Resume();

    // True when a thread was created and has not been released.
    bool IsCreated() const;
    // Waits at most timeoutMs for the body to end; true when it has ended (or there is none).
    // Safe to call from several threads at once.
    bool Wait(unsigned timeoutMs);
    // Waits without bound.
    void Join();
    // Waits for the thread, then forgets it ("none").
    void Release();
    // The body's return value, once it has ended; -1 before.
    int ExitCode() const;

private:
    struct State;
    std::shared_ptr<State> CurrentState() const;

    mutable std::mutex m_mutex; // guards m_pState, which another thread may read while we set it
    std::shared_ptr<State> m_pState;
};

// Sleeps the calling thread.
void SleepMs(unsigned ms);

} // namespace platform

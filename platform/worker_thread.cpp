#include "platform/worker_thread.h"

#include <chrono>
#include <condition_variable>
#include <system_error>
#include <thread>

namespace platform
{

struct CWorkerThread::State
{
    std::mutex mutex;
    std::condition_variable changed;
    bool resumed = false;
    bool finished = false;
    bool cancelled = false; // released before it was ever resumed: the body never runs
    int exitCode = -1;
    std::once_flag joinOnce;
    std::thread thread;

    ~State()
    {
        if (thread.joinable())
            thread.join();
    }
};

CWorkerThread::~CWorkerThread()
{
    Release();
}

std::shared_ptr<CWorkerThread::State> CWorkerThread::CurrentState() const
{
    std::lock_guard lock(m_mutex);
    return m_pState;
}

bool CWorkerThread::Create(std::function<int()> body)
{
    Release();
    auto state = std::make_shared<State>();
    // The thread holds a plain pointer: the handle outlives it because Release() and the
    // destructor always wait for the thread before the state goes.
    State* raw = state.get();
    try
    {
        state->thread = std::thread(
            [raw, body = std::move(body)]
            {
                {
                    std::unique_lock lock(raw->mutex);
                    raw->changed.wait(lock, [raw] { return raw->resumed; });
                }
                int code = -1;
                try
                {
                    if (!raw->cancelled)
                        code = body();
                }
                catch (...)
                {
                    // Thread bodies report their own errors; nothing may escape a thread.
                }
                std::lock_guard lock(raw->mutex);
                raw->exitCode = code;
                raw->finished = true;
                raw->changed.notify_all();
            });
    }
    catch (const std::system_error&)
    {
        return false;
    }
    std::lock_guard lock(m_mutex);
    m_pState = std::move(state);
    return true;
}

void CWorkerThread::Resume()
{
    auto state = CurrentState();
    if (!state)
        return;
    std::lock_guard lock(state->mutex);
    state->resumed = true;
    state->changed.notify_all();
}

bool CWorkerThread::IsCreated() const
{
    return CurrentState() != nullptr;
}

bool CWorkerThread::Wait(unsigned timeoutMs)
{
    auto state = CurrentState();
    if (!state)
        return true;
    {
        std::unique_lock lock(state->mutex);
        if (!state->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                     [&] { return state->finished; }))
            return false;
    }
    std::call_once(state->joinOnce, [&] { state->thread.join(); });
    return true;
}

void CWorkerThread::Join()
{
    auto state = CurrentState();
    if (!state)
        return;
    {
        std::lock_guard lock(state->mutex);
        // A thread that was never resumed ends without running its body.
        if (!state->resumed)
        {
            state->cancelled = true;
            state->resumed = true;
            state->changed.notify_all();
        }
    }
    {
        std::unique_lock lock(state->mutex);
        state->changed.wait(lock, [&] { return state->finished; });
    }
    std::call_once(state->joinOnce, [&] { state->thread.join(); });
}

void CWorkerThread::Release()
{
    Join();
    std::lock_guard lock(m_mutex);
    m_pState.reset();
}

int CWorkerThread::ExitCode() const
{
    auto state = CurrentState();
    if (!state)
        return -1;
    std::lock_guard lock(state->mutex);
    return state->exitCode;
}

void SleepMs(unsigned ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace platform

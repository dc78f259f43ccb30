// Window messages between threads and objects: a message number with two parameters and an
// owned payload, delivered to the message receiver that a window owns. Posting queues the
// message on the receiver's thread and returns at once; sending runs the handler at once on
// the receiver's thread and returns its result, a caller on another thread waiting meanwhile.
#pragma once

#include <QObject>
#include <QThread>

#include <any>
#include <cstdint>
#include <functional>
#include <type_traits>
#include <unordered_map>
#include <utility>

namespace platform
{

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// One message. The payload belongs to the message: a posted message that is never handled
// (its receiver is gone) frees it with itself.
struct WindowMsg
{
    unsigned message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::any payload;
};

// The message end of a window: a table of handlers by message number. Create it as a child
// of the window (it then lives on the window's thread and dies with it) and set its handlers
// on that thread before messages can arrive. Posting and sending are safe from any thread;
// a sender on another thread needs the receiver's thread to run its event loop.
class CMessageReceiver : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<LRESULT(WindowMsg&)>;

    explicit CMessageReceiver(QObject* parent = nullptr);
    ~CMessageReceiver() override;

    // An empty handler removes the message's entry.
    void SetHandler(unsigned message, Handler handler);
    bool HasHandler(unsigned message) const;

    // Queued; false only when the message could not be queued (no application object).
    bool PostMessage(unsigned message, WPARAM wParam = 0, LPARAM lParam = 0, std::any payload = {});
    bool PostMessage(WindowMsg msg);
    // Synchronous; the handler's result, 0 for a message without a handler, and 0 when the
    // receiver is destroyed before the handler could run.
    LRESULT SendMessage(unsigned message, WPARAM wParam = 0, LPARAM lParam = 0,
                        std::any payload = {});
    LRESULT SendMessage(WindowMsg msg);

protected:
    // Every message passes here on the receiver's thread; the default runs the handler.
    virtual LRESULT WindowProc(WindowMsg& msg);
    bool event(QEvent* e) override;

private:
    std::unordered_map<unsigned, Handler> m_aHandlers;
};

namespace detail
{
// Runs job on context's thread while the calling (other) thread waits; false when context
// was destroyed before the job could run, which then did not run.
bool RunOnThreadAndWait(QObject* context, const std::function<void()>& job);
} // namespace detail

// Runs fn on the thread that context lives on and returns its result: directly when the
// caller is on that thread, otherwise queued there while the caller waits (as a sent message
// does). When context is destroyed before the call could run, returns a value-initialised
// result. The context's thread must run its event loop, or serve it with WaitServingMessages.
template <class F> std::invoke_result_t<F> CallOnThreadOf(QObject* context, F&& fn)
{
    using R = std::invoke_result_t<F>;
    if (QThread::currentThread() == context->thread())
        return std::forward<F>(fn)();
    if constexpr (std::is_void_v<R>)
    {
        detail::RunOnThreadAndWait(context, [&fn]() { fn(); });
    }
    else
    {
        R result{};
        detail::RunOnThreadAndWait(context, [&result, &fn]() { result = fn(); });
        return result;
    }
}

// Waits on the calling thread until done() holds or timeoutMs passes, serving the thread's
// events meanwhile, so a worker that sends to this thread's windows cannot deadlock the wait.
// Returns done()'s last answer.
bool WaitServingMessages(const std::function<bool()>& done, unsigned timeoutMs);

} // namespace platform

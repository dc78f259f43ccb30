#include "platform/window_message.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace platform
{

namespace
{

QEvent::Type WindowMsgEventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

class CWindowMsgEvent : public QEvent
{
public:
    explicit CWindowMsgEvent(WindowMsg msg) : QEvent(WindowMsgEventType()), m_msg(std::move(msg)) {}
    WindowMsg m_msg;
};

// Calls sent from workers to the application's thread. A worker queues its call and wakes
// that thread with one posted event; the thread runs the queued calls and, having run one,
// looks for the next for a moment before going back to its event loop. A worker that sends
// call after call (a loader filling a list) is then served without a sleep and a wake-up on
// both sides for every call. A drain yields to the event loop every few milliseconds.
struct SentCall
{
    const std::function<void()>* pJob = nullptr;
    QPointer<QObject> pContext;
    std::atomic<int> nState{0}; // 0 queued, 1 ran, 2 dropped (context gone)
};

class CSentCallQueue
{
public:
    static CSentCallQueue& Instance()
    {
        static CSentCallQueue queue;
        return queue;
    }

    void Push(std::shared_ptr<SentCall> call)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_aCalls.push_back(std::move(call));
            m_nCount.fetch_add(1, std::memory_order_release);
        }
        if (!m_bScheduled.exchange(true))
            Schedule();
    }

    void Drain()
    {
        using Clock = std::chrono::steady_clock;
        const auto start = Clock::now();
        bool ranAny = false;
        for (;;)
        {
            std::shared_ptr<SentCall> call = Pop();
            if (!call && ranAny && Clock::now() - start < kBudget)
            {
                const auto until = Clock::now() + kLinger;
                // Acquire: pairs with Push's release, so a seen count means a queued call.
                while (m_nCount.load(std::memory_order_acquire) == 0 && Clock::now() < until)
                    std::this_thread::yield();
                call = Pop();
            }
            if (!call || Clock::now() - start >= kBudget)
            {
                if (call)
                    Run(*call);
                // A call queued after the last look found m_bScheduled still set and posted
                // nothing: post for it here.
                m_bScheduled.store(false);
                if (m_nCount.load() != 0 && !m_bScheduled.exchange(true))
                    Schedule();
                return;
            }
            Run(*call);
            ranAny = true;
        }
    }

private:
    static constexpr auto kBudget = std::chrono::milliseconds(5);
    static constexpr auto kLinger = std::chrono::microseconds(50);

    void Schedule()
    {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [this]() { Drain(); }, Qt::QueuedConnection);
    }

    std::shared_ptr<SentCall> Pop()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_aCalls.empty())
            return nullptr;
        std::shared_ptr<SentCall> call = std::move(m_aCalls.front());
        m_aCalls.pop_front();
        m_nCount.fetch_sub(1, std::memory_order_relaxed);
        return call;
    }

    void Run(SentCall& call)
    {
        // While a call runs, another drain may start (a nested event loop inside the call
        // must not leave other senders waiting on it).
        m_bScheduled.store(false);
        if (m_nCount.load() != 0 && !m_bScheduled.exchange(true))
            Schedule();
        int state = 2;
        if (call.pContext)
        {
            (*call.pJob)();
            state = 1;
        }
        // Release: the caller reads what the job wrote once it sees the state.
        call.nState.store(state, std::memory_order_release);
        call.nState.notify_one();
    }

    std::mutex m_mutex;
    std::deque<std::shared_ptr<SentCall>> m_aCalls;
    std::atomic<int> m_nCount{0};
    std::atomic<bool> m_bScheduled{false};
};

} // namespace

namespace detail
{

bool RunOnThreadAndWait(QObject* context, const std::function<void()>& job)
{
    QCoreApplication* const app = QCoreApplication::instance();
    if (app == nullptr || context->thread() != app->thread())
    {
        // Threads other than the application's take Qt's own blocking call.
        bool ran = false;
        QMetaObject::invokeMethod(
            context,
            [&]()
            {
                job();
                ran = true;
            },
            Qt::BlockingQueuedConnection);
        return ran;
    }
    auto call = std::make_shared<SentCall>();
    call->pJob = &job;
    call->pContext = context;
    CSentCallQueue::Instance().Push(call);
    // Spin a moment first: the answer usually comes within microseconds.
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(100);
    int state = 0;
    while ((state = call->nState.load(std::memory_order_acquire)) == 0 &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
    while ((state = call->nState.load(std::memory_order_acquire)) == 0)
        call->nState.wait(0, std::memory_order_acquire);
    return state == 1;
}

} // namespace detail

CMessageReceiver::CMessageReceiver(QObject* parent) : QObject(parent) {}

CMessageReceiver::~CMessageReceiver() = default;

void CMessageReceiver::SetHandler(unsigned message, Handler handler)
{
    if (handler)
        m_aHandlers[message] = std::move(handler);
    else
        m_aHandlers.erase(message);
}

bool CMessageReceiver::HasHandler(unsigned message) const
{
    return m_aHandlers.count(message) != 0;
}

bool CMessageReceiver::PostMessage(unsigned message, WPARAM wParam, LPARAM lParam, std::any payload)
{
    return PostMessage(WindowMsg{message, wParam, lParam, std::move(payload)});
}

bool CMessageReceiver::PostMessage(WindowMsg msg)
{
    if (QCoreApplication::instance() == nullptr)
        return false;
    // Qt takes the event and deletes it, unhandled, when the receiver is destroyed first.
    QCoreApplication::postEvent(this, new CWindowMsgEvent(std::move(msg)));
    return true;
}

LRESULT CMessageReceiver::SendMessage(unsigned message, WPARAM wParam, LPARAM lParam,
                                      std::any payload)
{
    return SendMessage(WindowMsg{message, wParam, lParam, std::move(payload)});
}

LRESULT CMessageReceiver::SendMessage(WindowMsg msg)
{
    return CallOnThreadOf(this, [this, &msg]() -> LRESULT { return WindowProc(msg); });
}

LRESULT CMessageReceiver::WindowProc(WindowMsg& msg)
{
    const auto it = m_aHandlers.find(msg.message);
    if (it == m_aHandlers.end())
        return 0;
    // A copy, so a handler may replace or remove its own entry.
    const Handler handler = it->second;
    return handler(msg);
}

bool CMessageReceiver::event(QEvent* e)
{
    if (e->type() == WindowMsgEventType())
    {
        WindowProc(static_cast<CWindowMsgEvent*>(e)->m_msg);
        return true;
    }
    return QObject::event(e);
}

bool WaitServingMessages(const std::function<bool()>& done, unsigned timeoutMs)
{
    if (done())
        return true;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    // Sent messages wake the loop by themselves; the poll only notices done() and the bound.
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, &loop,
                     [&]()
                     {
                         if (done() || clock.elapsed() >= static_cast<qint64>(timeoutMs))
                             loop.quit();
                     });
    poll.start();
    loop.exec();
    return done();
}

} // namespace platform

#include "platform/window_message.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

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

} // namespace

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

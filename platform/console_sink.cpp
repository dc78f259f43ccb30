#include "platform/console_sink.h"

#include "platform/log_line.h"
#include "platform/message_box.h"

namespace platform
{

void CConsoleSink::PostMessage(WindowMessage message)
{
    if (message.id == WM_CONV_DONE)
    {
        m_bFinished = true;
        return;
    }
    if (message.id != WM_CONV_LOG)
        return;
    std::lock_guard lock(m_mutex);
    ++m_nLines;
    std::fprintf(m_pOut, "%s%s %s\n", LogNumberText(m_nLines).c_str(), LogTimeText().c_str(),
                 message.text.c_str());
    std::fflush(m_pOut);
}

void CConsoleSink::SendMessage(WindowMessage message)
{
    PostMessage(std::move(message));
}

int CConsoleSink::MessageBox(const std::string& text, unsigned flags)
{
    return ShowMessageBox(text, flags);
}

} // namespace platform

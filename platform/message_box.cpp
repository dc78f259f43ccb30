#include "platform/message_box.h"

#include <cstdio>
#include <mutex>

namespace platform
{
namespace
{
std::mutex g_handlerMutex;
MessageBoxHandler g_handler;

int StderrBox(const std::string& text, const std::string& caption, unsigned flags)
{
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return (flags & 0xF) == MbYesNo ? IdNo : IdOk;
}
} // namespace

const std::string& ApplicationTitle()
{
    static const std::string title = "Sonoria";
    return title;
}

int ShowMessageBox(const std::string& text, unsigned flags)
{
    MessageBoxHandler handler;
    {
        std::lock_guard lock(g_handlerMutex);
        handler = g_handler;
    }
    if (!handler)
        return StderrBox(text, ApplicationTitle(), flags);
    return handler(text, ApplicationTitle(), flags);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    std::lock_guard lock(g_handlerMutex);
    std::swap(g_handler, handler);
    return handler;
}

} // namespace platform

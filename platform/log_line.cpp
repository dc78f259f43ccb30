#include "platform/log_line.h"

#include <cstdio>
#include <ctime>

namespace platform
{

std::string LogNumberText(unsigned number)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%03u ", number);
    return buf;
}

std::string LogTimeText()
{
    int h = -1, m = -1, s = -1;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (now != static_cast<std::time_t>(-1) && localtime_r(&now, &local))
    {
        h = local.tm_hour;
        m = local.tm_min;
        s = local.tm_sec;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, m, s);
    return buf;
}

} // namespace platform

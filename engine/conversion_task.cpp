#include "engine/conversion_task.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

CConvProgBase* ActiveConvProg = nullptr;
CConversionTask* CurrentTask = nullptr;

double ComputeRateRatio(uint32_t destRate, uint32_t destChannels, uint32_t sourceRate,
                        uint32_t sourceChannels)
{
    const uint32_t numerator = destRate * destChannels; // a 32-bit product, as stored tasks have
    return static_cast<double>(numerator) /
           (static_cast<double>(sourceRate) * static_cast<double>(sourceChannels));
}

uint64_t ComputeDestSamples(double rateRatio, uint64_t totalSamples, uint32_t destChannels)
{
    const double estimate = rateRatio * static_cast<double>(totalSamples);
    // A ratio from a zero source rate is not a number or infinite; such entries are never
    // converted, but the estimate must not be undefined behaviour either.
    if (!(estimate >= 0) || estimate >= 18446744073709551616.0)
        return 0;
    uint64_t samples = static_cast<uint64_t>(estimate);
    if (destChannels > 1)
        samples -= samples % destChannels;
    return samples;
}

void PostLog(int level, std::string text)
{
    if (ActiveConvProg)
        ActiveConvProg->Sink().PostMessage(
            {platform::WM_CONV_LOG, std::move(text), level, 0.0f, 0.0f});
}

std::string FormatText(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (n > 0)
    {
        std::vector<char> buf(static_cast<size_t>(n) + 1);
        std::vsnprintf(buf.data(), buf.size(), format, args);
        text.assign(buf.data(), static_cast<size_t>(n));
    }
    va_end(args);
    return text;
}

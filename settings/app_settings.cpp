#include "settings/app_settings.h"

#include <cstdio>

AppSettingsRecord AppSettings;

namespace
{
template <typename Table> auto EntryOrDefault(const Table& table, int index, int defaultIndex)
{
    if (index < 0 || index >= static_cast<int>(table.size()))
        index = defaultIndex;
    return table[static_cast<size_t>(index)];
}
} // namespace

unsigned PickAutoFrequency(unsigned sourceRate)
{
    for (size_t i = 1; i < FrequencyTable.size(); ++i)
        if (FrequencyTable[i] >= sourceRate)
            return FrequencyTable[i];
    return 44100;
}

int AppSettingsRecord::BitRateKbps() const
{
    return EntryOrDefault(BitRateTable, LameBits, DefaultLameBits);
}

unsigned AppSettingsRecord::OutputFrequency(unsigned sourceRate) const
{
    if (Freq == 0)
        return PickAutoFrequency(sourceRate);
    const unsigned hz = EntryOrDefault(FrequencyTable, Freq, DefaultFreq);
    return hz != 0 ? hz : PickAutoFrequency(sourceRate);
}

unsigned AppSettingsRecord::OutputChannels(unsigned sourceChannels) const
{
    if (LameChannel == 0)
        return sourceChannels < 2 ? sourceChannels : 2;
    return LameChannel == 1 ? 1 : 2;
}

std::string AppSettingsRecord::SettingsSummaryText() const
{
    char buf[128];
    std::string text = "  MP3:  ";
    // An out-of-range index behaves as automatic, so the summary says so too.
    const unsigned hz = EntryOrDefault(FrequencyTable, Freq, DefaultFreq);
    if (hz == 0)
        std::snprintf(buf, sizeof buf, "CBR %3d kbps; Automatic Frequency;", BitRateKbps());
    else
        std::snprintf(buf, sizeof buf, "CBR %3d kbps; %5u Hz;", BitRateKbps(), hz);
    text += buf;
    switch (LameChannel)
    {
    case 0:
        text += " Automatic Channel;";
        break;
    case 1:
        text += " Mono;";
        break;
    case 2:
        text += " Stereo;";
        break;
    default:
        break;
    }
    return text;
}

#include "settings/app_settings.h"

#include <gtest/gtest.h>

#include <climits>

namespace
{

AppSettingsRecord Record(int16_t lameBits, int16_t freq, int16_t lameChannel)
{
    AppSettingsRecord record;
    record.LameBits = lameBits;
    record.Freq = freq;
    record.LameChannel = lameChannel;
    return record;
}

TEST(AppSettingsTest, AutoFrequencyIsTheFirstTableEntryAtOrAboveTheSourceRate)
{
    const std::pair<unsigned, unsigned> cases[] = {
        {0, 8000},      {6000, 8000},   {8000, 8000},   {8001, 11025},  {11025, 11025},
        {12000, 12000}, {16000, 16000}, {22050, 22050}, {23000, 24000}, {32000, 32000},
        {44100, 44100}, {44101, 44100}, {48000, 44100}, {96000, 44100}, {UINT_MAX, 44100},
    };
    for (const auto& [source, expected] : cases)
        EXPECT_EQ(PickAutoFrequency(source), expected) << source;
}

TEST(AppSettingsTest, OutputFrequencyUsesTheStoredIndexOrPicksAutomatically)
{
    struct Case
    {
        int16_t freq;
        unsigned source;
        unsigned expected;
    };
    const Case cases[] = {
        {0, 48000, 44100},
        {0, 11025, 11025},
        {0, 6000, 8000},
        {1, 48000, 8000},
        {3, 44100, 12000},
        {8, 8000, 44100},
        // A hand-edited index outside the table behaves as automatic.
        {-1, 48000, 44100},
        {9, 6000, 8000},
        {SHRT_MAX, 22050, 22050},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Record(DefaultLameBits, c.freq, 0).OutputFrequency(c.source), c.expected)
            << "Freq=" << c.freq << " source=" << c.source;
}

TEST(AppSettingsTest, OutputChannelsFollowTheChannelMode)
{
    struct Case
    {
        int16_t mode;
        unsigned source;
        unsigned expected;
    };
    const Case cases[] = {
        {0, 1, 1}, {0, 2, 2}, {0, 6, 2}, {1, 2, 1},  {1, 6, 1},
        {2, 1, 2}, {2, 6, 2}, {3, 1, 2}, {-1, 1, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Record(DefaultLameBits, 0, c.mode).OutputChannels(c.source), c.expected)
            << "LameChannel=" << c.mode << " source=" << c.source;
}

TEST(AppSettingsTest, BitRateComesFromTheTableAndOutOfRangeReadsTheDefault)
{
    const std::pair<int16_t, int> cases[] = {
        {0, 8},    {7, 64},   {8, 80},   {11, 128},       {13, 192},
        {16, 320}, {-1, 128}, {17, 128}, {SHRT_MAX, 128},
    };
    for (const auto& [index, kbps] : cases)
        EXPECT_EQ(Record(index, 0, 0).BitRateKbps(), kbps) << index;
}

TEST(AppSettingsTest, SummaryText)
{
    struct Case
    {
        AppSettingsRecord record;
        const char* expected;
    };
    const Case cases[] = {
        {AppSettingsRecord{}, "  MP3:  CBR 128 kbps; Automatic Frequency; Automatic Channel;"},
        {Record(0, 8, 1), "  MP3:  CBR   8 kbps; 44100 Hz; Mono;"},
        {Record(16, 1, 2), "  MP3:  CBR 320 kbps;  8000 Hz; Stereo;"},
        {Record(13, 5, 7), "  MP3:  CBR 192 kbps; 22050 Hz;"},
        {Record(40, 99, 0), "  MP3:  CBR 128 kbps; Automatic Frequency; Automatic Channel;"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.record.SettingsSummaryText(), c.expected);
}

} // namespace

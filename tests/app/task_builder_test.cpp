#include "app/audio_file.h"
#include "app/task_builder.h"
#include "tests/support/engine_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sndfile.h>
#include <sys/stat.h>

using namespace testing_support;

namespace
{

TEST(FileType, ComesFromTheUpperCaseExtension)
{
    const auto& table = DefaultFileTypeTable();
    struct Case
    {
        const char* name;
        const char* ext;
        int type;
    } cases[] = {
        {"Track.Wav", "WAV", 1}, {"a.b.wav", "WAV", 1}, {"notes", "NOTES", 0},
        {"x.mp3", "MP3", 0},     {"trailing.", "", 0},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(UpperExtension(c.name), c.ext) << c.name;
        EXPECT_EQ(LookUpFileType(table, c.name), c.type) << c.name;
    }
}

TEST(Probe, FillsTheEntryOrMarksItInvalid)
{
    TempDir dir;
    WavSpec spec;
    spec.seconds = 10.5;
    WriteWav(dir / "long.wav", spec);
    spec.seconds = 0.4;
    spec.channels = 6;
    WriteWav(dir / "Six.Wav", spec);
    spec.seconds = 0;
    spec.channels = 2;
    WriteWav(dir / "silent.wav", spec);
    std::ofstream(dir / "text.wav") << "plain text";
    std::ofstream(dir / "notes") << "no extension";
    mkfifo((dir / "pipe.wav").c_str(), 0600);

    struct Case
    {
        const char* name;
        ProbeResult result;
        uint32_t rate, channels;
        uint64_t totalSamples;
    } cases[] = {
        {"long.wav", ProbeResult::Ok, 44100, 2, 2 * 463050},
        {"Six.Wav", ProbeResult::Ok, 44100, 6, 6 * 17640},
        {"silent.wav", ProbeResult::Empty, 44100, 2, 0},
        {"text.wav", ProbeResult::Refused, 0, 0, 0},
        {"notes", ProbeResult::NotWav, 0, 0, 0},
        {"pipe.wav", ProbeResult::Unreadable, 0, 0, 0}, // must not hang
        {"missing.wav", ProbeResult::Unreadable, 0, 0, 0},
    };
    for (const auto& c : cases)
    {
        AudioFileEntry entry;
        EXPECT_EQ(ProbeAudioFile(dir / c.name, c.name, DefaultFileTypeTable(), entry), c.result)
            << c.name;
        EXPECT_EQ(entry.invalid != 0, c.result != ProbeResult::Ok) << c.name;
        EXPECT_EQ(entry.sampleRate, c.rate) << c.name;
        EXPECT_EQ(entry.channels, c.channels) << c.name;
        EXPECT_EQ(entry.totalSamples, c.totalSamples) << c.name;
    }
    AudioFileEntry entry;
    ProbeAudioFile(dir / "long.wav", "long.wav", DefaultFileTypeTable(), entry);
    EXPECT_DOUBLE_EQ(entry.durationSec, 10.5);
    EXPECT_EQ(entry.type, 1);
}

TEST(Tasks, DestinationIsTheOutputFolderAndTheNameWithMp3)
{
    EXPECT_EQ(DestinationPath("/out/", "song.live.wav"), "/out/song.live.mp3");
    EXPECT_EQ(DestinationPath("/out/", "b.mp3"), "/out/b.mp3");
    EXPECT_EQ(DestinationPath("/out/", "noext"), "/out/noext.mp3");
}

TEST(Tasks, ExpectedSampleCountFollowsRateAndChannels)
{
    AppSettingsRecord settings;
    settings.DesDir = "/out/";
    settings.Freq = 5;        // 22050 Hz
    settings.LameChannel = 1; // mono
    AudioFileEntry entry;
    entry.type = 1;
    entry.sampleRate = 44100;
    entry.channels = 2;
    entry.totalSamples = 882000; // 441000 frames
    const CConversionTask task = BuildConversionTask("/in/", "a.wav", entry, settings);
    EXPECT_EQ(task.source, "/in/a.wav");
    EXPECT_EQ(task.destination, "/out/a.mp3");
    EXPECT_EQ(task.destRate, 22050u);
    EXPECT_EQ(task.destChannels, 1u);
    EXPECT_DOUBLE_EQ(task.rateRatio, 0.25);
    EXPECT_EQ(task.destSamples, 220500u);
    EXPECT_EQ(task.destType, 2);
    EXPECT_TRUE(task.needsProcessing);

    // Lowered to whole stereo frames: 48000 -> 44100 of 1001 frames is 919.64 frames.
    settings.Freq = 0;
    settings.LameChannel = 0;
    entry.sampleRate = 48000;
    entry.totalSamples = 2002;
    EXPECT_EQ(BuildConversionTask("/in/", "b.wav", entry, settings).destSamples, 1838u);
}

TEST(Tasks, InvalidRowsAreSkippedAndTotalsAdded)
{
    AppSettingsRecord settings;
    settings.DesDir = "/out/";
    AudioFileEntry good;
    good.type = 1;
    good.sampleRate = 44100;
    good.channels = 2;
    good.totalSamples = 1000;
    AudioFileEntry bad = good;
    bad.invalid = 1;
    uint64_t total = 0;
    const auto tasks = BuildConversionTasks(
        {{"/a/", "1.wav", good}, {"/a/", "2.wav", bad}, {"/a/", "3.wav", good}}, settings, total);
    ASSERT_EQ(tasks.size(), 2u);
    EXPECT_EQ(tasks[0].source, "/a/1.wav");
    EXPECT_EQ(tasks[1].source, "/a/3.wav");
    EXPECT_EQ(total, 2000u);
}

} // namespace

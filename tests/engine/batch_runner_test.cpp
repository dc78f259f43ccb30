// The engine end to end: tasks through RunBatch into MP3 files, with the run's log.
#include "engine/batch_runner.h"

#include "engine/mp3_encoder.h"
#include "tests/support/engine_fixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <regex>
#include <sndfile.h>
#include <sys/resource.h>
#include <thread>

using namespace testing_support;
using platform::CRecordingSink;

namespace
{

const std::string Separator(99, '-');

void Touch(const std::string& path, const std::string& content = "x")
{
    std::ofstream(path) << content;
}

// Polls a condition with a bound, so that a regression fails instead of hanging.
template <typename F> bool WaitFor(F condition, int timeoutMs = 60000)
{
    for (int waited = 0; waited < timeoutMs; waited += 2)
    {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return condition();
}

// Starts a run and waits until its encoder has encoded something (or the run has ended).
bool StartAndWaitForEncoding(EngineRun& run)
{
    run.Start();
    ConversionRunState& state = run.State();
    return WaitFor([&] { return state.currentDone.load() > 0 || !state.IsRunning(); });
}

class BatchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_settings = AppSettingsRecord{};
        m_settings.DesDir = m_dir / "out/";
        AppSettings = m_settings;
        SetEncoderLibraryName(DefaultEncoderLibraryName);
    }
    void TearDown() override { SetEncoderLibraryName(DefaultEncoderLibraryName); }

    std::string Wav(const std::string& name, WavSpec spec = {})
    {
        const std::string path = m_dir / name;
        WriteWav(path, spec);
        return path;
    }

    TempDir m_dir;
    AppSettingsRecord m_settings;
};

// --- destination names and folders -------------------------------------------------------

TEST_F(BatchTest, UniqueNamesCountFromTwoAndTreatFoldersAsTaken)
{
    const std::string song = m_dir / "song.mp3";
    EXPECT_EQ(MakeUniqueName(song), m_dir / "song (2).mp3");
    Touch(m_dir / "song (2).mp3");
    EXPECT_EQ(MakeUniqueName(song), m_dir / "song (3).mp3");
    std::filesystem::create_directory(m_dir / "song (3).mp3");
    EXPECT_EQ(MakeUniqueName(song), m_dir / "song (4).mp3");
    // Built from the path passed in, never from a candidate; a dot in a folder is no extension.
    EXPECT_EQ(MakeUniqueName(m_dir / "a.b/c"), m_dir / "a.b/c (2)");
    EXPECT_EQ(MakeUniqueName(m_dir / "live.set.mp3"), m_dir / "live.set (2).mp3");
}

TEST_F(BatchTest, FolderTreesAreCreatedLevelByLevel)
{
    const std::string deep = m_dir / "a/b/c";
    EXPECT_TRUE(CreateFolderTree(deep));
    EXPECT_TRUE(std::filesystem::is_directory(deep));
    EXPECT_TRUE(CreateFolderTree(deep));             // existing is fine
    EXPECT_TRUE(CreateFolderTree(m_dir / "a/b/d/")); // a trailing separator too
    Touch(m_dir / "file");
    EXPECT_FALSE(CreateFolderTree(m_dir / "file/sub/deeper"));
    EXPECT_FALSE(CreateFolderTree(""));
}

// --- formats end to end ------------------------------------------------------------------

struct FormatCase
{
    const char* name;
    WavSpec spec;
    int expectedRate;
    int expectedChannels;
};

class FormatTest : public BatchTest, public ::testing::WithParamInterface<FormatCase>
{
};

TEST_P(FormatTest, ConvertsToAnMp3OfTheTasksRateChannelsAndLength)
{
    const FormatCase& c = GetParam();
    const std::string source = Wav(std::string(c.name) + ".wav", c.spec);
    EngineRun run;
    CConversionTask task = TaskFor(source, m_settings);
    ASSERT_EQ(task.destRate, static_cast<uint32_t>(c.expectedRate));
    ASSERT_EQ(task.destChannels, static_cast<uint32_t>(c.expectedChannels));
    run.Add(task);
    ASSERT_TRUE(run.Run());

    EXPECT_TRUE(run.Finished());
    EXPECT_EQ(run.LogTexts().back(), "Converting status: OK.");
    const DecodedInfo mp3 = Decode(task.destination);
    ASSERT_TRUE(mp3.ok) << task.destination;
    EXPECT_EQ(mp3.rate, c.expectedRate);
    EXPECT_EQ(mp3.channels, c.expectedChannels);
    EXPECT_NEAR(mp3.Seconds(), c.spec.seconds, 0.06);
    EXPECT_TRUE(HasInfoTag(task.destination));
    // Every sample the task expected was encoded, give or take the resampler's edges.
    EXPECT_NEAR(static_cast<double>(run.State().currentDone.load()),
                static_cast<double>(task.destSamples), task.destSamples * 0.01 + 64);
}

WavSpec Spec(int rate, int channels, int format, double amplitude = 0.5)
{
    WavSpec s;
    s.rate = rate;
    s.channels = channels;
    s.format = format;
    s.seconds = 1.5;
    s.amplitude = amplitude;
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Sources, FormatTest,
    ::testing::Values(
        FormatCase{"pcm16", Spec(44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16), 44100, 2},
        FormatCase{"pcm24", Spec(44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_24), 44100, 2},
        FormatCase{"float_loud", Spec(44100, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1.8), 44100, 2},
        FormatCase{"float_quiet", Spec(44100, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0.4), 44100, 2},
        FormatCase{"double", Spec(22050, 1, SF_FORMAT_WAV | SF_FORMAT_DOUBLE), 22050, 1},
        FormatCase{"mono", Spec(44100, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16), 44100, 1},
        FormatCase{"six_channels", Spec(44100, 6, SF_FORMAT_WAV | SF_FORMAT_PCM_16), 44100, 2},
        FormatCase{"rate48k", Spec(48000, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16), 44100, 2},
        FormatCase{"rate6k", Spec(6000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_U8), 8000, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BatchTest, ChosenFrequencyAndChannelModeApply)
{
    m_settings.Freq = 1;        // 8000 Hz: no lowpass in the chain
    m_settings.LameChannel = 2; // stereo from a mono source
    m_settings.LameBits = 0;    // 8 kbps
    AppSettings = m_settings;
    WavSpec spec;
    spec.channels = 1;
    const std::string source = Wav("m.wav", spec);
    EngineRun run;
    const CConversionTask task = TaskFor(source, m_settings);
    run.Add(task);
    ASSERT_TRUE(run.Run());
    ASSERT_TRUE(run.Finished());
    const DecodedInfo mp3 = Decode(task.destination);
    EXPECT_EQ(mp3.rate, 8000);
    EXPECT_EQ(mp3.channels, 2);
}

// --- the log -----------------------------------------------------------------------------

void ExpectTaskLines(const std::vector<std::pair<int, std::string>>& lines, size_t at,
                     const std::string& source, const std::string& destination)
{
    ASSERT_GE(lines.size(), at + 6);
    EXPECT_EQ(lines[at], std::make_pair(0, Separator));
    EXPECT_EQ(lines[at + 1], std::make_pair(0, std::string("Start a new converting task.")));
    EXPECT_EQ(lines[at + 2], std::make_pair(0, "Source:  " + source + "."));
    EXPECT_EQ(lines[at + 3], std::make_pair(0, "Destination: " + destination + "."));
    EXPECT_EQ(lines[at + 4].first, 0);
    EXPECT_TRUE(std::regex_match(lines[at + 4].second,
                                 std::regex(R"(Time elapsed \d+\.\d\d secs, speed \d+\.\d\dx\.)")))
        << lines[at + 4].second;
    EXPECT_EQ(lines[at + 5], std::make_pair(0, std::string("Converting status: OK.")));
}

TEST_F(BatchTest, OneTaskRunLogsItsLinesWithoutTotals)
{
    const std::string source = Wav("one.wav");
    EngineRun run;
    run.Add(TaskFor(source, m_settings));
    ASSERT_TRUE(run.Run());

    const auto lines = run.Sink().LogLines();
    ASSERT_EQ(lines.size(), 6u);
    ExpectTaskLines(lines, 0, source, m_dir / "out/one.mp3");
    EXPECT_TRUE(run.Finished());

    // The window changes, in order, and the done message after the last log line.
    std::vector<std::string> titles;
    std::vector<std::pair<int, std::string>> texts;
    int timers = 0;
    bool doneLast = false;
    for (const auto& r : run.Sink().Records())
    {
        if (r.kind == CRecordingSink::Record::Title)
            titles.push_back(r.text);
        if (r.kind == CRecordingSink::Record::ControlText)
            texts.emplace_back(r.id, r.text);
        if (r.kind == CRecordingSink::Record::Timer && r.id == 1 && r.period == 1000)
            ++timers;
        if (r.kind == CRecordingSink::Record::Posted)
            doneLast = r.message.id == platform::WM_CONV_DONE;
    }
    EXPECT_EQ(titles, std::vector<std::string>{"Converting 1/1"});
    EXPECT_EQ(texts, (std::vector<std::pair<int, std::string>>{{1092, source},
                                                               {1093, m_dir / "out/one.mp3"}}));
    EXPECT_EQ(timers, 1);
    EXPECT_TRUE(doneLast);

    // Progress: posted during the task, the last one sent and complete.
    const auto progress = run.Sink().Messages(platform::WM_CONV_PROGRESS);
    ASSERT_FALSE(progress.empty());
    EXPECT_FLOAT_EQ(progress.back().overall, 100.0f);
    EXPECT_NEAR(progress.back().current, 100.0f, 0.5f);
}

TEST_F(BatchTest, ThreeTaskRunEndsWithSeparatorAndTotals)
{
    std::vector<std::string> sources = {Wav("a.wav"), Wav("b.wav"), Wav("c.wav")};
    EngineRun run;
    for (const auto& s : sources)
        run.Add(TaskFor(s, m_settings));
    ASSERT_TRUE(run.Run());

    const auto lines = run.Sink().LogLines();
    ASSERT_EQ(lines.size(), 20u);
    for (size_t i = 0; i < 3; ++i)
        ExpectTaskLines(lines, i * 6, sources[i],
                        m_dir / ("out/" + std::string(1, static_cast<char>('a' + i)) + ".mp3"));
    EXPECT_EQ(lines[18], std::make_pair(0, Separator));
    EXPECT_TRUE(std::regex_match(
        lines[19].second,
        std::regex(R"(Total time elapsed \d+\.\d\d secs, overall speed \d+\.\d\dx\.)")))
        << lines[19].second;
    EXPECT_TRUE(run.Finished());
    EXPECT_NEAR(run.State().overallSeconds.load(), 3.0f, 0.05f);
}

TEST_F(BatchTest, ExistingDestinationsAreNeverOverwritten)
{
    const std::string source = Wav("take.wav");
    std::filesystem::create_directories(m_dir / "out");
    Touch(m_dir / "out/take.mp3", "first");
    Touch(m_dir / "out/take (2).mp3", "second");
    EngineRun run;
    run.Add(TaskFor(source, m_settings));
    ASSERT_TRUE(run.Run());

    const std::string used = m_dir / "out/take (3).mp3";
    const auto texts = run.LogTexts();
    EXPECT_EQ(texts[3], "Destination: " + used + ".");
    EXPECT_TRUE(Decode(used).ok);
    EXPECT_EQ(ReadBytes(m_dir / "out/take.mp3").size(), 5u);
    EXPECT_EQ(ReadBytes(m_dir / "out/take (2).mp3").size(), 6u);
    bool shown = false;
    for (const auto& r : run.Sink().Records())
        shown |= r.kind == CRecordingSink::Record::ControlText && r.id == 1093 && r.text == used;
    EXPECT_TRUE(shown);
}

TEST_F(BatchTest, SameNameFromTwoFoldersGetsTwoFiles)
{
    std::filesystem::create_directories(m_dir / "x");
    std::filesystem::create_directories(m_dir / "y");
    EngineRun run;
    run.Add(TaskFor(Wav("x/song.wav"), m_settings));
    run.Add(TaskFor(Wav("y/song.wav"), m_settings));
    ASSERT_TRUE(run.Run());
    EXPECT_TRUE(Decode(m_dir / "out/song.mp3").ok);
    EXPECT_TRUE(Decode(m_dir / "out/song (2).mp3").ok);
}

TEST_F(BatchTest, MissingOutputFoldersAreCreated)
{
    m_settings.DesDir = m_dir / "deep/er/still/";
    const std::string source = Wav("n.wav");
    EngineRun run;
    run.Add(TaskFor(source, m_settings));
    ASSERT_TRUE(run.Run());
    EXPECT_TRUE(run.Finished());
    EXPECT_TRUE(Decode(m_dir / "deep/er/still/n.mp3").ok);
}

// --- failures ----------------------------------------------------------------------------

TEST_F(BatchTest, SourceDeletedBeforeItsTaskStopsTheRun)
{
    const std::string first = Wav("gone.wav");
    const std::string second = Wav("kept.wav");
    EngineRun run;
    run.Add(TaskFor(first, m_settings));
    run.Add(TaskFor(second, m_settings));
    std::filesystem::remove(first);
    ASSERT_TRUE(run.Run());

    const auto lines = run.Sink().LogLines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[4], std::make_pair(2, std::string("File Error: No such file or directory")));
    EXPECT_EQ(lines[5], std::make_pair(2, std::string("Converting status: ERROR.")));
    EXPECT_FALSE(run.Finished());
    EXPECT_FALSE(std::filesystem::exists(m_dir / "out/gone.mp3"));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "out/kept.mp3"));
}

TEST_F(BatchTest, FailureInTheSecondOfThreeKeepsTheFirstAndSkipsTheThird)
{
    const std::string a = Wav("a.wav"), b = Wav("b.wav"), c = Wav("c.wav");
    EngineRun run;
    run.Add(TaskFor(a, m_settings));
    run.Add(TaskFor(b, m_settings));
    run.Add(TaskFor(c, m_settings));
    Touch(b, "this is no longer a wave file"); // probed fine, unreadable when its turn comes
    ASSERT_TRUE(run.Run());

    const auto lines = run.Sink().LogLines();
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[5].second, "Converting status: OK.");
    EXPECT_EQ(lines[10], std::make_pair(2, "Error : could not open file : " + b));
    EXPECT_EQ(lines[11], std::make_pair(2, std::string("Converting status: ERROR.")));
    EXPECT_FALSE(run.Finished());
    EXPECT_NEAR(Decode(m_dir / "out/a.mp3").Seconds(), 1.0, 0.06);
    EXPECT_TRUE(std::filesystem::exists(m_dir / "out/b.mp3")); // begun, flushed, closed
    EXPECT_FALSE(std::filesystem::exists(m_dir / "out/c.mp3"));
}

TEST_F(BatchTest, EncoderLibraryProblemsStopTheRunWithTheirMessages)
{
    struct Case
    {
        const char* library;
        const char* line;
        const char* box;
    } cases[] = {
        {"liblame_enc_missing.so", "Error loading lame_enc.dll", "Error Loading Lame_enc.dll"},
        {"liblame_enc_broken.so", "Unable to get LAME interfaces", "Unable to Get LAME Interfaces"},
    };
    const std::string source = Wav("lib.wav");
    for (const auto& c : cases)
    {
        SetEncoderLibraryName(c.library);
        EngineRun run;
        run.Add(TaskFor(source, m_settings));
        ASSERT_TRUE(run.Run());
        const auto lines = run.Sink().LogLines();
        ASSERT_EQ(lines.size(), 6u) << c.library;
        EXPECT_EQ(lines[4], std::make_pair(2, std::string(c.line)));
        EXPECT_EQ(lines[5], std::make_pair(2, std::string("Converting status: ERROR.")));
        EXPECT_EQ(run.Sink().BoxTexts(), std::vector<std::string>{c.box});
        EXPECT_FALSE(run.Finished());
        EXPECT_FALSE(std::filesystem::exists(m_dir / "out/lib.mp3"));
    }
}

TEST_F(BatchTest, LibraryWithoutInfoTagEntryStillTagsTheFile)
{
    SetEncoderLibraryName("liblame_enc_notag.so");
    const std::string source = Wav("tag.wav");
    EngineRun run;
    run.Add(TaskFor(source, m_settings));
    ASSERT_TRUE(run.Run());
    EXPECT_TRUE(run.Finished());
    EXPECT_TRUE(HasInfoTag(m_dir / "out/tag.mp3"));
}

TEST_F(BatchTest, FolderThatCannotBeCreatedEndsTheRunAtOnce)
{
    Touch(m_dir / "blocker");
    m_settings.DesDir = m_dir / "blocker/sub/";
    EngineRun run;
    run.Add(TaskFor(Wav("f.wav"), m_settings));
    ASSERT_TRUE(run.Run());
    const auto lines = run.Sink().LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1],
              std::make_pair(2, "Fail to create folder " + (m_dir / "blocker/sub") + " !"));
    EXPECT_FALSE(run.Finished());
}

TEST_F(BatchTest, WriteErrorIsReportedAndTheRunFails)
{
    WavSpec spec;
    spec.seconds = 4; // about 64 KB of MP3 at 128 kbps
    const std::string source = Wav("big.wav", spec);
    EngineRun run;
    run.Add(TaskFor(source, m_settings));

    // A file-size limit makes writes beyond 16 KB fail instead of raising SIGXFSZ.
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = old;
    limited.rlim_cur = 16 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool ended = run.Run();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_TRUE(ended);

    const auto texts = run.LogTexts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Output file write error"), texts.end());
    EXPECT_EQ(texts.back(), "Converting status: ERROR.");
    EXPECT_FALSE(run.Finished());
    EXPECT_LE(std::filesystem::file_size(m_dir / "out/big.mp3"), 16u * 1024);
}

// --- pause, resume, cancel ---------------------------------------------------------------

TEST_F(BatchTest, PausingAndResumingWritesTheSameBytesAsAnUnpausedRun)
{
    WavSpec spec;
    spec.seconds = 40;
    const std::string source = Wav("p.wav", spec);

    EngineRun plain;
    plain.Add(TaskFor(source, m_settings));
    ASSERT_TRUE(plain.Run());
    ASSERT_TRUE(plain.Finished());
    const auto expected = ReadBytes(m_dir / "out/p.mp3");

    m_settings.DesDir = m_dir / "paused/";
    EngineRun run;
    run.Add(TaskFor(source, m_settings));
    ConversionRunState& state = run.State();
    ASSERT_TRUE(StartAndWaitForEncoding(run));
    int pausesSeen = 0;
    for (int i = 0; i < 4 && state.IsRunning(); ++i)
    {
        state.paused = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        const uint64_t done = state.currentDone.load();
        const int messages = run.Sink().CountMessages(platform::WM_CONV_PROGRESS);
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        if (state.IsRunning() && state.currentDone.load() < plain.State().currentDone.load())
        {
            ++pausesSeen;
            EXPECT_EQ(state.currentDone.load(), done) << "encoded while paused";
            EXPECT_EQ(run.Sink().CountMessages(platform::WM_CONV_PROGRESS), messages)
                << "progress while paused";
        }
        state.paused = false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(run.Wait());
    ASSERT_TRUE(run.Finished());
    EXPECT_GE(pausesSeen, 1);
    EXPECT_EQ(ReadBytes(m_dir / "paused/p.mp3"), expected);
}

TEST_F(BatchTest, CancelEndsEveryStagePromptlyAndLeavesATaggedFile)
{
    WavSpec spec;
    spec.seconds = 60;
    const std::string source = Wav("c.wav", spec);
    EngineRun run;
    run.Add(TaskFor(source, m_settings));
    run.Add(TaskFor(source, m_settings));
    ConversionRunState& state = run.State();
    ASSERT_TRUE(StartAndWaitForEncoding(run));
    state.running = false; // what Cancel does
    ASSERT_TRUE(run.Wait(10000)) << "the stages did not end";

    EXPECT_FALSE(state.processorThread.IsCreated());
    EXPECT_FALSE(state.encoderThread.IsCreated());
    EXPECT_EQ(run.LogTexts().back(), "Converting status: ERROR.");
    EXPECT_EQ(run.LogTexts().size(), 5u); // four task lines, the status; no second task
    EXPECT_FALSE(run.Finished());
    const std::string begun = m_dir / "out/c.mp3";
    EXPECT_TRUE(HasInfoTag(begun));
    const DecodedInfo mp3 = Decode(begun);
    EXPECT_TRUE(mp3.ok);
    EXPECT_LT(mp3.Seconds(), 60.0);
}

TEST_F(BatchTest, PausedTaskThatOutlivesTheStageBoundStillCompletes)
{
    // The whole source fits the rings, so reading and processing end while the encoder is
    // paused; the runner's bound on the wait must not count the paused time against it.
    WavSpec spec;
    spec.seconds = 2;
    const std::string source = Wav("bound.wav", spec);
    EngineRun run;
    run.Add(TaskFor(source, m_settings));
    run.Start();
    ConversionRunState& state = run.State();
    state.paused = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(StageWaitMs + 1500));
    state.paused = false;
    ASSERT_TRUE(run.Wait());
    EXPECT_TRUE(run.Finished());
    EXPECT_NEAR(Decode(m_dir / "out/bound.mp3").Seconds(), 2.0, 0.06);
}

} // namespace

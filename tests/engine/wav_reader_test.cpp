#include "engine/wav_reader.h"

#include "engine/conversion_task.h"
#include "platform/recording_sink.h"
#include "tests/support/engine_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sndfile.h>
#include <thread>

using namespace testing_support;

namespace
{

TEST(DoubleToSample, ScalesClipsAndRoundsToEven)
{
    struct Case
    {
        double value;
        int32_t sample;
    } cases[] = {
        {1.0, 2147483647},         {-1.0, INT32_MIN}, {0.5, 1073741824},       {0.0, 0},
        {2.0, 2147483647},         {-2.0, INT32_MIN}, {0.5 / 2147483648.0, 0}, // x = 0.5: tie goes
                                                                               // to the even
                                                                               // neighbour
        {1.5 / 2147483648.0, 2},   // x = 1.5: tie goes to 2
        {-2.5 / 2147483648.0, -2}, // x = -2.5
        {NAN, INT32_MIN},
    };
    for (const auto& c : cases)
    {
        int32_t out = 12345;
        DoubleToSample(&c.value, &out, 1);
        EXPECT_EQ(out, c.sample) << "value " << c.value;
    }
}

// A run state with running set, whose reading step writes into fresh rings.
class ReaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CreateEngineRings();
        DecodedRing->Reset();
        ActiveConvProg = &m_prog;
        m_prog.m_run.running = true;
    }
    void TearDown() override { ActiveConvProg = nullptr; }

    std::vector<int> Drain()
    {
        std::vector<int> out(DecodedRing->Available());
        DecodedRing->Read(out.data(), static_cast<uint32_t>(out.size()));
        return out;
    }
    bool Read(const std::string& path)
    {
        CConversionTask task;
        task.source = path;
        return ReadWav(task);
    }

    TempDir m_dir;
    platform::CRecordingSink m_sink;
    CConvProgBase m_prog{m_sink};
};

TEST_F(ReaderTest, IntegerSamplesKeepOnlyTheirTopTenBits)
{
    const std::string path = m_dir / "mask.wav";
    WriteWavInt16(path, 8000, 1, {0x1234, 1, -1, 32767, -32768});
    ASSERT_TRUE(Read(path));
    EXPECT_EQ(Drain(), (std::vector<int>{0x12000000, 0, -4194304, 0x7FC00000, INT32_MIN}));
}

TEST_F(ReaderTest, FloatSourcesAreScaledByTheirPeakOnlyAboveFullScale)
{
    struct Case
    {
        float loudest;
        int expected; // the loudest sample in the ring, after the mask
    } cases[] = {
        {2.0f, static_cast<int>(2147483647u & SampleMask)}, // halved: reaches full scale
        {0.5f, 1073741824},                                 // left as it is
    };
    for (const auto& c : cases)
    {
        const std::string path = m_dir / "float.wav";
        WriteWavFloat(path, 8000, 2, {c.loudest, -c.loudest / 2, 0.25f, 0.0f});
        ASSERT_TRUE(Read(path));
        const auto samples = Drain();
        ASSERT_EQ(samples.size(), 4u);
        EXPECT_EQ(samples[0], c.expected) << "peak " << c.loudest;
        EXPECT_LT(samples[1], 0);
    }
}

TEST_F(ReaderTest, WholeBlockFileEndsWithAnEmptyReadAndSucceeds)
{
    const std::string path = m_dir / "blocks.wav";
    WavSpec spec;
    spec.rate = 8000;
    spec.channels = 2;
    spec.seconds = 3 * 4096 / 8000.0;
    ASSERT_EQ(WriteWav(path, spec), 3 * 4096);
    ASSERT_TRUE(Read(path));
    EXPECT_EQ(Drain().size(), 3u * 4096 * 2);
}

TEST_F(ReaderTest, UnreadableSourceFailsWithItsLogLine)
{
    const std::string path = m_dir / "text.wav";
    std::FILE* f = std::fopen(path.c_str(), "w");
    std::fputs("not audio at all", f);
    std::fclose(f);
    EXPECT_FALSE(Read(path));
    const auto lines = m_sink.LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].first, 2);
    EXPECT_EQ(lines[0].second, "Error : could not open file : " + path);
    EXPECT_EQ(DecodedRing->Available(), 0u);
}

TEST_F(ReaderTest, ClearingRunningWhileWaitingForRoomEndsWithSuccess)
{
    const std::string path = m_dir / "long.wav";
    WavSpec spec;
    spec.seconds = 2;
    WriteWav(path, spec);
    // Fill the ring so that no block fits.
    std::vector<int> fill(DecodedRing->FreeSpace() - 100);
    DecodedRing->Write(fill.data(), static_cast<uint32_t>(fill.size()));

    std::thread stopper(
        [this]
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            m_prog.m_run.running = false;
        });
    EXPECT_TRUE(Read(path));
    stopper.join();
    EXPECT_EQ(DecodedRing->Available(), fill.size()); // nothing more was written
}

TEST_F(ReaderTest, NonAsciiFileNamesOpen)
{
    const std::string path = m_dir / "Grüße – 音楽.wav";
    WriteWavInt16(path, 8000, 1, {0x4000, 0x4000});
    ASSERT_TRUE(Read(path));
    EXPECT_EQ(Drain(), (std::vector<int>{0x40000000, 0x40000000}));
}

} // namespace

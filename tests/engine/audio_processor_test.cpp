#include "engine/audio_processor.h"

#include "platform/recording_sink.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{

CConversionTask Task(uint32_t sourceRate, uint32_t sourceChannels, uint32_t destRate,
                     uint32_t destChannels)
{
    CConversionTask task;
    task.sourceRate = sourceRate;
    task.sourceChannels = sourceChannels;
    task.destRate = destRate;
    task.destChannels = destChannels;
    return task;
}

TEST(ProcessingChain, HoldsOnlyTheEffectsThatChangeSomething)
{
    using Names = std::vector<std::string>;
    struct Case
    {
        CConversionTask task;
        Names chain;
    } cases[] = {
        {Task(44100, 2, 44100, 2), {"input", "lowpass", "highpass", "output"}},
        {Task(44100, 1, 44100, 2), {"input", "channels", "lowpass", "highpass", "output"}},
        {Task(48000, 2, 44100, 2), {"input", "rate", "lowpass", "highpass", "output"}},
        {Task(48000, 6, 22050, 1), {"input", "channels", "rate", "lowpass", "highpass", "output"}},
        // Below 14000 Hz a 7000 Hz lowpass is above half the rate: libsox refuses it.
        {Task(44100, 2, 8000, 2), {"input", "rate", "highpass", "output"}},
        {Task(11025, 1, 11025, 1), {"input", "highpass", "output"}},
        {Task(12000, 1, 12000, 1), {"input", "highpass", "output"}},
        {Task(16000, 1, 16000, 1), {"input", "lowpass", "highpass", "output"}},
    };
    for (const auto& c : cases)
    {
        Names accepted;
        sox_effects_chain_t* chain = BuildProcessingChain(c.task, &accepted);
        ASSERT_NE(chain, nullptr);
        EXPECT_EQ(accepted, c.chain)
            << c.task.sourceRate << " Hz x " << c.task.sourceChannels << " -> " << c.task.destRate
            << " Hz x " << c.task.destChannels;
        sox_delete_effects_chain(chain);
    }
}

class ChainEndsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CreateEngineRings();
        DecodedRing->Reset();
        ProcessedRing->Reset();
        ActiveConvProg = &m_prog;
        CurrentTask = &m_task;
        m_prog.m_run.running = true;
        m_effect.out_signal.channels = 2;
    }
    void TearDown() override
    {
        ActiveConvProg = nullptr;
        CurrentTask = nullptr;
    }

    platform::CRecordingSink m_sink;
    CConvProgBase m_prog{m_sink};
    CConversionTask m_task;
    sox_effect_t m_effect{};
};

TEST_F(ChainEndsTest, ShortSourceDrainsWholeThenEndsTheStream)
{
    const int samples[] = {1, 2, 3, 4, 5, 6};
    DecodedRing->Write(samples, 6);
    CConversionTask::Set(m_task.readerBusy, false);

    std::vector<sox_sample_t> out(8192);
    size_t count = 8191; // lowered to a whole number of frames
    EXPECT_EQ(InputDrain(&m_effect, out.data(), &count), SOX_SUCCESS);
    EXPECT_EQ(count, 6u);
    EXPECT_EQ(std::vector<int>(out.begin(), out.begin() + 6),
              std::vector<int>(samples, samples + 6));

    count = 8192;
    EXPECT_EQ(InputDrain(&m_effect, out.data(), &count), SOX_EOF);
    EXPECT_EQ(count, 0u);
}

TEST_F(ChainEndsTest, DrainWaitsForAWholeBlockWhileTheReaderRuns)
{
    CConversionTask::Set(m_task.readerBusy, true);
    std::thread writer(
        [&]
        {
            std::vector<int> block(100, 9);
            for (int i = 0; i < 4; ++i)
            {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                DecodedRing->Write(block.data(), 100);
            }
        });
    std::vector<sox_sample_t> out(400);
    size_t count = 400;
    EXPECT_EQ(InputDrain(&m_effect, out.data(), &count), SOX_SUCCESS);
    writer.join();
    EXPECT_EQ(count, 400u);
}

TEST_F(ChainEndsTest, ClearingRunningEndsBothEnds)
{
    // The output waits for room in a full ring, the input for samples that never come.
    std::vector<int> fill(ProcessedRing->FreeSpace());
    ProcessedRing->Write(fill.data(), static_cast<uint32_t>(fill.size()));
    CConversionTask::Set(m_task.readerBusy, true);

    std::thread stopper(
        [this]
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            m_prog.m_run.running = false;
        });
    std::vector<sox_sample_t> in(64, 1), out(64);
    size_t inCount = 64, outCount = 99;
    EXPECT_EQ(OutputFlow(&m_effect, in.data(), out.data(), &inCount, &outCount), SOX_EOF);
    EXPECT_EQ(outCount, 0u);
    size_t count = 64;
    EXPECT_EQ(InputDrain(&m_effect, out.data(), &count), SOX_EOF);
    stopper.join();
}

TEST_F(ChainEndsTest, OutputConsumesAllInputWhenThereIsRoom)
{
    std::vector<sox_sample_t> in = {10, 20, 30, 40}, out(4);
    size_t inCount = 4, outCount = 99;
    EXPECT_EQ(OutputFlow(&m_effect, in.data(), out.data(), &inCount, &outCount), SOX_SUCCESS);
    EXPECT_EQ(outCount, 0u);
    std::vector<int> got(4);
    EXPECT_EQ(ProcessedRing->Read(got.data(), 4), 4u);
    EXPECT_EQ(got, (std::vector<int>{10, 20, 30, 40}));
}

} // namespace

#include "engine/ring_buffer.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <thread>
#include <vector>

namespace
{

TEST(RingBuffer, NewRingIsEmptyWithOneSlotKeptFree)
{
    SampleRing ring(SampleRingCapacity);
    EXPECT_EQ(ring.Available(), 0u);
    EXPECT_EQ(ring.FreeSpace(), 1048575u);
}

TEST(RingBuffer, WritingMoreThanFreeSpaceWritesOnlyWhatFits)
{
    SampleRing ring(SampleRingCapacity);
    std::vector<int> block(SampleRingCapacity, 7);
    EXPECT_EQ(ring.Write(block.data(), SampleRingCapacity), 1048575u);
    EXPECT_EQ(ring.FreeSpace(), 0u);
    EXPECT_EQ(ring.Write(block.data(), 1), 0u);
    EXPECT_EQ(ring.Write(block.data(), 0), 0u);
    EXPECT_EQ(ring.Available(), 1048575u);
}

TEST(RingBuffer, BlockCrossingTheEndIsReadBackInOrder)
{
    SampleRing ring(16);
    std::vector<int> scratch(16);
    // Move both indexes near the end of the storage.
    std::vector<int> filler(12, -1);
    ASSERT_EQ(ring.Write(filler.data(), 12), 12u);
    ASSERT_EQ(ring.Read(scratch.data(), 12), 12u);

    std::vector<int> block(10);
    std::iota(block.begin(), block.end(), 100);
    ASSERT_EQ(ring.Write(block.data(), 10), 10u); // 4 slots at the end, 6 at the start
    EXPECT_EQ(ring.Available(), 10u);
    EXPECT_EQ(ring.FreeSpace(), 5u);
    std::vector<int> out(10);
    ASSERT_EQ(ring.Read(out.data(), 10), 10u);
    EXPECT_EQ(out, block);
    EXPECT_EQ(ring.Available(), 0u);
}

TEST(RingBuffer, ShortReadZeroFillsTheRestOfTheDestination)
{
    SampleRing ring(64);
    const int four[] = {1, 2, 3, 4};
    ring.Write(four, 4);
    std::vector<int> out(10, 99);
    EXPECT_EQ(ring.Read(out.data(), 10), 4u);
    EXPECT_EQ(out, (std::vector<int>{1, 2, 3, 4, 0, 0, 0, 0, 0, 0}));
    // An empty ring zero-fills everything and returns 0.
    std::fill(out.begin(), out.end(), 99);
    EXPECT_EQ(ring.Read(out.data(), 3), 0u);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(out[3], 99);
}

TEST(RingBuffer, ResetEmptiesWhateverItHeld)
{
    SampleRing ring(32);
    std::vector<int> block(20, 5);
    ring.Write(block.data(), 20);
    std::vector<int> out(7);
    ring.Read(out.data(), 7);
    ring.Reset();
    EXPECT_EQ(ring.Available(), 0u);
    EXPECT_EQ(ring.FreeSpace(), 31u);
}

// One writer and one reader move tens of millions of samples in random block sizes; every
// sample must arrive exactly once and in order.
TEST(RingBuffer, TwoThreadStressDeliversEverySampleOnceInOrder)
{
    constexpr int64_t total = 24'000'000;
    SampleRing ring(4096); // small, so both sides keep meeting full and empty
    bool orderOk = true;
    int64_t received = 0;

    std::thread writer(
        [&]
        {
            std::mt19937 rng(1);
            std::uniform_int_distribution<uint32_t> size(1, 3000);
            std::vector<int> block(3000);
            int64_t next = 0;
            while (next < total)
            {
                const uint32_t want =
                    static_cast<uint32_t>(std::min<int64_t>(size(rng), total - next));
                for (uint32_t i = 0; i < want; ++i)
                    block[i] = static_cast<int>(next + i);
                uint32_t done = 0;
                while (done < want)
                {
                    const uint32_t n = ring.Write(block.data() + done, want - done);
                    if (n == 0)
                        std::this_thread::yield();
                    done += n;
                }
                next += want;
            }
        });
    std::thread reader(
        [&]
        {
            std::mt19937 rng(2);
            std::uniform_int_distribution<uint32_t> size(1, 3000);
            std::vector<int> block(3000);
            while (received < total)
            {
                const uint32_t n = ring.Read(block.data(), size(rng));
                if (n == 0)
                    std::this_thread::yield();
                for (uint32_t i = 0; i < n; ++i)
                    if (block[i] != static_cast<int>(received + i))
                        orderOk = false;
                received += n;
            }
        });
    writer.join();
    reader.join();
    EXPECT_TRUE(orderOk);
    EXPECT_EQ(received, total);
    EXPECT_EQ(ring.Available(), 0u);
}

} // namespace

#include "platform/tick.h"
#include "platform/worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>

namespace
{

using platform::CWorkerThread;

TEST(Tick, DifferencesWrapModulo32Bits)
{
    EXPECT_EQ(platform::TickDiff(5u, 0xFFFFFFFBu), 10u);
    EXPECT_EQ(platform::TickDiff(1000u, 400u), 600u);
    const uint32_t a = platform::GetTickCount32();
    platform::SleepMs(20);
    EXPECT_GE(platform::TickDiff(platform::GetTickCount32(), a), 19u);
}

TEST(WorkerThread, BodyRunsOnlyAfterResume)
{
    std::atomic<bool> ran{false};
    CWorkerThread thread;
    ASSERT_TRUE(thread.Create(
        [&]
        {
            ran = true;
            return 7;
        }));
    EXPECT_TRUE(thread.IsCreated());
    EXPECT_FALSE(thread.Wait(30)); // suspended: it cannot end
    EXPECT_FALSE(ran);
    thread.Resume();
    EXPECT_TRUE(thread.Wait(10000));
    EXPECT_TRUE(ran);
    EXPECT_EQ(thread.ExitCode(), 7);
    thread.Release();
    EXPECT_FALSE(thread.IsCreated());
    EXPECT_TRUE(thread.Wait(0)); // no thread: nothing to wait for
}

TEST(WorkerThread, BoundedWaitTimesOutThenEndsOnceTheBodyStops)
{
    std::atomic<bool> running{true};
    CWorkerThread thread;
    ASSERT_TRUE(thread.Create(
        [&]
        {
            while (running)
                platform::SleepMs(1);
            return 0;
        }));
    thread.Resume();
    EXPECT_FALSE(thread.Wait(20));
    running = false; // how the engine "ends a thread by force"
    EXPECT_TRUE(thread.Wait(10000));
}

TEST(WorkerThread, ReleasedBeforeResumeNeverRunsItsBody)
{
    std::atomic<bool> ran{false};
    {
        CWorkerThread thread;
        ASSERT_TRUE(thread.Create(
            [&]
            {
                ran = true;
                return 0;
            }));
    } // destroyed while suspended
    EXPECT_FALSE(ran);
}

TEST(WorkerThread, SeveralWaitersMayWaitAtOnce)
{
    CWorkerThread thread;
    ASSERT_TRUE(thread.Create(
        []
        {
            platform::SleepMs(20);
            return 1;
        }));
    thread.Resume();
    std::atomic<int> ended{0};
    CWorkerThread other;
    ASSERT_TRUE(other.Create(
        [&]
        {
            ended += thread.Wait(10000);
            return 0;
        }));
    other.Resume();
    ended += thread.Wait(10000);
    other.Join();
    EXPECT_EQ(ended, 2);
}

} // namespace

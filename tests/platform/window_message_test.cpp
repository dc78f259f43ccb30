#include "platform/window_message.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace
{

using platform::CMessageReceiver;
using platform::LRESULT;
using platform::WindowMsg;

constexpr unsigned WM_TEST_A = 0xA001;
constexpr unsigned WM_TEST_B = 0xA002;

TEST(WindowMessage, PostedMessagesArriveLaterInOrderWithTheirPayload)
{
    CMessageReceiver receiver;
    std::vector<std::string> seen;
    receiver.SetHandler(WM_TEST_A,
                        [&](WindowMsg& msg) -> LRESULT
                        {
                            seen.push_back(std::to_string(msg.wParam) + ":" +
                                           std::to_string(msg.lParam) + ":" +
                                           std::any_cast<std::string>(msg.payload));
                            return 0;
                        });
    EXPECT_TRUE(receiver.PostMessage(WM_TEST_A, 1, -1, std::string("one")));
    EXPECT_TRUE(receiver.PostMessage(WM_TEST_B, 0, 0)); // no handler: dropped quietly
    EXPECT_TRUE(receiver.PostMessage(WM_TEST_A, 2, 7, std::string("two")));
    EXPECT_TRUE(seen.empty()) << "a posted message must not run before the loop serves it";
    QCoreApplication::processEvents();
    EXPECT_EQ(seen, (std::vector<std::string>{"1:-1:one", "2:7:two"}));
}

TEST(WindowMessage, SendOnTheSameThreadRunsAtOnceAndReturnsTheResult)
{
    CMessageReceiver receiver;
    receiver.SetHandler(WM_TEST_A,
                        [](WindowMsg& msg) -> LRESULT
                        { return static_cast<LRESULT>(msg.wParam) * 2 + msg.lParam; });
    EXPECT_EQ(receiver.SendMessage(WM_TEST_A, 20, 2), 42);
    EXPECT_EQ(receiver.SendMessage(WM_TEST_B, 1, 1), 0);
    EXPECT_TRUE(receiver.HasHandler(WM_TEST_A));
    receiver.SetHandler(WM_TEST_A, {});
    EXPECT_FALSE(receiver.HasHandler(WM_TEST_A));
    EXPECT_EQ(receiver.SendMessage(WM_TEST_A, 20, 2), 0);
}

TEST(WindowMessage, SendFromAWorkerRunsOnTheReceiversThreadWhileTheWorkerWaits)
{
    CMessageReceiver receiver;
    QThread* const uiThread = QThread::currentThread();
    std::atomic<int> handledOnUiThread{0};
    std::atomic<int> handled{0};
    receiver.SetHandler(WM_TEST_A,
                        [&](WindowMsg& msg) -> LRESULT
                        {
                            if (QThread::currentThread() == uiThread)
                                ++handledOnUiThread;
                            ++handled;
                            return static_cast<LRESULT>(msg.wParam) + 1;
                        });
    std::atomic<bool> done{false};
    std::vector<LRESULT> results;
    std::thread worker(
        [&]
        {
            for (unsigned i = 0; i < 50; ++i)
            {
                const LRESULT r = receiver.SendMessage(WM_TEST_A, i, 0);
                // The send returned: its handler has already run.
                if (handled.load() != static_cast<int>(i) + 1)
                    results.push_back(-1);
                results.push_back(r);
            }
            done = true;
        });
    EXPECT_TRUE(platform::WaitServingMessages([&] { return done.load(); }, 20000));
    worker.join();
    ASSERT_EQ(results.size(), 50u);
    for (unsigned i = 0; i < 50; ++i)
        EXPECT_EQ(results[i], static_cast<LRESULT>(i) + 1);
    EXPECT_EQ(handledOnUiThread.load(), 50);
}

TEST(WindowMessage, CallOnThreadOfReturnsValuesFromTheOwningThread)
{
    QObject context;
    QThread* const uiThread = QThread::currentThread();
    std::atomic<bool> done{false};
    bool ranOnUi = false;
    std::string text;
    std::thread worker(
        [&]
        {
            ranOnUi = platform::CallOnThreadOf(&context, [&]
                                               { return QThread::currentThread() == uiThread; });
            text = platform::CallOnThreadOf(&context, [] { return std::string("from ui"); });
            done = true;
        });
    EXPECT_TRUE(platform::WaitServingMessages([&] { return done.load(); }, 20000));
    worker.join();
    EXPECT_TRUE(ranOnUi);
    EXPECT_EQ(text, "from ui");
    // On the owning thread itself the call is direct.
    EXPECT_EQ(platform::CallOnThreadOf(&context, [] { return 5; }), 5);
}

TEST(WindowMessage, APostedMessageOutlivedByItsReceiverFreesItsPayload)
{
    auto payload = std::make_shared<int>(1);
    bool ran = false;
    {
        CMessageReceiver receiver;
        receiver.SetHandler(WM_TEST_A,
                            [&](WindowMsg&) -> LRESULT
                            {
                                ran = true;
                                return 0;
                            });
        receiver.PostMessage(WM_TEST_A, 0, 0, payload);
        EXPECT_EQ(payload.use_count(), 2);
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
    EXPECT_EQ(payload.use_count(), 1);
}

TEST(WindowMessage, AHandlerMayReplaceItselfWhileRunning)
{
    CMessageReceiver receiver;
    int calls = 0;
    receiver.SetHandler(WM_TEST_A,
                        [&](WindowMsg&) -> LRESULT
                        {
                            ++calls;
                            receiver.SetHandler(WM_TEST_A, {});
                            return 1;
                        });
    EXPECT_EQ(receiver.SendMessage(WM_TEST_A), 1);
    EXPECT_EQ(receiver.SendMessage(WM_TEST_A), 0);
    EXPECT_EQ(calls, 1);
}

TEST(WindowMessage, WaitServingMessagesGivesUpAtItsBound)
{
    EXPECT_FALSE(platform::WaitServingMessages([] { return false; }, 30));
    EXPECT_TRUE(platform::WaitServingMessages([] { return true; }, 0));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

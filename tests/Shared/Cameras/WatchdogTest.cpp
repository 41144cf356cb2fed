#include "Utilities/Watchdog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

TEST(Watchdog, PeriodCountsFromTheEndOfThePreviousPass)
{
    Utilities::Watchdog watchdog;
    std::mutex mutex;
    std::vector<Clock::time_point> starts;
    watchdog.startWatchdog(50,
                           [&]
                           {
                               {
                                   std::lock_guard<std::mutex> lock(mutex);
                                   starts.push_back(Clock::now());
                               }
                               std::this_thread::sleep_for(std::chrono::milliseconds(60));
                               return true;
                           });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    watchdog.stopWatchdog();
    std::lock_guard<std::mutex> lock(mutex);
    ASSERT_GE(starts.size(), 2u);
    for (std::size_t i = 1; i < starts.size(); ++i)
    {
        EXPECT_GE(starts[i] - starts[i - 1], std::chrono::milliseconds(110)); // 60 ms pass + 50 ms period
    }
}

TEST(Watchdog, FalseFromTheCallbackEndsTheWorker)
{
    Utilities::Watchdog watchdog;
    std::atomic<int> calls{0};
    watchdog.startWatchdog(5, [&] { return ++calls < 3; });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(calls.load(), 3);
    watchdog.stopWatchdog(); // joins the ended worker
}

TEST(Watchdog, StopIsPromptAndRestartKeepsTheCallback)
{
    Utilities::Watchdog watchdog;
    std::atomic<int> calls{0};
    watchdog.startWatchdog(60000, [&] { return ++calls, true; });
    const auto before = Clock::now();
    watchdog.stopWatchdog();
    EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(1000));
    EXPECT_EQ(calls.load(), 0);
    watchdog.stopWatchdog(); // stopping twice is harmless
    watchdog.startWatchdog(5, [&] { return ++calls, true; });
    watchdog.restartWatchdog();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_GT(calls.load(), 0);
}

TEST(Watchdog, DestructionStopsTheWorker)
{
    std::atomic<int> calls{0};
    {
        Utilities::Watchdog watchdog;
        watchdog.startWatchdog(1, [&] { return ++calls, true; });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const int after = calls.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(calls.load(), after);
}

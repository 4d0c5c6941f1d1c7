// The thread pool: every item of a job runs once, on as many threads as
// the pool has, errors come back to the caller, and a job that is dropped
// never outlives its scope.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <stdexcept>

#include "base/thread_pool.h"

namespace quellmark {

namespace {

TEST(ThreadPool, EveryItemRunsExactlyOnceWhateverTheSize) {
    for (int threads : {1, 2, 4}) {
        TThreadPool pool(threads);
        EXPECT_EQ(pool.Threads(), threads);
        for (int32_t count : {0, 1, 7, 1000}) {
            std::vector<std::atomic<int>> runs(static_cast<std::size_t>(count));
            pool.Run(count, [&](int32_t i) { runs[static_cast<std::size_t>(i)]++; });
            for (int32_t i = 0; i < count; ++i)
                ASSERT_EQ(runs[static_cast<std::size_t>(i)], 1)
                    << "item " << i << " of " << count << ", " << threads << " threads";
        }
    }
}

// Each item waits until `threads` items are running at once, which only a
// pool with that many threads can bring about. The wait has a generous
// limit so that a pool with too few threads fails instead of hanging.
bool ItemsMeet(TThreadPool& pool, int threads) {
    std::mutex mutex;
    std::condition_variable arrived;
    int present = 0;
    std::atomic<bool> met{true};
    std::set<std::thread::id> ids;
    pool.Run(threads, [&](int32_t) {
        std::unique_lock lock(mutex);
        ids.insert(std::this_thread::get_id());
        ++present;
        arrived.notify_all();
        if (!arrived.wait_for(lock, std::chrono::seconds(20), [&] { return present == threads; })) met = false;
    });
    return met && static_cast<int>(ids.size()) == threads;
}

TEST(ThreadPool, RunsItemsOnAsManyThreadsAsItHasAndCanBeResized) {
    TThreadPool pool(4);
    EXPECT_TRUE(ItemsMeet(pool, 4));
    pool.SetThreads(2);
    EXPECT_EQ(pool.Threads(), 2);
    EXPECT_TRUE(ItemsMeet(pool, 2));
    pool.SetThreads(3);
    EXPECT_TRUE(ItemsMeet(pool, 3));
    pool.SetThreads(0);
    EXPECT_EQ(pool.Threads(), 1);
    std::thread::id ran;
    pool.Run(1, [&](int32_t) { ran = std::this_thread::get_id(); });
    EXPECT_EQ(ran, std::this_thread::get_id()) << "a pool of one thread runs on its caller";
}

TEST(ThreadPool, AnItemsErrorReachesTheCallerOnceTheOtherItemsAreDone) {
    TThreadPool pool(2);
    std::atomic<int> done{0};
    EXPECT_THROW(pool.Run(200,
                          [&](int32_t i) {
                              if (i == 50) throw std::runtime_error("item failed");
                              ++done;
                          }),
                 std::runtime_error);
    EXPECT_EQ(done, 199);
    // The pool goes on working after a failed job.
    std::atomic<int> later{0};
    pool.Run(10, [&](int32_t) { ++later; });
    EXPECT_EQ(later, 10);
}

TEST(ThreadPool, ADroppedJobWaitsForItsRunningItemsAndSkipsTheRest) {
    TThreadPool pool(2);
    std::atomic<int> running{0}, started{0};
    {
        TThreadPool::Job job = pool.Start(100000, [&](int32_t) {
            ++running;
            ++started;
            volatile int spin = 0;
            for (int k = 0; k < 20000; ++k) spin = spin + k;
            --running;
        });
    }
    EXPECT_EQ(running, 0) << "an item still ran after its job was dropped";
    EXPECT_LT(started, 100000) << "a dropped job ran its items to the end";
}

}  // namespace

}  // namespace quellmark

#include "read_ahead/read_ahead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

// Every task runs once, what it made is there when it is waited for, and what it threw comes
// back with its own index; none starts further ahead than the window allows.
TEST(read_ahead, gives_every_task_in_order_within_the_window) {
    const struct {
        std::size_t threads;
        std::size_t window;
    } cases[] = {{0, 4}, {1, 1}, {2, 3}, {8, 2}, {3, 100}};
    for (const auto& c : cases) {
        const std::size_t count = 60;
        std::vector<std::size_t> made(count);
        std::vector<std::atomic<int>> runs(count);
        std::mutex mutex;
        std::size_t furthest_started = 0;
        read_ahead ahead(
            count,
            [&](std::size_t index) {
                {
                    const std::lock_guard<std::mutex> lock(mutex);
                    furthest_started = std::max(furthest_started, index);
                }
                ++runs[index];
                made[index] = index * index;
                if (index % 7 == 3) {
                    throw std::runtime_error("task " + std::to_string(index));
                }
            },
            c.threads, c.window);
        for (std::size_t index = 0; index < count; ++index) {
            const std::exception_ptr failure = ahead.wait(index);
            SCOPED_TRACE("threads " + std::to_string(c.threads) + ", window " +
                         std::to_string(c.window) + ", task " + std::to_string(index));
            EXPECT_EQ(made[index], index * index);
            if (index % 7 == 3) {
                ASSERT_TRUE(failure);
                try {
                    std::rethrow_exception(failure);
                } catch (const std::runtime_error& error) {
                    EXPECT_EQ(error.what(), "task " + std::to_string(index));
                }
            } else {
                EXPECT_FALSE(failure);
            }
            const std::lock_guard<std::mutex> lock(mutex);
            EXPECT_LT(furthest_started, index + c.window);
        }
        for (std::size_t index = 0; index < count; ++index) {
            EXPECT_EQ(runs[index], 1) << index;
        }
    }
}

// A consumer that stops early (after a fatal error) leaves the tasks beyond the window unstarted.
TEST(read_ahead, stops_at_the_window_when_the_consumer_leaves) {
    std::atomic<std::size_t> started{0};
    {
        read_ahead ahead(
            1000, [&](std::size_t) { ++started; }, 2, 3);
        EXPECT_FALSE(ahead.wait(0));
    }
    EXPECT_LE(started.load(), 3u);
    EXPECT_GE(started.load(), 1u);
}


// After a wait (for Enter), the tasks after the one in hand run again, so that what they read is
// read after the wait; the tasks before it are not run again.
TEST(read_ahead, reruns_the_tasks_after_the_one_in_hand) {
    // 40 tasks: a few have run ahead at the wait; 7 tasks: all have.
    for (const auto& [threads, count] : {std::pair<std::size_t, std::size_t>{0, 40}, {1, 40},
                                         {2, 40}, {2, 7}}) {
        std::atomic<int> epoch{0};
        std::vector<int> read_in(count, -1);
        std::vector<std::atomic<int>> runs(count);
        read_ahead ahead(
            count,
            [&](std::size_t index) {
                ++runs[index];
                read_in[index] = epoch.load();
            },
            threads, 8);
        for (std::size_t index = 0; index < count; ++index) {
            EXPECT_FALSE(ahead.wait(index));
            if (index == 5) {
                while (threads > 0 && runs[6] == 0) {  // task 6 has run ahead at least once
                    std::this_thread::yield();
                }
                ++epoch;
                ahead.rerun_after(index);
            }
        }
        for (std::size_t index = 0; index < count; ++index) {
            SCOPED_TRACE("threads " + std::to_string(threads) + ", tasks " + std::to_string(count) +
                         ", task " + std::to_string(index));
            EXPECT_EQ(read_in[index], index <= 5 ? 0 : 1);
            EXPECT_LE(runs[index], index <= 5 ? 1 : 2);
        }
    }
}

}  // namespace

#include "read_ahead/read_ahead.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

struct read_ahead::state {
    state(std::size_t count, std::function<void(std::size_t)> task, std::size_t window)
        : count(count), task(std::move(task)), window(window), done(count), failures(count) {}

    // A worker's loop: starts the next task whenever it may, until it stops (after the last task
    // it stays, as rerun_after may give it more).
    void work() {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return stopping || (next < count && next < waited + window); });
            if (stopping) {
                return;
            }
            const std::size_t index = next++;
            lock.unlock();
            std::exception_ptr failure;
            try {
                task(index);
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            failures[index] = std::move(failure);
            done[index] = true;
            changed.notify_all();
        }
    }

    const std::size_t count;
    const std::function<void(std::size_t)> task;
    const std::size_t window;
    std::mutex mutex;
    std::condition_variable changed;  // a task ended, the consumer moved on, or the end came
    std::size_t next = 0;             // the next task to start
    std::size_t waited = 0;           // the task the consumer waits for, or waits for next
    bool stopping = false;
    std::vector<char> done;  // per task, whether it has run
    std::vector<std::exception_ptr> failures;
    std::vector<std::thread> workers;
};

read_ahead::read_ahead(std::size_t count, std::function<void(std::size_t)> task,
                       std::size_t threads, std::size_t window)
    : shared(std::make_unique<state>(count, std::move(task), std::max<std::size_t>(window, 1))) {
    for (std::size_t i = 0; i < std::min(threads, count); ++i) {
        try {
            shared->workers.emplace_back([s = shared.get()] { s->work(); });
        } catch (const std::system_error&) {
            break;  // the threads started so far do the work; with none, the consumer does
        }
    }
}

read_ahead::~read_ahead() {
    {
        const std::lock_guard<std::mutex> lock(shared->mutex);
        shared->stopping = true;
    }
    shared->changed.notify_all();
    for (std::thread& worker : shared->workers) {
        worker.join();
    }
}

std::exception_ptr read_ahead::wait(std::size_t index) {
    if (shared->workers.empty()) {
        try {
            shared->task(index);
        } catch (...) {
            return std::current_exception();
        }
        return nullptr;
    }
    std::unique_lock<std::mutex> lock(shared->mutex);
    shared->waited = index;
    shared->changed.notify_all();
    shared->changed.wait(lock, [this, index] { return shared->done[index] != 0; });
    return std::move(shared->failures[index]);
}

void read_ahead::rerun_after(std::size_t index) {
    state& tasks = *shared;
    std::unique_lock<std::mutex> lock(tasks.mutex);
    const std::size_t first = index + 1;
    if (tasks.next <= first) {
        return;  // none after it has started (always so without threads)
    }
    // Those still running end first: a task never runs twice at once.
    const auto ended = [&tasks, first] {
        return std::all_of(tasks.done.begin() + static_cast<std::ptrdiff_t>(first),
                           tasks.done.begin() + static_cast<std::ptrdiff_t>(tasks.next),
                           [](char task_done) { return task_done != 0; });
    };
    tasks.changed.wait(lock, ended);
    std::fill(tasks.done.begin() + static_cast<std::ptrdiff_t>(first),
              tasks.done.begin() + static_cast<std::ptrdiff_t>(tasks.next), 0);
    std::fill(tasks.failures.begin() + static_cast<std::ptrdiff_t>(first),
              tasks.failures.begin() + static_cast<std::ptrdiff_t>(tasks.next), nullptr);
    tasks.next = first;
    tasks.changed.notify_all();
}

std::size_t read_ahead::machine_threads() {
    return std::max(std::thread::hardware_concurrency(), 1u);
}

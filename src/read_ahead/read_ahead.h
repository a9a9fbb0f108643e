#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <memory>

// Runs a numbered series of tasks on background threads, ahead of one consumer that waits for them
// in their order: the reading of the next events while the program handles the one before.
//
// Tasks start in their order, each at most `window` - 1 places after the one the consumer waits
// for, on up to `threads` threads, which stay until the object ends. When no thread can be
// started, each task runs on the consumer's thread when it is waited for.
class read_ahead {
public:
    read_ahead(std::size_t count, std::function<void(std::size_t)> task, std::size_t threads,
               std::size_t window);
    // Starts no further task and waits for the running ones.
    ~read_ahead();
    read_ahead(const read_ahead&) = delete;
    read_ahead& operator=(const read_ahead&) = delete;

    // Waits until task `index` has run, and gives what it threw (or nothing). Each task is waited
    // for once, in increasing order: what the tasks before `index` made is no longer needed, and
    // the tasks after it may start.
    std::exception_ptr wait(std::size_t index);

    // Runs again, from the start, every task after `index` that has run or is running (once those
    // running have ended): for a consumer that has just waited for the user after task `index`,
    // as what those tasks read may have changed meanwhile.
    void rerun_after(std::size_t index);

    // One thread per processor of this machine, at least one.
    static std::size_t machine_threads();

private:
    struct state;
    std::unique_ptr<state> shared;
};

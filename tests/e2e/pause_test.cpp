// rostrum reads the next events ahead of the one whose pages it writes. When an event's warning
// stops the run until Enter is pressed, the organiser may change a later event's files meanwhile:
// the run must publish what the files hold after Enter. This test answers the prompt itself: it
// replaces the next event's race replay while rostrum waits, then compares the pages with those of
// a run that had the new replay from the start. (The native program only: it drives the pipes.)
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>

#include "process.h"
#include "support/replay_writer.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

void write_text(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios_base::binary) << text;
}

std::string read_text(const fs::path& path) {
    std::ifstream in(path, std::ios_base::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A race at Blackwood with the drivers in the given finishing order.
void write_race(const fs::path& path, const std::string& start, const std::string& first,
                const std::string& second) {
    write_replay_file(path, parse_replay_description("track BL1\nstart " + start +
                                                     "\nlength 3\ngrid 2\n"
                                                     "driver " + first + " | " + first +
                                                     " | XRT | 3 | 3:05.000 | 1:01.000 | 1\n"
                                                     "driver " + second + " | " + second +
                                                     " | XRT | 3 | 3:06.000 | 1:01.500 | 2\n"));
}

// The championship: r1 pauses the run with a warning (a points change for nobody in it), r2 and
// r3 follow; `r2_winner` wins r2.
void make_championship(const fs::path& folder, const std::string& r2_winner,
                       const std::string& r2_second) {
    write_text(folder / "rostrum.conf", "points\n{\n    race 10,6\n}\n");
    for (const char* event : {"r1", "r2", "r3"}) {
        fs::create_directory(folder / event);
    }
    write_text(folder / "r1" / "rostrum.conf", "modify-points\n{\n    nobody \"-2 late\"\n}\n");
    write_race(folder / "r1" / "race.mpr", "2026-01-10 18:00:00", "Ann", "Bob");
    write_race(folder / "r2" / "race.mpr", "2026-01-17 18:00:00", r2_winner, r2_second);
    write_race(folder / "r3" / "race.mpr", "2026-01-24 18:00:00", "Ann", "Bob");
}

// Runs rostrum in `folder`; at its first prompt it calls `meanwhile`, then presses Enter (and
// Enter again at any later prompt). Gives what rostrum wrote to standard error.
template <class Meanwhile>
std::string run_answering(const fs::path& folder, Meanwhile meanwhile) {
    int input[2];
    int errors[2];
    if (pipe(input) != 0 || pipe(errors) != 0) {
        ADD_FAILURE() << "no pipes";
        return "";
    }
    const pid_t child = fork();
    if (child == 0) {
        dup2(input[0], STDIN_FILENO);
        dup2(errors[1], STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        close(input[1]);
        close(errors[0]);
        if (chdir(folder.c_str()) == 0) {
            const std::string program = programs().rostrum.front();
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        }
        _exit(127);
    }
    close(input[0]);
    close(errors[1]);
    std::string text;
    bool answered = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        pollfd wait_for{errors[0], POLLIN, 0};
        if (poll(&wait_for, 1, 1000) < 0 || std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "rostrum did not end; it wrote: " << text;
            kill(child, SIGKILL);
            break;
        }
        char buffer[4096];
        const ssize_t got = wait_for.revents != 0 ? read(errors[0], buffer, sizeof buffer) : 1;
        if (got <= 0) {
            break;
        }
        if (wait_for.revents == 0) {
            continue;
        }
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() >= 23 && text.compare(text.size() - 23, 23, "Press enter to continue") == 0) {
            if (!answered) {
                meanwhile();
                answered = true;
            }
            if (write(input[1], "\n", 1) != 1) {
                ADD_FAILURE() << "rostrum's input is closed";
            }
        }
    }
    close(input[1]);
    close(errors[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(answered) << text;
    return text;
}

TEST(pause, files_changed_during_a_pause_are_read_after_it) {
    if (programs().windows) {
        GTEST_SKIP() << "the pipes are driven for the native program only";
    }
    const temp_dir changed;
    make_championship(changed.path(), "Ann", "Bob");
    const std::string errors = run_answering(changed.path(), [&changed] {
        write_race(changed.path() / "r2" / "race.mpr", "2026-01-17 18:00:00", "Bob", "Ann");
    });
    EXPECT_NE(errors.find("modify-points: nobody is in no replay of this event"),
              std::string::npos)
        << errors;

    const temp_dir fresh;
    make_championship(fresh.path(), "Bob", "Ann");
    run_answering(fresh.path(), [] {});

    for (const char* page : {"r2/race.html", "series.html"}) {
        EXPECT_EQ(read_text(changed.path() / page), read_text(fresh.path() / page)) << page;
    }
}

}  // namespace

// rostrum run the way an organiser meets it: its three standard streams on a terminal, not on
// pipes. A Windows build runs under Wine, which then gives it a console and draws that console on
// the terminal with escape sequences. Every message must reach the screen, non-ASCII text
// included, and every prompt must be answerable with Enter.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "process.h"
#include "support/replay_writer.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// The text a terminal shows for what a program wrote to it: escape sequences dropped, except that
// a cursor move to the right (ESC [ n C, which Wine's console sends for blanks) becomes n blanks;
// carriage returns dropped.
std::string screen_text(const std::string& raw) {
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '\x1b' && i + 1 < raw.size() && raw[i + 1] == '[') {
            std::size_t end = i + 2;
            while (end < raw.size() && !(raw[end] >= 0x40 && raw[end] <= 0x7E)) {
                ++end;
            }
            if (end == raw.size()) {
                break;  // cut off at the end
            }
            if (raw[end] == 'C') {
                const std::string count = raw.substr(i + 2, end - i - 2);
                text.append(count.empty() ? 1 : std::stoul(count), ' ');
            }
            i = end;
        } else if (c == '\x1b' && i + 1 < raw.size() && raw[i + 1] == ']') {
            // An operating system command (the window title), up to BEL or ESC backslash.
            std::size_t end = raw.find_first_of("\a\x1b", i + 2);
            if (end == std::string::npos) {
                break;
            }
            i = raw[end] == '\x1b' ? end + 1 : end;
        } else if (c == '\x1b') {
            ++i;  // a two-character sequence
        } else if (c != '\r') {
            text += c;
        }
    }
    return text;
}

// Runs `command` in `folder` with a new pseudo-terminal as its controlling terminal and as its
// standard input, output and error. Whenever the screen shows one more prompt ("Press enter to
// continue", "Press enter to exit") than it was answered, Enter is typed. Gives the screen text of the whole run and sets `exit_code`.
std::string run_on_terminal(const std::vector<std::string>& command, const fs::path& folder,
                            int& exit_code) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        throw std::runtime_error("no pseudo-terminal");
    }
    const std::string slave_name = ptsname(master);
    std::vector<char*> argv;
    for (const std::string& word : command) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        throw std::runtime_error("fork failed");
    }
    if (child == 0) {
        setsid();
        const int slave = open(slave_name.c_str(), O_RDWR);
        if (slave < 0 || ioctl(slave, TIOCSCTTY, 0) != 0) {
            _exit(126);
        }
        winsize size{};
        size.ws_row = 50;
        size.ws_col = 200;  // wide enough that no message line wraps
        ioctl(slave, TIOCSWINSZ, &size);
        if (programs().windows) {
            // Enter reaches Wine's console as the carriage return that a terminal sends for it:
            // that console ends a line at a carriage return and takes a line feed for Ctrl+J. (A
            // Linux program reads the line feed that the terminal's default settings make of it.)
            termios mode{};
            tcgetattr(slave, &mode);
            mode.c_iflag &= ~static_cast<tcflag_t>(ICRNL);
            tcsetattr(slave, TCSANOW, &mode);
        }
        dup2(slave, STDIN_FILENO);
        dup2(slave, STDOUT_FILENO);
        dup2(slave, STDERR_FILENO);
        close(slave);
        close(master);
        // Without a UTF-8 locale Wine's console shows every non-ASCII character as "?".
        setenv("LANG", "C.UTF-8", 1);
        setenv("TERM", "xterm", 0);
        if (chdir(folder.c_str()) != 0) {
            _exit(126);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    std::string raw;
    std::size_t answered = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    bool ended = false;
    for (;;) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the program did not end; the screen shows:\n" << screen_text(raw);
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            ended = true;
            break;
        }
        pollfd wait_for{master, POLLIN, 0};
        const int ready = poll(&wait_for, 1, 200);
        if (ready > 0) {
            char buffer[4096];
            const ssize_t got = read(master, buffer, sizeof buffer);
            if (got <= 0) {
                break;  // every end of the terminal is closed
            }
            raw.append(buffer, static_cast<std::size_t>(got));
            const std::string screen = screen_text(raw);
            std::size_t prompts = 0;
            for (const char* prompt : {"Press enter to continue", "Press enter to exit"}) {
                for (auto at = screen.find(prompt); at != std::string::npos;
                     at = screen.find(prompt, at + 1)) {
                    ++prompts;
                }
            }
            for (; answered < prompts; ++answered) {
                if (write(master, "\r", 1) != 1) {
                    ADD_FAILURE() << "the terminal takes no input";
                }
            }
        } else if (!ended && waitpid(child, &status, WNOHANG) == child) {
            ended = true;  // read what is left until the terminal is closed or quiet
        } else if (ended) {
            break;
        }
    }
    if (!ended) {
        waitpid(child, &status, 0);
    }
    close(master);
    exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const std::string screen = screen_text(raw);
    // For the record of a test run: what the organiser would have seen.
    std::cout << "---- the terminal showed:\n" << screen << "\n----\n";
    return screen;
}

// The screen text without the blanks and line ends at its end.
std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

// The screen text up to the length of `expected`: after a prompt the terminal shows the echo of
// the Enter key, which differs between terminals ("^M" in Wine's console).
std::string start_of(const std::string& screen, const std::string& expected) {
    return screen.substr(0, expected.size());
}

std::vector<std::string> rostrum_with(std::initializer_list<std::string> arguments) {
    std::vector<std::string> command = programs().rostrum;
    command.insert(command.end(), arguments);
    return command;
}

TEST(terminal, version_reaches_the_screen) {
    const temp_dir folder;
    int exit_code = -1;
    const std::string screen = run_on_terminal(rostrum_with({"--version"}), folder.path(), exit_code);
    EXPECT_EQ(exit_code, 0);
    EXPECT_TRUE(std::regex_match(trimmed(screen), std::regex(R"(rostrum \d+\.\d+\.\d+( \(commit [0-9a-f]{7,}(-dirty)?\))?)")))
        << screen;
}

TEST(terminal, a_warning_and_its_prompt_reach_the_screen) {
    const temp_dir folder;
    const fs::path event = folder.path() / u8"Łódź 第1戦";
    write_file(event / "race.mpr",
               encode_replay(parse_replay_description(
                   "track BL1\nstart 2026-03-01 18:00:00\nlength 3\ngrid 2\n"
                   "driver J\xC3\xBCrgen | jurgen | XRT | 3 | 3:05.000 | 1:01.000 | 1\n")));
    write_file(event / "rostrum.conf", "modify-points\n{\n    Zo\xC3\xAB \"-2 late\"\n}\n");
    int exit_code = -1;
    const std::string screen = run_on_terminal(programs().rostrum, folder.path(), exit_code);
    EXPECT_EQ(exit_code, 0);
    const std::string name = "\xC5\x81\xC3\xB3" "d\xC5\xBA \xE7\xAC\xAC" "1\xE6\x88\xA6";
    const std::string separator = programs().windows ? "\\" : "/";
    const std::string expected = "entering event directory: " + name +
                                 "\n"
                                 "  event-specific options detected.\n"
                                 "  parsing MPR: race.mpr: race\n"
                                 "  warning: ." +
                                 separator + name + separator +
                                 "rostrum.conf(3): modify-points: Zo\xC3\xAB is in no replay of "
                                 "this event\n"
                                 "Press enter to continue";
    EXPECT_EQ(start_of(screen, expected), expected);
    EXPECT_TRUE(fs::exists(event / "race.html"));
    EXPECT_TRUE(fs::exists(folder.path() / "series.html"));
}

TEST(terminal, a_usage_error_reaches_the_screen) {
    const temp_dir folder;
    int exit_code = -1;
    const std::string screen =
        run_on_terminal(rostrum_with({u8"--f\u00fcr-alle"}), folder.path(), exit_code);
    EXPECT_EQ(exit_code, 2);
    const std::string usage_start =
        "rostrum: unknown option: --f\xC3\xBCr-alle\nUsage: rostrum [--strict] [FOLDER]\n";
    EXPECT_EQ(start_of(screen, usage_start), usage_start);
    EXPECT_NE(screen.find("Exit codes: 0 done, 1 fatal error, 2 usage error, 3 warnings under "
                          "--strict.\nPress enter to exit"),
              std::string::npos)
        << screen;
}

}  // namespace

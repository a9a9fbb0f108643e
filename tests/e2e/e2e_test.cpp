// Runs the real rostrum program in temporary championship folders and compares everything it
// prints and writes with the expectations of each case.
//
// A case is a folder under cases/ holding:
//   input/             the championship folder; every "NAME.mpr.txt" replay description becomes
//                      "NAME.mpr" (tests/support/replay_writer.h), every other file is copied
//   args               optional: the program's arguments, one per line
//   stdin              optional: the program's standard input (empty when absent)
//   times              optional: last-write times of prepared files or folders, one per line,
//                      "PATH AGE" (a line starting with '#' is a comment): PATH as in the prepared
//                      folder ("ev1/race.mpr" for "ev1/race.mpr.txt"), AGE in seconds before the
//                      moment the case is prepared, cut to a whole second, with a fraction where
//                      wanted; a negative AGE is in the future. The time a file arrived (its
//                      status-change or creation time) cannot be set: it is that moment, so a time
//                      that must count for more than the arrival lies in the future.
//   expected/stdout    what the program writes to standard output
//   expected/stdout.regex  instead of expected/stdout, where the output varies between builds
//                      (the version): an ECMAScript regular expression that the whole output
//                      must match, line ends as on Linux; kept as it is by an update
//   expected/stderr    what it writes to standard error
//   expected/exit_code its exit code
//   expected/files/    every file the run creates or changes, with its exact bytes
//   expected/windows/  optional: "stdout" or "stderr" as a Windows build writes it, byte for byte,
//                      where it differs from the Linux text by more than its line ends (paths in
//                      messages: ".\ev1\race.mpr")
// After the run the folder must hold exactly the input files and the expected files, each with
// its expected bytes (an input file not listed under expected/files/ must be unchanged). The files
// are the same on every platform; so is the console text, except as console_text (process.h) and
// expected/windows/ say.
//
// With ROSTRUM_E2E_UPDATE=1 in the environment the expectations are rewritten from the actual
// run instead (review the difference before committing it). A run of a Windows build rewrites
// only expected/windows/, and keeps a file there only where the Linux text does not give it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "process.h"
#include "support/replay_writer.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

const fs::path cases_dir = E2E_CASES_DIR;

std::vector<std::string> case_names() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(cases_dir)) {
        if (entry.is_directory()) {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Every regular file below `root`, by relative path, with its content.
std::map<std::string, std::string> files_below(const fs::path& root) {
    std::map<std::string, std::string> files;
    if (!fs::exists(root)) {
        return files;
    }
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), root).generic_string()] = read_file(entry.path());
        }
    }
    return files;
}

std::string read_optional(const fs::path& path) {
    return fs::exists(path) ? read_file(path) : std::string();
}

bool ends_with(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Copies the case's input into `run_dir`, writing replays from their descriptions; returns the
// files the folder then holds.
std::map<std::string, std::string> prepare(const fs::path& input, const fs::path& run_dir) {
    std::map<std::string, std::string> prepared;
    for (const auto& [name, content] : files_below(input)) {
        std::string target = name;
        std::string bytes = content;
        if (ends_with(name, ".mpr.txt")) {
            target = name.substr(0, name.size() - 4);
            bytes = encode_replay(parse_replay_description(content));
        }
        write_file(run_dir / target, bytes);
        prepared[target] = bytes;
    }
    // Empty event folders cannot be kept in git; a ".keep" file stands for them.
    for (auto it = prepared.begin(); it != prepared.end();) {
        if (fs::path(it->first).filename() == ".keep") {
            fs::remove(run_dir / it->first);
            it = prepared.erase(it);
        } else {
            ++it;
        }
    }
    return prepared;
}

// Sets the last-write times that the case's "times" file lists (see the top of this file).
void set_times(const fs::path& times_file, const fs::path& run_dir) {
    if (!fs::exists(times_file)) {
        return;
    }
    const fs::file_time_type prepared =
        std::chrono::floor<std::chrono::seconds>(fs::file_time_type::clock::now());
    std::istringstream lines(read_file(times_file));
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const auto space = line.rfind(' ');
        if (space == std::string::npos) {
            throw std::runtime_error("times: no age in: " + line);
        }
        const double age = std::stod(line.substr(space + 1));
        const std::chrono::nanoseconds before(std::llround(age * 1e9));
        fs::last_write_time(run_dir / fs::u8path(line.substr(0, space)), prepared - before);
    }
}

// What the program is expected to write to its standard output or error ("stdout", "stderr").
std::string expected_console(const fs::path& expected_dir, const std::string& stream) {
    const fs::path windows_text = expected_dir / "windows" / stream;
    if (programs().windows && fs::exists(windows_text)) {
        return read_file(windows_text);
    }
    return console_text(read_file(expected_dir / stream));
}

// A program's console text with CR LF line ends (a Windows build's) turned into LF.
std::string linux_line_ends(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            result += text[i];
        }
    }
    return result;
}

// Keeps expected/windows/`stream` only where the Linux expectation does not give `actual`.
void update_windows_console(const fs::path& expected_dir, const std::string& stream,
                            const std::string& actual) {
    const fs::path windows_text = expected_dir / "windows" / stream;
    fs::remove(windows_text);
    if (actual != console_text(read_file(expected_dir / stream))) {
        write_file(windows_text, actual);
    }
    if (fs::exists(expected_dir / "windows") && fs::is_empty(expected_dir / "windows")) {
        fs::remove(expected_dir / "windows");
    }
}

class e2e : public testing::TestWithParam<std::string> {};

TEST_P(e2e, run) {
    const fs::path case_dir = cases_dir / GetParam();
    const temp_dir run_dir;
    const auto inputs = prepare(case_dir / "input", run_dir.path());
    set_times(case_dir / "times", run_dir.path());
    std::vector<std::string> command = programs().rostrum;
    std::istringstream args(read_optional(case_dir / "args"));
    for (std::string arg; std::getline(args, arg);) {
        command.push_back(arg);
    }
    const process_result result =
        run_process(command, run_dir.path(), read_optional(case_dir / "stdin"));

    std::map<std::string, std::string> written;
    for (const auto& [name, content] : files_below(run_dir.path())) {
        const auto input = inputs.find(name);
        if (input == inputs.end() || input->second != content) {
            written[name] = content;
        }
    }

    const fs::path expected_dir = case_dir / "expected";
    const char* update = std::getenv("ROSTRUM_E2E_UPDATE");
    const bool updating = update != nullptr && std::string(update) == "1";
    if (updating && programs().windows) {
        // The files must be the ones of the Linux run: they are compared below, never rewritten.
        if (!fs::exists(expected_dir / "stdout.regex")) {
            update_windows_console(expected_dir, "stdout", result.out);
        }
        update_windows_console(expected_dir, "stderr", result.err);
    } else if (updating) {
        fs::remove_all(expected_dir / "files");  // expected/windows/ is a Windows run's to keep
        if (!fs::exists(expected_dir / "stdout.regex")) {
            write_file(expected_dir / "stdout", result.out);
        }
        write_file(expected_dir / "stderr", result.err);
        write_file(expected_dir / "exit_code", std::to_string(result.exit_code) + "\n");
        for (const auto& [name, content] : written) {
            write_file(expected_dir / "files" / name, content);
        }
        GTEST_SKIP() << "expectations rewritten";
    }

    if (fs::exists(expected_dir / "stdout.regex")) {
        const std::string pattern = read_file(expected_dir / "stdout.regex");
        EXPECT_TRUE(std::regex_match(linux_line_ends(result.out), std::regex(pattern)))
            << "standard output:\n" << result.out << "does not match:\n" << pattern;
    } else {
        EXPECT_EQ(result.out, expected_console(expected_dir, "stdout"));
    }
    EXPECT_EQ(result.err, expected_console(expected_dir, "stderr"));
    EXPECT_EQ(std::to_string(result.exit_code) + "\n", read_file(expected_dir / "exit_code"));
    const auto expected_files = files_below(expected_dir / "files");
    for (const auto& [name, content] : expected_files) {
        const auto actual = written.find(name);
        if (actual == written.end()) {
            ADD_FAILURE() << name << " was not written";
        } else {
            EXPECT_EQ(actual->second, content) << name;
        }
    }
    for (const auto& [name, content] : written) {
        EXPECT_TRUE(expected_files.count(name) != 0) << name << " was written unexpectedly";
    }
    // Inputs that were not expected to change must still be there.
    for (const auto& [name, content] : inputs) {
        EXPECT_TRUE(fs::exists(run_dir.path() / name)) << name << " disappeared";
    }
}

INSTANTIATE_TEST_SUITE_P(cases, e2e, testing::ValuesIn(case_names()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace

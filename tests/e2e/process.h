#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

struct process_result {
    int exit_code = -1;  // 128 + the signal number when a signal ended the process
    std::string out;     // everything written to standard output
    std::string err;     // everything written to standard error
};

// Runs `command` (the program, found on the PATH unless it names a path, and its arguments) in
// `working_directory` with `input` as its standard input and waits for it to end.
process_result run_process(const std::vector<std::string>& command,
                           const std::filesystem::path& working_directory,
                           const std::string& input = "");

// The programs under test and how they are started. By default the programs of this build. When
// the environment variable ROSTRUM_E2E_WINDOWS names the folder of a Windows build
// (cmake/mingw-w64.cmake), its rostrum.exe and console_test_driver.exe are run instead, each
// started through the command in ROSTRUM_E2E_LAUNCHER (words separated by spaces, for example
// "/usr/lib/wine/wine64").
struct programs_under_test {
    std::vector<std::string> rostrum;              // the command that starts rostrum
    std::vector<std::string> console_test_driver;  // the command that starts the console driver
    bool windows = false;                          // whether they are Windows programs
};

const programs_under_test& programs();

// The console text a program under test writes where a Linux program writes `linux_text`: the
// same, except that a Windows program's C runtime ends every line with CR LF in its UTF-8 text
// mode.
std::string console_text(std::string_view linux_text);

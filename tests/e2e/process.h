#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct process_result {
    int exit_code = -1;  // 128 + the signal number when a signal ended the process
    std::string out;     // everything written to standard output
    std::string err;     // everything written to standard error
};

// Runs `command` (the program and its arguments) in `working_directory` with `input` as its
// standard input and waits for it to end.
process_result run_process(const std::vector<std::string>& command,
                           const std::filesystem::path& working_directory,
                           const std::string& input = "");

#include "process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "support/temp_dir.h"

process_result run_process(const std::vector<std::string>& command,
                           const std::filesystem::path& working_directory,
                           const std::string& input) {
    const temp_dir streams;
    const auto in_path = streams.path() / "in";
    const auto out_path = streams.path() / "out";
    const auto err_path = streams.path() / "err";
    write_file(in_path, input);

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
        const auto redirect = [](const std::filesystem::path& path, int flags, int fd) {
            const int opened = open(path.c_str(), flags, 0644);
            if (opened < 0 || dup2(opened, fd) < 0) {
                _exit(126);
            }
            close(opened);
        };
        redirect(in_path, O_RDONLY, STDIN_FILENO);
        redirect(out_path, O_WRONLY | O_CREAT | O_TRUNC, STDOUT_FILENO);
        redirect(err_path, O_WRONLY | O_CREAT | O_TRUNC, STDERR_FILENO);
        if (chdir(working_directory.c_str()) != 0) {
            _exit(126);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) {
        throw std::runtime_error("waitpid failed");
    }
    process_result result;
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = read_file(out_path);
    result.err = read_file(err_path);
    return result;
}

namespace {

programs_under_test find_programs() {
    programs_under_test found;
    const char* windows_build = std::getenv("ROSTRUM_E2E_WINDOWS");
    if (windows_build == nullptr || *windows_build == '\0') {
        found.rostrum = {ROSTRUM_PROGRAM};
        found.console_test_driver = {CONSOLE_TEST_DRIVER};
        return found;
    }
    found.windows = true;
    std::vector<std::string> launcher;
    if (const char* words = std::getenv("ROSTRUM_E2E_LAUNCHER")) {
        std::istringstream in(words);
        for (std::string word; in >> word;) {
            launcher.push_back(word);
        }
    }
    const std::filesystem::path folder = std::filesystem::absolute(windows_build);
    found.rostrum = launcher;
    found.rostrum.push_back((folder / "rostrum.exe").string());
    found.console_test_driver = launcher;
    found.console_test_driver.push_back((folder / "console_test_driver.exe").string());
    return found;
}

}  // namespace

const programs_under_test& programs() {
    static const programs_under_test found = find_programs();
    return found;
}

std::string console_text(std::string_view linux_text) {
    if (!programs().windows) {
        return std::string(linux_text);
    }
    std::string text;
    text.reserve(linux_text.size() + linux_text.size() / 16);
    for (const char c : linux_text) {
        if (c == '\n') {
            text += '\r';
        }
        text += c;
    }
    return text;
}

#include "process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

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
        execv(argv[0], argv.data());
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

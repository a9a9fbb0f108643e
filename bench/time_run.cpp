// time_run [-o FILE] PROGRAM [ARGUMENT...]: runs PROGRAM once, with its standard input from
// /dev/null (a program that waits for Enter goes on at once) and its standard output and error
// into FILE (default /dev/null), and prints one line: the wall time in microseconds from start to
// exit, the program's peak memory (maximum resident set size) in KiB, and its processor time (user
// and system) in microseconds. Exits with the program's
// exit code (128 + the signal when a signal ended it), or 125 when it could not be run. POSIX only:
// the benchmark (bench/run.sh) runs on Linux.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace {

constexpr int cannot_run = 125;

double seconds_now() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// In the child: the standard streams as promised, then the program. Never returns.
[[noreturn]] void run_child(const char* output, char** program) {
    const int input = open("/dev/null", O_RDONLY);
    const int out = open(output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (input < 0 || out < 0 || dup2(input, 0) < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0) {
        std::fprintf(stderr, "time_run: unable to open /dev/null or %s: %s\n", output,
                     std::strerror(errno));
        _exit(cannot_run);
    }
    close(input);
    close(out);
    execvp(program[0], program);
    const int error = errno;
    // Standard error is FILE by now: the message goes there.
    std::fprintf(stderr, "time_run: unable to run %s: %s\n", program[0], std::strerror(error));
    _exit(cannot_run);
}

}  // namespace

int main(int argc, char** argv) {
    const char* output = "/dev/null";
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "-o") == 0) {
        output = argv[2];
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: time_run [-o FILE] PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    std::fflush(stdout);
    const double start = seconds_now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("time_run: fork");
        return cannot_run;
    }
    if (child == 0) {
        run_child(output, argv + first);
    }
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::perror("time_run: wait4");
            return cannot_run;
        }
    }
    const double wall = seconds_now() - start;
    const auto microseconds = [](const timeval& t) {
        return static_cast<long long>(t.tv_sec) * 1'000'000 + t.tv_usec;
    };
    std::printf("%.0f %ld %lld\n", wall * 1e6, usage.ru_maxrss,
                microseconds(usage.ru_utime) + microseconds(usage.ru_stime));
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return WEXITSTATUS(status);
}

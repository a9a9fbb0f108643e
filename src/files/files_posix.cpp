#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "files/files_platform.h"

namespace files_platform {

namespace fs = std::filesystem;

namespace {

// The times a status holds: last write and status change.
file_times times_in(const struct stat& status) {
    return {file_time_from_unix(status.st_mtim.tv_sec, status.st_mtim.tv_nsec),
            file_time_from_unix(status.st_ctim.tv_sec, status.st_ctim.tv_nsec)};
}

}  // namespace

bool times_of(const fs::path& path, file_times& times, std::error_code& error) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        error = std::error_code(errno, std::generic_category());
        return false;
    }
    times = times_in(status);
    return true;
}

file_head::outcome read_head(const fs::path& path, char* buffer, std::size_t limit,
                             std::size_t& size, file_times& times) {
    size = 0;
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return file_head::outcome::unreadable;
    }
    if (S_ISDIR(status.st_mode)) {
        return file_head::outcome::directory;
    }
    if (!S_ISREG(status.st_mode)) {
        return file_head::outcome::not_regular;
    }
    times = times_in(status);
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return file_head::outcome::unreadable;
    }
    // As much as the file held when looked at: one read, without a second one to find its end.
    const std::size_t wanted =
        std::min(limit, static_cast<std::size_t>(std::max<off_t>(status.st_size, 0)));
    bool failed = false;
    while (size < wanted) {
        const ssize_t got = ::read(file, buffer + size, wanted - size);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            failed = got < 0;
            break;
        }
        size += static_cast<std::size_t>(got);
    }
    ::close(file);
    return failed ? file_head::outcome::unreadable : file_head::outcome::read;
}

bool replace(const fs::path& from, const fs::path& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

std::uint64_t process_id() { return static_cast<std::uint64_t>(::getpid()); }

bool set_modification_time(const fs::path& path, fs::file_time_type time) {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
    unix_from_file_time(time, seconds, nanoseconds);
    struct timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;  // the last access stays
    times[1].tv_sec = static_cast<time_t>(seconds);
    times[1].tv_nsec = static_cast<long>(nanoseconds);
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

}  // namespace files_platform

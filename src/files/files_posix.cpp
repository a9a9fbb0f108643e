#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "files/files_platform.h"

namespace files_platform {

namespace fs = std::filesystem;

bool times_of(const fs::path& path, file_times& times, std::error_code& error) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        error = std::error_code(errno, std::generic_category());
        return false;
    }
    times = {file_time_from_unix(status.st_mtim.tv_sec, status.st_mtim.tv_nsec),
             file_time_from_unix(status.st_ctim.tv_sec, status.st_ctim.tv_nsec)};
    return true;
}

bool replace(const fs::path& from, const fs::path& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

std::uint64_t process_id() { return static_cast<std::uint64_t>(::getpid()); }

}  // namespace files_platform

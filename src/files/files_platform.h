#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "files/files.h"

// What the files module needs from the operating system. files_posix.cpp and files_win32.cpp
// implement it; nothing else in the program knows the platform's file calls.
namespace files_platform {

struct file_times {
    std::filesystem::file_time_type modified;  // last write
    std::filesystem::file_time_type arrived;   // status change (Linux), creation (Windows)
};

// Both times of a file, following symbolic links. False, with `error` set, when they cannot be
// read (std::errc::no_such_file_or_directory when there is no file).
bool times_of(const std::filesystem::path& path, file_times& times, std::error_code& error);

// Looks at the file `path` once, following symbolic links: when it is a regular file, reads its
// first bytes, at most `limit`, into `buffer` (`size` tells how many) and gives its times. Any
// other kind of file is never opened. `unreadable` when there is no such file or it cannot be
// opened or read.
file_head::outcome read_head(const std::filesystem::path& path, char* buffer, std::size_t limit,
                             std::size_t& size, file_times& times);

// Renames `from` to `to`, replacing a file `to`; false on failure (a directory in the way, a
// file locked by another program). `from` is left where it was then.
bool replace(const std::filesystem::path& from, const std::filesystem::path& to);

// The id of this process.
std::uint64_t process_id();

// Sets the last-write time of `path`, following symbolic links; false on failure.
bool set_modification_time(const std::filesystem::path& path, std::filesystem::file_time_type time);

// A time given as seconds and nanoseconds since 1970-01-01 00:00 UTC on the file clock; a time
// the file clock cannot hold becomes its earliest or latest time. (files.cpp; both platforms.)
std::filesystem::file_time_type file_time_from_unix(std::int64_t seconds,
                                                    std::int64_t nanoseconds);

// The inverse: a time of the file clock as seconds since 1970 and nanoseconds (0 to 999999999).
void unix_from_file_time(std::filesystem::file_time_type time, std::int64_t& seconds,
                         std::int64_t& nanoseconds);

}  // namespace files_platform

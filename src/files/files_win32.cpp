#include <windows.h>

#include <cstdint>
#include <fstream>
#include <system_error>

#include "files/files_platform.h"

namespace files_platform {

namespace fs = std::filesystem;

namespace {

// A FILETIME counts 100 ns steps since 1601-01-01 00:00 UTC.
fs::file_time_type file_time_of(const FILETIME& time) {
    constexpr std::int64_t steps_1601_to_1970 = 116444736000000000;
    const auto steps = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    const std::int64_t since_1970 = steps - steps_1601_to_1970;
    return file_time_from_unix(since_1970 / 10000000, since_1970 % 10000000 * 100);
}

}  // namespace

bool times_of(const fs::path& path, file_times& times, std::error_code& error) {
    // Opened for its attributes only, which no other program's sharing mode forbids. The backup
    // flag lets a directory be opened too; symbolic links are followed.
    const HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    FILETIME created{};
    FILETIME written{};
    const bool read = file != INVALID_HANDLE_VALUE &&
                      GetFileTime(file, &created, nullptr, &written) != 0;
    const DWORD last_error = GetLastError();
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    if (!read) {
        const bool missing = last_error == ERROR_FILE_NOT_FOUND || last_error == ERROR_PATH_NOT_FOUND;
        error = missing ? std::make_error_code(std::errc::no_such_file_or_directory)
                        : std::error_code(static_cast<int>(last_error), std::system_category());
        return false;
    }
    times = {file_time_of(written), file_time_of(created)};
    return true;
}

file_head::outcome read_head(const fs::path& path, char* buffer, std::size_t limit,
                             std::size_t& size, file_times& times) {
    size = 0;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (fs::is_directory(status)) {
        return file_head::outcome::directory;
    }
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        return file_head::outcome::not_regular;
    }
    std::ifstream file;
    file.rdbuf()->pubsetbuf(nullptr, 0);  // straight into `buffer`
    file.open(path, std::ios_base::in | std::ios_base::binary);
    if (!file) {
        return file_head::outcome::unreadable;
    }
    file.read(buffer, static_cast<std::streamsize>(limit));
    size = static_cast<std::size_t>(file.gcount());
    if (file.bad() || !times_of(path, times, error)) {
        return file_head::outcome::unreadable;
    }
    return file_head::outcome::read;
}

bool replace(const fs::path& from, const fs::path& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

std::uint64_t process_id() { return GetCurrentProcessId(); }

bool set_modification_time(const fs::path& path, fs::file_time_type time) {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
    unix_from_file_time(time, seconds, nanoseconds);
    constexpr std::int64_t steps_1601_to_1970 = 116444736000000000;
    const std::int64_t steps = seconds * 10000000 + nanoseconds / 100 + steps_1601_to_1970;
    if (steps < 0) {
        return false;
    }
    FILETIME written{};
    written.dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(steps) & 0xFFFFFFFF);
    written.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(steps) >> 32);
    const HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool set = SetFileTime(file, nullptr, nullptr, &written) != 0;
    CloseHandle(file);
    return set;
}

}  // namespace files_platform

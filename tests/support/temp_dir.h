#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// A new empty directory under the system's temporary directory, removed with its contents when
// the object is destroyed.
class temp_dir {
public:
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;

    const std::filesystem::path& path() const { return dir; }

private:
    std::filesystem::path dir;
};

// Writes `bytes` to a file, creating its parent directories. Throws on failure.
void write_file(const std::filesystem::path& path, std::string_view bytes);

// The whole content of a file. Throws when it cannot be read.
std::string read_file(const std::filesystem::path& path);

// The file clock's current time in whole seconds. Windows keeps file times in steps of 100 ns, so
// a finer time given to last_write_time would not read back equal there.
std::filesystem::file_time_type file_time_now();

// Whether the file system tells when a file arrived (its status-change time on Linux, its creation
// time on Windows) apart from its last-write time. Always on Linux. Wine gives a file's
// last-write time as its creation time, so a test of a file copied in with an old last-write
// time cannot run there.
bool file_arrival_time_known();

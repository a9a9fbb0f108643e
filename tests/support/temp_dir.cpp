#include "support/temp_dir.h"

#include <chrono>
#include <fstream>
#include <iomanip>
#include <random>
#include <sstream>
#include <stdexcept>

#include "files/files.h"

temp_dir::temp_dir() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Names of one length: a fuzzing harness with a fixed seed runs the same way each time.
        std::ostringstream name;
        name << "rostrum-test-" << std::hex << std::setfill('0') << std::setw(16) << random();
        auto candidate = base / name.str();
        if (std::filesystem::create_directory(candidate)) {
            dir = std::move(candidate);
            return;
        }
    }
    throw std::runtime_error("unable to create a temporary directory in " + base.string());
}

temp_dir::~temp_dir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

void write_file(const std::filesystem::path& path, std::string_view bytes) {
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path());
    }
    std::ofstream file(path, std::ios_base::out | std::ios_base::trunc | std::ios_base::binary);
    if (!file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) || !file.flush()) {
        throw std::runtime_error("unable to write " + path.string());
    }
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios_base::in | std::ios_base::binary);
    if (!file) {
        throw std::runtime_error("unable to read " + path.string());
    }
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

std::filesystem::file_time_type file_time_now() {
    return std::chrono::floor<std::chrono::seconds>(std::filesystem::file_time_type::clock::now());
}

bool file_arrival_time_known() {
    if (std::filesystem::path::preferred_separator == '/') {
        return true;
    }
    const temp_dir dir;
    const std::filesystem::path file = dir.path() / "arrived";
    write_file(file, "");
    const auto long_ago = file_time_now() - std::chrono::hours(24 * 365);
    std::filesystem::last_write_time(file, long_ago);
    return input_time(file) > long_ago;
}

working_directory::working_directory(const std::filesystem::path& directory)
    : saved(std::filesystem::current_path()) {
    std::filesystem::current_path(directory);
}

working_directory::~working_directory() { std::filesystem::current_path(saved); }

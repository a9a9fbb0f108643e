// The console on Linux and other POSIX systems: the terminal takes UTF-8 bytes directly, so the
// UTF-16 units of the console module are turned back into UTF-8 and written through the C
// runtime's standard streams.
#include <cstdio>
#include <iostream>

#include "console/console_platform.h"

namespace console_platform {
namespace {

std::FILE* file_of(target to) { return to == target::standard_output ? stdout : stderr; }

void put_code_point(std::FILE* file, char32_t c) {
    char bytes[4];
    std::size_t length = 0;
    if (c < 0x80) {
        bytes[length++] = static_cast<char>(c);
    } else if (c < 0x800) {
        bytes[length++] = static_cast<char>(0xC0 | (c >> 6));
        bytes[length++] = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        bytes[length++] = static_cast<char>(0xE0 | (c >> 12));
        bytes[length++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        bytes[length++] = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        bytes[length++] = static_cast<char>(0xF0 | (c >> 18));
        bytes[length++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        bytes[length++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        bytes[length++] = static_cast<char>(0x80 | (c & 0x3F));
    }
    std::fwrite(bytes, 1, length, file);
}

}  // namespace

void set_up() { std::ios_base::sync_with_stdio(false); }

void put_units(target to, const char16_t* units, std::size_t count) {
    std::FILE* file = file_of(to);
    if (to == target::standard_error) {
        // Keep the order in which the two streams were written when both show on one terminal.
        std::fflush(stdout);
    }
    if (count == 2) {
        put_code_point(file, 0x10000 + ((char32_t{units[0]} - 0xD800) << 10) +
                                 (char32_t{units[1]} - 0xDC00));
    } else if (units[0] >= 0xD800 && units[0] <= 0xDFFF) {
        put_code_point(file, 0xFFFD);  // a lone surrogate has no UTF-8 form
    } else {
        put_code_point(file, units[0]);
    }
}

int flush(target to) { return std::fflush(file_of(to)) == 0 ? 0 : -1; }

bool read_input_char(char32_t& c) {
    const auto got = std::cin.get();
    if (!std::cin) {
        return false;
    }
    c = static_cast<unsigned char>(got);
    return true;
}

std::vector<std::filesystem::path> arguments(int argc, char** argv) {
    return std::vector<std::filesystem::path>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::string path_to_utf8(const std::filesystem::path& path) { return path.string(); }

}  // namespace console_platform

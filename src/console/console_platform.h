#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

// What the console module needs from the operating system. console_posix.cpp and
// console_win32.cpp implement it; nothing else in the program knows the platform's console.
namespace console_platform {

enum class target { standard_output, standard_error };

// Prepares the standard streams for UTF-8 text and unsynchronises the C++ streams.
void set_up();

// Writes UTF-16 units to a standard stream: one unit, or a surrogate pair as one write. The
// platform may hold them until a line end, a flush or the end of the program, but text written to
// the two streams in turn reaches them in that order.
void put_units(target to, const char16_t* units, std::size_t count);

// Flushes a standard stream; returns 0 on success, -1 on failure.
int flush(target to);

// Reads one character of standard input; false at its end or on an input error.
bool read_input_char(char32_t& c);

// The program's arguments after its name, as paths (main's `argc` and `argv` where they are the
// platform's own text).
std::vector<std::filesystem::path> arguments(int argc, char** argv);

// A path's native text as UTF-8.
std::string path_to_utf8(const std::filesystem::path& path);

}  // namespace console_platform

// The console on Windows. Each standard stream is written in the way its handle takes text: a
// console (GetConsoleMode succeeds on the handle) gets UTF-16 with WriteConsoleW, whatever code
// page and C runtime text mode are in force; a pipe or a file gets UTF-8 bytes with WriteFile, each
// line ended with CR LF as Windows programs end them. Standard input is read likewise: whole lines
// of UTF-16 with ReadConsoleW from a console, bytes from anything else.
#include <windows.h>
// <shellapi.h> needs the declarations of <windows.h> first.
#include <shellapi.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>

#include "console/console.h"
#include "console/console_platform.h"

namespace console_platform {
namespace {

// The text of one standard stream not yet handed to the system. A console gets it at every line
// end; a pipe or a file when the buffer is full. Both get it at a flush, before the other stream
// is written (so that text written to both in turn keeps its order on a screen or in a file that
// both reach) and when the program ends.
struct output_stream {
    DWORD which;             // STD_OUTPUT_HANDLE or STD_ERROR_HANDLE
    bool looked_up = false;  // handle and console are known
    HANDLE handle = nullptr;
    bool console = false;
    std::size_t count = 0;     // units held in `units`
    char16_t units[4096] = {};
};

// Plain data, so that they exist before any constructor runs and after every destructor.
output_stream standard_streams[2] = {{STD_OUTPUT_HANDLE}, {STD_ERROR_HANDLE}};

output_stream& stream_of(target to) {
    output_stream& stream = standard_streams[to == target::standard_output ? 0 : 1];
    if (!stream.looked_up) {
        stream.handle = GetStdHandle(stream.which);
        DWORD mode = 0;
        stream.console = stream.handle != nullptr && stream.handle != INVALID_HANDLE_VALUE &&
                         GetConsoleMode(stream.handle, &mode) != 0;
        stream.looked_up = true;
    }
    return stream;
}

bool write_bytes(HANDLE handle, const char* bytes, std::size_t size) {
    while (size > 0) {
        DWORD written = 0;
        const DWORD chunk = size > 0x10000 ? 0x10000 : static_cast<DWORD>(size);
        if (WriteFile(handle, bytes, chunk, &written, nullptr) == 0 || written == 0) {
            return false;
        }
        bytes += written;
        size -= written;
    }
    return true;
}

// Hands the held text to the system; false when it refused it (the text is dropped all the same).
bool send(output_stream& stream) {
    if (stream.count == 0) {
        return true;
    }
    const std::u16string_view text(stream.units, stream.count);
    stream.count = 0;
    if (stream.handle == nullptr || stream.handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    if (stream.console) {
        static_assert(sizeof(wchar_t) == sizeof(char16_t));
        const auto* units = reinterpret_cast<const wchar_t*>(text.data());
        std::size_t left = text.size();
        while (left > 0) {
            DWORD written = 0;
            if (WriteConsoleW(stream.handle, units, static_cast<DWORD>(left), &written,
                              nullptr) == 0 ||
                written == 0) {
                return false;
            }
            units += written;
            left -= written;
        }
        return true;
    }
    const std::string utf8 = wide_to_utf8(text);
    std::string bytes;
    bytes.reserve(utf8.size() + utf8.size() / 32 + 2);
    for (const char c : utf8) {
        if (c == '\n') {
            bytes += '\r';
        }
        bytes += c;
    }
    return write_bytes(stream.handle, bytes.data(), bytes.size());
}

void send_both() {
    send(standard_streams[0]);
    send(standard_streams[1]);
}

// Standard input: a console's line is read whole into `line` and taken from there unit by unit.
struct input_stream {
    bool looked_up = false;
    HANDLE handle = nullptr;
    bool console = false;
    DWORD count = 0;  // units in `line`
    DWORD next = 0;   // the next unit to take
    wchar_t line[256] = {};
};

input_stream standard_input;

}  // namespace

void set_up() {
    SetConsoleOutputCP(65001);
    std::ios_base::sync_with_stdio(false);
    std::atexit(send_both);
}

void put_units(target to, const char16_t* units, std::size_t count) {
    output_stream& stream = stream_of(to);
    output_stream& other = stream_of(to == target::standard_output ? target::standard_error
                                                                   : target::standard_output);
    send(other);
    if (stream.count + count > std::size(stream.units)) {
        send(stream);
    }
    for (std::size_t i = 0; i < count; ++i) {
        stream.units[stream.count++] = units[i];
    }
    if (stream.console && units[count - 1] == u'\n') {
        send(stream);
    }
}

int flush(target to) { return send(stream_of(to)) ? 0 : -1; }

bool read_input_char(char32_t& c) {
    input_stream& in = standard_input;
    if (!in.looked_up) {
        in.handle = GetStdHandle(STD_INPUT_HANDLE);
        DWORD mode = 0;
        in.console = in.handle != nullptr && in.handle != INVALID_HANDLE_VALUE &&
                     GetConsoleMode(in.handle, &mode) != 0;
        in.looked_up = true;
    }
    if (in.handle == nullptr || in.handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    if (!in.console) {
        unsigned char byte = 0;
        DWORD got = 0;
        if (ReadFile(in.handle, &byte, 1, &got, nullptr) == 0 || got == 0) {
            return false;
        }
        c = byte;
        return true;
    }
    if (in.next == in.count) {
        in.next = 0;
        in.count = 0;
        if (ReadConsoleW(in.handle, in.line, static_cast<DWORD>(std::size(in.line)), &in.count,
                         nullptr) == 0) {
            in.count = 0;
        }
        if (in.count == 0) {
            return false;
        }
    }
    const wchar_t unit = in.line[in.next++];
    if (unit == L'\x1A') {  // Ctrl+Z, the console's end of input
        return false;
    }
    c = static_cast<char32_t>(unit);
    return true;
}

// main's `argv` holds the arguments converted to the ANSI code page, which loses every character
// outside it ("Łódź" under code page 1252), so the wide command line is split instead, as the C
// runtime splits it.
std::vector<std::filesystem::path> arguments(int, char**) {
    struct local_free {
        void operator()(wchar_t** words) const { LocalFree(words); }
    };
    int count = 0;
    const std::unique_ptr<wchar_t*, local_free> words(
        CommandLineToArgvW(GetCommandLineW(), &count));
    if (!words) {
        throw std::runtime_error("unable to read the command line");
    }
    std::vector<std::filesystem::path> result;
    for (int i = 1; i < count; ++i) {
        result.emplace_back(std::wstring(words.get()[i]));
    }
    return result;
}

std::string path_to_utf8(const std::filesystem::path& path) {
    return wide_to_utf8(path.native());
}

}  // namespace console_platform

// wchar_t is a UTF-16 unit on Windows.
std::string wide_to_utf8(const std::wstring& text) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    return wide_to_utf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

// The console on Windows: standard output and standard error are put into the C runtime's UTF-8
// text mode, which takes UTF-16 units and writes them as UTF-8; the console code page is UTF-8.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <iostream>

#include "console/console.h"
#include "console/console_platform.h"

namespace console_platform {
namespace {

std::FILE* file_of(target to) { return to == target::standard_output ? stdout : stderr; }

}  // namespace

void set_up() {
    _setmode(_fileno(stdout), _O_U8TEXT);
    _setmode(_fileno(stderr), _O_U8TEXT);
    SetConsoleOutputCP(65001);
    std::ios_base::sync_with_stdio(false);
}

void put_units(target to, const char16_t* units, std::size_t count) {
    std::FILE* file = file_of(to);
    if (to == target::standard_error) {
        std::fflush(stdout);
    }
    // The wide C++ streams of MinGW's libstdc++ convert through the "C" locale once unsynchronised
    // and lose non-ASCII text, so the units go to the C runtime directly. A surrogate pair is
    // written as one string so that the runtime converts both halves together, even on the
    // unbuffered standard error; a single unit goes alone, so that a zero unit is written too.
    if (count == 2) {
        const wchar_t pair[3] = {static_cast<wchar_t>(units[0]), static_cast<wchar_t>(units[1]),
                                 L'\0'};
        std::fputws(pair, file);
    } else {
        std::fputwc(static_cast<wchar_t>(units[0]), file);
    }
}

int flush(target to) { return std::fflush(file_of(to)) == 0 ? 0 : -1; }

bool read_input_char(char32_t& c) {
    const wint_t got = std::fgetwc(stdin);
    if (got == WEOF) {
        return false;
    }
    c = static_cast<char32_t>(got);
    return true;
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

// The console on Windows: standard output and standard error are put into the C runtime's UTF-8
// text mode, which takes UTF-16 units and writes them as UTF-8; the console code page is UTF-8.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// <shellapi.h> needs the declarations of <windows.h> first.
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <iostream>
#include <memory>
#include <stdexcept>

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

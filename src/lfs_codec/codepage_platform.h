#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

// What the code pages need from the operating system: one character of a Windows code page to one
// UTF-16 unit. codepage_posix.cpp (glibc iconv) and codepage_win32.cpp (MultiByteToWideChar)
// implement it; nothing else in the program knows how the platform converts text.
namespace lfs_codec::codepage_platform {

class converter {
public:
    // Prepares the conversion of Windows code page `code_page` (932, 936, 949, 950, 1250, 1251,
    // 1253, 1254 or 1257). Throws std::runtime_error
    // "code page <number>: no conversion available: <reason>" when the platform lacks it.
    explicit converter(unsigned code_page);
    ~converter();
    converter(const converter&) = delete;
    converter& operator=(const converter&) = delete;

    // The UTF-16 unit of the character whose bytes (one or two) are `character`; no value when
    // the platform rejects the bytes or they are not exactly one character of one unit. Never
    // allocates; safe to call from several threads at once.
    std::optional<std::uint16_t> convert(std::string_view character) const;

private:
    struct state;
    std::unique_ptr<state> state_;
};

}  // namespace lfs_codec::codepage_platform

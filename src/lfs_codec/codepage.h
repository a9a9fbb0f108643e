#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The code pages a simulator text may switch between. One object of each class exists, created
// on first use and living until the program ends.
namespace lfs_codec::codepage {

class base {
public:
    // Removes the bytes of one character (one or two) from the front of `text` and returns the
    // character as one UTF-16 unit. Throws std::runtime_error "<class>::next: empty string" when
    // `text` is empty; any other damaged character gives U+FFFD.
    virtual std::uint16_t next(std::string_view& text) const = 0;
    virtual ~base();
};

// Windows code page 1252, by the program's own table (no platform conversion).
class latin1 final : public base {
public:
    static const latin1& instance();

    std::uint16_t next(std::string_view& text) const override;

    // UTF-8 text to code page 1252 bytes, one code point at a time by encode_next. Throws
    // std::range_error "bad conversion" for invalid UTF-8.
    static std::string encode(std::string_view utf8);
    // One code point to its code page 1252 byte. Throws std::runtime_error
    // "latin1::encode_next: unable to encode code point" when the code page lacks it.
    static char encode_next(char32_t code_point);
};

// The code page of a selector letter ("L", "G", "C", "J", "E", "T", "B", "H", "S", "K"; upper
// case only), or nullptr.
const base* select(char letter);

}  // namespace lfs_codec::codepage

#include "lfs_codec/codepage.h"

#include <optional>
#include <stdexcept>

#include "lfs_codec/codepage_platform.h"
#include "lfs_codec/lfs_codec.h"

namespace lfs_codec::codepage {
namespace {

// Code page 1252 at 0x80 to 0x9F; the five bytes it leaves unassigned map to the code points of
// the same number.
constexpr std::uint16_t latin1_high_row[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

constexpr std::uint16_t euro_sign = 0x20AC;
constexpr std::uint16_t replacement_character = 0xFFFD;

// The first byte of `text`; throws `empty_message` when there is none.
unsigned char first_byte(std::string_view text, const char* empty_message) {
    if (text.empty()) {
        throw std::runtime_error(empty_message);
    }
    return static_cast<unsigned char>(text.front());
}

// Removes the first byte of `text` and returns `unit`, the character it stands for.
std::uint16_t take_byte(std::string_view& text, std::uint16_t unit) {
    text.remove_prefix(1);
    return unit;
}

// A single byte that Windows' own table maps but a platform conversion may reject: glibc lacks
// the bytes 0x80 to 0x9F that the single-byte pages leave unassigned (Windows gives the C1
// control of the same number) and the bytes Windows gives Private Use characters, and
// MultiByteToWideChar with MB_ERR_INVALID_CHARS rejects the Private Use ones. With this rule every
// single byte gives the same unit on both platforms. Any other rejected byte gives U+FFFD.
struct private_use_byte {
    unsigned code_page;
    unsigned char byte;
    std::uint16_t unit;
};

constexpr private_use_byte private_use_bytes[] = {
    {932, 0xA0, 0xF8F0},  {1253, 0xAA, 0xF8F9}, {1253, 0xD2, 0xF8FA},
    {1253, 0xFF, 0xF8FB}, {1257, 0xA1, 0xF8FC}, {1257, 0xA5, 0xF8FD},
};

std::uint16_t rejected_single_byte(unsigned code_page, unsigned char b) {
    for (const private_use_byte& entry : private_use_bytes) {
        if (entry.code_page == code_page && entry.byte == b) {
            return entry.unit;
        }
    }
    // Only the single-byte pages convert a byte of this range alone.
    return b >= 0x80 && b <= 0x9F ? b : replacement_character;
}

}  // namespace

base::~base() = default;

const latin1& latin1::instance() {
    static const latin1 page;
    return page;
}

std::uint16_t latin1::next(std::string_view& text) const {
    const unsigned char b = first_byte(text, "latin1::next: empty string");
    return take_byte(text, b >= 0x80 && b <= 0x9F ? latin1_high_row[b - 0x80] : b);
}

std::string latin1::encode(std::string_view utf8) {
    std::string encoded;
    encoded.reserve(utf8.size());
    while (!utf8.empty()) {
        encoded += encode_next(next_code_point(utf8));
    }
    return encoded;
}

char latin1::encode_next(char32_t code_point) {
    if (code_point < 0x100 && (code_point < 0x80 || code_point > 0x9F)) {
        return static_cast<char>(code_point);
    }
    for (std::size_t i = 0; i < std::size(latin1_high_row); ++i) {
        // The unassigned bytes map to themselves when decoding but are not encoded back.
        if (latin1_high_row[i] == code_point && code_point > 0x9F) {
            return static_cast<char>(0x80 + i);
        }
    }
    throw std::runtime_error("latin1::encode_next: unable to encode code point");
}

converted::converted(unsigned code_page)
    : code_page_(code_page),
      converter_(std::make_unique<const codepage_platform::converter>(code_page)) {}

converted::~converted() = default;

std::uint16_t converted::convert_single(std::string_view& text) const {
    const auto b = static_cast<unsigned char>(text.front());
    const std::optional<std::uint16_t> unit = converter_->convert(text.substr(0, 1));
    text.remove_prefix(1);
    if (unit) {
        return *unit;
    }
    return rejected_single_byte(code_page_, b);
}

std::uint16_t converted::next_single_byte(std::string_view& text,
                                          const char* empty_message) const {
    const unsigned char b = first_byte(text, empty_message);
    return b < 0x80 ? take_byte(text, b) : convert_single(text);
}

std::uint16_t converted::convert_pair(std::string_view& text) const {
    if (text.size() < 2) {
        // A name cut in the middle of a double-byte character.
        return take_byte(text, replacement_character);
    }
    const std::optional<std::uint16_t> unit = converter_->convert(text.substr(0, 2));
    text.remove_prefix(2);
    return unit.value_or(replacement_character);
}

greek::greek() : converted(1253) {}

const greek& greek::instance() {
    static const greek page;
    return page;
}

std::uint16_t greek::next(std::string_view& text) const {
    return next_single_byte(text, "greek::next: empty string");
}

cyrillic::cyrillic() : converted(1251) {}

const cyrillic& cyrillic::instance() {
    static const cyrillic page;
    return page;
}

std::uint16_t cyrillic::next(std::string_view& text) const {
    return next_single_byte(text, "cyrillic::next: empty string");
}

japanese::japanese() : converted(932) {}

const japanese& japanese::instance() {
    static const japanese page;
    return page;
}

std::uint16_t japanese::next(std::string_view& text) const {
    const unsigned char b = first_byte(text, "japanese::next: empty string");
    if (b < 0x80) {
        return take_byte(text, b);
    }
    if (b == 0x80) {
        return take_byte(text, euro_sign);
    }
    if (b >= 0xA0 && b <= 0xDF) {
        return convert_single(text);
    }
    return convert_pair(text);
}

european::european() : converted(1250) {}

const european& european::instance() {
    static const european page;
    return page;
}

std::uint16_t european::next(std::string_view& text) const {
    return next_single_byte(text, "european::next: empty string");
}

turkish::turkish() : converted(1254) {}

const turkish& turkish::instance() {
    static const turkish page;
    return page;
}

std::uint16_t turkish::next(std::string_view& text) const {
    return next_single_byte(text, "turkish::next: empty string");
}

baltic::baltic() : converted(1257) {}

const baltic& baltic::instance() {
    static const baltic page;
    return page;
}

std::uint16_t baltic::next(std::string_view& text) const {
    return next_single_byte(text, "baltic::next: empty string");
}

traditional_chinese::traditional_chinese() : converted(950) {}

const traditional_chinese& traditional_chinese::instance() {
    static const traditional_chinese page;
    return page;
}

std::uint16_t traditional_chinese::next(std::string_view& text) const {
    const unsigned char b = first_byte(text, "traditional_chinese::next: empty string");
    if (b < 0x80) {
        return take_byte(text, b);
    }
    if (b == 0x80) {
        return take_byte(text, euro_sign);
    }
    if ((b >= 0xA1 && b <= 0xC6) || (b >= 0xC9 && b <= 0xF9)) {
        return convert_pair(text);
    }
    // 0x81 to 0xA0, 0xC7, 0xC8 and 0xFA to 0xFF cannot start a character.
    return take_byte(text, replacement_character);
}

simplified_chinese::simplified_chinese() : converted(936) {}

const simplified_chinese& simplified_chinese::instance() {
    static const simplified_chinese page;
    return page;
}

std::uint16_t simplified_chinese::next(std::string_view& text) const {
    const unsigned char b = first_byte(text, "simplified_chinese::next: empty string");
    if (b < 0x80) {
        return take_byte(text, b);
    }
    if (b == 0x80) {
        return take_byte(text, euro_sign);
    }
    if (b == 0xFF) {
        return take_byte(text, 0xF8F5);
    }
    return convert_pair(text);
}

korean::korean() : converted(949) {}

const korean& korean::instance() {
    static const korean page;
    return page;
}

std::uint16_t korean::next(std::string_view& text) const {
    const unsigned char b = first_byte(text, "korean::next: empty string");
    if (b < 0x80) {
        return take_byte(text, b);
    }
    if (b == 0x80) {
        return take_byte(text, euro_sign);
    }
    return convert_pair(text);
}

const base* select(char letter) {
    switch (letter) {
        case 'L':
            return &latin1::instance();
        case 'G':
            return &greek::instance();
        case 'C':
            return &cyrillic::instance();
        case 'J':
            return &japanese::instance();
        case 'E':
            return &european::instance();
        case 'T':
            return &turkish::instance();
        case 'B':
            return &baltic::instance();
        case 'H':
            return &traditional_chinese::instance();
        case 'S':
            return &simplified_chinese::instance();
        case 'K':
            return &korean::instance();
        default:
            return nullptr;
    }
}

}  // namespace lfs_codec::codepage

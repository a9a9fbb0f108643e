#include "lfs_codec/codepage.h"

#include <stdexcept>

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

// Strict UTF-8: overlong forms, surrogates, values above U+10FFFF and cut sequences are errors.
char32_t next_code_point(std::string_view& utf8) {
    const auto fail = [] { throw std::range_error("bad conversion"); };
    const auto lead = static_cast<unsigned char>(utf8.front());
    int length = 0;
    char32_t code_point = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        length = 1;
        code_point = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code_point = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code_point = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code_point = lead & 0x07;
        minimum = 0x10000;
    } else {
        fail();
    }
    if (utf8.size() < static_cast<std::size_t>(length)) {
        fail();
    }
    for (int i = 1; i < length; ++i) {
        const auto continuation = static_cast<unsigned char>(utf8[i]);
        if ((continuation & 0xC0) != 0x80) {
            fail();
        }
        code_point = (code_point << 6) | (continuation & 0x3F);
    }
    if (code_point < minimum || code_point > 0x10FFFF ||
        (code_point >= 0xD800 && code_point <= 0xDFFF)) {
        fail();
    }
    utf8.remove_prefix(length);
    return code_point;
}

}  // namespace

base::~base() = default;

const latin1& latin1::instance() {
    static const latin1 page;
    return page;
}

std::uint16_t latin1::next(std::string_view& text) const {
    if (text.empty()) {
        throw std::runtime_error("latin1::next: empty string");
    }
    const auto b = static_cast<unsigned char>(text.front());
    text.remove_prefix(1);
    return b >= 0x80 && b <= 0x9F ? latin1_high_row[b - 0x80] : b;
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

const base* select(char letter) {
    switch (letter) {
        case 'L': return &latin1::instance();
        default: return nullptr;
    }
}

}  // namespace lfs_codec::codepage

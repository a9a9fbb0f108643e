#include "lfs_codec/lfs_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace {

struct decode_case {
    std::string_view text;
    std::string_view utf8;
};

constexpr decode_case decode_cases[] = {
    {"", ""},
    {"^1Fast^7Eddie", "FastEddie"},  // colour codes
    {"^0^9x", "x"},
    {"a^vb^^c", "a|b^c"},
    {"^^^a^c^d^h^l^q^r^s^t^v", "^*:\\#<?>/\"|"},
    {"x^", "x^"},       // a caret at the end stays
    {"^x", "x"},        // a caret before a letter without meaning is dropped
    {"^j^g", "jg"},     // selectors are upper case only
    {"^\xE9", "\xE9"},  // a caret before a non-ASCII byte copies that byte as it is
    {"\x80\x81\xE9", "\u20AC\u0081\u00E9"},  // latin1 until a selector
    {"\x82^Jx\x82\xA0^L\x82", "\u201Ax\u3042\u201A"},
    {"^J\x83\x5E"
     "1",
     "\u30BF"
     "1"},                 // the trailing byte 0x5E is no caret
    {"^J\x82", "\uFFFD"},  // a name cut inside a double-byte character
    {"^H\x81x\xA4\x40", "\uFFFDx\u4E00"},
    {"^J\x85\x40x", "\uFFFDx"},
    {"^C\xC0^G\xC1^E\xB9^T\xFD^B\xC0", "\u0410\u0391\u0105\u0131\u0104"},
    {"^S\xD6\xD0^K\xC7\xD1^H\xA4\xA4", "\u4E2D\uD55C\u4E2D"},
};

TEST(lfs_codec, decode_follows_escapes_and_code_page_switches) {
    std::string out = "left over";
    for (const decode_case& c : decode_cases) {
        lfs_codec::decode(c.text, out);
        EXPECT_EQ(out, c.utf8) << c.text;
    }
}

TEST(lfs_codec, append_utf8_writes_one_to_three_bytes) {
    std::string out;
    for (const std::uint16_t unit : {0x0000, 0x007F, 0x0080, 0x07FF, 0x0800, 0xFFFD, 0xFFFF}) {
        lfs_codec::append_utf8(out, unit);
    }
    EXPECT_EQ(out, std::string("\0\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBD\xEF\xBF\xBF", 15));
}

}  // namespace

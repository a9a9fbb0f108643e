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

// A nickname in each of the nine code pages that the platform converts (iconv on Linux,
// MultiByteToWideChar on Windows): both builds run this table, so the names read the same on
// both. Second bytes in the ASCII range (0x52, 0x63, 0x5E "^", 0x45, 0x6A) belong to their
// double-byte characters.
constexpr decode_case nickname_cases[] = {
    {"^J\x8E\x52\x93\x63\x83\x5E\x83\x8D\x83\x45", "山田タロウ"},
    {"^H\xB3\xAF\xA4\x6A\xA4\xE5", "陳大文"},
    {"^S\xD5\xC5\xCE\xB0", "张伟"},
    {"^K\xB1\xE8\xC3\xB6\xBC\xF6", "김철수"},
    {"^1^C\xC2\xE0\xF1\xFF ^7\xCF\xF3\xEF\xEA\xE8\xED", "Вася Пупкин"},
    {"^G\xCD\xDF\xEA\xEF\xF2", "Νίκος"},
    {"^E\xA3ukasz W\xF3jcik", "Łukasz Wójcik"},
    {"^T\xDE\xFCkr\xFC A\xF0\x61o\xF0lu", "Şükrü Ağaoğlu"},
    {"^BJ\xE2nis B\xE7rzi\xF2\xF0", "Jānis Bērziņš"},
};

TEST(lfs_codec, nicknames_of_the_platform_code_pages) {
    std::string out;
    for (const decode_case& c : nickname_cases) {
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

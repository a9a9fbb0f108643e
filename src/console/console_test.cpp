#include "console/console.h"

#include <gtest/gtest.h>

namespace {

TEST(console, wide_to_utf8_converts_pairs_and_replaces_lone_surrogates) {
    const struct {
        std::u16string input;
        std::string expected;
    } cases[] = {
        {u"", ""},
        {u"abc", "abc"},
        {u"\u00E9\u20AC", "\xC3\xA9\xE2\x82\xAC"},
        {{char16_t{0xD83D}, char16_t{0xDE00}}, "\xF0\x9F\x98\x80"},
        {{char16_t{0xD800}, u'A'}, "\xEF\xBF\xBD" "A"},
        {{char16_t{0xDC00}, char16_t{0xD800}}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {{u'x', char16_t{0xDBFF}}, "x\xEF\xBF\xBD"},
        {{char16_t{0xFFFE}, char16_t{0xFFFF}, char16_t{0xFFFD}},
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(wide_to_utf8(c.input), c.expected) << c.expected;
    }
}

}  // namespace

#include "lfs_codec/name_key.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "support/thrown_by.h"

namespace {

TEST(name_key, fold_case_lowers_ascii_and_the_latin1_capitals_only) {
    EXPECT_EQ(fold_case("@AZ[`az{"), "@az[`az{");
    // 0xC0 to 0xDE fold except the multiplication sign 0xD7; Š, Œ, Ž and Ÿ (0x8A, 0x8C, 0x8E,
    // 0x9F) and ß (0xDF) stay.
    EXPECT_EQ(fold_case("\xBF\xC0\xC9\xD6\xD7\xD8\xDE\xDF\xE0\xFE\x8A\x8C\x8E\x9F"),
              "\xBF\xE0\xE9\xF6\xD7\xF8\xFE\xDF\xE0\xFE\x8A\x8C\x8E\x9F");
}

TEST(name_key, config_and_replay_keys_of_the_same_letters_match) {
    const name_key config = make_config_name_key("J\xC3\x9CRGEN");
    const name_key replay = make_name_key("\x6A\xFC\x72\x67\x65\x6E");
    EXPECT_EQ(config.match, "j\xFCrgen");
    EXPECT_EQ(replay.match, "j\xFCrgen");
    EXPECT_EQ(config.display, "J\xC3\x9CRGEN");
    EXPECT_EQ(replay.display, "j\xC3\xBCrgen");
    EXPECT_EQ(config, replay);
    EXPECT_EQ(std::hash<name_key>{}(config), std::hash<name_key>{}(replay));
    EXPECT_NE(config, make_name_key("jurgen"));
}

TEST(name_key, replay_names_are_decoded_as_latin1_without_escapes) {
    const name_key key = make_name_key("^1\x8A\x80^J\x82\xA0");
    EXPECT_EQ(key.match, "^1\x8A\x80^j\x82\xA0");
    EXPECT_EQ(key.display, "^1\u0160\u20AC^J\u201A\u00A0");
}

TEST(name_key, config_names_keep_their_text_for_display) {
    const name_key key = make_config_name_key("\xC5\xA0TEFAN \xE2\x82\xAC");  // ŠTEFAN €
    EXPECT_EQ(key.match, "\x8Atefan \x80");
    EXPECT_EQ(key.display, "\xC5\xA0TEFAN \xE2\x82\xAC");
}

TEST(name_key, config_names_outside_code_page_1252_are_errors) {
    constexpr std::pair<std::string_view, const char*> cases[] = {
        {"\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD",  // Иван
         "runtime_error: latin1::encode_next: unable to encode code point"},
        {"Bob\xFF", "range_error: bad conversion"},
    };
    for (const auto& [utf8, message] : cases) {
        EXPECT_EQ(thrown_by([&] { make_config_name_key(utf8); }), message);
    }
}

}  // namespace

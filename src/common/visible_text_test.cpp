#include "common/visible_text.h"

#include <gtest/gtest.h>

namespace {

TEST(visible_text, control_characters_are_written_out) {
    const std::pair<std::string, std::string> cases[] = {
        {"templates/race.html", "templates/race.html"},
        {"templates\race.html", "templates\\race.html"},
        {"a\tb", "a\\tb"},
        {std::string("nul\0x", 5), "nul\\x00x"},
        {"line\nfeed\x1B\x7F", "line\\x0Afeed\\x1B\\x7F"},
        {"\xC3\x9C ber \xE6\x9D\xB1", "\xC3\x9C ber \xE6\x9D\xB1"},  // UTF-8 stays as it is
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(visible(text), shown) << shown;
        EXPECT_EQ(has_control_character(text), text != shown) << shown;
    }
}

}  // namespace

#include "site_links/site_links.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(site_links, segments_are_percent_encoded) {
    const std::pair<const char*, const char*> cases[] = {
        {"r01-blackwood", "r01-blackwood"},
        {"Round #3", "Round%20%233"},
        {"100% Club", "100%25%20Club"},
        {"\xC5\x81\xC3\xB3" "d\xC5\xBA \xE7\xAC\xAC" "5\xE6\x88\xA6",
         "%C5%81%C3%B3d%C5%BA%20%E7%AC%AC5%E6%88%A6"},
        {"a\"b<c>&d?e/f\\g:h", "a%22b%3Cc%3E%26d%3Fe%2Ff%5Cg%3Ah"},
        {"~._-", "~._-"},
    };
    for (const auto& [segment, encoded] : cases) {
        EXPECT_EQ(percent_encoded(segment), encoded) << segment;
    }
    EXPECT_EQ(relative_link(1, {"Round #3", "race.html"}), "../Round%20%233/race.html");
    EXPECT_EQ(relative_link(0, {"drivers", "con~.html"}), "drivers/con~.html");
}

TEST(site_links, driver_page_names_are_one_per_driver_and_safe_on_windows) {
    const std::pair<const char*, const char*> cases[] = {
        {"turbo_tom", "turbo_tom.html"},
        {"TURBO_TOM", "turbo_tom.html"},  // the same driver in any letter case
        {"Blue Thunder", "blue~20thunder.html"},
        {"..", "~2E~2E.html"},
        {"a/b\\c:d", "a~2Fb~5Cc~3Ad.html"},
        {"x.", "x~2E.html"},
        {"x ", "x~20.html"},
        {"<>\"|?*", "~3C~3E~22~7C~3F~2A.html"},
        {"CON", "con~.html"},
        {"lpt1", "lpt1~.html"},
        {"com0", "com0~.html"},
        {"console", "console.html"},
        {"J\xDCrgen", "j~FCrgen.html"},  // folded as driver names are matched
        {"", "~.html"},
    };
    std::set<std::string> names;
    for (const auto& [user, file] : cases) {
        EXPECT_EQ(driver_page_file(make_name_key(user)), file) << user;
        names.insert(file);
    }
    EXPECT_EQ(names.size(), std::size(cases) - 1);  // one pair is one driver
    // A name ending in "~" stands apart from an escaped byte.
    EXPECT_NE(driver_page_file(make_name_key("con")), driver_page_file(make_name_key("con~")));
}

TEST(site_links, navigation) {
    EXPECT_EQ(navigation_html({}), "");
    EXPECT_EQ(navigation_html({{"Home", "../index.html"}, {"R&D <1>", "a\"b.html"}}),
              "<nav><a href=\"../index.html\">Home</a><a href=\"a&quot;b.html\">R&amp;D &lt;1></a>"
              "</nav>");
}

}  // namespace

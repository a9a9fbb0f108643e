#include "html_template/html_text.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(html_text, escape_writes_the_four_special_bytes_as_entities) {
    std::ostringstream out;
    html_escape(out, "<script>\"a\" & 'b'\n</script>");
    EXPECT_EQ(out.str(), "&lt;script>&quot;a&quot; &amp; 'b'&#xA;&lt;/script>");
}

TEST(html_text, escape_streambuf_escapes_everything_written_through_it) {
    std::ostringstream target;
    html_escape_streambuf buffer(target.rdbuf());
    std::ostream escaped(&buffer);
    escaped << "x<y & \"z\"\n" << 42;
    EXPECT_EQ(target.str(), "x&lt;y &amp; &quot;z&quot;&#xA;42");
}

TEST(html_text, points_text_in_default_floating_point_form) {
    const struct {
        points_value points;
        const char* expected;
    } cases[] = {
        {points_value(10), "10"},          {points_value(25, 2), "12.5"},
        {points_value(1, 2), "0.5"},       {points_value(10, 3), "3.33333"},
        {points_value(1, 3), "0.333333"},  {points_value(-2), "-2"},
        {points_value(0), "0"},            {points_value(2000000), "2e+06"},
    };
    for (const auto& c : cases) {
        std::ostringstream out;
        points_text(out, c.points);
        EXPECT_EQ(out.str(), c.expected);
    }
}

TEST(html_text, breakdown_joins_items_with_plus) {
    EXPECT_EQ(points_breakdown_text({}), "");
    EXPECT_EQ(points_breakdown_text({{points_value(10), "1st"}}), "10 (1st)");
    EXPECT_EQ(points_breakdown_text({{points_value(10), "1st"},
                                     {points_value(2), "3rd on grid"},
                                     {points_value(1, 2), "fastest lap"}}),
              "10 (1st) + 2 (3rd on grid) + 0.5 (fastest lap)");
}

}  // namespace

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

// The text is written without the stream's number formatting, but must stay what that formatting
// gives: compared here over many fractions, rounding cases and magnitudes.
TEST(html_text, points_text_is_the_streams_default_form) {
    std::vector<points_value> values;
    for (std::int32_t denominator : {1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 16, 20000, 1000000, 2147483647}) {
        for (std::int32_t numerator : {0, 1, -1, 2, 5, 7, 10, 99, 999, 12345, 999999, 1000000,
                                       -999999, -1000000, 1234567, 99999995, -2147483647,
                                       2147483647}) {
            values.emplace_back(numerator, denominator);
        }
    }
    for (const points_value& points : values) {
        std::ostringstream stream;
        stream << static_cast<double>(points.numerator()) / static_cast<double>(points.denominator());
        std::ostringstream out;
        points_text(out, points);
        EXPECT_EQ(out.str(), stream.str()) << points.numerator() << '/' << points.denominator();
    }
}

TEST(html_text, appending_forms_match_the_stream_forms) {
    std::string text = "x";
    append_html_escaped(text, "<a href=\"b\">&\n</a>");
    append_points_text(text, points_value(31, 3));
    EXPECT_EQ(text, "x&lt;a href=&quot;b&quot;>&amp;&#xA;&lt;/a>10.3333");
}

TEST(html_text, breakdown_joins_items_with_plus) {
    EXPECT_EQ(points_breakdown_text({}), "");
    EXPECT_EQ(points_breakdown_text({{points_value(10), "1st"}}), "10 (1st)");
    EXPECT_EQ(points_breakdown_text({{points_value(10), "1st"},
                                     {points_value(2), "3rd on grid"},
                                     {points_value(1, 2), "fastest lap"}}),
              "10 (1st) + 2 (3rd on grid) + 0.5 (fastest lap)");
}

// The escaped breakdown is the plain one escaped: only the reasons can hold a character to escape.
TEST(html_text, escaped_breakdown_is_the_breakdown_escaped) {
    const std::vector<std::vector<score_item>> cases = {
        {},
        {{points_value(-3), "late <b>\"&\n"}},
        {{points_value(2000000), "1st"}, {points_value(1, 3), "x & y"}, {points_value(-5, 2), "<"}},
    };
    for (const auto& items : cases) {
        std::string escaped = "kept ";
        append_escaped_points_breakdown(escaped, items);
        std::string expected = "kept ";
        append_html_escaped(expected, points_breakdown_text(items));
        EXPECT_EQ(escaped, expected);
    }
}

}  // namespace

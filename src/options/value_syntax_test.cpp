#include "options/value_syntax.h"

#include <gtest/gtest.h>

#include <boost/property_tree/ptree.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "console/console.h"
#include "support/fraction_text.h"
#include "support/stream_capture.h"

namespace {

using ::text_of;  // the fraction form; the overloads below add the value types

namespace pt = boost::property_tree;
using namespace options;

std::string text_of(const point_type& value) {
    return text_of(value.value);
}

std::string text_of(const scoring_positions& table) {
    std::string text = table.reduced ? "reduced:" : "";
    for (const points_value& points : table.points) {
        text += ' ' + text_of(points);
    }
    return text;
}

std::string text_of(const round_count& count) {
    return std::to_string(count.value);
}

std::string text_of(shared_points_mode mode) {
    return std::string(shared_points_mode_name(mode));
}

std::string text_of(const column_list& list) {
    std::string text;
    for (const column_type column : list.columns) {
        text += ' ' + std::string(column_name(column));
    }
    return text;
}

std::string text_of(const std::optional<minimum_distance>& rule) {
    return rule ? text_of(rule->value) + (rule->share ? " of the winner's laps" : " laps") : "none";
}

// A key's value converted as the property tree converts it (boost's own stream translator, which
// uses our extraction): the text of the result, or "fails".
template <class T>
std::string converted(const std::string& text) {
    const boost::optional<T> value = pt::ptree(text).get_value_optional<T>();
    return value ? text_of(*value) : "fails";
}

struct conversion_case {
    const char* value;
    const char* result;
    const char* diagnostic;
};

template <class T>
void check_conversions(std::initializer_list<conversion_case> cases) {
    for (const conversion_case& c : cases) {
        stream_capture errors(error_stream());
        EXPECT_EQ(converted<T>(c.value), c.result) << "value: " << c.value;
        EXPECT_EQ(errors.text(), c.diagnostic) << "value: " << c.value;
    }
}

TEST(value_syntax, point_values) {
    check_conversions<point_type>({
        {"1", "1", ""},
        {"  1  ", "1", ""},
        {"-3", "-3", ""},
        {"+2", "2", ""},
        {"1/3", "1/3", ""},
        {"2/4", "1/2", ""},
        {"1/-2", "-1/2", ""},
        {"-6/-4", "3/2", ""},
        {"2147483647", "2147483647", ""},
        {"-2147483648", "-2147483648", ""},
        {"-2147483648/2", "-1073741824", ""},
        {"", "fails", ""},
        {"1/0", "fails", ""},
        {"1 /2", "fails", ""},
        {"1/ 2", "fails", ""},
        {"1/", "fails", ""},
        {"one", "fails", ""},
        {"-", "fails", ""},
        {"2147483648", "fails", ""},
        {"1/2147483648", "fails", ""},
        {"-2147483648/-1", "fails", ""},
        {"-1/-2147483648", "fails", ""},
        {"-2147483648/-2147483648", "fails", ""},
    });
}

TEST(value_syntax, decimals_are_exact_fractions) {
    check_conversions<point_type>({
        {"0.5", "1/2", ""},
        {"1.5", "3/2", ""},
        {"1.25", "5/4", ""},
        {"-0.5", "-1/2", ""},
        {"+2.50", "5/2", ""},
        {"15.12", "378/25", ""},
        {"3.0", "3", ""},
        {"0.0000000005", "1/2000000000", ""},
        {"-2147483648.0", "-2147483648", ""},
        {"1.000000000000000000000", "1", ""},  // trailing zeros do not count against the bound
        {"1.", "fails", ""},
        {".5", "fails", ""},
        {"1.5/2", "fails", ""},
        {"1,5", "fails", ""},
        {"1.5.2", "fails", ""},
        {"0.1234567891", "fails", ""},  // 10^10 does not fit a 32-bit denominator
        {"2147483647.5", "fails", ""},
        {"2147483648.0", "fails", ""},
        {"0.0000000000000000001", "fails", ""},
    });
}

TEST(value_syntax, point_value_leaves_the_next_character_and_the_stream_flags) {
    std::istringstream in("1/2 3.");
    point_type value;
    int next = 0;
    in >> value >> next;
    EXPECT_TRUE(in.good());
    EXPECT_EQ(text_of(value), "1/2");
    EXPECT_EQ(next, 3);
    EXPECT_EQ(in.peek(), '.');

    std::istringstream at_end("7");
    at_end >> value;
    EXPECT_TRUE(at_end.good()) << "reaching the end after a whole number is not a failure";
    EXPECT_EQ(text_of(value), "7");
}

TEST(value_syntax, scoring_positions) {
    check_conversions<scoring_positions>({
        {"10,6,4,3,2,1", " 10 6 4 3 2 1", ""},
        {"25, 18, 15", " 25 18 15", ""},
        {"", "", ""},
        {"   ", "", ""},
        {"10,6,", " 10 6", ""},
        {"10,6,  ", " 10 6", ""},
        {"1/2,1/4", " 1/2 1/4", ""},
        {"0.5,0.25", " 1/2 1/4", ""},
        {"20,15,1w2,10,8", " 20 15 1", "invalid token near 2,10,8\n"},
        {"10 ,6", " 10", "invalid token near ,6\n"},
        {"10;6", " 10", "invalid token near 6\n"},
        {"10,6;", " 10 6", "invalid token near \n"},
        {"10,x", "fails", "invalid token near x\n"},
        {"x", "fails", "invalid token near x\n"},
        {"10,5/0,3", "fails", "invalid token near ,3\n"},
        // The end of the text inside the last element: refused, not shortened.
        {"10,-", "fails", ""},
        {"10,5/0", "fails", ""},
        {"25,18,99999999999", "fails", ""},
        {"10/0", "fails", ""},
        {"10,-2147483648/-1", "fails", ""},
    });
}

TEST(value_syntax, a_table_reading_tells_where_it_stopped_and_what_looks_mistyped) {
    const struct {
        const char* text;
        bool accepted;
        const char* table;
        const char* stopped_at;
        std::vector<std::string> long_decimals;
    } cases[] = {
        {"20,15,1w2,10,8", true, "20,15,1", "2,10,8", {}},
        {"10;6", true, "10", "6", {}},
        {"25,18,15.12,10", true, "25,18,378/25,10", nullptr, {"15.12"}},
        {" 2.125, 1.5", true, "17/8,3/2", nullptr, {"2.125"}},
        {"", true, "nothing", nullptr, {}},
        {"10,x", false, "10", nullptr, {}},
        {"10,-", false, "10", nullptr, {}},
    };
    for (const auto& c : cases) {
        const table_reading reading = read_scoring_positions(c.text);
        EXPECT_EQ(reading.accepted, c.accepted) << c.text;
        EXPECT_EQ(table_text(reading.table), c.table) << c.text;
        EXPECT_EQ(reading.stopped_at.value_or("(none)"), c.stopped_at ? c.stopped_at : "(none)")
            << c.text;
        EXPECT_EQ(reading.long_decimals, c.long_decimals) << c.text;
    }
}

TEST(value_syntax, time_penalties_are_seconds_to_the_millisecond) {
    const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
        {"30", 30000},      {"-5", -5000},       {"30s", 30000},     {"+10", 10000},
        {" 1.5", 1500},     {"-0.25", -250},     {"1.125s", 1125},   {"2147483647", 2147483647000},
        {"1.x", 1000},      {"1.", 1000},        {"1.2345", {}},     {"1.5000", {}},
        {"-2147483648", -2147483648000},         {"2147483648", {}}, {"dsq", {}},
        {"", {}},           {"-", {}},           {".5", {}},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(read_penalty_ms(text), expected) << text;
    }
}

TEST(value_syntax, an_empty_diagnostic_leaves_the_error_stream_usable) {
    stream_capture errors(error_stream());
    EXPECT_EQ(converted<scoring_positions>("10,6;"), " 10 6");
    error_stream() << "next line\n";
    EXPECT_TRUE(error_stream().good());
    EXPECT_EQ(errors.text(), "invalid token near \nnext line\n");
}

TEST(value_syntax, round_counts) {
    check_conversions<round_count>({
        {"8", "8", ""},
        {" 0 ", "0", ""},
        {"+3", "3", ""},
        {"-1", "fails", ""},
        {"8.0", "fails", ""},
        {"eight", "fails", ""},
        {"", "fails", ""},
        {"2147483648", "fails", ""},
    });
}

TEST(value_syntax, minimum_distances) {
    check_conversions<std::optional<minimum_distance>>({
        {"90%", "9/10 of the winner's laps", ""},
        {" 75.5% ", "151/200 of the winner's laps", ""},
        {"100%", "1 of the winner's laps", ""},
        {"0%", "0 of the winner's laps", ""},
        {"3", "3 laps", ""},
        {"0", "0 laps", ""},
        {"101%", "fails", ""},
        {"-5%", "fails", ""},
        {"2.5", "fails", ""},
        {"-1", "fails", ""},
        {"90 %", "fails", ""},
        {"90%%", "fails", ""},
        {"ninety", "fails", ""},
        {"", "fails", ""},
    });
}

TEST(value_syntax, shared_points_modes) {
    check_conversions<shared_points_mode>({
        {"award-all", "award-all", ""},
        {"divide-between", "divide-between", ""},
        {" award-first ", "award-first", ""},
        {"Award-All", "fails", ""},
        {"award-all award-first", "fails", ""},
        {"", "fails", ""},
    });
}

TEST(value_syntax, column_lists) {
    check_conversions<column_list>({
        {"position driver car", " position driver car", ""},
        {"  team team\tpoints ", " team team points", ""},
        {"", "", ""},
        {"position driver team points summary grid-slot handicap finish-time best-lap car change",
         " position driver team points summary grid-slot handicap finish-time best-lap car change",
         ""},
        {"position driver cars", "fails", "invalid column type: cars\n"},
        {"position,driver", "fails", "invalid column type: position,driver\n"},
        {"Position", "fails", "invalid column type: Position\n"},
        {"driver\bbest-lap", "fails", "invalid column type: driver\\x08best-lap\n"},
    });
}

TEST(value_syntax, name_tables_read_both_ways) {
    for (int value = 0; value <= 11; ++value) {
        const auto column = static_cast<column_type>(value);
        EXPECT_EQ(column_of_name(column_name(column)), column) << value;
    }
    EXPECT_EQ(column_name(column_type::grid_slot), "grid-slot");
    EXPECT_EQ(column_of_name("best-lap"), column_type::best_lap);
    EXPECT_EQ(column_of_name("best_lap"), std::nullopt);
    for (int value = 0; value <= 2; ++value) {
        const auto mode = static_cast<shared_points_mode>(value);
        EXPECT_EQ(shared_points_mode_of_name(shared_points_mode_name(mode)), mode) << value;
    }
    EXPECT_EQ(shared_points_mode_of_name("divide-between"), shared_points_mode::divide_between);
}

}  // namespace

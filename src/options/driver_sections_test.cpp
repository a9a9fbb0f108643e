#include "options/driver_sections.h"

#include <gtest/gtest.h>

#include <boost/property_tree/info_parser.hpp>
#include <boost/property_tree/ptree.hpp>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>

#include "options/info_scan.h"

namespace {

namespace pt = boost::property_tree;
using options::option_set;

pt::ptree parsed(const std::string& text) {
    std::istringstream in(text);
    pt::ptree tree;
    pt::read_info(in, tree);
    return tree;
}

// The sections of `text`, read as the file "rostrum.conf" (written where `where` says).
option_set read(const std::string& text, options::adjustment_entry::scope where =
                                             options::adjustment_entry::scope::championship) {
    option_set set;
    const pt::ptree tree = parsed(text);
    const options::info_scan scan = options::scan_info(text, "rostrum.conf");
    options::read_driver_sections(set, tree, options::entry_places(tree, scan), where);
    return set;
}

// The message of the exception that reading raises, marked when it is a std::range_error.
std::string failure_of(const std::string& text) {
    try {
        read(text);
    } catch (const std::range_error& error) {
        return std::string("range error: ") + error.what();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "no failure";
}

std::string text_of(const options::points_modification& change) {
    std::ostringstream out;
    out << change.points.numerator();
    if (change.points.denominator() != 1) {
        out << '/' << change.points.denominator();
    }
    out << " [" << change.label << ']';
    return out.str();
}

TEST(driver_sections, forced_names_match_whatever_the_letter_case) {
    const option_set set = read(R"(
forced-names
{
    "JOHN ÉMILE" "John, guest"
    "x×y" "times"
    silent ""
}
)");
    EXPECT_EQ(set.forced_name_of(make_name_key("john \xC9mile")), "John, guest");
    EXPECT_EQ(set.forced_name_of(make_name_key("JoHn \xE9MILE")), "John, guest");
    EXPECT_EQ(set.forced_name_of(make_name_key("X\xD7Y")), "times");
    EXPECT_EQ(set.forced_name_of(make_name_key("x\xF7y")), std::nullopt)
        << "0xD7 is not the capital of 0xF7";
    EXPECT_EQ(set.forced_name_of(make_name_key("Silent")), "");
    EXPECT_EQ(set.forced_name_of(make_name_key("nobody")), std::nullopt);
}

TEST(driver_sections, teams_set_the_team_and_a_member_value_forces_the_name) {
    const option_set set = read(R"(
forced-names
{
    alice "Alice F."
    carol "Carol F."
}
teams
{
    "Red Team" ignored
    {
        alice ""
        bob "Bobby"
    }
    "Blue Team"
    {
        carol "Carol B."
        bob ""
    }
}
)");
    EXPECT_EQ(set.team_of(make_name_key("ALICE")), "Red Team");
    EXPECT_EQ(set.forced_name_of(make_name_key("alice")), "Alice F.");
    EXPECT_EQ(set.team_of(make_name_key("bob")), "Blue Team") << "the later team wins";
    EXPECT_EQ(set.forced_name_of(make_name_key("bob")), "Bobby");
    EXPECT_EQ(set.forced_name_of(make_name_key("carol")), "Carol B.")
        << "a member value replaces a forced name of the same file";
    EXPECT_EQ(set.team_of(make_name_key("Red Team")), std::nullopt);
    EXPECT_EQ(set.teams.size(), 3U);
}

TEST(driver_sections, penalties_give_time_disqualification_or_hiding) {
    const option_set set = read(R"(
penalties
{
    a 30
    b -5
    c 30s
    d +10
    e DSQ
    f Disqualify
    g Hide
    h "remove please"
    i 10
    i dsq
    j 10
    j 20
    k 1.5
}
)");
    const std::pair<const char*, std::int64_t> milliseconds[] = {
        {"a", 30000}, {"b", -5000}, {"c", 30000}, {"d", 10000},
        {"i", 10000}, {"j", 20000}, {"k", 1500}};
    for (const auto& [name, expected] : milliseconds) {
        const auto found = set.time_penalties.find(make_name_key(name));
        ASSERT_NE(found, set.time_penalties.end()) << name;
        EXPECT_EQ(found->second, expected) << name;
    }
    EXPECT_EQ(set.time_penalties.size(), 7U);
    for (const char* name : {"e", "f", "i"}) {
        EXPECT_EQ(set.disqualified.count(make_name_key(name)), 1U) << name;
    }
    for (const char* name : {"g", "h"}) {
        EXPECT_EQ(set.hidden.count(make_name_key(name)), 1U) << name;
    }
    EXPECT_EQ(set.disqualified.size(), 3U);
    EXPECT_EQ(set.hidden.size(), 2U);
}

TEST(driver_sections, modify_points_reads_points_and_a_label) {
    const option_set set = read(R"(
modify-points
{
    a 5
    b "-2 late arrival"
    c 1/2
    d 3bonus
    e "  4   spaced label  "
    f 1
    f "2 replaced"
    g 1.5
    h "-0.25 late"
}
)");
    const std::pair<const char*, const char*> changes[] = {
        {"a", "5 [custom]"},       {"b", "-2 [late arrival]"}, {"c", "1/2 [custom]"},
        {"d", "3 [bonus]"},        {"e", "4 [spaced label]"},  {"f", "2 [replaced]"},
        {"g", "3/2 [custom]"},     {"h", "-1/4 [late]"}};
    for (const auto& [name, expected] : changes) {
        const auto found = set.points_modifications.find(make_name_key(name));
        ASSERT_NE(found, set.points_modifications.end()) << name;
        EXPECT_EQ(text_of(found->second), expected) << name;
    }
}

TEST(driver_sections, errors_name_the_place_the_entry_and_its_value) {
    const std::pair<const char*, const char*> cases[] = {
        {"penalties { Joe ban }", "rostrum.conf(1): penalties: Joe: unrecognised penalty: ban"},
        {"penalties\n{\n    Joe \"Ban for life\"\n}",
         "rostrum.conf(3): penalties: Joe: unrecognised penalty: Ban for life"},
        {"penalties { Joe \"\" }", "rostrum.conf(1): penalties: Joe: invalid empty penalty"},
        {"penalties { Joe \"   \" }", "rostrum.conf(1): penalties: Joe: invalid empty penalty"},
        {"penalties { Joe 1.2345 }", "rostrum.conf(1): penalties: Joe: unrecognised penalty: 1.2345"},
        {"penalties { \"Jo\\te\" \"\\r\" }",
         "rostrum.conf(1): penalties: Jo\\te: invalid empty penalty"},
        {"penalties { turbo_tom 2,5 }",
         "rostrum.conf(1): penalties: turbo_tom: unrecognised penalty: 2,5 (a decimal is written "
         "with a point: 2.5)"},
        {"modify-points { Joe x }", "rostrum.conf(1): modify-points: Joe: invalid value: x"},
        // A label with spaces, unquoted: the rest of the line reads as entries of its own.
        {"modify-points\n{\n    ann 2\n    joe -3 avoidable collision\n}",
         "rostrum.conf(4): modify-points: joe: a value with spaces is written in double quotes: "
         "joe \"-3 avoidable collision\""},
        {"modify-points { joe -3 late }",
         "rostrum.conf(1): modify-points: joe: a value with spaces is written in double quotes: "
         "joe \"-3 late\""},
        {"modify-points { Joe \"\" }", "rostrum.conf(1): modify-points: Joe: invalid value: "},
        {"modify-points { Joe 1/0 }", "rostrum.conf(1): modify-points: Joe: invalid value: 1/0"},
        {"modify-points { Joe 99999999999 }",
         "rostrum.conf(1): modify-points: Joe: invalid value: 99999999999"},
        {"modify-points { Joe \"1,5 late\" }",
         "rostrum.conf(1): modify-points: Joe: invalid value: 1,5 late (a decimal is written with "
         "a point: 1.5)"},
        {"modify-points { Joe \"-2,25\" }",
         "rostrum.conf(1): modify-points: Joe: invalid value: -2,25 (a decimal is written with a "
         "point: -2.25)"},
        {"modify-points { Joe 1/2.5 }",
         "rostrum.conf(1): modify-points: Joe: invalid value: 1/2.5 (a decimal has one point, like "
         "1.5)"},
        {"modify-points { Joe 1.5.2 }",
         "rostrum.conf(1): modify-points: Joe: invalid value: 1.5.2 (a decimal has one point, like "
         "1.5)"},
        // A class's cars, or a driver's class, unquoted.
        {"classes\n{\n    GTR FXR XRR FZR\n    TBO XRT\n}",
         "rostrum.conf(3): classes: GTR: a value with spaces is written in double quotes: "
         "GTR \"FXR XRR FZR\""},
        {"driver-classes { ann Pro Am }",
         "rostrum.conf(1): driver-classes: ann: a value with spaces is written in double quotes: "
         "ann \"Pro Am\""},
        {"driver-classes { ann \"\" }",
         "rostrum.conf(1): driver-classes: ann: no class: the user name is followed by his class: "
         "ann \"Am\""},
    };
    for (const auto& [text, message] : cases) {
        EXPECT_EQ(failure_of(text), message) << text;
    }
}

TEST(driver_sections, classes_list_their_cars_and_drivers_their_class) {
    const option_set set = read(R"(
classes
{
    GTR "FXR XRR"
    Am ""
    TBO "XRT  RB4 "
    GTR "FZR"
}
driver-classes
{
    Ann Am
    bob "Pro"
}
)");
    ASSERT_EQ(set.classes.size(), 3U);
    EXPECT_EQ(set.classes[0].name, "GTR");  // named again: the new cars, in its first place
    EXPECT_EQ(set.classes[0].cars, std::vector<std::string>{"FZR"});
    EXPECT_TRUE(set.classes[1].cars.empty());
    EXPECT_EQ(set.classes[2].cars, (std::vector<std::string>{"XRT", "RB4"}));
    EXPECT_EQ(set.class_of_car("RB4"), std::optional<std::string_view>("TBO"));
    EXPECT_EQ(set.class_of_car("XRR"), std::nullopt);
    EXPECT_EQ(set.driver_classes.at(make_name_key("ann")), "Am");
    EXPECT_EQ(set.driver_classes.at(make_name_key("BOB")), "Pro");
    EXPECT_TRUE(set.has_classes());
    EXPECT_FALSE(read("teams { }").has_classes());
}

TEST(driver_sections, adjustments_keep_where_they_were_written) {
    const option_set set = read(R"(penalties
{
    Ann 10
    bob dsq
    cid hide
}
modify-points
{
    Dan "-2 late"
}
)",
                                options::adjustment_entry::scope::event);
    using kind = options::adjustment_entry::kind;
    ASSERT_EQ(set.adjustments.size(), 4U);
    const std::tuple<kind, const char*, const char*> expected[] = {
        {kind::time_penalty, "Ann", "rostrum.conf(3)"},
        {kind::disqualification, "bob", "rostrum.conf(4)"},
        {kind::hidden, "cid", "rostrum.conf(5)"},
        {kind::points_change, "Dan", "rostrum.conf(9)"},
    };
    for (std::size_t i = 0; i < set.adjustments.size(); ++i) {
        const auto& [what, name, place] = expected[i];
        EXPECT_EQ(set.adjustments[i].what, what) << i;
        EXPECT_EQ(set.adjustments[i].driver.display, name) << i;
        EXPECT_EQ(set.adjustments[i].place, place) << i;
        EXPECT_EQ(set.adjustments[i].where, options::adjustment_entry::scope::event) << i;
    }
}

TEST(driver_sections, driver_names_must_be_utf8_that_code_page_1252_can_hold) {
    const char* sections[] = {
        "forced-names { \"%\" x }",
        "teams { team { \"%\" \"\" } }",
        "penalties { \"%\" dsq }",
        "modify-points { \"%\" 1 }",
    };
    for (std::string text : sections) {
        const auto at = text.find('%');
        std::string chinese = text;
        chinese.replace(at, 1, "\xE7\x8E\x8B");  // U+738B
        std::string broken = text;
        broken.replace(at, 1, "\xC3(");
        const std::string section = text.substr(0, text.find(' '));
        EXPECT_EQ(failure_of(chinese), "rostrum.conf(1): " + section +
                                           ": \xE7\x8E\x8B: latin1::encode_next: unable to "
                                           "encode code point")
            << chinese;
        EXPECT_EQ(failure_of(broken), "range error: bad conversion") << broken;
    }
}

TEST(driver_sections, team_names_may_hold_any_utf8_text) {
    // A team is shown, never matched against a replay name, so code page 1252 does not limit it.
    const option_set set = read(
        "teams { \"\xC5\x81\xC3\xB3"
        "d\xC5\xBA \xE7\x8E\x8B\" { ann \"\" } }");
    EXPECT_EQ(set.team_of(make_name_key("ann")),
              "\xC5\x81\xC3\xB3"
              "d\xC5\xBA \xE7\x8E\x8B");
    EXPECT_EQ(failure_of("teams { \"\xC3(\" { ann \"\" } }"), "range error: bad conversion");
}

TEST(driver_sections, the_name_is_checked_before_the_value) {
    EXPECT_EQ(failure_of("penalties { \"\xE7\x8E\x8B\" ban }"),
              "rostrum.conf(1): penalties: \xE7\x8E\x8B: latin1::encode_next: unable to encode "
              "code point");
}

TEST(driver_sections, only_the_first_of_two_sections_is_read) {
    const option_set set = read(R"(
penalties { a dsq }
penalties { b dsq  c ban }
)");
    EXPECT_EQ(set.disqualified.count(make_name_key("a")), 1U);
    EXPECT_EQ(set.disqualified.count(make_name_key("b")), 0U);
}

TEST(driver_sections, a_replaced_entry_keeps_its_first_key) {
    const option_set set = read(R"(
forced-names
{
    Alice one
    ALICE two
}
)");
    ASSERT_EQ(set.forced_names.size(), 1U);
    EXPECT_EQ(set.forced_names.begin()->first.display, "Alice");
    EXPECT_EQ(set.forced_names.begin()->second, "two");
}

}  // namespace

#include "options/config_file.h"

#include <gtest/gtest.h>

#include <boost/property_tree/info_parser.hpp>
#include <boost/property_tree/ptree.hpp>

#include <chrono>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "common/visible_text.h"
#include "console/console.h"
#include "support/fraction_text.h"
#include "support/stream_capture.h"
#include "support/temp_dir.h"

namespace {

using ::text_of;  // the fraction form; the overloads below add the value types

namespace fs = std::filesystem;
using options::option_set;

std::string text_of(const options::scoring_positions& table) {
    std::string text = table.reduced ? " (reduced)" : "";
    for (const points_value& points : table.points) {
        text += ' ' + text_of(points);
    }
    return text;
}

std::string text_of(const options::column_list& list) {
    std::string text;
    for (const options::column_type column : list.columns) {
        text += ' ' + std::string(options::column_name(column));
    }
    return text;
}

// The typed settings of a set, one per line.
std::string settings_of(const option_set& set) {
    std::ostringstream out;
    out << "race:" << text_of(set.race_points) << '\n'
        << "qualifying:" << text_of(set.qualifying_points) << '\n'
        << "grid:" << text_of(set.grid_points) << '\n'
        << "reduced-points: " << set.reduced_points << '\n'
        << "fastest-qualifier: " << text_of(set.fastest_qualifier.value) << '\n'
        << "fastest-qualifier-to-finish: " << text_of(set.fastest_qualifier_to_finish.value) << '\n'
        << "highest-climber: " << text_of(set.highest_climber.value) << '\n'
        << "highest-climber-with-qualifying-time: "
        << text_of(set.highest_climber_with_qualifying_time.value) << '\n'
        << "highest-climber-from-qualifying-position: "
        << text_of(set.highest_climber_from_qualifying_position.value) << '\n'
        << "fastest-lap: " << text_of(set.fastest_lap.value) << '\n'
        << "modes: " << options::shared_points_mode_name(set.shared_points_mode_fastest_lap) << ' '
        << options::shared_points_mode_name(set.shared_points_mode_fastest_qualifier) << ' '
        << options::shared_points_mode_name(set.shared_points_mode_highest_climber) << '\n'
        << "qualifying-columns:" << text_of(set.qualifying_columns) << '\n'
        << "race-columns:" << text_of(set.race_columns) << '\n'
        << "summary-columns:" << text_of(set.summary_columns) << '\n'
        << "team-summary-columns:" << text_of(set.team_summary_columns) << '\n'
        << "json: " << set.output_json << '\n'
        << "csv: " << set.output_csv << '\n'
        << "event-name: " << set.event_name.value_or("(none)") << '\n';
    return out.str();
}

const std::string default_settings = R"(race: 10 6 4 3 2 1
qualifying:
grid:
reduced-points: 0
fastest-qualifier: 0
fastest-qualifier-to-finish: 0
highest-climber: 0
highest-climber-with-qualifying-time: 0
highest-climber-from-qualifying-position: 0
fastest-lap: 0
modes: award-all award-all award-all
qualifying-columns: position driver team car best-lap handicap
race-columns: position driver team points grid-slot car finish-time best-lap handicap
summary-columns: position driver team points summary
team-summary-columns: position team points
json: 0
csv: 0
event-name: (none)
)";

class config_file : public ::testing::Test {
protected:
    temp_dir dir;

    // Writes `text` to `relative` in the temporary directory and returns its path.
    fs::path write(const std::string& relative, std::string_view text) {
        const fs::path path = dir.path() / relative;
        write_file(path, text);
        return path;
    }

    // Reads `text` as the file "rostrum.conf" over `set`; returns what reading returned.
    bool read_over(option_set& set, std::string_view text) {
        return options::read_options_file(set, write("rostrum.conf", text));
    }

    // The place of a line of the file "rostrum.conf" in messages.
    std::string place(int line) const {
        return (dir.path() / "rostrum.conf").string() + "(" + std::to_string(line) + ")";
    }

    option_set read(std::string_view text) {
        option_set set;
        read_over(set, text);
        return set;
    }

    // The message of the exception that reading `text` raises, and what it wrote before.
    std::string failure_of(std::string_view text, std::string* diagnostics = nullptr) {
        const stream_capture errors(error_stream());
        std::string message = "no failure";
        try {
            read(text);
        } catch (const std::exception& error) {
            message = error.what();
        }
        if (diagnostics) {
            *diagnostics = errors.text();
        }
        return message;
    }
};

TEST_F(config_file, an_empty_file_or_unknown_keys_change_nothing) {
    const stream_capture errors(error_stream());
    EXPECT_EQ(settings_of(read("")), default_settings);
    EXPECT_EQ(errors.text(), "");
    EXPECT_EQ(settings_of(read("colour red\npoints { race-table 1,2 }\n")), default_settings);
    EXPECT_EQ(errors.text(), "warning: " + place(1) + ": unknown key colour (ignored)\n" +
                                 "warning: " + place(2) +
                                 ": unknown key points.race-table (ignored); did you mean race?\n");
}

TEST_F(config_file, every_typed_key_is_read) {
    const option_set set = read(R"(
points
{
    race "25, 18, 15"
    qualifying 3,2,1
    grid 1/2
    reduced-points true
    fastest-qualifier 1
    fastest-qualifier-to-finish 2
    highest-climber 3
    highest-climber-with-qualifying-time 4
    highest-climber-from-qualifying-position -5
    fastest-lap 1/3
    shared-points-mode-fastest-lap award-first   ; read after the general key
    shared-points-mode divide-between
}
output
{
    qualifying-columns "position driver"
    race-columns "position driver car change"
    summary-columns ""
    team-summary-columns "team team points"
    json true
    csv 1
}
event-name "Round 1: Spa"
)");
    EXPECT_EQ(settings_of(set), R"(race: (reduced) 25 18 15
qualifying: (reduced) 3 2 1
grid: (reduced) 1/2
reduced-points: 1
fastest-qualifier: 1
fastest-qualifier-to-finish: 2
highest-climber: 3
highest-climber-with-qualifying-time: 4
highest-climber-from-qualifying-position: -5
fastest-lap: 1/3
modes: award-first divide-between divide-between
qualifying-columns: position driver
race-columns: position driver car change
summary-columns:
team-summary-columns: team team points
json: 1
csv: 1
event-name: Round 1: Spa
)");
}

TEST_F(config_file, an_empty_race_table_awards_nothing) {
    EXPECT_EQ(text_of(read("points { race \"\" }").race_points), "");
}

TEST_F(config_file, only_the_first_points_section_is_searched) {
    const stream_capture errors(error_stream());
    const option_set set = read("points { race 5 }\npoints { race 7\n fastest-lap 2 }\n");
    EXPECT_EQ(errors.text(), "warning: " + place(2) +
                                 ": repeated section points (ignored); the first, at line 1, "
                                 "counts\n");
    EXPECT_EQ(text_of(set.race_points), " 5");
    EXPECT_EQ(text_of(set.fastest_lap.value), "0");
}

TEST_F(config_file, booleans_are_read_as_the_property_tree_reads_them) {
    const std::pair<const char*, const char*> cases[] = {
        {"1", "true"},      {"true", "true"},   {" true ", "true"},  {"0", "false"},
        {"false", "false"}, {"yes", "invalid"}, {"TRUE", "invalid"}, {"on", "invalid"},
        {"2", "invalid"},   {"", "invalid"},
    };
    for (const auto& [value, expected] : cases) {
        option_set set;
        set.reduced_points = std::string_view(expected) != "true";  // so that a read shows
        std::string result;
        try {
            read_over(set, "points { reduced-points \"" + std::string(value) + "\" }");
            result = set.reduced_points ? "true" : "false";
        } catch (const std::runtime_error& error) {
            result = error.what() == place(1) + ": points.reduced-points: invalid value: " +
                                         std::string(value)
                         ? "invalid"
                         : error.what();
        }
        EXPECT_EQ(result, expected) << value;
    }
}

TEST_F(config_file, values_that_do_not_convert_end_the_reading) {
    const struct {
        const char* text;
        const char* message;
        const char* diagnostics;
    } cases[] = {
        {"points { race 10,x }", "points.race: invalid value: 10,x", ""},
        {"points { qualifying 10,5/0 }", "points.qualifying: invalid value: 10,5/0", ""},
        {"points { grid 25,18,99999999999 }", "points.grid: invalid value: 25,18,99999999999", ""},
        {"points { fastest-lap 1.5/2 }", "points.fastest-lap: invalid value: 1.5/2", ""},
        {"points { fastest-lap 1. }", "points.fastest-lap: invalid value: 1.", ""},
        {"points { fastest-qualifier -2147483648/-1 }",
         "points.fastest-qualifier: invalid value: -2147483648/-1", ""},
        {"points { highest-climber \"1 /2\" }", "points.highest-climber: invalid value: 1 /2", ""},
        {"points { shared-points-mode Award-All }",
         "points.shared-points-mode: invalid value: Award-All", ""},
        {"points { shared-points-mode-highest-climber \"award-all award-first\" }",
         "points.shared-points-mode-highest-climber: invalid value: award-all award-first", ""},
        {"points { fastest-lap \"1\\a\" }", "points.fastest-lap: invalid value: 1\\x07", ""},
        {"output { race-columns \"position driver cars\" }",
         "output.race-columns: invalid value: position driver cars", "invalid column type: cars\n"},
        {"output { team-summary-columns position,team }",
         "output.team-summary-columns: invalid value: position,team",
         "invalid column type: position,team\n"},
    };
    for (const auto& c : cases) {
        std::string diagnostics;
        EXPECT_EQ(failure_of(c.text, &diagnostics), place(1) + ": " + c.message) << c.text;
        EXPECT_EQ(diagnostics, c.diagnostics) << c.text;
    }
}

TEST_F(config_file, of_two_invalid_keys_the_first_in_reading_order_is_reported) {
    std::string diagnostics;
    EXPECT_EQ(failure_of(R"(
output { race-columns "position cars" }
points { fastest-lap x }
)",
                         &diagnostics),
              place(3) + ": points.fastest-lap: invalid value: x");
    EXPECT_EQ(diagnostics, "");
}

TEST_F(config_file, a_value_accepted_after_a_warning_is_reported) {
    const stream_capture errors(error_stream());
    option_set set;
    EXPECT_TRUE(read_over(set, "points\n{\n    race 20,15,1w2,10,8\n    qualifying 3,2.25,1\n}\n"));
    EXPECT_EQ(text_of(set.race_points), " 20 15 1");
    EXPECT_EQ(text_of(set.qualifying_points), " 3 9/4 1");
    EXPECT_EQ(errors.text(),
              "warning: " + place(3) +
                  ": points.race: invalid token near 2,10,8; the table keeps 20,15,1\n"
                  "warning: " + place(4) +
                  ": points.qualifying: 2.25 has 2 decimal places; if you meant two positions, "
                  "write 2,25 (fractions are written like 1/4)\n");
    EXPECT_FALSE(read_over(set, "points { race 10,6,\n qualifying 2,1,0.5 }"));
    EXPECT_EQ(text_of(set.race_points), " 10 6");
    EXPECT_EQ(text_of(set.qualifying_points), " 2 1 1/2");
}

TEST_F(config_file, warnings_of_an_event_file_are_indented) {
    const stream_capture errors(error_stream());
    option_set set;
    EXPECT_TRUE(options::read_options_file(set, write("rostrum.conf", "points { race \"10;6\" }"),
                                           options::config_scope::event));
    EXPECT_EQ(errors.text(), "  warning: " + place(1) +
                                 ": points.race: invalid token near 6; the table keeps 10\n");
}

TEST_F(config_file, slips_in_keys_and_sections_are_warnings) {
    const stream_capture errors(error_stream());
    option_set set;
    EXPECT_TRUE(read_over(set, R"(points
{
    race 25,18
    fastest-laps 3/2
    race 1,1
}
penalties { ann dsq }
penalty { bob dsq }
penalties { cid dsq }
teams
{
    Red { ann ""  bob "" }
    Blue { ANN "" }
}
)"));
    EXPECT_EQ(errors.text(),
              "warning: " + place(4) +
                  ": unknown key points.fastest-laps (ignored); did you mean fastest-lap?\n"
                  "warning: " + place(5) +
                  ": repeated key points.race (ignored); the first, at line 3, counts\n"
                  "warning: " + place(8) + ": unknown key penalty (ignored); did you mean penalties?\n"
                  "warning: " + place(9) +
                  ": repeated section penalties (ignored); the first, at line 7, counts\n"
                  "warning: " + place(13) +
                  ": teams: ANN is listed under \"Red\" (line 12) and \"Blue\"; the later, \"Blue\", "
                  "counts\n");
    EXPECT_EQ(text_of(set.race_points), " 25 18");
    EXPECT_EQ(set.disqualified.size(), 1U);
    EXPECT_EQ(set.team_of(make_name_key("ann")), "Blue");
}

TEST_F(config_file, a_comment_right_after_the_first_item_of_a_list_is_named) {
    const stream_capture errors(error_stream());
    option_set set;
    EXPECT_TRUE(read_over(set, "points\n{\n    race 25;18;15;12\n    qualifying 3,2,1 ; the usual\n}\n"
                               "output\n{\n    race-columns position;driver;car\n}\n"));
    EXPECT_EQ(errors.text(),
              "warning: " + place(3) +
                  ": points.race: \";\" starts a comment, so the table keeps 25; the points of a "
                  "table are separated by commas: 25,18,15,12\n"
                  "warning: " + place(8) +
                  ": output.race-columns: \";\" starts a comment, so the list keeps position; "
                  "columns are separated by spaces, in double quotes: \"position driver car\"\n");
    EXPECT_EQ(text_of(set.race_points), " 25");
    EXPECT_EQ(text_of(set.qualifying_points), " 3 2 1");
}

TEST_F(config_file, a_file_that_is_not_utf8_is_named_with_its_line) {
    const std::pair<std::string, std::string> cases[] = {
        {"championship-name \"Coupe d'\xC9t\xE9\"\n",
         place(1) + ": the byte 0xC9 is not UTF-8: the file was saved in another encoding; save "
                    "it as UTF-8"},
        {"; caf\xE9 in a comment is no matter\nforced-names\n{\n    J\xFCrgen x\n}\n",
         place(4) + ": the byte 0xFC is not UTF-8: the file was saved in another encoding; save "
                    "it as UTF-8"},
        {std::string("\xFF\xFEp\0o\0", 6),
         (dir.path() / "rostrum.conf").string() +
             " is saved as UTF-16 (Notepad's \"Unicode\"); save it as UTF-8"},
        {std::string("p\0o\0i\0n\0t\0s\0", 12),
         (dir.path() / "rostrum.conf").string() +
             " is saved as UTF-16 (Notepad's \"Unicode\"); save it as UTF-8"},
    };
    for (const auto& [text, message] : cases) {
        try {
            read(text);
            ADD_FAILURE() << "no error for " << text;
        } catch (const std::range_error& error) {
            EXPECT_EQ(error.what(), message);
        }
    }
}

TEST_F(config_file, reduced_points_reaches_the_tables_on_every_read) {
    option_set global = read("points { reduced-points 1 }");
    option_set event = global;
    read_over(event, "points { race 5,3 }");
    EXPECT_EQ(text_of(event.race_points), " (reduced) 5 3");
    EXPECT_EQ(text_of(event.qualifying_points), " (reduced)");

    option_set plain;
    plain.race_points.reduced = true;  // a stale flag is corrected by any read
    read_over(plain, "");
    EXPECT_EQ(text_of(plain.race_points), " 10 6 4 3 2 1");
}

TEST_F(config_file, an_event_file_overlays_a_copy_of_the_global_set) {
    const option_set global = read(R"(
points { race 3,2,1  shared-points-mode-fastest-lap award-first  fastest-lap 1 }
event-name "Global name"
forced-names { alice "Alice G." }
teams { Red { alice ""  bob "" } }
penalties { carl dsq  dave hide  erin 10 }
modify-points { bob 2 }
)");
    option_set event = global;
    read_over(event, R"(
points { shared-points-mode divide-between }
event-name ""
forced-names { ALICE "Alice E." }
teams { Blue { bob "" } }
penalties { frank disqualify  erin 20 }
)");
    EXPECT_EQ(settings_of(event), R"(race: 3 2 1
qualifying:
grid:
reduced-points: 0
fastest-qualifier: 0
fastest-qualifier-to-finish: 0
highest-climber: 0
highest-climber-with-qualifying-time: 0
highest-climber-from-qualifying-position: 0
fastest-lap: 1
modes: divide-between divide-between divide-between
qualifying-columns: position driver team car best-lap handicap
race-columns: position driver team points grid-slot car finish-time best-lap handicap
summary-columns: position driver team points summary
team-summary-columns: position team points
json: 0
csv: 0
event-name: Global name
)");
    EXPECT_EQ(event.forced_name_of(make_name_key("alice")), "Alice E.");
    EXPECT_EQ(event.team_of(make_name_key("alice")), "Red");
    EXPECT_EQ(event.team_of(make_name_key("bob")), "Blue");
    EXPECT_EQ(event.time_penalties.at(make_name_key("erin")), 20000);
    EXPECT_EQ(event.disqualified.size(), 2U);
    EXPECT_EQ(event.disqualified.count(make_name_key("carl")), 1U);
    EXPECT_EQ(event.hidden.count(make_name_key("dave")), 1U);
    EXPECT_EQ(event.points_modifications.size(), 1U);

    EXPECT_EQ(global.forced_name_of(make_name_key("alice")), "Alice G.");
    EXPECT_EQ(global.team_of(make_name_key("bob")), "Red");
    EXPECT_EQ(global.time_penalties.at(make_name_key("erin")), 10000);
    EXPECT_EQ(global.disqualified.size(), 1U);
    EXPECT_EQ(global.shared_points_mode_fastest_lap, options::shared_points_mode::award_first);
    EXPECT_EQ(global.shared_points_mode_fastest_qualifier, options::shared_points_mode::award_all);

    read_over(event, "event-name \"Event name\"");
    EXPECT_EQ(event.event_name, "Event name");
    EXPECT_EQ(global.event_name, "Global name");
}

TEST_F(config_file, blocks_of_the_championship_are_read_once_for_their_messages_and_kept) {
    const stream_capture errors(error_stream());
    std::vector<options::round_block> blocks;
    option_set set;
    EXPECT_TRUE(options::read_options_file(set, write("rostrum.conf", R"(points { race 10,6 }
round r02
{
    points { race "5;4" }
    penalties { tom 10 }
}
from r03 { championship-name Other  modify-points { joe "-3 late" } }
round r02 { event-name x }
)"),
                                           options::config_scope::championship, &blocks));
    EXPECT_EQ(errors.text(),
              "warning: " + place(7) +
                  ": championship-name is read from the championship's rostrum.conf only (ignored "
                  "here)\n"
                  "warning: " + place(8) + ": repeated round \"r02\" (ignored); the first, at line 2, "
              "counts\n"
              "warning: " + place(4) + ": points.race: invalid token near 4; the table keeps 5\n");
    // The top level alone is read into the set.
    EXPECT_EQ(text_of(set.race_points), " 10 6");
    EXPECT_TRUE(set.time_penalties.empty());
    EXPECT_TRUE(set.adjustments.empty());

    ASSERT_EQ(blocks.size(), 2U);
    EXPECT_EQ(blocks[0].what, options::round_block::kind::round);
    EXPECT_EQ(blocks[0].folder, "r02");
    EXPECT_EQ(blocks[0].place, place(2));
    EXPECT_EQ(blocks[1].what, options::round_block::kind::from);
    EXPECT_EQ(blocks[1].folder, "r03");
    const std::string written = errors.text();
    option_set event = set;
    options::overlay_block(event, blocks[0]);
    options::overlay_block(event, blocks[1]);
    EXPECT_EQ(errors.text(), written) << "a block read again writes nothing";
    EXPECT_EQ(text_of(event.race_points), " 5");
    EXPECT_EQ(event.time_penalties.at(make_name_key("tom")), 10000);
    EXPECT_EQ(event.points_modifications.at(make_name_key("joe")).label, "late");
    EXPECT_EQ(event.championship_name, "") << "a block cannot rename the championship";
    ASSERT_EQ(event.adjustments.size(), 2U);
    EXPECT_EQ(event.adjustments[0].where, options::adjustment_entry::scope::event);
    EXPECT_EQ(event.adjustments[0].place, place(5));
    EXPECT_EQ(event.adjustments[1].where, options::adjustment_entry::scope::from_block);

    // A value that cannot be read ends the reading of the championship's file.
    EXPECT_EQ(failure_of("round r01\n{\n    points { race 10,x }\n}\n"),
              place(3) + ": points.race: invalid value: 10,x");
}

TEST_F(config_file, blocks_in_an_event_file_are_not_read) {
    const stream_capture errors(error_stream());
    option_set set;
    EXPECT_TRUE(options::read_options_file(
        set, write("rostrum.conf", "round r01 { event-name x }\nevent-name y\n"),
        options::config_scope::event));
    EXPECT_EQ(errors.text(), "  warning: " + place(1) +
                                 ": round \"r01\" (ignored); round and from blocks are written at "
                                 "the top level of the championship's rostrum.conf\n");
    EXPECT_EQ(set.event_name, "y");
}

TEST_F(config_file, the_newest_input_time_only_grows) {
    const auto now = file_time_now();
    const fs::path path = write("rostrum.conf", "");
    fs::last_write_time(path, now + std::chrono::hours(1));
    option_set set;
    options::read_options_file(set, path);
    EXPECT_EQ(set.newest_input_time, now + std::chrono::hours(1));
    set.newest_input_time = now + std::chrono::hours(2);
    options::read_options_file(set, path);
    EXPECT_EQ(set.newest_input_time, now + std::chrono::hours(2));
}

TEST_F(config_file, templates_are_found_beside_an_event_file) {
    const auto now = file_time_now();
    const fs::path race = write("ev1/race.tpl", "<p>\r\n{{html:race-table}}\r\n</p>\r\r\n");
    const fs::path qualifying = write("ev1/sub/qualifying.tpl", "q");
    const fs::path absolute = write("elsewhere/series.tpl", "s");
    const fs::path config = write(
        "ev1/rostrum.conf", "template { race race.tpl\n qualifying sub/qualifying.tpl\n series \"" +
                                absolute.generic_string() + "\" }\n");
    fs::last_write_time(config, now + std::chrono::hours(2));
    fs::last_write_time(race, now + std::chrono::hours(3));
    fs::last_write_time(qualifying, now + std::chrono::hours(4));
    fs::last_write_time(absolute, now + std::chrono::hours(1));

    option_set set;
    options::read_options_file(set, config);
    EXPECT_EQ(set.race_template, "<p>\n{{html:race-table}}\n</p>\r\n");
    EXPECT_EQ(set.race_template_path, dir.path() / "ev1" / "race.tpl");
    EXPECT_EQ(set.qualifying_template, "q");
    EXPECT_EQ(set.qualifying_template_path, dir.path() / "ev1" / "sub" / "qualifying.tpl");
    EXPECT_EQ(set.series_template, "s");
    EXPECT_EQ(set.series_template_path, absolute);
    EXPECT_EQ(set.teams_template, std::nullopt);
    EXPECT_EQ(set.teams_template_path, std::nullopt);
    EXPECT_EQ(set.newest_input_time, now + std::chrono::hours(4));
}

TEST_F(config_file, templates_of_the_global_file_are_found_in_the_working_directory) {
    write("series.tpl", "series page");
    write("rostrum.conf", "template { series series.tpl }");
    const working_directory inside(dir.path());
    bool warning_written = true;
    const option_set set = options::load_global_options("rostrum.conf", warning_written);
    EXPECT_FALSE(warning_written);
    EXPECT_EQ(set.series_template, "series page");
    EXPECT_EQ(set.series_template_path, fs::path("series.tpl"));
}

TEST_F(config_file, a_template_that_cannot_be_read_ends_the_reading) {
    fs::create_directories(dir.path() / "ev1" / "folder.tpl");
    const fs::path config = write("ev1/rostrum.conf", "");
    const std::string place = config.string() + "(1): ";
    const std::pair<const char*, std::string> cases[] = {
        {"template { series \"\" }",
         place + "template.series: unable to read " + (dir.path() / "ev1" / "").string()},
        {"template { teams missing.tpl }",
         place + "template.teams: unable to read " + (dir.path() / "ev1" / "missing.tpl").string()},
        {"template { race folder.tpl }",
         place + "template.race: unable to read " + (dir.path() / "ev1" / "folder.tpl").string()},
        {"template { qualifying \"\" }",
         place + "template.qualifying: unable to read " + (dir.path() / "ev1" / "").string()},
        // A Windows path: "\r" is an escape of the file's syntax, so the name holds a carriage
        // return, shown visibly, with a word on how to write paths.
        {"template { race \"templates\\race.html\" }",
         place + "template.race: unable to read " +
             visible((dir.path() / "ev1" / "templates\race.html").string()) + "\n"
             "paths in rostrum.conf are written with \"/\": a backslash starts an escape (\\t is "
             "a tab, \\r a carriage return)"},
    };
    for (const auto& [text, message] : cases) {
        write_file(config, text);
        option_set set;
        try {
            options::read_options_file(set, config);
            ADD_FAILURE() << "no failure: " << text;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(error.what(), message);
        }
    }
}

TEST_F(config_file, a_byte_order_mark_is_skipped_and_includes_still_work) {
    const auto now = file_time_now();
    const fs::path included = write("shared.info", "output { race-columns \"position points\" }\n");
    const fs::path config =
        write("rostrum.conf", "\xEF\xBB\xBFpoints\n{\n    race 5,3\n}\n#include \"" +
                                  included.generic_string() + "\"\n");
    fs::last_write_time(config, now + std::chrono::hours(1));
    fs::last_write_time(included, now + std::chrono::hours(2));
    option_set set;
    options::read_options_file(set, config);
    EXPECT_EQ(text_of(set.race_points), " 5 3");
    EXPECT_EQ(text_of(set.race_columns), " position points");
    EXPECT_EQ(set.newest_input_time, now + std::chrono::hours(2)) << "an included file counts";
}

TEST_F(config_file, a_configuration_file_that_cannot_be_read) {
    const fs::path folder = dir.path() / "folder.conf";
    fs::create_directory(folder);
    for (const fs::path& path : {dir.path() / "missing.conf", folder}) {
        option_set set;
        try {
            options::read_options_file(set, path);
            ADD_FAILURE() << "no failure: " << path;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(error.what(), "unable to read " + path.string());
        }
    }
}

TEST_F(config_file, syntax_errors_name_the_file_and_the_line) {
    const std::string config = (dir.path() / "rostrum.conf").string();
    const fs::path included = write("broken.info", "a\n}\n");
    const std::pair<std::string, std::string> cases[] = {
        {"points\n{\n    race 5\n", config + "(4): unmatched {"},
        {"points\n{\n}\n}\n", config + "(4): unmatched }"},
        {"#define x\n", config + "(1): unknown directive"},
        {"\xEF\xBB\xBF#include \"" + included.generic_string() + "\"\n",
         included.generic_string() + "(2): unmatched }"},
        {"\n#include \"" + (dir.path() / "none").generic_string() + "\"\n",
         config + "(2): cannot open include file " + (dir.path() / "none").generic_string()},
        {"#include \"C:\\temp\\new.conf\"\n",
         config + "(1): cannot open include file C:\\temp\\x0Aew.conf\n"
                  "paths in rostrum.conf are written with \"/\": a backslash starts an escape (\\t "
                  "is a tab, \\r a carriage return)"},
        {"template\n{\n    race C:\\league\\race.html\n}\n",
         config + "(3): unknown escape sequence\n"
                  "paths in rostrum.conf are written with \"/\": a backslash starts an escape (\\t "
                  "is a tab, \\r a carriage return)"},
    };
    for (const auto& [text, message] : cases) {
        EXPECT_EQ(failure_of(text), message) << text;
    }
}

TEST_F(config_file, global_options_without_a_file_are_the_defaults) {
    bool warning_written = true;
    const option_set set =
        options::load_global_options(dir.path() / "rostrum.conf", warning_written);
    EXPECT_FALSE(warning_written);
    EXPECT_EQ(settings_of(set), default_settings);
    EXPECT_EQ(set.newest_input_time, fs::file_time_type::min());
}

TEST_F(config_file, global_options_report_a_warning) {
    const stream_capture errors(error_stream());
    bool warning_written = false;
    const option_set set = options::load_global_options(
        write("rostrum.conf", "points { race \"3;2\" }"), warning_written);
    EXPECT_TRUE(warning_written);
    EXPECT_EQ(text_of(set.race_points), " 3");
    EXPECT_EQ(errors.text(),
              "warning: " + place(1) + ": points.race: invalid token near 2; the table keeps 3\n");
}

// The annotated example configuration shipped in examples/ holds every key once and reads without
// a single warning.
TEST(config_file_example, the_annotated_example_holds_every_key_and_reads_cleanly) {
    const fs::path example = fs::path(EXAMPLES_DIR) / "annotated.conf";
    const stream_capture errors(error_stream());
    option_set set;
    EXPECT_FALSE(options::read_options_file(set, example));
    EXPECT_EQ(errors.text(), "");

    boost::property_tree::ptree tree;
    boost::property_tree::read_info(example.string(), tree);
    const options::key_catalogue& known = options::known_keys();
    for (const std::string& key : known.keys) {
        EXPECT_EQ(tree.count(key.substr(0, key.find('.'))), 1U) << key;
        EXPECT_TRUE(tree.get_child_optional(key)) << key << " is missing";
    }
    for (const std::string& section : known.name_sections) {
        EXPECT_EQ(tree.count(section), 1U) << section;
        EXPECT_FALSE(tree.get_child(section).empty()) << section;
    }
    for (const std::string& block : known.blocks) {
        EXPECT_EQ(tree.count(block), 1U) << block;
    }
    EXPECT_EQ(set.best_results.value, 8);
    EXPECT_EQ(set.time_penalties.at(make_name_key("boris_k")), 5000);
}

}  // namespace

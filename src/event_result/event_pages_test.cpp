#include "event_result/event_pages.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "console/console.h"
#include "support/stream_capture.h"

namespace {

using options::column_type;

// Lines 4 to 34 of both built-in templates.
constexpr const char* built_in_style = R"css(<style>
    .qualifying-results,
    .race-results {
        font-family: sans;
    }
    .no-team::before,
    .no-handicap::before {
        content: "(None)";
    }
    .no-grid::before,
    .no-change::before {
        content: "N/A";
    }
    .dsq,
    .no-team,
    .no-grid,
    .no-handicap,
    .no-change {
        color: gray;
        font-size: x-small;
    }
    .up::before {
        content: "↑";
    }
    .down::before {
        content: "↓";
    }
    .eq::before {
        content: "↔";
    }
</style>
)css";

// A page rendered from a built-in template: its title and its table.
std::string built_in_page(const std::string& title, const std::string& table) {
    return "<!doctype html>\n<meta charset=UTF-8>\n<title>" + title + "</title>\n" +
           built_in_style + table + "\n";
}

// 2022-01-01 09:05:00 UTC.
constexpr std::int64_t new_year_morning = 1641027900;

// A hostile text and its escaped form.
constexpr const char* hostile = "<script>\"x\" & y\n</script>";
constexpr const char* hostile_escaped = "&lt;script>&quot;x&quot; &amp; y&#xA;&lt;/script>";

name_key key(const std::string& display) {
    std::string match = display;
    for (char& c : match) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return {match, display};
}

race_row race_entry(const std::string& user, const std::string& name, const std::string& car,
                    std::int32_t laps, std::int64_t total_ms, std::int64_t gap_ms,
                    std::int64_t best_ms, std::int32_t grid_slot, std::uint32_t mass_kg = 0,
                    std::uint32_t intake_percent = 0) {
    race_row row;
    row.key = key(user);
    row.name = name;
    row.car = car;
    row.laps = laps;
    row.total_time_ms = total_ms;
    row.gap_ms = gap_ms;
    row.best_lap_ms = best_ms;
    row.grid_slot = grid_slot;
    row.mass_kg = mass_kg;
    row.intake_percent = intake_percent;
    return row;
}

qualifying_row qualifying_entry(const std::string& user, const std::string& name,
                                const std::string& car, std::int64_t best_ms,
                                std::uint32_t mass_kg = 0, std::uint32_t intake_percent = 0) {
    qualifying_row row;
    row.key = key(user);
    row.name = name;
    row.car = car;
    row.best_lap_ms = best_ms;
    row.mass_kg = mass_kg;
    row.intake_percent = intake_percent;
    return row;
}

score_entry score(points_value points, std::vector<score_item> breakdown) {
    score_entry entry;
    entry.points = points;
    entry.breakdown = std::move(breakdown);
    return entry;
}

options::option_set base_options() {
    options::option_set options;
    options.teams[key("alice")] = "Red & Co";
    options.teams[key("eve")] = "Blue";
    return options;
}

// A race on BL1: Alice wins with a handicap, Bob is 5.07 s behind on the same lap, Carl one lap
// down from no grid slot, Dave three laps down without a scores entry, Eve disqualified.
event_result small_race(options::option_set options) {
    event_result event;
    event.options = std::make_shared<const options::option_set>(std::move(options));
    race_result race;
    race.track_id = "BL1";
    race.race_length = "20 laps of";
    race.start_time = new_year_morning;
    race.results = {
        race_entry("Alice", "Alice A.", "XRT", 20, 1803450, 0, 83456, 3, 20, 10),
        race_entry("Bob", "Bob", "XRT", 20, 1808520, 5070, 84000, 1),
        race_entry("carl", "Carl", "FZR", 19, 1790000, -13450, 85109, 0, 0, 15),
        race_entry("dave", "Dave", "FZR", 17, 1900000, 96550, 3723456, 4),
    };
    race.dsq_results = {race_entry("eve", "Eve", "RB4", 20, 1700000, 0, 82000, 2, 30)};
    event.race = race;
    event.scores[key("alice")] = score(10, {{10, "1st"}});
    event.scores[key("bob")] =
        score(points_value(19, 3), {{6, "2nd"}, {points_value(1, 3), "fastest lap"}});
    event.scores[key("carl")] = score(points_value(1, 3), {{points_value(1, 3), "fastest lap"}});
    return event;
}

// Qualifying on BL1: Alice with ballast, Bob without handicap, Eve disqualified.
event_result small_qualifying(options::option_set options) {
    event_result event;
    event.options = std::make_shared<const options::option_set>(std::move(options));
    qualifying_result qualifying;
    qualifying.track_ids.insert("BL1");
    qualifying.start_time = new_year_morning;
    qualifying.results = {qualifying_entry("Alice", "Alice A.", "XRT", 83456, 20),
                          qualifying_entry("Bob", "Bob", "FZR", 84000)};
    qualifying.dsq_results = {qualifying_entry("eve", "Eve", "RB4", 82000, 0, 5)};
    event.qualifying = qualifying;
    return event;
}

std::string race_page(event_result& event) {
    std::ostringstream out;
    write_race_page(event, out);
    return out.str();
}

std::string qualifying_page(event_result& event) {
    std::ostringstream out;
    write_qualifying_page(event, out);
    return out.str();
}

TEST(event_pages, built_in_templates) {
    EXPECT_EQ(built_in_race_template,
              std::string("<!doctype html>\n<meta charset=UTF-8>\n"
                          "<title>{{race_length}} of {{track_id}} on {{session_time}} "
                          "(UTC)</title>\n") +
                  built_in_style + "{{html:race-table}}\n");
    EXPECT_EQ(built_in_qualifying_template,
              std::string("<!doctype html>\n<meta charset=UTF-8>\n"
                          "<title>Qualifying at {{track_id}} on {{session_time}} (UTC)</title>\n") +
                  built_in_style + "{{html:qualifying-table}}\n");
    EXPECT_EQ(built_in_race_template.size(), 658u);
    EXPECT_EQ(built_in_qualifying_template.size(), 659u);
}

TEST(event_pages, session_time_is_utc_in_asctime_layout_without_seconds_or_in_iso_8601) {
    const struct {
        std::int64_t start_time;
        const char* text;
        const char* iso;
    } cases[] = {
        {new_year_morning, "Sat Jan  1 09:05 2022", "2022-01-01T09:05:00Z"},
        {new_year_morning + 59, "Sat Jan  1 09:05 2022", "2022-01-01T09:05:59Z"},
        {0, "Thu Jan  1 00:00 1970", "1970-01-01T00:00:00Z"},
        {-1, "Wed Dec 31 23:59 1969", "1969-12-31T23:59:59Z"},
        {1709251199, "Thu Feb 29 23:59 2024", "2024-02-29T23:59:59Z"},
        {951782399, "Mon Feb 28 23:59 2000", "2000-02-28T23:59:59Z"},
        {951868800, "Wed Mar  1 00:00 2000", "2000-03-01T00:00:00Z"},
        {-2203891200, "Thu Mar  1 00:00 1900", "1900-03-01T00:00:00Z"},
        {std::numeric_limits<std::int32_t>::min(), "Fri Dec 13 20:45 1901", "1901-12-13T20:45:52Z"},
        {std::numeric_limits<std::int32_t>::max(), "Tue Jan 19 03:14 2038", "2038-01-19T03:14:07Z"},
        {std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1, "Tue Jan 19 03:14 2038",
         "2038-01-19T03:14:08Z"},
        // Years before 1000 keep four digits; the year before 1 is 0, the one before it -1.
        {-62135596800, "Mon Jan  1 00:00 1", "0001-01-01T00:00:00Z"},
        {-62135596801, "Sun Dec 31 23:59 0", "0000-12-31T23:59:59Z"},
        {-62135596800 - 367 * 86400, "Fri Dec 31 00:00 -1", "-0001-12-31T00:00:00Z"},
        // The unmerged qualifying start time stays well-defined.
        {std::numeric_limits<std::int64_t>::max(), "Sun Dec  4 15:30 292277026596",
         "292277026596-12-04T15:30:07Z"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(session_time_text(c.start_time), c.text) << c.start_time;
        EXPECT_EQ(iso_8601_time_text(c.start_time), c.iso) << c.start_time;
    }
}

TEST(event_pages, race_times_and_gaps) {
    const struct {
        std::int64_t milliseconds;
        const char* race_time;
        const char* gap;
    } cases[] = {
        {0, "0:00.00", "+0.00s"},
        {9, "0:00.00", "+0.00s"},
        {5070, "0:05.07", "+5.07s"},
        {59999, "0:59.99", "+59.99s"},
        {65300, "1:05.30", "+65.30s"},
        {83456, "1:23.45", "+83.45s"},
        {3599999, "59:59.99", "+3599.99s"},
        {3600000, "1:00:00.00", "+3600.00s"},
        {3723456, "1:02:03.45", "+3723.45s"},
        {-1250, "-0:01.25", "-1.25s"},
        {-3723456, "-1:02:03.45", "-3723.45s"},
        {std::numeric_limits<std::int64_t>::min(), "-2562047788015:12:55.80",
         "-9223372036854775.80s"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(race_time_text(c.milliseconds), c.race_time) << c.milliseconds;
        EXPECT_EQ(gap_text(c.milliseconds), c.gap) << c.milliseconds;
    }
}

TEST(event_pages, race_page_with_default_columns) {
    event_result event = small_race(base_options());
    const stream_capture errors(error_stream());
    EXPECT_EQ(
        race_page(event),
        built_in_page(
            "20 laps of BL1 on Sat Jan  1 09:05 2022 (UTC)",
            "<table class=race-results><caption>20 laps of BL1 on Sat Jan  1 09:05 2022 (UTC)"
            "</caption>\n"
            "<thead><tr><th><abbr title=Position>Pos</abbr><th>Driver<th>Team<th>Points<th>Grid"
            "<th>Car<th>Time<th>Best lap<th>Handicap</thead>\n"
            "<tbody>\n"
            "  <tr><td>1<td title=\"Alice\">Alice A.<td>Red &amp; Co<td title=\"10 (1st)\">10"
            "<td>3<td>XRT<td>30:03.45<td>1:23.45"
            "<td><span class=mass>20 kg</span>+<span class=intake>10 %</span></tr>\n"
            "  <tr><td>2<td title=\"Bob\">Bob<td class=no-team>"
            "<td title=\"6 (2nd) + 0.333333 (fastest lap)\">6.33333<td>1<td>XRT<td>+5.07s"
            "<td>1:24.00<td class=no-handicap></tr>\n"
            "  <tr><td>3<td title=\"carl\">Carl<td class=no-team>"
            "<td title=\"0.333333 (fastest lap)\">0.333333<td class=no-grid><td>FZR<td>+1 lap"
            "<td>1:25.10<td><span class=intake>15 %</span></tr>\n"
            "  <tr><td>4<td title=\"dave\">Dave<td class=no-team><td>0<td>4<td>FZR<td>+3 laps"
            "<td>1:02:03.45<td class=no-handicap></tr>\n"
            "  <tr class=dsq><td>DSQ<td title=\"eve\">Eve<td>Blue<td><td><td><td><td><td></tr>\n"
            "</tbody></table>"));
    EXPECT_EQ(errors.text(), "");
    EXPECT_FALSE(event.pause);
}

TEST(event_pages, qualifying_page_with_default_columns) {
    event_result event = small_qualifying(base_options());
    const stream_capture errors(error_stream());
    EXPECT_EQ(
        qualifying_page(event),
        built_in_page("Qualifying at BL1 on Sat Jan  1 09:05 2022 (UTC)",
                      "<table class=qualifying-results><caption>Qualifying at BL1 on Sat "
                      "Jan  1 09:05 2022 (UTC)</caption>\n"
                      "<thead><tr><th><abbr title=Position>Pos</abbr><th>Driver<th>Team"
                      "<th>Car<th>Time<th>Handicap</thead>\n"
                      "<tbody>\n"
                      "  <tr><td>1<td title=\"Alice\">Alice A.<td>Red &amp; Co<td>XRT"
                      "<td>1:23.45<td><span class=mass>20 kg</span></tr>\n"
                      "  <tr><td>2<td title=\"Bob\">Bob<td class=no-team><td>FZR<td>1:24.00"
                      "<td class=no-handicap></tr>\n"
                      "  <tr class=dsq><td>DSQ<td title=\"eve\">Eve<td>Blue<td><td><td></tr>\n"
                      "</tbody></table>"));
    EXPECT_EQ(errors.text(), "");
    EXPECT_FALSE(event.pause);
}

TEST(event_pages, change_column_compares_finishing_position_with_grid_slot) {
    options::option_set options;
    options.race_columns.columns = {column_type::position, column_type::change};
    options.race_template = "{{html:race-table}}";
    event_result event = small_race(options);
    auto& rows = event.race->results;
    const std::int32_t slots[] = {0, 1, 7, 4, 5, 3, 3};
    rows.resize(std::size(slots), rows.back());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].grid_slot = slots[i];
    }
    EXPECT_EQ(race_page(event),
              "<table class=race-results><caption>20 laps of BL1 on Sat Jan  1 09:05 2022 (UTC)"
              "</caption>\n"
              "<thead><tr><th><abbr title=Position>Pos</abbr><th>↕</thead>\n"
              "<tbody>\n"
              "  <tr><td>1<td class=no-change></tr>\n"
              "  <tr><td>2<td class=down>1</tr>\n"
              "  <tr><td>3<td class=up>4</tr>\n"
              "  <tr><td>4<td class=eq>0</tr>\n"
              "  <tr><td>5<td class=eq>0</tr>\n"
              "  <tr><td>6<td class=down>3</tr>\n"
              "  <tr><td>7<td class=down>4</tr>\n"
              "  <tr class=dsq><td>DSQ<td></tr>\n"
              "</tbody></table>");
}

TEST(event_pages, a_row_without_a_time_has_an_empty_best_lap_cell) {
    options::option_set options;
    options.race_columns.columns = {column_type::position, column_type::best_lap};
    options.qualifying_columns.columns = options.race_columns.columns;
    options.race_template = "{{html:race-table}}";
    options.qualifying_template = "{{html:qualifying-table}}";
    event_result race = small_race(options);
    race.race->results[1].best_lap_ms = 0;
    race.race->results[2].best_lap_ms = -5;
    EXPECT_EQ(race_page(race),
              "<table class=race-results><caption>20 laps of BL1 on Sat Jan  1 09:05 2022 (UTC)"
              "</caption>\n"
              "<thead><tr><th><abbr title=Position>Pos</abbr><th>Best lap</thead>\n"
              "<tbody>\n"
              "  <tr><td>1<td>1:23.45</tr>\n"
              "  <tr><td>2<td></tr>\n"
              "  <tr><td>3<td></tr>\n"
              "  <tr><td>4<td>1:02:03.45</tr>\n"
              "  <tr class=dsq><td>DSQ<td></tr>\n"
              "</tbody></table>");
    event_result qualifying = small_qualifying(options);
    qualifying.qualifying->results.push_back(qualifying_entry("carl", "Carl", "FZR", 0));
    qualifying.qualifying->results.push_back(qualifying_entry("dave", "Dave", "FZR", -1));
    EXPECT_EQ(qualifying_page(qualifying),
              "<table class=qualifying-results><caption>Qualifying at BL1 on Sat Jan  1 09:05 "
              "2022 (UTC)</caption>\n"
              "<thead><tr><th><abbr title=Position>Pos</abbr><th>Time</thead>\n"
              "<tbody>\n"
              "  <tr><td>1<td>1:23.45</tr>\n"
              "  <tr><td>2<td>1:24.00</tr>\n"
              "  <tr><td>3<td></tr>\n"
              "  <tr><td>4<td></tr>\n"
              "  <tr class=dsq><td>DSQ<td></tr>\n"
              "</tbody></table>");
}

TEST(event_pages, penalty_column_shows_the_applied_penalty_or_dsq) {
    options::option_set options = base_options();
    options.race_columns.columns = {column_type::driver, column_type::penalty};
    options.race_template = "{{championship_name}}: {{html:race-table}}";
    options.championship_name = "Winter <Cup>";
    options.time_penalties[key("alice")] = 5000;
    options.time_penalties[key("bob")] = 1500;
    options.time_penalties[key("carl")] = -3000;
    options.time_penalties[key("eve")] = 10000;  // disqualified as well: DSQ
    event_result event = small_race(options);
    EXPECT_EQ(race_page(event),
              "Winter &lt;Cup>: <table class=race-results><caption>20 laps of BL1 on Sat Jan  1 "
              "09:05 2022 (UTC)</caption>\n"
              "<thead><tr><th>Driver<th>Penalty</thead>\n"
              "<tbody>\n"
              "  <tr><td title=\"Alice\">Alice A.<td>+5s</tr>\n"
              "  <tr><td title=\"Bob\">Bob<td>+1.5s</tr>\n"
              "  <tr><td title=\"carl\">Carl<td>-3s</tr>\n"
              "  <tr><td title=\"dave\">Dave<td></tr>\n"
              "  <tr class=dsq><td title=\"eve\">Eve<td>DSQ</tr>\n"
              "</tbody></table>");
    const std::pair<std::int64_t, const char*> texts[] = {
        {5000, "+5s"}, {1250, "+1.25s"}, {-500, "-0.5s"}, {1001, "+1.001s"}, {0, "+0s"}};
    for (const auto& [milliseconds, text] : texts) {
        EXPECT_EQ(penalty_text(milliseconds), text) << milliseconds;
    }
}

TEST(event_pages, unsupported_columns_are_left_out_with_a_warning) {
    options::option_set options = base_options();
    options.race_columns.columns = {column_type::position, column_type::summary,
                                    column_type::driver};
    options.qualifying_columns.columns = {column_type::points,    column_type::position,
                                          column_type::grid_slot, column_type::finish_time,
                                          column_type::change,    column_type::summary,
                                          column_type::penalty,   column_type::best_lap};
    options.race_template = "{{html:race-table}}";
    options.qualifying_template = "{{html:qualifying-table}}";
    {
        event_result event = small_race(options);
        event.race->results.resize(1);
        event.race->dsq_results.clear();
        const stream_capture errors(error_stream());
        EXPECT_EQ(race_page(event),
                  "<table class=race-results><caption>20 laps of BL1 on Sat Jan  1 09:05 2022 "
                  "(UTC)</caption>\n"
                  "<thead><tr><th><abbr title=Position>Pos</abbr><th>Driver</thead>\n"
                  "<tbody>\n"
                  "  <tr><td>1<td title=\"Alice\">Alice A.</tr>\n"
                  "</tbody></table>");
        EXPECT_EQ(errors.text(), "warning: unsupported column for race: summary\n");
        EXPECT_TRUE(event.pause);
    }
    {
        event_result event = small_qualifying(options);
        const stream_capture errors(error_stream());
        EXPECT_EQ(qualifying_page(event),
                  "<table class=qualifying-results><caption>Qualifying at BL1 on Sat Jan  1 "
                  "09:05 2022 (UTC)</caption>\n"
                  "<thead><tr><th><abbr title=Position>Pos</abbr><th>Time</thead>\n"
                  "<tbody>\n"
                  "  <tr><td>1<td>1:23.45</tr>\n"
                  "  <tr><td>2<td>1:24.00</tr>\n"
                  "  <tr class=dsq><td>DSQ<td></tr>\n"
                  "</tbody></table>");
        EXPECT_EQ(errors.text(),
                  "warning: unsupported column for qualifying: points\n"
                  "warning: unsupported column for qualifying: grid-slot\n"
                  "warning: unsupported column for qualifying: finish-time\n"
                  "warning: unsupported column for qualifying: change\n"
                  "warning: unsupported column for qualifying: summary\n"
                  "warning: unsupported column for qualifying: penalty\n");
        EXPECT_TRUE(event.pause);
    }
}

// Names, user names, forced names, teams, cars and the event name are user text: none of it may
// turn into markup, on either page.
TEST(event_pages, user_text_is_escaped_on_both_pages) {
    const std::string h = hostile;
    const std::string e = hostile_escaped;
    options::option_set options;
    options.event_name = h + "event";
    options.teams[key("a")] = h + "team";
    options.forced_names[key("b")] = h + "forced";
    options.race_columns.columns = {column_type::driver, column_type::team, column_type::car};
    options.qualifying_columns = options.race_columns;
    options.race_template = "{{track_id}}|{{html:race-table}}";
    options.qualifying_template = "{{track_id}}|{{html:qualifying-table}}";

    const std::string caption_track = e + "event on Sat Jan  1 09:05 2022 (UTC)</caption>\n";
    std::string rows = "<thead><tr><th>Driver<th>Team<th>Car</thead>\n<tbody>\n";
    rows +=
        "  <tr><td title=\"" + e + "user\">" + e + "nick<td>" + e + "team<td>" + e + "car</tr>\n";
    rows += "  <tr><td title=\"b\">" + e + "forced<td class=no-team><td>XRT</tr>\n";
    rows += "</tbody></table>";

    event_result race_event = small_race(options);
    race_event.race->results = {race_entry("A", h + "nick", h + "car", 20, 1000, 0, 900, 1),
                                race_entry("b", h + "forced", "XRT", 20, 2000, 1000, 900, 2)};
    race_event.race->results[0].key.display = h + "user";
    race_event.race->dsq_results.clear();
    EXPECT_EQ(race_page(race_event),
              e + "event|<table class=race-results><caption>20 laps of " + caption_track + rows);

    event_result qualifying_event = small_qualifying(options);
    qualifying_event.qualifying->results = {qualifying_entry("A", h + "nick", h + "car", 900),
                                            qualifying_entry("b", h + "forced", "XRT", 900)};
    qualifying_event.qualifying->results[0].key.display = h + "user";
    qualifying_event.qualifying->dsq_results.clear();
    EXPECT_EQ(
        qualifying_page(qualifying_event),
        e + "event|<table class=qualifying-results><caption>Qualifying at " + caption_track + rows);

    // A manual change's label reaches the points cell's tooltip.
    options.race_columns.columns = {column_type::points};
    options.race_template = "{{html:race-table}}";
    event_result labelled = small_race(options);
    labelled.race->results.resize(1);
    labelled.race->dsq_results.clear();
    labelled.scores[key("alice")] = score(3, {{2, "1st"}, {1, h}});
    EXPECT_EQ(race_page(labelled), "<table class=race-results><caption>20 laps of " +
                                       caption_track +
                                       "<thead><tr><th>Points</thead>\n<tbody>\n"
                                       "  <tr><td title=\"2 (1st) + 1 (" +
                                       e + ")\">3</tr>\n</tbody></table>");
}

TEST(event_pages, event_name_replaces_the_track_on_both_pages) {
    options::option_set options;
    options.event_name = "Round 1";
    options.race_columns.columns = {};
    options.qualifying_columns.columns = {};
    event_result race_event = small_race(options);
    race_event.race->results.clear();
    race_event.race->dsq_results.clear();
    EXPECT_EQ(race_page(race_event),
              built_in_page("20 laps of Round 1 on Sat Jan  1 09:05 2022 (UTC)",
                            "<table class=race-results><caption>20 laps of Round 1 on Sat Jan  1 "
                            "09:05 2022 (UTC)</caption>\n<thead><tr></thead>\n<tbody>\n"
                            "</tbody></table>"));

    event_result qualifying_event = small_qualifying(options);
    qualifying_event.qualifying->track_ids.insert("AS1");
    qualifying_event.qualifying->results.clear();
    qualifying_event.qualifying->dsq_results.clear();
    EXPECT_EQ(qualifying_page(qualifying_event),
              built_in_page("Qualifying at Round 1 on Sat Jan  1 09:05 2022 (UTC)",
                            "<table class=qualifying-results><caption>Qualifying at Round 1 on "
                            "Sat Jan  1 09:05 2022 (UTC)</caption>\n<thead><tr></thead>\n"
                            "<tbody>\n</tbody></table>"));
}

TEST(event_pages, qualifying_tracks_are_joined_in_the_order_they_were_met) {
    options::option_set options;
    options.qualifying_template = "{{track_id}}|{{html:qualifying-table}}";
    options.qualifying_columns.columns = {};
    event_result event = small_qualifying(options);
    event.qualifying->track_ids.insert("AS1");
    event.qualifying->track_ids.insert("BL1");
    event.qualifying->track_ids.insert("FE2");
    event.qualifying->results.clear();
    event.qualifying->dsq_results.clear();
    EXPECT_EQ(qualifying_page(event),
              "BL1+AS1+FE2|<table class=qualifying-results><caption>Qualifying at BL1+AS1+FE2 on "
              "Sat Jan  1 09:05 2022 (UTC)</caption>\n<thead><tr></thead>\n<tbody>\n"
              "</tbody></table>");
}

TEST(event_pages, qualifying_without_a_track_renders_nothing) {
    event_result event = small_qualifying(base_options());
    event.qualifying->track_ids = {};
    const stream_capture errors(error_stream());
    EXPECT_EQ(qualifying_page(event), "");
    EXPECT_EQ(errors.text(), "warning: qualifying track_ids empty\n");
    EXPECT_TRUE(event.pause);
}

TEST(event_pages, race_length_tag_drops_the_closing_word_and_the_caption_keeps_it) {
    const struct {
        const char* race_length;
        const char* tag;
    } cases[] = {
        {"20 laps of", "20 laps"},
        {"1 hours of", "1 hours"},
        {"Practice session in", "Practice session"},
        {"abc", ""},
        {"ab", "ab"},
    };
    options::option_set options;
    options.race_template = "{{race_length}}|{{html:race-table}}";
    options.race_columns.columns = {};
    for (const auto& c : cases) {
        event_result event = small_race(options);
        event.race->race_length = c.race_length;
        event.race->results.clear();
        event.race->dsq_results.clear();
        EXPECT_EQ(race_page(event), std::string(c.tag) + "|<table class=race-results><caption>" +
                                        c.race_length +
                                        " BL1 on Sat Jan  1 09:05 2022 (UTC)</caption>\n"
                                        "<thead><tr></thead>\n<tbody>\n</tbody></table>")
            << c.race_length;
    }
}

TEST(event_pages, configured_templates_are_named_by_their_path_in_errors) {
    options::option_set options;
    options.race_template = "{{session_time}} {{oops}}";
    options.race_template_path = "./ev1/my race.html";
    options.qualifying_template = "<p>{{track_id}}{{";
    options.qualifying_template_path = "templates/qualifying.html";
    {
        event_result event = small_race(options);
        std::ostringstream out;
        try {
            write_race_page(event, out);
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()),
                      "template: ./ev1/my race.html: unrecognized tag: oops");
        }
        EXPECT_EQ(out.str(), "Sat Jan  1 09:05 2022 ");
    }
    {
        event_result event = small_qualifying(options);
        std::ostringstream out;
        try {
            write_qualifying_page(event, out);
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()),
                      "template: templates/qualifying.html: end of template while scanning for }}");
        }
        EXPECT_EQ(out.str(), "<p>BL1");
    }
}

}  // namespace

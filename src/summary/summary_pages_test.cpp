#include "summary/summary_pages.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "console/console.h"
#include "support/stream_capture.h"

namespace {

using options::column_type;

using team_list = std::vector<std::pair<std::string, std::string>>;  // user name, team

event_result race_event(const std::string& track, const team_list& teams = {},
                        std::optional<std::string> event_name = std::nullopt) {
    auto options = std::make_shared<options::option_set>();
    for (const auto& [user, team] : teams) {
        options->teams[make_name_key(user)] = team;
    }
    options->event_name = std::move(event_name);
    event_result event;
    event.options = std::move(options);
    event.race.emplace();
    event.race->track_id = track;
    return event;
}

// Adds a driver's result to an event; his points are the sum of the breakdown.
score_entry& add_result(event_result& event, const std::string& user, const std::string& name,
                        std::vector<score_item> breakdown,
                        std::optional<std::int32_t> finish = std::nullopt,
                        std::optional<std::int32_t> qualifying = std::nullopt) {
    score_entry& entry = event.scores[make_name_key(user)];
    entry.name = name;
    entry.finish_position = finish;
    entry.qualifying_position = qualifying;
    for (const score_item& item : breakdown) {
        entry.points = *checked_sum(entry.points, item.points);
    }
    entry.breakdown = std::move(breakdown);
    return entry;
}

options::option_set columns(std::vector<column_type> series, std::vector<column_type> teams = {}) {
    options::option_set options;
    options.summary_columns.columns = std::move(series);
    options.team_summary_columns.columns = std::move(teams);
    return options;
}

std::string series_table(const options::option_set& options,
                         const std::vector<event_result>& events, bool& summary_warning) {
    const standings s = build_standings(events);
    std::ostringstream out;
    write_series_table(out, options, events, summary_warning, s.driver_ranking);
    return out.str();
}

std::string team_table(const options::option_set& options, const std::vector<event_result>& events,
                       bool& summary_warning) {
    const standings s = build_standings(events);
    std::ostringstream out;
    write_team_table(out, options, summary_warning, s.team_ranking);
    return out.str();
}

TEST(summary_pages, builtin_templates) {
    const struct {
        int tabs;
        const char* text;
    } series_lines[] = {
        {0, "<!doctype html>"},
        {0, "<meta charset=UTF-8>"},
        {0, "<title>Summary</title>"},
        {0, "<style>"},
        {1, "table {"},
        {2, "font-family: sans;"},
        {1, "}"},
        {1, ".f1 {"},
        {2, "background-color: gold;"},
        {1, "}"},
        {1, ".f2 {"},
        {2, "background-color: silver;"},
        {1, "}"},
        {1, ".f3 {"},
        {2, "background-color: #cd7f32;"},
        {1, "}"},
        {1, ".q1 {"},
        {2, "font-weight: bold;"},
        {1, "}"},
        {1, ".handicap {"},
        {2, "font-style: italic;"},
        {1, "}"},
        {1, ".fastest-lap {"},
        {2, "text-decoration: underline;"},
        {1, "}"},
        {1, ".no-team {"},
        {2, "color: gray;"},
        {2, "font-size: x-small;"},
        {1, "}"},
        {1, ".no-team::before {"},
        {2, "content: \"(None)\";"},
        {1, "}"},
        {1, ".participant,"},
        {1, ".total {"},
        {2, "text-align: center;"},
        {1, "}"},
        {0, "</style>"},
        {0, "{{html:series-table}}"},
    };
    std::string series;
    for (const auto& line : series_lines) {
        series += std::string(static_cast<std::size_t>(line.tabs), '\t') + line.text + "\n";
    }
    EXPECT_EQ(builtin_series_template, series);
    EXPECT_EQ(builtin_series_template.size(), 509u);

    EXPECT_EQ(builtin_teams_template,
              "<!doctype html>\n<meta charset=UTF-8>\n<title>Teams' summary</title>\n"
              "{{html:teams-table}}\n");
    EXPECT_EQ(builtin_teams_template.size(), 88u);
}

TEST(summary_pages, series_table_with_the_default_columns) {
    std::vector<event_result> events;
    events.push_back(race_event("BL1", {{"Alice", "Red"}, {"Carl", "Red"}}));
    add_result(events[0], "Alice", "Alice A.", {{10, "1st"}, {1, "fastest lap"}}, 1, 2)
        .fastest_lap = true;
    add_result(events[0], "Bob", "Bob", {{6, "2nd"}}, 2, 1);
    add_result(events[0], "Carl", "Carl", {{4, "3rd"}}, 3).handicap = true;
    events.push_back(race_event("SO1", {{"Alice", "Red"}}, "Round 2"));
    add_result(events[1], "Bob", "Bobby", {{10, "1st"}}, 1).highest_climber = true;
    add_result(events[1], "alice", "Alice A.", {{6, "2nd"}}, 2);

    stream_capture errors(error_stream());
    bool summary_warning = false;
    EXPECT_EQ(series_table(options::option_set{}, events, summary_warning),
              "<table><thead><tr><th><abbr title=Position>Pos</abbr><th>Driver<th>Team<th>Total"
              "<th class=track-name>BL1<th class=track-name>Round 2</thead><tbody>"
              "<tr><td>1<td title=\"Alice\">Alice A.<td>Red"
              "<td class=total title=\"R: 1st, 2nd&#xA;Q: 2nd\">17"
              "<td title=\"10 (1st) + 1 (fastest lap)\" class=\"f1 q2 fastest-lap participant\">11"
              "<td title=\"6 (2nd)\" class=\"f2 participant\">6</tr>\n"
              "<tr><td>2<td title=\"Bob\">Bobby<td class=no-team>"
              "<td class=total title=\"R: 1st, 2nd&#xA;Q: 1st\">16"
              "<td title=\"6 (2nd)\" class=\"f2 q1 participant\">6"
              "<td title=\"10 (1st)\" class=\"f1 highest-climber participant\">10</tr>\n"
              "<tr><td>3<td title=\"Carl\">Carl<td>Red<td class=total title=\"R: 3rd\">4"
              "<td title=\"4 (3rd)\" class=\"f3 handicap participant\">4"
              "<td class=non-participant></tr>\n"
              "</tbody></table>");
    EXPECT_FALSE(summary_warning);
    EXPECT_EQ(errors.text(), "");
}

TEST(summary_pages, equal_standings_numbered_in_turn_and_empty_breakdowns) {
    std::vector<event_result> events;
    events.push_back(race_event("AS1"));
    add_result(events[0], "Dan", "Dan", {{1, "6th"}}, 6);
    add_result(events[0], "Eve", "Eve", {{1, "bonus"}});
    add_result(events[0], "Fay", "Fay", {}, 7);

    bool summary_warning = false;
    EXPECT_EQ(series_table(columns({column_type::position, column_type::points,
                                    column_type::summary, column_type::position}),
                           events, summary_warning),
              "<table><thead><tr><th><abbr title=Position>Pos</abbr><th>Total"
              "<th class=track-name>AS1<th><abbr title=Position>Pos</abbr></thead><tbody>"
              "<tr><td>1<td class=total title=\"R: 6th\">1"
              "<td title=\"1 (6th)\" class=\"f6 participant\">1<td>1</tr>\n"
              "<tr><td>2<td class=total title=\"\">1"
              "<td title=\"1 (bonus)\" class=\"participant\">1<td>2</tr>\n"
              "<tr><td>3<td class=total title=\"R: 7th\">0"
              "<td title=\"\" class=\"f7 participant\">0<td>3</tr>\n"
              "</tbody></table>");
    EXPECT_FALSE(summary_warning);
}

TEST(summary_pages, dropped_rounds_are_shown_in_parentheses) {
    std::vector<event_result> events;
    events.push_back(race_event("BL1"));
    add_result(events[0], "Ann", "Ann", {{10, "1st"}}, 1);
    add_result(events[0], "Bob", "Bob", {{6, "2nd"}}, 2);
    events.push_back(race_event("AS1"));
    add_result(events[1], "Ann", "Ann", {{6, "2nd"}, {-2, "late"}}, 2).manual_change = -2;
    events.push_back(race_event("SO1"));
    add_result(events[2], "Ann", "Ann", {{10, "1st"}}, 1);
    add_result(events[2], "Bob", "Bob", {{6, "2nd"}}, 2);

    const standings s = build_standings(events, 2);
    std::ostringstream out;
    bool summary_warning = false;
    write_series_table(out, columns({column_type::driver, column_type::points, column_type::summary}),
                       events, summary_warning, s.driver_ranking);
    // Ann keeps her two wins, and the -2 of the dropped round still counts; Bob's missed round is
    // the one he drops, an empty cell as before.
    EXPECT_EQ(out.str(),
              "<table><thead><tr><th>Driver<th>Total<th class=track-name>BL1"
              "<th class=track-name>AS1<th class=track-name>SO1</thead><tbody>"
              "<tr><td title=\"Ann\">Ann<td class=total title=\"R: 2×1st, 2nd\">18"
              "<td title=\"10 (1st)\" class=\"f1 participant\">10"
              "<td title=\"6 (2nd) + -2 (late)&#xA;dropped from the total; the manual change still "
              "counts\" class=\"f2 participant dropped\">(4)"
              "<td title=\"10 (1st)\" class=\"f1 participant\">10</tr>\n"
              "<tr><td title=\"Bob\">Bob<td class=total title=\"R: 2×2nd\">12"
              "<td title=\"6 (2nd)\" class=\"f2 participant\">6<td class=non-participant>"
              "<td title=\"6 (2nd)\" class=\"f2 participant\">6</tr>\n"
              "</tbody></table>");
}

TEST(summary_pages, a_round_disqualified_from_the_race_is_not_shown_as_absent) {
    // Ann is disqualified from the AS1 race: without a score there, and with a qualifying point.
    std::vector<event_result> events;
    events.push_back(race_event("BL1"));
    add_result(events[0], "Ann", "Ann", {{10, "1st"}}, 1);
    add_result(events[0], "Bob", "Bob", {{6, "2nd"}}, 2);
    for (const char* track : {"AS1", "SO1"}) {
        events.push_back(race_event(track));
        add_result(events.back(), "Bob", "Bob", {{10, "1st"}}, 1);
        race_row out;
        out.key = make_name_key("ann");
        events.back().race->dsq_results.push_back(out);
    }
    add_result(events[2], "Ann", "Ann", {{1, "3rd in qualifying"}}, std::nullopt, 3);

    bool summary_warning = false;
    EXPECT_EQ(series_table(columns({column_type::driver, column_type::summary}), events,
                           summary_warning),
              "<table><thead><tr><th>Driver<th class=track-name>BL1<th class=track-name>AS1"
              "<th class=track-name>SO1</thead><tbody>"
              "<tr><td title=\"Bob\">Bob<td title=\"6 (2nd)\" class=\"f2 participant\">6"
              "<td title=\"10 (1st)\" class=\"f1 participant\">10"
              "<td title=\"10 (1st)\" class=\"f1 participant\">10</tr>\n"
              "<tr><td title=\"Ann\">Ann<td title=\"10 (1st)\" class=\"f1 participant\">10"
              "<td class=disqualified>"
              "<td title=\"1 (3rd in qualifying)\" class=\"q3 disqualified participant\">1</tr>\n"
              "</tbody></table>");
}

TEST(summary_pages, event_titles) {
    event_result qualifying_only;
    qualifying_only.options = std::make_shared<options::option_set>();
    qualifying_only.qualifying.emplace();
    qualifying_only.qualifying->track_ids.insert("BL1");
    qualifying_only.qualifying->track_ids.insert("AS3R");
    qualifying_only.qualifying->track_ids.insert("BL1");

    event_result named_but_empty = race_event("", {}, "Finale");
    named_but_empty.race.reset();

    const std::vector<event_result> events{std::move(qualifying_only), std::move(named_but_empty)};
    bool summary_warning = false;
    EXPECT_EQ(series_table(columns({column_type::summary}), events, summary_warning),
              "<table><thead><tr><th class=track-name>BL1+AS3R<th class=track-name>Finale"
              "</thead><tbody></tbody></table>");

    std::vector<event_result> invalid(1);
    invalid[0].options = std::make_shared<options::option_set>();
    std::ostringstream out;
    try {
        write_series_table(out, columns({column_type::summary}), invalid, summary_warning, {});
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "start_time() called on invalid event");
    }
}

TEST(summary_pages, unsupported_columns_are_left_out_with_a_warning) {
    std::vector<event_result> events;
    events.push_back(race_event("BL1", {{"Gus", "Red"}}));
    add_result(events[0], "Gus", "Gus", {{10, "1st"}}, 1);

    {
        stream_capture errors(error_stream());
        bool summary_warning = false;
        EXPECT_EQ(series_table(columns({column_type::grid_slot, column_type::driver,
                                        column_type::car, column_type::grid_slot}),
                               events, summary_warning),
                  "<table><thead><tr><th>Driver</thead><tbody>"
                  "<tr><td title=\"Gus\">Gus</tr>\n</tbody></table>");
        EXPECT_TRUE(summary_warning);
        EXPECT_EQ(errors.text(),
                  "warning: unsupported column for summary: grid-slot\n"
                  "warning: unsupported column for summary: car\n"
                  "warning: unsupported column for summary: grid-slot\n");
    }
    {
        stream_capture errors(error_stream());
        bool summary_warning = false;
        EXPECT_EQ(
            team_table(columns({}, {column_type::driver, column_type::team, column_type::summary,
                                    column_type::points, column_type::points}),
                       events, summary_warning),
            "<table><thead><tr><th>Team<th>Points<th>Points</thead><tbody>\n"
            "<tr><td>Red<td title=\"R: 1st\">10<td title=\"R: 1st\">10</tr>\n"
            "</tbody></table>");
        EXPECT_TRUE(summary_warning);
        EXPECT_EQ(errors.text(),
                  "warning: unsupported column for team summary: driver\n"
                  "warning: unsupported column for team summary: summary\n");
    }
}

TEST(summary_pages, team_table_skips_teams_without_a_name) {
    std::vector<event_result> events;
    events.push_back(race_event("BL1", {{"Hal", "Blue"}, {"Ida", ""}, {"Jon", "Green"}}));
    add_result(events[0], "Ida", "Ida", {{10, "1st"}}, 1, 1);
    add_result(events[0], "Hal", "Hal", {{6, "2nd"}, {points_value(1, 2), "fastest lap"}}, 2);
    add_result(events[0], "Jon", "Jon", {}, std::nullopt, 2);

    stream_capture errors(error_stream());
    bool summary_warning = false;
    EXPECT_EQ(team_table(options::option_set{}, events, summary_warning),
              "<table><thead><tr><th><abbr title=Position>Pos</abbr><th>Team<th>Points"
              "</thead><tbody>\n"
              "<tr><td>1<td>Blue<td title=\"R: 2nd\">6.5</tr>\n"
              "<tr><td>2<td>Green<td title=\"Q: 2nd\">0</tr>\n"
              "</tbody></table>");
    EXPECT_FALSE(summary_warning);
    EXPECT_EQ(errors.text(), "");
}

TEST(summary_pages, standing_title_text) {
    const struct {
        std::map<std::int32_t, std::int32_t> finishes;
        std::map<std::int32_t, std::int32_t> qualifyings;
        const char* expected;
    } cases[] = {
        {{{1, 2}, {3, 1}}, {{1, 1}}, "R: 2\u00D71st, 3rd\nQ: 1st"},
        {{}, {{1, 1}, {4, 3}}, "Q: 1st, 3\u00D74th"},
        {{{2, 12}, {111, 1}}, {}, "R: 12\u00D72nd, 111th"},
        {{}, {}, ""},
    };
    for (const auto& c : cases) {
        series_standing standing;
        standing.finish_counts = c.finishes;
        standing.qualifying_counts = c.qualifyings;
        EXPECT_EQ(standing_title_text(standing), c.expected);
    }
}

TEST(summary_pages, user_text_is_escaped) {
    const std::string hostile = "<script>\"x\" & y\nz";
    const std::string user = "<b>\"&\n";
    std::vector<event_result> events;
    events.push_back(race_event("BL1<", {{user, hostile}}, hostile));
    add_result(events[0], user, hostile, {{points_value(-2), hostile}}, 1);

    bool summary_warning = false;
    EXPECT_EQ(
        series_table(options::option_set{}, events, summary_warning),
        "<table><thead><tr><th><abbr title=Position>Pos</abbr><th>Driver<th>Team<th>Total"
        "<th class=track-name>&lt;script>&quot;x&quot; &amp; y&#xA;z</thead><tbody>"
        "<tr><td>1<td title=\"&lt;b>&quot;&amp;&#xA;\">&lt;script>&quot;x&quot; &amp; y&#xA;z"
        "<td>&lt;script>&quot;x&quot; &amp; y&#xA;z<td class=total title=\"R: 1st\">-2"
        "<td title=\"-2 (&lt;script>&quot;x&quot; &amp; y&#xA;z)\" class=\"f1 participant\">-2"
        "</tr>\n</tbody></table>");
    EXPECT_EQ(team_table(options::option_set{}, events, summary_warning),
              "<table><thead><tr><th><abbr title=Position>Pos</abbr><th>Team<th>Points"
              "</thead><tbody>\n"
              "<tr><td>1<td>&lt;script>&quot;x&quot; &amp; y&#xA;z<td title=\"R: 1st\">-2</tr>\n"
              "</tbody></table>");
    EXPECT_FALSE(summary_warning);
}

}  // namespace

#include "season_data/season_data.h"

#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "event_result/award.h"
#include "support/replay_writer.h"

namespace {

using json = nlohmann::ordered_json;

// An event as event processing leaves it: sessions from replay descriptions (either may be
// empty), points awarded.
event_result scored_event(
    const std::string& folder, const std::string& race, const std::vector<std::string>& qualifying,
    std::shared_ptr<const options::option_set> options = std::make_shared<options::option_set>()) {
    event_result event;
    event.folder = folder;
    event.options = std::move(options);
    if (!race.empty()) {
        event.race = build_race_result(*event.options, parse_replay_description(race));
    }
    for (const std::string& session : qualifying) {
        if (!event.qualifying) {
            event.qualifying = new_qualifying_result();
        }
        merge_qualifying(*event.qualifying, *event.options, parse_replay_description(session));
    }
    award_points(event);
    return event;
}

std::string season_json(const std::vector<event_result>& events,
                        const options::option_set& global = {}, std::int32_t best_results = 0) {
    const standings season = build_standings(events, best_results);
    std::ostringstream out;
    write_season_json(out, events, season, global);
    return out.str();
}

std::string series_csv(const std::vector<event_result>& events, std::int32_t best_results = 0,
                       const options::option_set& global = {}) {
    const standings season = build_standings(events, best_results);
    std::ostringstream out;
    write_series_csv(out, events, season, global);
    return out.str();
}

std::vector<std::string> keys_of(const json& object) {
    std::vector<std::string> keys;
    for (const auto& member : object.items()) {
        keys.push_back(member.key());
    }
    return keys;
}

// An event of one race at `track` where the listed drivers finish in order, with the given
// options; no qualifying.
event_result race_at(
    const std::string& track, const std::vector<std::string>& users,
    std::shared_ptr<const options::option_set> options = std::make_shared<options::option_set>()) {
    std::string race = "track " + track + "\nstart 2026-03-01 18:00:00\nlength 3\n";
    int place = 0;
    for (const std::string& user : users) {
        ++place;
        race += "driver " + user + " | " + user + " | XRT | 3 | 3:0" + std::to_string(place) +
                ".000 | 0:59.000\n";
    }
    return scored_event(track, race, {}, std::move(options));
}

const char* const race_with_every_kind_of_row = R"(track BL1
start 2026-03-01 18:00:00
length 5
grid 5
driver Ann | ann | XRT | 5 | 7:36.233 | 1:30.301 | 2
driver Bob | bob | RB4 | 5 | 7:41.000 | 0 | 0 | 0 | 20 | 10
driver Cid | cid | FXO | 4 | 6:13.157 | 1:32.343 | 1
driver Dan | dan | XRT | 5 | 7:30.000 | 1:29.000 | 3 | 0x40
)";

const char* const qualifying_with_every_kind_of_row = R"(track BL1
start 2026-03-01 17:30:00
driver Bob | bob | RB4 | 0 | 0 | 1:31.000 | 0 | 0 | 20 | 10
driver Ann | ann | XRT | 0 | 0 | 1:31.500
driver Dan | dan | XRT | 0 | 0 | 1:32.000
)";

TEST(season_data, json_rows_show_what_the_pages_show) {
    auto options = std::make_shared<options::option_set>();
    options->teams[make_name_key("ann")] = "Red";
    options->disqualified.insert(make_name_key("dan"));
    options->qualifying_points.points = {3, 2, 1};
    const std::vector<event_result> events{scored_event(
        "round1", race_with_every_kind_of_row, {qualifying_with_every_kind_of_row}, options)};
    const json season = json::parse(season_json(events));

    ASSERT_EQ(keys_of(season),
              (std::vector<std::string>{"format_version", "championship_name", "events",
                                        "driver_standings", "team_standings"}));
    EXPECT_EQ(season["format_version"], 1);
    EXPECT_TRUE(season["championship_name"].is_null());
    const json& event = season["events"][0];
    EXPECT_EQ(keys_of(event), (std::vector<std::string>{"folder", "name", "tracks", "start_time",
                                                        "race_length", "race", "qualifying"}));
    EXPECT_EQ(event["folder"], "round1");
    EXPECT_EQ(event["name"], "BL1");
    EXPECT_EQ(event["tracks"], json::parse(R"(["BL1"])"));
    EXPECT_EQ(event["start_time"], "2026-03-01T18:00:00Z");  // the race's
    EXPECT_EQ(event["race_length"], "5 laps");

    // In page order: the classified (Cid a lap down, Bob without a best lap), then the
    // disqualified.
    const json& race = event["race"];
    ASSERT_EQ(race.size(), 4U);
    EXPECT_EQ(keys_of(race[0]),
              (std::vector<std::string>{"position", "user_name", "name", "team", "car", "laps",
                                        "race_time_ms", "best_lap_ms", "gap", "grid", "handicap",
                                        "disqualified", "points"}));
    EXPECT_EQ(race[0], json::parse(R"({"position": 1, "user_name": "ann", "name": "Ann",
        "team": "Red", "car": "XRT", "laps": 5, "race_time_ms": 456233, "best_lap_ms": 90301,
        "gap": null, "grid": 2, "handicap": {"mass_kg": 0, "intake_percent": 0},
        "disqualified": false, "points": {"exact": "12", "value": 12, "items": [
            {"reason": "1st", "exact": "10", "value": 10},
            {"reason": "2nd in qualifying", "exact": "2", "value": 2}]}})"));
    EXPECT_EQ(race[1], json::parse(R"({"position": 2, "user_name": "bob", "name": "Bob",
        "team": null, "car": "RB4", "laps": 5, "race_time_ms": 461000, "best_lap_ms": null,
        "gap": "+4.76s", "grid": null, "handicap": {"mass_kg": 20, "intake_percent": 10},
        "disqualified": false, "points": {"exact": "9", "value": 9, "items": [
            {"reason": "2nd", "exact": "6", "value": 6},
            {"reason": "1st in qualifying", "exact": "3", "value": 3}]}})"));
    EXPECT_EQ(race[2]["position"], 3);
    EXPECT_EQ(race[2]["gap"], "+1 lap");
    EXPECT_EQ(race[3], json::parse(R"({"position": null, "user_name": "dan", "name": "Dan",
        "team": null, "car": "XRT", "laps": 5, "race_time_ms": null, "best_lap_ms": null,
        "gap": null, "grid": 3, "handicap": {"mass_kg": 0, "intake_percent": 0},
        "disqualified": true, "points": null})"));

    // Dan is disqualified by the options.
    const json& qualifying = event["qualifying"];
    ASSERT_EQ(qualifying.size(), 3U);
    EXPECT_EQ(keys_of(qualifying[0]),
              (std::vector<std::string>{"position", "user_name", "name", "team", "car",
                                        "best_lap_ms", "handicap", "disqualified", "points"}));
    EXPECT_EQ(qualifying[0]["user_name"], "bob");
    EXPECT_EQ(qualifying[0]["best_lap_ms"], 91000);
    EXPECT_EQ(qualifying[0]["handicap"], json::parse(R"({"mass_kg": 20, "intake_percent": 10})"));
    EXPECT_EQ(qualifying[0]["points"], race[1]["points"]);  // the driver's points at the event
    EXPECT_EQ(qualifying[1], json::parse(R"({"position": 2, "user_name": "ann", "name": "Ann",
        "team": "Red", "car": "XRT", "best_lap_ms": 91500,
        "handicap": {"mass_kg": 0, "intake_percent": 0}, "disqualified": false,
        "points": {"exact": "12", "value": 12, "items": [
            {"reason": "1st", "exact": "10", "value": 10},
            {"reason": "2nd in qualifying", "exact": "2", "value": 2}]}})"));
    EXPECT_EQ(qualifying[2], json::parse(R"({"position": null, "user_name": "dan", "name": "Dan",
        "team": null, "car": "XRT", "best_lap_ms": null,
        "handicap": {"mass_kg": 0, "intake_percent": 0}, "disqualified": true,
        "points": null})"));

    const json& drivers = season["driver_standings"];
    ASSERT_EQ(drivers.size(), 3U);
    EXPECT_EQ(drivers[0], json::parse(R"({"position": 1, "name": "Ann", "user_name": "ann",
        "team": "Red", "total": {"exact": "12", "value": 12},
        "starts": 1, "wins": 1, "podiums": 1, "poles": 0, "fastest_laps": 1,
        "rounds": [{"points": {"exact": "12", "value": 12}, "dropped": false,
                    "disqualified": false}]})"));
    EXPECT_EQ(drivers[2]["user_name"], "cid");
    EXPECT_EQ(season["team_standings"], json::parse(R"([{"position": 1, "team": "Red",
        "total": {"exact": "12", "value": 12}}])"));
}

TEST(season_data, json_events_without_a_race_or_a_qualifying) {
    auto named = std::make_shared<options::option_set>();
    named->event_name = "Night Cup";
    named->race_points.points.clear();  // so that qualifying alone is scored
    const std::vector<event_result> events{
        scored_event("q-only", "",
                     {"track AS1\nstart 1000\ndriver Ann | ann | XRT | 0 | 0 | 1:00.000\n",
                      "track BL1\nstart 900\ndriver Bob | bob | XRT | 0 | 0 | 1:01.000\n",
                      "track AS1\nstart 950\ndriver Cid | cid | XRT | 0 | 0 | 1:02.000\n"},
                     named),
        // Nobody set a time: the one row's best lap is null.
        scored_event("untimed", "", {"track SO1\nstart 0\ndriver Eve | eve | XRT | 0 | 0 | 0\n"}),
        scored_event("race-only",
                     "track FE1\nstart 2000\nlength 191\ndriver Ann | ann | XRT | 3 | 3:00.000 | "
                     "0:59.000\n",
                     {"track SO1\nstart 1900\ndriver Ann | ann | XRT | 0 | 0 | 1:00.000\n",
                      "track FE1\nstart 1950\ndriver Bob | bob | XRT | 0 | 0 | 1:00.000\n"}),
    };
    const json season = json::parse(season_json(events));
    const json& q_only = season["events"][0];
    EXPECT_EQ(q_only["name"], "Night Cup");
    EXPECT_EQ(q_only["tracks"], json::parse(R"(["AS1", "BL1"])"));
    EXPECT_EQ(q_only["start_time"], "1970-01-01T00:15:00Z");  // the earliest qualifying start
    EXPECT_EQ(q_only["race_length"], nullptr);
    EXPECT_EQ(q_only["race"], nullptr);
    EXPECT_EQ(q_only["qualifying"].size(), 3U);
    EXPECT_EQ(season["events"][1]["qualifying"][0]["position"], 1);
    EXPECT_EQ(season["events"][1]["qualifying"][0]["best_lap_ms"], nullptr);
    // The race's track first, then the other qualifying tracks in the order they were met.
    const json& both = season["events"][2];
    EXPECT_EQ(both["tracks"], json::parse(R"(["FE1", "SO1"])"));
    EXPECT_EQ(both["race_length"], "1 hours");
    EXPECT_EQ(both["start_time"], "1970-01-01T00:33:20Z");
}

TEST(season_data, json_text_is_escaped_and_invalid_utf8_replaced) {
    // A forced name with a quote, a backslash and control characters; a folder and a track that
    // are not UTF-8; a team name with a line feed.
    auto options = std::make_shared<options::option_set>();
    options->forced_names[make_name_key("ann")] = "A \"quoted\" \\ name\x01\t";
    options->teams[make_name_key("ann")] = "Line\nbreak";
    std::vector<event_result> events;
    events.push_back(scored_event("round\xFF\xC3", R"(track B\xFEX
start 0
length 1
driver Ann | ann | XRT | 1 | 1:00.000 | 1:00.000
)",
                                  {}, options));
    options::option_set global;
    global.championship_name = "Cup \"2026\"";
    std::string text;
    ASSERT_NO_THROW(text = season_json(events, global));
    EXPECT_NE(text.find(R"("name": "A \"quoted\" \\ name\u0001\t")"), std::string::npos) << text;
    EXPECT_NE(text.find(R"("team": "Line\nbreak")"), std::string::npos) << text;
    EXPECT_NE(text.find(R"("championship_name": "Cup \"2026\"")"), std::string::npos) << text;
    const json season = json::parse(text);
    EXPECT_EQ(season["championship_name"], "Cup \"2026\"");
    const json& event = season["events"][0];
    EXPECT_EQ(event["folder"], "round\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(event["name"], "B\xEF\xBF\xBDX");
    EXPECT_EQ(event["race"][0]["name"], "A \"quoted\" \\ name\x01\t");
    EXPECT_EQ(event["race"][0]["team"], "Line\nbreak");
    EXPECT_EQ(season["driver_standings"][0]["name"], "A \"quoted\" \\ name\x01\t");
}

TEST(season_data, json_points_are_exact_text_and_a_number) {
    auto options = std::make_shared<options::option_set>();
    options->fastest_lap.value = points_value(1);
    options->shared_points_mode_fastest_lap = options::shared_points_mode::divide_between;
    options->points_modifications[make_name_key("bob")] = {points_value(-7, 4), "late"};
    // All three set the same best lap: a third of a point each.
    const std::vector<event_result> events{race_at("BL1", {"ann", "bob", "cid"}, options)};
    const json season = json::parse(season_json(events));
    const json& bob = season["events"][0]["race"][1]["points"];
    EXPECT_EQ(bob, json::parse(R"({"exact": "55/12", "value": 4.583333333333333, "items": [
        {"reason": "2nd", "exact": "6", "value": 6},
        {"reason": "fastest lap", "exact": "1/3", "value": 0.3333333333333333},
        {"reason": "late", "exact": "-7/4", "value": -1.75}]})"));
    EXPECT_TRUE(bob["exact"].is_string());
    EXPECT_TRUE(bob["items"][0]["value"].is_number_integer());
    EXPECT_TRUE(bob["value"].is_number_float());
    EXPECT_EQ(season["driver_standings"][1]["total"],
              json::parse(R"({"exact": "55/12", "value": 4.583333333333333})"));
}

TEST(season_data, json_rounds_show_points_or_null_and_which_were_dropped) {
    // Best 2 of 3: Ann's 4 at SO1 and Bob's missed round AS1 are dropped.
    const std::vector<event_result> events{
        race_at("BL1", {"ann", "bob"}),
        race_at("AS1", {"ann"}),
        race_at("SO1", {"bob", "cid", "ann"}),
    };
    const json season = json::parse(season_json(events, {}, 2));
    const json& drivers = season["driver_standings"];
    ASSERT_EQ(drivers.size(), 3U);
    EXPECT_EQ(drivers[0]["user_name"], "ann");
    EXPECT_EQ(drivers[0]["total"]["exact"], "20");
    EXPECT_EQ(drivers[0]["rounds"], json::parse(R"([
        {"points": {"exact": "10", "value": 10}, "dropped": false, "disqualified": false},
        {"points": {"exact": "10", "value": 10}, "dropped": false, "disqualified": false},
        {"points": {"exact": "4", "value": 4}, "dropped": true, "disqualified": false}])"));
    EXPECT_EQ(drivers[1]["user_name"], "bob");
    EXPECT_EQ(drivers[1]["total"]["exact"], "16");
    EXPECT_EQ(drivers[1]["rounds"], json::parse(R"([
        {"points": {"exact": "6", "value": 6}, "dropped": false, "disqualified": false},
        {"points": null, "dropped": true, "disqualified": false},
        {"points": {"exact": "10", "value": 10}, "dropped": false, "disqualified": false}])"));

    // Without the rule nothing is dropped.
    const json all = json::parse(season_json(events));
    for (const json& driver : all["driver_standings"]) {
        for (const json& round : driver["rounds"]) {
            EXPECT_EQ(round["dropped"], false) << driver["user_name"];
        }
    }
}

TEST(season_data, json_rounds_say_where_the_driver_was_disqualified_from_the_race) {
    // Dan is disqualified from the race by its flags, but keeps his qualifying point.
    auto options = std::make_shared<options::option_set>();
    options->qualifying_points.points = {3, 2, 1};
    const std::vector<event_result> events{
        scored_event("round1", race_with_every_kind_of_row, {qualifying_with_every_kind_of_row},
                     options),
        race_at("AS1", {"ann", "dan"}),
    };
    const json season = json::parse(season_json(events));
    for (const json& driver : season["driver_standings"]) {
        const bool dan = driver["user_name"] == "dan";
        EXPECT_EQ(driver["rounds"][0]["disqualified"], dan) << driver["user_name"];
        EXPECT_EQ(driver["rounds"][1]["disqualified"], false) << driver["user_name"];
        if (dan) {
            EXPECT_EQ(driver["rounds"][0]["points"]["exact"], "1");
        }
    }
}

TEST(season_data, json_is_written_event_by_event_in_the_documented_layout) {
    // Two spaces per level; the top-level arrays hold their objects at the same indentation as
    // one JSON tree would; no team gives an empty array.
    const std::vector<event_result> events{race_at("BL1", {"ann"}), race_at("AS1", {"ann"})};
    const std::string text = season_json(events);
    const json season = json::parse(text);
    EXPECT_EQ(text, season.dump(2) + "\n");
    EXPECT_EQ(season["team_standings"], json::array());
}

TEST(season_data, csv_is_the_series_table_for_a_spreadsheet) {
    // A name or team that a spreadsheet would take for a formula, text with commas, quotes and
    // a tab, an event name starting with "@", a track that is not UTF-8.
    auto second = std::make_shared<options::option_set>();
    second->teams[make_name_key("ann")] = "Red, \"the fast\"";
    second->teams[make_name_key("cid")] = "-Minus";
    second->forced_names[make_name_key("bob")] = "=HYPERLINK(\"http://x.example\",\"win\")";
    second->forced_names[make_name_key("cid")] = "Tab\there";
    auto first = std::make_shared<options::option_set>(*second);
    first->event_name = "@round";
    std::vector<event_result> events{race_at("BL1", {"ann", "bob", "cid"}, first),
                                     race_at("AS1", {"bob", "ann"}, second)};
    events[1].race->track_id = "A\xFF";
    EXPECT_EQ(series_csv(events),
              "\xEF\xBB\xBFPosition,Driver,Team,Total,'@round,A\xEF\xBF\xBD\r\n"
              "1,ann,\"Red, \"\"the fast\"\"\",16,10,6\r\n"
              "2,\"'=HYPERLINK(\"\"http://x.example\"\",\"\"win\"\")\",,16,6,10\r\n"
              "3,\"Tab\there\",'-Minus,4,4,\r\n");
}

TEST(season_data, csv_carries_the_figures_of_the_listed_statistics_columns) {
    std::vector<event_result> events{race_at("BL1", {"ann", "bob"}), race_at("AS1", {"ann"})};
    options::option_set global;
    global.summary_columns.columns = {options::column_type::position, options::column_type::wins,
                                      options::column_type::driver, options::column_type::starts};
    EXPECT_EQ(series_csv(events, 0, global),
              "\xEF\xBB\xBFPosition,Driver,Team,Total,Wins,Starts,BL1,AS1\r\n"
              "1,ann,,20,2,2,10,10\r\n"
              "2,bob,,6,0,1,6,\r\n");
}

TEST(season_data, csv_points_are_decimals_rounded_half_away_from_zero) {
    const struct {
        points_value points;
        const char* text;
    } cases[] = {
        {points_value(10), "10"},
        {points_value(0), "0"},
        {points_value(-2), "-2"},
        {points_value(31, 3), "10.3333"},
        {points_value(2, 3), "0.6667"},
        {points_value(-2, 3), "-0.6667"},
        {points_value(1, 2), "0.5"},
        {points_value(5, 4), "1.25"},
        {points_value(1, 20000), "0.0001"},  // exactly half: away from zero
        {points_value(-1, 20000), "-0.0001"},
        {points_value(1, 20001), "0"},   // just below half
        {points_value(-1, 30000), "0"},  // never "-0"
        {points_value(99999, 100000), "1"},
        {points_value(2147483647), "2147483647"},
        {points_value(-2147483647, 2), "-1073741823.5"},
        {points_value(2147483647, 2147483646), "1"},
    };
    for (const auto& c : cases) {
        event_result event = race_at("BL1", {});
        event.scores[make_name_key("ann")].points = c.points;
        event.scores[make_name_key("ann")].name = "Ann";
        EXPECT_EQ(series_csv({event}),
                  std::string("\xEF\xBB\xBFPosition,Driver,Team,Total,BL1\r\n") + "1,Ann,," +
                      c.text + "," + c.text + "\r\n")
            << c.text;
    }
}

TEST(season_data, csv_shows_dropped_rounds_as_plain_numbers) {
    const std::vector<event_result> events{race_at("BL1", {"ann"}), race_at("AS1", {"bob", "ann"})};
    EXPECT_EQ(series_csv(events, 1),
              "\xEF\xBB\xBFPosition,Driver,Team,Total,BL1,AS1\r\n"
              "1,ann,,10,10,6\r\n"
              "2,bob,,10,,10\r\n");
}

}  // namespace

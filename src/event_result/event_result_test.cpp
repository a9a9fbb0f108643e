#include "event_result/event_result.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "console/console.h"
#include "support/stream_capture.h"

namespace {

replay_record record(std::string user, std::uint16_t laps, std::int32_t total_time_ms,
                     std::int32_t best_lap_ms = 60000, std::uint8_t flags = 0) {
    replay_record r;
    r.nickname = user;
    r.user_name = std::move(user);
    r.car = "XRT";
    r.laps = laps;
    r.total_time_ms = total_time_ms;
    r.best_lap_ms = best_lap_ms;
    r.flags = flags;
    return r;
}

replay_record lap(std::string user, std::int32_t best_lap_ms) {
    return record(std::move(user), 0, 0, best_lap_ms);
}

replay session(std::vector<replay_record> records, std::string track = "BL1",
               std::int32_t start_time = 1641027900) {
    replay r;
    r.race_length_code = 20;
    r.grid_size = static_cast<std::uint8_t>(records.size());
    r.track_id = std::move(track);
    r.start_time = start_time;
    r.records = std::move(records);
    return r;
}

name_key config_key(const std::string& name) { return make_config_name_key(name); }

// "name time gap" of every row, for comparing orders and gaps at once.
template <class Row>
std::string rows_text(const std::vector<Row>& rows) {
    std::ostringstream text;
    for (const Row& row : rows) {
        text << row.name << ' ';
        if constexpr (std::is_same_v<Row, race_row>) {
            text << row.laps << ' ' << row.total_time_ms << ' ' << row.gap_ms << '\n';
        } else {
            text << row.car << ' ' << row.best_lap_ms << '\n';
        }
    }
    return text.str();
}

TEST(event_result, race_length_texts) {
    const struct {
        std::uint8_t code;
        const char* text;
    } cases[] = {
        {0, "Practice session in"}, {1, "1 laps of"},     {99, "99 laps of"},
        {100, "100 laps of"},       {150, "600 laps of"}, {190, "1000 laps of"},
        {191, "1 hours of"},        {255, "65 hours of"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(race_length_text(c.code), c.text) << int{c.code};
    }
}

TEST(event_result, display_name_is_the_forced_name_or_the_decoded_nickname) {
    options::option_set options;
    options.forced_names[config_key("Eddie")] = "Fast Eddie";
    EXPECT_EQ(display_name(options, make_name_key("EDDIE"), "^1E^7d"), "Fast Eddie");
    EXPECT_EQ(display_name(options, make_name_key("bob"), "^1Bob^7by ^v\xE9"), "Bobby |\xC3\xA9");
}

TEST(event_result, race_takes_the_header_and_the_record_fields) {
    options::option_set options;
    options.forced_names[config_key("eddie")] = "Fast Eddie";
    replay race = session({record("Eddie", 20, 1234567, 61234), record("bob", 19, 1200000)});
    race.race_length_code = 150;
    race.grid_size = 12;
    race.records[0].car = "FXO";
    race.records[0].grid_slot = 7;
    race.records[0].mass_kg = 20;
    race.records[0].intake_percent = 15;

    const race_result result = build_race_result(options, race);
    EXPECT_EQ(result.track_id, "BL1");
    EXPECT_EQ(result.race_length, "600 laps of");
    EXPECT_EQ(result.start_time, 1641027900);
    EXPECT_EQ(result.grid_size, 12);
    ASSERT_EQ(result.results.size(), 2u);
    const race_row& row = result.results[0];
    EXPECT_EQ(row.key.match, "eddie");
    EXPECT_EQ(row.key.display, "Eddie");
    EXPECT_EQ(row.name, "Fast Eddie");
    EXPECT_EQ(row.car, "FXO");
    EXPECT_EQ(row.mass_kg, 20u);
    EXPECT_EQ(row.intake_percent, 15u);
    EXPECT_EQ(row.grid_slot, 7);
    EXPECT_EQ(row.climb, 0);
    EXPECT_EQ(row.total_time_ms, 1234567);
    EXPECT_EQ(row.best_lap_ms, 61234);
    EXPECT_EQ(row.gap_ms, 0);
    EXPECT_EQ(row.laps, 20);
    EXPECT_EQ(rows_text(result.results), "Fast Eddie 20 1234567 0\nbob 19 1200000 -34567\n");
    EXPECT_TRUE(result.dsq_results.empty());
}

TEST(event_result, penalised_rows_are_reinserted) {
    const struct {
        const char* name;
        std::vector<replay_record> records;
        std::vector<std::pair<std::string, double>> penalties;  // seconds
        const char* rows;
    } cases[] = {
        {"ten seconds move A behind B",
         {record("A", 10, 600000), record("B", 10, 605000), record("C", 9, 590000)},
         {{"a", 10}},
         "B 10 605000 0\nA 10 610000 5000\nC 9 590000 -15000\n"},
        {"an equal time goes after the other row",
         {record("A", 10, 600000), record("B", 10, 605000), record("C", 10, 606000)},
         {{"A", 5}},
         "B 10 605000 0\nA 10 605000 0\nC 10 606000 1000\n"},
        {"penalised rows go in one after another in the order met",
         {record("A", 10, 600000), record("B", 10, 603000), record("C", 10, 608000)},
         {{"a", 10}, {"b", 7}},
         "C 10 608000 0\nA 10 610000 2000\nB 10 610000 2000\n"},
        {"a negative penalty moves a driver up",
         {record("A", 10, 600000), record("B", 10, 605000)},
         {{"b", -10}},
         "B 10 595000 0\nA 10 600000 5000\n"},
        {"a penalised row never passes a row with more laps",
         {record("A", 10, 700000), record("B", 9, 500000)},
         {{"b", -300}},
         "A 10 700000 0\nB 9 200000 -500000\n"},
        {"a penalty of a second and a half",
         {record("A", 10, 600000), record("B", 10, 601000)},
         {{"a", 1.5}},
         "B 10 601000 0\nA 10 601500 500\n"},
    };
    for (const auto& c : cases) {
        options::option_set options;
        for (const auto& [name, seconds] : c.penalties) {
            options.time_penalties[config_key(name)] = static_cast<std::int64_t>(seconds * 1000);
        }
        const race_result result = build_race_result(options, session(c.records));
        EXPECT_EQ(rows_text(result.results), c.rows) << c.name;
    }
}

TEST(event_result, disqualified_drivers_go_to_their_own_list_in_replay_order) {
    options::option_set options;
    options.disqualified.insert(config_key("carl"));
    options.time_penalties[config_key("carl")] = 30;  // not applied to a disqualified row
    const replay race = session({
        record("anna", 10, 600000, 60000, 0x40),
        record("bob", 10, 601000),
        record("carl", 10, 602000),
        record("dora", 10, 603000, 60000, 0x04),
        record("emil", 9, 604000, 60000, 0x08),
        record("fred", 9, 605000, 60000, 0x01),  // not a disqualifying flag
    });
    const race_result result = build_race_result(options, race);
    EXPECT_EQ(rows_text(result.results), "bob 10 601000 0\nfred 9 605000 4000\n");
    EXPECT_EQ(rows_text(result.dsq_results),
              "anna 10 600000 0\ncarl 10 602000 0\ndora 10 603000 0\nemil 9 604000 0\n");
}

TEST(event_result, duplicate_race_entry_is_dropped_with_a_log_warning) {
    options::option_set options;
    const replay race = session({
        record("\xC9ric", 10, 600000),
        record("bob", 10, 601000),
        record("\xE9RIC", 10, 602000, 60000, 0x40),
    });
    race_result result;
    {
        const stream_capture log(log_stream());
        const stream_capture error(error_stream());
        result = build_race_result(options, race);
        EXPECT_EQ(log.text(), "warning: discarded duplicate race entry: \xC3\xA9RIC\n");
        EXPECT_EQ(error.text(), "");
    }
    EXPECT_EQ(rows_text(result.results), "\xC3\x89ric 10 600000 0\nbob 10 601000 1000\n");
    EXPECT_TRUE(result.dsq_results.empty());
}

TEST(event_result, hidden_drivers_are_left_out_silently) {
    options::option_set options;
    options.hidden.insert(config_key("Ghost"));
    const replay race = session({
        record("ghost", 10, 590000),
        record("anna", 10, 600000),
        record("GHOST", 10, 601000, 60000, 0x40),
    });
    race_result result;
    {
        const stream_capture log(log_stream());
        result = build_race_result(options, race);
        EXPECT_EQ(log.text(), "");
    }
    EXPECT_EQ(rows_text(result.results), "anna 10 600000 0\n");
    EXPECT_TRUE(result.dsq_results.empty());

    qualifying_result qualifying = new_qualifying_result();
    merge_qualifying(qualifying, options, session({lap("ghost", 59000), lap("anna", 60000)}));
    EXPECT_EQ(rows_text(qualifying.results), "anna XRT 60000\n");
    EXPECT_EQ(qualifying.places.count("ghost"), 0u);
}

TEST(event_result, empty_qualifying_result) {
    const qualifying_result qualifying = new_qualifying_result();
    EXPECT_TRUE(qualifying.results.empty());
    EXPECT_TRUE(qualifying.dsq_results.empty());
    EXPECT_TRUE(qualifying.places.empty());
    EXPECT_TRUE(qualifying.track_ids.empty());
    EXPECT_EQ(qualifying.start_time, std::numeric_limits<std::int64_t>::max());
}

replay_record qualifying_lap(std::string user, std::int32_t best_lap_ms, std::string nickname,
                             std::string car, std::uint8_t mass_kg = 0) {
    replay_record r = lap(std::move(user), best_lap_ms);
    r.nickname = std::move(nickname);
    r.car = std::move(car);
    r.mass_kg = mass_kg;
    r.intake_percent = mass_kg;
    return r;
}

TEST(event_result, qualifying_keeps_each_drivers_best_lap) {
    const struct {
        const char* name;
        std::vector<std::vector<replay_record>> replays;
        const char* rows;
    } cases[] = {
        {"a better time replaces the row with that replay's data",
         {{qualifying_lap("eddie", 61000, "Ed", "XRT"), qualifying_lap("bob", 60700, "Bob", "XRT")},
          {qualifying_lap("Eddie", 60500, "Eddie", "FXO", 20)}},
         "Eddie FXO 60500\nBob XRT 60700\n"},
        {"a worse time is dropped",
         {{qualifying_lap("eddie", 60500, "Ed", "XRT")},
          {qualifying_lap("eddie", 61000, "Eddie", "FXO", 20)}},
         "Ed XRT 60500\n"},
        {"an equal time replaces the row and goes after the others at that time",
         {{qualifying_lap("eddie", 60500, "Ed", "XRT"), qualifying_lap("bob", 60500, "Bob", "XRT"),
           qualifying_lap("carl", 61000, "Carl", "XRT")},
          {qualifying_lap("dora", 60500, "Dora", "RB4"),
           qualifying_lap("EDDIE", 60500, "Eddie", "FXO")}},
         "Bob XRT 60500\nDora RB4 60500\nEddie FXO 60500\nCarl XRT 61000\n"},
        {"rows from later replays go between the earlier ones",
         {{qualifying_lap("a", 60000, "A", "XRT"), qualifying_lap("c", 62000, "C", "XRT"),
           qualifying_lap("e", 64000, "E", "XRT")},
          {qualifying_lap("f", 59000, "F", "XRT"), qualifying_lap("b", 61000, "B", "XRT"),
           qualifying_lap("d", 63000, "D", "XRT"), qualifying_lap("g", 65000, "G", "XRT")},
          {qualifying_lap("e", 58000, "E2", "XRT")}},
         "E2 XRT 58000\nF XRT 59000\nA XRT 60000\nB XRT 61000\nC XRT 62000\nD XRT 63000\n"
         "G XRT 65000\n"},
        {"rows without a time (0 or less) go after every time, in the order merged",
         {{qualifying_lap("a", 61000, "A", "XRT"), qualifying_lap("u", 0, "U", "XRT")},
          {qualifying_lap("b", 62000, "B", "XRT"), qualifying_lap("v", -1, "V", "XRT")},
          {qualifying_lap("c", 60000, "C", "XRT")}},
         "C XRT 60000\nA XRT 61000\nB XRT 62000\nU XRT 0\nV XRT -1\n"},
        {"a row without a time never replaces a timed one",
         {{qualifying_lap("a", 61000, "A", "XRT")}, {qualifying_lap("a", 0, "A2", "FXO")}},
         "A XRT 61000\n"},
        {"a timed row replaces a row without a time",
         {{qualifying_lap("a", 0, "A", "XRT"), qualifying_lap("u", 0, "U", "XRT")},
          {qualifying_lap("b", 62000, "B", "XRT"), qualifying_lap("a", 63000, "A2", "FXO")}},
         "B XRT 62000\nA2 FXO 63000\nU XRT 0\n"},
        {"a later row without a time replaces an earlier one and goes last",
         {{qualifying_lap("a", 0, "A", "XRT"), qualifying_lap("u", 0, "U", "XRT")},
          {qualifying_lap("a", -1, "A2", "FXO")}},
         "U XRT 0\nA2 FXO -1\n"},
    };
    for (const auto& c : cases) {
        const options::option_set options;
        qualifying_result qualifying = new_qualifying_result();
        for (const auto& records : c.replays) {
            merge_qualifying(qualifying, options, session(records));
        }
        EXPECT_EQ(rows_text(qualifying.results), c.rows) << c.name;
        ASSERT_EQ(qualifying.results.size(), qualifying.places.size()) << c.name;
        for (std::size_t i = 0; i < qualifying.results.size(); ++i) {
            EXPECT_EQ(qualifying.places.at(qualifying.results[i].key.match), i) << c.name;
        }
    }
}

TEST(event_result, qualifying_row_takes_the_record_fields) {
    options::option_set options;
    options.forced_names[config_key("eddie")] = "Fast Eddie";
    qualifying_result qualifying = new_qualifying_result();
    merge_qualifying(qualifying, options, session({qualifying_lap("eddie", 61000, "Ed", "XRT")}));
    merge_qualifying(qualifying, options,
                     session({qualifying_lap("Eddie", 60500, "Ed", "FXO", 20)}));
    ASSERT_EQ(qualifying.results.size(), 1u);
    const qualifying_row& row = qualifying.results[0];
    EXPECT_EQ(row.key.match, "eddie");
    EXPECT_EQ(row.key.display, "Eddie");
    EXPECT_EQ(row.name, "Fast Eddie");
    EXPECT_EQ(row.car, "FXO");
    EXPECT_EQ(row.best_lap_ms, 60500);
    EXPECT_EQ(row.mass_kg, 20u);
    EXPECT_EQ(row.intake_percent, 20u);
}

TEST(event_result, qualifying_ignores_flags_and_penalties_and_lists_disqualified_drivers_once) {
    options::option_set options;
    options.disqualified.insert(config_key("Carl"));
    options.time_penalties[config_key("anna")] = 10;
    qualifying_result qualifying = new_qualifying_result();
    replay_record flagged = qualifying_lap("bob", 60500, "Bob", "XRT");
    flagged.flags = 0x40;
    merge_qualifying(qualifying, options,
                     session({qualifying_lap("carl", 59000, "Carl", "XRT"),
                              qualifying_lap("anna", 60000, "Anna", "XRT"), flagged}));
    merge_qualifying(qualifying, options,
                     session({qualifying_lap("CARL", 58000, "Carl 2", "FXO")}));
    EXPECT_EQ(rows_text(qualifying.results), "Anna XRT 60000\nBob XRT 60500\n");
    EXPECT_EQ(rows_text(qualifying.dsq_results), "Carl XRT 59000\n");
}

TEST(event_result, qualifying_start_time_and_tracks) {
    const replay early = session({lap("a", 60000)}, "BL1", 1000);
    const replay late = session({lap("b", 61000)}, "AS3", 2000);
    const replay again = session({lap("c", 62000)}, "BL1", 1500);
    for (const auto& order : {std::vector<const replay*>{&early, &late, &again},
                              std::vector<const replay*>{&late, &again, &early}}) {
        const options::option_set options;
        qualifying_result qualifying = new_qualifying_result();
        for (const replay* r : order) {
            merge_qualifying(qualifying, options, *r);
        }
        EXPECT_EQ(qualifying.start_time, 1000);
        const std::vector<std::string> tracks(qualifying.track_ids.begin(),
                                              qualifying.track_ids.end());
        const std::vector<std::string> expected =
            order.front() == &early ? std::vector<std::string>{"BL1", "AS3"}
                                    : std::vector<std::string>{"AS3", "BL1"};
        EXPECT_EQ(tracks, expected);
    }
}

TEST(event_result, event_start_time) {
    event_result event;
    EXPECT_THROW(
        {
            try {
                event.start_time();
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "start_time() called on invalid event");
                throw;
            }
        },
        std::runtime_error);
    event.qualifying = new_qualifying_result();
    event.qualifying->start_time = 100;
    EXPECT_EQ(event.start_time(), 100);
    event.race = race_result{};
    event.race->start_time = 200;
    EXPECT_EQ(event.start_time(), 200);
}

}  // namespace

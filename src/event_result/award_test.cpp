#include "event_result/award.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

namespace {

points_value points(std::int32_t numerator, std::int32_t denominator = 1) {
    return points_value(numerator, denominator);
}

std::string points_string(points_value p) {
    std::string text = std::to_string(p.numerator());
    if (p.denominator() != 1) {
        text += "/" + std::to_string(p.denominator());
    }
    return text;
}

// One line per entry, in the table's order:
// "user (name) P1 Q2 fastest-lap climber handicap = total: reason points; ..."
std::string scores_text(const score_table& scores) {
    std::ostringstream text;
    for (const auto& [key, entry] : scores) {
        text << key.display << " (" << entry.name << ")";
        text << " P" << (entry.finish_position ? std::to_string(*entry.finish_position) : "-");
        text << " Q"
             << (entry.qualifying_position ? std::to_string(*entry.qualifying_position) : "-");
        if (entry.fastest_lap) {
            text << " fastest-lap";
        }
        if (entry.highest_climber) {
            text << " climber";
        }
        if (entry.handicap) {
            text << " handicap";
        }
        text << " = " << points_string(entry.points) << ":";
        const char* separator = " ";
        for (const score_item& item : entry.breakdown) {
            text << separator << item.reason << ' ' << points_string(item.points);
            separator = "; ";
        }
        text << '\n';
    }
    return text.str();
}

struct entrant {
    std::string user;
    std::int32_t best_lap_ms = 60000;
    std::uint8_t grid_slot = 0;
    std::uint8_t flags = 0;
    std::string car = "XRT";
    std::int32_t laps = 10;
};

replay race_replay(const std::vector<entrant>& entrants, std::uint8_t grid_size) {
    replay r;
    r.race_length_code = 10;
    r.grid_size = grid_size;
    r.track_id = "BL1";
    std::int32_t total = 600000;
    for (const entrant& e : entrants) {
        replay_record record;
        record.nickname = e.user;
        record.user_name = e.user;
        record.car = e.car;
        record.laps = e.laps;
        record.total_time_ms = total += 1000;
        record.best_lap_ms = e.best_lap_ms;
        record.grid_slot = e.grid_slot;
        record.flags = e.flags;
        r.records.push_back(record);
    }
    return r;
}

replay qualifying_replay(const std::vector<entrant>& entrants) {
    replay r;
    r.track_id = "BL1";
    for (const entrant& e : entrants) {
        replay_record record;
        record.nickname = e.user + " (q)";
        record.user_name = e.user;
        record.car = e.car;
        record.best_lap_ms = e.best_lap_ms;
        r.records.push_back(record);
    }
    return r;
}

// The scored event of a race (grid size: the number of entrants) and a qualifying session; an
// empty list leaves the session out.
event_result scored_event(const options::option_set& options, const std::vector<entrant>& race,
                          const std::vector<entrant>& qualifying) {
    event_result event;
    event.options = std::make_shared<const options::option_set>(options);
    if (!race.empty()) {
        event.race = build_race_result(
            options, race_replay(race, static_cast<std::uint8_t>(race.size())));
    }
    if (!qualifying.empty()) {
        event.qualifying = new_qualifying_result();
        merge_qualifying(*event.qualifying, options, qualifying_replay(qualifying));
    }
    award_points(event);
    return event;
}

options::option_set no_points() {
    options::option_set options;
    options.race_points = {};
    return options;
}

TEST(award, ordinals) {
    const struct {
        std::int32_t n;
        const char* text;
    } cases[] = {
        {1, "1st"},     {2, "2nd"},     {3, "3rd"},     {4, "4th"},     {10, "10th"},
        {11, "11th"},   {12, "12th"},   {13, "13th"},   {20, "20th"},   {21, "21st"},
        {22, "22nd"},   {23, "23rd"},   {101, "101st"}, {102, "102nd"}, {111, "111th"},
        {112, "112th"}, {113, "113th"}, {121, "121st"}, {211, "211th"}, {255, "255th"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ordinal_text(c.n), c.text);
    }
}

TEST(award, table_points) {
    const options::scoring_positions race{{10, 6, 4, 3, 2, 1}, false};
    const options::scoring_positions reduced{{10, 6, 4, 3, 2, 1}, true};
    const options::scoring_positions qualifying{{3, 2, 1}, true};
    const struct {
        const options::scoring_positions* table;
        std::int32_t position;
        std::int32_t count;
        std::int32_t expected;
    } cases[] = {
        {&race, 1, 4, 10},       {&race, 4, 4, 3},       {&reduced, 1, 4, 4},
        {&reduced, 4, 4, 1},     {&reduced, 1, 6, 10},   {&reduced, 2, 8, 6},
        {&reduced, 6, 8, 1},     {&race, 7, 8, 0},       {&race, 5, 4, 0},
        {&reduced, 5, 4, 0},     {&race, 0, 4, 0},       {&race, -1, 4, 0},
        {&race, 1, 0, 0},        {&qualifying, 1, 1, 1}, {&qualifying, 2, 3, 2},
        {&qualifying, 1, -5, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(table_points(*c.table, c.position, c.count), points(c.expected))
            << c.position << " of " << c.count << (c.table->reduced ? " reduced" : "");
    }
}

TEST(award, default_table_with_eight_finishers) {
    const event_result event = scored_event(
        options::option_set{},
        {{"a", 61000, 1}, {"b", 60000, 2}, {"c", 61000, 3}, {"d", 61000, 4}, {"e", 61000, 5},
         {"f", 61000, 6}, {"g", 61000, 7}, {"h", 60000, 8}},
        {});
    // Every driver kept his grid slot: all climbed 0 places. The bonuses are worth nothing, but
    // the markers are set.
    EXPECT_EQ(scores_text(event.scores),
              "a (a) P1 Q- climber = 10: 1st 10\n"
              "b (b) P2 Q- fastest-lap climber = 6: 2nd 6\n"
              "c (c) P3 Q- climber = 4: 3rd 4\n"
              "d (d) P4 Q- climber = 3: 4th 3\n"
              "e (e) P5 Q- climber = 2: 5th 2\n"
              "f (f) P6 Q- climber = 1: 6th 1\n"
              "g (g) P7 Q- climber = 0:\n"
              "h (h) P8 Q- fastest-lap climber = 0:\n");
}

TEST(award, reduced_tables) {
    options::option_set options;
    options.race_points.reduced = true;
    options.qualifying_points = {{3, 2, 1}, true};
    const event_result event =
        scored_event(options, {{"a"}, {"b"}, {"c"}, {"d"}}, {{"c", 59000}});
    EXPECT_EQ(scores_text(event.scores),
              "a (a) P1 Q- fastest-lap climber = 4: 1st 4\n"
              "b (b) P2 Q- fastest-lap = 3: 2nd 3\n"
              "c (c) P3 Q1 fastest-lap climber = 3: 3rd 2; 1st in qualifying 1\n"
              "d (d) P4 Q- fastest-lap = 1: 4th 1\n");
}

TEST(award, grid_points_stop_at_the_grid_size) {
    options::option_set options = no_points();
    options.grid_points = {{3, 2, 1}, false};
    event_result event;
    event.options = std::make_shared<const options::option_set>(options);
    event.race = build_race_result(
        options, race_replay({{"a", 60000, 3}, {"b", 61000, 1}, {"c", 61000, 0}}, 2));
    award_points(event);
    EXPECT_EQ(scores_text(event.scores),
              "a (a) P1 Q- fastest-lap climber = 0:\n"
              "b (b) P2 Q- = 3: 1st on grid 3\n"
              "c (c) P3 Q- = 0:\n");
}

TEST(award, highest_climbers) {
    options::option_set options = no_points();
    options.highest_climber.value = 3;
    options.highest_climber_with_qualifying_time.value = 2;
    options.highest_climber_from_qualifying_position.value = 1;
    const event_result event = scored_event(
        options,
        {{"d", 60000, 5}, {"c", 61000, 4}, {"a", 61000, 1}, {"e", 61000, 3}, {"b", 61000, 2}},
        {{"a", 58000}, {"b", 58500}, {"c", 59000}, {"e", 59500}});
    // d climbed most but did not qualify; c climbed most of the qualifiers but started behind his
    // qualifying position; of those who did not, e lost fewest places.
    EXPECT_EQ(scores_text(event.scores),
              "d (d) P1 Q- fastest-lap climber = 3: highest climber 3\n"
              "c (c) P2 Q3 climber = 2: highest climber 2\n"
              "a (a) P3 Q1 = 0:\n"
              "e (e) P4 Q4 climber = 1: highest climber 1\n"
              "b (b) P5 Q2 = 0:\n");
    std::vector<std::int32_t> climbs;
    for (const race_row& row : event.race->results) {
        climbs.push_back(row.climb);
    }
    EXPECT_EQ(climbs, (std::vector<std::int32_t>{4, 2, -2, -1, -3}));
}

TEST(award, without_grid_slots_the_winner_is_the_highest_climber) {
    options::option_set options = no_points();
    options.highest_climber.value = 1;
    options.highest_climber_from_qualifying_position.value = 1;
    const event_result event =
        scored_event(options, {{"a", 61000}, {"b", 60000}, {"c", 61000}}, {{"a", 59000}});
    EXPECT_EQ(scores_text(event.scores),
              "a (a) P1 Q1 climber = 2: highest climber 1; highest climber 1\n"
              "b (b) P2 Q- fastest-lap = 0:\n"
              "c (c) P3 Q- = 0:\n");
}

TEST(award, shared_fastest_lap) {
    const struct {
        options::shared_points_mode mode;
        const char* scores;
    } cases[] = {
        {options::shared_points_mode::divide_between,
         "a (a) P1 Q- fastest-lap climber = 1/3: fastest lap 1/3\n"
         "b (b) P2 Q- = 0:\n"
         "c (c) P3 Q- fastest-lap = 1/3: fastest lap 1/3\n"
         "d (d) P4 Q- fastest-lap = 1/3: fastest lap 1/3\n"},
        {options::shared_points_mode::award_all,
         "a (a) P1 Q- fastest-lap climber = 1: fastest lap 1\n"
         "b (b) P2 Q- = 0:\n"
         "c (c) P3 Q- fastest-lap = 1: fastest lap 1\n"
         "d (d) P4 Q- fastest-lap = 1: fastest lap 1\n"},
        {options::shared_points_mode::award_first,
         "a (a) P1 Q- fastest-lap climber = 1: fastest lap 1\n"
         "b (b) P2 Q- = 0:\n"
         "c (c) P3 Q- fastest-lap = 0:\n"
         "d (d) P4 Q- fastest-lap = 0:\n"},
    };
    for (const auto& c : cases) {
        options::option_set options = no_points();
        options.fastest_lap.value = 1;
        options.shared_points_mode_fastest_lap = c.mode;
        const event_result event = scored_event(
            options, {{"a", 60000}, {"b", 60001}, {"c", 60000}, {"d", 60000}}, {});
        EXPECT_EQ(scores_text(event.scores), c.scores) << static_cast<int>(c.mode);
    }
}

TEST(award, fastest_qualifiers) {
    options::option_set options = no_points();
    options.qualifying_points = {{5, 4, 3, 2}, false};
    options.fastest_qualifier.value = 2;
    options.fastest_qualifier_to_finish.value = 1;
    options.shared_points_mode_fastest_qualifier = options::shared_points_mode::divide_between;
    // x qualified fastest but was disqualified from the race; y and z share the fastest time
    // among the finishers.
    const event_result event = scored_event(
        options, {{"w", 61000, 4}, {"x", 60000, 1, 0x40}, {"y", 60500, 2}, {"z", 60000, 3}},
        {{"x", 59000}, {"y", 60000}, {"z", 60000}, {"w", 61000}});
    EXPECT_EQ(scores_text(event.scores),
              "w (w) P1 Q4 climber = 2: 4th in qualifying 2\n"
              "y (y) P2 Q2 = 9/2: 2nd in qualifying 4; fastest qualifier 1/2\n"
              "z (z) P3 Q3 fastest-lap = 7/2: 3rd in qualifying 3; fastest qualifier 1/2\n"
              "x (x (q)) P- Q1 = 7: 1st in qualifying 5; fastest qualifier 2\n");
}

TEST(award, rows_without_a_time_win_no_time_bonus) {
    options::option_set options = no_points();
    options.qualifying_points = {{5, 4, 3, 2}, false};
    options.highest_climber.value = 3;
    options.highest_climber_with_qualifying_time.value = 2;
    options.highest_climber_from_qualifying_position.value = 1;
    options.fastest_lap.value = 1;
    options.fastest_qualifier.value = 2;
    options.fastest_qualifier_to_finish.value = 1;
    // u set no qualifying time: he ranks after w, climbed most from grid slot 3 (not behind his
    // qualifying position 3), yet is no climber with a qualifying time. s set no race lap, v no
    // qualifying lap: neither is fastest.
    const event_result event =
        scored_event(options, {{"u", 60000, 3}, {"t", 61000, 1}, {"s", 0, 2}},
                     {{"t", 59000}, {"u", 0}, {"w", 59500}, {"v", -1}});
    EXPECT_EQ(scores_text(event.scores),
              "u (u) P1 Q3 fastest-lap climber = 7: 3rd in qualifying 3; highest climber 3; "
              "fastest lap 1\n"
              "t (t) P2 Q1 climber = 11: 1st in qualifying 5; highest climber 2; "
              "highest climber 1; fastest qualifier 2; fastest qualifier 1\n"
              "s (s) P3 Q- = 0:\n"
              "w (w (q)) P- Q2 = 4: 2nd in qualifying 4\n"
              "v (v (q)) P- Q4 = 2: 4th in qualifying 2\n");

    // Nobody set a time: no fastest-lap or fastest-qualifier bonus at all.
    const event_result untimed =
        scored_event(options, {{"a", 0, 1}, {"b", -1, 2}}, {{"a", 0}, {"b", 0}});
    EXPECT_EQ(scores_text(untimed.scores),
              "a (a) P1 Q1 climber = 8: 1st in qualifying 5; highest climber 3\n"
              "b (b) P2 Q2 climber = 7: 2nd in qualifying 4; highest climber 3\n");
}

TEST(award, one_driver_gets_every_kind_of_item_in_order) {
    options::option_set options;
    options.race_points = {{10}, false};
    options.grid_points = {{5}, false};
    options.qualifying_points = {{3}, false};
    options.highest_climber.value = 1;
    options.highest_climber_with_qualifying_time.value = points(1, 2);
    options.highest_climber_from_qualifying_position.value = points(1, 4);
    options.fastest_lap.value = 2;
    options.fastest_qualifier.value = points(3, 2);
    options.fastest_qualifier_to_finish.value = points(1, 3);
    options.shared_points_mode_highest_climber = options::shared_points_mode::award_first;
    options.points_modifications[make_config_name_key("A")] = {points(-2), "late"};
    options.points_modifications[make_config_name_key("ghost")] = {points(5), "bonus"};
    options.points_modifications[make_config_name_key("b")] = {points(0), "custom"};
    const event_result event = scored_event(options, {{"a", 60000, 1}, {"b", 61000, 2}},
                                            {{"a", 59000}, {"b", 59500}});
    EXPECT_EQ(scores_text(event.scores),
              "a (a) P1 Q1 fastest-lap climber = 259/12: 1st 10; 1st on grid 5; "
              "1st in qualifying 3; highest climber 1; highest climber 1/2; highest climber 1/4; "
              "fastest lap 2; fastest qualifier 3/2; fastest qualifier 1/3; late -2\n"
              "b (b) P2 Q2 climber = 0: custom 0\n");
    EXPECT_EQ(event.scores.find(make_config_name_key("ghost")), nullptr);
}

TEST(award, handicap_and_names) {
    options::option_set options = no_points();
    options.forced_names[make_config_name_key("b")] = "Bee";
    event_result event;
    event.options = std::make_shared<const options::option_set>(options);
    replay race = race_replay({{"a"}, {"b"}, {"c"}}, 3);
    race.records[0].mass_kg = 10;
    race.records[1].intake_percent = 5;
    event.race = build_race_result(options, race);
    event.qualifying = new_qualifying_result();
    merge_qualifying(*event.qualifying, options, qualifying_replay({{"c"}, {"d"}}));
    award_points(event);
    EXPECT_EQ(scores_text(event.scores),
              "a (a) P1 Q- fastest-lap climber handicap = 0:\n"
              "b (Bee) P2 Q- fastest-lap handicap = 0:\n"
              "c (c) P3 Q1 fastest-lap climber = 0:\n"
              "d (d (q)) P- Q2 = 0:\n");
}

TEST(award, points_overflow_names_the_driver) {
    const struct {
        const char* name;
        options::option_set options;
    } cases[] = {
        {"modification", [] {
             options::option_set options;
             options.points_modifications[make_config_name_key("eddie")] = {
                 points(1, 2147483647), "tiny"};
             return options;
         }()},
        {"divided bonus", [] {
             options::option_set options;
             options.fastest_lap.value = points(1, 2147483647);
             options.shared_points_mode_fastest_lap = options::shared_points_mode::divide_between;
             return options;
         }()},
    };
    for (const auto& c : cases) {
        event_result event;
        event.options = std::make_shared<const options::option_set>(c.options);
        replay race = race_replay({{"Eddie"}, {"bob"}}, 2);
        event.race = build_race_result(c.options, race);
        try {
            award_points(event);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "points overflow for Eddie") << c.name;
        }
    }
}

TEST(award, absent_sessions) {
    options::option_set options;
    event_result event;
    event.options = std::make_shared<const options::option_set>(options);
    award_points(event);
    EXPECT_TRUE(event.scores.empty());

    // A race whose drivers were all disqualified still gives its qualifiers their points.
    options.qualifying_points = {{2}, false};
    const event_result no_finishers =
        scored_event(options, {{"a", 60000, 1, 0x40}}, {{"a", 59000}});
    EXPECT_EQ(scores_text(no_finishers.scores), "a (a (q)) P- Q1 = 2: 1st in qualifying 2\n");
}

// Each class is a race of its own: positions, grid slots, bonuses and the classification rule
// (against the class winner's laps, not the race winner's) within the class.
TEST(award, classes_are_scored_apart) {
    options::option_set options;
    options.race_points = {{points(10), points(6)}, false};
    options.grid_points = {{points(1)}, false};
    options.qualifying_points = {{points(2)}, false};
    options.fastest_lap.value = 1;
    options.highest_climber.value = 1;
    options.minimum_race_distance = options::minimum_distance{true, points(9, 10)};
    options.classes = {{"GTR", {"FXR"}}, {"TBO", {"XRT", "RB4"}}};
    options.driver_classes[make_config_name_key("am")] = "TBO";
    // The TBO cars are a lap or two down: 8 of 10 laps is no 90% of the race, but of the class.
    event_result event = scored_event(
        options,
        {{"g1", 60000, 2, 0, "FXR", 10},
         {"g2", 59000, 1, 0, "FXR", 10},
         {"t1", 66000, 4, 0, "XRT", 8},
         {"am", 65000, 3, 0, "FXR", 8},  // a GTR car, in TBO by name
         {"t2", 64000, 5, 0, "RB4", 7},  // 7 of 8 laps: not classified, and no fastest lap
         {"uf", 70000, 6, 0, "UF1", 6}},
        {{"t1", 63000, 0, 0, "XRT"}, {"q", 58000, 0, 0, "FXR"}});
    // GTR: slots g2 1, g1 2. TBO: slots am 1, t1 2, t2 3. UF1 is a class of its own.
    EXPECT_EQ(scores_text(event.scores),
              "g1 (g1) P1 Q- climber = 11: 1st 10; highest climber 1\n"
              "g2 (g2) P2 Q- fastest-lap = 8: 2nd 6; 1st on grid 1; fastest lap 1\n"
              "q (q (q)) P- Q1 = 2: 1st in qualifying 2\n"
              "t1 (t1) P1 Q1 climber = 13: 1st 10; 1st in qualifying 2; highest climber 1\n"
              "am (am) P2 Q- fastest-lap = 8: 2nd 6; 1st on grid 1; fastest lap 1\n"
              "t2 (t2) P- Q- = 0:\n"
              "uf (uf) P1 Q- fastest-lap climber = 13: 1st 10; 1st on grid 1; highest climber 1; "
              "fastest lap 1\n");
    EXPECT_EQ(event.classes, (std::vector<std::string>{"GTR", "TBO", "UF1"}));
    EXPECT_EQ(event.classless_cars, (std::vector<std::string>{"UF1"}));
    std::vector<std::string> rows;
    for (const race_row& row : event.race->results) {
        rows.push_back(row.car_class + " " + std::to_string(row.class_position) +
                       (row.classified ? "" : " DNF"));
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"GTR 1", "GTR 2", "TBO 1", "TBO 2", "TBO 0 DNF",
                                              "UF1 1"}));
}

}  // namespace

#include "standings/standings.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr std::int32_t int32_max = std::numeric_limits<std::int32_t>::max();

// One driver's line in a hand-made scores table.
struct line {
    line(std::string user, points_value points, std::optional<std::int32_t> finish = std::nullopt,
         std::optional<std::int32_t> qualifying = std::nullopt, std::string name = {})
        : user(std::move(user)),
          points(points),
          finish(finish),
          qualifying(qualifying),
          name(std::move(name)) {}

    std::string user;  // user name as in the replay
    points_value points;
    std::optional<std::int32_t> finish;
    std::optional<std::int32_t> qualifying;
    std::string name;  // display name; the user name when empty
};

using team_list = std::vector<std::pair<std::string, std::string>>;  // user name, team

std::shared_ptr<const options::option_set> options_with_teams(const team_list& teams) {
    auto options = std::make_shared<options::option_set>();
    for (const auto& [user, team] : teams) {
        options->teams[make_name_key(user)] = team;
    }
    return options;
}

event_result make_event(const std::vector<line>& lines, const team_list& teams = {}) {
    event_result event;
    event.options = options_with_teams(teams);
    for (const line& l : lines) {
        score_entry& entry = event.scores[make_name_key(l.user)];
        entry.name = l.name.empty() ? l.user : l.name;
        entry.points = l.points;
        entry.finish_position = l.finish;
        entry.qualifying_position = l.qualifying;
    }
    return event;
}

std::vector<std::string> driver_order(const standings& s) {
    std::vector<std::string> order;
    for (const driver_standing* driver : s.driver_ranking) {
        order.push_back(driver->key.display);
    }
    return order;
}

std::vector<std::string> team_order(const standings& s) {
    std::vector<std::string> order;
    for (const team_standing* team : s.team_ranking) {
        order.emplace_back(team->name);
    }
    return order;
}

series_standing standing(points_value points, std::map<std::int32_t, std::int32_t> finishes,
                         std::map<std::int32_t, std::int32_t> qualifyings = {}) {
    series_standing s;
    s.points = points;
    s.finish_counts = std::move(finishes);
    s.qualifying_counts = std::move(qualifyings);
    return s;
}

TEST(standings, ranks_below_by_points_then_count_back) {
    const struct {
        const char* what;
        series_standing lower;
        series_standing higher;
    } cases[] = {
        {"fewer points, whatever the finishes", standing(9, {{1, 5}}), standing(10, {{5, 1}})},
        {"points compared exactly, not as doubles",
         standing(points_value(int32_max, int32_max - 1), {}),
         standing(points_value(int32_max - 1, int32_max - 2), {})},
        {"one win and three seconds below two wins", standing(20, {{1, 1}, {2, 3}}),
         standing(20, {{1, 2}})},
        {"equal wins, a 5th below a 2nd", standing(20, {{1, 1}, {5, 1}}),
         standing(20, {{1, 1}, {2, 1}})},
        {"equal wins and seconds, fewer thirds", standing(20, {{1, 1}, {2, 1}, {3, 1}}),
         standing(20, {{1, 1}, {2, 1}, {3, 2}})},
        {"identical finishes, fewer poles", standing(20, {{1, 1}, {4, 1}}, {{1, 1}, {2, 1}}),
         standing(20, {{1, 1}, {4, 1}}, {{1, 2}})},
        {"one finish fewer, far back", standing(3, {{1, 1}, {3, 1}}),
         standing(3, {{1, 1}, {3, 1}, {30, 1}})},
        {"one finish fewer, in front", standing(3, {{3, 1}}), standing(3, {{1, 1}, {3, 1}})},
        {"no finishes at all below a last place", standing(0, {}), standing(0, {{40, 1}})},
        {"qualifying only when finishes are equal", standing(0, {{2, 1}}, {{9, 1}}),
         standing(0, {{2, 1}}, {{9, 1}, {12, 1}})},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(ranks_below(c.lower, c.higher)) << c.what;
        EXPECT_FALSE(ranks_below(c.higher, c.lower)) << c.what;
    }
    const series_standing equal = standing(points_value(1, 3), {{2, 1}}, {{1, 1}});
    EXPECT_FALSE(ranks_below(equal, equal));
}

TEST(standings, accumulates_points_counts_names_and_the_first_user_name) {
    const std::vector<event_result> events{
        make_event({{"Alice", 10, 1, 2, "Ali"}, {"Bob", 6, 2, 1}}),
        make_event({{"bob", 10, 1, std::nullopt, "Bobby"}, {"ALICE", 4, 3, 1, "Alice Q"}}),
        make_event({{"Carol", points_value(1, 2), std::nullopt, 3}}),
    };
    const standings s = build_standings(events);
    ASSERT_EQ(driver_order(s), (std::vector<std::string>{"Bob", "Alice", "Carol"}));

    const driver_standing& bob = *s.driver_ranking[0];
    EXPECT_EQ(bob.points, points_value(16));
    EXPECT_EQ(bob.finish_counts, (std::map<std::int32_t, std::int32_t>{{1, 1}, {2, 1}}));
    EXPECT_EQ(bob.qualifying_counts, (std::map<std::int32_t, std::int32_t>{{1, 1}}));
    EXPECT_EQ(bob.key.match, "bob");
    EXPECT_EQ(bob.name, "Bobby");

    const driver_standing& alice = *s.driver_ranking[1];
    EXPECT_EQ(alice.points, points_value(14));
    EXPECT_EQ(alice.finish_counts, (std::map<std::int32_t, std::int32_t>{{1, 1}, {3, 1}}));
    EXPECT_EQ(alice.qualifying_counts, (std::map<std::int32_t, std::int32_t>{{1, 1}, {2, 1}}));
    EXPECT_EQ(alice.name, "Alice Q");
    EXPECT_EQ(&alice, &s.drivers.at("alice"));

    const driver_standing& carol = *s.driver_ranking[2];
    EXPECT_EQ(carol.points, points_value(1, 2));
    EXPECT_TRUE(carol.finish_counts.empty());
    EXPECT_EQ(carol.qualifying_counts, (std::map<std::int32_t, std::int32_t>{{3, 1}}));
    EXPECT_TRUE(s.teams.empty());
    EXPECT_TRUE(s.team_ranking.empty());
}

TEST(standings, count_back_decides_over_a_season) {
    // Both end on 20 points: Dave with two wins, Erin with one win and three second places.
    const std::vector<event_result> events{
        make_event({{"Erin", 5, 1}, {"Dave", 0, 9}}),
        make_event({{"Erin", 5, 2}, {"Dave", 10, 1}}),
        make_event({{"Erin", 5, 2}, {"Dave", 10, 1}}),
        make_event({{"Erin", 5, 2}}),
    };
    EXPECT_EQ(driver_order(build_standings(events)), (std::vector<std::string>{"Dave", "Erin"}));
}

TEST(standings, equal_standings_keep_the_previous_order_then_the_table_order) {
    const std::vector<event_result> events{
        make_event({{"Ann", 10}, {"Ben", 5}}),
        // Ben draws level and comes first in this table; Ann was ahead, so she stays ahead.
        // Cid and Dan are new and equal: they keep this table's order, after the others.
        make_event({{"Ben", 5}, {"Dan", 0}, {"Ann", 0}, {"Cid", 0}}),
        make_event({{"Cid", 10}, {"Dan", 10}}),
    };
    EXPECT_EQ(driver_order(build_standings(events)),
              (std::vector<std::string>{"Ann", "Ben", "Dan", "Cid"}));
}

TEST(standings, a_tie_at_the_end_keeps_the_order_of_the_season) {
    // Ann is met first, but Ben leads after the first event; when she draws level he stays ahead.
    // A driver ahead of both and one behind them do not change that.
    const std::vector<event_result> events{
        make_event({{"Ann", 0}, {"Ben", 10}, {"Cal", 30}}),
        make_event({{"Ann", 10}, {"Dot", 1}}),
    };
    EXPECT_EQ(driver_order(build_standings(events)),
              (std::vector<std::string>{"Cal", "Ben", "Ann", "Dot"}));
}

TEST(standings, thirds_add_up_exactly_to_one) {
    const points_value third(1, 3);
    const std::vector<event_result> events{
        make_event({{"Eve", 1}, {"Fay", third}}),
        make_event({{"Fay", third}}),
        make_event({{"Fay", third}}),
    };
    const standings s = build_standings(events);
    const driver_standing& fay = s.drivers.at("fay");
    EXPECT_EQ(fay.points, points_value(1));
    EXPECT_EQ(fay.points.numerator(), 1);
    EXPECT_EQ(fay.points.denominator(), 1);
    EXPECT_EQ(driver_order(s), (std::vector<std::string>{"Eve", "Fay"}));
}

TEST(standings, team_points_follow_the_team_of_each_event) {
    const std::vector<event_result> events{
        make_event({{"Gus", 10, 1}, {"Hal", 6, 2}, {"Ida", 4, 3}},
                   {{"Gus", "Red"}, {"Hal", "red"}, {"Ida", "Red"}}),
        // Gus has no team any more; Hal moves from "red" to "Blue".
        make_event({{"Gus", 10, 1}, {"Hal", 6, 2}}, {{"Hal", "Blue"}}),
    };
    const standings s = build_standings(events);
    EXPECT_EQ(team_order(s), (std::vector<std::string>{"Red", "red", "Blue"}));

    const team_standing& red = s.teams.at("Red");
    EXPECT_EQ(red.points, points_value(14));
    EXPECT_EQ(red.finish_counts, (std::map<std::int32_t, std::int32_t>{{1, 1}, {3, 1}}));
    EXPECT_TRUE(red.qualifying_counts.empty());
    EXPECT_EQ(s.teams.at("red").points, points_value(6));
    EXPECT_EQ(s.teams.at("Blue").points, points_value(6));

    const driver_standing& gus = s.drivers.at("gus");
    EXPECT_EQ(gus.points, points_value(20));
    EXPECT_FALSE(gus.team.has_value());
    EXPECT_EQ(s.drivers.at("hal").team, std::optional<std::string_view>("Blue"));
}

TEST(standings, a_total_that_leaves_32_bits_is_an_error) {
    const struct {
        const char* what;
        std::vector<event_result> events;
        const char* message;
    } cases[] = {
        {"driver numerator",
         {make_event({{"Zed", int32_max - 1}}), make_event({{"ZED", 2}})},
         "points overflow for Zed"},
        {"driver denominator",
         {make_event({{"Zed", points_value(1, 65537)}}),
          make_event({{"Zed", points_value(1, 65539)}})},
         "points overflow for Zed"},
        {"team",
         {make_event({{"Zed", int32_max}, {"Yan", 1}}, {{"Zed", "R&D"}, {"Yan", "R&D"}})},
         "points overflow for team R&D"},
    };
    for (const auto& c : cases) {
        try {
            build_standings(c.events);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), c.message) << c.what;
        }
    }
}

// A round of one driver: his event points, of which `manual` came from "modify-points".
struct round {
    const char* user;
    points_value points;
    points_value manual{0};
};

// "a: 17 -D-": the driver's total and, per event, whether his round was dropped.
std::string totals_and_drops(const standings& s) {
    std::string text;
    for (const driver_standing* driver : s.driver_ranking) {
        text += driver->key.display + ": " + std::to_string(driver->points.numerator());
        if (driver->points.denominator() != 1) {
            text += "/" + std::to_string(driver->points.denominator());
        }
        text += ' ';
        for (const bool dropped : driver->dropped) {
            text += dropped ? 'D' : '-';
        }
        text += '\n';
    }
    return text;
}

TEST(standings, only_the_best_rounds_count) {
    const struct {
        const char* name;
        std::int32_t best;
        std::vector<std::vector<round>> events;
        const char* expected;
    } cases[] = {
        {"every round counts without the rule", 0, {{{"a", 10}}, {{"a", 4}}}, "a: 14 \n"},
        {"nothing is dropped while K or fewer events are counted", 3,
         {{{"a", 10}}, {{"a", 4}}},
         "a: 14 --\n"},
        {"the lowest round is dropped", 2, {{{"a", 10}}, {{"a", 4}}, {{"a", 7}}}, "a: 17 -D-\n"},
        {"of equal rounds the later is dropped", 2,
         {{{"a", 5}}, {{"a", 5}}, {{"a", 5}}},
         "a: 10 --D\n"},
        {"an event without a score is a round of 0 that can be dropped", 2,
         {{{"a", 10}}, {{"b", 1}}, {{"a", 6}}},
         "a: 16 -D-\nb: 1 --D\n"},
        {"the events before a driver's first score are rounds of 0", 1,
         {{{"b", 2}}, {{"a", 3}}},
         "a: 3 D-\nb: 2 -D\n"},
        {"negative rounds are simply the lowest", 2,
         {{{"a", -2}}, {{"b", 1}}, {{"a", 4}}},
         "a: 4 D--\nb: 1 --D\n"},
        {"a manual change always counts, also in a dropped round", 1,
         {{{"a", -2, -5}}, {{"a", 6}}},
         "a: 1 D-\n"},
        {"a manual change does not make a round better or worse", 1,
         {{{"a", 8, -2}}, {{"a", 7}}},
         "a: 8 -D\n"},
        {"fractions are compared and added exactly", 2,
         {{{"a", points_value(1, 3)}}, {{"a", points_value(1, 2)}}, {{"a", points_value(1, 4)}}},
         "a: 5/6 --D\n"},
        {"the ranking uses the counted points", 1,
         {{{"a", 10}, {"b", 6}}, {{"a", 1}, {"b", 6}}},
         "a: 10 -D\nb: 6 -D\n"},
    };
    for (const auto& c : cases) {
        std::vector<event_result> events;
        for (const auto& rounds : c.events) {
            event_result& event = events.emplace_back();
            event.options = std::make_shared<options::option_set>();
            for (const round& r : rounds) {
                score_entry& entry = event.scores[make_name_key(r.user)];
                entry.name = r.user;
                entry.points = r.points;
                entry.manual_change = r.manual;
            }
        }
        const standings s = build_standings(events, c.best);
        EXPECT_EQ(totals_and_drops(s), c.expected) << c.name;
        for (const driver_standing* driver : s.driver_ranking) {
            EXPECT_EQ(running_totals(*driver, events.size(), c.best).back(), driver->points)
                << c.name;
        }
    }
}

TEST(standings, running_totals_follow_the_rule_event_by_event) {
    std::vector<event_result> events;
    events.emplace_back();  // an event without him
    for (const int points : {10, 4, 7, 12}) {
        event_result& event = events.emplace_back();
        event.options = std::make_shared<options::option_set>();
        event.scores[make_name_key("a")].points = points;
    }
    events.emplace_back();  // and another
    // The standings point into the events they were built from: these must outlive them.
    const std::vector<event_result> inner(events.begin() + 1, events.end() - 1);
    const standings s = build_standings(inner);
    // His results are those of the events after the first: the standing of the season without it.
    driver_standing driver = *s.driver_ranking.front();
    for (auto& [index, entry] : driver.results) {
        ++index;
    }
    EXPECT_EQ(running_totals(driver, events.size(), 2),
              (std::vector<points_value>{0, 10, 14, 17, 22, 22}));
    EXPECT_EQ(running_totals(driver, events.size()),
              (std::vector<points_value>{0, 10, 14, 21, 33, 33}));
}

// Only each team's best placed drivers of an event count for it: most points, then the better
// finish (one without a finish last); the drivers' own totals keep every point.
TEST(standings, only_a_teams_best_drivers_of_an_event_count_for_it) {
    const team_list teams{{"a", "Red"}, {"b", "Red"}, {"c", "Red"}, {"d", "Blue"}};
    const std::vector<event_result> events{
        make_event({{"a", points_value(6), 2}, {"b", points_value(6), 1}, {"c", points_value(8)},
                    {"d", points_value(3), 3}},
                   teams),
        make_event({{"d", points_value(10), 1}, {"c", points_value(1), 2}}, teams),
    };
    standings_rules rules;
    rules.team_counted_drivers = 2;
    const standings s = build_standings(events, rules);
    // Red at the first event: c (8, no finish) and b (6, 1st) before a (6, 2nd).
    EXPECT_EQ(s.teams.at("Red").points, points_value(15));
    EXPECT_EQ(s.teams.at("Red").finish_counts, (std::map<std::int32_t, std::int32_t>{{1, 1}, {2, 1}}));
    EXPECT_EQ(s.teams.at("Blue").points, points_value(13));
    EXPECT_EQ(s.drivers.at("a").points, points_value(6));
    const auto names = [](const team_standing& team, std::size_t round) {
        std::vector<std::string> names;
        for (const score_entry* entry : team.counted.at(round).second) {
            names.push_back(entry->name);
        }
        return names;
    };
    EXPECT_EQ(names(s.teams.at("Red"), 0), (std::vector<std::string>{"b", "c"}));  // table order
    EXPECT_EQ(names(s.teams.at("Red"), 1), (std::vector<std::string>{"c"}));
    EXPECT_EQ(team_order(s), (std::vector<std::string>{"Red", "Blue"}));
    rules.team_counted_drivers = 0;
    EXPECT_EQ(build_standings(events, rules).teams.at("Red").points, points_value(21));
}

}  // namespace

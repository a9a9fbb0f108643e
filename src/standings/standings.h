#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/points.h"
#include "event_result/event_result.h"
#include "lfs_codec/name_key.h"
#include "options/option_set.h"

// The championship standings of drivers and teams over the counted events.

// What drivers and teams have in common: the points total and how often each finishing and
// qualifying position was reached (only positions reached at least once are present).
struct series_standing {
    points_value points{0};
    std::map<std::int32_t, std::int32_t> finish_counts;      // race position -> times reached
    std::map<std::int32_t, std::int32_t> qualifying_counts;  // qualifying position -> times
};

// What a driver did over the counted events, for his page and the statistics columns.
struct driver_statistics {
    std::int32_t starts = 0;        // races he took part in (classified or disqualified)
    std::int32_t wins = 0;
    std::int32_t podiums = 0;       // 1st to 3rd
    std::int32_t poles = 0;         // 1st in qualifying
    std::int32_t fastest_laps = 0;  // races in which he set the fastest lap
    std::optional<std::int32_t> best_finish;
    std::int32_t finishes = 0;       // races in which he was classified
    std::int64_t finish_sum = 0;     // of his finishing positions: the average is sum / finishes
    std::int64_t places_gained = 0;  // from his grid slot (where the replay has one), net
    std::int64_t laps = 0;           // race laps completed
};

struct driver_standing : series_standing {
    // From the first event in which the driver scored; its `display` titles his cell.
    name_key key;
    // Display name from the latest event in which the driver has a result.
    std::string_view name;
    // His team in that latest event, if any; a driver without a team there has none.
    std::optional<std::string_view> team;
    // With a best-results rule: for every counted event, in order, whether that round was
    // dropped from `points`. Empty when every round counts.
    std::vector<bool> dropped;
    // His scores, in event order: the index of each event in which he has one, and that score
    // (in the event's table).
    std::vector<std::pair<std::size_t, const score_entry*>> results;
    // The indices of the events at which he was disqualified from the race (by the replay's flags
    // or the settings), in order; he may have a score there from qualifying.
    std::vector<std::size_t> disqualified;
    driver_statistics statistics;
};

struct team_standing : series_standing {
    // Exactly as configured; names that differ in letter case are different teams.
    std::string_view name;
    // Under the rule that only a team's best drivers of an event count: for each event in which
    // some counted, its index and the entries of those who did, in the order of the event's table.
    std::vector<std::pair<std::size_t, std::vector<const score_entry*>>> counted;
};

// True when `a` is placed below `b`: fewer points (compared exactly), else count-back on finishing
// positions, else count-back on qualifying positions. Count-back compares the number of 1st
// places, then of 2nd places and so on; the larger number at the first difference ranks higher.
// Standings equal in all three are neither below the other.
bool ranks_below(const series_standing& a, const series_standing& b);

// The standings of a run. Every text view (`name`, `team`, the table keys) refers into the events
// and their option sets, which must outlive this object. The rankings point into the tables, so
// the object can be moved but not copied.
struct standings {
    standings() = default;
    standings(const standings&) = delete;
    standings& operator=(const standings&) = delete;
    standings(standings&&) = default;
    standings& operator=(standings&&) = default;

    std::unordered_map<std::string_view, driver_standing> drivers;  // by key.match
    std::unordered_map<std::string_view, team_standing> teams;      // by name
    std::vector<const driver_standing*> driver_ranking;             // best first
    std::vector<const team_standing*> team_ranking;                 // best first
};

// Adds up the events' `scores`, one event at a time in the given order (start-time order), each
// event's entries in the order of its table, and re-sorts both rankings (stable) after every
// event. Standings equal in every ranking step therefore keep their order from the previous event;
// those first seen in the same event keep the order of that event's table. A driver's points go to
// the team he has in that event's options. Precondition: every event has its `options`.
//
// With `best_results` K above 0, a driver's points are only his K best round scores so far plus
// every manual change: his round score at an event is its points without the manual change
// ("modify-points"), 0 where he has no score; the K highest are kept, the earlier of equal ones;
// while K or fewer events have been counted nothing is dropped. Count-back and the teams' totals
// still use every event.
//
// Throws std::runtime_error "points overflow for " + the driver's user name, or
// "points overflow for team " + the team's name, when a total leaves the 32-bit range.
standings build_standings(const std::vector<event_result>& events, std::int32_t best_results = 0);
// The standings point into the events' scores: built from a temporary they would dangle.
standings build_standings(std::vector<event_result>&& events, std::int32_t best_results = 0) = delete;

// The rules of one set of standings.
struct standings_rules {
    std::int32_t best_results = 0;  // as above
    // At each event only a team's this many best placed drivers (most points there, then the
    // better finishing position) count for it; 0: every driver.
    std::int32_t team_counted_drivers = 0;
    // With classes: only the results scored in this class count (null: every result).
    const std::string* car_class = nullptr;
};
standings build_standings(const std::vector<event_result>& events, const standings_rules& rules);
standings build_standings(std::vector<event_result>&& events, const standings_rules& rules) = delete;

// One set of the season's standings: a class's, or the whole field's.
struct season_standings {
    std::string car_class;  // empty without classes
    standings table;
};

// The season's standings under the championship's rules (`global`: best results, the team rule,
// classes): one set without classes; with classes one per class, in the order of the
// championship's classes, then the others in the order the events met them (the counted events,
// each listing its classes). Throws what build_standings throws.
std::vector<season_standings> build_season_standings(const std::vector<event_result>& events,
                                                     const options::option_set& global);
std::vector<season_standings> build_season_standings(std::vector<event_result>&& events,
                                                     const options::option_set& global) = delete;

// A driver's series total after each of the `event_count` counted events (from his standing's
// `results`), under the same rule: what his standing's points were after that event; 0 before
// his first score.
std::vector<points_value> running_totals(const driver_standing& driver, std::size_t event_count,
                                         std::int32_t best_results = 0);

#include "standings/standings.h"

#include <algorithm>
#include <limits>
#include <queue>
#include <stdexcept>
#include <string>
#include <unordered_map>

namespace {

using position_counts = std::map<std::int32_t, std::int32_t>;

// Negative when `a` ranks below `b` by count-back, positive when above, 0 when equal.
int compare_counts(const position_counts& a, const position_counts& b) {
    auto i = a.begin();
    auto j = b.begin();
    for (; i != a.end() && j != b.end(); ++i, ++j) {
        if (i->first != j->first) {
            return i->first < j->first ? 1 : -1;
        }
        if (i->second != j->second) {
            return i->second > j->second ? 1 : -1;
        }
    }
    if (j != b.end()) {
        return -1;
    }
    if (i != a.end()) {
        return 1;
    }
    return 0;
}

// How often each position was reached while the standings are added up: the count of position
// p at [p - 1], 0 where it was never reached. Count-back on a plain array compares as on the
// standings' maps (which hold only the positions reached), and counting costs no search.
using dense_counts = std::vector<std::int32_t>;

// Positions start at 1.
void count_position(dense_counts& counts, std::int32_t position) {
    const auto at = static_cast<std::size_t>(position - 1);
    if (at >= counts.size()) {
        counts.resize(at + 1, 0);
    }
    ++counts[at];
}

// Negative when `a` ranks below `b` by count-back, positive when above, 0 when equal.
int compare_dense_counts(const dense_counts& a, const dense_counts& b) {
    const std::size_t size = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < size; ++i) {
        const std::int32_t x = i < a.size() ? a[i] : 0;
        const std::int32_t y = i < b.size() ? b[i] : 0;
        if (x != y) {
            return x > y ? 1 : -1;
        }
    }
    return 0;
}

// The counts of the positions reached, as the standings keep them.
void store_counts(const dense_counts& counts, position_counts& stored) {
    for (std::size_t i = 0; i < counts.size(); ++i) {
        if (counts[i] != 0) {
            stored.emplace_hint(stored.end(), static_cast<std::int32_t>(i + 1), counts[i]);
        }
    }
}

// One driver's rounds under a best-results rule: the K best round scores so far (the earlier of
// equal ones), their sum, and the sum of his manual changes, which always count.
class best_rounds {
public:
    explicit best_rounds(std::size_t best) : best(best) {}

    // Adds the driver's round of the next event (`entry` null where he has no score) and
    // returns false when a sum leaves the 32-bit range.
    bool add(const score_entry* entry) {
        const std::size_t event = rounds++;
        points_value score{0};
        if (entry != nullptr) {
            const auto round = checked_difference(entry->points, entry->manual_change);
            const auto manual = checked_sum(manual_sum, entry->manual_change);
            if (!round || !manual) {
                return false;
            }
            score = *round;
            manual_sum = *manual;
        }
        if (kept.size() == best) {
            const kept_round& worst = kept.top();
            if (!(compare_points(score, worst.score) > 0)) {
                return true;  // no better than every kept round: dropped (a later tie loses)
            }
            const auto without = checked_difference(kept_sum, worst.score);
            if (!without) {
                return false;
            }
            kept_sum = *without;
            kept.pop();
        }
        const auto with = checked_sum(kept_sum, score);
        if (!with) {
            return false;
        }
        kept_sum = *with;
        kept.push({score, event});
        return true;
    }

    // The counted total: the kept rounds and every manual change.
    std::optional<points_value> total() const { return checked_sum(kept_sum, manual_sum); }

    // For each event added, whether its round is dropped.
    std::vector<bool> dropped() const {
        std::vector<bool> flags(rounds, true);
        for (auto copy = kept; !copy.empty(); copy.pop()) {
            flags[copy.top().event] = false;
        }
        return flags;
    }

private:
    struct kept_round {
        points_value score;
        std::size_t event;
    };
    // Orders the kept rounds so that the top is the first to go: the lowest score, and among
    // equal scores the latest event.
    struct goes_later {
        bool operator()(const kept_round& a, const kept_round& b) const {
            const int order = compare_points(a.score, b.score);
            return order > 0 || (order == 0 && a.event < b.event);
        }
    };

    std::size_t best;
    std::size_t rounds = 0;
    points_value kept_sum{0};
    points_value manual_sum{0};
    std::priority_queue<kept_round, std::vector<kept_round>, goes_later> kept;
};

// A ranking kept up to date event by event: the standings numbered in the order they were met,
// how often each reached each position, and their order, best first, as those numbers.
template <class Standing>
class ranking_in_progress {
public:
    // Adds a standing below every other (until sorted) and gives its number.
    std::size_t add(Standing* standing) {
        const std::size_t number = standings.size();
        standings.push_back({standing, {}, {}});
        order.push_back(number);
        changed_flags.push_back(false);
        return number;
    }

    // Adds one event's result to a standing. Returns false, leaving the standing unchanged, when
    // its points total would leave the 32-bit range.
    bool add_result(std::size_t number, const score_entry& entry) {
        tally& counted = standings[number];
        const auto total = checked_sum(counted.standing->points, entry.points);
        if (!total) {
            return false;
        }
        counted.standing->points = *total;
        if (entry.finish_position) {
            count_position(counted.finishes, *entry.finish_position);
        }
        if (entry.qualifying_position) {
            count_position(counted.qualifyings, *entry.qualifying_position);
        }
        mark_changed(number);
        return true;
    }

    // The standing of a number.
    Standing& operator[](std::size_t number) { return *standings[number].standing; }

    // Notes that the standing's ranking values changed in this event.
    void mark_changed(std::size_t number) {
        if (!changed_flags[number]) {
            changed_flags[number] = true;
            changed.push_back(number);
        }
    }

    // Ends an event: sorts the ranking again when `rank` (sort), and forgets what changed.
    void end_event(bool rank) {
        if (rank) {
            sort();
        }
        for (const std::size_t number : changed) {
            changed_flags[number] = false;
        }
        changed.clear();
    }

    // Ranks the standings once by their values alone, best first. False when two are equal:
    // their order then depends on the rankings of the events before, and this one is not it.
    bool rank_once() {
        std::sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
            return compare(standings[a], standings[b]) > 0;
        });
        return std::adjacent_find(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
                   return compare(standings[a], standings[b]) == 0;
               }) == order.end();
    }

    // Stores every standing's position counts in it, and gives the standings best first.
    std::vector<const Standing*> finish() {
        for (const tally& counted : standings) {
            store_counts(counted.finishes, counted.standing->finish_counts);
            store_counts(counted.qualifyings, counted.standing->qualifying_counts);
        }
        std::vector<const Standing*> ranked;
        ranked.reserve(order.size());
        for (const std::size_t number : order) {
            ranked.push_back(standings[number].standing);
        }
        return ranked;
    }

private:
    struct tally {
        Standing* standing;
        dense_counts finishes;
        dense_counts qualifyings;
    };
    struct placed {
        std::size_t number;
        std::size_t before;  // its place before the event: decides between equal standings
    };

    // Sorts the ranking again after an event, best first, exactly as a stable sort by
    // ranks_below would: standings equal in every ranking step keep the order they had. Only the
    // changed standings can have moved (the others keep their order among themselves), so they
    // alone are sorted, and then merged with the others: far less work than sorting the whole
    // ranking each time.
    void sort() {
        const auto goes_first = [this](const placed& a, const placed& b) {
            const int order = compare(standings[a.number], standings[b.number]);
            return order > 0 || (order == 0 && a.before < b.before);
        };
        kept.clear();
        moved.clear();
        for (std::size_t i = 0; i < order.size(); ++i) {
            const std::size_t number = order[i];
            (changed_flags[number] ? moved : kept).push_back({number, i});
        }
        std::sort(moved.begin(), moved.end(), goes_first);
        std::size_t next = 0;
        const auto put = [this, &next](const placed& p) { order[next++] = p.number; };
        auto k = kept.begin();
        auto m = moved.begin();
        while (k != kept.end() && m != moved.end()) {
            put(goes_first(*m, *k) ? *m++ : *k++);
        }
        std::for_each(k, kept.end(), put);
        std::for_each(m, moved.end(), put);
    }

    // Positive when `a` ranks above `b`, negative when below, 0 when equal (as ranks_below).
    static int compare(const tally& a, const tally& b) {
        if (const int points = compare_points(a.standing->points, b.standing->points);
            points != 0) {
            return points;
        }
        if (const int finishes = compare_dense_counts(a.finishes, b.finishes); finishes != 0) {
            return finishes;
        }
        return compare_dense_counts(a.qualifyings, b.qualifyings);
    }

    std::vector<tally> standings;      // by number
    std::vector<std::size_t> order;    // the numbers, best first
    std::vector<bool> changed_flags;   // by number: changed in this event
    std::vector<std::size_t> changed;  // the numbers changed in this event
    std::vector<placed> kept, moved;   // room reused by every sort
};

}  // namespace

bool ranks_below(const series_standing& a, const series_standing& b) {
    if (const int points = compare_points(a.points, b.points); points != 0) {
        return points < 0;
    }
    if (const int finishes = compare_counts(a.finish_counts, b.finish_counts); finishes != 0) {
        return finishes < 0;
    }
    return compare_counts(a.qualifying_counts, b.qualifying_counts) < 0;
}

namespace {

// Adds what the drivers of the standings did in one race to their statistics: a start and the
// laps for every race row, the finish (his position, in his class when scored by class) for a
// classified one.
void add_race_statistics(const race_result& race, const score_table& scores,
                         const std::string* car_class,
                         std::unordered_map<std::string_view, driver_standing>& drivers) {
    const auto found = [&drivers](const race_row& row) -> driver_statistics* {
        const auto driver = drivers.find(row.key.match);
        return driver == drivers.end() ? nullptr : &driver->second.statistics;
    };
    for (const race_row& row : race.results) {
        driver_statistics* statistics = found(row);
        const score_entry* entry = scores.find(row.key);
        if (statistics == nullptr || entry == nullptr ||
            (car_class != nullptr && entry->car_class != *car_class)) {
            continue;  // scored in another class's standings
        }
        ++statistics->starts;
        statistics->laps += row.laps;
        if (!entry->finish_position) {
            continue;  // not classified
        }
        const std::int32_t position = *entry->finish_position;
        ++statistics->finishes;
        statistics->wins += position == 1 ? 1 : 0;
        statistics->podiums += position <= 3 ? 1 : 0;
        statistics->best_finish = std::min(statistics->best_finish.value_or(position), position);
        statistics->finish_sum += position;
        statistics->places_gained += row.grid_slot > 0 ? row.climb : 0;
    }
    for (const race_row& row : race.dsq_results) {
        driver_statistics* statistics = found(row);
        if (statistics != nullptr && (car_class == nullptr || row.car_class == *car_class)) {
            ++statistics->starts;
            statistics->laps += row.laps;
        }
    }
}

// Whether an entry counts in the standings of `rules.car_class` (every entry without classes).
bool in_class(const score_entry& entry, const standings_rules& rules) {
    return rules.car_class == nullptr || entry.car_class == *rules.car_class;
}

// The entries of one event that count for their teams under the rule of `rules`: all, or each
// team's best placed (most points, then the better finishing position, then the order of the
// table), as many as the rule says.
std::vector<bool> counted_for_teams(const event_result& event, const standings_rules& rules) {
    std::vector<bool> counted(event.scores.size(), true);
    if (rules.team_counted_drivers <= 0) {
        return counted;
    }
    std::unordered_map<std::string_view, std::vector<std::size_t>> by_team;
    std::vector<const score_entry*> entries;
    std::size_t i = 0;
    for (const auto& [key, entry] : event.scores) {
        entries.push_back(&entry);
        if (const auto team = event.options->team_of(key); team && in_class(entry, rules)) {
            by_team[*team].push_back(i);
        }
        ++i;
    }
    for (auto& [team, members] : by_team) {
        std::stable_sort(members.begin(), members.end(), [&entries](std::size_t a, std::size_t b) {
            const int order = compare_points(entries[a]->points, entries[b]->points);
            if (order != 0) {
                return order > 0;
            }
            const auto finish = [](const score_entry* e) {
                return e->finish_position.value_or(std::numeric_limits<std::int32_t>::max());
            };
            return finish(entries[a]) < finish(entries[b]);
        });
        for (std::size_t m = static_cast<std::size_t>(rules.team_counted_drivers);
             m < members.size(); ++m) {
            counted[members[m]] = false;
        }
    }
    return counted;
}

// The standings of build_standings, ranked after every event (`every_event`), or only once at the
// end: nothing when two standings end equal, as then the rankings of the events before decide.
std::optional<standings> add_up(const std::vector<event_result>& events,
                                const standings_rules& rules, bool every_event) {
    const std::int32_t best_results = rules.best_results;
    standings result;
    // The drivers and teams numbered in the order they were met, and their rankings.
    std::unordered_map<std::string_view, std::size_t> driver_numbers;  // by key.match
    std::unordered_map<std::string_view, std::size_t> team_numbers;    // by name
    ranking_in_progress<driver_standing> driver_ranking;
    ranking_in_progress<team_standing> team_ranking;
    // With a best-results rule, every driver's rounds (by his number) and his result in the
    // event at hand.
    struct driver_rounds {
        best_rounds rounds;
        const score_entry* entry = nullptr;
    };
    std::vector<driver_rounds> rounds;
    const auto best = static_cast<std::size_t>(std::max(best_results, 0));
    for (std::size_t index = 0; index < events.size(); ++index) {
        const event_result& event = events[index];
        const std::vector<bool> counted = counted_for_teams(event, rules);
        std::size_t entry_index = 0;
        for (const auto& [key, entry] : event.scores) {
            const bool counts_for_team = counted[entry_index++];
            if (!in_class(entry, rules)) {
                continue;
            }
            const auto [number_slot, new_driver] =
                driver_numbers.try_emplace(key.match, driver_numbers.size());
            const std::size_t number = number_slot->second;
            if (new_driver) {
                driver_standing& standing = result.drivers[key.match];
                standing.key = key;
                driver_ranking.add(&standing);
                if (best > 0) {
                    // The events before his first score are rounds of 0 for him.
                    rounds.push_back({best_rounds(best)});
                    for (std::size_t earlier = 0; earlier < index; ++earlier) {
                        rounds.back().rounds.add(nullptr);
                    }
                }
            }
            driver_standing& driver = driver_ranking[number];
            driver.results.emplace_back(index, &entry);
            if (best > 0) {
                rounds[number].entry = &entry;
            }
            driver.name = entry.name;
            driver.team = event.options->team_of(key);

            if (!driver_ranking.add_result(number, entry)) {
                throw std::runtime_error("points overflow for " + driver.key.display);
            }
            if (driver.team && counts_for_team) {
                const auto [team_slot, new_team] =
                    team_numbers.try_emplace(*driver.team, team_numbers.size());
                if (new_team) {
                    team_standing& standing = result.teams[*driver.team];
                    standing.name = *driver.team;
                    team_ranking.add(&standing);
                }
                if (!team_ranking.add_result(team_slot->second, entry)) {
                    throw std::runtime_error("points overflow for team " + std::string(*driver.team));
                }
                if (rules.team_counted_drivers > 0) {
                    std::vector<std::pair<std::size_t, std::vector<const score_entry*>>>&
                        drivers = team_ranking[team_slot->second].counted;
                    if (drivers.empty() || drivers.back().first != index) {
                        drivers.emplace_back(index, std::vector<const score_entry*>{});
                    }
                    drivers.back().second.push_back(&entry);
                }
            }
        }
        for (std::size_t number = 0; number < rounds.size(); ++number) {
            driver_rounds& each = rounds[number];
            driver_standing& driver = driver_ranking[number];
            const auto total = each.rounds.add(each.entry) ? each.rounds.total() : std::nullopt;
            each.entry = nullptr;
            if (!total) {
                throw std::runtime_error("points overflow for " + driver.key.display);
            }
            if (*total != driver.points) {
                driver_ranking.mark_changed(number);
            }
            driver.points = *total;
        }
        driver_ranking.end_event(every_event);
        team_ranking.end_event(every_event);
    }
    if (!every_event && !(driver_ranking.rank_once() && team_ranking.rank_once())) {
        return std::nullopt;
    }
    for (std::size_t number = 0; number < rounds.size(); ++number) {
        driver_ranking[number].dropped = rounds[number].rounds.dropped();
    }
    for (std::size_t index = 0; index < events.size(); ++index) {
        const event_result& event = events[index];
        if (event.race) {
            add_race_statistics(*event.race, event.scores, rules.car_class, result.drivers);
        }
        for (const auto& [key, entry] : event.scores) {
            if (!in_class(entry, rules)) {
                continue;
            }
            driver_statistics& statistics = result.drivers.at(key.match).statistics;
            statistics.poles += entry.qualifying_position == 1 ? 1 : 0;
            statistics.fastest_laps += entry.fastest_lap ? 1 : 0;
        }
        if (const auto& race = event.race) {
            for (const race_row& row : race->dsq_results) {
                if (rules.car_class != nullptr && row.car_class != *rules.car_class) {
                    continue;
                }
                const auto driver = result.drivers.find(row.key.match);
                if (driver != result.drivers.end() &&
                    (driver->second.disqualified.empty() ||
                     driver->second.disqualified.back() != index)) {
                    driver->second.disqualified.push_back(index);
                }
            }
        }
    }
    result.driver_ranking = driver_ranking.finish();
    result.team_ranking = team_ranking.finish();
    return result;
}

}  // namespace

standings build_standings(const std::vector<event_result>& events, std::int32_t best_results) {
    standings_rules rules;
    rules.best_results = best_results;
    return build_standings(events, rules);
}

standings build_standings(const std::vector<event_result>& events, const standings_rules& rules) {
    // Ranking once by the final values gives the order of ranking after every event when no two
    // standings end equal, and costs far less.
    if (std::optional<standings> ranked_once = add_up(events, rules, false)) {
        return std::move(*ranked_once);
    }
    return std::move(*add_up(events, rules, true));
}

std::vector<points_value> running_totals(const driver_standing& driver, std::size_t event_count,
                                         std::int32_t best_results) {
    std::vector<points_value> totals;
    totals.reserve(event_count);
    const bool every_round = best_results <= 0;
    best_rounds rounds(every_round ? 0 : static_cast<std::size_t>(best_results));
    points_value sum{0};  // when every round counts
    auto result = driver.results.begin();
    for (std::size_t index = 0; index < event_count; ++index) {
        const score_entry* entry = nullptr;
        if (result != driver.results.end() && result->first == index) {
            entry = result++->second;
        }
        std::optional<points_value> total = sum;
        if (every_round) {
            total = entry != nullptr ? checked_sum(sum, entry->points) : total;
            sum = total.value_or(sum);
        } else {
            total = rounds.add(entry) ? rounds.total() : std::nullopt;
        }
        if (!total) {
            throw std::runtime_error("points overflow for " + driver.key.display);
        }
        totals.push_back(*total);
    }
    return totals;
}

std::vector<season_standings> build_season_standings(const std::vector<event_result>& events,
                                                     const options::option_set& global) {
    standings_rules rules;
    rules.best_results = global.best_results.value;
    rules.team_counted_drivers = global.team_counted_drivers.value;
    std::vector<season_standings> sets;
    bool classes = false;
    for (const event_result& event : events) {
        classes = classes || !event.classes.empty();
    }
    if (!classes) {
        sets.push_back({std::string(), build_standings(events, rules)});
        return sets;
    }
    std::vector<std::string> names;
    const auto add = [&names](const std::string& name) {
        if (std::find(names.begin(), names.end(), name) == names.end()) {
            names.push_back(name);
        }
    };
    for (const options::car_class& car_class : global.classes) {
        bool raced = false;
        for (const event_result& event : events) {
            raced = raced || std::find(event.classes.begin(), event.classes.end(),
                                       car_class.name) != event.classes.end();
        }
        if (raced) {
            add(car_class.name);
        }
    }
    for (const event_result& event : events) {
        for (const std::string& name : event.classes) {
            add(name);
        }
    }
    sets.reserve(names.size());
    for (std::string& name : names) {
        sets.push_back({std::move(name), standings()});
        rules.car_class = &sets.back().car_class;
        sets.back().table = build_standings(events, rules);
    }
    return sets;
}

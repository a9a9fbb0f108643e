#include "main/standings.h"

#include <algorithm>
#include <stdexcept>
#include <string>

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

// Adds one event's result to a standing. Returns false, leaving the standing unchanged, when the
// points total would leave the 32-bit range.
bool add_result(series_standing& standing, const score_entry& entry) {
    const auto total = checked_sum(standing.points, entry.points);
    if (!total) {
        return false;
    }
    standing.points = *total;
    if (entry.finish_position) {
        ++standing.finish_counts[*entry.finish_position];
    }
    if (entry.qualifying_position) {
        ++standing.qualifying_counts[*entry.qualifying_position];
    }
    return true;
}

template <class Standing>
void sort_ranking(std::vector<const Standing*>& ranking) {
    std::stable_sort(ranking.begin(), ranking.end(),
                     [](const Standing* a, const Standing* b) { return ranks_below(*b, *a); });
}

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

standings build_standings(const std::vector<event_result>& events) {
    standings result;
    for (const event_result& event : events) {
        for (const auto& [key, entry] : event.scores) {
            const auto [driver_slot, new_driver] = result.drivers.try_emplace(key.match);
            driver_standing& driver = driver_slot->second;
            if (new_driver) {
                driver.key = key;
                result.driver_ranking.push_back(&driver);
            }
            driver.name = entry.name;
            driver.team = event.options->team_of(key);

            team_standing* team = nullptr;
            if (driver.team) {
                const auto [team_slot, new_team] = result.teams.try_emplace(*driver.team);
                team = &team_slot->second;
                if (new_team) {
                    team->name = *driver.team;
                    result.team_ranking.push_back(team);
                }
            }

            if (!add_result(driver, entry)) {
                throw std::runtime_error("points overflow for " + driver.key.display);
            }
            if (team != nullptr && !add_result(*team, entry)) {
                throw std::runtime_error("points overflow for team " + std::string(team->name));
            }
        }
        sort_ranking(result.driver_ranking);
        sort_ranking(result.team_ranking);
    }
    return result;
}

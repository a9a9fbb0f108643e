#include "event_result/award.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

// Adds an item to a driver's entry: its points to his total, the item to his breakdown.
void add_item(score_entry& entry, const name_key& driver, points_value points,
              std::string reason) {
    const auto total = checked_sum(entry.points, points);
    if (!total) {
        throw std::runtime_error("points overflow for " + driver.display);
    }
    entry.points = *total;
    if (entry.breakdown.empty()) {
        entry.breakdown.reserve(4);  // room for the usual items at once: position, bonuses, change
    }
    entry.breakdown.push_back({points, std::move(reason)});
}

bool is_zero(points_value points) { return points.numerator() == 0; }

}  // namespace

points_value table_points(const options::scoring_positions& table, std::int32_t position,
                          std::int32_t count) {
    if (position < 1 || count < 1 || position > count) {
        return points_value{0};
    }
    const std::size_t size = table.points.size();
    const auto p = static_cast<std::size_t>(position);
    const auto n = static_cast<std::size_t>(count);
    if (p > size) {
        return points_value{0};
    }
    if (table.reduced && n < size) {
        return table.points[p - 1 + (size - n)];
    }
    return table.points[p - 1];
}

void award_bonus(score_table& scores, points_value points, options::shared_points_mode mode,
                 const std::vector<name_key>& winners, const std::string& reason) {
    if (is_zero(points) || winners.empty()) {
        return;
    }
    if (winners.size() == 1 || mode == options::shared_points_mode::award_first) {
        add_item(scores[winners.front()], winners.front(), points, reason);
        return;
    }
    if (mode == options::shared_points_mode::award_all) {
        for (const name_key& winner : winners) {
            add_item(scores[winner], winner, points, reason);
        }
        return;
    }
    // Winners are rows of one result, far fewer than 2^31.
    const auto share = checked_quotient(points, static_cast<std::int32_t>(winners.size()));
    if (!share) {
        throw std::runtime_error("points overflow for " + winners.front().display);
    }
    for (const name_key& winner : winners) {
        add_item(scores[winner], winner, *share, reason);
    }
}

std::string ordinal_text(std::int32_t n) {
    const std::int32_t last_two = n % 100;
    const char* suffix = "th";
    if (last_two < 11 || last_two > 13) {
        switch (n % 10) {
            case 1: suffix = "st"; break;
            case 2: suffix = "nd"; break;
            case 3: suffix = "rd"; break;
            default: break;
        }
    }
    return std::to_string(n) + suffix;
}

void award_points(event_result& event) {
    const options::option_set& options = *event.options;
    score_table& scores = event.scores;
    scores = score_table{};

    // The race rows' entries first, in finishing order, then those of drivers who only qualified:
    // the table's order. Each entry is looked up once; later steps use the pointers kept here.
    std::vector<score_entry*> race_entries;
    constexpr std::int32_t no_climb = std::numeric_limits<std::int32_t>::min();
    std::int32_t best_climb = no_climb;  // over all rows
    std::int64_t fastest_lap = std::numeric_limits<std::int64_t>::max();
    if (event.race && !event.race->results.empty()) {
        const auto count = static_cast<std::int32_t>(event.race->results.size());
        race_entries.reserve(event.race->results.size());
        std::int32_t p = 0;
        for (race_row& row : event.race->results) {
            ++p;
            row.climb = row.grid_slot - p;
            best_climb = std::max(best_climb, row.climb);
            if (is_timed(row.best_lap_ms)) {
                fastest_lap = std::min(fastest_lap, row.best_lap_ms);
            }

            score_entry& entry = scores[row.key];
            race_entries.push_back(&entry);
            entry.name = row.name;
            const points_value race = table_points(options.race_points, p, count);
            if (!is_zero(race)) {
                add_item(entry, row.key, race, ordinal_text(p));
            }
            const points_value grid =
                table_points(options.grid_points, row.grid_slot, event.race->grid_size);
            if (!is_zero(grid)) {
                add_item(entry, row.key, grid, ordinal_text(row.grid_slot) + " on grid");
            }
            entry.finish_position = p;
            entry.handicap = row.mass_kg != 0 || row.intake_percent != 0;
        }
    }

    // Whether the row at each qualifying position (1-based) has a time: a driver whose qualifying
    // rows were all untimed has a position but no qualifying time.
    std::vector<bool> timed_at(1, false);
    std::int64_t fastest_qualifying = std::numeric_limits<std::int64_t>::max();
    std::int64_t fastest_finisher_qualifying = std::numeric_limits<std::int64_t>::max();
    if (event.qualifying) {
        const auto count = static_cast<std::int32_t>(event.qualifying->results.size());
        timed_at.reserve(event.qualifying->results.size() + 1);
        std::int32_t q = 0;
        for (const qualifying_row& row : event.qualifying->results) {
            ++q;
            const bool timed = is_timed(row.best_lap_ms);
            timed_at.push_back(timed);
            score_entry& entry = scores[row.key];
            if (timed) {
                fastest_qualifying = std::min(fastest_qualifying, row.best_lap_ms);
                if (entry.finish_position) {
                    fastest_finisher_qualifying =
                        std::min(fastest_finisher_qualifying, row.best_lap_ms);
                }
            }
            if (entry.name.empty()) {
                entry.name = row.name;
            }
            const points_value points = table_points(options.qualifying_points, q, count);
            if (!is_zero(points)) {
                add_item(entry, row.key, points, ordinal_text(q) + " in qualifying");
            }
            entry.qualifying_position = q;
        }
    }
    // The qualifying position of a driver with a qualifying time.
    const auto timed_qualifying_position = [&timed_at](const score_entry& entry) {
        return entry.qualifying_position &&
                       timed_at[static_cast<std::size_t>(*entry.qualifying_position)]
                   ? entry.qualifying_position
                   : std::optional<std::int32_t>{};
    };

    if (event.race) {
        const std::vector<race_row>& rows = event.race->results;
        std::int32_t best_climb_qualified = no_climb;  // over drivers with a qualifying time
        std::int32_t best_climb_from_qualifying = no_climb;  // and a grid slot at most its place
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (const auto q = timed_qualifying_position(*race_entries[i])) {
                best_climb_qualified = std::max(best_climb_qualified, rows[i].climb);
                if (rows[i].grid_slot <= *q) {
                    best_climb_from_qualifying =
                        std::max(best_climb_from_qualifying, rows[i].climb);
                }
            }
        }
        std::vector<name_key> climbers;
        std::vector<name_key> qualified_climbers;
        std::vector<name_key> climbers_from_qualifying;
        std::vector<name_key> fastest_laps;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const race_row& row = rows[i];
            score_entry& entry = *race_entries[i];
            bool climber = false;
            if (row.climb == best_climb) {
                climbers.push_back(row.key);
                climber = true;
            }
            if (const auto q = timed_qualifying_position(entry)) {
                if (row.climb == best_climb_qualified) {
                    qualified_climbers.push_back(row.key);
                    climber = true;
                }
                if (row.climb == best_climb_from_qualifying && row.grid_slot <= *q) {
                    climbers_from_qualifying.push_back(row.key);
                    climber = true;
                }
            }
            if (climber) {
                entry.highest_climber = true;
            }
            if (is_timed(row.best_lap_ms) && row.best_lap_ms == fastest_lap) {
                fastest_laps.push_back(row.key);
                entry.fastest_lap = true;
            }
        }
        const auto climber_mode = options.shared_points_mode_highest_climber;
        award_bonus(scores, options.highest_climber.value, climber_mode, climbers,
                    "highest climber");
        award_bonus(scores, options.highest_climber_with_qualifying_time.value, climber_mode,
                    qualified_climbers, "highest climber");
        award_bonus(scores, options.highest_climber_from_qualifying_position.value, climber_mode,
                    climbers_from_qualifying, "highest climber");
        award_bonus(scores, options.fastest_lap.value, options.shared_points_mode_fastest_lap,
                    fastest_laps, "fastest lap");
    }

    if (event.qualifying) {
        std::vector<name_key> fastest_qualifiers;
        std::vector<name_key> fastest_finishing_qualifiers;
        for (const qualifying_row& row : event.qualifying->results) {
            if (!is_timed(row.best_lap_ms)) {
                continue;
            }
            if (row.best_lap_ms == fastest_qualifying) {
                fastest_qualifiers.push_back(row.key);
            }
            if (row.best_lap_ms == fastest_finisher_qualifying) {
                const score_entry* entry = scores.find(row.key);
                if (entry != nullptr && entry->finish_position) {
                    fastest_finishing_qualifiers.push_back(row.key);
                }
            }
        }
        const auto mode = options.shared_points_mode_fastest_qualifier;
        award_bonus(scores, options.fastest_qualifier.value, mode, fastest_qualifiers,
                    "fastest qualifier");
        award_bonus(scores, options.fastest_qualifier_to_finish.value, mode,
                    fastest_finishing_qualifiers, "fastest qualifier");
    }

    if (!options.points_modifications.empty()) {
        for (auto& [driver, entry] : scores) {
            const auto found = options.points_modifications.find(driver);
            if (found != options.points_modifications.end()) {
                add_item(entry, driver, found->second.points, found->second.label);
                entry.manual_change = found->second.points;
            }
        }
    }
}

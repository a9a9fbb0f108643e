#include "event_result/award.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <unordered_map>
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

namespace {

// A race row as one scored group (the field, or a class) sees it.
struct race_place {
    race_row* row;
    std::int32_t grid_slot;  // within the group; 0 when the replay has none for him
};

// Awards the points of one group: its race rows in finishing order (the classified among them
// ranked), its grid size, and its qualifying rows in qualifying order. Entries are created in
// `scores` (the race rows' first); `car_class` is noted in them.
void award_group(score_table& scores, const std::vector<race_place>& race, std::int32_t grid_size,
                 const std::vector<qualifying_row*>& qualifying,
                 const options::option_set& options, const std::string& car_class) {
    // The race rows' entries first, in finishing order, then those of drivers who only qualified:
    // the table's order. Each entry is looked up once; later steps use the pointers kept here.
    std::vector<score_entry*> race_entries;
    std::vector<std::int32_t> climbs;  // of the classified rows, within the group; else none
    constexpr std::int32_t no_climb = std::numeric_limits<std::int32_t>::min();
    std::int32_t best_climb = no_climb;  // over all classified rows
    std::int64_t fastest_lap = std::numeric_limits<std::int64_t>::max();
    const auto classified_count = static_cast<std::int32_t>(
        std::count_if(race.begin(), race.end(), [](const race_place& p) { return p.row->classified; }));
    race_entries.reserve(race.size());
    climbs.reserve(race.size());
    std::int32_t p = 0;
    for (const race_place& place : race) {
        race_row& row = *place.row;
        score_entry& entry = scores[row.key];
        race_entries.push_back(&entry);
        entry.name = row.name;
        entry.car_class = car_class;
        if (row.classified) {
            ++p;
            climbs.push_back(place.grid_slot - p);
            best_climb = std::max(best_climb, climbs.back());
            if (is_timed(row.best_lap_ms)) {
                fastest_lap = std::min(fastest_lap, row.best_lap_ms);
            }
            const points_value points = table_points(options.race_points, p, classified_count);
            if (!is_zero(points)) {
                add_item(entry, row.key, points, ordinal_text(p));
            }
        } else {
            climbs.push_back(no_climb);
        }
        const points_value grid = table_points(options.grid_points, place.grid_slot, grid_size);
        if (!is_zero(grid)) {
            add_item(entry, row.key, grid, ordinal_text(place.grid_slot) + " on grid");
        }
        if (row.classified) {
            entry.finish_position = p;
        }
        entry.handicap = row.mass_kg != 0 || row.intake_percent != 0;
    }

    // Whether the row at each qualifying position (1-based) has a time: a driver whose qualifying
    // rows were all untimed has a position but no qualifying time.
    std::vector<bool> timed_at(1, false);
    std::int64_t fastest_qualifying = std::numeric_limits<std::int64_t>::max();
    std::int64_t fastest_finisher_qualifying = std::numeric_limits<std::int64_t>::max();
    const auto qualifying_count = static_cast<std::int32_t>(qualifying.size());
    timed_at.reserve(qualifying.size() + 1);
    std::int32_t q = 0;
    for (const qualifying_row* row : qualifying) {
        ++q;
        const bool timed = is_timed(row->best_lap_ms);
        timed_at.push_back(timed);
        score_entry& entry = scores[row->key];
        entry.car_class = car_class;
        if (timed) {
            fastest_qualifying = std::min(fastest_qualifying, row->best_lap_ms);
            if (entry.finish_position) {
                fastest_finisher_qualifying = std::min(fastest_finisher_qualifying, row->best_lap_ms);
            }
        }
        if (entry.name.empty()) {
            entry.name = row->name;
        }
        const points_value points = table_points(options.qualifying_points, q, qualifying_count);
        if (!is_zero(points)) {
            add_item(entry, row->key, points, ordinal_text(q) + " in qualifying");
        }
        entry.qualifying_position = q;
    }
    // The qualifying position of a driver with a qualifying time.
    const auto timed_qualifying_position = [&timed_at](const score_entry& entry) {
        return entry.qualifying_position &&
                       timed_at[static_cast<std::size_t>(*entry.qualifying_position)]
                   ? entry.qualifying_position
                   : std::optional<std::int32_t>{};
    };

    // The bonuses that depend on the finish go to classified drivers only.
    std::int32_t best_climb_qualified = no_climb;  // over drivers with a qualifying time
    std::int32_t best_climb_from_qualifying = no_climb;  // and a grid slot at most their place
    for (std::size_t i = 0; i < race.size(); ++i) {
        if (!race[i].row->classified) {
            continue;
        }
        if (const auto q = timed_qualifying_position(*race_entries[i])) {
            best_climb_qualified = std::max(best_climb_qualified, climbs[i]);
            if (race[i].grid_slot <= *q) {
                best_climb_from_qualifying = std::max(best_climb_from_qualifying, climbs[i]);
            }
        }
    }
    std::vector<name_key> climbers;
    std::vector<name_key> qualified_climbers;
    std::vector<name_key> climbers_from_qualifying;
    std::vector<name_key> fastest_laps;
    for (std::size_t i = 0; i < race.size(); ++i) {
        const race_row& row = *race[i].row;
        if (!row.classified) {
            continue;
        }
        score_entry& entry = *race_entries[i];
        bool climber = false;
        if (climbs[i] == best_climb) {
            climbers.push_back(row.key);
            climber = true;
        }
        if (const auto q = timed_qualifying_position(entry)) {
            if (climbs[i] == best_climb_qualified) {
                qualified_climbers.push_back(row.key);
                climber = true;
            }
            if (climbs[i] == best_climb_from_qualifying && race[i].grid_slot <= *q) {
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
    award_bonus(scores, options.highest_climber.value, climber_mode, climbers, "highest climber");
    award_bonus(scores, options.highest_climber_with_qualifying_time.value, climber_mode,
                qualified_climbers, "highest climber");
    award_bonus(scores, options.highest_climber_from_qualifying_position.value, climber_mode,
                climbers_from_qualifying, "highest climber");
    award_bonus(scores, options.fastest_lap.value, options.shared_points_mode_fastest_lap,
                fastest_laps, "fastest lap");

    std::vector<name_key> fastest_qualifiers;
    std::vector<name_key> fastest_finishing_qualifiers;
    for (const qualifying_row* row : qualifying) {
        if (!is_timed(row->best_lap_ms)) {
            continue;
        }
        if (row->best_lap_ms == fastest_qualifying) {
            fastest_qualifiers.push_back(row->key);
        }
        if (row->best_lap_ms == fastest_finisher_qualifying) {
            const score_entry* entry = scores.find(row->key);
            if (entry != nullptr && entry->finish_position) {
                fastest_finishing_qualifiers.push_back(row->key);
            }
        }
    }
    const auto mode = options.shared_points_mode_fastest_qualifier;
    award_bonus(scores, options.fastest_qualifier.value, mode, fastest_qualifiers,
                "fastest qualifier");
    award_bonus(scores, options.fastest_qualifier_to_finish.value, mode,
                fastest_finishing_qualifiers, "fastest qualifier");
}

// Marks the race rows of a group that the classification rule leaves out: fewer laps than the
// rule asks of the group's winner (its first row).
void classify(const std::vector<race_place>& race, const options::option_set& options) {
    if (!options.minimum_race_distance || race.empty()) {
        return;
    }
    const options::minimum_distance& rule = *options.minimum_race_distance;
    const std::int64_t winner_laps = race.front().row->laps;
    for (const race_place& place : race) {
        const std::int64_t laps = place.row->laps;
        // laps >= share * winner laps, or laps >= the laps asked, exactly.
        const std::int64_t numerator = rule.value.numerator();
        const std::int64_t denominator = rule.value.denominator();
        place.row->classified = rule.share ? laps * denominator >= numerator * winner_laps
                                           : laps * denominator >= numerator;
    }
}

// The groups of an event scored with classes (the rows' classes set by assign_classes), in the
// order of the event's classes.
struct class_groups {
    std::vector<std::vector<race_place>> race;  // per class
    std::vector<std::vector<qualifying_row*>> qualifying;
    std::vector<std::int32_t> grid_sizes;
};

class_groups group_by_class(event_result& event) {
    class_groups groups;
    const std::size_t count = event.classes.size();
    std::unordered_map<std::string_view, std::size_t> index;  // of a class in the groups
    for (std::size_t g = 0; g < count; ++g) {
        index.emplace(event.classes[g], g);
    }
    groups.race.resize(count);
    groups.qualifying.resize(count);
    groups.grid_sizes.assign(count, 0);
    if (event.race) {
        // Grid slots within a class: the order of the class's slots on the field's grid.
        std::vector<std::vector<std::pair<std::int32_t, std::size_t>>> slots(count);
        for (race_row& row : event.race->results) {
            const std::size_t g = index.at(row.car_class);
            groups.race[g].push_back({&row, 0});
            if (row.grid_slot > 0) {
                slots[g].emplace_back(row.grid_slot, groups.race[g].size() - 1);
            }
        }
        for (std::size_t g = 0; g < count; ++g) {
            std::sort(slots[g].begin(), slots[g].end());
            for (std::size_t s = 0; s < slots[g].size(); ++s) {
                groups.race[g][slots[g][s].second].grid_slot = static_cast<std::int32_t>(s + 1);
            }
            groups.grid_sizes[g] = static_cast<std::int32_t>(slots[g].size());
        }
    }
    if (event.qualifying) {
        for (qualifying_row& row : event.qualifying->results) {
            groups.qualifying[index.at(row.car_class)].push_back(&row);
        }
    }
    return groups;
}

}  // namespace

void assign_classes(event_result& event) {
    const options::option_set& options = *event.options;
    event.classes.clear();
    event.classless_cars.clear();
    if (!options.has_classes()) {
        return;
    }
    std::vector<std::string> names;  // every class of the settings, then the cars in none
    std::unordered_map<std::string_view, std::size_t> index;  // of a class in `names`
    std::vector<bool> present;
    names.reserve(options.classes.size());
    for (const options::car_class& car_class : options.classes) {
        names.push_back(car_class.name);
    }
    std::unordered_map<std::string_view, std::string_view> class_of;  // by driver key match
    const auto class_for = [&](const name_key& key, const std::string& car) -> std::string_view {
        auto [found, is_new] = class_of.try_emplace(key.match);
        if (is_new) {
            if (const auto named = options.driver_classes.find(key);
                named != options.driver_classes.end()) {
                found->second = named->second;
            } else if (const auto by_car = options.class_of_car(car)) {
                found->second = *by_car;
            } else {
                found->second = car;
                if (std::find(event.classless_cars.begin(), event.classless_cars.end(), car) ==
                    event.classless_cars.end()) {
                    event.classless_cars.push_back(car);
                }
            }
        }
        return found->second;
    };
    std::vector<std::string_view> taking_part;  // the classes of the drivers, as met
    const auto note = [&](auto& row) {
        const std::string_view name = class_for(row.key, row.car);
        row.car_class = std::string(name);
        if (std::find(taking_part.begin(), taking_part.end(), name) == taking_part.end()) {
            taking_part.push_back(name);
        }
    };
    // A driver's class comes from his race car, else from his qualifying car.
    if (event.race) {
        for (race_row& row : event.race->results) {
            note(row);
        }
        for (race_row& row : event.race->dsq_results) {
            note(row);
        }
    }
    if (event.qualifying) {
        std::unordered_map<std::string_view, std::int32_t> positions;  // the last, per class
        for (qualifying_row& row : event.qualifying->results) {
            note(row);
            row.class_position = ++positions[row.car_class];
        }
        for (qualifying_row& row : event.qualifying->dsq_results) {
            note(row);
        }
    }
    // The classes of the settings in their order, then the others as met.
    for (const std::string& name : names) {
        if (std::find(taking_part.begin(), taking_part.end(), name) != taking_part.end()) {
            event.classes.push_back(name);
        }
    }
    for (const std::string_view name : taking_part) {
        if (std::find(names.begin(), names.end(), name) == names.end()) {
            event.classes.emplace_back(name);
        }
    }
}

void award_points(event_result& event) {
    const options::option_set& options = *event.options;
    score_table& scores = event.scores;
    scores = score_table{};
    if (event.race) {
        std::int32_t p = 0;
        for (race_row& row : event.race->results) {
            row.climb = row.grid_slot - ++p;  // on the field's grid, as the race page shows it
            row.classified = true;
        }
    }

    if (!options.has_classes()) {
        std::vector<race_place> race;
        if (event.race) {
            race.reserve(event.race->results.size());
            for (race_row& row : event.race->results) {
                race.push_back({&row, row.grid_slot});
            }
        }
        std::vector<qualifying_row*> qualifying;
        if (event.qualifying) {
            qualifying.reserve(event.qualifying->results.size());
            for (qualifying_row& row : event.qualifying->results) {
                qualifying.push_back(&row);
            }
        }
        classify(race, options);
        award_group(scores, race, event.race ? event.race->grid_size : 0, qualifying, options, {});
    } else {
        assign_classes(event);
        class_groups groups = group_by_class(event);
        for (std::size_t g = 0; g < event.classes.size(); ++g) {
            classify(groups.race[g], options);
            award_group(scores, groups.race[g], groups.grid_sizes[g], groups.qualifying[g], options,
                        event.classes[g]);
            std::int32_t position = 0;
            for (const race_place& place : groups.race[g]) {
                place.row->class_position = place.row->classified ? ++position : 0;
            }
        }
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

#include "options/option_set.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace options {
namespace {

// The configuration names of the column types and of the sharing modes: the one place each name
// is written, read in both directions.
constexpr std::pair<std::string_view, column_type> column_names[] = {
    {"position", column_type::position}, {"driver", column_type::driver},
    {"team", column_type::team},         {"points", column_type::points},
    {"summary", column_type::summary},   {"grid-slot", column_type::grid_slot},
    {"handicap", column_type::handicap}, {"finish-time", column_type::finish_time},
    {"best-lap", column_type::best_lap}, {"car", column_type::car},
    {"change", column_type::change},     {"penalty", column_type::penalty},
    {"starts", column_type::starts},     {"wins", column_type::wins},
    {"podiums", column_type::podiums},   {"poles", column_type::poles},
    {"fastest-laps", column_type::fastest_laps}, {"class", column_type::car_class},
    {"class-position", column_type::class_position},
};

constexpr std::pair<std::string_view, shared_points_mode> shared_points_mode_names[] = {
    {"award-all", shared_points_mode::award_all},
    {"divide-between", shared_points_mode::divide_between},
    {"award-first", shared_points_mode::award_first},
};

constexpr std::pair<std::string_view, page_set> page_set_names[] = {
    {"classic", page_set::classic},
    {"modern", page_set::modern},
};

template <class Value, std::size_t size>
std::optional<Value> value_of(const std::pair<std::string_view, Value> (&table)[size],
                              std::string_view name) {
    const auto found = std::find_if(std::begin(table), std::end(table),
                                    [name](const auto& entry) { return entry.first == name; });
    if (found == std::end(table)) {
        return std::nullopt;
    }
    return found->second;
}

template <class Value, std::size_t size>
std::string_view name_of(const std::pair<std::string_view, Value> (&table)[size], Value value) {
    const auto found = std::find_if(std::begin(table), std::end(table),
                                    [value](const auto& entry) { return entry.second == value; });
    return found == std::end(table) ? std::string_view("unknown") : found->first;
}

}  // namespace

std::string_view column_name(column_type column) {
    return name_of(column_names, column);
}

std::optional<column_type> column_of_name(std::string_view name) {
    return value_of(column_names, name);
}

std::string_view shared_points_mode_name(shared_points_mode mode) {
    return name_of(shared_points_mode_names, mode);
}

std::optional<shared_points_mode> shared_points_mode_of_name(std::string_view name) {
    return value_of(shared_points_mode_names, name);
}

std::string_view page_set_name(page_set set) { return name_of(page_set_names, set); }

std::optional<page_set> page_set_of_name(std::string_view name) {
    return value_of(page_set_names, name);
}

std::optional<std::string_view> option_set::class_of_car(std::string_view car) const {
    for (auto it = classes.rbegin(); it != classes.rend(); ++it) {
        if (std::find(it->cars.begin(), it->cars.end(), car) != it->cars.end()) {
            return std::string_view(it->name);
        }
    }
    return std::nullopt;
}

std::optional<std::string_view> option_set::team_of(const name_key& driver) const {
    const auto found = teams.find(driver);
    if (found == teams.end()) {
        return std::nullopt;
    }
    return std::string_view(found->second);
}

std::optional<std::string_view> option_set::forced_name_of(const name_key& driver) const {
    const auto found = forced_names.find(driver);
    if (found == forced_names.end()) {
        return std::nullopt;
    }
    return std::string_view(found->second);
}

}  // namespace options

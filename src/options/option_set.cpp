#include "options/option_set.h"

namespace options {

std::string_view column_name(column_type column) {
    switch (column) {
        case column_type::position: return "position";
        case column_type::driver: return "driver";
        case column_type::team: return "team";
        case column_type::points: return "points";
        case column_type::summary: return "summary";
        case column_type::grid_slot: return "grid-slot";
        case column_type::handicap: return "handicap";
        case column_type::finish_time: return "finish-time";
        case column_type::best_lap: return "best-lap";
        case column_type::car: return "car";
        case column_type::change: return "change";
    }
    return "unknown";
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

#include "event_result/adjustment_check.h"

#include <algorithm>

#include "common/visible_text.h"

namespace {

using kind = options::adjustment_entry::kind;

// Whether the driver has a row, classified or disqualified, in the result.
template <class Result>
bool has_row(const std::optional<Result>& result, const name_key& driver) {
    const auto is_driver = [&driver](const auto& row) { return row.key == driver; };
    return result && (std::any_of(result->results.begin(), result->results.end(), is_driver) ||
                      std::any_of(result->dsq_results.begin(), result->dsq_results.end(), is_driver));
}

template <class Rows>
bool met_hidden(const std::optional<Rows>& result, const name_key& driver) {
    return result && std::find(result->hidden_seen.begin(), result->hidden_seen.end(), driver) !=
                         result->hidden_seen.end();
}

// Whether the driver of `entry` takes part in `event` as the entry needs him to.
bool takes_part(const options::adjustment_entry& entry, const event_result& event) {
    const name_key& driver = entry.driver;
    if (entry.what == kind::time_penalty) {
        return has_row(event.race, driver);
    }
    return has_row(event.race, driver) || has_row(event.qualifying, driver) ||
           met_hidden(event.race, driver) || met_hidden(event.qualifying, driver);
}

std::string absence_text(const options::adjustment_entry& entry, const char* where) {
    const bool time_penalty = entry.what == kind::time_penalty;
    return entry.place + ": " + (entry.what == kind::points_change ? "modify-points" : "penalties") +
           ": " + visible(entry.driver.display) +
           (time_penalty ? " has no race result in " : " is in no replay of ") + where;
}

}  // namespace

std::vector<std::string> absent_from_event(const std::vector<options::adjustment_entry>& adjustments,
                                           const event_result& event) {
    std::vector<std::string> warnings;
    for (const options::adjustment_entry& entry : adjustments) {
        if (entry.event_file && !takes_part(entry, event)) {
            warnings.push_back(absence_text(entry, "this event"));
        }
    }
    return warnings;
}

season_presence::season_presence(const std::vector<options::adjustment_entry>& adjustments) {
    for (const options::adjustment_entry& entry : adjustments) {
        if (!entry.event_file) {
            entries.push_back(&entry);
        }
    }
    present.assign(entries.size(), false);
}

void season_presence::add(const event_result& event) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!present[i] && takes_part(*entries[i], event)) {
            present[i] = true;
        }
    }
}

std::vector<std::string> season_presence::absent() const {
    std::vector<std::string> warnings;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!present[i]) {
            warnings.push_back(absence_text(*entries[i], "any event"));
        }
    }
    return warnings;
}

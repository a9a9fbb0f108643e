#include "event_result/adjustment_check.h"

#include <algorithm>
#include <tuple>
#include <unordered_set>

#include "common/visible_text.h"
#include "html_template/html_text.h"

namespace {

using kind = options::adjustment_entry::kind;
using scope = options::adjustment_entry::scope;

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

// Whether the entry, in force at `event`, changed its result: a time penalty a race row, a
// disqualification a row of either session, a points change a score.
bool changes_result(const options::adjustment_entry& entry, const event_result& event) {
    switch (entry.what) {
        case kind::time_penalty: return has_row(event.race, entry.driver);
        case kind::disqualification:
            return has_row(event.race, entry.driver) || has_row(event.qualifying, entry.driver);
        case kind::points_change: return event.scores.find(entry.driver) != nullptr;
        default: return false;  // hiding a driver for the season is what the top level is for
    }
}

// Team members, forced names and classes of drivers who have not raced are no mistake: reserves.
bool absence_is_reported(const options::adjustment_entry& entry) {
    return entry.what != kind::team_member && entry.what != kind::forced_name &&
           entry.what != kind::driver_class;
}

const char* section_of(const options::adjustment_entry& entry) {
    switch (entry.what) {
        case kind::points_change: return "modify-points";
        case kind::team_member: return "teams";
        case kind::forced_name: return "forced-names";
        case kind::driver_class: return "driver-classes";
        default: return "penalties";
    }
}

std::string absence_text(const options::adjustment_entry& entry, const char* where) {
    const bool time_penalty = entry.what == kind::time_penalty;
    return entry.place + ": " + section_of(entry) + ": " + visible(entry.driver.display) +
           (time_penalty ? " has no race result in " : " is in no replay of ") + where;
}

// A name as it is compared with the shown names: ASCII letters in small letters.
std::string folded(std::string_view name) {
    std::string text(name);
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return text;
}

// Notes the name every driver of the event is shown with (colour codes are gone by then), with
// his user name; the first driver met with a name keeps it. With `noted`, a driver noted before
// (by his key's `match`) is passed over: his first name is kept.
void note_shown_names(const event_result& event, std::unordered_map<std::string, shown_driver>& shown,
                      std::unordered_set<std::string>* noted = nullptr) {
    const auto note = [&shown, noted](const auto& rows) {
        for (const auto& row : rows) {
            if (noted == nullptr || noted->insert(row.key.match).second) {
                shown.try_emplace(folded(row.name), shown_driver{row.name, row.key.display});
            }
        }
    };
    if (event.race) {
        note(event.race->results);
        note(event.race->dsq_results);
    }
    if (event.qualifying) {
        note(event.qualifying->results);
        note(event.qualifying->dsq_results);
    }
}

// The warning for an entry that names a driver by his shown name, when it does.
std::optional<std::string> nickname_text(const options::adjustment_entry& entry,
                                         const std::unordered_map<std::string, shown_driver>& shown) {
    const auto found = shown.find(folded(entry.driver.display));
    if (found == shown.end()) {
        return std::nullopt;
    }
    return entry.place + ": " + section_of(entry) + ": \"" + visible(entry.driver.display) +
           "\" is no user name; the driver shown as " + visible(found->second.name) + " is " +
           visible(found->second.user_name) + " (drivers are listed by user name)";
}

// "+10 s", "+1.5 s", "-0.25 s".
std::string seconds_text(std::int64_t milliseconds) {
    std::string text = milliseconds < 0 ? "-" : "+";
    const std::int64_t magnitude = milliseconds < 0 ? -milliseconds : milliseconds;
    text += std::to_string(magnitude / 1000);
    if (const std::int64_t fraction = magnitude % 1000; fraction != 0) {
        std::string digits = std::to_string(fraction + 1000).substr(1);
        digits.erase(digits.find_last_not_of('0') + 1);
        text += "." + digits;
    }
    return text + " s";
}

// What the entry does at an event whose settings are `options`, as the warning shows it.
std::string value_text(const options::adjustment_entry& entry, const options::option_set& options) {
    switch (entry.what) {
        case kind::time_penalty: return seconds_text(options.time_penalties.at(entry.driver));
        case kind::points_change: {
            const options::points_modification& change = options.points_modifications.at(entry.driver);
            std::string text;
            append_points_text(text, change.points);
            return text + " (" + change.label + ")";
        }
        default: return "the disqualification";
    }
}

}  // namespace

std::vector<std::string> absent_from_event(const std::vector<options::adjustment_entry>& adjustments,
                                           const event_result& event) {
    std::vector<std::string> warnings;
    std::unordered_map<std::string, shown_driver> shown;
    bool shown_noted = false;
    for (const options::adjustment_entry& entry : adjustments) {
        if (entry.where != scope::event || takes_part(entry, event)) {
            continue;
        }
        if (!shown_noted) {
            note_shown_names(event, shown);
            shown_noted = true;
        }
        if (auto nickname = nickname_text(entry, shown)) {
            warnings.push_back(std::move(*nickname));
        } else if (absence_is_reported(entry)) {
            warnings.push_back(absence_text(entry, "this event"));
        }
    }
    return warnings;
}

season_presence::season_presence(const std::vector<options::adjustment_entry>& championship)
    : championship_count(championship.size()), absent_count(championship.size()) {
    for (const options::adjustment_entry& entry : championship) {
        entries.push_back({entry, false, {}, {}});
    }
}

void season_presence::add(const event_result& event) {
    if (!event.options) {
        return;
    }
    const std::vector<options::adjustment_entry>& adjustments = event.options->adjustments;
    // A later entry of the same kind for the same driver replaces an earlier one (a
    // disqualification cannot be taken back).
    const auto driver_kind = [](const options::adjustment_entry& entry) {
        return std::to_string(static_cast<int>(entry.what)) + '\n' + entry.driver.match;
    };
    std::vector<bool> in_force(adjustments.size(), true);
    std::unordered_set<std::string> later;
    for (std::size_t i = adjustments.size(); i-- > 0;) {
        const options::adjustment_entry& entry = adjustments[i];
        if (entry.what == kind::time_penalty || entry.what == kind::points_change) {
            in_force[i] = later.insert(driver_kind(entry)).second;
        }
    }
    std::unordered_map<std::string, int> occurrences;
    for (std::size_t i = 0; i < adjustments.size(); ++i) {
        const options::adjustment_entry& entry = adjustments[i];
        std::size_t slot = i;
        if (i >= championship_count) {
            if (entry.where != scope::from_block) {
                continue;
            }
            std::string key = entry.place + '\n' + driver_kind(entry);
            key += '\n' + std::to_string(occurrences[key]++);
            const auto [found, is_new] = index.try_emplace(std::move(key), entries.size());
            if (is_new) {
                entries.push_back({entry, false, {}, {}});
                ++absent_count;
            }
            slot = found->second;
        }
        tracked& record = entries[slot];
        if (!record.present && takes_part(entry, event)) {
            record.present = true;
            --absent_count;
        }
        if (entry.where == scope::championship && in_force[i] && event.complete &&
            changes_result(entry, event)) {
            if (record.applied.empty()) {
                record.value = value_text(entry, *event.options);
            }
            record.applied.push_back({event.start_time(), event.folder});
        }
    }
    // The names drivers are shown with, while an entry may still need them.
    if (absent_count > 0) {
        note_shown_names(event, shown, &noted);
    }
}

std::vector<std::string> season_presence::warnings() const {
    std::vector<std::string> warnings;
    for (const tracked& record : entries) {
        const options::adjustment_entry& entry = record.entry;
        if (!record.present) {
            if (auto nickname = nickname_text(entry, shown)) {
                warnings.push_back(std::move(*nickname));
            } else if (absence_is_reported(entry)) {
                warnings.push_back(absence_text(
                    entry, entry.where == scope::from_block ? "any event that its block applies to"
                                                            : "any event"));
            }
            continue;
        }
        if (record.applied.size() < 2) {
            continue;
        }
        std::vector<applied_event> applied = record.applied;
        std::stable_sort(applied.begin(), applied.end(),
                         [](const applied_event& a, const applied_event& b) {
                             return std::tie(a.start_time, a.folder) <
                                    std::tie(b.start_time, b.folder);
                         });
        std::string events;
        for (const applied_event& event : applied) {
            events += (events.empty() ? "" : ", ") + visible(event.folder);
        }
        warnings.push_back(entry.place + ": " + section_of(entry) + ": " +
                           visible(entry.driver.display) + ": " + visible(record.value) +
                           " is applied at " + std::to_string(applied.size()) + " events (" +
                           events + "); a decision for one round belongs in a round block (round \"" +
                           visible(applied.back().folder) + "\" { " + section_of(entry) +
                           " { ... } })");
    }
    return warnings;
}

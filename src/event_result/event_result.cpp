#include "event_result/event_result.h"

#include <algorithm>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <unordered_set>

#include "console/console.h"
#include "lfs_codec/lfs_codec.h"

namespace {

// Notes a hidden driver met in a replay, once: adjustments naming him are checked against it.
void note_hidden(std::vector<name_key>& hidden_seen, name_key key) {
    if (std::find(hidden_seen.begin(), hidden_seen.end(), key) == hidden_seen.end()) {
        hidden_seen.push_back(std::move(key));
    }
}

// Where a penalised row goes: before the first row with fewer laps, or with as many laps and a
// strictly greater time; after every row with equal laps and equal time.
void insert_penalised(std::vector<race_row>& results, race_row row) {
    const auto place = std::find_if(results.begin(), results.end(), [&row](const race_row& other) {
        return other.laps < row.laps ||
               (other.laps == row.laps && other.total_time_ms > row.total_time_ms);
    });
    results.insert(place, std::move(row));
}

// Where a best lap ranks in qualifying: by its time, and after every time when there is none.
std::int64_t qualifying_rank(std::int64_t best_lap_ms) {
    return is_timed(best_lap_ms) ? best_lap_ms : std::numeric_limits<std::int64_t>::max();
}

}  // namespace

std::int64_t event_result::start_time() const {
    if (race) {
        return race->start_time;
    }
    if (qualifying) {
        return qualifying->start_time;
    }
    throw std::runtime_error("start_time() called on invalid event");
}

std::string race_length_text(std::uint8_t code) {
    const race_length length = decode_race_length(code);
    switch (length.kind) {
        case race_length::unit::practice: return "Practice session in";
        case race_length::unit::laps: return std::to_string(length.count) + " laps of";
        case race_length::unit::hours: return std::to_string(length.count) + " hours of";
    }
    return {};
}

std::string qualifying_track_text(const qualifying_result& qualifying) {
    std::string text;
    for (const std::string& track_id : qualifying.track_ids) {
        if (!text.empty()) {
            text += '+';
        }
        text += track_id;
    }
    return text;
}

std::string event_title(const event_result& event) {
    if (event.options && event.options->event_name) {
        return *event.options->event_name;
    }
    if (event.race) {
        return event.race->track_id;
    }
    if (event.qualifying) {
        return qualifying_track_text(*event.qualifying);
    }
    throw std::runtime_error("start_time() called on invalid event");
}

std::string event_full_title(const event_result& event) {
    if (event.options && event.options->event_name) {
        return *event.options->event_name;
    }
    if (event.race) {
        return race_track_name(*event.race);
    }
    if (event.qualifying) {
        return qualifying_track_name(*event.qualifying);
    }
    throw std::runtime_error("start_time() called on invalid event");
}

std::string display_name(const options::option_set& options, const name_key& key,
                         std::string_view nickname) {
    if (const auto forced = options.forced_name_of(key)) {
        return std::string(*forced);
    }
    std::string name;
    lfs_codec::decode(nickname, name);
    return name;
}

race_result build_race_result(const options::option_set& options, const replay& race) {
    race_result result;
    result.track_id = race.track_id;
    lfs_codec::decode(race.track_name, result.track_name);
    result.track_config = race.track_config;
    result.track_reversed = race.track_reversed;
    result.start_time = race.start_time;
    result.grid_size = race.grid_size;
    result.race_length = race_length_text(race.race_length_code);
    result.results.reserve(race.records.size());
    std::unordered_set<std::string> entered;  // the `match` texts of the drivers met
    entered.reserve(race.records.size());

    std::vector<race_row> penalised;
    for (const replay_record& record : race.records) {
        name_key key = make_name_key(record.user_name);
        if (options.hidden.count(key) != 0) {
            note_hidden(result.hidden_seen, std::move(key));
            continue;
        }
        if (!entered.insert(key.match).second) {
            log_stream() << "warning: discarded duplicate race entry: " << key.display << std::endl;
            continue;
        }
        race_row row;
        row.name = display_name(options, key, record.nickname);
        row.key = std::move(key);
        row.car = record.car;
        row.mass_kg = record.mass_kg;
        row.intake_percent = record.intake_percent;
        row.grid_slot = record.grid_slot;
        row.total_time_ms = record.total_time_ms;
        row.best_lap_ms = record.best_lap_ms;
        row.laps = record.laps;

        if ((record.flags & replay_disqualified_flags) != 0 ||
            options.disqualified.count(row.key) != 0) {
            result.dsq_results.push_back(std::move(row));
        } else if (const auto penalty = options.time_penalties.find(row.key);
                   penalty != options.time_penalties.end()) {
            // The configuration reader holds penalties to 32-bit seconds, so this cannot overflow.
            row.total_time_ms += penalty->second;
            penalised.push_back(std::move(row));
        } else {
            result.results.push_back(std::move(row));
        }
    }

    for (race_row& row : penalised) {
        insert_penalised(result.results, std::move(row));
    }
    if (!result.results.empty()) {
        const std::int64_t winner_time = result.results.front().total_time_ms;
        for (race_row& row : result.results) {
            row.gap_ms = row.total_time_ms - winner_time;
        }
    }
    return result;
}

qualifying_result new_qualifying_result() { return {}; }

void merge_qualifying(qualifying_result& qualifying, const options::option_set& options,
                      const replay& session) {
    qualifying.start_time = std::min<std::int64_t>(qualifying.start_time, session.start_time);
    if (qualifying.track_ids.insert(session.track_id)) {
        lfs_codec::decode(session.track_name, qualifying.track_names.emplace_back());
    }
    std::vector<qualifying_row>& rows = qualifying.results;
    if (rows.empty()) {
        // Room for the first replay's drivers; a later replay mostly brings the same ones.
        rows.reserve(session.records.size());
        qualifying.places.reserve(session.records.size());
    }

    // New and better rows go after the rows merged so far, each replaced row is left empty, and
    // at the end one stable sort by rank puts them in order: rows of equal rank stay in the order
    // they were set, so a later equal time goes after the earlier ones.
    const std::size_t merged = rows.size();
    std::vector<std::size_t> replaced;
    for (const replay_record& record : session.records) {
        name_key key = make_name_key(record.user_name);
        if (options.hidden.count(key) != 0) {
            note_hidden(qualifying.hidden_seen, std::move(key));
            continue;
        }
        const auto build_row = [&] {
            qualifying_row row;
            row.name = display_name(options, key, record.nickname);
            row.car = record.car;
            row.best_lap_ms = record.best_lap_ms;
            row.mass_kg = record.mass_kg;
            row.intake_percent = record.intake_percent;
            row.key = std::move(key);
            return row;
        };
        if (options.disqualified.count(key) != 0) {
            const bool listed = std::any_of(
                qualifying.dsq_results.begin(), qualifying.dsq_results.end(),
                [&key](const qualifying_row& row) { return row.key == key; });
            if (!listed) {
                qualifying.dsq_results.push_back(build_row());
            }
            continue;
        }
        const auto [place, is_new] = qualifying.places.try_emplace(key.match, rows.size());
        if (!is_new) {
            if (qualifying_rank(rows[place->second].best_lap_ms) <
                qualifying_rank(record.best_lap_ms)) {
                continue;  // also an untimed row after a timed one; an equal rank replaces it
            }
            replaced.push_back(place->second);
            place->second = rows.size();
        }
        rows.push_back(build_row());
    }
    if (rows.size() == merged) {
        return;
    }

    std::sort(replaced.begin(), replaced.end());
    std::vector<std::size_t> order;
    order.reserve(rows.size() - replaced.size());
    for (std::size_t i = 0, r = 0; i < rows.size(); ++i) {
        if (r < replaced.size() && replaced[r] == i) {
            ++r;
        } else {
            order.push_back(i);
        }
    }
    std::stable_sort(order.begin(), order.end(), [&rows](std::size_t a, std::size_t b) {
        return qualifying_rank(rows[a].best_lap_ms) < qualifying_rank(rows[b].best_lap_ms);
    });
    std::vector<qualifying_row> ordered;
    ordered.reserve(order.size());
    for (const std::size_t i : order) {
        qualifying.places[rows[i].key.match] = ordered.size();
        ordered.push_back(std::move(rows[i]));
    }
    rows = std::move(ordered);
}

std::string race_track_name(const race_result& race) {
    return race.track_name.empty() ? race.track_id : race.track_name;
}

std::string qualifying_track_name(const qualifying_result& qualifying) {
    std::string text;
    std::size_t i = 0;
    for (const std::string& track_id : qualifying.track_ids) {
        if (!text.empty()) {
            text += '+';
        }
        const bool named = i < qualifying.track_names.size() && !qualifying.track_names[i].empty();
        text += named ? qualifying.track_names[i] : track_id;
        ++i;
    }
    return text;
}

#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/insertion_ordered.h"
#include "common/points.h"
#include "event_result/replay.h"
#include "lfs_codec/name_key.h"
#include "options/option_set.h"

// One driver in the qualifying result.
struct qualifying_row {
    name_key key;
    std::string name;  // display name, UTF-8
    std::string car;
    std::int64_t best_lap_ms = 0;
    std::uint32_t mass_kg = 0;
    std::uint32_t intake_percent = 0;
    // With classes, set by award_points: the driver's class and his place in it (0: none).
    std::string car_class;
    std::int32_t class_position = 0;
};

// One driver in the race result.
struct race_row {
    name_key key;
    std::string name;  // display name, UTF-8
    std::string car;
    std::uint32_t mass_kg = 0;
    std::uint32_t intake_percent = 0;
    std::int32_t grid_slot = 0;  // 0 when the replay has none for the driver
    std::int32_t climb = 0;      // grid slot minus finishing position, set by award_points
    std::int64_t total_time_ms = 0;  // the replay's total time plus configured time penalties
    std::int64_t best_lap_ms = 0;
    std::int64_t gap_ms = 0;  // total_time_ms minus that of the first classified row
    std::int32_t laps = 0;
    // Set by award_points: false when the classification rule (points.minimum-distance) leaves
    // him out; with classes, his class and his place in it (0: none).
    bool classified = true;
    std::string car_class;
    std::int32_t class_position = 0;
};

// All qualifying replays of an event merged: every driver keeps his best lap.
struct qualifying_result {
    // Classified drivers, best lap ascending; those without a time (is_timed) after every time,
    // in the order they were merged.
    std::vector<qualifying_row> results;
    std::vector<qualifying_row> dsq_results;  // disqualified drivers, in order of first appearance
    std::vector<name_key> hidden_seen;        // hidden drivers met, each once
    // The place in `results` of every classified driver's row, by his key's `match` text.
    std::unordered_map<std::string, std::size_t> places;
    insertion_ordered_set<std::string> track_ids;  // one per distinct track
    // The header's name of each of those tracks, decoded, in the same order (empty when the
    // replay has none).
    std::vector<std::string> track_names;
    // The earliest start time of the merged replays (seconds since 1970, UTC).
    std::int64_t start_time = std::numeric_limits<std::int64_t>::max();
};

// The event's race replay.
struct race_result {
    std::vector<race_row> results;      // classified drivers in finishing order
    std::vector<race_row> dsq_results;  // disqualified drivers in replay order
    std::vector<name_key> hidden_seen;  // hidden drivers met, each once
    std::string track_id;
    std::string track_name;  // the header's name of the track, decoded (empty in older replays)
    std::uint8_t track_config = 0;    // 1, 2, 3 ...; 0 when the replay does not say
    std::uint8_t track_reversed = 0;  // 1: driven in reverse
    std::string race_length;  // "20 laps of", "1 hours of", "Practice session in"
    std::int64_t start_time = 0;
    std::int32_t grid_size = 0;
};

// One driver's result for an event.
struct score_entry {
    std::optional<std::int32_t> finish_position;      // among the race's classified drivers
    std::optional<std::int32_t> qualifying_position;  // among the classified qualifiers
    std::string name;  // display name from the race row, else from the qualifying row
    bool fastest_lap = false;
    bool highest_climber = false;
    bool handicap = false;  // his race row has a mass or intake handicap
    points_value points{0};               // the sum of the breakdown
    std::vector<score_item> breakdown;    // in the order awarded
    // The manual change of "modify-points" among them (0 without one): it always counts, also
    // when the round is dropped from the series total.
    points_value manual_change{0};
    // With classes: the class he was scored in (positions and bonuses are the class's).
    std::string car_class;
};

// The event's points table, one entry per classified driver, in the order entries were created.
using score_table = insertion_ordered_map<name_key, score_entry>;

// One event directory's results.
struct event_result {
    // The event directory's name as UTF-8 where it is (on Linux its bytes as they are, which need
    // not be valid UTF-8).
    std::string folder;
    std::optional<qualifying_result> qualifying;  // present once a qualifying replay was merged
    std::optional<race_result> race;              // present once the race replay was read
    bool complete = true;  // false when the event cannot be scored
    bool pause = false;    // a warning about this event was printed; the run waits for Enter
    score_table scores;
    // With classes: the classes of the event's drivers in the order of the settings (then the cars
    // in no class, each a class of its own named by the car), and those cars.
    std::vector<std::string> classes;
    std::vector<std::string> classless_cars;
    // The options in force: the event's own set, or the global set shared with the run.
    std::shared_ptr<const options::option_set> options;

    // The race's start time when there is a race, else the qualifying start time. Throws
    // std::runtime_error "start_time() called on invalid event" when there is neither.
    std::int64_t start_time() const;
};

// The race length text of a header's race length code: "Practice session in", "20 laps of",
// "600 laps of", "1 hours of".
std::string race_length_text(std::uint8_t code);

// The tracks of a qualifying result as shown on pages: its one track identifier, or all of them
// joined by "+" in the order they were met.
std::string qualifying_track_text(const qualifying_result& qualifying);

// The track's name as the pages show it: the name in the replay's header, else its identifier;
// for qualifying on several tracks, each joined by "+".
std::string race_track_name(const race_result& race);
std::string qualifying_track_name(const qualifying_result& qualifying);

// The name of an event in the season's tables: its configured event name, else its race's track,
// else its qualifying tracks. Throws std::runtime_error "start_time() called on invalid event" for
// an event with none of them.
std::string event_title(const event_result& event);

// The same with the tracks' names where the replays hold them (the modern pages' titles).
std::string event_full_title(const event_result& event);

// The name shown for a driver: his forced name when the options have one, else his nickname
// decoded to UTF-8.
std::string display_name(const options::option_set& options, const name_key& key,
                         std::string_view nickname);

// The race result of a race replay: hidden drivers dropped silently, a driver's second entry
// dropped with "warning: discarded duplicate race entry: " + its user name on `log_stream`,
// disqualified drivers (by flag or by the options) on their own list, time penalties added and
// penalised rows re-inserted after every row they do not beat, gaps to the winner computed.
// Penalties are expected within the 32-bit range the configuration reader allows.
race_result build_race_result(const options::option_set& options, const replay& race);

// An empty qualifying result.
qualifying_result new_qualifying_result();

// Merges one qualifying replay into the event's qualifying result: every driver keeps his best
// lap with the car, name and handicap of the record that set it (an equal later time replaces it
// and goes after the others at that time; a row without a time never replaces a timed one, is
// replaced by any, and goes last); disqualified drivers are listed once, at their first record;
// flags and time penalties play no part.
void merge_qualifying(qualifying_result& qualifying, const options::option_set& options,
                      const replay& session);

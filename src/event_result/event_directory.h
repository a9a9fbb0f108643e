#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "event_result/event_result.h"
#include "options/option_set.h"
#include "round_layers/round_layers.h"

// Turns one event directory into its scored results and writes its pages.
//
// The event's options are `global`, or a copy of it with the directory's own "rostrum.conf" read
// over it. Its replays (entries whose extension is ".mpr" in any letter case) are read in file
// name order: qualifying replays are merged, a single race replay gives the race. Then the
// configured points are checked against the sessions found, "qualifying.html" is written, the
// points are awarded and "race.html" is written; a page that exists and is not older than the
// newest input of the event (its replays and the configuration and template files behind the
// options, each by its input_time) is left alone. Progress goes to log_stream, problems to
// error_stream; the progress line of an invalid replay is ended before the error is thrown.
//
// The result's `complete` is clear when the event cannot be scored (no replays, or points asked
// for a missing session); `pause` is set when a warning about it was printed. Throws on invalid
// replays, a second race replay, configuration errors and file system errors.
//
// The same as read_event_directory followed by write_event_pages.
event_result process_event_directory(const std::shared_ptr<const options::option_set>& global,
                                     const std::filesystem::path& directory);

// An event directory read, its pages not yet written.
struct event_reading {
    std::filesystem::path directory;
    event_result event;  // not yet scored
    std::filesystem::file_time_type newest_input;  // of every input behind the event
    bool lacks_race = false;  // race points are configured, but there is no race replay
    std::uint64_t race_digest = 0;  // the race replay's record_digest, when there is one
};

// The first part of process_event_directory, with the settings that `layers` gives the event for
// its start time (its race's, else its earliest qualifying session's): everything up to the
// checks of the configured points against the sessions found. It only reads files, so it may run
// ahead of the events before it. The replays are read before the event's own "rostrum.conf"; an
// error of either is raised in the order of today's messages: the file's first, then a replay's
// at its progress line.
event_reading read_event_directory(const round_layers& layers,
                                   const std::filesystem::path& directory);

// When an event took place, read from its replays alone: for the places of from blocks.
struct event_start {
    std::optional<std::int64_t> start_time;  // nothing when the folder holds no replay
    std::filesystem::file_time_type newest_input = std::filesystem::file_time_type::min();
};
// Throws what read_replay throws, and std::filesystem::filesystem_error when the folder cannot be
// listed.
event_start event_start_time(const std::filesystem::path& directory);

// The rest of process_event_directory, for an event read: the pages, the points and the messages
// about points asked for a missing race. The reading's `event` is then the result.
void write_event_pages(event_reading& reading);

// True when a directory entry name counts as a replay: its extension (from its last dot, cut at a
// colon; none for ".", "..", names without a dot and names whose only dot is the first character)
// is ".mpr" in any letter case.
bool is_replay_name(const std::string& file_name);

// Sorts directory entries by their file names as UTF-8, byte by byte: the order of every listing
// of the run, the same on every platform and file system.
void sort_by_file_name(std::vector<std::filesystem::path>& paths);

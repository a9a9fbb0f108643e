#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "options/config_file.h"
#include "options/option_set.h"

// The settings of each event of a season whose championship file holds round and from blocks
// (options::round_block). An event's settings are layered: the championship's top level; every
// from block whose event comes no later than this one in series order (start time, then folder
// name), earliest first (blocks of one event in file order); the round block of this event; then
// the event's own file, which the event directory reads over them. Events without any block keep
// the championship's set itself; events with the same blocks share one set.
class round_layers {
public:
    // No blocks: every event has (a copy of) `global`.
    explicit round_layers(const options::option_set& global);
    round_layers(options::option_set global, std::vector<options::round_block> blocks);
    round_layers(const round_layers&) = delete;
    round_layers& operator=(const round_layers&) = delete;

    // Takes the championship's event folders (their names as UTF-8) and leaves out every block
    // that names none of them, giving a warning for each without "warning: ", in file order:
    // "rostrum.conf(14): round "r02-suoth-city" (ignored): no event folder has this name; did you
    // mean r02-south-city?" (the closest folder name by the rule of the unknown-key suggestion).
    std::vector<std::string> check_folders(const std::vector<std::string>& folders);

    // The folders of the from blocks, once each: where they apply depends on their start times.
    std::vector<std::string> from_folders() const;

    // The series place of a from block's folder: its start time, or nothing while it holds no
    // replay. `newest_input` is the latest input time of its replays: every event's pages depend
    // on it, since it decides which from blocks reach them. Call it for every from folder before
    // `settings_for`.
    void set_start_time(const std::string& folder, std::optional<std::int64_t> start_time,
                        std::filesystem::file_time_type newest_input);

    // The blocks that name `folder`, as the log shows them: "round "r09" (rostrum.conf(30))". For
    // the note that they apply to no event while their folder holds no replay.
    std::vector<std::string> blocks_naming(const std::string& folder) const;

    // The championship's top level (its newest input time raised by set_start_time).
    std::shared_ptr<const options::option_set> championship() const { return global; }

    struct event_settings {
        std::shared_ptr<const options::option_set> options;
        // The blocks that went into `options`, for the log: "from "r05" (rostrum.conf(14)),
        // round "r06" (rostrum.conf(20))"; empty when none did.
        std::string blocks;
    };

    // The settings of the event in `folder` whose sessions started at `start_time`. May be called
    // from several threads at once. Throws what options::overlay_block throws.
    event_settings settings_for(const std::string& folder, std::int64_t start_time) const;

private:
    struct placed_block {
        options::round_block block;
        std::optional<std::int64_t> start_time;  // of a from block's folder, once known
    };

    std::shared_ptr<options::option_set> global;
    std::vector<placed_block> blocks;
    mutable std::mutex sets_lock;  // guards `sets`
    // The sets made so far, by the indices (into `blocks`) of the blocks in them, in order.
    mutable std::map<std::vector<std::size_t>, std::shared_ptr<const options::option_set>> sets;
};

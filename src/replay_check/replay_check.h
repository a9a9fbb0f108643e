#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

// Files the organiser most likely meant rostrum to read, noticed in the folder listings the run
// makes anyway, and races that stand in the season twice. Each function gives a complete warning
// text without "warning: "; paths and names are given as they are shown (UTF-8, with control
// characters made visible by the caller).

// The warning for a file of a folder without "rostrum.conf" whose name shows that it was meant
// to be that folder's settings: "rostrum.conf.txt", "rostrum.txt", "rostrum.conf.conf" in any
// letter case, and "rostrum.conf" itself in another letter case (which a file system that tells
// letter cases apart does not take for it). Nothing for any other name. `shown` is the file's
// path as messages show it.
std::optional<std::string> misnamed_settings_warning(std::string_view file_name,
                                                     const std::string& shown);

// The warning for a replay directly in the championship folder, where none is read.
std::string replay_outside_events_warning(const std::string& shown);

// The warning for an event folder without replays of its own whose subfolder holds `count`.
std::string replays_in_subfolder_warning(const std::string& event_shown,
                                         const std::string& subfolder_shown, std::size_t count);

// The race replays of the season's events, by their session: start time, track and result
// records (`records`, a digest of them). The first event met with a session keeps it; for a
// later event with the same session `add` gives the warning that it is left out of the
// standings: "r02-copy holds the race of r02-south-city again (the same start, track and
// results): it counts once, for r02-south-city; r02-copy is left out of the standings".
class race_register {
public:
    std::optional<std::string> add(const std::string& folder, std::int64_t start_time,
                                   std::string_view track, std::uint64_t records);

private:
    std::unordered_map<std::string, std::string> first_folder;  // by session
};

#include "replay_check/replay_check.h"

#include <algorithm>

namespace {

std::string lower_case(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return lower;
}

}  // namespace

std::optional<std::string> misnamed_settings_warning(std::string_view file_name,
                                                     const std::string& shown) {
    const std::string lower = lower_case(file_name);
    if (lower == "rostrum.conf" && file_name != "rostrum.conf") {
        return shown + " is not read: the settings file is named exactly \"rostrum.conf\", in small "
                       "letters; rename it";
    }
    if (lower == "rostrum.conf.txt" || lower == "rostrum.txt") {
        return shown + " is not read: the settings file is named exactly \"rostrum.conf\"; rename "
                       "it (Windows Explorer hides the ending \".txt\" unless file name extensions "
                       "are shown)";
    }
    if (lower == "rostrum.conf.conf") {
        return shown + " is not read: the settings file is named exactly \"rostrum.conf\"; rename it";
    }
    return std::nullopt;
}

std::string replay_outside_events_warning(const std::string& shown) {
    return shown + " is not read: the replays of an event go into a folder of their own, one "
                   "folder per event beside rostrum.conf";
}

std::string replays_in_subfolder_warning(const std::string& event_shown,
                                         const std::string& subfolder_shown, std::size_t count) {
    return event_shown + " holds no replay, but its folder " + subfolder_shown + " holds " +
           std::to_string(count) + (count == 1 ? " replay" : " replays") +
           ": rostrum reads the replays directly in an event folder; move them into " +
           event_shown;
}

std::optional<std::string> race_register::add(const std::string& folder, std::int64_t start_time,
                                              std::string_view track, std::uint64_t records) {
    std::string session = std::to_string(start_time) + '\n' + std::to_string(records) + '\n';
    session += track;
    const auto [first, is_new] = first_folder.try_emplace(std::move(session), folder);
    if (is_new) {
        return std::nullopt;
    }
    return folder + " holds the race of " + first->second +
           " again (the same start, track and results): it counts once, for " + first->second +
           "; " + folder + " is left out of the standings";
}

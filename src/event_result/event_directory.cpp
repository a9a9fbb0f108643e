#include "event_result/event_directory.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/visible_text.h"
#include "console/console.h"
#include "event_result/adjustment_check.h"
#include "event_result/award.h"
#include "event_result/event_pages.h"
#include "event_result/replay.h"
#include "files/files.h"
#include "options/config_file.h"
#include "replay_check/replay_check.h"

namespace {

bool any_non_zero(const options::scoring_positions& table) {
    return std::any_of(table.points.begin(), table.points.end(),
                       [](points_value p) { return p != 0; });
}

bool asks_for_qualifying_points(const options::option_set& o) {
    return any_non_zero(o.qualifying_points) || o.fastest_qualifier.value != 0 ||
           o.fastest_qualifier_to_finish.value != 0 ||
           o.highest_climber_with_qualifying_time.value != 0;
}

bool asks_for_race_points(const options::option_set& o) {
    return any_non_zero(o.race_points) || any_non_zero(o.grid_points) ||
           o.highest_climber.value != 0 || o.highest_climber_with_qualifying_time.value != 0 ||
           o.fastest_qualifier_to_finish.value != 0;
}

// What an event folder's listing shows: its replays, its subfolders and the settings files
// with a wrong name, each in file name order.
struct folder_listing {
    std::vector<std::filesystem::path> replays;
    std::vector<std::filesystem::path> subfolders;
    std::vector<std::filesystem::path> others;  // every other entry
};

folder_listing list_folder(const std::filesystem::path& directory) {
    folder_listing listing;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        if (is_replay_name(path_to_utf8(entry.path().filename()))) {
            listing.replays.push_back(entry.path());
        } else {
            std::error_code error;
            (entry.is_directory(error) ? listing.subfolders : listing.others)
                .push_back(entry.path());
        }
    }
    sort_by_file_name(listing.replays);
    sort_by_file_name(listing.subfolders);
    sort_by_file_name(listing.others);
    return listing;
}

// The replays of an event, read before anything is logged about them: the event's settings
// depend on when it took place. Reading stops at the first replay that cannot be read; its error
// is kept and raised where that replay's progress line is written.
struct read_replays {
    std::vector<std::filesystem::path> paths;  // every replay listed, in file name order
    std::vector<replay> sessions;              // those read, in the same order
    std::exception_ptr failure;                // of paths[sessions.size()], when it failed
};

read_replays read_all_replays(std::vector<std::filesystem::path> paths) {
    read_replays read;
    read.paths = std::move(paths);
    read.sessions.reserve(read.paths.size());
    for (const std::filesystem::path& path : read.paths) {
        try {
            read.sessions.push_back(read_replay(path));
        } catch (...) {
            read.failure = std::current_exception();
            break;
        }
    }
    return read;
}

// Why a qualifying replay is not merged into an event with a race: it was recorded on another
// track or after the race started (a replay of another round copied into the folder). Nothing
// when it belongs.
std::optional<std::string> foreign_qualifying(const replay& qualifying, const replay& race) {
    if (qualifying.track_id != race.track_id) {
        return "its track is " + visible(qualifying.track_id) + ", the race's " +
               visible(race.track_id);
    }
    if (qualifying.start_time > race.start_time) {
        return "it started at " + session_time_text(qualifying.start_time) +
               " UTC, after the race (" + session_time_text(race.start_time) + " UTC)";
    }
    return std::nullopt;
}

// When the sessions took place: the race's start, else the earliest qualifying start.
std::optional<std::int64_t> start_of(const std::vector<replay>& sessions) {
    std::optional<std::int64_t> qualifying;
    for (const replay& session : sessions) {
        if (replay_kind(session) == session_kind::race) {
            return session.start_time;
        }
        qualifying = std::min<std::int64_t>(qualifying.value_or(session.start_time), session.start_time);
    }
    return qualifying;
}

enum class page_outcome { up_to_date, written, not_written };

// Writes one event page unless it exists and is not older than the event's newest input.
page_outcome write_page(event_result& event, const std::filesystem::path& directory,
                        const char* name, std::filesystem::file_time_type newest_input,
                        const std::function<void(event_result&, std::ostream&)>& writer) {
    const std::filesystem::path page = directory / name;
    if (const auto written = modification_time_if_any(page); written && *written >= newest_input) {
        log_stream() << "  up-to-date " << name << " exists; not overwriting.\n";
        return page_outcome::up_to_date;
    }
    const page_write result =
        write_page_file(page, [&event, &writer](std::ostream& out) { writer(event, out); });
    if (result == page_write::written) {
        return page_outcome::written;
    }
    error_stream() << "  warning: unable to write " << visible(path_to_utf8(page))
                   << (result == page_write::target_incomplete
                           ? "; the page it links to may be incomplete, and is written again on "
                             "the next run\n"
                           : "\n");
    event.pause = true;
    return page_outcome::not_written;
}

// The pages of one event as they are written: which are current (written, or found up to date),
// and whether the folder was written to.
struct event_pages_written {
    std::vector<std::filesystem::path> current;
    bool folder_changed = false;

    // Notes the outcome of writing a page.
    void note(const std::filesystem::path& page, page_outcome outcome) {
        folder_changed = folder_changed || outcome != page_outcome::up_to_date;
        if (outcome != page_outcome::not_written) {
            current.push_back(page);
        }
    }
};

// The event folder's own last-write time is an input of its pages: removing or renaming a replay
// changes it. Writing a page into the folder changes it too, so once the folder was written to,
// its current pages are given at least its time (a page never passes for older than the writing
// of its neighbour).
void stamp_pages(const std::filesystem::path& directory, const event_pages_written& pages) {
    if (!pages.folder_changed || pages.current.empty()) {
        return;
    }
    const std::vector<std::filesystem::path>& current = pages.current;
    const std::filesystem::file_time_type folder_time = modification_time(directory);
    for (const std::filesystem::path& page : current) {
        if (const auto time = modification_time_if_any(page); time && *time < folder_time) {
            set_modification_time(page, folder_time);
        }
    }
}

}  // namespace

void sort_by_file_name(std::vector<std::filesystem::path>& paths) {
    std::vector<std::pair<std::string, std::filesystem::path>> named;
    named.reserve(paths.size());
    for (auto& path : paths) {
        named.emplace_back(path_to_utf8(path.filename()), std::move(path));
    }
    std::sort(named.begin(), named.end());
    for (std::size_t i = 0; i < named.size(); ++i) {
        paths[i] = std::move(named[i].second);
    }
}

bool is_replay_name(const std::string& file_name) {
    const std::string name = file_name.substr(0, file_name.find(':'));
    const auto dot = name.rfind('.');
    if (name == "." || name == ".." || dot == std::string::npos || dot == 0) {
        return false;
    }
    std::string extension = name.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return extension == ".mpr";
}

event_result process_event_directory(const std::shared_ptr<const options::option_set>& global,
                                     const std::filesystem::path& directory) {
    const round_layers layers(*global);
    event_reading reading = read_event_directory(layers, directory);
    write_event_pages(reading);
    return std::move(reading.event);
}

event_start event_start_time(const std::filesystem::path& directory) {
    read_replays read = read_all_replays(list_folder(directory).replays);
    if (read.failure) {
        std::rethrow_exception(read.failure);
    }
    event_start start;
    start.start_time = start_of(read.sessions);
    for (const replay& session : read.sessions) {
        start.newest_input = std::max(start.newest_input, session.input_time);
    }
    return start;
}

event_reading read_event_directory(const round_layers& layers,
                                   const std::filesystem::path& directory) {
    event_reading reading;
    reading.directory = directory;
    event_result& event = reading.event;
    event.folder = path_to_utf8(directory.filename());
    log_stream() << "entering event directory: " << visible(event.folder) << '\n';

    folder_listing listing = list_folder(directory);
    read_replays replays = read_all_replays(std::move(listing.replays));
    const std::optional<std::int64_t> start = start_of(replays.sessions);
    round_layers::event_settings settings =
        start ? layers.settings_for(event.folder, *start)
              : round_layers::event_settings{layers.championship(), {}};

    const std::filesystem::path own_file = directory / "rostrum.conf";
    const bool has_own_file = std::filesystem::exists(own_file);
    log_stream() << (has_own_file ? "  event-specific options detected.\n"
                                  : "  using global options.\n");
    if (!settings.blocks.empty()) {
        log_stream() << "  championship blocks: " << settings.blocks << '\n';
    }
    if (!has_own_file) {
        for (const std::filesystem::path& other : listing.others) {
            if (const auto warning = misnamed_settings_warning(path_to_utf8(other.filename()),
                                                               visible(path_to_utf8(other)))) {
                error_stream() << "  warning: " << *warning << '\n';
                event.pause = true;
            }
        }
    }
    if (has_own_file) {
        auto own = std::make_shared<options::option_set>(*settings.options);
        if (read_options_file(*own, own_file, options::config_scope::event)) {
            event.pause = true;  // a value was accepted after a warning: let the organiser read it
        }
        event.options = std::move(own);
    } else {
        event.options = std::move(settings.options);
    }
    const options::option_set& options = *event.options;
    if (options.event_name) {
        log_stream() << "  custom name = " << visible(*options.event_name) << '\n';
    }

    // The pages are out of date when older than any configuration, template or replay file, or
    // than the folder itself (a replay removed or renamed).
    reading.newest_input = std::max(options.newest_input_time, modification_time(directory));
    const auto race_replay = std::find_if(
        replays.sessions.begin(), replays.sessions.end(),
        [](const replay& session) { return replay_kind(session) == session_kind::race; });
    std::optional<std::filesystem::path> race_path;
    for (std::size_t i = 0; i < replays.paths.size(); ++i) {
        const std::filesystem::path& path = replays.paths[i];
        log_stream() << "  parsing MPR: " << visible(path_to_utf8(path.filename()));
        if (i == replays.sessions.size()) {
            log_stream() << '\n';  // the fatal error starts on a line of its own
            std::rethrow_exception(replays.failure);
        }
        const replay& session = replays.sessions[i];
        reading.newest_input = std::max(reading.newest_input, session.input_time);
        if (replay_kind(session) == session_kind::qualifying) {
            log_stream() << ": qualifying\n";
            if (race_replay != replays.sessions.end()) {
                if (const auto why = foreign_qualifying(session, *race_replay)) {
                    error_stream() << "  warning: " << visible(path_to_utf8(path))
                                   << " is not merged: " << *why << '\n';
                    event.pause = true;
                    continue;
                }
            }
            if (!event.qualifying) {
                event.qualifying = new_qualifying_result();
            }
            merge_qualifying(*event.qualifying, options, session);
        } else {
            log_stream() << ": race\n";
            check_race_start(session, path);
            if (race_path) {
                const std::string first = visible(path_to_utf8(race_path->filename()));
                throw std::runtime_error(
                    "multiple race replays in " + visible(path_to_utf8(directory)) + ": " + first +
                    " and " + visible(path_to_utf8(path.filename())) +
                    "; keep the one that counts and rename the other so that its name no longer "
                    "ends in \".mpr\" (for example \"" + first + ".aborted\"), or remove it");
            }
            race_path = path;
            event.race = build_race_result(options, session);
            reading.race_digest = record_digest(session);
        }
    }

    if (!event.qualifying && !event.race) {
        event.complete = false;
        log_stream() << "  no replays found, skipping directory.\n";
        for (const std::string& block : layers.blocks_naming(event.folder)) {
            log_stream() << "  " << block << " applies to no event while the folder holds no replay.\n";
        }
        for (const std::filesystem::path& subfolder : listing.subfolders) {
            std::error_code error;
            std::size_t count = 0;
            for (const auto& entry : std::filesystem::directory_iterator(subfolder, error)) {
                count += is_replay_name(path_to_utf8(entry.path().filename())) ? 1 : 0;
            }
            if (count > 0) {
                error_stream() << "  warning: "
                               << replays_in_subfolder_warning(visible(path_to_utf8(directory)),
                                                               visible(path_to_utf8(subfolder)),
                                                               count)
                               << '\n';
                event.pause = true;
            }
        }
        return reading;
    }
    for (const std::string& warning : absent_from_event(options.adjustments, event)) {
        error_stream() << "  warning: " << warning << '\n';
        event.pause = true;
    }
    if (!event.qualifying && asks_for_qualifying_points(options)) {
        event.complete = false;
        error_stream() << "  error: options has qualifying points, yet no qualifying MPR was found\n";
    }
    if (!event.race && asks_for_race_points(options)) {
        event.complete = false;
        reading.lacks_race = true;
    }
    return reading;
}

namespace {

// Whether a driver with a team takes part in the event: then it counts for a team and the
// teams' page is written.
bool has_team_driver(const event_result& event) {
    const options::option_set& options = *event.options;
    if (options.teams.empty()) {
        return false;
    }
    const auto has_team = [&options](const auto& row) { return options.team_of(row.key).has_value(); };
    return (event.race && std::any_of(event.race->results.begin(), event.race->results.end(), has_team)) ||
           (event.qualifying && std::any_of(event.qualifying->results.begin(),
                                            event.qualifying->results.end(), has_team));
}

// What one of an event's pages links to: the season's pages that are written whatever happens
// later in the run (the teams' page when this event counts for a team), and its other page.
event_page_links links_of(const event_result& event, bool race_page) {
    const options::option_set& options = *event.options;
    event_page_links links;
    links.driver_links = options.writes_links() && options.writes_driver_pages();
    if (options.writes_index()) {
        links.navigation.push_back({"Home", relative_link(1, {"index.html"})});
    }
    links.navigation.push_back({"Standings", relative_link(1, {"series.html"})});
    if (event.complete && has_team_driver(event)) {
        links.navigation.push_back({"Teams", relative_link(1, {"teams.html"})});
    }
    if (race_page && event.qualifying) {
        links.navigation.push_back({"Qualifying", "qualifying.html"});
    } else if (!race_page && event.race && event.complete) {
        links.navigation.push_back({"Race", "race.html"});
    }
    return links;
}

}  // namespace

void write_event_pages(event_reading& reading) {
    event_result& event = reading.event;
    if (!event.qualifying && !event.race) {
        return;
    }
    event_pages_written pages;
    assign_classes(event);  // the qualifying page shows them, also for an event not scored
    if (event.qualifying) {
        const event_page_links links = links_of(event, false);
        const std::filesystem::path page = reading.directory / "qualifying.html";
        pages.note(page, write_page(event, reading.directory, "qualifying.html",
                                    reading.newest_input,
                                    [&links](event_result& e, std::ostream& out) {
                                        write_qualifying_page(e, out, links);
                                    }));
    }
    if (reading.lacks_race) {
        error_stream() << "  error: options has race points, yet no race MPR was found\n";
    }
    if (!event.complete) {
        error_stream() << "    points cannot be calculated for this event.\n"
                        "    skipping result HTML generation.\n"
                        "    this event will not be included in series summary.\n";
        event.pause = true;
        stamp_pages(reading.directory, pages);
        return;
    }
    award_points(event);
    if (event.race) {
        const event_page_links links = links_of(event, true);
        pages.note(reading.directory / "race.html",
                   write_page(event, reading.directory, "race.html", reading.newest_input,
                              [&links](event_result& e, std::ostream& out) {
                                  write_race_page(e, out, links);
                              }));
    }
    stamp_pages(reading.directory, pages);
}

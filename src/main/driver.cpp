#include "main/driver.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <unordered_set>
#include <utility>
#include <vector>

#include "common/visible_text.h"
#include "console/console.h"
#include "event_result/adjustment_check.h"
#include "event_result/event_directory.h"
#include "event_result/event_result.h"
#include "main/command_line.h"
#include "options/config_file.h"
#include "options/option_set.h"
#include "read_ahead/read_ahead.h"
#include "replay_check/replay_check.h"
#include "round_layers/round_layers.h"
#include "site_links/site_links.h"
#include "season_pages/season_pages.h"
#include "standings/standings.h"

namespace {

namespace fs = std::filesystem;

// How many events are read at most ahead of the one whose pages are written.
constexpr std::size_t events_read_ahead = 16;

// The subdirectories of the championship folder, in file name order; the warnings about the
// other entries that were meant to be read (replays outside an event folder, a settings file with
// a wrong name) go into `warnings`.
std::vector<fs::path> event_directories(bool driver_pages, std::vector<std::string>& warnings) {
    std::vector<fs::path> directories;
    std::vector<fs::path> others;
    for (const auto& entry : fs::directory_iterator(".")) {
        // The listing knows the type of most entries; only a symbolic link is followed.
        std::error_code error;
        const bool directory = entry.is_directory(error);
        if (error && error != std::errc::no_such_file_or_directory) {
            throw fs::filesystem_error("status", entry.path(), error);
        }
        if (directory && driver_pages && entry.path().filename() == driver_pages_folder) {
            continue;  // the drivers' pages rostrum writes
        }
        (directory ? directories : others).push_back(entry.path());  // one that vanished is none
    }
    sort_by_file_name(directories);
    sort_by_file_name(others);
    const bool has_settings = fs::exists("rostrum.conf");
    for (const fs::path& other : others) {
        const std::string name = path_to_utf8(other.filename());
        if (is_replay_name(name)) {
            warnings.push_back(replay_outside_events_warning(visible(name)));
        } else if (!has_settings) {
            if (auto warning = misnamed_settings_warning(name, visible(name))) {
                warnings.push_back(std::move(*warning));
            }
        }
    }
    return directories;
}

void run_championship() {
    bool global_warning = false;  // a warning about the global file was written
    options::championship_options loaded =
        options::load_championship_options("rostrum.conf", global_warning);
    std::vector<std::string> listing_warnings;
    const std::vector<fs::path> directories =
        event_directories(loaded.options.writes_driver_pages(), listing_warnings);
    for (const std::string& warning : listing_warnings) {
        error_stream() << "warning: " << warning << '\n';
        global_warning = true;
    }

    // The settings of each event: the championship's, with the blocks that reach it. Where a from
    // block applies depends on when its event took place, so those events' start times come
    // first.
    round_layers layers(std::move(loaded.options), std::move(loaded.blocks));
    std::vector<std::string> folders;
    folders.reserve(directories.size());
    for (const fs::path& directory : directories) {
        folders.push_back(path_to_utf8(directory.filename()));
    }
    for (const std::string& warning : layers.check_folders(folders)) {
        error_stream() << "warning: " << warning << '\n';
        global_warning = true;
    }
    for (const std::string& folder : layers.from_folders()) {
        const auto at = std::find(folders.begin(), folders.end(), folder);
        const event_start start = event_start_time(directories[at - folders.begin()]);
        layers.set_start_time(folder, start.start_time, start.newest_input);
    }
    const std::shared_ptr<const options::option_set> global = layers.championship();
    // Room for every event from the start: an event cannot be moved without copying its tables.
    std::vector<event_result> events;
    events.reserve(directories.size());
    season_presence season(global->adjustments);  // who the championship's adjustments name
    race_register races;
    std::unordered_set<std::string> classless_cars_warned;  // cars in no class, named once

    // The next events are read on other threads while this one writes the pages of the event
    // before them; what a reading writes to the console is recorded and shown in event order.
    // After a wait for Enter they are read again: the organiser may have changed their files.
    struct recorded_reading {
        event_reading reading;
        console_record console;
    };
    std::vector<recorded_reading> readings(directories.size());
    read_ahead ahead(
        directories.size(),
        [&layers, &directories, &readings](std::size_t index) {
            recorded_reading& slot = readings[index];
            slot = recorded_reading{};
            const console_capture capture(slot.console);
            slot.reading = read_event_directory(layers, directories[index]);
        },
        read_ahead::machine_threads(), events_read_ahead);
    for (std::size_t index = 0; index < directories.size(); ++index) {
        const std::exception_ptr failure = ahead.wait(index);
        recorded_reading taken = std::move(readings[index]);
        taken.console.replay();
        if (failure) {
            std::rethrow_exception(failure);
        }
        write_event_pages(taken.reading);
        event_result& event = taken.reading.event;
        if (event.complete && event.race) {
            // The same race copied into a second folder counts once, for the first folder.
            if (const auto warning = races.add(visible(event.folder), event.race->start_time,
                                               event.race->track_id, taken.reading.race_digest)) {
                error_stream() << "  warning: " << *warning << '\n';
                event.complete = false;
                global_warning = true;
            }
        }
        if (event.pause) {
            wait_for_enter(false);
            ahead.rerun_after(index);
        }
        for (const std::string& car : event.classless_cars) {
            if (classless_cars_warned.insert(car).second) {
                error_stream() << "warning: the car " << visible(car)
                               << " is in no class: it is scored as a class of its own\n";
                global_warning = true;
            }
        }
        season.add(event);
        if (event.complete) {
            events.push_back(std::move(event));
        }
    }
    for (const std::string& warning : season.warnings()) {
        error_stream() << "warning: " << warning << '\n';
        global_warning = true;
    }
    if (events.empty()) {
        error_stream() << "no complete events detected, not creating summary.\n";
        wait_for_enter(true);
        return;
    }
    std::stable_sort(events.begin(), events.end(), [](const event_result& a, const event_result& b) {
        return a.start_time() < b.start_time();
    });

    const std::vector<season_standings> sets = build_season_standings(events, *global);
    bool summary_warning = false;
    write_season_pages(events, sets, *global, summary_warning);
    if (summary_warning || global_warning) {
        wait_for_enter(false);
    }
}

}  // namespace

int run(int argc, char** argv) {
    enum exit_code { done = 0, fatal_error = 1, usage_error = 2, strict_warnings = 3 };
    set_up_console();
    try {
        const command_line command = parse_command_line(program_arguments(argc, argv));
        if (command.help || command.version) {
            skip_log_file();
            write_output(command.help ? std::string(usage_text) : version_text());
            return done;
        }
        if (!command.error.empty()) {
            error_stream() << "rostrum: " << command.error << '\n' << usage_text;
            wait_for_enter(true);
            return usage_error;
        }
        // Everything from here on, the log file included, is as if started in the folder.
        if (command.folder) {
            fs::current_path(*command.folder);
        }
        run_championship();
        return command.strict && error_stream_written() ? strict_warnings : done;
    } catch (const std::exception& error) {
        report_fatal_error(error);
        return fatal_error;
    }
}

#include "main/driver.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "console/console.h"
#include "event_result/event_directory.h"
#include "event_result/event_result.h"
#include "files/files.h"
#include "html_template/html_template.h"
#include "main/standings.h"
#include "options/config_file.h"
#include "options/option_set.h"
#include "summary/summary_pages.h"

namespace {

namespace fs = std::filesystem;

// The subdirectories of the championship folder, in file name order.
std::vector<fs::path> event_directories() {
    std::vector<fs::path> directories;
    for (const auto& entry : fs::directory_iterator(".")) {
        std::error_code error;
        const fs::file_status status = fs::status(entry.path(), error);
        if (error && error != std::errc::no_such_file_or_directory) {
            throw fs::filesystem_error("status", entry.path(), error);
        }
        if (fs::is_directory(status)) {  // an entry that vanished meanwhile is not one
            directories.push_back(entry.path());
        }
    }
    sort_by_file_name(directories);
    return directories;
}

// Renders one summary page from its configured template (or the built-in one) into `file_name`.
// A page that cannot be created or written is a warning.
void write_summary_page(const char* file_name, const std::optional<std::string>& configured_text,
                        const std::optional<fs::path>& configured_path,
                        const std::string& builtin_text, const char* builtin_name,
                        const char* tag, tag_writer writer, bool& summary_warning) {
    template_context context;
    context.name = configured_path ? path_to_utf8(*configured_path) : builtin_name;
    context.writers.emplace(tag, std::move(writer));
    const html_template page{configured_text ? std::string_view(*configured_text)
                                             : std::string_view(builtin_text),
                             &context};
    if (!write_page_file(file_name, [&page](std::ostream& out) { render_template(out, page); })) {
        error_stream << "warning: unable to write " << file_name << '\n';
        summary_warning = true;
    }
}

int run_championship() {
    bool global_warning = false;  // a value of the global file was accepted after a warning
    const auto global = std::make_shared<const options::option_set>(
        options::load_global_options("rostrum.conf", global_warning));

    std::vector<event_result> events;
    for (const fs::path& directory : event_directories()) {
        event_result event = process_event_directory(global, directory);
        if (event.pause) {
            wait_for_enter(false);
        }
        if (event.complete) {
            events.push_back(std::move(event));
        }
    }
    if (events.empty()) {
        error_stream << "no complete events detected, not creating summary.\n";
        wait_for_enter(true);
        return 0;
    }
    std::stable_sort(events.begin(), events.end(), [](const event_result& a, const event_result& b) {
        return a.start_time() < b.start_time();
    });

    const standings standings = build_standings(events);
    bool summary_warning = false;
    write_summary_page(
        "series.html", global->series_template, global->series_template_path,
        builtin_series_template, "built-in series template", "series-table",
        [&](std::ostream& out) {
            write_series_table(out, *global, events, summary_warning, standings.driver_ranking);
        },
        summary_warning);
    if (!standings.team_ranking.empty()) {
        write_summary_page(
            "teams.html", global->teams_template, global->teams_template_path,
            builtin_teams_template, "built-in teams template", "teams-table",
            [&](std::ostream& out) {
                write_team_table(out, *global, summary_warning, standings.team_ranking);
            },
            summary_warning);
    }
    if (summary_warning || global_warning) {
        wait_for_enter(false);
    }
    return 0;
}

}  // namespace

int run() {
    set_up_console();
    try {
        return run_championship();
    } catch (const std::exception& error) {
        report_fatal_error(error);
        return 1;
    }
}

#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/points.h"
#include "lfs_codec/name_key.h"

// Every setting of a run: the global set read from the championship's "rostrum.conf", and the set
// of an event directory with its own "rostrum.conf" (a copy of the global set with the event's
// file read over it).
namespace options {

// How a bonus won by several tied drivers is handed out.
enum class shared_points_mode : std::int32_t {
    award_all = 0,       // "award-all": every tied driver gets the full award
    divide_between = 1,  // "divide-between": the award is divided equally among them
    award_first = 2,     // "award-first": only the first of them gets it
};

// The configuration name of a sharing mode ("divide-between" for divide_between, ...).
std::string_view shared_points_mode_name(shared_points_mode mode);
// The sharing mode of a configuration name (case-sensitive), or nothing.
std::optional<shared_points_mode> shared_points_mode_of_name(std::string_view name);

// A column of a result or summary table.
enum class column_type : std::int32_t {
    position = 0,
    driver = 1,
    team = 2,
    points = 3,
    summary = 4,
    grid_slot = 5,
    handicap = 6,
    finish_time = 7,
    best_lap = 8,
    car = 9,
    change = 10,
    penalty = 11,  // the race page's applied time penalty or disqualification
    // Figures of a driver's season, for the series page.
    starts = 12,
    wins = 13,
    podiums = 14,
    poles = 15,
    fastest_laps = 16,
    // With classes, for the race and qualifying pages: the driver's class, his place in it.
    car_class = 17,
    class_position = 18,
};

// Which built-in page templates a championship's pages use where no template file is named.
enum class page_set : std::int32_t {
    classic = 0,  // "classic": the plain pages rostrum has always written
    modern = 1,   // "modern": pages made for sharing, with a home page and a page per driver
};

// The configuration name of a page set ("modern" for modern, ...).
std::string_view page_set_name(page_set set);
// The page set of a configuration name (case-sensitive), or nothing.
std::optional<page_set> page_set_of_name(std::string_view name);

// The configuration name of a column type ("grid-slot" for grid_slot, ...).
std::string_view column_name(column_type column);
// The column type of a configuration name (case-sensitive), or nothing.
std::optional<column_type> column_of_name(std::string_view name);

// One point value.
struct point_type {
    points_value value{0};
};

// Points by position: entry i is for position i + 1; positions beyond the end score nothing.
struct scoring_positions {
    std::vector<points_value> points;
    // When a session has fewer participants n than the table's length, position p scores the
    // entry for position p + (length - n), so that the last participant gets the last entry.
    bool reduced = false;
};

// A number of rounds: a whole number, 0 or greater.
struct round_count {
    std::int32_t value = 0;
};

struct column_list {
    std::vector<column_type> columns;
};

// A class of cars, scored as a race of its own ("classes": NAME "CAR CAR ...").
struct car_class {
    std::string name;
    std::vector<std::string> cars;  // the replays' car short names
};

// The classification rule: a driver in the race who completed less than this is not classified.
struct minimum_distance {
    bool share = false;      // a share of his class winner's laps (else a number of laps)
    points_value value{0};   // the share (9/10 for "90%") or the laps
};

// A manual change of a driver's points for an event.
struct points_modification {
    points_value points{0};  // may be negative
    std::string label;       // never empty ("custom" when the file gives none)
};

// An entry of a driver section ("forced-names", "teams", "penalties", "modify-points") as it was
// written, kept so that an entry for a driver who takes part in none of the replays it applies to,
// or that names a driver by his nickname, can be reported.
struct adjustment_entry {
    enum class kind {
        time_penalty,
        disqualification,
        hidden,
        points_change,
        team_member,
        forced_name,
        driver_class,
    };
    // Where it was written, which decides the events it is checked against.
    enum class scope {
        championship,  // the top level of the championship's file: every event
        from_block,    // a "from" block: the events from the block's one on
        event,         // an event's own file or a "round" block: that event
    };
    kind what = kind::time_penalty;
    name_key driver;    // `display` is the name as written
    std::string place;  // where it was written: "rostrum.conf(12)"
    scope where = scope::championship;
};

struct option_set {
    scoring_positions race_points{{10, 6, 4, 3, 2, 1}, false};
    scoring_positions qualifying_points;
    scoring_positions grid_points;
    bool reduced_points = false;  // copied into the `reduced` flag of the three tables
    point_type fastest_qualifier;
    point_type fastest_qualifier_to_finish;  // the fastest qualifier among the race finishers
    point_type highest_climber;
    point_type highest_climber_with_qualifying_time;
    point_type highest_climber_from_qualifying_position;
    point_type fastest_lap;
    shared_points_mode shared_points_mode_fastest_lap = shared_points_mode::award_all;
    shared_points_mode shared_points_mode_fastest_qualifier = shared_points_mode::award_all;
    shared_points_mode shared_points_mode_highest_climber = shared_points_mode::award_all;
    // Only each driver's best rounds count towards his series total (0: every round counts).
    // Taken from the championship's file.
    round_count best_results;
    // At each event only a team's N best-placed scorers count for it (0: every one).
    round_count team_counted_drivers;
    // The classification rule; nothing: every driver of the race is classified.
    std::optional<minimum_distance> minimum_race_distance;
    column_list qualifying_columns{{column_type::position, column_type::driver, column_type::team,
                                    column_type::car, column_type::best_lap,
                                    column_type::handicap}};
    column_list race_columns{{column_type::position, column_type::driver, column_type::team,
                              column_type::points, column_type::grid_slot, column_type::car,
                              column_type::finish_time, column_type::best_lap,
                              column_type::handicap}};
    column_list summary_columns{{column_type::position, column_type::driver, column_type::team,
                                 column_type::points, column_type::summary}};
    column_list team_summary_columns{{column_type::position, column_type::team,
                                      column_type::points}};
    std::optional<std::string> event_name;  // shown instead of the event's track identifiers
    // The championship's name, offered to every page as "championship_name" (taken from the
    // championship's file only).
    std::string championship_name;
    // How many drivers of the final standings the series page's points chart shows (0: none).
    round_count chart_drivers{10};
    // The built-in page set, and the parts of the league's website: the home page "index.html",
    // links between the pages, a page per driver in "drivers/". Each part is on by default under
    // the modern set (nothing when not configured). Taken from the championship's file only.
    page_set pages = page_set::classic;
    std::optional<bool> index_page;
    std::optional<bool> links;
    std::optional<bool> driver_pages;
    // Whether a run that writes "series.html" also writes the season as data: "season.json" and
    // the series table as "series.csv" (taken from the championship's file only).
    bool output_json = false;
    bool output_csv = false;
    // Page templates read from the files named by "template.series" and so on, and the resolved
    // paths of those files (the templates' names in error messages).
    std::optional<std::string> series_template;
    std::optional<std::string> teams_template;
    std::optional<std::string> race_template;
    std::optional<std::string> qualifying_template;
    std::optional<std::filesystem::path> series_template_path;
    std::optional<std::filesystem::path> teams_template_path;
    std::optional<std::filesystem::path> race_template_path;
    std::optional<std::filesystem::path> qualifying_template_path;
    std::optional<std::string> index_template;  // "template.index"
    std::optional<std::string> driver_template;  // "template.driver"
    std::optional<std::filesystem::path> index_template_path;
    std::optional<std::filesystem::path> driver_template_path;
    std::unordered_map<name_key, std::string> forced_names;  // display name forced for a driver
    std::unordered_map<name_key, std::string> teams;         // team of a driver
    // Milliseconds added to the race time (written in seconds, to the millisecond).
    std::unordered_map<name_key, std::int64_t> time_penalties;
    std::unordered_set<name_key> disqualified;
    std::unordered_set<name_key> hidden;  // left out of the event's results
    std::unordered_map<name_key, points_modification> points_modifications;
    // The classes of cars, in the order they were named (a later entry for a class replaces its
    // cars), and the drivers put into a class whatever they drive.
    std::vector<car_class> classes;
    std::unordered_map<name_key, std::string> driver_classes;
    // Every entry of the driver sections read into this set, in reading order.
    std::vector<adjustment_entry> adjustments;
    // The latest input time (files::input_time) of the configuration files, included files and
    // template files read into this set; earlier than any file until one is read.
    std::filesystem::file_time_type newest_input_time = std::filesystem::file_time_type::min();

    // Whether the run writes the home page, links the pages, writes the driver pages.
    bool writes_index() const { return index_page.value_or(pages == page_set::modern); }
    bool writes_links() const { return links.value_or(pages == page_set::modern); }
    bool writes_driver_pages() const { return driver_pages.value_or(pages == page_set::modern); }

    // Whether events are scored class by class.
    bool has_classes() const { return !classes.empty() || !driver_classes.empty(); }
    // The class of a car (the later of two classes that list it), or nothing.
    std::optional<std::string_view> class_of_car(std::string_view car) const;

    // The driver's team, or nothing. The view lives as long as the set.
    std::optional<std::string_view> team_of(const name_key& driver) const;
    // The driver's forced display name, or nothing. The view lives as long as the set.
    std::optional<std::string_view> forced_name_of(const name_key& driver) const;
};

}  // namespace options

#pragma once

#include <string>
#include <vector>

#include "event_result/event_result.h"
#include "options/option_set.h"
#include "standings/standings.h"

// A page per driver of the standings, in the folder "drivers/" of the championship folder, named
// by site_links' driver_page_file (the same name all season): his name and user name, his teams,
// place and total, his statistics, his running total as a chart and every event of the season.

// The built-in classic template of a driver's page.
extern const std::string builtin_driver_template;

// What the driver pages link to besides the event pages.
struct driver_site {
    bool index = false;  // "index.html" is written
    bool teams = false;  // "teams.html" is written
};

// Writes the page of every driver of the standings (the template of
// `global.driver_template`, or the page set's built-in one), then removes the ".html" files of
// "drivers/" that belong to no driver of the ranking. The folder is made when missing. A page that
// cannot be written is a warning, "warning: unable to write drivers/NAME.html", which sets
// `summary_warning`. Throws the template's errors (std::runtime_error).
//
// The tags: "championship_name", "driver_name", "user_name", "teams" (those he drove for, in
// order; "no team"), "position" ("2nd"), "total", "navigation", "driver-statistics",
// "driver-chart" and "driver-results".
//
// With classes (several `sets`), a driver who scored in two classes has one page: his place and
// total in each ("2nd in GTR; 5th in TBO"), the statistics and chart of his first class.
void write_driver_pages(const std::vector<event_result>& events,
                        const std::vector<season_standings>& sets,
                        const options::option_set& global, const driver_site& site,
                        bool& summary_warning);

#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "event_result/event_result.h"
#include "standings/standings.h"

// The home page of the league's website, "index.html" in the championship folder: the calendar
// of the counted events and the top of the standings. Every text is escaped, in links too.

// The built-in classic template of the home page: the championship name, the tags
// "navigation", "calendar" and "standings-top".
extern const std::string builtin_index_template;

// What the home page links to.
struct home_links {
    bool event_pages = true;   // each event links to its pages (they are in the events' folders)
    bool driver_pages = false;  // names link to the drivers' pages
};

// The calendar ("calendar"): a table of `events` in their order (start time) with, for each, its
// date and time (UTC), title, track, race length, winner, pole sitter, the drivers with the
// fastest lap, and links to its pages that exist (its race page, its qualifying page). With
// classes, the winner, pole sitter and fastest lap of each class, after its name.
void write_calendar(std::ostream& out, const std::vector<event_result>& events,
                    const home_links& links);

// The top of the standings ("standings-top"): the first `rows` drivers of `ranking` with their
// team and total.
void write_standings_top(std::ostream& out, const std::vector<const driver_standing*>& ranking,
                         std::size_t rows, const home_links& links);

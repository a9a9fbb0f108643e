#pragma once

#include <vector>

#include "event_result/event_result.h"
#include "options/option_set.h"
#include "standings/standings.h"

// The files of the whole season in the championship folder, written once the events are read
// and the standings added up, each from its configured template or the page set's built-in one:
// "series.html" (the tags "series-table", "points-chart", "navigation"), "season.json" and
// "series.csv" when asked for, "teams.html" when some driver has a team ("teams-table",
// "navigation"), and for the league's website "index.html" ("calendar", "standings-top",
// "navigation") and the pages of "drivers/". Every page also has "championship_name".
//
// A file that cannot be created or written is a warning ("warning: unable to write series.html")
// that sets `summary_warning`, and so is a column a table cannot show. Throws the templates'
// errors (std::runtime_error) and the standings' overflow.
//
// With classes every table, chart and list of standings is written once per class, each after a
// heading with its class's name (`sets`, as build_season_standings gives them).
void write_season_pages(const std::vector<event_result>& events,
                        const std::vector<season_standings>& sets,
                        const options::option_set& global, bool& summary_warning);

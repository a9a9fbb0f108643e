#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "event_result/event_result.h"
#include "standings/standings.h"
#include "options/option_set.h"

// The tables of the two summary pages, "series.html" and "teams.html", and their built-in
// templates. Every text a user wrote (names, teams, event names, breakdown labels) is escaped.

// The built-in template of "series.html", used when "template.series" is not configured; it holds
// the one tag "{{html:series-table}}".
extern const std::string builtin_series_template;
// The built-in template of "teams.html", used when "template.teams" is not configured; it holds
// the one tag "{{html:teams-table}}".
extern const std::string builtin_teams_template;

// Where the series table links to on the league's website.
struct series_links {
    std::vector<std::string> events;  // for each event: its race page, else its qualifying page
    bool drivers = false;             // the names link to the drivers' pages
};

// The drivers' table ("series-table"): one row per driver in ranking order, with the columns of
// the global `options.summary_columns`; a summary column is one column per event in the given
// order, where a round dropped from the driver's total (`driver_standing::dropped`) shows its
// points in parentheses with the class "dropped". A column type the table cannot show writes
// "warning: unsupported column for summary: " + its name to `error_stream`, sets
// `summary_warning` and is left out. Throws std::runtime_error
// "start_time() called on invalid event" for an event with neither race nor qualifying (and no
// event name) when the table has a summary column.
//
// With `links`, each event's header links to its page and each driver's name to his page.
// The columns "starts", "wins", "podiums", "poles" and "fastest-laps" show his statistics.
// Without `warn_columns` (a further table of the page, whose columns were reported with the first)
// a column it cannot show is left out silently.
void write_series_table(std::ostream& out, const options::option_set& options,
                        const std::vector<event_result>& events, bool& summary_warning,
                        const std::vector<const driver_standing*>& ranking,
                        const series_links* links = nullptr, bool warn_columns = true);

// The teams' table ("teams-table"): one row per team with a non-empty name in ranking order, with
// the columns of the global `options.team_summary_columns`. A column type the table cannot show
// writes "warning: unsupported column for team summary: " + its name to `error_stream`, sets
// `summary_warning` and is left out.
// Under the rule that only a team's best drivers of an event count (points.team-counted-drivers),
// a last column "Counted drivers" names, round by round, those who counted and their points:
// "round 2 (AS1): Ann 10, Cid 6" (titled from `events`), a line per round. `warn_columns` as for the series table.
void write_team_table(std::ostream& out, const options::option_set& options, bool& summary_warning,
                      const std::vector<const team_standing*>& ranking,
                      const std::vector<event_result>& events = {}, bool warn_columns = true);

// The tooltip of a total: "R: 2×1st, 3rd" for the finishing positions, a line feed, then
// "Q: 1st" for the qualifying positions; a part without positions is left out, with its line
// feed. Empty when there are none.
std::string standing_title_text(const series_standing& standing);

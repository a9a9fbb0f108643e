#pragma once

#include <ostream>
#include <vector>

#include "event_result/event_result.h"
#include "standings/standings.h"
#include "options/option_set.h"

// The season as data for other programs (a league website, a chat bot, a spreadsheet): the same
// results the pages show, in "season.json" and "series.csv". Both are the same bytes for the same
// input: nothing of the moment of the run goes into them.

// Writes "season.json": a pretty-printed JSON object with, in this order, "format_version" (1),
// "championship_name" (null when none is configured), "events" (in series order: folder, name,
// tracks, start time in ISO 8601 UTC, race length, the race rows and the qualifying rows as the
// pages list them), "driver_standings" (with each driver's points per event and whether that
// round was dropped) and "team_standings". Points are objects with "exact" ("31/3") and "value"
// (a JSON number), and on result rows their "items". The README shows the whole layout.
//
// Text that is not valid UTF-8 (a folder name is bytes on Linux) is written with U+FFFD in its
// place. The file is written event by event, so that only one event's rows are held as JSON at a
// time. `events` and `season` are those of the run, `global` the championship's options.
// Precondition: every event has its options and a race or a qualifying.
void write_season_json(std::ostream& out, const std::vector<event_result>& events,
                       const standings& season, const options::option_set& global);
// The same for the season's sets of standings: with classes, every standing (driver or team) has
// its "class", and its position is within the class; result rows have "class" and
// "class_position". Under the classification rule race rows have "classified".
void write_season_json(std::ostream& out, const std::vector<event_result>& events,
                       const std::vector<season_standings>& sets,
                       const options::option_set& global);

// Writes "series.csv": the drivers' table of "series.html" with the columns Position, Driver,
// Team, Total and one per event (headed by the event's name; empty where the driver has no
// score), as RFC 4180 CSV in UTF-8 with a byte-order mark and CR LF line ends, so that a
// spreadsheet on Windows opens it as it is. Points are decimals with "." and at most four places,
// rounded half away from zero ("10.3333"); a dropped round shows its points like any other.
// Text is quoted where it holds a comma, a double quote or a control character, invalid UTF-8
// becomes U+FFFD, and a text starting with "=", "+", "-", "@", a tab or a carriage return gets a
// leading apostrophe, so that no name becomes a spreadsheet formula.
void write_series_csv(std::ostream& out, const std::vector<event_result>& events,
                      const standings& season, const options::option_set& global);
// The same for the season's sets of standings: with classes, a first column "Class" and each
// class's drivers in turn, positions within the class (and each round's points only where he
// scored in that class).
void write_series_csv(std::ostream& out, const std::vector<event_result>& events,
                      const std::vector<season_standings>& sets,
                      const options::option_set& global);

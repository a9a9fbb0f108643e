#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "event_result/event_result.h"
#include "site_links/site_links.h"

// The built-in page templates, used when the options name no template file of their own.
extern const std::string built_in_race_template;        // 658 bytes
extern const std::string built_in_qualifying_template;  // 659 bytes

// Where an event's pages link to on the league's website.
struct event_page_links {
    // The "navigation" tag: the season's pages that exist and the event's other page.
    std::vector<navigation_link> navigation;
    // The rows' names link to the drivers' pages (those of the drivers who scored, when the event
    // counts).
    bool driver_links = false;
};

// Renders "race.html" of an event into `out`: the configured race template (named by its path in
// errors) or the built-in one of the page set, with the tags "track_id" (the event name or the
// track identifier), "event_title" (the event name or the track's name), "track_name" (the
// track's name, else its identifier), "track_configuration" (its number, empty when the replay
// has none), "track_reversed" ("reversed" or empty), "race_length", "session_time", "championship_name",
// "navigation" and "race-table". Precondition: `event.race` is present and the points have been
// awarded. A column the page cannot show is left out with "warning: unsupported column for race: "
// + column name on the error stream, and `event.pause` is set. Template errors are thrown as
// std::runtime_error.
void write_race_page(event_result& event, std::ostream& out, const event_page_links& links = {});

// Renders "qualifying.html" of an event into `out`, like write_race_page with the tags
// "track_id", "event_title", "track_name", "session_time", "championship_name", "navigation" and
// "qualifying-table". Precondition: `event.qualifying` is present. A qualifying result without a
// track writes "warning: qualifying track_ids empty" on the error stream, sets `event.pause` and
// renders nothing.
void write_qualifying_page(event_result& event, std::ostream& out,
                           const event_page_links& links = {});

// A session start time (seconds since 1970) as a UTC time in the asctime layout without the
// seconds, with English names: "Sat Jan  1 09:05 2022".
std::string session_time_text(std::int64_t start_time);

// A session start time (seconds since 1970) as a UTC time in ISO 8601: "2026-03-01T18:00:00Z".
std::string iso_8601_time_text(std::int64_t start_time);

// A race or lap time: "1:23.45" for 83456 ms, "1:02:03.45" for 3723456 ms, "-" before a negative
// time. Hundredths are truncated.
std::string race_time_text(std::int64_t milliseconds);

// A time penalty as the race page's penalty column shows it: "+5s", "+1.5s", "-3s", "+1.25s".
std::string penalty_text(std::int64_t milliseconds);

// A gap to the winner in seconds: "+5.07s" for 5070 ms, "+65.30s" for 65300 ms, "-" before a
// negative gap. Hundredths are truncated.
std::string gap_text(std::int64_t milliseconds);

// How far a classified race row finished behind the winner, as the race page shows it: his gap
// ("+5.07s") on the winner's lap, else "+1 lap", "+3 laps".
std::string behind_winner_text(const race_row& winner, const race_row& row);

// The race length as the race page's title shows it: the race's length text without its last
// word ("20 laps", "Practice session").
std::string_view race_length_title_text(const race_result& race);

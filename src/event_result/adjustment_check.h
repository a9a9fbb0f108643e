#pragma once

#include <string>
#include <vector>

#include "event_result/event_result.h"
#include "options/option_set.h"

// Adjustments that name a driver who takes part in none of the replays they apply to: a misspelt
// user name, or a driver absent from the event. A time penalty needs a race row; a
// disqualification, a hidden driver or a points change needs the driver in any replay.

// The replays an adjustment is checked against, in the warning's words.
enum class adjustment_reach {
    event,   // an event's own file: that event's replays ("this event")
    season,  // the championship's file: every replay of the season ("any event")
};

// Warnings (complete texts without "warning: ") for the entries of `adjustments` that come from
// the file `reach` names (an event's own file, or the championship's) and whose driver is absent
// from `present`: "./ev1/rostrum.conf(12): penalties: dann has no race result in this event",
// "rostrum.conf(7): modify-points: dann is in no replay of any event".
std::vector<std::string> absent_adjustments(const std::vector<options::adjustment_entry>& adjustments,
                                            adjustment_reach reach, const replay_presence& present);

// Adds the drivers of `more` to `total`.
void add_presence(replay_presence& total, const replay_presence& more);

#pragma once

#include <string>
#include <vector>

#include "event_result/event_result.h"
#include "options/option_set.h"

// Adjustments that name a driver who takes part in none of the replays they apply to: a misspelt
// user name, or a driver absent from the event. A time penalty needs a race row; a
// disqualification, a hidden driver or a points change needs the driver in any replay (a hidden
// driver too, though he has no row). Warnings are complete texts without "warning: ".

// The entries of an event's own file (`event_file`) whose driver is absent from `event`:
// "./ev1/rostrum.conf(12): penalties: dann has no race result in this event",
// "./ev1/rostrum.conf(13): modify-points: dann is in no replay of this event".
std::vector<std::string> absent_from_event(const std::vector<options::adjustment_entry>& adjustments,
                                           const event_result& event);

// The entries of the championship's file, checked against every event of the season as they are
// read: "rostrum.conf(7): penalties: dann has no race result in any event".
class season_presence {
public:
    // `adjustments` must outlive this object.
    explicit season_presence(const std::vector<options::adjustment_entry>& adjustments);

    // Notes which of the drivers take part in `event` (kept or not).
    void add(const event_result& event);

    // The entries whose driver took part in no event added.
    std::vector<std::string> absent() const;

private:
    std::vector<const options::adjustment_entry*> entries;  // the championship's
    std::vector<bool> present;
};

#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "event_result/event_result.h"
#include "options/option_set.h"

// Entries of the driver sections that name a driver who takes part in none of the replays they
// apply to: a misspelt user name, or a driver absent from the event. A time penalty needs a race
// row; a disqualification, a hidden driver or a points change needs the driver in any replay (a
// hidden driver too, though he has no row). Team members and forced names of drivers absent are
// reserves, not mistakes. But an entry whose name is no user name there and equals a name a
// driver is shown with (in any letter case) names him by his nickname, and gets this warning
// instead: "rostrum.conf(12): teams: "Blue Thunder" is no user name; the driver shown as Blue
// Thunder is bluethunder (drivers are listed by user name)". Warnings are complete texts without
// "warning: ".

// A driver as the pages show him.
struct shown_driver {
    std::string name;       // as shown
    std::string user_name;  // his key's display
};

// The entries of an event's own file or round block (scope `event`) whose driver is absent from
// `event`: "./ev1/rostrum.conf(12): penalties: dann has no race result in this event",
// "./ev1/rostrum.conf(13): modify-points: dann is in no replay of this event".
std::vector<std::string> absent_from_event(const std::vector<options::adjustment_entry>& adjustments,
                                           const event_result& event);

// The entries of the championship's top level and of its from blocks, checked against the events
// they apply to as the events are read.
class season_presence {
public:
    // `championship`: the entries of the championship's top level, which every event's settings
    // start with.
    explicit season_presence(const std::vector<options::adjustment_entry>& championship);

    // Notes which drivers of those entries in `event`'s settings take part in it, and, when the
    // event counts (`complete`), which of the top level's penalties, disqualifications and points
    // changes were applied there (in force, not replaced by a later layer, and meeting the
    // driver's row or score).
    void add(const event_result& event);

    // In the order the entries were first met: for each entry whose driver took part in no event
    // it applies to, "rostrum.conf(7): penalties: dann has no race result in any event" (a from
    // block's: "... in any event that its block applies to"), or the nickname warning above; for
    // each top-level entry applied at
    // more than one event, "rostrum.conf(12): penalties: turbo_tom: +10 s is applied at 3 events
    // (r01, r02, r05); a decision for one round belongs in a round block (round "r05" {
    // penalties { ... } })", the events in series order.
    std::vector<std::string> warnings() const;

private:
    struct applied_event {
        std::int64_t start_time;
        std::string folder;
    };
    struct tracked {
        options::adjustment_entry entry;
        bool present = false;
        std::string value;  // as the applied warning shows it: "+10 s", "-3 (unsafe rejoin)"
        std::vector<applied_event> applied;
    };
    std::size_t championship_count;  // the first entries of every event's list, and of `entries`
    std::vector<tracked> entries;
    std::size_t absent_count;  // entries not yet met in an event
    // The names drivers were shown with (ASCII letters in small letters), while entries were
    // absent.
    std::unordered_map<std::string, shown_driver> shown;
    std::unordered_set<std::string> noted;  // the drivers in `shown`, by their key's `match`
    // The from blocks' entries in `entries`, by place, kind, driver and how often the same three
    // occur before in an event's list.
    std::unordered_map<std::string, std::size_t> index;
};

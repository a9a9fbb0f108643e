#include "event_result/adjustment_check.h"

#include <gtest/gtest.h>

namespace {

using kind = options::adjustment_entry::kind;

// An event in which Racer has a race row, Qualifier only qualified, and the hidden Ghost was met.
event_result event_with(std::initializer_list<const char*> racers,
                        std::initializer_list<const char*> qualifiers,
                        std::initializer_list<const char*> hidden) {
    event_result event;
    event.race.emplace();
    for (const char* name : racers) {
        race_row row;
        row.key = make_name_key(name);
        event.race->dsq_results.push_back(row);  // a disqualified row counts too
    }
    event.qualifying.emplace();
    for (const char* name : qualifiers) {
        qualifying_row row;
        row.key = make_name_key(name);
        event.qualifying->results.push_back(row);
    }
    for (const char* name : hidden) {
        event.qualifying->hidden_seen.push_back(make_name_key(name));
    }
    return event;
}

TEST(adjustment_check, an_adjustment_needs_its_driver_in_the_replays_it_applies_to) {
    const std::vector<options::adjustment_entry> adjustments = {
        {kind::time_penalty, make_config_name_key("Racer"), "ev/rostrum.conf(2)", true},
        {kind::time_penalty, make_config_name_key("Qualifier"), "ev/rostrum.conf(3)", true},
        {kind::disqualification, make_config_name_key("Qualifier"), "ev/rostrum.conf(4)", true},
        {kind::hidden, make_config_name_key("ghost"), "ev/rostrum.conf(5)", true},
        {kind::points_change, make_config_name_key("nobody"), "ev/rostrum.conf(8)", true},
        {kind::points_change, make_config_name_key("dann"), "rostrum.conf(7)", false},
        {kind::time_penalty, make_config_name_key("dann"), "rostrum.conf(8)", false},
    };
    const event_result event = event_with({"racer"}, {"racer", "QUALIFIER"}, {"Ghost"});
    EXPECT_EQ(absent_from_event(adjustments, event),
              (std::vector<std::string>{
                  "ev/rostrum.conf(3): penalties: Qualifier has no race result in this event",
                  "ev/rostrum.conf(8): modify-points: nobody is in no replay of this event",
              }));

    season_presence season(adjustments);
    season.add(event);
    EXPECT_EQ(season.absent(), (std::vector<std::string>{
                                   "rostrum.conf(7): modify-points: dann is in no replay of any event",
                                   "rostrum.conf(8): penalties: dann has no race result in any event",
                               }));
    season.add(event_with({}, {"dann"}, {}));
    EXPECT_EQ(season.absent(),
              (std::vector<std::string>{
                  "rostrum.conf(8): penalties: dann has no race result in any event",
              }));
}

}  // namespace

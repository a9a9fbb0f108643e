#include "event_result/adjustment_check.h"

#include <gtest/gtest.h>

namespace {

using kind = options::adjustment_entry::kind;

TEST(adjustment_check, an_adjustment_needs_its_driver_in_the_replays_it_applies_to) {
    const std::vector<options::adjustment_entry> adjustments = {
        {kind::time_penalty, make_config_name_key("Racer"), "ev/rostrum.conf(2)", true},
        {kind::time_penalty, make_config_name_key("Qualifier"), "ev/rostrum.conf(3)", true},
        {kind::disqualification, make_config_name_key("Qualifier"), "ev/rostrum.conf(4)", true},
        {kind::hidden, make_config_name_key("ghost"), "ev/rostrum.conf(5)", true},
        {kind::points_change, make_config_name_key("ghost"), "ev/rostrum.conf(8)", true},
        {kind::points_change, make_config_name_key("dann"), "rostrum.conf(7)", false},
        {kind::time_penalty, make_config_name_key("dann"), "rostrum.conf(8)", false},
    };
    replay_presence present;
    present.in_replays = {"racer", "qualifier"};
    present.in_race = {"racer"};
    EXPECT_EQ(absent_adjustments(adjustments, adjustment_reach::event, present),
              (std::vector<std::string>{
                  "ev/rostrum.conf(3): penalties: Qualifier has no race result in this event",
                  "ev/rostrum.conf(5): penalties: ghost is in no replay of this event",
                  "ev/rostrum.conf(8): modify-points: ghost is in no replay of this event",
              }));
    EXPECT_EQ(absent_adjustments(adjustments, adjustment_reach::season, present),
              (std::vector<std::string>{
                  "rostrum.conf(7): modify-points: dann is in no replay of any event",
                  "rostrum.conf(8): penalties: dann has no race result in any event",
              }));

    replay_presence season;
    add_presence(season, present);
    add_presence(season, {{"dann"}, {}});
    EXPECT_EQ(absent_adjustments(adjustments, adjustment_reach::season, season),
              (std::vector<std::string>{
                  "rostrum.conf(8): penalties: dann has no race result in any event",
              }));
}

}  // namespace

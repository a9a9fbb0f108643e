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

using scope = options::adjustment_entry::scope;

TEST(adjustment_check, an_adjustment_needs_its_driver_in_the_replays_it_applies_to) {
    const std::vector<options::adjustment_entry> championship = {
        {kind::points_change, make_config_name_key("dann"), "rostrum.conf(7)", scope::championship},
        {kind::time_penalty, make_config_name_key("dann"), "rostrum.conf(8)", scope::championship},
    };
    std::vector<options::adjustment_entry> adjustments = championship;
    adjustments.insert(
        adjustments.end(),
        {
            {kind::time_penalty, make_config_name_key("Racer"), "ev/rostrum.conf(2)", scope::event},
            {kind::time_penalty, make_config_name_key("Qualifier"), "ev/rostrum.conf(3)", scope::event},
            {kind::disqualification, make_config_name_key("Qualifier"), "ev/rostrum.conf(4)",
             scope::event},
            {kind::hidden, make_config_name_key("ghost"), "ev/rostrum.conf(5)", scope::event},
            {kind::points_change, make_config_name_key("nobody"), "ev/rostrum.conf(8)", scope::event},
            {kind::hidden, make_config_name_key("nobody"), "rostrum.conf(20)", scope::from_block},
        });
    event_result event = event_with({"racer"}, {"racer", "QUALIFIER"}, {"Ghost"});
    auto options = std::make_shared<options::option_set>();
    options->adjustments = adjustments;
    event.options = options;
    EXPECT_EQ(absent_from_event(adjustments, event),
              (std::vector<std::string>{
                  "ev/rostrum.conf(3): penalties: Qualifier has no race result in this event",
                  "ev/rostrum.conf(8): modify-points: nobody is in no replay of this event",
              }));

    season_presence season(championship);
    season.add(event);
    EXPECT_EQ(season.warnings(),
              (std::vector<std::string>{
                  "rostrum.conf(7): modify-points: dann is in no replay of any event",
                  "rostrum.conf(8): penalties: dann has no race result in any event",
                  "rostrum.conf(20): penalties: nobody is in no replay of any event that its block "
                  "applies to",
              }));
    event_result later = event_with({}, {"dann", "nobody"}, {});
    later.options = event.options;
    season.add(later);
    EXPECT_EQ(season.warnings(),
              (std::vector<std::string>{
                  "rostrum.conf(8): penalties: dann has no race result in any event",
              }));
}

TEST(adjustment_check, a_nickname_where_a_user_name_belongs_is_named) {
    event_result event = event_with({"bluethunder"}, {"sakura77"}, {});
    event.race->dsq_results[0].name = "Blue Thunder";
    event.qualifying->results[0].name = "Sakura";
    const auto entry = [](kind what, const char* name, const char* place, scope where) {
        return options::adjustment_entry{what, make_config_name_key(name), place, where};
    };
    const std::vector<options::adjustment_entry> championship = {
        entry(kind::team_member, "Blue Thunder", "rostrum.conf(4)", scope::championship),
        entry(kind::team_member, "bluethunder", "rostrum.conf(5)", scope::championship),
        entry(kind::forced_name, "reserve", "rostrum.conf(6)", scope::championship),
        entry(kind::points_change, "SAKURA", "rostrum.conf(9)", scope::championship),
    };
    std::vector<options::adjustment_entry> adjustments = championship;
    adjustments.push_back(entry(kind::disqualification, "blue thunder", "ev/rostrum.conf(2)", scope::event));
    adjustments.push_back(entry(kind::team_member, "cid", "ev/rostrum.conf(5)", scope::event));
    auto options = std::make_shared<options::option_set>();
    options->adjustments = adjustments;
    event.options = options;
    EXPECT_EQ(absent_from_event(adjustments, event),
              std::vector<std::string>{
                  "ev/rostrum.conf(2): penalties: \"blue thunder\" is no user name; the driver "
                  "shown as Blue Thunder is bluethunder (drivers are listed by user name)"});
    season_presence season(championship);
    season.add(event);
    EXPECT_EQ(season.warnings(),
              (std::vector<std::string>{
                  "rostrum.conf(4): teams: \"Blue Thunder\" is no user name; the driver shown as "
                  "Blue Thunder is bluethunder (drivers are listed by user name)",
                  "rostrum.conf(9): modify-points: \"SAKURA\" is no user name; the driver shown as "
                  "Sakura is sakura77 (drivers are listed by user name)",
              }));
}

// An event at `start` in `folder` where Tom and Joe raced and scored and the hidden Ghost was
// met, with `options`.
event_result scored_event(const char* folder, std::int64_t start,
                          std::shared_ptr<const options::option_set> options) {
    event_result event = event_with({}, {}, {"ghost"});
    event.folder = folder;
    event.race->start_time = start;
    for (const char* name : {"tom", "joe"}) {
        race_row row;
        row.key = make_name_key(name);
        event.race->results.push_back(row);
        event.scores[row.key].points = 1;
    }
    event.options = std::move(options);
    return event;
}

TEST(adjustment_check, top_level_decisions_applied_at_several_events_are_named) {
    auto championship = std::make_shared<options::option_set>();
    const name_key tom = make_config_name_key("Tom");
    const name_key joe = make_config_name_key("joe");
    championship->time_penalties[tom] = 1500;
    championship->points_modifications[joe] = {-3, "unsafe rejoin"};
    championship->hidden.insert(make_config_name_key("ghost"));
    championship->adjustments = {
        {kind::time_penalty, tom, "rostrum.conf(12)", scope::championship},
        {kind::points_change, joe, "rostrum.conf(15)", scope::championship},
        {kind::hidden, make_config_name_key("ghost"), "rostrum.conf(13)", scope::championship},
    };
    // At r02 a round block replaces Tom's penalty: the top level's is not applied there.
    auto r02 = std::make_shared<options::option_set>(*championship);
    r02->time_penalties[tom] = 5000;
    r02->adjustments.push_back({kind::time_penalty, tom, "rostrum.conf(30)", scope::event});

    season_presence season(championship->adjustments);
    season.add(scored_event("r03", 300, championship));
    season.add(scored_event("r02", 200, r02));
    season.add(scored_event("r01", 100, championship));
    event_result dropped = scored_event("r04", 400, championship);
    dropped.complete = false;  // not counted
    season.add(dropped);
    EXPECT_EQ(season.warnings(),
              (std::vector<std::string>{
                  "rostrum.conf(12): penalties: Tom: +1.5 s is applied at 2 events (r01, r03); a "
                  "decision for one round belongs in a round block (round \"r03\" { penalties { "
                  "... } })",
                  "rostrum.conf(15): modify-points: joe: -3 (unsafe rejoin) is applied at 3 events "
                  "(r01, r02, r03); a decision for one round belongs in a round block (round "
                  "\"r03\" { modify-points { ... } })",
              }));
}

}  // namespace

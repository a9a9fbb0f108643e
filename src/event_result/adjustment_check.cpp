#include "event_result/adjustment_check.h"

#include "common/visible_text.h"

std::vector<std::string> absent_adjustments(const std::vector<options::adjustment_entry>& adjustments,
                                            adjustment_reach reach, const replay_presence& present) {
    using kind = options::adjustment_entry::kind;
    const bool event = reach == adjustment_reach::event;
    std::vector<std::string> warnings;
    for (const options::adjustment_entry& entry : adjustments) {
        if (entry.event_file != event) {
            continue;
        }
        const bool needs_race_row = entry.what == kind::time_penalty;
        const auto& drivers = needs_race_row ? present.in_race : present.in_replays;
        if (drivers.count(entry.driver.match) != 0) {
            continue;
        }
        const char* section = entry.what == kind::points_change ? "modify-points" : "penalties";
        std::string text = entry.place + ": " + section + ": " + visible(entry.driver.display);
        if (needs_race_row) {
            text += event ? " has no race result in this event" : " has no race result in any event";
        } else {
            text += event ? " is in no replay of this event" : " is in no replay of any event";
        }
        warnings.push_back(std::move(text));
    }
    return warnings;
}

void add_presence(replay_presence& total, const replay_presence& more) {
    total.in_replays.insert(more.in_replays.begin(), more.in_replays.end());
    total.in_race.insert(more.in_race.begin(), more.in_race.end());
}

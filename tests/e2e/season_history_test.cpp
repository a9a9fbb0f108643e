// Decisions a league makes during a season keep the rounds already published as they were: each
// is written in a round or from block of the championship's rostrum.conf, and the pages of every
// round before it are byte for byte those of a run without it. Written at the top level instead,
// an adjustment that reaches several rounds is named with a warning.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "process.h"
#include "support/replay_writer.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Six rounds, r01 to r06, a week apart. Tom wins each race 5 s ahead of Joe; Ann and Bob follow
// (Ann third in odd rounds, Bob in even ones). Points 10, 6, 4, 3; Joe and Ann drive for Red, Bob
// for Blue; the season is also written as season.json.
const char* const base_conf = R"(output { json true }
teams
{
    Red { joe ""  ann "" }
    Blue { bob "" }
}
)";

void write_season(const fs::path& folder, const std::string& conf) {
    write_file(folder / "rostrum.conf", std::string(base_conf) + conf);
    for (int round = 1; round <= 6; ++round) {
        const std::string third = round % 2 == 1 ? "ann" : "bob";
        const std::string fourth = round % 2 == 1 ? "bob" : "ann";
        const std::string race = "track BL1\nstart 2026-03-0" + std::to_string(round) +
                                 " 18:00:00\nlength 3\ngrid 4\n"
                                 "driver Turbo Tom | turbo_tom | XRT | 3 | 3:00.000 | 0:59.000 | 1\n"
                                 "driver Joe | joe | XRT | 3 | 3:05.000 | 0:59.500 | 2\n"
                                 "driver " + third + " | " + third +
                                 " | XRT | 3 | 3:20.000 | 1:01.000 | 3\n"
                                 "driver " + fourth + " | " + fourth +
                                 " | XRT | 3 | 3:30.000 | 1:02.000 | 4\n";
        write_file(folder / ("r0" + std::to_string(round)) / "race.mpr",
                   encode_replay(parse_replay_description(race)));
    }
}

struct season_run {
    process_result result;
    std::vector<std::string> race_pages;  // r01 to r06
    json season;
};

season_run run_season(const std::string& conf) {
    const temp_dir folder;
    write_season(folder.path(), conf);
    season_run run;
    run.result = run_process(programs().rostrum, folder.path(), "\n");
    for (int round = 1; round <= 6; ++round) {
        run.race_pages.push_back(
            read_file(folder.path() / ("r0" + std::to_string(round)) / "race.html"));
    }
    run.season = json::parse(read_file(folder.path() / "season.json"));
    return run;
}

std::string total_of(const json& season, const char* list, const char* key, const char* name) {
    for (const json& standing : season.at(list)) {
        if (standing.at(key) == name) {
            return standing.at("total").at("exact");
        }
    }
    return "absent";
}

struct decision {
    const char* what;
    const char* in_a_block;   // the decision as it belongs in the championship's file
    int first_round;          // the first round it changes
    int last_round;           // the last round it changes
    // The totals it gives: list, key, name, total.
    std::vector<std::tuple<const char*, const char*, const char*, const char*>> totals;
    const char* at_top_level;  // the same written at the top level, or null
    const char* warning;       // what that gives: the file's line and the warning's text after it
};

// Without any decision: Tom 60, Joe 36, Ann and Bob 21 each; Red 57, Blue 21.
const decision decisions[] = {
    {"a 10 s penalty for round 2", "round \"r02\" { penalties { turbo_tom 10 } }", 2, 2,
     {{"driver_standings", "user_name", "turbo_tom", "56"},
      {"driver_standings", "user_name", "joe", "40"}},
     "penalties { turbo_tom 10 }",
     "rostrum.conf(7): penalties: turbo_tom: +10 s is applied at 6 events (r01, r02, r03, r04, "
     "r05, r06); a decision for one round belongs in a round block (round \"r06\" { penalties { "
     "... } })"},
    {"a disqualification for round 5", "round \"r05\" { penalties { turbo_tom dsq } }", 5, 5,
     {{"driver_standings", "user_name", "turbo_tom", "50"},
      {"driver_standings", "user_name", "joe", "40"}},
     "penalties { turbo_tom dsq }",
     "rostrum.conf(7): penalties: turbo_tom: the disqualification is applied at 6 events (r01, "
     "r02, r03, r04, r05, r06); a decision for one round belongs in a round block (round \"r06\" "
     "{ penalties { ... } })"},
    {"a 3-point deduction", "round \"r03\" { modify-points { joe \"-3 unsafe rejoin\" } }", 3, 3,
     {{"driver_standings", "user_name", "joe", "33"}, {"team_standings", "team", "Red", "54"}},
     "modify-points { joe \"-3 unsafe rejoin\" }",
     "rostrum.conf(7): modify-points: joe: -3 (unsafe rejoin) is applied at 6 events (r01, r02, "
     "r03, r04, r05, r06); a decision for one round belongs in a round block (round \"r06\" { "
     "modify-points { ... } })"},
    {"a transfer from Red to Blue after round 3", "from \"r04\" { teams { Blue { joe \"\" } } }", 4,
     6, {{"team_standings", "team", "Red", "39"}, {"team_standings", "team", "Blue", "39"}}, nullptr,
     nullptr},
    {"a new points table from round 5", "from \"r05\" { points { race 25,18,15,12 } }", 5, 6,
     {{"driver_standings", "user_name", "turbo_tom", "90"},
      {"driver_standings", "user_name", "joe", "60"}},
     nullptr, nullptr},
};

TEST(season_history, a_decision_in_a_block_keeps_the_rounds_before_it) {
    const season_run without = run_season("");
    ASSERT_EQ(without.result.exit_code, 0) << without.result.err;
    EXPECT_EQ(total_of(without.season, "driver_standings", "user_name", "turbo_tom"), "60");
    EXPECT_EQ(total_of(without.season, "team_standings", "team", "Red"), "57");
    for (const decision& each : decisions) {
        SCOPED_TRACE(each.what);
        const season_run with = run_season(std::string(each.in_a_block) + "\n");
        EXPECT_EQ(with.result.exit_code, 0);
        EXPECT_EQ(with.result.err, "");
        for (int round = 1; round <= 6; ++round) {
            const bool changed = with.race_pages[round - 1] != without.race_pages[round - 1];
            EXPECT_EQ(changed, round >= each.first_round && round <= each.last_round)
                << "r0" << round << "/race.html";
        }
        for (const auto& [list, key, name, total] : each.totals) {
            EXPECT_EQ(total_of(with.season, list, key, name), total) << name;
        }
        if (each.at_top_level != nullptr) {
            const season_run top = run_season(std::string(each.at_top_level) + "\n");
            EXPECT_EQ(top.result.err, console_text(std::string("warning: ") + each.warning +
                                                   "\nPress enter to continue"));
        }
    }
}

TEST(season_history, a_disqualified_driver_keeps_his_place_in_the_standings) {
    const season_run with = run_season("round \"r05\" { penalties { turbo_tom dsq } }\n");
    const json& tom = with.season.at("driver_standings").at(0);
    ASSERT_EQ(tom.at("user_name"), "turbo_tom");
    EXPECT_EQ(tom.at("rounds").at(4).at("disqualified"), true);
    EXPECT_TRUE(tom.at("rounds").at(4).at("points").is_null());
    EXPECT_EQ(tom.at("rounds").at(3).at("disqualified"), false);
}

}  // namespace

// Runs the multi-class example championship (examples/championship-multiclass) in a temporary copy
// and checks what its league publishes: a clean run, every page of the website, links that lead
// somewhere, valid HTML5, and scores that follow the class rules when worked out again from the
// published season.json: positions and their points within each class, the classification rule,
// and team totals of only each team's best driver of a class per event.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "process.h"
#include "site_check.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

class multiclass_example : public testing::Test {
protected:
    static void SetUpTestSuite() {
        root = new temp_dir;
        fs::copy(fs::path(EXAMPLES_DIR) / "championship-multiclass", folder(),
                 fs::copy_options::recursive);
        run = new process_result(run_process(programs().rostrum, folder()));
    }
    static void TearDownTestSuite() {
        delete run;
        delete root;
    }
    static fs::path folder() { return root->path() / "championship"; }

    static temp_dir* root;
    static process_result* run;
};

temp_dir* multiclass_example::root = nullptr;
process_result* multiclass_example::run = nullptr;

TEST_F(multiclass_example, the_run_is_clean_and_publishes_a_linked_valid_website) {
    EXPECT_EQ(run->exit_code, 0);
    EXPECT_EQ(run->out, "");
    EXPECT_EQ(run->err, "");
    const std::vector<std::string> pages = html_pages(folder());
    std::vector<std::string> expected{"index.html", "series.html", "teams.html"};
    for (const char* event : {"round1-westhill", "round2-south-city", "round3-kyoto"}) {
        expected.push_back(std::string(event) + "/qualifying.html");
        expected.push_back(std::string(event) + "/race.html");
    }
    for (const char* driver :
         {"ann", "bob", "cid", "dan", "eve", "fay", "gus", "hal", "ivy", "jon", "kai", "lou"}) {
        expected.push_back(std::string("drivers/") + driver + ".html");
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(pages, expected);
    const link_check links = check_links(folder(), pages);
    EXPECT_EQ(links.faults, std::vector<std::string>{});
    EXPECT_GT(links.links, 200U);
    for (const std::string& page : pages) {
        EXPECT_EQ(tidy_report(folder(), page), "") << page;
    }
    // One table per class, in the order of the classes section.
    for (const char* page : {"series.html", "teams.html", "index.html"}) {
        const std::string html = read_file(folder() / page);
        const auto gtr = html.find("<h3 class=class-name>GTR</h3>");
        const auto tbo = html.find("<h3 class=class-name>TBO</h3>");
        EXPECT_NE(gtr, std::string::npos) << page;
        EXPECT_NE(tbo, std::string::npos) << page;
        EXPECT_LT(gtr, tbo) << page;
    }
}

// The points of a race row's finishing position: the item named by his place in the class.
const nlohmann::json* finishing_item(const nlohmann::json& row) {
    for (const nlohmann::json& item : row["points"]["items"]) {
        const std::string reason = item["reason"];
        if (reason.find(' ') == std::string::npos) {  // "1st", not "1st in qualifying"
            return &item;
        }
    }
    return nullptr;
}

TEST_F(multiclass_example, the_published_scores_follow_the_class_rules) {
    const nlohmann::json season = nlohmann::json::parse(read_file(folder() / "season.json"));
    const std::vector<int> table{25, 18, 15, 12, 10, 8, 6, 4, 2, 1};
    // class -> team -> total, worked out again from the events.
    std::map<std::string, std::map<std::string, long>> team_totals;
    std::size_t not_classified = 0;
    for (const nlohmann::json& event : season["events"]) {
        SCOPED_TRACE(event["folder"].get<std::string>());
        std::map<std::string, int> class_laps;  // of the class winner
        std::map<std::string, int> class_places;
        // class -> team -> (points, class position) of its best driver there
        std::map<std::string, std::map<std::string, std::pair<long, int>>> best;
        for (const nlohmann::json& row : event["race"]) {
            const std::string car_class = row["class"];
            const int laps = row["laps"];
            class_laps.emplace(car_class, laps);  // the first of the class is its winner
            // 90% of the class winner's laps, exactly.
            const bool classified = laps * 10 >= class_laps[car_class] * 9;
            EXPECT_EQ(row["classified"].get<bool>(), classified) << row["user_name"];
            const nlohmann::json* item = finishing_item(row);
            if (classified) {
                const int place = ++class_places[car_class];
                EXPECT_EQ(row["class_position"].get<int>(), place) << row["user_name"];
                ASSERT_NE(item, nullptr) << row["user_name"];
                EXPECT_EQ((*item)["value"].get<int>(), table[static_cast<std::size_t>(place - 1)]);
            } else {
                ++not_classified;
                EXPECT_TRUE(row["position"].is_null());
                EXPECT_EQ(item, nullptr) << row["user_name"];
            }
            if (!row["team"].is_null()) {
                const long points = row["points"]["value"];
                const int place = classified ? class_places[car_class] : 1000;
                auto [slot, first] = best[car_class].try_emplace(row["team"], points, place);
                if (!first && (points > slot->second.first ||
                               (points == slot->second.first && place < slot->second.second))) {
                    slot->second = {points, place};
                }
            }
        }
        for (const auto& [car_class, teams] : best) {
            for (const auto& [team, counted] : teams) {
                team_totals[car_class][team] += counted.first;
            }
        }
    }
    EXPECT_EQ(not_classified, 2U) << "the example has a driver left out in two rounds";
    std::size_t teams = 0;
    for (const nlohmann::json& team : season["team_standings"]) {
        ++teams;
        EXPECT_EQ(team["total"]["value"].get<long>(),
                  team_totals[team["class"]][team["team"]])
            << team["class"] << " " << team["team"];
    }
    EXPECT_EQ(teams, 4U);
}

}  // namespace

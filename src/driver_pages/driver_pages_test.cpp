#include "driver_pages/driver_pages.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "console/console.h"
#include "event_result/award.h"
#include "support/replay_writer.h"
#include "support/stream_capture.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

event_result race_event(const std::string& folder, const std::string& start,
                        const std::string& drivers,
                        std::shared_ptr<const options::option_set> options) {
    event_result event;
    event.folder = folder;
    event.options = std::move(options);
    event.race = build_race_result(
        *event.options, parse_replay_description("track BL1\nstart " + start +
                                                 "\nlength 3\ngrid 3\n" + drivers));
    award_points(event);
    return event;
}

TEST(driver_pages, one_page_per_driver_and_none_for_the_others) {
    const temp_dir dir;
    const working_directory inside(dir.path());
    auto options = std::make_shared<options::option_set>();
    options->teams[make_config_name_key("ann")] = "Red";
    const std::vector<event_result> events{
        race_event("r01", "2026-03-01 18:00:00",
                   "driver Ann | Ann | XRT | 3 | 3:00.000 | 0:59.000 | 2\n"
                   "driver Blue Thunder | Blue Thunder | XRT | 3 | 3:05.000 | 0:59.500 | 1\n",
                   options),
        race_event("r02", "2026-03-08 18:00:00",
                   "driver Ann | Ann | XRT | 3 | 3:00.000 | 0:59.000 | 1\n", options),
    };
    std::vector<season_standings> season;
    season.push_back({"", build_standings(events)});
    write_file(fs::path("drivers") / "gone.html", "a driver of an earlier run");
    write_file(fs::path("drivers") / "notes.txt", "the organiser's");

    bool summary_warning = false;
    const stream_capture errors(error_stream());
    write_driver_pages(events, season, *options, {false, true}, summary_warning);
    EXPECT_FALSE(summary_warning);
    EXPECT_EQ(errors.text(), "");
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator("drivers")) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{"ann.html", "blue~20thunder.html", "notes.txt"}));

    const std::string ann = read_file(fs::path("drivers") / "ann.html");
    for (const char* part :
         {"<title>Ann</title>", "<nav><a href=\"../series.html\">Standings</a><a "
                                "href=\"../teams.html\">Teams</a></nav>",
          "<p>Ann, Red: 1st with 20 points</p>",
          "<li><span class=\"value\">2</span><span class=\"label\">starts</span></li>",
          "<li><span class=\"value\">1.0</span><span class=\"label\">average finish</span></li>",
          "<a href=\"../r02/race.html\">BL1</a><td>2026-03-08"}) {
        EXPECT_NE(ann.find(part), std::string::npos) << part << "\n" << ann;
    }
    const std::string blue = read_file(fs::path("drivers") / "blue~20thunder.html");
    EXPECT_NE(blue.find("<tr class=missed><td><a href=\"../r02/race.html\">BL1</a><td>2026-03-08"
                        "<td colspan=7>did not take part</tr>"),
              std::string::npos)
        << blue;
    EXPECT_NE(blue.find("<p>Blue Thunder, no team: 2nd with 6 points</p>"), std::string::npos);
}

}  // namespace

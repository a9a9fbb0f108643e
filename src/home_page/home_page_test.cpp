#include "home_page/home_page.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "event_result/award.h"
#include "support/replay_writer.h"

namespace {

// A counted event in `folder` from replay descriptions, scored with the default options.
event_result event_of(const std::string& folder, const std::string& race_text,
                      const std::string& qualifying_text) {
    event_result event;
    event.folder = folder;
    auto options = std::make_shared<options::option_set>();
    event.options = options;
    if (!race_text.empty()) {
        event.race = build_race_result(*options, parse_replay_description(race_text));
    }
    if (!qualifying_text.empty()) {
        event.qualifying = new_qualifying_result();
        merge_qualifying(*event.qualifying, *options, parse_replay_description(qualifying_text));
    }
    award_points(event);
    return event;
}

const char* const race_text =
    "track BL1\ntrack-name Blackwood GP Track\nstart 2026-03-01 18:00:00\nlength 5\ngrid 2\n"
    "driver Ann <&> | ann | XRT | 5 | 5:00.000 | 0:59.000 | 2\n"
    "driver Bob | bob | XRT | 5 | 5:03.000 | 0:59.500 | 1\n";
const char* const qualifying_text =
    "track AS1\nstart 2026-03-08 17:00:00\ndriver Bob | bob | XRT | 0 | 0 | 1:10.000\n";

TEST(home_page, the_calendar_names_each_event_and_links_its_pages) {
    const std::vector<event_result> events{event_of("Round #1", race_text, ""),
                                           event_of("r02", "", qualifying_text)};
    std::ostringstream out;
    write_calendar(out, events, {true, true});
    EXPECT_EQ(out.str(),
              "<table class=calendar><thead><tr><th>Date (UTC)<th>Event<th>Track<th>Length"
              "<th>Winner<th>Pole<th>Fastest lap<th>Pages</thead><tbody>\n"
              "<tr><td class=date data-label=\"Date\">2026-03-01 18:00"
              "<td class=event data-label=\"Event\"><a href=\"Round%20%231/race.html\">Blackwood GP "
              "Track</a><td data-label=\"Track\">Blackwood GP Track<td data-label=\"Length\">5 laps"
              "<td data-label=\"Winner\"><a href=\"drivers/ann.html\">Ann &lt;&amp;></a>"
              "<td data-label=\"Pole\">–<td data-label=\"Fastest lap\"><a href=\"drivers/ann.html\">"
              "Ann &lt;&amp;></a><td class=pages data-label=\"Pages\"><a "
              "href=\"Round%20%231/race.html\">Race</a></tr>\n"
              "<tr><td class=date data-label=\"Date\">2026-03-08 17:00"
              "<td class=event data-label=\"Event\"><a href=\"r02/qualifying.html\">AS1</a>"
              "<td data-label=\"Track\">AS1<td data-label=\"Length\">–<td data-label=\"Winner\">–"
              "<td data-label=\"Pole\"><a href=\"drivers/bob.html\">Bob</a>"
              "<td data-label=\"Fastest lap\">–<td class=pages data-label=\"Pages\"><a "
              "href=\"r02/qualifying.html\">Qualifying</a></tr>\n"
              "</tbody></table>");
}

TEST(home_page, the_top_of_the_standings) {
    const std::vector<event_result> events{event_of("r01", race_text, "")};
    const standings season = build_standings(events);
    std::ostringstream out;
    write_standings_top(out, season.driver_ranking, 1, {true, false});
    EXPECT_EQ(out.str(),
              "<table class=standings-top><thead><tr><th><abbr title=Position>Pos</abbr><th>Driver"
              "<th>Team<th>Points</thead><tbody>\n"
              "<tr><td class=position>1<td>Ann &lt;&amp;><td class=no-team><td class=total>10</tr>\n"
              "</tbody></table>");
}

}  // namespace

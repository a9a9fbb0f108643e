#include "summary/points_chart.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <sstream>
#include <string>

namespace {

event_result race_event(const std::string& track) {
    event_result event;
    event.options = std::make_shared<options::option_set>();
    event.race.emplace();
    event.race->track_id = track;
    return event;
}

void add(event_result& event, const std::string& user, const std::string& name,
         points_value points) {
    score_entry& entry = event.scores[make_name_key(user)];
    entry.name = name;
    entry.points = points;
}

std::string chart(const std::vector<event_result>& events, std::int32_t best,
                  std::int32_t drivers) {
    const standings s = build_standings(events, best);
    std::ostringstream out;
    write_points_chart(out, events, s.driver_ranking, best, drivers);
    return out.str();
}

TEST(points_chart, a_small_season) {
    std::vector<event_result> events;
    events.push_back(race_event("BL1"));
    add(events[0], "ann", "Ann", 10);
    add(events[0], "bob", "<b>Bob & \"Co\"</b>", 6);
    events.push_back(race_event("AS1"));
    add(events[1], "bob", "<b>Bob & \"Co\"</b>", 10);
    add(events[1], "ann", "Ann", points_value(9, 2));
    EXPECT_EQ(
        chart(events, 0, 10),
        "<svg class=\"points-chart\" viewBox=\"0 0 960 480\" role=\"img\" "
        "xmlns=\"http://www.w3.org/2000/svg\" style=\"font-size: 12px\">\n"
        "<title>Series points after each event</title>\n"
        "<desc>The series total of the first 2 drivers after each of the "
        "2 events. Final totals: 1. &lt;b>Bob &amp; &quot;Co&quot;&lt;/b> 16, 2. Ann 14.5.</desc>\n"
        "<g class=\"axis\" fill=\"currentColor\">\n"
        "<line x1=\"112\" y1=\"360\" x2=\"736\" y2=\"360\" stroke=\"currentColor\" "
        "stroke-opacity=\"0.6\"/><text x=\"104\" y=\"364\" text-anchor=\"end\">0</text>\n"
        "<line x1=\"112\" y1=\"276\" x2=\"736\" y2=\"276\" stroke=\"currentColor\" "
        "stroke-opacity=\"0.15\"/><text x=\"104\" y=\"280\" text-anchor=\"end\">5</text>\n"
        "<line x1=\"112\" y1=\"192\" x2=\"736\" y2=\"192\" stroke=\"currentColor\" "
        "stroke-opacity=\"0.15\"/><text x=\"104\" y=\"196\" text-anchor=\"end\">10</text>\n"
        "<line x1=\"112\" y1=\"108\" x2=\"736\" y2=\"108\" stroke=\"currentColor\" "
        "stroke-opacity=\"0.15\"/><text x=\"104\" y=\"112\" text-anchor=\"end\">15</text>\n"
        "<line x1=\"112\" y1=\"24\" x2=\"736\" y2=\"24\" stroke=\"currentColor\" "
        "stroke-opacity=\"0.15\"/><text x=\"104\" y=\"28\" text-anchor=\"end\">20</text>\n"
        "<text x=\"112\" y=\"376\" text-anchor=\"end\" transform=\"rotate(-35 112 376)\">BL1"
        "</text>\n"
        "<text x=\"736\" y=\"376\" text-anchor=\"end\" transform=\"rotate(-35 736 376)\">AS1"
        "</text>\n"
        "</g>\n"
        "<g class=\"driver\" stroke=\"#1f77b4\" fill=\"#1f77b4\"><title>&lt;b>Bob &amp; "
        "&quot;Co&quot;&lt;/b></title><polyline fill=\"none\" stroke-width=\"2\" "
        "points=\"112,259 736,91\"/><circle cx=\"112\" cy=\"259\" r=\"3\"/><circle "
        "cx=\"736\" cy=\"91\" r=\"3\"/><line x1=\"760\" y1=\"32\" x2=\"780\" y2=\"32\" "
        "stroke-width=\"3\"/><text x=\"786\" y=\"36\" stroke=\"none\" "
        "fill=\"currentColor\">1. &lt;b>Bob &amp; &quot;Co&quot;&lt;/b></text></g>\n"
        "<g class=\"driver\" stroke=\"#ff7f0e\" fill=\"#ff7f0e\"><title>Ann</title><polyline "
        "fill=\"none\" stroke-width=\"2\" points=\"112,192 736,116\"/><circle cx=\"112\" "
        "cy=\"192\" r=\"3\"/><circle cx=\"736\" cy=\"116\" r=\"3\"/><line x1=\"760\" "
        "y1=\"52\" x2=\"780\" y2=\"52\" stroke-width=\"3\"/><text x=\"786\" y=\"56\" "
        "stroke=\"none\" fill=\"currentColor\">2. Ann</text></g>\n"
        "</svg>");
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t found = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++found;
    }
    return found;
}

TEST(points_chart, only_the_first_drivers_and_their_counted_totals) {
    std::vector<event_result> events;
    for (const char* track : {"BL1", "AS1", "SO1"}) {
        events.push_back(race_event(track));
        add(events.back(), "ann", "Ann", 10);
        add(events.back(), "bob", "Bob", 6);
        add(events.back(), "cid", "Cid", 4);
    }
    events[1].scores.find(make_name_key("ann"))->points = 1;
    EXPECT_EQ(chart(events, 0, 0), "");
    EXPECT_EQ(count(chart(events, 0, 2), "<polyline"), 2U);
    EXPECT_EQ(count(chart(events, 0, 10), "<polyline"), 3U);
    // With the best round only, Ann's line stays at her first 10 points.
    const std::string best_round = chart(events, 1, 1);
    EXPECT_NE(best_round.find("points=\"112,24 424,24 736,24\""), std::string::npos) << best_round;
    EXPECT_NE(chart(events, 0, 1).find("points=\"112,226 424,212 736,78\""), std::string::npos);
}

TEST(points_chart, every_charted_line_can_be_told_from_every_other) {
    std::vector<event_result> events;
    for (const char* track : {"BL1", "AS1"}) {
        events.push_back(race_event(track));
        for (int d = 0; d < 80; ++d) {
            add(events.back(), "driver" + std::to_string(d), "D" + std::to_string(d), 80 - d);
        }
    }
    const std::string svg = chart(events, 0, 80);
    std::set<std::string> looks;
    for (std::size_t at = svg.find("<g class=\"driver\""); at != std::string::npos;
         at = svg.find("<g class=\"driver\"", at + 1)) {
        const std::string group = svg.substr(at, svg.find("</g>", at) - at);
        const std::size_t line = group.find("<polyline");
        const std::string stroke = group.substr(0, group.find('>'));
        const std::string polyline = group.substr(line, group.find(" points=", line) - line);
        // The legend line is drawn as the polyline.
        const std::size_t dash = polyline.find(" stroke-dasharray");
        const std::string legend = group.substr(group.find("<line"));
        EXPECT_EQ(dash == std::string::npos, legend.find("stroke-dasharray") == std::string::npos);
        looks.insert(stroke + polyline);
    }
    EXPECT_EQ(looks.size(), 80U);
    // The first ten keep their solid lines in the palette's colours.
    EXPECT_EQ(count(svg, "stroke-dasharray"), 2U * 70U);
    EXPECT_NE(svg.find("<g class=\"driver\" stroke=\"#1f77b4\" fill=\"#1f77b4\"><title>D10</title>"
                       "<polyline fill=\"none\" stroke-width=\"2\" stroke-dasharray=\"9 4\""),
              std::string::npos);
}

}  // namespace

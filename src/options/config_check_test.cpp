#include "options/config_check.h"

#include <gtest/gtest.h>

#include <boost/property_tree/info_parser.hpp>
#include <boost/property_tree/ptree.hpp>
#include <sstream>
#include <string>

#include "options/info_scan.h"

namespace {

namespace pt = boost::property_tree;

const options::key_catalogue catalogue = {
    {"points.race", "points.fastest-lap", "points.highest-climber-with-qualifying-time",
     "output.race-columns", "template.race", "template.series", "event-name"},
    {"forced-names", "teams", "penalties", "modify-points"},
    {"round", "from"},
    {"template.series"},
};

// The warnings of a check on `text`, read as "rostrum.conf", one per line.
template <class Check>
std::string warnings_of(const std::string& text, Check check) {
    std::istringstream in(text);
    pt::ptree tree;
    pt::read_info(in, tree);
    const options::info_scan scan = options::scan_info(text, "rostrum.conf");
    std::string out;
    for (const std::string& warning : check(tree, options::entry_places(tree, scan))) {
        out += warning + "\n";
    }
    return out;
}

std::string key_warnings(const std::string& text) {
    return warnings_of(text, [](const pt::ptree& tree, const options::entry_places& places) {
        return options::check_keys(tree, places, catalogue);
    });
}

std::string driver_warnings(const std::string& text) {
    return warnings_of(text, options::check_driver_sections);
}

TEST(config_check, keys) {
    const std::pair<std::string, std::string> cases[] = {
        // Known keys in their places, and the entries of the name sections, are never reported.
        {"points { race 1  fastest-lap 1 }\nevent-name x\npenalties { fastest-lap 1  race dsq }\n"
         "teams { points { event-name \"\" } }\ntemplate { race a }\n",
         ""},
        {"points\n{\n    fastest-laps 3/2\n}\n",
         "rostrum.conf(3): unknown key points.fastest-laps (ignored); did you mean fastest-lap?\n"},
        {"penalty { ann dsq }", "rostrum.conf(1): unknown key penalty (ignored); did you mean penalties?\n"},
        {"event-nmae \"Spring Cup\"",
         "rostrum.conf(1): unknown key event-nmae (ignored); did you mean event-name?\n"},
        {"points { highest-climber-with 1 }",
         "rostrum.conf(1): unknown key points.highest-climber-with (ignored); did you mean "
         "highest-climber-with-qualifying-time?\n"},
        {"colour red\npoints { x 1 }",
         "rostrum.conf(1): unknown key colour (ignored)\n"
         "rostrum.conf(2): unknown key points.x (ignored)\n"},
        {"fastest-laps 1\npoints { event-nam x }",
         "rostrum.conf(1): unknown key fastest-laps (ignored); did you mean points.fastest-lap?\n"
         "rostrum.conf(2): unknown key points.event-nam (ignored); did you mean event-name at the "
         "top level?\n"},
        {"fastest-lap 1\nrace 25,18\npoints { event-name x }",
         "rostrum.conf(1): misplaced key fastest-lap (ignored); it belongs in the points section\n"
         "rostrum.conf(2): misplaced key race (ignored); it belongs in the points section or in "
         "the template section\n"
         "rostrum.conf(3): misplaced key points.event-name (ignored); it belongs at the top level\n"},
        {"points.race 25,18",
         "rostrum.conf(1): misplaced key points.race (ignored); a dotted name is not read as a "
         "path: write race inside the points section\n"},
        {"points { race 1 }\npenalties { a 1 }\npoints { race 2 }\npenalties { }\n"
         "event-name a\nevent-name b\noutput { race-columns a\n race-columns b }",
         "rostrum.conf(3): repeated section points (ignored); the first, at line 1, counts\n"
         "rostrum.conf(4): repeated section penalties (ignored); the first, at line 2, counts\n"
         "rostrum.conf(6): repeated key event-name (ignored); the first, at line 5, counts\n"
         "rostrum.conf(8): repeated key output.race-columns (ignored); the first, at line 7, "
         "counts\n"},
        {"\"bad\\tkey\" 1", "rostrum.conf(1): unknown key bad\\tkey (ignored)\n"},
        // Entries that follow a value on its line: one warning for the value with spaces.
        {"points\n{\n    race 25, 18, 15, 12\n}\nevent-name Spring Cup\n",
         "rostrum.conf(3): points.race: 18, follows its value on the same line (ignored); a value "
         "with spaces is written in double quotes, and a points table without the spaces: race "
         "25,18,15,12\n"
         "rostrum.conf(5): event-name: Cup follows its value on the same line (ignored); a value "
         "with spaces is written in double quotes: event-name \"Spring Cup\"\n"},
        // Known keys and sections written on one line are read as they stand.
        {"points { race 25,18,15 fastest-lap 1 }", ""},
        // Words organisers reach for.
        {"drop-rounds 2\npoints { discard 2\n pole 1 }\ntitle x\nteam { }\n",
         "rostrum.conf(1): unknown key drop-rounds (ignored); did you mean points.best-results? "
         "best-results is the number of rounds that count\n"
         "rostrum.conf(2): unknown key points.discard (ignored); did you mean best-results? "
         "best-results is the number of rounds that count\n"
         "rostrum.conf(3): unknown key points.pole (ignored); did you mean fastest-qualifier?\n"
         "rostrum.conf(4): unknown key title (ignored); did you mean championship-name?\n"
         "rostrum.conf(5): unknown key team (ignored); did you mean teams?\n"},
        {std::string(3000, 'x') + " 1", "rostrum.conf(1): unknown key " + std::string(3000, 'x') +
                                            " (ignored)\n"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(key_warnings(text), expected) << text;
    }
}

TEST(config_check, blocks) {
    const std::pair<std::string, std::string> cases[] = {
        // Any number of blocks, their content checked as a file of its own.
        {"round \"r01\" { points { race 1 } }\nround r02 { penalties { a 1 } }\n"
         "from r01 { points { race 2 } }\nfrom r01 { event-name x }\n",
         ""},
        {"round r01\n{\n    points { fastest-laps 1 }\n    race 1\n}\n",
         "rostrum.conf(3): unknown key points.fastest-laps (ignored); did you mean fastest-lap?\n"
         "rostrum.conf(4): misplaced key race (ignored); it belongs in the points section or in "
         "the template section\n"},
        {"round r01 { event-name a }\nfrom r01 { }\nround r01 { event-name b }\n",
         "rostrum.conf(3): repeated round \"r01\" (ignored); the first, at line 1, counts\n"},
        {"from r01\n{\n    round \"r02\" { event-name x }\n}\n",
         "rostrum.conf(3): round \"r02\" inside from \"r01\" (ignored); round and from blocks are "
         "written at the top level of the championship's rostrum.conf\n"},
        {"points { round 1 }", "rostrum.conf(1): misplaced key points.round (ignored); it belongs at "
                               "the top level\n"},
        {"rund r01 { }", "rostrum.conf(1): unknown key rund (ignored); did you mean round?\n"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(key_warnings(text), expected) << text;
    }
    // In one event's settings: "name" means the event's, and the championship's keys do nothing.
    EXPECT_EQ(key_warnings("round r01\n{\n    name x\n    template { series s }\n}\n"),
              "rostrum.conf(3): unknown key name (ignored); did you mean event-name?\n"
              "rostrum.conf(4): template.series is read from the championship's rostrum.conf only "
              "(ignored here)\n");
    EXPECT_EQ(warnings_of("round \"r\\tx\" { }",
                          [](const pt::ptree& tree, const options::entry_places& places) {
                              return options::check_keys(tree, places, catalogue, false);
                          }),
              "rostrum.conf(1): round \"r\\tx\" (ignored); round and from blocks are written at the "
              "top level of the championship's rostrum.conf\n");
}

TEST(config_check, closest_name) {
    const std::vector<std::string> folders = {"r01-blackwood", "r02-south-city", "r10-aston"};
    EXPECT_EQ(options::closest_name("r02-suoth-city", folders), "r02-south-city");
    EXPECT_EQ(options::closest_name("r01-blackwood-2", folders), "r01-blackwood");
    EXPECT_EQ(options::closest_name("r11-aston", folders), "r10-aston");
    EXPECT_EQ(options::closest_name("finale", folders), std::nullopt);
}

TEST(config_check, drivers_listed_twice) {
    const std::pair<std::string, std::string> cases[] = {
        {"teams\n{\n    Red { ann \"\"  bob \"\" }\n    Blue\n    {\n        Ann \"\"\n    }\n}\n",
         "rostrum.conf(6): teams: Ann is listed under \"Red\" (line 3) and \"Blue\"; the later, "
         "\"Blue\", counts\n"},
        {"teams { Red { ann \"\"  ann \"Ann\" } }", ""},
        {"penalties\n{\n    dan 5\n    DAN 10\n    eve 5\n    eve dsq\n}\n",
         "rostrum.conf(4): penalties: DAN is named again (first at line 3); the later time penalty "
         "counts\n"
         "rostrum.conf(6): penalties: eve is named again (first at line 5); both entries apply\n"},
        {"modify-points\n{\n    dan 1\n    dan \"-2 late\"\n}\n",
         "rostrum.conf(4): modify-points: dan is named again (first at line 3); the later change "
         "counts\n"},
        // A name with spaces, unquoted, before a block.
        {"teams\n{\n    Apex Racing\n    {\n        ann \"\"\n    }\n}\n",
         "rostrum.conf(3): teams: Apex Racing is read as the name Apex, and Racing is ignored; a "
         "name with spaces is written in double quotes: \"Apex Racing\"\n"},
        // Only the first of two sections is read, so only it is checked.
        {"penalties { dan 5 }\npenalties { dan 5 }\n", ""},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(driver_warnings(text), expected) << text;
    }
}

TEST(config_check, edit_distance) {
    const std::tuple<const char*, const char*, std::size_t> cases[] = {
        {"fastest-laps", "fastest-lap", 1}, {"penalty", "penalties", 3},
        {"event-nmae", "event-name", 1},    {"", "race", 4},
        {"race", "race", 0},                {"ca", "ac", 1},
        {"grid", "race", 4},
    };
    for (const auto& [a, b, distance] : cases) {
        EXPECT_EQ(options::edit_distance(a, b), distance) << a << " " << b;
        EXPECT_EQ(options::edit_distance(b, a), distance) << b << " " << a;
    }
}

}  // namespace

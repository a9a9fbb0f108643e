#include "round_layers/round_layers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// The championship's file `text`, read with its blocks into layers.
round_layers layers_of(const temp_dir& dir, const std::string& text) {
    write_file(dir.path() / "rostrum.conf", text);
    options::option_set global;
    std::vector<options::round_block> blocks;
    options::read_options_file(global, dir.path() / "rostrum.conf",
                               options::config_scope::championship, &blocks);
    return round_layers(std::move(global), std::move(blocks));
}

// The event name the layers give an event: each block names itself.
std::string name_at(const round_layers& layers, const std::string& folder, std::int64_t start) {
    return layers.settings_for(folder, start).options->event_name.value_or("none");
}

TEST(round_layers, from_blocks_reach_later_events_in_series_order_and_round_blocks_their_own) {
    const temp_dir dir;
    round_layers layers = layers_of(dir, R"(event-name "top level"
from r03 { event-name "from r03"  points { race 9 } }
from r02 { event-name "from r02"  points { race 8,7 } }
round r04 { event-name "round r04" }
from r09 { event-name "from r09" }
)");
    EXPECT_EQ(layers.check_folders({"r01", "r02", "r03", "r04", "r09"}),
              std::vector<std::string>{});
    EXPECT_EQ(layers.from_folders(), (std::vector<std::string>{"r03", "r02", "r09"}));
    // r03 started before r02 (series order is by start time, then folder name); r09 holds no
    // replay yet.
    layers.set_start_time("r02", 300, fs::file_time_type::min());
    layers.set_start_time("r03", 200, fs::file_time_type::min());
    layers.set_start_time("r09", std::nullopt, fs::file_time_type::min());

    EXPECT_EQ(name_at(layers, "r01", 100), "top level");
    EXPECT_EQ(layers.settings_for("r01", 100).options, layers.championship());
    EXPECT_EQ(name_at(layers, "r03", 200), "from r03");
    EXPECT_EQ(name_at(layers, "r02", 300), "from r02");
    EXPECT_EQ(layers.settings_for("r02", 300).blocks, "from \"r03\" (" +
                                                          (dir.path() / "rostrum.conf").string() +
                                                          "(2)), from \"r02\" (" +
                                                          (dir.path() / "rostrum.conf").string() +
                                                          "(3))");
    EXPECT_EQ(layers.settings_for("r02", 300).options->race_points.points.size(), 2U);
    // An event at the same time as r03 but after it by name.
    EXPECT_EQ(name_at(layers, "r03b", 200), "from r03");
    EXPECT_EQ(name_at(layers, "r00", 200), "top level");
    EXPECT_EQ(name_at(layers, "r04", 400), "round r04");
    EXPECT_EQ(name_at(layers, "r05", 500), "from r02");
    // Events with the same blocks share one set.
    EXPECT_EQ(layers.settings_for("r05", 500).options, layers.settings_for("r06", 600).options);
    EXPECT_NE(layers.settings_for("r05", 500).options, layers.settings_for("r04", 400).options);
    EXPECT_EQ(layers.blocks_naming("r09"),
              std::vector<std::string>{"from \"r09\" (" + (dir.path() / "rostrum.conf").string() +
                                       "(5))"});
}

TEST(round_layers, blocks_naming_no_event_folder_are_left_out_with_a_warning) {
    const temp_dir dir;
    round_layers layers = layers_of(dir, R"(round r02-suoth-city { event-name a }
from "finale" { event-name b }
round r01-blackwood { event-name c }
)");
    const std::string file = (dir.path() / "rostrum.conf").string();
    EXPECT_EQ(layers.check_folders({"r01-blackwood", "r02-south-city"}),
              (std::vector<std::string>{
                  file + "(1): round \"r02-suoth-city\" (ignored): no event folder has this name; "
                         "did you mean r02-south-city?",
                  file + "(2): from \"finale\" (ignored): no event folder has this name",
              }));
    EXPECT_TRUE(layers.from_folders().empty());
    EXPECT_EQ(name_at(layers, "r02-suoth-city", 100), "none");
    EXPECT_EQ(name_at(layers, "r01-blackwood", 100), "c");
}

TEST(round_layers, the_start_times_of_from_events_are_inputs_of_every_event) {
    const temp_dir dir;
    round_layers layers = layers_of(dir, "from r02 { event-name b }\n");
    const fs::file_time_type before = layers.championship()->newest_input_time;
    layers.set_start_time("r02", 100, before + std::chrono::hours(1));
    EXPECT_EQ(layers.championship()->newest_input_time, before + std::chrono::hours(1));
    EXPECT_EQ(layers.settings_for("r03", 200).options->newest_input_time,
              before + std::chrono::hours(1));
}

}  // namespace

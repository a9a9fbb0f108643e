#include "replay_check/replay_check.h"

#include <gtest/gtest.h>

namespace {

TEST(replay_check, settings_files_with_a_wrong_name) {
    const char* const hidden_txt =
        " is not read: the settings file is named exactly \"rostrum.conf\"; rename it (Windows "
        "Explorer hides the ending \".txt\" unless file name extensions are shown)";
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"rostrum.conf.txt", std::string("./r1/rostrum.conf.txt") + hidden_txt},
        {"Rostrum.txt", std::string("./r1/Rostrum.txt") + hidden_txt},
        {"rostrum.conf.conf",
         "./r1/rostrum.conf.conf is not read: the settings file is named exactly "
         "\"rostrum.conf\"; rename it"},
        {"Rostrum.conf",
         "./r1/Rostrum.conf is not read: the settings file is named exactly \"rostrum.conf\", in "
         "small letters; rename it"},
        {"rostrum.conf", std::nullopt},
        {"rostrum.log", std::nullopt},
        {"notes.txt", std::nullopt},
    };
    for (const auto& [name, expected] : cases) {
        EXPECT_EQ(misnamed_settings_warning(name, std::string("./r1/") + name), expected) << name;
    }
}

TEST(replay_check, the_same_race_counts_once_for_the_first_folder) {
    race_register races;
    EXPECT_EQ(races.add("r02", 1000, "BL1", 42), std::nullopt);
    EXPECT_EQ(races.add("r03", 1000, "BL1", 43), std::nullopt);  // other results
    EXPECT_EQ(races.add("r04", 1000, "AS1", 42), std::nullopt);  // another track
    EXPECT_EQ(races.add("r05", 1001, "BL1", 42), std::nullopt);  // another start
    EXPECT_EQ(races.add("r02 copy", 1000, "BL1", 42),
              "r02 copy holds the race of r02 again (the same start, track and results): it counts "
              "once, for r02; r02 copy is left out of the standings");
}

}  // namespace

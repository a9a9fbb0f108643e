#include "main/command_line.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "console/console.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// The whole of a parsed command line as one text: "help", "version", "error: " + the message, or
// "run" with " folder " + the folder and " strict" where given.
std::string describe(const command_line& command) {
    std::string text;
    if (command.help) {
        text += "help";
    }
    if (command.version) {
        text += "version";
    }
    if (!command.error.empty()) {
        text += "error: " + command.error;
    }
    if (text.empty()) {
        text = "run";
    }
    if (command.folder) {
        text += " folder " + path_to_utf8(*command.folder);
    }
    if (command.strict) {
        text += " strict";
    }
    return text;
}

TEST(command_line, arguments_to_what_the_program_does) {
    const temp_dir dir;
    const fs::path champ = dir.path() / "champ";
    const fs::path file = dir.path() / "race.mpr";
    const fs::path missing = dir.path() / "missing";
    fs::create_directory(champ);
    write_file(file, "");
    const std::string champ_text = path_to_utf8(champ);

    const struct {
        std::vector<fs::path> arguments;
        std::string expected;
    } cases[] = {
        {{}, "run"},
        {{champ}, "run folder " + champ_text},
        {{"--strict"}, "run strict"},
        {{"--strict", champ}, "run folder " + champ_text + " strict"},
        {{champ, "--strict", "--strict"}, "run folder " + champ_text + " strict"},
        {{"--help"}, "help"},
        {{"-h"}, "help"},
        // --help wins over everything, --version over everything else, errors included.
        {{"--bogus", missing, "--version", "-h", champ, champ}, "help"},
        {{"--version", "--bogus", missing, champ, "--strict"}, "version"},
        {{"--bogus"}, "error: unknown option: --bogus"},
        {{champ, "-x", "--help=yes"}, "error: unknown option: -x"},
        {{"--help=yes"}, "error: unknown option: --help=yes"},
        {{"-H"}, "error: unknown option: -H"},
        {{missing}, "error: no such folder: " + path_to_utf8(missing)},
        {{file / "sub"}, "error: no such folder: " + path_to_utf8(file / "sub")},
        {{file}, "error: not a folder: " + path_to_utf8(file)},
        {{""}, "error: no such folder: "},
        {{champ, missing}, "error: unexpected argument: " + path_to_utf8(missing)},
        {{missing, champ}, "error: unexpected argument: " + champ_text},
        // After "--" every argument is a folder; "-" alone is one too.
        {{"--", "--help"}, "error: no such folder: --help"},
        {{"--", champ, "--"}, "error: unexpected argument: --"},
        {{"-"}, "error: no such folder: -"},
    };
    for (const auto& c : cases) {
        std::string arguments;
        for (const fs::path& argument : c.arguments) {
            arguments += " [" + path_to_utf8(argument) + "]";
        }
        EXPECT_EQ(describe(parse_command_line(c.arguments)), c.expected) << arguments;
    }
}

TEST(command_line, version_text_names_the_program_its_version_and_the_commit) {
    const std::regex pattern(R"(rostrum \d+\.\d+\.\d+( \(commit [0-9a-f]{7,}(-dirty)?\))?\n)");
    EXPECT_TRUE(std::regex_match(version_text(), pattern)) << version_text();
}

}  // namespace

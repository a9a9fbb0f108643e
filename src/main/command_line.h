#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// What the program was asked to do. At most one of `help`, `version` and a non-empty `error` is
// set; when none is, the run processes a championship (in `folder`, with `strict`).
struct command_line {
    bool help = false;     // --help or -h: show the usage; wins over every other argument
    bool version = false;  // --version: show the version; wins over every argument but --help
    std::optional<std::filesystem::path> folder;  // the championship folder; else the working one
    bool strict = false;  // --strict: a run that met a warning ends with exit code 3
    std::string error;    // a usage error, one line without its line feed; "" when none
};

// Reads the program's arguments (without the program's name). An argument that starts with "-"
// is an option, unless it is "-" itself or follows "--"; any other is the folder, which must be
// an existing folder. Usage errors: "unknown option: " + argument, "no such folder: " + path,
// "not a folder: " + path, "unexpected argument: " + a second folder argument, or path + ": " +
// the system's description when the folder's status cannot be read.
command_line parse_command_line(const std::vector<std::filesystem::path>& arguments);

// The usage text that --help shows and a usage error follows with, ending with a line feed.
extern const char usage_text[];

// "rostrum " + the version, then " (commit " + the commit + ")" when built from a checkout, and
// a line feed.
std::string version_text();

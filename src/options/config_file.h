#pragma once

#include <boost/property_tree/ptree_fwd.hpp>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "options/config_check.h"
#include "options/option_set.h"

// The configuration files ("rostrum.conf"): INFO text read with Boost.PropertyTree and overlaid
// onto an option set. An event directory's set is an ordinary copy of the global set with the
// event's file read over it.
namespace options {

// Whose file is read. Warnings about an event's own file are indented by two spaces, as every
// message about one event, and its "penalties" and "modify-points" entries are marked as the
// event's (see `adjustment_entry`).
enum class config_scope { championship, event };

class parsed_config;

// A block of the championship's file that applies to some events only:
//   round "FOLDER" { ... }   the event in FOLDER
//   from "FOLDER" { ... }    the event in FOLDER and every event after it in series order
// It holds what an event's own file may hold, and is read over an event's settings as that file
// would be.
struct round_block {
    enum class kind { round, from };
    kind what = kind::round;
    std::string folder;  // FOLDER as written (UTF-8)
    std::string place;   // where the block starts: "rostrum.conf(14)"
    std::shared_ptr<const parsed_config> source;  // the file, which holds `content`
    const boost::property_tree::ptree* content = nullptr;
};

// The championship's file read: its top level over the defaults, and its blocks.
struct championship_options {
    option_set options;
    std::vector<round_block> blocks;  // in file order; a second round block for a folder left out
};

// Overlays the file at `path` onto `set`: the typed keys "points.*" and "output.*" that it holds,
// the `reduced` flag of the three points tables (from `reduced_points`, on every read), the
// template files it names (resolved against the file's directory), "event-name" when not empty,
// then the driver sections "forced-names", "teams", "penalties" and "modify-points". Raises
// `newest_input_time` to the input time (files::input_time) of the file, of every file it pulls
// in by "#include" and of each template. A UTF-8 byte-order mark at the start of the file is
// skipped.
//
// Slips that do not stop the reading are written to `error_stream` as warnings, each on a line
// of its own that starts with "warning: " and the place ("rostrum.conf(12): "): unknown,
// misplaced and repeated keys, drivers listed twice (config_check.h), a points table that stopped
// early ("points.race: invalid token near 2,10,8; the table keeps 20,15,1") and a table element
// with two or more decimal places. Returns true when a warning was written, so that the caller
// can give the organiser time to read it.
//
// Throws std::runtime_error "unable to read " + path when the file cannot be read (also
// + ": not a regular file" for a device or FIFO, + ": larger than 1 MiB"); the bounds of
// scan_info; boost::property_tree::info_parser_error for an INFO syntax error, its message naming
// the file and the line (and saying how to write a backslash when the error is about one);
// std::runtime_error place + ": " + key path + ": invalid value: " + value as written for the
// first value (in reading order) that does not convert; place + ": " + key + ": unable to read " +
// resolved path for a template file (not a regular file, or larger than 4 MiB, added likewise; a
// path with a control character is followed by a line on how to write paths); the errors of
// `read_driver_sections`; std::filesystem::filesystem_error when a file time cannot be read.
// Text from the file and paths are shown with control characters made visible. Stops at the
// first error, leaving `set` partly overlaid.
//
// Blocks ("round", "from") are not read into `set`. In the championship's file each block is read
// once over a copy of `set`, so that its warnings and errors are those of this reading (its
// warnings start with "warning: " too), and is appended to `blocks` when given; in an event's own
// file blocks are ignored with a warning (see check_keys).
bool read_options_file(option_set& set, const std::filesystem::path& path,
                       config_scope scope = config_scope::championship,
                       std::vector<round_block>* blocks = nullptr);

// Reads a block of the championship's file over `set`, as read_options_file reads an event's own
// file, but writes no warning (they were written when the file was read). Its "penalties" and
// "modify-points" entries are marked as the event's (a round block) or as a from block's.
// Throws what read_options_file throws for a template file that can no longer be read.
void overlay_block(option_set& set, const round_block& block);

// The defaults, overlaid by the file at `path` when it exists (a missing file is not an error).
// `warning_written` is what `read_options_file` returned, or false when there is no file.
// Throws what `read_options_file` throws, and std::filesystem::filesystem_error when the file's
// existence cannot be checked.
option_set load_global_options(const std::filesystem::path& path, bool& warning_written);
// The same with the blocks of the file.
championship_options load_championship_options(const std::filesystem::path& path,
                                               bool& warning_written);

// Every key a configuration file may hold (the key paths, and the sections of driver names).
const key_catalogue& known_keys();

// The largest template file that is read.
constexpr std::uintmax_t max_template_bytes = std::uintmax_t{4} << 20;

}  // namespace options

#pragma once

#include <filesystem>

#include "options/option_set.h"

// The configuration files ("rostrum.conf"): INFO text read with Boost.PropertyTree and overlaid
// onto an option set. An event directory's set is an ordinary copy of the global set with the
// event's file read over it.
namespace options {

// Overlays the file at `path` onto `set`: the typed keys "points.*" and "output.*" that it holds,
// the `reduced` flag of the three points tables (from `reduced_points`, on every read), the
// template files it names (resolved against the file's directory), "event-name" when not empty,
// then the driver sections "forced-names", "teams", "penalties" and "modify-points". Raises
// `newest_input_time` to the file's and each template's last-write time (a file pulled in by
// "#include" does not count). A UTF-8 byte-order mark at the start of the file is skipped.
//
// Returns true when a value was accepted after "invalid token near " was written to
// `error_stream`, so that the caller can give the organiser time to read it.
//
// Throws std::runtime_error "unable to read " + path when the file cannot be read;
// boost::property_tree::info_parser_error for an INFO syntax error, its message naming this file
// and the line; std::runtime_error key path + ": invalid value: " + value as written for the first
// value (in reading order) that does not convert; std::runtime_error key + ": unable to read " +
// resolved path for a template file; the errors of `read_driver_sections`;
// std::filesystem::filesystem_error when a last-write time cannot be read. Stops at the first
// error, leaving `set` partly overlaid.
bool read_options_file(option_set& set, const std::filesystem::path& path);

// The defaults, overlaid by the file at `path` when it exists (a missing file is not an error).
// `warning_written` is what `read_options_file` returned, or false when there is no file.
// Throws what `read_options_file` throws, and std::filesystem::filesystem_error when the file's
// existence cannot be checked.
option_set load_global_options(const std::filesystem::path& path, bool& warning_written);

}  // namespace options

#pragma once

// The mirror of the replay reader, for tests and the fixture tool: writes ".mpr" files from values.

#include <filesystem>
#include <string>
#include <string_view>

#include "event_result/replay.h"

// The bytes of a replay file holding `r`: the 80-byte header with magic "LFSMPR", then one 80-byte
// record per entry of `r.records`. Bytes the reader does not interpret are zero. Throws
// std::length_error when a text does not fit its field or there are more than 255 records.
std::string encode_replay(const replay& r);

void write_replay_file(const std::filesystem::path& path, const replay& r);

// A replay from its readable description, one item per line (a line starting with '#' is a
// comment):
//
//   track BL1                    the track identifier (up to 4 characters)
//   track-name Blackwood GP Track
//                                the track's name (up to 32 bytes): the rest of the line, trimmed
//   config 1                     the track configuration: 1 for the track's first, 0 unknown
//   reversed 1                   the track is driven in reverse (0 or 1)
//   start 2022-01-01 09:05:00    the session start, UTC (or a number of seconds since 1970)
//   length 20                    the race length code: 0 practice, 1-99 laps, 100-190
//                                (code-90)*10 laps, 191-255 (code-190) hours
//   grid 12                      the number of drivers on the starting grid
//   start-flag 1                 the recording lacks the start of the session
//   driver NICK | USER | CAR | LAPS | TOTAL | BEST | GRID | FLAGS | MASS | INTAKE
//
// Driver fields are separated by "|" and trimmed; the fields after CAR may be left out (0). A
// text may hold any byte written as \xNN, and \\ for a backslash. TOTAL and BEST are times:
// milliseconds, or m:ss.fff, or h:mm:ss.fff. FLAGS is a number (0x40 in hexadecimal is allowed).
// Throws std::runtime_error naming the line on any mistake.
replay parse_replay_description(std::string_view text);

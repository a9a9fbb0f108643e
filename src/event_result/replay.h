#pragma once

// Reader of the simulator's multiplayer replay files (".mpr").
//
// All integers are little-endian. The file starts with an 80-byte header:
//
//   offset size  field
//        0    6  magic "LFSMPR"
//        9    1  start flag: non-zero when the recording lacks the start of the session
//       20    1  race length code (see race_length below)
//       23    1  number of drivers on the starting grid
//       32    4  track identifier, zero-padded
//       36    4  session start time, signed seconds since 1970-01-01 00:00 UTC
//       40   32  track name in the simulator's escaped text (see lfs_codec), zero-terminated
//       72    1  track configuration, 1 for the track's first; 0 in older files
//       73    1  reversed: 1 when the track is driven in reverse, 0 otherwise
//       75    1  number of result records after the header
//
// Then exactly that many result records of 80 bytes each:
//
//   offset size  field
//        0   32  nickname in the simulator's escaped text (see lfs_codec), zero-terminated
//       32    4  car short name, zero-padded
//       36   24  user name (code page 1252), zero-terminated
//       60    2  laps completed (unsigned)
//       64    1  result flags; any of 0x04, 0x08, 0x40 means disqualified
//       66    2  penalty seconds recorded by the simulator (not used)
//       68    4  total race time, signed milliseconds
//       72    4  best lap time, signed milliseconds
//       77    1  starting grid slot, 1-based; 0 when unknown
//       78    1  handicap: added mass in kg
//       79    1  handicap: intake restriction in percent
//
// Every other byte is ignored, and so is anything after the last record. A text field ends at its
// first zero byte or at the end of the field, never beyond.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

constexpr std::size_t replay_header_size = 80;
constexpr std::size_t replay_record_size = 80;
constexpr std::uint8_t replay_disqualified_flags = 0x4C;

struct replay_record {
    std::string nickname;   // raw escaped text
    std::string car;        // car short name
    std::string user_name;  // raw code page 1252 bytes
    std::uint16_t laps = 0;
    std::uint8_t flags = 0;
    std::int32_t total_time_ms = 0;
    std::int32_t best_lap_ms = 0;
    std::uint8_t grid_slot = 0;  // 0: unknown
    std::uint8_t mass_kg = 0;
    std::uint8_t intake_percent = 0;
};

struct replay {
    // When the file became what was read (its input_time, as the files module gives it).
    std::filesystem::file_time_type input_time{};
    std::uint8_t start_flag = 0;
    std::uint8_t race_length_code = 0;
    std::uint8_t grid_size = 0;
    std::string track_id;
    std::int32_t start_time = 0;
    std::string track_name;              // raw escaped text (lfs_codec::decode gives the UTF-8)
    std::uint8_t track_config = 0;       // 1, 2, 3 ...; 0: not recorded (older files)
    std::uint8_t track_reversed = 0;     // 1: driven in reverse
    std::vector<replay_record> records;  // in file order
};

enum class session_kind { qualifying, race };

// A best lap of 0 or less means the driver set no time: it is never the fastest, ranks after
// every time in qualifying and is shown as an empty cell.
constexpr bool is_timed(std::int64_t best_lap_ms) { return best_lap_ms > 0; }

// The race length code of the header: 0 a practice session, 1 to 99 that many laps, 100 to 190
// (code - 90) * 10 laps, 191 to 255 (code - 190) hours.
struct race_length {
    enum class unit { practice, laps, hours };
    unit kind = unit::practice;
    int count = 0;  // laps or hours; 0 for practice
};
race_length decode_race_length(std::uint8_t code);

// Reads a replay file. Throws std::runtime_error "invalid MPR: " + path + ": " + why, why being
// "cannot be opened" (also for a directory), "not a regular file" (a FIFO or a device, which is
// never opened), N + " bytes, shorter than the 80-byte header",
// "does not start with LFSMPR", or "announces " + N + " results but holds room for only " + M
// (the whole 80-byte records after the header).
replay read_replay(const std::filesystem::path& path);

// A replay is a qualifying session when it has no records, or when every record has 0 laps and
// the best laps never decrease in file order, untimed records at the end left out (drivers who
// set no time are listed last); anything else is a race.
session_kind replay_kind(const replay& r);

// A digest of a replay's result records (every field of every record, in order): replays with
// the same records have the same digest, and different records almost never do.
std::uint64_t record_digest(const replay& r);

// Throws std::runtime_error "incomplete race MPR (no start): " + path when a race replay's start
// flag is set. The event directory makes this check after it has logged the replay as a race.
void check_race_start(const replay& r, const std::filesystem::path& path);

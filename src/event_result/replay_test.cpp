#include "event_result/replay.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/replay_writer.h"
#include "support/temp_dir.h"

namespace {

replay_record driver(std::string nickname, std::string user, std::uint16_t laps,
                     std::int32_t best_lap_ms) {
    replay_record r;
    r.nickname = std::move(nickname);
    r.user_name = std::move(user);
    r.car = "FBM";
    r.laps = laps;
    r.best_lap_ms = best_lap_ms;
    return r;
}

replay sample_race() {
    replay r;
    r.start_flag = 0;
    r.race_length_code = 20;
    r.grid_size = 3;
    r.track_id = "AS3R";
    r.start_time = 1641027900;
    r.track_name = "Aston ^1National";  // kept raw: the colour code stays
    r.track_config = 3;
    r.track_reversed = 1;
    replay_record a = driver("^1Fast^7Eddie", "eddie", 20, 61234);
    a.car = "XRTT";  // fills its field: no zero byte
    a.flags = 0x40;
    a.total_time_ms = 1234567;
    a.grid_slot = 2;
    a.mass_kg = 20;
    a.intake_percent = 10;
    replay_record b = driver(std::string(32, 'N'), std::string(24, 'u'), 19, -5);
    b.total_time_ms = -1;
    b.grid_slot = 255;
    r.records = {a, b};
    return r;
}

void expect_same(const replay& a, const replay& b) {
    EXPECT_EQ(a.start_flag, b.start_flag);
    EXPECT_EQ(a.race_length_code, b.race_length_code);
    EXPECT_EQ(a.grid_size, b.grid_size);
    EXPECT_EQ(a.track_id, b.track_id);
    EXPECT_EQ(a.start_time, b.start_time);
    EXPECT_EQ(a.track_name, b.track_name);
    EXPECT_EQ(a.track_config, b.track_config);
    EXPECT_EQ(a.track_reversed, b.track_reversed);
    ASSERT_EQ(a.records.size(), b.records.size());
    for (std::size_t i = 0; i < a.records.size(); ++i) {
        const replay_record& x = a.records[i];
        const replay_record& y = b.records[i];
        EXPECT_EQ(x.nickname, y.nickname);
        EXPECT_EQ(x.car, y.car);
        EXPECT_EQ(x.user_name, y.user_name);
        EXPECT_EQ(x.laps, y.laps);
        EXPECT_EQ(x.flags, y.flags);
        EXPECT_EQ(x.total_time_ms, y.total_time_ms);
        EXPECT_EQ(x.best_lap_ms, y.best_lap_ms);
        EXPECT_EQ(x.grid_slot, y.grid_slot);
        EXPECT_EQ(x.mass_kg, y.mass_kg);
        EXPECT_EQ(x.intake_percent, y.intake_percent);
    }
}

std::string invalid_message(const std::filesystem::path& path) {
    try {
        read_replay(path);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "no error";
}

TEST(replay, round_trip_through_the_writer) {
    const temp_dir dir;
    const auto path = dir.path() / "race.mpr";
    const replay written = sample_race();
    write_replay_file(path, written);
    expect_same(read_replay(path), written);
}

TEST(replay, extra_bytes_after_the_last_record_are_ignored) {
    const temp_dir dir;
    const auto path = dir.path() / "race.mpr";
    write_file(path, encode_replay(sample_race()) + "trailing bytes");
    expect_same(read_replay(path), sample_race());
}

TEST(replay, every_truncation_is_invalid) {
    const temp_dir dir;
    const auto path = dir.path() / "cut.mpr";
    const std::string bytes = encode_replay(sample_race());
    ASSERT_EQ(bytes.size(), 240u);
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        write_file(path, bytes.substr(0, length));
        const std::string why =
            length < 80 ? std::to_string(length) + " bytes, shorter than the 80-byte header"
                        : "announces 2 results but holds room for only " +
                              std::to_string((length - 80) / 80);
        EXPECT_EQ(invalid_message(path), "invalid MPR: " + path.string() + ": " + why) << length;
    }
}

TEST(replay, header_alone_with_no_records_is_an_empty_qualifying_session) {
    const temp_dir dir;
    const auto path = dir.path() / "q.mpr";
    replay empty;
    empty.track_id = "AS1";
    write_replay_file(path, empty);
    const replay read = read_replay(path);
    EXPECT_TRUE(read.records.empty());
    EXPECT_EQ(read.track_id, "AS1");
    EXPECT_EQ(replay_kind(read), session_kind::qualifying);
}

TEST(replay, damaged_bytes_at_known_offsets) {
    const temp_dir dir;
    const auto path = dir.path() / "damaged.mpr";
    const std::string good = encode_replay(sample_race());
    const auto damaged = [&](std::size_t offset, char value) {
        std::string bytes = good;
        bytes[offset] = value;
        write_file(path, bytes);
    };
    // Any byte of the magic.
    for (std::size_t offset = 0; offset < 6; ++offset) {
        damaged(offset, 'X');
        EXPECT_EQ(invalid_message(path),
                  "invalid MPR: " + path.string() + ": does not start with LFSMPR")
            << offset;
    }
    // A record count above the records present.
    damaged(75, 3);
    EXPECT_EQ(invalid_message(path), "invalid MPR: " + path.string() +
                                         ": announces 3 results but holds room for only 2");
    damaged(75, '\xFF');
    EXPECT_EQ(invalid_message(path), "invalid MPR: " + path.string() +
                                         ": announces 255 results but holds room for only 2");
    // A smaller record count reads only the records it announces.
    damaged(75, 1);
    EXPECT_EQ(read_replay(path).records.size(), 1u);
    // A track identifier without a terminating zero stops at the end of its field.
    std::string bytes = good;
    bytes.replace(32, 4, "ABCD");
    write_file(path, bytes);
    EXPECT_EQ(read_replay(path).track_id, "ABCD");
    // So does a track name of 32 bytes, before the configuration byte that follows it.
    bytes = good;
    bytes.replace(40, 32, std::string(32, 'T'));
    write_file(path, bytes);
    EXPECT_EQ(read_replay(path).track_name, std::string(32, 'T'));
    EXPECT_EQ(read_replay(path).track_config, 3);
    // A nickname whose zero byte is missing ends at its 32nd byte, not in the car name.
    bytes = good;
    bytes.replace(80, 32, std::string(32, 'x'));
    write_file(path, bytes);
    EXPECT_EQ(read_replay(path).records[0].nickname, std::string(32, 'x'));
    EXPECT_EQ(read_replay(path).records[0].car, "XRTT");
}

TEST(replay, unreadable_paths_are_invalid) {
    const temp_dir dir;
    EXPECT_EQ(invalid_message(dir.path() / "missing.mpr"),
              "invalid MPR: " + (dir.path() / "missing.mpr").string() + ": cannot be opened");
    std::filesystem::create_directory(dir.path() / "x.mpr");
    EXPECT_EQ(invalid_message(dir.path() / "x.mpr"),
              "invalid MPR: " + (dir.path() / "x.mpr").string() + ": cannot be opened");
    // A device (like a FIFO) is never opened: it could block the run or never end.
    if (std::filesystem::exists("/dev/zero")) {
        EXPECT_EQ(invalid_message("/dev/zero"), "invalid MPR: /dev/zero: not a regular file");
    }
}

TEST(replay, kind_by_laps_and_best_lap_order) {
    const struct {
        std::vector<std::pair<std::uint16_t, std::int32_t>> laps_and_best;
        session_kind expected;
    } cases[] = {
        {{}, session_kind::qualifying},
        {{{0, 61000}, {0, 61000}, {0, 62500}}, session_kind::qualifying},
        {{{0, 61000}, {0, 60000}}, session_kind::race},
        {{{0, 61000}}, session_kind::qualifying},
        {{{5, 61000}}, session_kind::race},
        {{{0, -1}, {0, 61000}}, session_kind::qualifying},  // compared as signed values
        {{{0, 61000}, {1, 62000}}, session_kind::race},
        // Drivers without a time (0 or less) at the end do not break the order...
        {{{0, 61000}, {0, 62000}, {0, 0}, {0, -1}}, session_kind::qualifying},
        {{{0, 0}, {0, -1}}, session_kind::qualifying},
        // ...but still need 0 laps, and do not hide a decrease before them.
        {{{0, 61000}, {0, 0}, {1, 0}}, session_kind::race},
        {{{0, 62000}, {0, 61000}, {0, 0}}, session_kind::race},
        // One in the middle is a decrease.
        {{{0, 61000}, {0, 0}, {0, 62000}}, session_kind::race},
    };
    for (const auto& c : cases) {
        replay r;
        for (const auto& [laps, best] : c.laps_and_best) {
            r.records.push_back(driver("n", "u", laps, best));
        }
        std::ostringstream records;
        for (const auto& [laps, best] : c.laps_and_best) {
            records << " " << laps << "/" << best;
        }
        EXPECT_EQ(replay_kind(r), c.expected) << records.str();
    }
}

TEST(replay, start_flag_rejects_only_when_checked) {
    replay r = sample_race();
    EXPECT_NO_THROW(check_race_start(r, "ev/race.mpr"));
    r.start_flag = 1;
    try {
        check_race_start(r, "ev/race.mpr");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "incomplete race MPR (no start): ev/race.mpr");
    }
}

TEST(replay, race_length_codes) {
    const struct {
        std::uint8_t code;
        race_length::unit kind;
        int count;
    } cases[] = {
        {0, race_length::unit::practice, 0}, {1, race_length::unit::laps, 1},
        {99, race_length::unit::laps, 99},   {100, race_length::unit::laps, 100},
        {101, race_length::unit::laps, 110}, {150, race_length::unit::laps, 600},
        {190, race_length::unit::laps, 1000}, {191, race_length::unit::hours, 1},
        {255, race_length::unit::hours, 65},
    };
    for (const auto& c : cases) {
        const race_length length = decode_race_length(c.code);
        EXPECT_EQ(length.kind, c.kind) << int{c.code};
        EXPECT_EQ(length.count, c.count) << int{c.code};
    }
}

TEST(replay_writer, description_gives_the_replay) {
    const replay r = parse_replay_description(R"(# a race
track AS3R
track-name Aston\x20National
config 3
reversed 1
start 2022-01-01 09:05:00
length 20
grid 2
driver ^1Fast^7Eddie | eddie | XRT | 20 | 31:05.42 | 1:32.1 | 2 | 0x40 | 20 | 10
driver caf\xE9 | bob\\ | FBM | 19 | 1234567 | 1:02:03.456
)");
    EXPECT_EQ(r.track_id, "AS3R");
    EXPECT_EQ(r.track_name, "Aston National");
    EXPECT_EQ(r.track_config, 3);
    EXPECT_EQ(r.track_reversed, 1);
    EXPECT_EQ(r.start_time, 1641027900);
    EXPECT_EQ(r.race_length_code, 20);
    EXPECT_EQ(r.grid_size, 2);
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_EQ(r.records[0].nickname, "^1Fast^7Eddie");
    EXPECT_EQ(r.records[0].total_time_ms, 1865420);
    EXPECT_EQ(r.records[0].best_lap_ms, 92100);
    EXPECT_EQ(r.records[0].flags, 0x40);
    EXPECT_EQ(r.records[0].intake_percent, 10);
    EXPECT_EQ(r.records[1].nickname, "caf\xE9");
    EXPECT_EQ(r.records[1].user_name, "bob\\");
    EXPECT_EQ(r.records[1].best_lap_ms, 3723456);
    EXPECT_EQ(r.records[1].grid_slot, 0);
    replay long_name;
    long_name.track_name = std::string(33, 'T');
    try {
        encode_replay(long_name);
        FAIL();
    } catch (const std::length_error& e) {
        EXPECT_EQ(e.what(), "track name longer than 32 bytes: " + long_name.track_name);
    }
    try {
        parse_replay_description("track BL1\ndriver a | b\n");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "line 2: a driver has 3 to 10 fields separated by |");
    }
}

}  // namespace

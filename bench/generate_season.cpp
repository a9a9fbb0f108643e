// generate_season [--seed S] [--best-results K] [--points LINE]... [--append FILE] EVENTS FOLDER:
// writes a generated
// championship of EVENTS events into FOLDER (created; it should be new or empty) for the
// benchmark (bench/run.sh).
//
// Each event folder ("event0001", numbered to sort in run order) holds two qualifying replays and
// a race, each of 40 drivers drawn from a pool of 300. The championship's "rostrum.conf" configures
// every points table and bonus with a sharing mode, teams and a hidden driver, and round blocks
// with a time penalty, a disqualification and a points change; --best-results adds
// `points { best-results K }`, each --points LINE adds that line to the points section, and
// --append copies FILE's text to its end (the benchmark's variants).
//
// The same arguments always give the same bytes: the numbers come from our own generator
// (splitmix64), not from the standard library's distributions, whose results differ between
// implementations.
#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/replay_writer.h"

namespace {

namespace fs = std::filesystem;

constexpr int pool_size = 300;
constexpr int field_size = 40;
constexpr int race_laps = 10;
constexpr std::int32_t first_start = 1'600'000'000;  // 2020-09-13, a Sunday
constexpr std::int32_t week = 7 * 24 * 3600;
const std::array<const char*, 8> tracks{"BL1", "SO4", "FE2", "AS3", "KY2", "WE1", "AU1", "RO1"};
const std::array<const char*, 3> cars{"XRT", "RB4", "FXO"};

// splitmix64: small, fast, and the same everywhere.
class number_source {
public:
    explicit number_source(std::uint64_t seed) : state(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    // A number from 0 to n - 1 (the slight bias of the remainder does not matter here).
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }

private:
    std::uint64_t state;
};

struct settings {
    std::uint64_t seed = 42;
    int events = 0;
    int best_results = 0;  // 0: not configured
    std::vector<std::string> points_lines;  // added to the points section
    fs::path append;       // empty: nothing appended
    fs::path folder;
};

// One driver of the pool: who he is and how fast.
struct pool_driver {
    std::string nickname;
    std::string user_name;
    std::string car;
    int pace_ms = 0;  // added to a 60 s lap
    std::uint8_t mass_kg = 0;
    std::uint8_t intake_percent = 0;
};

std::vector<pool_driver> make_pool(number_source& numbers) {
    std::vector<pool_driver> pool(pool_size);
    for (int d = 0; d < pool_size; ++d) {
        pool_driver& driver = pool[d];
        // A colour code in the nickname, as most players have.
        driver.nickname = "^" + std::to_string(d % 10) + "Driver " + std::to_string(d);
        driver.user_name = "driver" + std::to_string(d);
        driver.car = cars[d % cars.size()];
        driver.pace_ms = numbers.below(3000);
        driver.mass_kg = d % 7 == 0 ? 20 : 0;
        driver.intake_percent = d % 11 == 0 ? 10 : 0;
    }
    return pool;
}

replay_record record_of(const pool_driver& driver) {
    replay_record record;
    record.nickname = driver.nickname;
    record.user_name = driver.user_name;
    record.car = driver.car;
    record.mass_kg = driver.mass_kg;
    record.intake_percent = driver.intake_percent;
    return record;
}

// A qualifying session of `field`: best laps ascending, the few drivers without a time last.
replay make_qualifying(const std::vector<pool_driver>& pool, const std::vector<int>& field,
                       const char* track, std::int32_t start, number_source& numbers,
                       std::vector<std::int32_t>& best_of_field) {
    replay session;
    session.track_id = track;
    session.start_time = start;
    for (std::size_t i = 0; i < field.size(); ++i) {
        replay_record record = record_of(pool[field[i]]);
        const bool timed = numbers.below(50) != 0;
        record.best_lap_ms = timed ? 60'000 + pool[field[i]].pace_ms + numbers.below(2000) : 0;
        if (timed && (best_of_field[i] == 0 || record.best_lap_ms < best_of_field[i])) {
            best_of_field[i] = record.best_lap_ms;
        }
        session.records.push_back(std::move(record));
    }
    std::stable_sort(session.records.begin(), session.records.end(),
                     [](const replay_record& a, const replay_record& b) {
                         return is_timed(a.best_lap_ms) &&
                                (!is_timed(b.best_lap_ms) || a.best_lap_ms < b.best_lap_ms);
                     });
    return session;
}

// The race of `field`, gridded by the best qualifying laps: finishers in order, then three drivers
// who retired.
replay make_race(const std::vector<pool_driver>& pool, const std::vector<int>& field,
                 const std::vector<std::int32_t>& best_of_field, const char* track,
                 std::int32_t start, number_source& numbers) {
    std::vector<std::size_t> grid(field.size());
    for (std::size_t i = 0; i < grid.size(); ++i) {
        grid[i] = i;
    }
    std::stable_sort(grid.begin(), grid.end(), [&best_of_field](std::size_t a, std::size_t b) {
        return is_timed(best_of_field[a]) &&
               (!is_timed(best_of_field[b]) || best_of_field[a] < best_of_field[b]);
    });
    replay race;
    race.track_id = track;
    race.start_time = start;
    race.race_length_code = race_laps;
    race.grid_size = static_cast<std::uint8_t>(field.size());
    for (std::size_t slot = 0; slot < grid.size(); ++slot) {
        const pool_driver& driver = pool[field[grid[slot]]];
        replay_record record = record_of(driver);
        const int lap_ms = 60'000 + driver.pace_ms + numbers.below(3000);
        record.grid_slot = static_cast<std::uint8_t>(slot + 1);
        record.laps = race_laps;
        record.total_time_ms = race_laps * lap_ms + numbers.below(5000);
        record.best_lap_ms = lap_ms - 500 - numbers.below(1000);
        race.records.push_back(std::move(record));
    }
    for (int retired = 0; retired < 3; ++retired) {
        replay_record& record = race.records[numbers.below(field_size)];
        record.laps = static_cast<std::uint16_t>(numbers.below(race_laps));
        record.total_time_ms = record.total_time_ms / race_laps * record.laps;
    }
    std::stable_sort(race.records.begin(), race.records.end(),
                     [](const replay_record& a, const replay_record& b) {
                         return a.laps > b.laps ||
                                (a.laps == b.laps && a.total_time_ms < b.total_time_ms);
                     });
    return race;
}

std::string read_text(const fs::path& path) {
    std::ifstream file(path, std::ios_base::binary);
    std::ostringstream text;
    if (!file || !(text << file.rdbuf())) {
        throw std::runtime_error("unable to read " + path.string());
    }
    return text.str();
}

void write_text(const fs::path& path, const std::string& text) {
    std::ofstream file(path, std::ios_base::binary | std::ios_base::trunc);
    if (!file.write(text.data(), static_cast<std::streamsize>(text.size())) || !file.flush()) {
        throw std::runtime_error("unable to write " + path.string());
    }
}

// The stewards' decisions of the season: each for the first event in which its driver races.
struct decision {
    int driver;
    const char* text;  // the sections of a round block
};
const decision decisions[] = {
    {7, "    penalties\n    {\n        driver7 5\n    }\n"},
    {13, "    penalties\n    {\n        driver13 dsq\n    }\n"},
    {3, "    modify-points\n    {\n        driver3 \"-2 unsafe rejoin\"\n    }\n"},
};

// `rounds`: the content of the round block of each event folder that has one, in event order.
std::string championship_options(const settings& s,
                                 const std::vector<std::pair<std::string, std::string>>& rounds) {
    std::ostringstream conf;
    conf << "; generated by bench/generate_season with seed " << s.seed << "\n"
         << "points\n{\n"
         << "    race 25,18,15,12,10,8,6,4,2,1\n"
         << "    qualifying 3,2,1\n"
         << "    grid 1/2,1/4\n"
         << "    fastest-lap 1\n"
         << "    fastest-qualifier 1\n"
         << "    fastest-qualifier-to-finish 1/2\n"
         << "    highest-climber 2\n"
         << "    highest-climber-with-qualifying-time 1\n"
         << "    highest-climber-from-qualifying-position 1\n"
         << "    shared-points-mode divide-between\n"
         << "    shared-points-mode-fastest-lap award-first\n";
    if (s.best_results != 0) {
        conf << "    best-results " << s.best_results << "\n";
    }
    for (const std::string& line : s.points_lines) {
        conf << "    " << line << "\n";
    }
    conf << "}\nteams\n{\n";
    for (int team = 0; team < 30; ++team) {
        conf << "    \"Team " << team << "\"\n    {\n";
        for (int member = 0; member < 4; ++member) {
            conf << "        driver" << team * 10 + member << " \"\"\n";
        }
        conf << "    }\n";
    }
    // A driver hidden for the whole season is what the top level is for; the stewards' decisions
    // are for one round each.
    conf << "}\npenalties\n{\n    driver21 hide\n}\n";
    for (const auto& [folder, decisions] : rounds) {
        conf << "round \"" << folder << "\"\n{\n" << decisions << "}\n";
    }
    if (!s.append.empty()) {
        conf << read_text(s.append);
    }
    return conf.str();
}

void generate(const settings& s) {
    number_source numbers(s.seed);
    const std::vector<pool_driver> pool = make_pool(numbers);
    fs::create_directories(s.folder);
    std::vector<std::pair<std::string, std::string>> rounds;  // folder, round block content
    std::vector<bool> decided(std::size(decisions), false);

    const int width = std::max<int>(4, static_cast<int>(std::to_string(s.events).size()));
    std::vector<int> everyone(pool_size);
    for (int d = 0; d < pool_size; ++d) {
        everyone[d] = d;
    }
    for (int e = 1; e <= s.events; ++e) {
        const std::string number = std::to_string(e);
        const fs::path event = s.folder / ("event" + std::string(width - number.size(), '0') + number);
        fs::create_directory(event);
        // The field: the first 40 of a partial shuffle of the pool.
        for (int i = 0; i < field_size; ++i) {
            std::swap(everyone[i], everyone[i + numbers.below(pool_size - i)]);
        }
        const std::vector<int> field(everyone.begin(), everyone.begin() + field_size);
        for (std::size_t d = 0; d < std::size(decisions); ++d) {
            if (!decided[d] &&
                std::find(field.begin(), field.end(), decisions[d].driver) != field.end()) {
                decided[d] = true;
                if (rounds.empty() || rounds.back().first != event.filename().string()) {
                    rounds.emplace_back(event.filename().string(), "");
                }
                rounds.back().second += decisions[d].text;
            }
        }
        const char* track = tracks[numbers.below(static_cast<int>(tracks.size()))];
        const std::int32_t start = first_start + (e - 1) * week;
        std::vector<std::int32_t> best_of_field(field.size(), 0);
        for (int q = 1; q <= 2; ++q) {
            write_replay_file(event / ("q" + std::to_string(q) + ".mpr"),
                              make_qualifying(pool, field, track, start - 7200 + q * 1800, numbers,
                                              best_of_field));
        }
        write_replay_file(event / "race.mpr",
                          make_race(pool, field, best_of_field, track, start, numbers));
    }
    write_text(s.folder / "rostrum.conf", championship_options(s, rounds));
}

int number_argument(const std::string& text, const char* what) {
    std::size_t used = 0;
    long long value = -1;
    try {
        value = std::stoll(text, &used);
    } catch (const std::exception&) {
    }
    if (used != text.size() || value < 0 || value > 1'000'000) {
        throw std::invalid_argument(std::string(what) + " is not a number from 0 to 1000000: " + text);
    }
    return static_cast<int>(value);
}

settings parse_arguments(int argc, char** argv) {
    settings s;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool has_value = i + 1 < argc;
        if (argument == "--seed" && has_value) {
            s.seed = static_cast<std::uint64_t>(number_argument(argv[++i], "the seed"));
        } else if (argument == "--best-results" && has_value) {
            s.best_results = number_argument(argv[++i], "best-results");
        } else if (argument == "--points" && has_value) {
            s.points_lines.emplace_back(argv[++i]);
        } else if (argument == "--append" && has_value) {
            s.append = argv[++i];
        } else {
            positional.push_back(argument);
        }
    }
    if (positional.size() != 2) {
        throw std::invalid_argument(
            "usage: generate_season [--seed S] [--best-results K] [--points LINE]... "
            "[--append FILE] EVENTS FOLDER");
    }
    s.events = number_argument(positional[0], "the number of events");
    s.folder = positional[1];
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        generate(parse_arguments(argc, argv));
    } catch (const std::exception& e) {
        std::cerr << "generate_season: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

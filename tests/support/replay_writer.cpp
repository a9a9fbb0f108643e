#include "support/replay_writer.h"

#include <cctype>
#include <cstdint>
#include <fstream>
#include <limits>
#include <stdexcept>
#include <vector>

namespace {

class byte_block {
public:
    explicit byte_block(std::size_t size) : bytes(size, '\0') {}

    void u8(std::size_t offset, unsigned value) { bytes.at(offset) = static_cast<char>(value); }
    void u16(std::size_t offset, unsigned value) {
        u8(offset, value & 0xFF);
        u8(offset + 1, (value >> 8) & 0xFF);
    }
    void i32(std::size_t offset, std::int32_t value) {
        const auto bits = static_cast<std::uint32_t>(value);
        for (std::size_t i = 0; i < 4; ++i) {
            u8(offset + i, (bits >> (8 * i)) & 0xFF);
        }
    }
    void text(std::size_t offset, std::size_t size, std::string_view value, const char* field) {
        if (value.size() > size) {
            throw std::length_error(std::string(field) + " longer than " + std::to_string(size) +
                                    " bytes: " + std::string(value));
        }
        bytes.replace(offset, value.size(), value);
    }

    std::string bytes;
};

std::string trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(" \t\r");
    return std::string(s.substr(first, last - first + 1));
}

std::string unescape(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
        } else if (i + 1 < s.size() && s[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else if (i + 3 < s.size() && s[i + 1] == 'x' && std::isxdigit(static_cast<unsigned char>(s[i + 2])) &&
                   std::isxdigit(static_cast<unsigned char>(s[i + 3]))) {
            out += static_cast<char>(std::stoi(std::string(s.substr(i + 2, 2)), nullptr, 16));
            i += 3;
        } else {
            throw std::runtime_error("bad escape in " + std::string(s));
        }
    }
    return out;
}

long long number(const std::string& s, long long min, long long max, int base = 10) {
    std::size_t used = 0;
    long long value = 0;
    try {
        value = std::stoll(s, &used, base);
    } catch (const std::exception&) {
        throw std::runtime_error("not a number: " + s);
    }
    if (used != s.size() || value < min || value > max) {
        throw std::runtime_error("not a number from " + std::to_string(min) + " to " +
                                 std::to_string(max) + ": " + s);
    }
    return value;
}

// Milliseconds, or [h:]m:ss[.fff].
std::int32_t time_ms(const std::string& s) {
    if (s.find(':') == std::string::npos) {
        return static_cast<std::int32_t>(number(s, std::numeric_limits<std::int32_t>::min(),
                                                std::numeric_limits<std::int32_t>::max()));
    }
    const bool negative = !s.empty() && s[0] == '-';
    std::string rest = negative ? s.substr(1) : s;
    std::string fraction;
    if (const auto dot = rest.find('.'); dot != std::string::npos) {
        fraction = rest.substr(dot + 1);
        rest.erase(dot);
    }
    if (fraction.size() > 3) {
        throw std::runtime_error("more than three decimals: " + s);
    }
    long long total = 0;
    std::size_t start = 0;
    for (;;) {
        const auto colon = rest.find(':', start);
        total = total * 60 + number(rest.substr(start, colon - start), 0, 1'000'000);
        if (colon == std::string::npos) {
            break;
        }
        start = colon + 1;
    }
    total *= 1000;
    if (!fraction.empty()) {
        total += number(fraction, 0, 999) * (fraction.size() == 1 ? 100 : fraction.size() == 2 ? 10 : 1);
    }
    if (total > std::numeric_limits<std::int32_t>::max()) {
        throw std::runtime_error("time too long: " + s);
    }
    return static_cast<std::int32_t>(negative ? -total : total);
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
long long days_from_civil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

// "YYYY-MM-DD hh:mm[:ss]" in UTC, or a number of seconds.
std::int32_t start_time(const std::string& s) {
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char tail = 0;
    if (std::sscanf(s.c_str(), "%4u-%2u-%2u %2u:%2u:%2u%c", &year, &month, &day, &hour, &minute,
                    &second, &tail) >= 5 &&
        tail == 0) {
        const long long seconds =
            days_from_civil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
        return static_cast<std::int32_t>(seconds);
    }
    return static_cast<std::int32_t>(number(s, std::numeric_limits<std::int32_t>::min(),
                                            std::numeric_limits<std::int32_t>::max()));
}

replay_record parse_driver(std::string_view fields_text) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const auto bar = fields_text.find('|', start);
        fields.push_back(trim(fields_text.substr(start, bar - start)));
        if (bar == std::string_view::npos) {
            break;
        }
        start = bar + 1;
    }
    if (fields.size() < 3 || fields.size() > 10) {
        throw std::runtime_error("a driver has 3 to 10 fields separated by |");
    }
    fields.resize(10);
    const auto field = [&fields](std::size_t i) { return fields[i].empty() ? "0" : fields[i]; };
    replay_record r;
    r.nickname = unescape(fields[0]);
    r.user_name = unescape(fields[1]);
    r.car = unescape(fields[2]);
    r.laps = static_cast<std::uint16_t>(number(field(3), 0, 65535));
    r.total_time_ms = time_ms(field(4));
    r.best_lap_ms = time_ms(field(5));
    r.grid_slot = static_cast<std::uint8_t>(number(field(6), 0, 255));
    r.flags = static_cast<std::uint8_t>(number(field(7), 0, 255, 0));
    r.mass_kg = static_cast<std::uint8_t>(number(field(8), 0, 255));
    r.intake_percent = static_cast<std::uint8_t>(number(field(9), 0, 255));
    return r;
}

}  // namespace

std::string encode_replay(const replay& r) {
    if (r.records.size() > 255) {
        throw std::length_error("a replay holds at most 255 records");
    }
    byte_block header(replay_header_size);
    header.text(0, 6, "LFSMPR", "magic");
    header.u8(9, r.start_flag);
    header.u8(20, r.race_length_code);
    header.u8(23, r.grid_size);
    header.text(32, 4, r.track_id, "track identifier");
    header.i32(36, r.start_time);
    header.text(40, 32, r.track_name, "track name");
    header.u8(72, r.track_config);
    header.u8(73, r.track_reversed);
    header.u8(75, static_cast<unsigned>(r.records.size()));
    std::string bytes = std::move(header.bytes);
    for (const replay_record& driver : r.records) {
        byte_block record(replay_record_size);
        record.text(0, 32, driver.nickname, "nickname");
        record.text(32, 4, driver.car, "car");
        record.text(36, 24, driver.user_name, "user name");
        record.u16(60, driver.laps);
        record.u8(64, driver.flags);
        record.i32(68, driver.total_time_ms);
        record.i32(72, driver.best_lap_ms);
        record.u8(77, driver.grid_slot);
        record.u8(78, driver.mass_kg);
        record.u8(79, driver.intake_percent);
        bytes += record.bytes;
    }
    return bytes;
}

void write_replay_file(const std::filesystem::path& path, const replay& r) {
    const std::string bytes = encode_replay(r);
    std::ofstream file(path, std::ios_base::out | std::ios_base::trunc | std::ios_base::binary);
    if (!file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) || !file.flush()) {
        throw std::runtime_error("unable to write " + path.string());
    }
}

replay parse_replay_description(std::string_view text) {
    replay r;
    std::size_t line_number = 0;
    while (!text.empty()) {
        ++line_number;
        const auto end = text.find('\n');
        std::string line(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        line = trim(line);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const auto space = line.find_first_of(" \t");
        const std::string key = line.substr(0, space);
        const std::string value = space == std::string::npos ? "" : trim(line.substr(space));
        try {
            if (key == "track") {
                r.track_id = unescape(value);
            } else if (key == "track-name") {
                r.track_name = unescape(value);
            } else if (key == "config") {
                r.track_config = static_cast<std::uint8_t>(number(value, 0, 255));
            } else if (key == "reversed") {
                r.track_reversed = static_cast<std::uint8_t>(number(value, 0, 1));
            } else if (key == "start") {
                r.start_time = start_time(value);
            } else if (key == "length") {
                r.race_length_code = static_cast<std::uint8_t>(number(value, 0, 255));
            } else if (key == "grid") {
                r.grid_size = static_cast<std::uint8_t>(number(value, 0, 255));
            } else if (key == "start-flag") {
                r.start_flag = static_cast<std::uint8_t>(number(value, 0, 255));
            } else if (key == "driver") {
                r.records.push_back(parse_driver(value));
            } else {
                throw std::runtime_error("unknown item: " + key);
            }
        } catch (const std::exception& e) {
            throw std::runtime_error("line " + std::to_string(line_number) + ": " + e.what());
        }
    }
    return r;
}

#include "event_result/replay.h"

#include <array>
#include <stdexcept>
#include <string_view>

#include "common/visible_text.h"
#include "console/console.h"
#include "files/files.h"

namespace {

// Bounds-checked little-endian reads from a block of bytes.
class byte_view {
public:
    explicit byte_view(std::string_view bytes) : bytes(bytes) {}

    std::uint8_t u8(std::size_t offset) const { return static_cast<std::uint8_t>(at(offset, 1)[0]); }

    std::uint16_t u16(std::size_t offset) const {
        const std::string_view b = at(offset, 2);
        return static_cast<std::uint16_t>(byte(b, 0) | byte(b, 1) << 8);
    }

    std::int32_t i32(std::size_t offset) const {
        const std::string_view b = at(offset, 4);
        const std::uint32_t value = byte(b, 0) | byte(b, 1) << 8 | byte(b, 2) << 16 |
                                    static_cast<std::uint32_t>(byte(b, 3)) << 24;
        return static_cast<std::int32_t>(value);
    }

    // The field's bytes up to its first zero byte, or the whole field.
    std::string text(std::size_t offset, std::size_t size) const {
        const std::string_view field = at(offset, size);
        return std::string(field.substr(0, field.find('\0')));
    }

private:
    static std::uint32_t byte(std::string_view b, std::size_t i) {
        return static_cast<unsigned char>(b[i]);
    }

    std::string_view at(std::size_t offset, std::size_t size) const {
        if (offset > bytes.size() || size > bytes.size() - offset) {
            throw std::out_of_range("replay field at offset " + std::to_string(offset) +
                                    " lies beyond its " + std::to_string(bytes.size()) + " bytes");
        }
        return bytes.substr(offset, size);
    }

    std::string_view bytes;
};

replay_record parse_record(byte_view record) {
    replay_record r;
    r.nickname = record.text(0, 32);
    r.car = record.text(32, 4);
    r.user_name = record.text(36, 24);
    r.laps = record.u16(60);
    r.flags = record.u8(64);
    r.total_time_ms = record.i32(68);
    r.best_lap_ms = record.i32(72);
    r.grid_slot = record.u8(77);
    r.mass_kg = record.u8(78);
    r.intake_percent = record.u8(79);
    return r;
}

}  // namespace

race_length decode_race_length(std::uint8_t code) {
    if (code == 0) {
        return {race_length::unit::practice, 0};
    }
    if (code < 100) {
        return {race_length::unit::laps, code};
    }
    if (code <= 190) {
        return {race_length::unit::laps, (code - 90) * 10};
    }
    return {race_length::unit::hours, code - 190};
}

replay read_replay(const std::filesystem::path& path) {
    const auto invalid = [&path](const std::string& reason) {
        return std::runtime_error("invalid MPR: " + visible(path_to_utf8(path)) + ": " + reason);
    };
    // The header and the most records it can announce, read in one go; what lies after them is
    // never read. Only a regular file is opened: a FIFO or a device named like a replay could
    // block the run or never end.
    std::array<char, replay_header_size + 255 * replay_record_size> bytes;
    const file_head file = read_file_head(path, bytes.data(), bytes.size());
    switch (file.result) {
        case file_head::outcome::read:
            break;
        case file_head::outcome::not_regular:
            throw invalid("not a regular file");
        case file_head::outcome::directory:
        case file_head::outcome::unreadable:
            throw invalid("cannot be opened");
    }
    const std::size_t size = file.size;
    if (size < replay_header_size) {
        throw invalid(std::to_string(size) + " bytes, shorter than the 80-byte header");
    }
    const std::string_view header(bytes.data(), replay_header_size);
    if (header.substr(0, 6) != "LFSMPR") {
        throw invalid("does not start with LFSMPR");
    }
    const byte_view head(header);
    const std::size_t count = head.u8(75);
    if (size < replay_header_size + count * replay_record_size) {
        const std::size_t room = (size - replay_header_size) / replay_record_size;
        throw invalid("announces " + std::to_string(count) + " results but holds room for only " +
                      std::to_string(room));
    }

    replay r;
    r.input_time = file.input_time;
    r.start_flag = head.u8(9);
    r.race_length_code = head.u8(20);
    r.grid_size = head.u8(23);
    r.track_id = head.text(32, 4);
    r.start_time = head.i32(36);
    r.track_name = head.text(40, 32);
    r.track_config = head.u8(72);
    r.track_reversed = head.u8(73);
    r.records.reserve(count);
    const std::string_view all(bytes.data() + replay_header_size, count * replay_record_size);
    for (std::size_t i = 0; i < count; ++i) {
        r.records.push_back(
            parse_record(byte_view(all.substr(i * replay_record_size, replay_record_size))));
    }
    return r;
}

session_kind replay_kind(const replay& r) {
    std::size_t timed_end = r.records.size();  // after the last timed record
    while (timed_end > 0 && !is_timed(r.records[timed_end - 1].best_lap_ms)) {
        --timed_end;
    }
    for (std::size_t i = 0; i < r.records.size(); ++i) {
        if (r.records[i].laps != 0 ||
            (i > 0 && i < timed_end && r.records[i].best_lap_ms < r.records[i - 1].best_lap_ms)) {
            return session_kind::race;
        }
    }
    return session_kind::qualifying;
}

void check_race_start(const replay& r, const std::filesystem::path& path) {
    if (r.start_flag != 0) {
        throw std::runtime_error("incomplete race MPR (no start): " + visible(path_to_utf8(path)));
    }
}

std::uint64_t record_digest(const replay& r) {
    // FNV-1a over the fields, each text followed by a zero byte so that fields cannot run into
    // each other.
    std::uint64_t digest = 14695981039346656037u;
    const auto add = [&digest](const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            digest = (digest ^ bytes[i]) * 1099511628211u;
        }
    };
    const auto add_text = [&add](const std::string& text) { add(text.c_str(), text.size() + 1); };
    for (const replay_record& record : r.records) {
        add_text(record.nickname);
        add_text(record.car);
        add_text(record.user_name);
        const std::int64_t numbers[] = {record.laps,           record.flags,
                                        record.total_time_ms,  record.best_lap_ms,
                                        record.grid_slot,      record.mass_kg,
                                        record.intake_percent};
        add(numbers, sizeof numbers);
    }
    return digest;
}

#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// The identity of a driver across replays, events and configuration files.
struct name_key {
    // The name as code page 1252 bytes, case-folded ("A"-"Z" and 0xC0-0xDE except 0xD7 raised by
    // 0x20). Equality and hashing use this member alone, so names that differ only in letter case
    // are one driver.
    std::string match;
    // The same name as UTF-8 text, for showing.
    std::string display;
};

inline bool operator==(const name_key& a, const name_key& b) { return a.match == b.match; }
inline bool operator!=(const name_key& a, const name_key& b) { return !(a == b); }

template <>
struct std::hash<name_key> {
    std::size_t operator()(const name_key& key) const noexcept {
        return std::hash<std::string>{}(key.match);
    }
};

// Key of a user name read from a replay: `match` is the raw bytes case-folded, `display` the
// bytes decoded as code page 1252 (no escape processing).
name_key make_name_key(std::string_view raw);

// Key of a driver name written in a configuration file (UTF-8): `match` is the name encoded as
// code page 1252 and case-folded, `display` the text as written.
// Throws std::range_error "bad conversion" for invalid UTF-8 and std::runtime_error
// "latin1::encode_next: unable to encode code point" for a character code page 1252 lacks.
name_key make_config_name_key(std::string_view utf8);

// The case folding of `match`, applied to code page 1252 bytes.
std::string fold_case(std::string_view bytes);

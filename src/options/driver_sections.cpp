#include "options/driver_sections.h"

#include <boost/property_tree/ptree.hpp>
#include <cstdint>
#include <locale>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "lfs_codec/lfs_codec.h"
#include "options/value_syntax.h"

namespace options {
namespace {

namespace pt = boost::property_tree;

// The first top-level section called `name`, or nothing.
const pt::ptree* section(const pt::ptree& tree, const std::string& name) {
    const auto found = tree.find(name);
    return found == tree.not_found() ? nullptr : &found->second;
}

std::istringstream stream_of(const std::string& text) {
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    return in;
}

std::string ascii_lower_case(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view white_space = " \t\n\v\f\r";
    const auto first = text.find_first_not_of(white_space);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(white_space) - first + 1);
}

void read_forced_names(option_set& set, const pt::ptree& entries) {
    for (const auto& [name, entry] : entries) {
        set.forced_names[make_config_name_key(name)] = entry.data();
    }
}

void read_teams(option_set& set, const pt::ptree& entries) {
    for (const auto& [team, members] : entries) {
        // A team's name is shown, never matched against a replay: any UTF-8 text will do, also
        // characters a driver's name could not hold in code page 1252.
        lfs_codec::require_utf8(team);
        for (const auto& [member, entry] : members) {
            const name_key driver = make_config_name_key(member);
            if (!entry.data().empty()) {
                set.forced_names[driver] = entry.data();
            }
            set.teams[driver] = team;
        }
    }
}

void read_penalties(option_set& set, const pt::ptree& entries) {
    for (const auto& [name, entry] : entries) {
        const name_key driver = make_config_name_key(name);
        const std::string& value = entry.data();
        std::int32_t seconds = 0;
        if (stream_of(value) >> seconds) {
            set.time_penalties[driver] = seconds;  // anything after the number is ignored
            continue;
        }
        std::string word;
        if (!(stream_of(value) >> word)) {
            throw std::runtime_error("penalties: " + name + ": invalid empty penalty");
        }
        word = ascii_lower_case(std::move(word));
        if (word == "dsq" || word == "disqualify") {
            set.disqualified.insert(driver);
        } else if (word == "remove" || word == "hide") {
            set.hidden.insert(driver);
        } else {
            throw std::runtime_error("penalties: " + name + ": unrecognised penalty: " + value);
        }
    }
}

void read_points_modifications(option_set& set, const pt::ptree& entries) {
    for (const auto& [name, entry] : entries) {
        const name_key driver = make_config_name_key(name);
        const std::string& value = entry.data();
        std::istringstream in = stream_of(value);
        point_type change;
        // Points are whole numbers or fractions: "1.5" must not become 1 point labelled ".5".
        if (!(in >> change) || in.peek() == '.') {
            throw std::runtime_error("modify-points: " + name + ": invalid value: " + value);
        }
        in.clear();
        std::string rest;
        std::getline(in, rest);
        const std::string_view label = trimmed(rest);
        set.points_modifications[driver] = {change.value,
                                            label.empty() ? "custom" : std::string(label)};
    }
}

}  // namespace

void read_driver_sections(option_set& set, const pt::ptree& tree) {
    if (const pt::ptree* entries = section(tree, "forced-names")) {
        read_forced_names(set, *entries);
    }
    if (const pt::ptree* entries = section(tree, "teams")) {
        read_teams(set, *entries);
    }
    if (const pt::ptree* entries = section(tree, "penalties")) {
        read_penalties(set, *entries);
    }
    if (const pt::ptree* entries = section(tree, "modify-points")) {
        read_points_modifications(set, *entries);
    }
}

}  // namespace options

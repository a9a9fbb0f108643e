#include "options/driver_sections.h"

#include <algorithm>
#include <boost/property_tree/ptree.hpp>
#include <locale>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "common/visible_text.h"
#include "lfs_codec/lfs_codec.h"
#include "options/info_scan.h"
#include "options/value_syntax.h"

namespace options {
namespace {

namespace pt = boost::property_tree;

// The first top-level section called `name`, or nothing.
const pt::ptree* section(const pt::ptree& tree, const std::string& name) {
    const auto found = tree.find(name);
    return found == tree.not_found() ? nullptr : &found->second;
}

std::string ascii_lower_case(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// Reads the entries of one section, each with the place it was written for its messages.
class section_reader {
public:
    section_reader(option_set& set, const entry_places& places, adjustment_entry::scope where,
                   std::string_view section_name)
        : set(set), places(places), where(where), section_name(section_name) {}

    // "rostrum.conf(12): penalties: Joe: " + what.
    [[noreturn]] void fail(const pt::ptree& entry, const std::string& name,
                           const std::string& what) const {
        throw std::runtime_error(places.of(entry) + ": " + std::string(section_name) + ": " +
                                 visible(name) + ": " + what);
    }

    // The key of an entry's name; a name code page 1252 cannot hold is reported where it stands.
    name_key driver(const pt::ptree& entry, const std::string& name) const {
        try {
            return make_config_name_key(name);
        } catch (const std::range_error&) {
            throw;
        } catch (const std::runtime_error& error) {
            fail(entry, name, error.what());
        }
    }

    // Fails when the entry at `it` follows the value of the entry before it on its line:
    // "joe -3 avoidable collision" reads as joe = "-3" and the entry "avoidable".
    void refuse_spaced_value(const pt::ptree& entries, pt::ptree::const_iterator it) const {
        if (it == entries.begin() || !places.follows_value(it->second)) {
            return;
        }
        const auto& [owner, owner_entry] = *std::prev(it);
        std::string spaced = owner_entry.data();
        for (auto part = it;
             part != entries.end() && (part == it || places.follows_value(part->second)); ++part) {
            spaced += " " + part->first;
            if (!part->second.data().empty()) {
                spaced += " " + part->second.data();
            }
        }
        fail(owner_entry, owner,
             "a value with spaces is written in double quotes: " + visible(owner) + " \"" +
                 visible(spaced) + "\"");
    }

    void note(adjustment_entry::kind what, const name_key& driver, const pt::ptree& entry) {
        set.adjustments.push_back({what, driver, places.of(entry), where});
    }

    option_set& set;
    const entry_places& places;

private:
    adjustment_entry::scope where;
    std::string_view section_name;
};

void read_forced_names(section_reader& reader, const pt::ptree& entries) {
    for (const auto& [name, entry] : entries) {
        const name_key driver = reader.driver(entry, name);
        reader.set.forced_names[driver] = entry.data();
        reader.note(adjustment_entry::kind::forced_name, driver, entry);
    }
}

void read_teams(section_reader& reader, const pt::ptree& entries) {
    for (const auto& [team, members] : entries) {
        // A team's name is shown, never matched against a replay: any UTF-8 text will do, also
        // characters a driver's name could not hold in code page 1252.
        lfs_codec::require_utf8(team);
        for (const auto& [member, entry] : members) {
            const name_key driver = reader.driver(entry, member);
            if (!entry.data().empty()) {
                reader.set.forced_names[driver] = entry.data();
            }
            reader.set.teams[driver] = team;
            reader.note(adjustment_entry::kind::team_member, driver, entry);
        }
    }
}

// A label that starts with "," or "." and a digit: "1,5 late" is a decimal comma, "1.5.2" a
// second point. Returns how to write the value instead.
std::optional<std::string> misplaced_decimal(std::string_view number_text, std::string_view rest) {
    if (rest.size() < 2 || (rest[0] != ',' && rest[0] != '.') || rest[1] < '0' || rest[1] > '9') {
        return std::nullopt;
    }
    if (rest[0] == '.') {
        return std::string("a decimal has one point, like 1.5");
    }
    std::string number(trimmed(number_text));
    number += '.';
    for (std::size_t i = 1; i < rest.size() && rest[i] >= '0' && rest[i] <= '9'; ++i) {
        number += rest[i];
    }
    return "a decimal is written with a point: " + number;
}

// "2,5": a decimal comma where a penalty's seconds are read (which stop at the comma).
std::optional<std::string> decimal_comma(std::string_view value) {
    const std::string_view text = trimmed(value);
    std::size_t end = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    const std::size_t digits = end;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
        ++end;
    }
    if (end == digits || end == text.size() || text[end] != ',') {
        return std::nullopt;
    }
    return misplaced_decimal(text.substr(0, end), text.substr(end));
}

void read_penalties(section_reader& reader, const pt::ptree& entries) {
    using kind = adjustment_entry::kind;
    for (const auto& [name, entry] : entries) {
        const name_key driver = reader.driver(entry, name);
        const std::string& value = entry.data();
        if (const auto hint = decimal_comma(value)) {
            reader.fail(entry, name, "unrecognised penalty: " + visible(value) + " (" + *hint + ")");
        }
        if (const auto milliseconds = read_penalty_ms(value)) {
            reader.set.time_penalties[driver] = *milliseconds;  // anything after it is ignored
            reader.note(kind::time_penalty, driver, entry);
            continue;
        }
        std::istringstream in(value);
        in.imbue(std::locale::classic());
        std::string word;
        if (!(in >> word)) {
            reader.fail(entry, name, "invalid empty penalty");
        }
        word = ascii_lower_case(std::move(word));
        if (word == "dsq" || word == "disqualify") {
            reader.set.disqualified.insert(driver);
            reader.note(kind::disqualification, driver, entry);
        } else if (word == "remove" || word == "hide") {
            reader.set.hidden.insert(driver);
            reader.note(kind::hidden, driver, entry);
        } else {
            reader.fail(entry, name, "unrecognised penalty: " + visible(value));
        }
    }
}

void read_points_modifications(section_reader& reader, const pt::ptree& entries) {
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        const auto& [name, entry] = *it;
        const name_key driver = reader.driver(entry, name);
        const std::string& value = entry.data();
        std::istringstream in(value);
        in.imbue(std::locale::classic());
        point_type change;
        if (!(in >> change)) {
            reader.refuse_spaced_value(entries, it);
            reader.fail(entry, name, "invalid value: " + visible(value));
        }
        in.clear();
        const auto number_end = static_cast<std::size_t>(in.tellg());
        std::string rest;
        std::getline(in, rest);
        if (const auto hint = misplaced_decimal(std::string_view(value).substr(0, number_end), rest)) {
            reader.fail(entry, name, "invalid value: " + visible(value) + " (" + *hint + ")");
        }
        const std::string_view label = trimmed(rest);
        reader.set.points_modifications[driver] = {change.value,
                                                   label.empty() ? "custom" : std::string(label)};
        reader.note(adjustment_entry::kind::points_change, driver, entry);
    }
}

// "GTR "FXR XRR FZR"": a class and its cars. A class named again gets the new cars in its place.
// A class without cars may stand for the order of the classes that drivers are put into by name.
void read_classes(section_reader& reader, const pt::ptree& entries) {
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        const auto& [name, entry] = *it;
        reader.refuse_spaced_value(entries, std::next(it) == entries.end() ? it : std::next(it));
        lfs_codec::require_utf8(name);
        std::istringstream words(entry.data());
        car_class read{name, {}};
        for (std::string car; words >> car;) {
            read.cars.push_back(std::move(car));
        }
        std::vector<car_class>& classes = reader.set.classes;
        const auto found = std::find_if(classes.begin(), classes.end(),
                                        [&read](const car_class& c) { return c.name == read.name; });
        if (found == classes.end()) {
            classes.push_back(std::move(read));
        } else {
            *found = std::move(read);
        }
    }
}

// "ann "Am"": a driver in a class whatever he drives.
void read_driver_classes(section_reader& reader, const pt::ptree& entries) {
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        const auto& [name, entry] = *it;
        reader.refuse_spaced_value(entries, std::next(it) == entries.end() ? it : std::next(it));
        const name_key driver = reader.driver(entry, name);
        if (trimmed(entry.data()).empty()) {
            reader.fail(entry, name,
                        "no class: the user name is followed by his class: " + visible(name) +
                            " \"Am\"");
        }
        lfs_codec::require_utf8(entry.data());
        reader.set.driver_classes[driver] = entry.data();
        reader.note(adjustment_entry::kind::driver_class, driver, entry);
    }
}

}  // namespace

void read_driver_sections(option_set& set, const pt::ptree& tree, const entry_places& places,
                          adjustment_entry::scope where) {
    const std::pair<const char*, void (*)(section_reader&, const pt::ptree&)> sections[] = {
        {"forced-names", read_forced_names},
        {"teams", read_teams},
        {"penalties", read_penalties},
        {"modify-points", read_points_modifications},
        {"classes", read_classes},
        {"driver-classes", read_driver_classes},
    };
    for (const auto& [name, read] : sections) {
        if (const pt::ptree* entries = section(tree, name)) {
            section_reader reader(set, places, where, name);
            read(reader, *entries);
        }
    }
}

}  // namespace options

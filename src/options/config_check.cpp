#include "options/config_check.h"

#include <algorithm>
#include <boost/property_tree/ptree.hpp>
#include <map>
#include <optional>
#include <unordered_map>

#include "common/visible_text.h"
#include "lfs_codec/name_key.h"
#include "options/info_scan.h"
#include "options/value_syntax.h"

namespace options {
namespace {

namespace pt = boost::property_tree;

std::string joined(const std::string& section, const std::string& name) {
    return section.empty() ? name : section + "." + name;
}

// Where a level is, in words: "at the top level", "in the points section".
std::string level_text(const std::string& section) {
    return section.empty() ? "at the top level" : "in the " + section + " section";
}

// The catalogue arranged by level: the names each section may hold ("" is the top level).
class key_levels {
public:
    explicit key_levels(const key_catalogue& known) : known(known) {
        for (const std::string& path : known.keys) {
            std::string section;
            std::string rest = path;
            for (auto dot = rest.find('.'); dot != std::string::npos; dot = rest.find('.')) {
                add(section, rest.substr(0, dot));
                section = joined(section, rest.substr(0, dot));
                rest.erase(0, dot + 1);
                holds_keys.emplace(section, true);
            }
            add(section, rest);
        }
        for (const std::string& name : known.name_sections) {
            add("", name);
        }
        for (const std::string& name : known.blocks) {
            add("", name);
        }
    }

    bool knows(const std::string& section, const std::string& name) const {
        const auto found = names.find(section);
        return found != names.end() &&
               std::find(found->second.begin(), found->second.end(), name) != found->second.end();
    }
    bool holds_keys_inside(const std::string& path) const { return holds_keys.count(path) != 0; }
    bool is_section(const std::string& path) const {
        return holds_keys_inside(path) ||
               std::find(known.name_sections.begin(), known.name_sections.end(), path) !=
                   known.name_sections.end();
    }
    bool is_key_path(const std::string& path) const {
        return std::find(known.keys.begin(), known.keys.end(), path) != known.keys.end();
    }

    // Every level, in catalogue order, with its names.
    const std::vector<std::pair<std::string, std::vector<std::string>>>& all() const {
        return ordered;
    }

private:
    void add(const std::string& section, const std::string& name) {
        auto& level = names[section];
        if (std::find(level.begin(), level.end(), name) != level.end()) {
            return;
        }
        level.push_back(name);
        auto found = std::find_if(ordered.begin(), ordered.end(),
                                  [&section](const auto& entry) { return entry.first == section; });
        if (found == ordered.end()) {
            ordered.emplace_back(section, std::vector<std::string>{});
            found = ordered.end() - 1;
        }
        found->second.push_back(name);
    }

    const key_catalogue& known;
    std::map<std::string, std::vector<std::string>> names;
    std::map<std::string, bool> holds_keys;
    std::vector<std::pair<std::string, std::vector<std::string>>> ordered;
};

// How far `candidate` is from `name` when it is close enough to be suggested for it (see
// closest_name), else nothing.
std::optional<std::size_t> closeness(std::string_view name, std::string_view candidate) {
    // Names whose lengths differ by more than 3 are at least that far apart (a prefix exactly
    // that far), so long names are never compared in full.
    const std::size_t length_difference = name.size() > candidate.size()
                                              ? name.size() - candidate.size()
                                              : candidate.size() - name.size();
    const std::size_t distance =
        length_difference > 3 ? length_difference : edit_distance(name, candidate);
    const bool close = distance <= 3 && distance < name.size();
    const std::string_view shorter = name.size() < candidate.size() ? name : candidate;
    const std::string_view longer = name.size() < candidate.size() ? candidate : name;
    const bool prefix = shorter.size() >= 4 && longer.substr(0, shorter.size()) == shorter;
    if (!close && !prefix) {
        return std::nullopt;
    }
    return distance;
}

// How a key at `level` is named in a warning about an entry at `section`: alone at its own
// level, "event-name at the top level", "points.fastest-lap".
std::string suggested(const std::string& level, const std::string& section,
                      const std::string& candidate) {
    if (level == section) {
        return candidate;
    }
    return level.empty() ? candidate + " " + level_text(level) : joined(level, candidate);
}

// The closest known key to an unknown `name` written at `section`, as the warning shows it.
std::optional<std::string> suggestion(const key_levels& levels, const std::string& section,
                                      const std::string& name) {
    std::optional<std::string> best;
    std::size_t best_distance = 0;
    bool best_here = false;
    for (const auto& [level, names] : levels.all()) {
        const bool here = level == section;
        for (const std::string& candidate : names) {
            const std::optional<std::size_t> distance = closeness(name, candidate);
            if (!distance) {
                continue;
            }
            const bool better = !best || *distance < best_distance ||
                                (*distance == best_distance && here && !best_here);
            if (!better) {
                continue;
            }
            best_distance = *distance;
            best_here = here;
            best = suggested(level, section, candidate);
        }
    }
    return best;
}

// Words organisers reach for, and the key they mean, whatever the spelling distance. "title",
// "series-name" and "name" mean the championship's name in its own file, the event's elsewhere.
struct guess {
    const char* word;
    const char* level;
    const char* key;       // null: the name key of the file
    const char* note = nullptr;  // said after the question
};
const char* const rounds_note = "best-results is the number of rounds that count";
const guess guesses[] = {
    {"drop-rounds", "points", "best-results", rounds_note},
    {"drops", "points", "best-results", rounds_note},
    {"dropped-rounds", "points", "best-results", rounds_note},
    {"discard", "points", "best-results", rounds_note},
    {"best-of", "points", "best-results", rounds_note},
    {"pole", "points", "fastest-qualifier"},
    {"pole-position", "points", "fastest-qualifier"},
    {"title", "", nullptr},
    {"series-name", "", nullptr},
    {"name", "", nullptr},
    {"team", "", "teams"},
};

bool is_points_table(const std::string& path) {
    return path == "points.race" || path == "points.qualifying" || path == "points.grid";
}

const char* const block_rule =
    " (ignored); round and from blocks are written at the top level of the championship's "
    "rostrum.conf";

class key_checker {
public:
    key_checker(const entry_places& places, const key_levels& levels, const key_catalogue& known,
                std::vector<std::string>& warnings)
        : places(places), levels(levels), known(known), warnings(warnings) {}

    // Checks the entries of `tree`, at `section` of the file. `event_settings`: they are one
    // event's settings (an event's own file, a block), not the championship's top level.
    // `outer_block` is the block that holds them ("from \"r01\""), or null.
    void check(const pt::ptree& tree, const std::string& section, bool event_settings,
               const std::string* outer_block = nullptr) {
        std::unordered_map<std::string, const pt::ptree*> first;
        std::unordered_map<std::string, const pt::ptree*> first_block;  // by kind and folder
        for (auto it = tree.begin(); it != tree.end(); ++it) {
            const auto& [name, child] = *it;
            const std::string path = joined(section, name);
            if (section.empty() && is_block(name)) {
                const std::string block = name + " \"" + visible(child.data()) + "\"";
                if (outer_block != nullptr) {
                    warn(child, block + " inside " + *outer_block + block_rule);
                } else if (event_settings) {
                    warn(child, block + block_rule);
                } else if (const auto [earlier, is_first] =
                               first_block.emplace(name + '\n' + child.data(), &child);
                           name == "round" && !is_first) {
                    warn(child, "repeated " + block + " (ignored); the first, at " +
                                    places.relative_to(*earlier->second, child) + ", counts");
                } else {
                    check(child, "", true, &block);
                }
                continue;
            }
            if (!levels.knows(section, name)) {
                if (it != tree.begin() && places.follows_value(child)) {
                    it = value_with_spaces(tree, std::prev(it), section);
                    continue;
                }
                not_known_here(child, section, name, event_settings);
                continue;
            }
            if (event_settings &&
                std::find(known.championship_keys.begin(), known.championship_keys.end(), path) !=
                    known.championship_keys.end()) {
                warn(child, visible(path) +
                                " is read from the championship's rostrum.conf only (ignored here)");
            }
            const auto [earlier, is_first] = first.emplace(name, &child);
            if (!is_first) {
                warn(child, std::string("repeated ") +
                                (levels.is_section(path) ? "section " : "key ") + visible(path) +
                                " (ignored); the first, at " +
                                places.relative_to(*earlier->second, child) + ", counts");
                continue;
            }
            if (levels.holds_keys_inside(path)) {
                check(child, path, event_settings, outer_block);
            }
        }
    }

private:
    void warn(const pt::ptree& entry, const std::string& text) {
        warnings.push_back(places.of(entry) + ": " + text);
    }

    // The entries after `head` that follow its value on its line and are no keys of the section
    // ("race 25, 18, 15" reads as race = "25," and the entries "18," and "15"): one warning, at
    // the first of them. Returns the last of them.
    pt::ptree::const_iterator value_with_spaces(const pt::ptree& tree,
                                                pt::ptree::const_iterator head,
                                                const std::string& section) {
        const std::string path = joined(section, head->first);
        std::string spaced = head->second.data();
        std::string joined_up = spaced;
        auto last = std::next(head);
        for (auto it = last; it != tree.end() && !levels.knows(section, it->first) &&
                             places.follows_value(it->second);
             ++it) {
            last = it;
            for (const std::string* part : {&it->first, &it->second.data()}) {
                if (!part->empty()) {
                    spaced += " " + *part;
                    joined_up += *part;
                }
            }
        }
        const pt::ptree& first = std::next(head)->second;
        std::string text = visible(path) + ": " + visible(std::next(head)->first) +
                           " follows its value on the same line (ignored); a value with spaces is "
                           "written in double quotes";
        text += is_points_table(path)
                    ? ", and a points table without the spaces: " + visible(head->first) + " " +
                          visible(joined_up)
                    : ": " + visible(head->first) + " \"" + visible(spaced) + "\"";
        warn(first, text);
        return last;
    }

    void not_known_here(const pt::ptree& entry, const std::string& section,
                        const std::string& name, bool event_settings) {
        const std::string path = visible(joined(section, name));
        if (name.find('.') != std::string::npos && levels.is_key_path(name)) {
            const auto dot = name.rfind('.');
            warn(entry, "misplaced key " + path +
                            " (ignored); a dotted name is not read as a path: write " +
                            name.substr(dot + 1) + " inside the " + name.substr(0, dot) +
                            " section");
            return;
        }
        std::string belongs;
        for (const auto& [level, names] : levels.all()) {
            if (level != section && std::find(names.begin(), names.end(), name) != names.end()) {
                belongs += (belongs.empty() ? "" : " or ") + level_text(level);
            }
        }
        if (!belongs.empty()) {
            warn(entry, "misplaced key " + path + " (ignored); it belongs " + belongs);
            return;
        }
        std::string text = "unknown key " + path + " (ignored)";
        const auto guessed = std::find_if(std::begin(guesses), std::end(guesses),
                                          [&name](const guess& g) { return name == g.word; });
        if (guessed != std::end(guesses)) {
            const char* key = guessed->key != nullptr
                                  ? guessed->key
                                  : (event_settings ? "event-name" : "championship-name");
            text += "; did you mean " + suggested(guessed->level, section, key) + "?";
            if (guessed->note != nullptr) {
                text += std::string(" ") + guessed->note;
            }
        } else if (const auto closest = suggestion(levels, section, name)) {
            text += "; did you mean " + *closest + "?";
        }
        warn(entry, text);
    }

    bool is_block(const std::string& name) const {
        return std::find(known.blocks.begin(), known.blocks.end(), name) != known.blocks.end();
    }

    const entry_places& places;
    const key_levels& levels;
    const key_catalogue& known;
    std::vector<std::string>& warnings;
};

const pt::ptree* first_section(const pt::ptree& tree, const char* name) {
    const auto found = tree.find(name);
    return found == tree.not_found() ? nullptr : &found->second;
}

}  // namespace

std::vector<std::string> check_keys(const pt::ptree& tree, const entry_places& places,
                                    const key_catalogue& known, bool blocks_allowed) {
    std::vector<std::string> warnings;
    const key_levels levels(known);
    key_checker(places, levels, known, warnings).check(tree, "", !blocks_allowed);
    return warnings;
}

std::optional<std::string> closest_name(std::string_view name,
                                        const std::vector<std::string>& candidates) {
    std::optional<std::string> best;
    std::size_t best_distance = 0;
    for (const std::string& candidate : candidates) {
        const std::optional<std::size_t> distance = closeness(name, candidate);
        if (distance && (!best || *distance < best_distance)) {
            best = candidate;
            best_distance = *distance;
        }
    }
    return best;
}

std::vector<std::string> check_driver_sections(const pt::ptree& tree,
                                               const entry_places& places) {
    std::vector<std::string> warnings;
    const auto warn = [&](const pt::ptree& entry, const std::string& text) {
        warnings.push_back(places.of(entry) + ": " + text);
    };

    // "Apex Racing { ... }" is the name "Apex" with the value "Racing" and a block: a name with
    // spaces written without quotes.
    for (const char* section_name : {"forced-names", "teams", "penalties", "modify-points"}) {
        if (const pt::ptree* section = first_section(tree, section_name)) {
            for (const auto& [name, entry] : *section) {
                if (!entry.data().empty() && !entry.empty()) {
                    warn(entry, std::string(section_name) + ": " + visible(name) + " " +
                                    visible(entry.data()) + " is read as the name " +
                                    visible(name) + ", and " + visible(entry.data()) +
                                    " is ignored; a name with spaces is written in double quotes: "
                                    "\"" + visible(name) + " " + visible(entry.data()) + "\"");
                }
            }
        }
    }

    if (const pt::ptree* teams = first_section(tree, "teams")) {
        struct membership {
            const std::string* team;
            const pt::ptree* entry;
        };
        std::unordered_map<std::string, membership> latest;  // by name key match
        for (const auto& [team, members] : *teams) {
            for (const auto& [member, entry] : members) {
                const auto [found, is_new] =
                    latest.try_emplace(make_config_name_key(member).match, membership{&team, &entry});
                if (!is_new && *found->second.team != team) {
                    warn(entry, "teams: " + visible(member) + " is listed under \"" +
                                    visible(*found->second.team) + "\" (" +
                                    places.relative_to(*found->second.entry, entry) + ") and \"" +
                                    visible(team) + "\"; the later, \"" + visible(team) +
                                    "\", counts");
                }
                found->second = {&team, &entry};
            }
        }
    }

    const auto check_repeats = [&](const char* section_name, auto consequence) {
        const pt::ptree* section = first_section(tree, section_name);
        if (section == nullptr) {
            return;
        }
        std::unordered_map<std::string, const pt::ptree*> first;
        for (const auto& [name, entry] : *section) {
            const auto [found, is_new] = first.try_emplace(make_config_name_key(name).match, &entry);
            if (!is_new) {
                warn(entry, std::string(section_name) + ": " + visible(name) +
                                " is named again (first at " +
                                places.relative_to(*found->second, entry) + "); " +
                                consequence(*found->second, entry));
            }
        }
    };
    check_repeats("penalties", [](const pt::ptree& earlier, const pt::ptree& later) {
        const bool both_times =
            read_penalty_ms(earlier.data()).has_value() && read_penalty_ms(later.data()).has_value();
        return std::string(both_times ? "the later time penalty counts" : "both entries apply");
    });
    check_repeats("modify-points", [](const pt::ptree&, const pt::ptree&) {
        return std::string("the later change counts");
    });
    return warnings;
}

std::size_t edit_distance(std::string_view a, std::string_view b) {
    // d[i][j]: the distance between the first i bytes of a and the first j bytes of b.
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) {
        d[i][0] = i;
    }
    for (std::size_t j = 0; j <= b.size(); ++j) {
        d[0][j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

}  // namespace options

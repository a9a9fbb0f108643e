#pragma once

#include <boost/property_tree/ptree_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Checks of a parsed configuration file for the slips organisers make: keys the program does not
// know, known keys at the wrong level, keys and sections written twice, drivers listed twice.
// Each check returns complete warning texts that start with the place ("rostrum.conf(12): ...")
// and have no line end; reading the file goes on as before, so the first of two keys still counts.
namespace options {

class entry_places;

// The keys a configuration file may hold, by path ("points.race", "event-name"), the top-level
// sections whose entries are driver or team names, never checked as keys, and the blocks of the
// championship's file ("round", "from"): top-level sections named by an event folder, which hold
// what an event's own file may hold.
struct key_catalogue {
    std::vector<std::string> keys;
    std::vector<std::string> name_sections;
    std::vector<std::string> blocks;
    // The keys that belong to the whole season, read from the championship's file alone.
    std::vector<std::string> championship_keys;
};

// Unknown keys (at the top level and inside the sections that hold keys), with the closest known
// key when one is within a Damerau-Levenshtein distance of 3 (and less than the key's length) or
// one of the two starts with the other (of four bytes at least): "rostrum.conf(4): unknown key
// points.fastest-laps (ignored); did you mean
// fastest-lap?". A known key at the wrong level or written as a dotted name is misplaced:
// "rostrum.conf(2): misplaced key fastest-lap (ignored); it belongs in the points section". A
// known key or section written again at the same level: "rostrum.conf(9): repeated section
// penalties (ignored); the first, at line 3, counts". Entries of the name sections are not keys.
//
// Two slips are named for what they most likely are. Entries that follow a value on its line and
// are no keys there ("race 25, 18, 15" gives race = "25," and the entries "18," and "15"): one
// warning at the first, "rostrum.conf(4): points.race: 18, follows its value on the same line
// (ignored); a value with spaces is written in double quotes, and a points table without the
// spaces: race 25,18,15". Words organisers reach for suggest the key they mean ("drop-rounds":
// points.best-results; "title": championship-name, in an event's file event-name).
//
// The content of a block is checked as a file of its own. With `blocks_allowed` (the
// championship's file) any number of blocks may stand at the top level, but a second "round"
// block for one folder is repeated: "rostrum.conf(9): repeated round "r02" (ignored); the first,
// at line 3, counts". A block inside a block, and any block where they are not allowed (an event's
// own file), is ignored: "rostrum.conf(9): round "r02" inside from "r01" (ignored); round and from
// blocks are written at the top level of the championship's rostrum.conf". A championship key in
// an event's file or a block does nothing there: "./r1/rostrum.conf(3): points.best-results is
// read from the championship's rostrum.conf only (ignored here)".
std::vector<std::string> check_keys(const boost::property_tree::ptree& tree,
                                    const entry_places& places, const key_catalogue& known,
                                    bool blocks_allowed = true);

// The closest of `candidates` to `name` under the rule of the unknown-key suggestion: a
// Damerau-Levenshtein distance of 3 at most and less than the length of `name`, or one of the two
// a prefix of the other (of four bytes at least); the smallest distance wins, the first of equal
// ones. Nothing when none is close.
std::optional<std::string> closest_name(std::string_view name,
                                        const std::vector<std::string>& candidates);

// Drivers listed twice in the driver sections that are read (the first of each name): under two
// teams ("rostrum.conf(14): teams: ann is listed under "Red" (line 9) and "Blue"; the later,
// "Blue", counts"), and named twice in "penalties" or "modify-points". Names are compared as the
// program matches drivers (in any letter case). Call it after the sections were read without
// error, so that every name is valid.
std::vector<std::string> check_driver_sections(const boost::property_tree::ptree& tree,
                                               const entry_places& places);

// The optimal string alignment form of the Damerau-Levenshtein distance: insertions, deletions,
// substitutions and swaps of two neighbouring bytes each count 1.
std::size_t edit_distance(std::string_view a, std::string_view b);

}  // namespace options

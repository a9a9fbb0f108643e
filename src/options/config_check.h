#pragma once

#include <boost/property_tree/ptree_fwd.hpp>
#include <string>
#include <string_view>
#include <vector>

// Checks of a parsed configuration file for the slips organisers make: keys the program does not
// know, known keys at the wrong level, keys and sections written twice, drivers listed twice.
// Each check returns complete warning texts that start with the place ("rostrum.conf(12): ...")
// and have no line end; reading the file goes on as before, so the first of two keys still counts.
namespace options {

class entry_places;

// The keys a configuration file may hold, by path ("points.race", "event-name"), and the
// top-level sections whose entries are driver or team names, never checked as keys.
struct key_catalogue {
    std::vector<std::string> keys;
    std::vector<std::string> name_sections;
};

// Unknown keys (at the top level and inside the sections that hold keys), with the closest known
// key when one is within a Damerau-Levenshtein distance of 3 (and less than the key's length) or
// one of the two starts with the other (of four bytes at least): "rostrum.conf(4): unknown key
// points.fastest-laps (ignored); did you mean
// fastest-lap?". A known key at the wrong level or written as a dotted name is misplaced:
// "rostrum.conf(2): misplaced key fastest-lap (ignored); it belongs in the points section". A
// known key or section written again at the same level: "rostrum.conf(9): repeated section
// penalties (ignored); the first, at line 3, counts". Entries of the name sections are not keys.
std::vector<std::string> check_keys(const boost::property_tree::ptree& tree,
                                    const entry_places& places, const key_catalogue& known);

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

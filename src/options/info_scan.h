#pragma once

#include <boost/property_tree/ptree_fwd.hpp>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Where the entries of a configuration file were written, and the bounds of reading it.
//
// Boost.PropertyTree's INFO reader builds the tree but keeps no line numbers, and it opens the
// files named by "#include" itself, whatever they are. `scan_info` goes through the same text
// first, line by line under the same rules, and notes the file and line of every entry in the
// order the reader creates them; on the way it refuses what would make the reading endless or
// exhaust memory (a device or FIFO pulled in by "#include", too much text, sections nested too
// deep for the tree to be freed safely). The tree itself is always the reader's.
namespace options {

// All text of one configuration: its file and every file it pulls in, counted each time.
constexpr std::size_t max_configuration_bytes = std::size_t{1} << 20;
// Sections inside sections; a real configuration has three levels at most.
constexpr int max_section_depth = 100;

struct info_place {
    std::uint32_t file = 0;  // index into info_scan::files
    std::uint32_t line = 0;  // 1-based
    // Another entry's value stands before this entry on its line ("race 25, 18" makes "18," an
    // entry after the value "25,").
    bool after_value = false;
    // When the entry's value (a word, not quoted) ends at a ";", the comment it starts: the rest of
    // the line ("race 25;18;15" is the value "25" and the comment "18;15").
    std::optional<std::string> comment;
};

struct info_scan {
    // [0] names the scanned text (as given); then every file pulled in by "#include", named as
    // written there (as the reader names it in its errors).
    std::vector<std::string> files;
    // Every file pulled in by "#include", as opened, in the order they were met.
    std::vector<std::filesystem::path> included;
    // One per entry, in the order the reader creates them.
    std::vector<info_place> entries;
    // False when the scan stopped at a syntax error: the reader reports it.
    bool complete = true;
};

// Scans INFO text named `label` (a byte-order mark must already be removed), opening included
// files relative to the working directory as the reader does. Throws std::runtime_error
// label + "(" + line + "): " + one of
//   "sections nested deeper than 100 levels",
//   "#include " + name + ": not a regular file",
//   "#include " + name + ": configuration text over 1 MiB"
// (with the label of the file that holds the line).
info_scan scan_info(std::string_view text, std::string label);

// Reads `in` up to its end or up to `limit` bytes, whichever comes first, holding only as much
// memory as the text read needs (never the whole limit for a small file). The stream's state tells
// whether a read failed (bad) or the end was reached (eof).
std::string read_at_most(std::istream& in, std::size_t limit);

// The place of every entry of `tree`, the reader's tree of the scanned text, as "file(line)".
// When the scan and the tree disagree (the scan stopped early), every place is the scanned
// file's label alone.
class entry_places {
public:
    entry_places(const boost::property_tree::ptree& tree, const info_scan& scan);

    // "rostrum.conf(12)", with control characters shown visibly.
    std::string of(const boost::property_tree::ptree& entry) const;
    // Whether another entry's value stands before `entry` on its line.
    bool follows_value(const boost::property_tree::ptree& entry) const;
    // The comment that directly follows the entry's value, when one does.
    std::optional<std::string> comment_after_value(const boost::property_tree::ptree& entry) const;
    // The line of an entry when it was written in the same file as `other`, for "at line 4";
    // otherwise the whole place.
    std::string relative_to(const boost::property_tree::ptree& entry,
                            const boost::property_tree::ptree& other) const;

private:
    const info_scan& scan;
    std::unordered_map<const boost::property_tree::ptree*, info_place> places;
};

}  // namespace options

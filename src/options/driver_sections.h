#pragma once

#include <boost/property_tree/ptree_fwd.hpp>

#include "options/option_set.h"

namespace options {

class entry_places;

// Reads the top-level sections "forced-names", "teams", "penalties" and "modify-points" of a
// parsed configuration file (the first of each name; an absent one adds nothing) into the
// per-driver fields of `set`. Entries are read in file order; each entry's name (a team's name
// too, and each team member's) is made into a `name_key` first. An entry for a driver already
// present replaces its value; `disqualified` and `hidden` only grow.
//
//   forced-names { "driver" "display name" }
//   teams { "team name" { "member" "" "member" "display name" } }
//   penalties { "driver" 30 "driver" dsq }        ; seconds, or dsq / disqualify / remove / hide
//   modify-points { "driver" "-2 late arrival" }  ; a point value, then a label ("custom")
//
// A time penalty is whole seconds or seconds to the millisecond ("1.5"); it is stored in
// milliseconds. Every entry (a team's members each) is also appended to `set.adjustments` with its
// place and `where`.
//
// Throws std::runtime_error place + ": penalties: " + name + ": invalid empty penalty",
// place + ": penalties: " + name + ": unrecognised penalty: " + value and
// place + ": modify-points: " + name + ": invalid value: " + value (name and value as written,
// control characters shown visibly; a label that starts with "," or "." and a digit is a decimal
// written wrongly, and the message says how to write it), place + ": " + section + ": " + name +
// ": latin1::encode_next: unable to encode code point" for a name code page 1252 cannot hold,
// and std::range_error "bad conversion" for a name that is not UTF-8. The place ("rostrum.conf(12)")
// comes from `places`.
void read_driver_sections(option_set& set, const boost::property_tree::ptree& tree,
                          const entry_places& places, adjustment_entry::scope where);

}  // namespace options

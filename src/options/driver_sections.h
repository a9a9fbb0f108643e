#pragma once

#include <boost/property_tree/ptree_fwd.hpp>

#include "options/option_set.h"

namespace options {

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
// Throws std::runtime_error "penalties: " + name + ": invalid empty penalty",
// "penalties: " + name + ": unrecognised penalty: " + value and
// "modify-points: " + name + ": invalid value: " + value (name and value as written), and the
// errors of make_config_name_key (std::range_error "bad conversion" for invalid UTF-8).
void read_driver_sections(option_set& set, const boost::property_tree::ptree& tree);

}  // namespace options

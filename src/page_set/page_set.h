#pragma once

#include <string>

// The modern page set, compiled into the program: the files of examples/templates/ as they are.
// Under `output.page-set modern` every page without a template file of its own is rendered from
// these; their names in template messages are "built-in modern race template" and so on.
extern const std::string modern_series_template;
extern const std::string modern_teams_template;
extern const std::string modern_race_template;
extern const std::string modern_qualifying_template;
extern const std::string modern_index_template;   // "index.html", the home page
extern const std::string modern_driver_template;  // a page of "drivers/"

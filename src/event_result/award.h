#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/points.h"
#include "event_result/event_result.h"
#include "options/option_set.h"

// The points of a table for a 1-based position when `count` drivers took part (0 outside the
// table or the field; the reduced rule when the table's flag is set).
points_value table_points(const options::scoring_positions& table, std::int32_t position,
                          std::int32_t count);

// Hands a bonus to tied drivers (in their order) under a sharing mode, adding the item
// (points, reason) to their entries of `scores`, created when missing. Nothing when the points
// are 0 or nobody won. Throws std::runtime_error "points overflow for " + user name when a total
// or a divided share leaves the 32-bit range (a share names the first winner).
void award_bonus(score_table& scores, points_value points, options::shared_points_mode mode,
                 const std::vector<name_key>& winners, const std::string& reason);

// "1st", "2nd", "3rd", "4th", "11th", "21st", "111th".
std::string ordinal_text(std::int32_t n);

// With classes (options.has_classes): sets every row's class (the driver's named class, else the
// class of his race car, else of his qualifying car; a car in no class is a class of its own,
// named by the car), the qualifying rows' places in their classes, `event.classes` (those of its
// drivers: the settings' order, then the others as met) and `event.classless_cars`. Without
// classes it clears the two lists. award_points calls it; the qualifying page needs it before.
void assign_classes(event_result& event);

// Fills `event.scores` (replacing what it held) from the event's race, qualifying and options,
// and writes every race row's `climb`. A row without a time (is_timed) never wins the fastest-lap
// or a fastest-qualifier bonus, and a driver without a qualifying time is no climber "with a
// qualifying time" or "from his qualifying position"; his untimed qualifying row still has its
// position and that position's points. `event.options` must be set. Throws std::runtime_error
// "points overflow for " + user name when a driver's points leave the 32-bit range.
//
// With classes each class is scored as a race and a qualifying of its own: positions, grid slots
// (the order of the class's slots on the field's grid) and every bonus within the class; the
// entries note their class. The classification rule (points.minimum-distance) measures a driver
// against his class winner (the race winner without classes): one left out keeps his grid and
// qualifying points, scores no finishing points and no bonus that depends on the finish, and
// has no finishing position; his row's `classified` is false.
void award_points(event_result& event);

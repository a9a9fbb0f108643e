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

// Fills `event.scores` (replacing what it held) from the event's race, qualifying and options,
// and writes every race row's `climb`. A row without a time (is_timed) never wins the fastest-lap
// or a fastest-qualifier bonus, and a driver without a qualifying time is no climber "with a
// qualifying time" or "from his qualifying position"; his untimed qualifying row still has its
// position and that position's points. `event.options` must be set. Throws std::runtime_error
// "points overflow for " + user name when a driver's points leave the 32-bit range.
void award_points(event_result& event);

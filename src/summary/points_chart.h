#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "event_result/event_result.h"
#include "standings/standings.h"

// The series page's points chart, the tag "points-chart": an inline SVG line chart of the
// running series total of the first `drivers` drivers of `ranking` after each event of `events`
// (under the same best-results rule as the standings, so dropped rounds follow the counted
// totals). Events lie on the horizontal axis, labelled with their names; the points axis has a
// few round tick values; each driver has a colour of his own, named in a legend in ranking order.
// The SVG has a `viewBox`, so it scales to the width of its box, and a `<title>` and `<desc>` for
// screen readers. Every coordinate is a whole number and every text is escaped; nothing is
// fetched and nothing is scripted. Writes nothing when `drivers` is 0 or the ranking is empty.
// With `full_titles` the events are named with the tracks' full names (event_full_title).
void write_points_chart(std::ostream& out, const std::vector<event_result>& events,
                        const std::vector<const driver_standing*>& ranking,
                        std::int32_t best_results, std::int32_t drivers,
                        bool full_titles = false);

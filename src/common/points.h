#pragma once

#include <boost/rational.hpp>
#include <cstdint>
#include <optional>
#include <string>

// Championship points: an exact fraction with a 32-bit numerator and denominator, always in
// lowest terms with a positive denominator (0 is 0/1).
//
// Boost's own arithmetic on this type wraps silently (or traps) when a result leaves 32 bits, so
// sums and quotients go through the checked functions below; each gives nothing when the exact
// result cannot be held, and the caller reports the overflow with the name it concerns.
using points_value = boost::rational<std::int32_t>;

// numerator/denominator reduced to lowest terms; nothing when the denominator is 0 or the
// reduced fraction does not fit (for example -2147483648/-1).
std::optional<points_value> make_points(std::int64_t numerator, std::int64_t denominator);

// a + b, exactly.
std::optional<points_value> checked_sum(points_value a, points_value b);

// a - b, exactly.
std::optional<points_value> checked_difference(points_value a, points_value b);

// a / divisor, exactly. Precondition: divisor > 0.
std::optional<points_value> checked_quotient(points_value a, std::int32_t divisor);

// Exact three-way comparison: negative, zero or positive as a is less than, equal to or greater
// than b. (Inline: the standings compare points at every step of their sorting.)
inline int compare_points(points_value a, points_value b) {
    const std::int64_t left = std::int64_t{a.numerator()} * b.denominator();
    const std::int64_t right = std::int64_t{b.numerator()} * a.denominator();
    return left < right ? -1 : left > right ? 1 : 0;
}

// One item of a driver's points breakdown for an event: the points and why they were given
// ("1st", "3rd on grid", "fastest lap", a manual change's label).
struct score_item {
    points_value points{0};
    std::string reason;
};

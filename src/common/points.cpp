#include "common/points.h"

#include <limits>
#include <numeric>

std::optional<points_value> make_points(std::int64_t numerator, std::int64_t denominator) {
    constexpr auto int64_min = std::numeric_limits<std::int64_t>::min();
    if (denominator == 0 || numerator == int64_min || denominator == int64_min) {
        return std::nullopt;
    }
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    if (denominator == 1) {  // a whole number, the usual case: nothing to reduce
        if (numerator < std::numeric_limits<std::int32_t>::min() ||
            numerator > std::numeric_limits<std::int32_t>::max()) {
            return std::nullopt;
        }
        return points_value(static_cast<std::int32_t>(numerator));
    }
    const std::int64_t divisor = std::gcd(numerator, denominator);
    numerator /= divisor;
    denominator /= divisor;
    if (numerator < std::numeric_limits<std::int32_t>::min() ||
        numerator > std::numeric_limits<std::int32_t>::max() ||
        denominator > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    // Already in lowest terms with a positive denominator, so Boost's normalisation is a no-op.
    return points_value(static_cast<std::int32_t>(numerator),
                        static_cast<std::int32_t>(denominator));
}

std::optional<points_value> checked_sum(points_value a, points_value b) {
    // Each product stays below 2^62 in magnitude, so neither they nor their sum can overflow.
    const std::int64_t numerator =
        std::int64_t{a.numerator()} * b.denominator() + std::int64_t{b.numerator()} * a.denominator();
    return make_points(numerator, std::int64_t{a.denominator()} * b.denominator());
}

std::optional<points_value> checked_difference(points_value a, points_value b) {
    const std::int64_t numerator =
        std::int64_t{a.numerator()} * b.denominator() - std::int64_t{b.numerator()} * a.denominator();
    return make_points(numerator, std::int64_t{a.denominator()} * b.denominator());
}

std::optional<points_value> checked_quotient(points_value a, std::int32_t divisor) {
    return make_points(a.numerator(), std::int64_t{a.denominator()} * divisor);
}

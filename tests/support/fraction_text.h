#pragma once

#include <sstream>
#include <string>

#include "common/points.h"

// A points value as an exact fraction ("10", "-1/2"), for comparing values in test output.
inline std::string text_of(points_value points) {
    std::ostringstream out;
    out << points.numerator();
    if (points.denominator() != 1) {
        out << '/' << points.denominator();
    }
    return out.str();
}

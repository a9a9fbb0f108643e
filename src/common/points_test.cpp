#include "common/points.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr std::int64_t int32_min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t int32_max = std::numeric_limits<std::int32_t>::max();

TEST(points, make_points_normalises_and_rejects_what_does_not_fit) {
    struct case_t {
        std::int64_t numerator, denominator;
        std::optional<points_value> expected;
    };
    const case_t cases[] = {
        {2, 4, points_value(1, 2)},
        {1, -2, points_value(-1, 2)},
        {0, -5, points_value(0)},
        {6, -1, points_value(-6)},
        {int32_min, 1, points_value(std::int32_t{int32_min})},
        {int32_min, 3, points_value(std::int32_t{int32_min}, 3)},
        {int32_min, -1, std::nullopt},
        {-1, int32_min, std::nullopt},
        {int32_min, int32_min, points_value(1)},
        {int32_max + 1, 2, points_value(1 << 30)},
        {int32_max + 1, 1, std::nullopt},
        {1, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(make_points(c.numerator, c.denominator), c.expected)
            << c.numerator << "/" << c.denominator;
    }
}

TEST(points, checked_arithmetic_is_exact_or_nothing) {
    const points_value third(1, 3);
    auto sum = checked_sum(third, third);
    ASSERT_TRUE(sum);
    sum = checked_sum(*sum, third);
    EXPECT_EQ(sum, points_value(1));

    EXPECT_EQ(checked_sum(points_value(10), points_value(1, std::int32_t{int32_max})), std::nullopt);
    EXPECT_EQ(checked_sum(points_value(std::int32_t{int32_max}), points_value(1)), std::nullopt);
    EXPECT_EQ(checked_sum(points_value(std::int32_t{int32_min}), points_value(-1)), std::nullopt);
    EXPECT_EQ(checked_sum(points_value(std::int32_t{int32_max}), points_value(-1)),
              points_value(std::int32_t{int32_max - 1}));

    EXPECT_EQ(checked_quotient(points_value(1), 3), third);
    EXPECT_EQ(checked_quotient(points_value(1, 2), 3), points_value(1, 6));
    EXPECT_EQ(checked_quotient(points_value(1, std::int32_t{int32_max}), 2), std::nullopt);
}

TEST(points, compare_points_is_exact) {
    EXPECT_EQ(compare_points(points_value(1, 3), points_value(1, 3)), 0);
    EXPECT_LT(compare_points(points_value(1, 3), points_value(1, 2)), 0);
    EXPECT_GT(compare_points(points_value(std::int32_t{int32_max}, 2),
                             points_value(std::int32_t{int32_max - 2}, 2)),
              0);
    EXPECT_LT(compare_points(points_value(std::int32_t{int32_min}), points_value(0)), 0);
}

}  // namespace

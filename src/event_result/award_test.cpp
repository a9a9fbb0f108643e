#include "event_result/award.h"

#include <gtest/gtest.h>

namespace {

TEST(award, ordinals) {
    const struct {
        std::int32_t n;
        const char* text;
    } cases[] = {
        {1, "1st"},     {2, "2nd"},     {3, "3rd"},     {4, "4th"},     {10, "10th"},
        {11, "11th"},   {12, "12th"},   {13, "13th"},   {20, "20th"},   {21, "21st"},
        {22, "22nd"},   {23, "23rd"},   {101, "101st"}, {102, "102nd"}, {111, "111th"},
        {112, "112th"}, {113, "113th"}, {121, "121st"}, {211, "211th"}, {255, "255th"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ordinal_text(c.n), c.text);
    }
}

}  // namespace

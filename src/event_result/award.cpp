#include "event_result/award.h"

std::string ordinal_text(std::int32_t n) {
    const std::int32_t last_two = n % 100;
    const char* suffix = "th";
    if (last_two < 11 || last_two > 13) {
        switch (n % 10) {
            case 1: suffix = "st"; break;
            case 2: suffix = "nd"; break;
            case 3: suffix = "rd"; break;
            default: break;
        }
    }
    return std::to_string(n) + suffix;
}

#include "event_result/event_result.h"

#include <stdexcept>

std::int64_t event_result::start_time() const {
    if (race) {
        return race->start_time;
    }
    if (qualifying) {
        return qualifying->start_time;
    }
    throw std::runtime_error("start_time() called on invalid event");
}

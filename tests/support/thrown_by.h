#pragma once

#include <stdexcept>
#include <string>

// "range_error: <message>" or "runtime_error: <message>" of the exception `action` throws, or
// "no exception": a test compares the kind of error and its whole message at once.
template <class Action>
std::string thrown_by(Action action) {
    try {
        action();
    } catch (const std::range_error& e) {
        return std::string("range_error: ") + e.what();
    } catch (const std::runtime_error& e) {
        return std::string("runtime_error: ") + e.what();
    }
    return "no exception";
}

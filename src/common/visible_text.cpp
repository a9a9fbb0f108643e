#include "common/visible_text.h"

#include <algorithm>

namespace {

bool is_control(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

}  // namespace

std::string visible(std::string_view text) {
    if (!has_control_character(text)) {
        return std::string(text);
    }
    constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (is_control(c)) {
            const auto byte = static_cast<unsigned char>(c);
            out += "\\x";
            out += digits[byte >> 4];
            out += digits[byte & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

bool has_control_character(std::string_view text) {
    return std::any_of(text.begin(), text.end(), is_control);
}

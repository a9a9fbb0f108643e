#include "options/value_syntax.h"

#include <cstdint>
#include <iterator>
#include <limits>
#include <string>

#include "console/console.h"

namespace options {
namespace {

// Restores a stream's formatting flags when the read ends, however it ends.
class flags_keeper {
public:
    explicit flags_keeper(std::istream& in) : in(in), saved(in.flags()) {}
    ~flags_keeper() { in.flags(saved); }
    flags_keeper(const flags_keeper&) = delete;
    flags_keeper& operator=(const flags_keeper&) = delete;

private:
    std::istream& in;
    std::ios_base::fmtflags saved;
};

// True when nothing but white space is left (white space is taken). The stream must be good.
bool only_white_space_left(std::istream& in) {
    in >> std::ws;
    return in.eof();
}

}  // namespace

int invalid_token_word() {
    static const int index = std::ios_base::xalloc();
    return index;
}

std::istream& operator>>(std::istream& in, point_type& value) {
    const flags_keeper keeper(in);
    std::int32_t numerator = 0;
    if (!(in >> numerator)) {
        return in;
    }
    if (in.peek() != '/') {
        in.clear();
        value.value = numerator;
        return in;
    }
    in.get();
    std::int32_t denominator = 0;
    if (!(in >> std::noskipws >> denominator)) {
        return in;
    }
    // Boost's normalisation cannot move the sign of -2147483648 to the numerator (it traps on
    // -2147483648/-2147483648 although the value is 1), so such a fraction is refused outright.
    const std::optional<points_value> fraction =
        denominator == std::numeric_limits<std::int32_t>::min()
            ? std::nullopt
            : make_points(numerator, denominator);
    if (!fraction) {
        in.setstate(std::ios_base::failbit);
        return in;
    }
    value.value = *fraction;
    return in;
}

std::istream& operator>>(std::istream& in, scoring_positions& table) {
    table = scoring_positions{};
    // Set while an element is being read that has at least one character other than white space.
    bool element_begun = false;
    while (in.good() && !only_white_space_left(in)) {
        element_begun = true;
        point_type value;
        if (!(in >> value)) {
            break;
        }
        element_begun = false;
        table.points.push_back(value.value);
        if (in.get() != ',') {
            break;
        }
    }
    if (in.eof()) {
        // The text ended: between elements the list is complete; inside an element that could
        // not be read (a lone sign, a zero denominator, a number too large) the value is refused
        // rather than quietly shortened.
        if (!element_begun) {
            in.clear(std::ios_base::eofbit);
        }
        return in;
    }
    std::string rest(std::istreambuf_iterator<char>(in.rdbuf()), std::istreambuf_iterator<char>());
    error_stream << "invalid token near " << rest << '\n';
    in.iword(invalid_token_word()) = 1;
    return in;
}

std::istream& operator>>(std::istream& in, shared_points_mode& mode) {
    std::string word;
    if (!(in >> word)) {
        return in;
    }
    if (const auto found = shared_points_mode_of_name(word)) {
        mode = *found;
    } else {
        in.setstate(std::ios_base::failbit);
    }
    return in;
}

std::istream& operator>>(std::istream& in, column_list& list) {
    column_list read;
    std::string word;
    while (in >> word) {
        const auto found = column_of_name(word);
        if (!found) {
            error_stream << "invalid column type: " << word << '\n';
            in.setstate(std::ios_base::failbit);
            return in;
        }
        read.columns.push_back(*found);
    }
    if (in.eof()) {
        in.clear(std::ios_base::eofbit);
        list = std::move(read);
    }
    return in;
}

}  // namespace options

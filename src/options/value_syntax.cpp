#include "options/value_syntax.h"

#include <cstdint>
#include <iterator>
#include <limits>
#include <locale>
#include <numeric>
#include <sstream>
#include <string>

#include "common/visible_text.h"
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

bool is_digit(int c) { return c >= '0' && c <= '9'; }

constexpr std::uint64_t int32_magnitude = std::uint64_t{1} << 31;  // of -2147483648

// Characters read one at a time from a stream buffer, with the stream's state set at the end.
class char_reader {
public:
    explicit char_reader(std::istream& in) : in(in), buffer(in.rdbuf()) {}

    int peek() {
        const int c = buffer->sgetc();
        if (c == std::char_traits<char>::eof()) {
            at_end = true;
        }
        return c;
    }
    void take() { buffer->sbumpc(); }

    // Digits as a magnitude, saturated just above 2^31; false when there is none.
    bool whole_number(std::uint64_t& value, int* count = nullptr) {
        value = 0;
        int digits = 0;
        for (int c = peek(); is_digit(c); c = peek()) {
            value = std::min(value * 10 + static_cast<std::uint64_t>(c - '0'), int32_magnitude + 1);
            ++digits;
            take();
        }
        if (count) {
            *count = digits;
        }
        return digits > 0;
    }

    bool sign(bool& negative) {
        const int c = peek();
        negative = c == '-';
        if (c == '-' || c == '+') {
            take();
        }
        return negative;
    }

    std::istream& failed() {
        in.setstate(at_end ? std::ios_base::failbit | std::ios_base::eofbit
                           : std::ios_base::failbit);
        return in;
    }

private:
    std::istream& in;
    std::streambuf* buffer;
    bool at_end = false;
};

// whole + 0.digits exactly, negated when `negative`; trailing zeros of `digits` are not needed.
std::optional<points_value> decimal_value(bool negative, std::uint64_t whole, std::string digits) {
    while (!digits.empty() && digits.back() == '0') {
        digits.pop_back();
    }
    if (digits.size() > 18) {
        return std::nullopt;
    }
    std::uint64_t fraction = 0;
    std::uint64_t scale = 1;
    for (const char d : digits) {
        fraction = fraction * 10 + static_cast<std::uint64_t>(d - '0');
        scale *= 10;
    }
    // The reduced denominator is scale / gcd(fraction, scale); the whole part does not change it.
    const std::uint64_t divisor = std::gcd(fraction, scale);
    const std::uint64_t denominator = scale / divisor;
    if (denominator > std::numeric_limits<std::int32_t>::max() || whole > int32_magnitude) {
        return std::nullopt;
    }
    const auto numerator = static_cast<std::int64_t>(whole * denominator + fraction / divisor);
    return make_points(negative ? -numerator : numerator, static_cast<std::int64_t>(denominator));
}

// Reads one point value (see operator>> for point_type); `decimal_places` tells how many digits
// followed a decimal point (0 for a whole number or a fraction).
std::istream& read_point(std::istream& in, points_value& value, int& decimal_places) {
    decimal_places = 0;
    const flags_keeper keeper(in);
    const std::istream::sentry sentry(in);  // skips leading white space when the stream does
    if (!sentry) {
        return in;
    }
    char_reader reader(in);
    bool negative = false;
    reader.sign(negative);
    std::uint64_t whole = 0;
    if (!reader.whole_number(whole)) {
        return reader.failed();
    }
    const std::uint64_t limit = negative ? int32_magnitude : int32_magnitude - 1;
    if (reader.peek() == '.') {
        reader.take();
        std::string digits;
        for (int c = reader.peek(); is_digit(c); c = reader.peek()) {
            digits += static_cast<char>(c);
            reader.take();
        }
        if (digits.empty() || reader.peek() == '/') {
            return reader.failed();
        }
        const auto decimal = decimal_value(negative, whole, digits);
        if (!decimal) {
            return reader.failed();
        }
        decimal_places = static_cast<int>(digits.size());
        value = *decimal;
        return in;
    }
    if (whole > limit) {
        return reader.failed();
    }
    const std::int64_t numerator = negative ? -static_cast<std::int64_t>(whole)
                                            : static_cast<std::int64_t>(whole);
    if (reader.peek() != '/') {
        value = points_value(static_cast<std::int32_t>(numerator));
        return in;
    }
    reader.take();
    bool negative_denominator = false;
    reader.sign(negative_denominator);
    std::uint64_t denominator = 0;
    // A denominator of -2147483648 cannot give its sign to the numerator, so it is refused.
    if (!reader.whole_number(denominator) || denominator >= int32_magnitude) {
        return reader.failed();
    }
    const auto fraction = make_points(numerator, negative_denominator
                                                     ? -static_cast<std::int64_t>(denominator)
                                                     : static_cast<std::int64_t>(denominator));
    if (!fraction) {
        return reader.failed();
    }
    value = *fraction;
    return in;
}

struct table_scan {
    table_reading reading;
    bool cut_by_end = false;  // an element failed because the text ended inside it
};

table_scan scan_table(std::string_view text) {
    table_scan scan;
    table_reading& result = scan.reading;
    std::istringstream in{std::string(text)};
    in.imbue(std::locale::classic());
    while (in.good() && !only_white_space_left(in)) {
        const auto start = static_cast<std::size_t>(in.tellg());
        points_value value;
        int decimal_places = 0;
        if (!read_point(in, value, decimal_places)) {
            result.accepted = false;
            scan.cut_by_end = in.eof();
            in.clear();
            break;
        }
        if (decimal_places >= 2) {
            const auto end = static_cast<std::size_t>(in.tellg());
            result.long_decimals.emplace_back(trimmed(text.substr(start, end - start)));
        }
        result.table.points.push_back(value);
        if (in.get() != ',') {
            break;
        }
    }
    if (!in.eof()) {
        in.clear();
        result.stopped_at =
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return scan;
}

}  // namespace

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view white_space = " \t\n\v\f\r";
    const auto first = text.find_first_not_of(white_space);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(white_space) - first + 1);
}

std::istream& operator>>(std::istream& in, point_type& value) {
    int decimal_places = 0;
    return read_point(in, value.value, decimal_places);
}

table_reading read_scoring_positions(std::string_view text) {
    table_reading reading = scan_table(text).reading;
    if (!reading.accepted) {
        reading.stopped_at.reset();
    }
    return reading;
}

std::istream& operator>>(std::istream& in, scoring_positions& table) {
    const std::string text(std::istreambuf_iterator<char>(in), {});
    const table_scan scan = scan_table(text);
    if (scan.reading.stopped_at && !scan.cut_by_end) {
        error_stream() << "invalid token near " << *scan.reading.stopped_at << '\n';
    }
    table = scan.reading.table;
    in.setstate(scan.reading.accepted ? std::ios_base::eofbit
                                      : std::ios_base::eofbit | std::ios_base::failbit);
    return in;
}

std::istream& operator>>(std::istream& in, round_count& count) {
    std::int32_t value = 0;
    if (in >> value) {
        if (value < 0) {
            in.setstate(std::ios_base::failbit);
        } else {
            count.value = value;
        }
    }
    return in;
}

std::istream& operator>>(std::istream& in, std::optional<minimum_distance>& rule) {
    point_type value;
    if (!(in >> value)) {
        return in;
    }
    minimum_distance read;
    read.value = value.value;
    if (in.peek() == '%') {
        in.get();
        read.share = true;
        const auto share = checked_quotient(value.value, 100);
        if (!share || value.value < 0 || value.value > 100) {
            in.setstate(std::ios_base::failbit);
            return in;
        }
        read.value = *share;
    } else if (value.value.denominator() != 1 || value.value < 0) {
        in.setstate(std::ios_base::failbit);
        return in;
    }
    rule = read;
    return in;
}

std::istream& operator>>(std::istream& in, page_set& set) {
    std::string word;
    if (!(in >> word)) {
        return in;
    }
    if (const auto found = page_set_of_name(word)) {
        set = *found;
    } else {
        in.setstate(std::ios_base::failbit);
    }
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
            error_stream() << "invalid column type: " << visible(word) << '\n';
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

std::string table_text(const scoring_positions& table) {
    if (table.points.empty()) {
        return "nothing";
    }
    std::string text;
    for (const points_value& points : table.points) {
        if (!text.empty()) {
            text += ',';
        }
        text += std::to_string(points.numerator());
        if (points.denominator() != 1) {
            text += '/' + std::to_string(points.denominator());
        }
    }
    return text;
}

std::optional<std::int64_t> read_penalty_ms(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i++] == '-';
    }
    std::uint64_t seconds = 0;
    const std::size_t first_digit = i;
    for (; i < text.size() && is_digit(text[i]); ++i) {
        seconds = std::min(seconds * 10 + static_cast<std::uint64_t>(text[i] - '0'),
                           int32_magnitude + 1);
    }
    if (i == first_digit || seconds > (negative ? int32_magnitude : int32_magnitude - 1)) {
        return std::nullopt;
    }
    std::int64_t milliseconds = static_cast<std::int64_t>(seconds) * 1000;
    if (i + 1 < text.size() && text[i] == '.' && is_digit(text[i + 1])) {
        std::int64_t scale = 100;
        for (++i; i < text.size() && is_digit(text[i]); ++i, scale /= 10) {
            if (scale == 0) {
                return std::nullopt;  // more than three decimal places
            }
            milliseconds += (text[i] - '0') * scale;
        }
    }
    return negative ? -milliseconds : milliseconds;
}

}  // namespace options

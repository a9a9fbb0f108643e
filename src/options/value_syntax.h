#pragma once

#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "options/option_set.h"

// The text forms of the configuration value types, read from a stream. A key's value is read
// through these with the property tree's stream-translator rules: only white space may follow
// what was read.
namespace options {

// One point value: an optional sign and a decimal whole number, then optionally either a decimal
// point with at least one digit after it ("0.5", "-1.25": exact, 1/2 and -5/4) or, at once, "/"
// and a denominator written without white space ("1/3", "1/-2"). The value is kept in lowest terms
// with a positive denominator. Fails when no number can be read ("", ".5", "one"), a "." is not
// followed by a digit ("1."), a decimal is followed by "/" ("1.5/2"), the denominator is 0, or the
// exact value does not fit a 32-bit numerator and denominator (more than 18 decimal places that
// are not trailing zeros never do here). The character after the value is not taken; when there
// is none, the stream is left good. The stream's formatting flags are kept.
std::istream& operator>>(std::istream& in, point_type& value);

// What reading a points table found.
struct table_reading {
    scoring_positions table;  // the elements read before the list stopped; `reduced` false
    bool accepted = true;     // false when an element could not be read: the value is invalid
    // The text not taken when the list stopped at anything but a comma (after taking that one
    // character): "10;6" keeps 10 and stops at "6".
    std::optional<std::string> stopped_at;
    // Elements written with two or more decimal places, as written ("15.12"): most likely two
    // positions typed with a point instead of a comma.
    std::vector<std::string> long_decimals;
};

// A comma-separated list of point values ("25,18,15", "10, 6", "0.5,0.25"). An empty text or white
// space only is an empty table, and a comma with nothing after it ends the list.
table_reading read_scoring_positions(std::string_view text);

// The stream form of read_scoring_positions over the rest of the stream: a list that stops at
// anything but a comma writes "invalid token near " + the text not taken + line feed to
// `error_stream` and is still accepted ("10;6" gives 10); one with an element that cannot be read
// fails, after the same line unless the text ended inside that element ("10,x" writes it,
// "10,-" does not).
std::istream& operator>>(std::istream& in, scoring_positions& table);

// A whole number, 0 or greater ("8", "+8"); fails for a sign alone, a negative number, one that
// does not fit in 32 bits, or a decimal ("8.0" leaves ".0").
std::istream& operator>>(std::istream& in, round_count& count);

// One word, named in the sharing mode table ("award-all", "divide-between", "award-first").
std::istream& operator>>(std::istream& in, shared_points_mode& mode);

// The classification rule: a share of the class winner's laps ("90%", "87.5%": a point value and
// "%", from 0 to 100) or a whole number of laps ("3").
std::istream& operator>>(std::istream& in, std::optional<minimum_distance>& rule);

// One word, "classic" or "modern".
std::istream& operator>>(std::istream& in, page_set& set);

// Column names separated by white space, up to the end of the text ("position driver car"); an
// empty text is an empty list. A word that names no column writes "invalid column type: " + the
// word + line feed to `error_stream` and fails.
std::istream& operator>>(std::istream& in, column_list& list);

// `text` without the white space (space, tab, line ends) around it.
std::string_view trimmed(std::string_view text);

// A table as it is written back in messages: "20,15,1", "1/2,1/4"; "nothing" when empty.
std::string table_text(const scoring_positions& table);

// A time penalty in milliseconds: an optional sign and whole seconds (32-bit), optionally
// followed by "." and one to three digits ("1.5" is 1500, "-0.25" is -250); anything after that
// is ignored ("30s"). Nothing when the value does not start with a number, or has more than three
// decimal places.
std::optional<std::int64_t> read_penalty_ms(std::string_view text);

}  // namespace options

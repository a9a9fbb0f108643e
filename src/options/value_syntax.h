#pragma once

#include <istream>

#include "options/option_set.h"

// The text forms of the configuration value types, read from a stream. A key's value is read
// through these with the property tree's stream-translator rules: only white space may follow
// what was read.
namespace options {

// One point value: a decimal whole number with an optional sign, optionally followed at once by
// "/" and a denominator written without white space ("1/3", "-2", "1/-2"). The fraction is kept in
// lowest terms with a positive denominator. Fails when no number can be read, a number does not
// fit in 32 bits, the denominator is 0, or the fraction cannot be held in 32 bits (-2147483648/-1;
// a denominator of -2147483648, whose sign cannot move to the numerator). The character after the
// value is not taken; when there is none, the stream is left good. There is no decimal point:
// "0.5" reads 0 and leaves ".5". The stream's formatting flags are kept.
std::istream& operator>>(std::istream& in, point_type& value);

// A comma-separated list of point values ("25,18,15", "10, 6"); `reduced` is false. An empty text
// or white space only is an empty table, and a comma with nothing after it ends the list. A list
// that stops at anything else writes "invalid token near " + the rest of the text + line feed to
// `error_stream` and takes that rest; the list is still accepted when it stopped at a character
// other than a comma ("10;6" gives 10, with the warning), and fails when an element failed to
// read ("10,x"). An element that the end of the text cuts off ("10,-", "10,5/0",
// "25,18,99999999999") fails without a warning. When the warning is written, the stream's word
// `invalid_token_word()` is set to 1. The table holds the elements read before the stop.
std::istream& operator>>(std::istream& in, scoring_positions& table);

// One word, named in the sharing mode table ("award-all", "divide-between", "award-first").
std::istream& operator>>(std::istream& in, shared_points_mode& mode);

// Column names separated by white space, up to the end of the text ("position driver car"); an
// empty text is an empty list. A word that names no column writes "invalid column type: " + the
// word + line feed to `error_stream` and fails.
std::istream& operator>>(std::istream& in, column_list& list);

// The index of the stream word (std::ios_base::iword) set to 1 when a scoring positions read
// wrote "invalid token near ".
int invalid_token_word();

}  // namespace options

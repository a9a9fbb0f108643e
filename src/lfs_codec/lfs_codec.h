#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The simulator's text: 8-bit strings in Windows code pages, switched inside a string by caret
// escapes ("^L" code page 1252, "^J" 932, ...), with colour codes "^0" to "^9" and escapes for the
// characters its names may not hold ("^v" for "|", "^^" for "^", ...).
namespace lfs_codec {

// Replaces `out` with the UTF-8 decoding of `text` (the raw bytes up to the first zero byte).
// A damaged character decodes to U+FFFD and decoding goes on; the only failure is
// std::runtime_error when the platform has no converter for a code page the text switches to.
void decode(std::string_view text, std::string& out);

// Removes the first code point of UTF-8 text (not empty) and returns it. Strict: a cut sequence,
// an overlong form, a surrogate or a value above U+10FFFF throws std::range_error "bad conversion".
char32_t next_code_point(std::string_view& utf8);

// Throws std::range_error "bad conversion" unless `text` is valid UTF-8.
void require_utf8(std::string_view text);

// Appends the UTF-8 form (one to three bytes) of one UTF-16 unit.
void append_utf8(std::string& out, std::uint16_t unit);

}  // namespace lfs_codec

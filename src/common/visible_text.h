#pragma once

#include <string>
#include <string_view>

// Text from a configuration file or a path, made safe to show in a console message: a carriage
// return is written as "\r", a tab as "\t" and every other control byte (0x00 to 0x1F, 0x7F) as
// "\xNN" with two upper-case hexadecimal digits. Every other byte, UTF-8 included, stays.
std::string visible(std::string_view text);

// True when `text` holds a byte that `visible` would rewrite.
bool has_control_character(std::string_view text);

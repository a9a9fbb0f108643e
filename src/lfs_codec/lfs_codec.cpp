#include "lfs_codec/lfs_codec.h"

#include <algorithm>
#include <stdexcept>

#include "lfs_codec/codepage.h"

namespace lfs_codec {
namespace {

// The character an escape "^c" stands for, or c itself when c is not in the table.
char unescape(char c) {
    switch (c) {
        case '^':
            return '^';
        case 'a':
            return '*';
        case 'c':
            return ':';
        case 'd':
            return '\\';
        case 'h':
            return '#';
        case 'l':
            return '<';
        case 'q':
            return '?';
        case 'r':
            return '>';
        case 's':
            return '/';
        case 't':
            return '"';
        case 'v':
            return '|';
        default:
            return c;
    }
}

}  // namespace

char32_t next_code_point(std::string_view& utf8) {
    const auto fail = [] { throw std::range_error("bad conversion"); };
    const auto lead = static_cast<unsigned char>(utf8.front());
    int length = 0;
    char32_t code_point = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        length = 1;
        code_point = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code_point = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code_point = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code_point = lead & 0x07;
        minimum = 0x10000;
    } else {
        fail();
    }
    if (utf8.size() < static_cast<std::size_t>(length)) {
        fail();
    }
    for (int i = 1; i < length; ++i) {
        const auto continuation = static_cast<unsigned char>(utf8[i]);
        if ((continuation & 0xC0) != 0x80) {
            fail();
        }
        code_point = (code_point << 6) | (continuation & 0x3F);
    }
    if (code_point < minimum || code_point > 0x10FFFF ||
        (code_point >= 0xD800 && code_point <= 0xDFFF)) {
        fail();
    }
    utf8.remove_prefix(length);
    return code_point;
}

void require_utf8(std::string_view text) {
    while (!text.empty()) {
        next_code_point(text);
    }
}

void append_utf8(std::string& out, std::uint16_t unit) {
    if (unit < 0x80) {
        out += static_cast<char>(unit);
    } else if (unit < 0x800) {
        out += static_cast<char>(0xC0 | (unit >> 6));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (unit >> 12));
        out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    }
}

void decode(std::string_view text, std::string& out) {
    out.clear();
    // As long as the text: enough for most names, and a short one stays inside the string (asking
    // for the three bytes one byte can become would allocate for every name).
    out.reserve(text.size());
    const codepage::base* const latin1 = &codepage::latin1::instance();
    const codepage::base* page = latin1;
    while (!text.empty()) {
        if (text.front() != '^') {
            if (page == latin1 && static_cast<unsigned char>(text.front()) < 0x80) {
                // A run of ASCII up to the next caret is itself in code page 1252 and in UTF-8.
                const auto run = std::find_if(text.begin(), text.end(), [](char c) {
                    return c == '^' || static_cast<unsigned char>(c) >= 0x80;
                });
                const auto length = static_cast<std::size_t>(run - text.begin());
                out.append(text.data(), length);
                text.remove_prefix(length);
            } else {
                append_utf8(out, page->next(text));
            }
            continue;
        }
        text.remove_prefix(1);
        if (text.empty()) {
            out += '^';
            break;
        }
        const char c = text.front();
        text.remove_prefix(1);
        if (c >= '0' && c <= '9') {
            continue;  // colour code
        }
        if (const codepage::base* selected = codepage::select(c)) {
            page = selected;
            continue;
        }
        out += unescape(c);
    }
}

}  // namespace lfs_codec

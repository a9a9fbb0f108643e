#include "lfs_codec/lfs_codec.h"

#include "lfs_codec/codepage.h"

namespace lfs_codec {
namespace {

// The character an escape "^c" stands for, or c itself when c is not in the table.
char unescape(char c) {
    switch (c) {
        case '^': return '^';
        case 'a': return '*';
        case 'c': return ':';
        case 'd': return '\\';
        case 'h': return '#';
        case 'l': return '<';
        case 'q': return '?';
        case 'r': return '>';
        case 's': return '/';
        case 't': return '"';
        case 'v': return '|';
        default: return c;
    }
}

}  // namespace

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
    out.reserve(text.size() * 3);  // the most one byte can become, so one allocation at most
    const codepage::base* page = &codepage::latin1::instance();
    while (!text.empty()) {
        if (text.front() != '^') {
            append_utf8(out, page->next(text));
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

#include "lfs_codec/name_key.h"

#include <algorithm>

#include "lfs_codec/codepage.h"
#include "lfs_codec/lfs_codec.h"

std::string fold_case(std::string_view bytes) {
    std::string folded(bytes);
    for (char& c : folded) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) {
            c = static_cast<char>(b + 0x20);
        }
    }
    return folded;
}

name_key make_name_key(std::string_view raw) {
    name_key key{fold_case(raw), {}};
    // As long as the bytes: enough for an ASCII name, and a short one stays inside the string.
    key.display.reserve(raw.size());
    const auto& latin1 = lfs_codec::codepage::latin1::instance();
    while (!raw.empty()) {
        if (static_cast<unsigned char>(raw.front()) < 0x80) {
            // A run of ASCII is itself in code page 1252 and in UTF-8.
            const auto run = std::find_if(raw.begin(), raw.end(), [](char c) {
                return static_cast<unsigned char>(c) >= 0x80;
            });
            const auto length = static_cast<std::size_t>(run - raw.begin());
            key.display.append(raw.data(), length);
            raw.remove_prefix(length);
        } else {
            lfs_codec::append_utf8(key.display, latin1.next(raw));
        }
    }
    return key;
}

name_key make_config_name_key(std::string_view utf8) {
    return {fold_case(lfs_codec::codepage::latin1::encode(utf8)), std::string(utf8)};
}

// The code page conversion on Windows: MultiByteToWideChar, which keeps no state between calls.
#include <windows.h>

#include <stdexcept>
#include <string>

#include "lfs_codec/codepage_platform.h"

namespace lfs_codec::codepage_platform {

struct converter::state {
    UINT code_page;
};

converter::converter(unsigned code_page) : state_(std::make_unique<state>(state{code_page})) {
    if (!IsValidCodePage(code_page)) {
        throw std::runtime_error("code page " + std::to_string(code_page) +
                                 ": no conversion available: not installed");
    }
}

converter::~converter() = default;

std::optional<std::uint16_t> converter::convert(std::string_view character) const {
    // MB_ERR_INVALID_CHARS: an unmapped character fails instead of becoming a default character.
    // A second character or a surrogate pair does not fit the room of one unit and fails too.
    wchar_t unit = 0;
    const int written =
        MultiByteToWideChar(state_->code_page, MB_ERR_INVALID_CHARS, character.data(),
                            static_cast<int>(character.size()), &unit, 1);
    if (written != 1) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(unit);
}

}  // namespace lfs_codec::codepage_platform

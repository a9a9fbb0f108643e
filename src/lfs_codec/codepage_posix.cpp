// The code page conversion on Linux: glibc's iconv, one converter per code page, opened once.
#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <string>

#include "lfs_codec/codepage_platform.h"

namespace lfs_codec::codepage_platform {

struct converter::state {
    iconv_t descriptor;
    // An iconv descriptor carries conversion state from call to call, so one character is
    // converted at a time.
    std::mutex lock;
};

converter::converter(unsigned code_page) : state_(std::make_unique<state>()) {
    const std::string name = "CP" + std::to_string(code_page);
    state_->descriptor = iconv_open("UTF-16LE", name.c_str());
    if (state_->descriptor == reinterpret_cast<iconv_t>(-1)) {
        const int error = errno;
        throw std::runtime_error("code page " + std::to_string(code_page) +
                                 ": no conversion available: " + std::strerror(error));
    }
}

converter::~converter() {
    iconv_close(state_->descriptor);
}

std::optional<std::uint16_t> converter::convert(std::string_view character) const {
    // iconv's interface takes non-const input although it never writes through it.
    char* input = const_cast<char*>(character.data());
    std::size_t input_left = character.size();
    unsigned char output[2];
    char* output_end = reinterpret_cast<char*>(output);
    std::size_t output_left = sizeof output;

    const std::lock_guard<std::mutex> guard(state_->lock);
    // Reset first: a failed call can leave the descriptor in the middle of a character.
    iconv(state_->descriptor, nullptr, nullptr, nullptr, nullptr);
    const std::size_t result =
        iconv(state_->descriptor, &input, &input_left, &output_end, &output_left);
    // All bytes consumed into exactly one unit; a second character or a surrogate pair does not
    // fit the room of one unit (E2BIG).
    if (result == static_cast<std::size_t>(-1) || input_left != 0 || output_left != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(output[0] | (output[1] << 8));
}

}  // namespace lfs_codec::codepage_platform

// The libFuzzer program of one harness; ROSTRUM_FUZZ_TARGET names it (see targets.h).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz_target& target = fuzz_target_named(ROSTRUM_FUZZ_TARGET);
    target.run(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}

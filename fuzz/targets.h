#pragma once

#include <string_view>
#include <vector>

// The entry points of the fuzzing harnesses, as plain functions: the libFuzzer programs
// (fuzz_main.cpp) call them with the fuzzer's bytes, and the unit tests call them with every seed
// and regression input kept in fuzz/corpus/ and fuzz/regressions/.
//
// Each harness makes a scratch folder of its own under the system's temporary directory once per
// process and runs in it as the working directory (a fuzzed configuration can name any path);
// the folder is removed when the process ends. While a harness runs, `error_stream` and
// `log_stream` write into a null buffer; both and the working directory are given back when it
// returns or throws. (A crash ends the process inside the scratch folder: give the fuzzer an
// absolute -artifact_prefix.)
//
// What the program reports as an error (the std::runtime_error family: std::range_error, file
// system and INFO parser errors) is an expected outcome of a damaged input; its message must not
// be empty. Any other exception passes through: the code's own invariant errors
// (std::logic_error and its kin, boost::bad_rational), std::bad_alloc, and std::logic_error
// "fuzz invariant: ..." from the harness's own checks of what a result must satisfy.

struct fuzz_target {
    const char* name;  // "replay", "codec", "config", "template", "event"
    void (*run)(std::string_view bytes);
};

// Every harness, in the order above.
const std::vector<fuzz_target>& fuzz_targets();

// The harness of that name. Throws std::invalid_argument for an unknown name.
const fuzz_target& fuzz_target_named(std::string_view name);

// The separator of the event harness's input: an event "rostrum.conf" (not written when empty),
// then up to four replays, each after a separator. Bytes after a fifth separator are ignored.
constexpr std::string_view event_input_separator = "\n--next-file--\n";

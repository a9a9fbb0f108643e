#include "targets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "event_result/event_directory.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// The seeds of a harness (fuzz/corpus/<harness>/) and the inputs that once showed a defect
// (fuzz/regressions/<harness>/), in file name order.
std::vector<fs::path> inputs_of(const std::string& harness) {
    std::vector<fs::path> inputs;
    for (const char* kind : {"corpus", "regressions"}) {
        const fs::path folder = fs::path(FUZZ_DIR) / kind / harness;
        if (!fs::is_directory(folder)) {
            continue;
        }
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.is_regular_file()) {
                inputs.push_back(entry.path());
            }
        }
    }
    sort_by_file_name(inputs);
    return inputs;
}

class fuzz_inputs : public testing::TestWithParam<std::string> {};

// Every kept input runs through its harness as the fuzzer ran it: no exception but the program's
// own errors, which the harness absorbs, and no broken invariant.
TEST_P(fuzz_inputs, run_without_defect) {
    const fuzz_target& target = fuzz_target_named(GetParam());
    const std::vector<fs::path> inputs = inputs_of(GetParam());
    EXPECT_FALSE(inputs.empty()) << "no seed for the " << GetParam() << " harness";
    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input.string());
        const std::string bytes = read_file(input);
        EXPECT_NO_THROW(target.run(bytes));
    }
}

std::vector<std::string> harness_names() {
    std::vector<std::string> names;
    for (const fuzz_target& target : fuzz_targets()) {
        names.emplace_back(target.name);
    }
    return names;
}

INSTANTIATE_TEST_SUITE_P(harnesses, fuzz_inputs, testing::ValuesIn(harness_names()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return info.param;
                         });

}  // namespace

// Every configuration example of README.md (a fenced block marked "conf") is read as the
// championship's "rostrum.conf", so that the guide cannot drift from the program. An example that
// shows a mistake on purpose says so in the line before it, with the messages it must give:
//
//   <!-- expect: warning: rostrum.conf(3): unknown key points.fastest-laps (ignored); did you mean fastest-lap? -->
//   ```conf
//   ...
//   ```
//
// One "expect" line per message, in order: "warning: ..." as reading writes it, "fatal error: ..."
// for the error that ends the reading. An example without one must read without any message.
// Template files an example names are created empty beside it.
#include <gtest/gtest.h>

#include <boost/property_tree/info_parser.hpp>
#include <boost/property_tree/ptree.hpp>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "console/console.h"
#include "options/config_file.h"
#include "support/stream_capture.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

struct conf_example {
    std::size_t line = 0;           // of README.md where the block starts
    std::string text;               // the block's lines
    std::vector<std::string> expected;  // the messages it must give
};

std::vector<conf_example> conf_examples() {
    std::ifstream readme(README_PATH);
    std::vector<conf_example> examples;
    std::vector<std::string> pending;  // "expect" lines just before a block
    std::string line;
    std::size_t number = 0;
    const std::string expect_start = "<!-- expect: ";
    const std::string expect_end = " -->";
    while (std::getline(readme, line)) {
        ++number;
        if (line.rfind(expect_start, 0) == 0 && line.size() >= expect_start.size() + expect_end.size() &&
            line.compare(line.size() - expect_end.size(), expect_end.size(), expect_end) == 0) {
            pending.push_back(line.substr(expect_start.size(),
                                          line.size() - expect_start.size() - expect_end.size()));
            continue;
        }
        if (line != "```conf") {
            pending.clear();
            continue;
        }
        conf_example example;
        example.line = number;
        example.expected = std::move(pending);
        pending.clear();
        while (std::getline(readme, line) && line != "```") {
            ++number;
            example.text += line + "\n";
        }
        ++number;
        examples.push_back(std::move(example));
    }
    return examples;
}

// What reading `text` as the championship's "rostrum.conf" says, one message per entry.
std::vector<std::string> messages_of(const std::string& text) {
    const temp_dir dir;
    write_file(dir.path() / "rostrum.conf", text);
    const working_directory inside(dir.path());
    try {
        std::istringstream in(text);
        boost::property_tree::ptree tree;
        boost::property_tree::read_info(in, tree);
        if (const auto templates = tree.get_child_optional("template")) {
            for (const auto& [page, file] : *templates) {
                write_file(fs::u8path(file.data()), "");
            }
        }
    } catch (const boost::property_tree::info_parser_error&) {
        // A syntax error is the example's own message.
    }
    std::string written;
    {
        const stream_capture errors(error_stream());
        try {
            options::option_set set;
            options::read_options_file(set, "rostrum.conf");
        } catch (const std::exception& error) {
            written = std::string("fatal error: ") + error.what() + "\n";
        }
        written.insert(0, errors.text());
    }
    std::istringstream text_lines(written);
    std::vector<std::string> lines;
    for (std::string line; std::getline(text_lines, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(readme, every_configuration_example_reads_as_the_guide_says) {
    const std::vector<conf_example> examples = conf_examples();
    ASSERT_GE(examples.size(), 5U) << "the guide's examples are marked ```conf";
    for (const conf_example& example : examples) {
        EXPECT_EQ(messages_of(example.text), example.expected)
            << "README.md line " << example.line << ":\n"
            << example.text;
    }
}

}  // namespace

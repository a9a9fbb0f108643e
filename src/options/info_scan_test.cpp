#include "options/info_scan.h"

#include <gtest/gtest.h>

#include <boost/property_tree/info_parser.hpp>
#include <boost/property_tree/ptree.hpp>
#include <sstream>
#include <stdexcept>
#include <string>

#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
namespace pt = boost::property_tree;

pt::ptree parsed(const std::string& text) {
    std::istringstream in(text);
    pt::ptree tree;
    pt::read_info(in, tree);
    return tree;
}

// "path = place" for every entry of the tree, depth first.
void describe(const pt::ptree& tree, const options::entry_places& places, const std::string& prefix,
              std::string& out) {
    for (const auto& [key, child] : tree) {
        out += prefix + key + " = " + places.of(child) + "\n";
        describe(child, places, prefix + key + ".", out);
    }
}

std::string places_of(const std::string& text) {
    const pt::ptree tree = parsed(text);
    const options::info_scan scan = options::scan_info(text, "rostrum.conf");
    std::string out;
    describe(tree, options::entry_places(tree, scan), "", out);
    return out;
}

std::string scan_failure(const std::string& text) {
    try {
        options::scan_info(text, "rostrum.conf");
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "no failure";
}

TEST(info_scan, entries_get_the_file_and_line_where_they_were_written) {
    const temp_dir dir;
    write_file(dir.path() / "shared.info", "; shared rules\nfastest-lap 1\n");
    const working_directory inside(dir.path());
    EXPECT_EQ(places_of(R"(; comment
points
{
    race "25,18" \
         "15"        ; a value continued on the next line
#include "shared.info"
    "quoted key" { a 1 } b 2
}
event-name Cup ; after a comment
)"),
              "points = rostrum.conf(2)\n"
              "points.race = rostrum.conf(4)\n"
              "points.fastest-lap = shared.info(2)\n"
              "points.quoted key = rostrum.conf(7)\n"
              "points.quoted key.a = rostrum.conf(7)\n"
              "points.b = rostrum.conf(7)\n"
              "event-name = rostrum.conf(9)\n");
}

TEST(info_scan, a_text_the_reader_refuses_gives_no_lines) {
    const std::string text = "a 1\nb \"unterminated\n";
    EXPECT_THROW(parsed(text), pt::info_parser_error);
    const options::info_scan scan = options::scan_info(text, "rostrum.conf");
    EXPECT_FALSE(scan.complete);
    const pt::ptree tree = parsed("a 1\n");  // what the reader kept had it not failed
    EXPECT_EQ(options::entry_places(tree, scan).of(tree.begin()->second), "rostrum.conf");
}

TEST(info_scan, sections_nest_at_most_100_deep) {
    std::string allowed;
    for (int i = 0; i < 100; ++i) {
        allowed += "a {\n";
    }
    allowed += std::string(100, '}');
    EXPECT_EQ(scan_failure(allowed), "no failure");
    EXPECT_EQ(scan_failure("x\n" + allowed + "\na {\n" + allowed + "}\n"),
              "rostrum.conf(203): sections nested deeper than 100 levels");
    // Sections opened in an included file count with those around the "#include".
    const temp_dir dir;
    write_file(dir.path() / "deep.info", allowed);
    const working_directory inside(dir.path());
    EXPECT_EQ(scan_failure("s\n{\n#include \"deep.info\"\n}\n"),
              "deep.info(100): sections nested deeper than 100 levels");
}

TEST(info_scan, included_files_must_be_regular_and_small) {
    const temp_dir dir;
    fs::create_directory(dir.path() / "folder.info");
    write_file(dir.path() / "big.info", std::string(options::max_configuration_bytes - 10, ';'));
    const working_directory inside(dir.path());
    EXPECT_EQ(scan_failure("\n#include \"folder.info\"\n"),
              "rostrum.conf(2): #include folder.info: not a regular file");
    EXPECT_EQ(scan_failure("#include \"big.info\"\n; twelve bytes\n"),
              "rostrum.conf(1): #include big.info: configuration text over 1 MiB");
    // An included file counts each time it is pulled in.
    write_file(dir.path() / "half.info", std::string(options::max_configuration_bytes / 2, ';'));
    EXPECT_EQ(scan_failure("#include \"half.info\"\n#include \"half.info\"\n"),
              "rostrum.conf(2): #include half.info: configuration text over 1 MiB");
    EXPECT_EQ(options::scan_info("#include \"half.info\"\n", "rostrum.conf").included,
              std::vector<fs::path>{"half.info"});
    // A device is never read (it could be endless); a missing file is the reader's to report.
    if (fs::exists("/dev/zero")) {
        EXPECT_EQ(scan_failure("#include \"/dev/zero\"\n"),
                  "rostrum.conf(1): #include /dev/zero: not a regular file");
    }
    EXPECT_FALSE(options::scan_info("#include \"none.info\"\n", "rostrum.conf").complete);
}

// Every level of a chain of includes holds its file's text while the levels inside it are read:
// a small file must cost its own size, not the budget left (a file including itself a hundred
// times once took 100 MiB).
TEST(info_scan, a_bounded_read_holds_what_it_read_and_stops_at_the_limit) {
    std::istringstream small("ten bytes.");
    const std::string text = options::read_at_most(small, options::max_configuration_bytes + 1);
    EXPECT_EQ(text, "ten bytes.");
    EXPECT_TRUE(small.eof());
    EXPECT_FALSE(small.bad());
    EXPECT_LT(text.capacity(), 4096u);

    std::istringstream large(std::string(200000, 'x'));
    EXPECT_EQ(options::read_at_most(large, 70001).size(), 70001u);
    EXPECT_EQ(options::read_at_most(large, 0), "");
    EXPECT_EQ(options::read_at_most(large, 200000).size(), 200000u - 70001u);
}

}  // namespace

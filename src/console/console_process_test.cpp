// The console behaviour that belongs to the whole process, observed from outside through a small
// driver program: what reaches standard output and standard error, and whether the log file
// appears. The console text of a Windows build differs only in its line ends (console_text); the
// log file is the same byte for byte.
#include <gtest/gtest.h>

#include "process.h"
#include "support/temp_dir.h"

namespace {

process_result run_driver(const temp_dir& dir, const std::string& scenario,
                          const std::string& input = "",
                          const std::vector<std::string>& arguments = {}) {
    std::vector<std::string> command = programs().console_test_driver;
    command.push_back(scenario);
    command.insert(command.end(), arguments.begin(), arguments.end());
    return run_process(command, dir.path(), input);
}

TEST(console_process, clean_run_is_silent_and_leaves_the_log_file) {
    const temp_dir dir;
    write_file(dir.path() / "rostrum.log", "an older log that is longer than the new one\n");
    const auto result = run_driver(dir, "progress");
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(read_file(dir.path() / "rostrum.log"),
              "foo\nentering event directory: ev1\n  parsing MPR: r\xC3\xA9sum\xC3\xA9.mpr: race\n");
}

TEST(console_process, first_error_moves_held_progress_text_to_the_console) {
    const temp_dir dir;
    write_file(dir.path() / "rostrum.log", "kept\n");
    const auto result = run_driver(dir, "warning");
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.out,
              console_text("entering event directory: ev1\n  parsing MPR: q.mpr: qualifying\n"));
    EXPECT_EQ(result.err, console_text("\n  warning: unable to write ./ev1/race.html\ndone\n"));
    EXPECT_EQ(read_file(dir.path() / "rostrum.log"), "kept\n");
}

TEST(console_process, no_log_file_after_an_error) {
    const temp_dir dir;
    run_driver(dir, "warning");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "rostrum.log"));
}

TEST(console_process, output_goes_to_standard_output_and_skipping_the_log_file_keeps_an_old_one) {
    const temp_dir dir;
    write_file(dir.path() / "rostrum.log", "kept\n");
    const auto result = run_driver(dir, "output");
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.out, console_text("r\xC3\xA9sum\xC3\xA9 \xF0\x9F\x98\x80\n"));
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(read_file(dir.path() / "rostrum.log"), "kept\n");
    const temp_dir fresh;
    run_driver(fresh, "output");
    EXPECT_FALSE(std::filesystem::exists(fresh.path() / "rostrum.log"));
}

TEST(console_process, error_stream_written_after_the_first_error_text) {
    const temp_dir dir;
    const auto result = run_driver(dir, "written");
    EXPECT_EQ(result.out, console_text("no\nyes\n"));
    EXPECT_EQ(result.err, console_text("warning\n"));
}

// On Windows the arguments come from the wide command line: through the ANSI code page (1252
// under Wine here) they would arrive as "Lódz" and "?5?".
TEST(console_process, arguments_arrive_whole_as_utf8) {
    const temp_dir dir;
    const std::string lodz = "\xC5\x81\xC3\xB3" "d\xC5\xBA";  // Łódź
    const std::string round5 = "\xE7\xAC\xAC" "5\xE6\x88\xA6";  // 第5戦
    const auto result = run_driver(dir, "arguments", "", {lodz, round5, "two words", "", "--help"});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.out, console_text(lodz + "\n" + round5 + "\ntwo words\n\n--help\n"));
    EXPECT_EQ(result.err, "");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "rostrum.log"));
}

TEST(console_process, utf8_is_decoded_across_writes_and_damage_is_dropped) {
    const temp_dir dir;
    // A four-byte character split over two writes arrives whole.
    EXPECT_EQ(run_driver(dir, "split").err, console_text("\xF0\x9F\x98\x80\n"));
    // Two bytes of a three-byte sequence then an ASCII letter: the sequence is abandoned; a
    // continuation byte with nothing pending is dropped.
    EXPECT_EQ(run_driver(dir, "abandoned").err, console_text("AB\n"));
    // A zero byte is a character like any other.
    EXPECT_EQ(run_driver(dir, "zero").err, console_text(std::string("a\0b\n", 4)));
}

TEST(console_process, prompts_wait_for_a_line_or_the_end_of_input) {
    const temp_dir dir;
    auto result = run_driver(dir, "prompt");
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.err, "Press enter to continue|Press enter to exit");
    result = run_driver(dir, "prompt", "first line\nsecond line\n");
    EXPECT_EQ(result.err, "Press enter to continue|Press enter to exit");
}

TEST(console_process, fatal_error_report_adds_the_utf8_hint_to_a_conversion_failure) {
    const temp_dir dir;
    const auto result = run_driver(dir, "fatal");
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, console_text("fatal error: bad conversion\n"
                                       "make sure all configuration files are saved in UTF-8 "
                                       "encoding\n"
                                       "Press enter to exit"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "rostrum.log"));
}

}  // namespace

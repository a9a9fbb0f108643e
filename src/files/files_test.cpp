#include "files/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>

#include "files/files_platform.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::hours;
using std::chrono::milliseconds;

// The names in a folder.
std::set<std::string> names_in(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// A renderer that writes `text` and notes that it ran.
struct page_text {
    std::string text;
    bool rendered = false;

    std::function<void(std::ostream&)> render() {
        return [this](std::ostream& out) {
            rendered = true;
            out << text;
        };
    }
};

TEST(files, modification_time_reads_the_time_the_standard_library_sets) {
    const temp_dir dir;
    const fs::path file = dir.path() / "page.html";
    write_file(file, "page");
    const struct {
        const char* name;
        fs::file_time_type time;
    } cases[] = {
        {"an hour ago", file_time_now() - hours(1)},
        {"a day ahead", file_time_now() + hours(24)},
        {"twenty years ago", file_time_now() - hours(24 * 365 * 20)},
    };
    for (const auto& c : cases) {
        fs::last_write_time(file, c.time);
        EXPECT_EQ(modification_time(file), fs::last_write_time(file)) << c.name;
    }
}

TEST(files, file_times_keep_fractions_of_a_second) {
    const temp_dir dir;
    const fs::path file = dir.path() / "rostrum.conf";
    write_file(file, "");
    const fs::file_time_type time = file_time_now() + hours(1) + milliseconds(300);
    fs::last_write_time(file, time);
    if (fs::last_write_time(file) != time) {
        // MinGW's std::filesystem sets and reads whole seconds; the end-to-end case
        // "file-time-precision" sets the times from Linux and checks the Windows program.
        GTEST_SKIP() << "the standard library cannot set a fraction of a second here";
    }
    EXPECT_EQ(modification_time(file), time);
    EXPECT_EQ(input_time(file), time);  // later than its arrival
}

TEST(files, the_input_time_is_the_later_of_last_write_and_arrival) {
    const temp_dir dir;
    const fs::file_time_type before = file_time_now();
    const fs::path file = dir.path() / "race.mpr";
    write_file(file, "replay");

    // Saved later than it arrived: it counts from the last write.
    fs::last_write_time(file, before + hours(2));
    EXPECT_EQ(input_time(file), before + hours(2));

    // Copied in with an old last-write time: it counts from its arrival.
    if (!file_arrival_time_known()) {
        GTEST_SKIP() << "this file system does not tell when a file arrived (Wine)";
    }
    fs::last_write_time(file, before - hours(24 * 365));
    EXPECT_GE(input_time(file), before);
    EXPECT_LT(input_time(file), before + hours(1));
    EXPECT_EQ(modification_time(file), before - hours(24 * 365));
}

TEST(files, file_times_follow_links_and_fail_with_the_path) {
    const temp_dir dir;
    const fs::path missing = dir.path() / "missing.conf";
    for (const auto read : {input_time, modification_time}) {
        try {
            read(missing);
            ADD_FAILURE() << "no failure";
        } catch (const fs::filesystem_error& error) {
            EXPECT_EQ(error.path1(), missing);
            EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory);
        }
    }
    // (MinGW's std::filesystem has whole seconds.)
    fs::create_directory(dir.path() / "folder");
    EXPECT_EQ(std::chrono::floor<std::chrono::seconds>(modification_time(dir.path() / "folder")),
              std::chrono::floor<std::chrono::seconds>(fs::last_write_time(dir.path() / "folder")));

    const fs::path target = dir.path() / "target.html";
    write_file(target, "page");
    const fs::file_time_type later = file_time_now() + hours(3);
    fs::last_write_time(target, later);
    std::error_code error;
    fs::create_symlink(target, dir.path() / "link.html", error);
    if (error) {
        GTEST_SKIP() << "no symbolic links here: " << error.message();
    }
    EXPECT_EQ(modification_time(dir.path() / "link.html"), later);
    EXPECT_EQ(input_time(dir.path() / "link.html"), later);
}

TEST(files, a_page_is_written_whole_and_replaces_the_old_one) {
    const temp_dir dir;
    const fs::path page = dir.path() / "race.html";
    page_text first{"first page"};
    EXPECT_EQ(write_page_file(page, first.render()), page_write::written);
    EXPECT_EQ(read_file(page), "first page");

    // A reader that opened the old page keeps reading it whole (where the system allows the
    // rename while it is open).
    std::ifstream reader(page, std::ios_base::binary);
    page_text second{"second\r\npage\n"};
    const bool replaced = write_page_file(page, second.render()) == page_write::written;
    std::string seen((std::istreambuf_iterator<char>(reader)), std::istreambuf_iterator<char>());
    EXPECT_EQ(seen, "first page");
    reader.close();
    if (replaced) {
        EXPECT_EQ(read_file(page), "second\r\npage\n") << "no line-end translation";
    } else {
        // Windows: a page held open by another program cannot be replaced.
        EXPECT_EQ(fs::path::preferred_separator, '\\');
        EXPECT_EQ(read_file(page), "first page");
        EXPECT_EQ(write_page_file(page, second.render()), page_write::written);
        EXPECT_EQ(read_file(page), "second\r\npage\n");
    }
    EXPECT_EQ(names_in(dir.path()), std::set<std::string>{"race.html"});
}

TEST(files, a_failed_page_leaves_the_old_page_and_no_temporary_file) {
    const temp_dir dir;
    const fs::path page = dir.path() / "race.html";
    write_file(page, "old page");

    const auto failing = [](std::ostream& out) {
        out << "half a page";
        throw std::runtime_error("template: race.tpl: empty tag");
    };
    try {
        write_page_file(page, failing);
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "template: race.tpl: empty tag");
    }
    EXPECT_EQ(read_file(page), "old page");
    EXPECT_EQ(names_in(dir.path()), std::set<std::string>{"race.html"});

    // A directory in the page's place is found when the finished page is renamed over it.
    fs::create_directory(dir.path() / "qualifying.html");
    page_text qualifying{"qualifying page"};
    EXPECT_EQ(write_page_file(dir.path() / "qualifying.html", qualifying.render()),
              page_write::failed);
    EXPECT_TRUE(qualifying.rendered);
    EXPECT_TRUE(fs::is_directory(dir.path() / "qualifying.html"));
    EXPECT_EQ(names_in(dir.path()), (std::set<std::string>{"qualifying.html", "race.html"}));

    // A folder that does not exist cannot take the temporary file: nothing is rendered.
    page_text lost{"lost page"};
    EXPECT_EQ(write_page_file(dir.path() / "missing" / "race.html", lost.render()),
              page_write::failed);
    EXPECT_FALSE(lost.rendered);
}

TEST(files, a_linked_page_is_written_through_the_link) {
    const temp_dir dir;
    const fs::path target = dir.path() / "www" / "round1.html";
    write_file(target, "old page");
    const fs::path page = dir.path() / "race.html";
    std::error_code error;
    fs::create_symlink(target, page, error);
    if (error) {
        GTEST_SKIP() << "no symbolic links here: " << error.message();
    }
    page_text text{"new page"};
    EXPECT_EQ(write_page_file(page, text.render()), page_write::written);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(page)));
    EXPECT_EQ(read_file(target), "new page");
    EXPECT_EQ(names_in(dir.path()), (std::set<std::string>{"race.html", "www"}));
    EXPECT_EQ(names_in(target.parent_path()), std::set<std::string>{"round1.html"});

    // A rendering that fails never touches the published page, nor the link.
    const auto failing = [](std::ostream& out) {
        out << "half a page";
        throw std::runtime_error("template: race.tpl: unrecognized tag: race-tabel");
    };
    EXPECT_THROW(write_page_file(page, failing), std::runtime_error);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(page)));
    EXPECT_EQ(read_file(target), "new page");
    EXPECT_EQ(names_in(dir.path()), (std::set<std::string>{"race.html", "www"}));
    EXPECT_EQ(names_in(target.parent_path()), std::set<std::string>{"round1.html"});

    // Where the target's folder takes no temporary file (here a folder holds its name), the page
    // is written beside the link and copied through it.
    const fs::path blocked =
        target.parent_path() /
        (".round1.html." + std::to_string(files_platform::process_id()) + ".tmp");
    fs::create_directory(blocked);
    page_text copied{"copied page"};
    EXPECT_EQ(write_page_file(page, copied.render()), page_write::written);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(page)));
    EXPECT_EQ(read_file(target), "copied page");
    EXPECT_EQ(names_in(dir.path()), (std::set<std::string>{"race.html", "www"}));
}

TEST(files, modification_times_are_set_at_full_precision) {
    const temp_dir dir;
    write_file(dir.path() / "race.html", "page");
    const fs::file_time_type time = modification_time(dir.path() / "race.html") -
                                    std::chrono::seconds(90) + std::chrono::microseconds(123400);
    EXPECT_TRUE(set_modification_time(dir.path() / "race.html", time));
    EXPECT_EQ(modification_time(dir.path() / "race.html"), time);
    EXPECT_FALSE(set_modification_time(dir.path() / "missing.html", time));
}


// A page of many blocks arrives whole, whatever the sizes of the pieces it is written in; a write
// that fails on the way (a full disk) fails the page.
TEST(files, a_long_page_is_written_whole_or_not_at_all) {
    const temp_dir dir;
    std::string text;
    for (int i = 0; text.size() < 300 * 1024; ++i) {
        text += std::string(static_cast<std::size_t>(i % 5000), static_cast<char>('a' + i % 26));
        text += '\n';
    }
    const auto render = [&text](std::ostream& out) {
        for (std::size_t at = 0, piece = 1; at < text.size(); at += piece, piece = piece * 7 % 9001) {
            out.write(text.data() + at, static_cast<std::streamsize>(std::min(piece, text.size() - at)));
        }
        out << std::flush;
    };
    EXPECT_EQ(write_page_file(dir.path() / "series.html", render), page_write::written);
    EXPECT_EQ(read_file(dir.path() / "series.html"), text);

    std::error_code error;
    fs::create_symlink("/dev/full", dir.path() / "teams.html", error);
    if (error || !fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full here";
    }
    // A link to a device is written through in place; it stays when that fails.
    EXPECT_EQ(write_page_file(dir.path() / "teams.html", render), page_write::target_incomplete);
    EXPECT_EQ(names_in(dir.path()), (std::set<std::string>{"series.html", "teams.html"}));
}


// The head of a file: at most the limit, with the file's input time; a directory or a missing
// file is told apart from a file that was read.
TEST(files, a_file_head_is_read_up_to_its_limit_with_the_input_time) {
    const temp_dir dir;
    write_file(dir.path() / "q1.mpr", "LFSMPR and the rest");
    char buffer[10];
    const file_head cut = read_file_head(dir.path() / "q1.mpr", buffer, sizeof buffer);
    EXPECT_EQ(cut.result, file_head::outcome::read);
    EXPECT_EQ(std::string(buffer, cut.size), "LFSMPR and");
    EXPECT_EQ(cut.input_time, input_time(dir.path() / "q1.mpr"));

    write_file(dir.path() / "short.mpr", "LFS");
    const file_head whole = read_file_head(dir.path() / "short.mpr", buffer, sizeof buffer);
    EXPECT_EQ(whole.result, file_head::outcome::read);
    EXPECT_EQ(std::string(buffer, whole.size), "LFS");

    fs::create_directory(dir.path() / "folder.mpr");
    EXPECT_EQ(read_file_head(dir.path() / "folder.mpr", buffer, sizeof buffer).result,
              file_head::outcome::directory);
    EXPECT_EQ(read_file_head(dir.path() / "missing.mpr", buffer, sizeof buffer).result,
              file_head::outcome::unreadable);
}

}  // namespace

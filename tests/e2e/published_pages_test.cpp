// Organisers link the pages of a championship into a web root. A page that is a symbolic link
// stays one, and the published page behind it is replaced whole or not at all: a template with a
// misspelt tag leaves it as it was, and the next good run replaces it.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "process.h"
#include "support/replay_writer.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

std::set<std::string> names_in(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

TEST(published_pages, a_linked_page_is_replaced_whole_or_kept) {
    if (programs().windows) {
        GTEST_SKIP() << "symbolic links are the Linux build's";
    }
    const temp_dir championship;
    const temp_dir web_root;
    write_file(championship.path() / "r01" / "race.mpr",
               encode_replay(parse_replay_description(
                   "track BL1\nstart 2026-03-01 18:00:00\nlength 3\ngrid 2\n"
                   "driver Ann | ann | XRT | 3 | 3:00.000 | 0:59.000 | 2\n"
                   "driver Bob | bob | XRT | 3 | 3:05.000 | 0:59.500 | 1\n")));
    const fs::path published = web_root.path() / "round1.html";
    write_file(published, "the page published last week\n");
    fs::create_symlink(published, championship.path() / "r01" / "race.html");

    write_file(championship.path() / "race.tpl", "<title>{{track_id}}</title>{{race-tabel}}\n");
    write_file(championship.path() / "rostrum.conf", "template { race race.tpl }\n");
    const process_result broken = run_process(programs().rostrum, championship.path());
    EXPECT_EQ(broken.exit_code, 1);
    EXPECT_EQ(broken.err,
              "fatal error: template: race.tpl: unrecognized tag: race-tabel\nPress enter to exit");
    EXPECT_TRUE(fs::is_symlink(championship.path() / "r01" / "race.html"));
    EXPECT_EQ(read_file(published), "the page published last week\n");
    EXPECT_EQ(names_in(web_root.path()), std::set<std::string>{"round1.html"});

    write_file(championship.path() / "rostrum.conf", "");
    const process_result mended = run_process(programs().rostrum, championship.path());
    EXPECT_EQ(mended.exit_code, 0);
    EXPECT_EQ(mended.err, "");
    EXPECT_TRUE(fs::is_symlink(championship.path() / "r01" / "race.html"));
    EXPECT_NE(read_file(published).find("<title>3 laps of BL1 on Sun Mar  1 18:00 2026 (UTC)"),
              std::string::npos)
        << read_file(published);
    EXPECT_EQ(names_in(web_root.path()), std::set<std::string>{"round1.html"});
    EXPECT_EQ(names_in(championship.path() / "r01"), (std::set<std::string>{"race.html", "race.mpr"}));
}

}  // namespace

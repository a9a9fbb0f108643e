#include "event_result/event_directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "console/console.h"
#include "files/files.h"
#include "options/config_file.h"
#include "support/replay_writer.h"
#include "support/stream_capture.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

replay_record driver(const char* user, std::uint16_t laps, std::int32_t total, std::int32_t best,
                     std::uint8_t grid) {
    replay_record r;
    r.nickname = user;
    r.user_name = user;
    r.car = "XRT";
    r.laps = laps;
    r.total_time_ms = total;
    r.best_lap_ms = best;
    r.grid_slot = grid;
    return r;
}

replay qualifying_session() {
    replay r;
    r.track_id = "BL1";
    r.start_time = 1000;
    r.records = {driver("ann", 0, 0, 60000, 0), driver("bob", 0, 0, 61000, 0)};
    return r;
}

replay race_session() {
    replay r;
    r.track_id = "BL1";
    r.race_length_code = 3;
    r.grid_size = 2;
    r.start_time = 2000;
    r.records = {driver("bob", 3, 185000, 61000, 2), driver("ann", 3, 186000, 60500, 1)};
    return r;
}

// One event folder in a temporary championship, processed with captured console streams.
struct event_fixture {
    temp_dir championship;
    fs::path directory = championship.path() / "ev";
    std::shared_ptr<options::option_set> global = std::make_shared<options::option_set>();
    std::string log;
    std::string errors;

    event_fixture() { fs::create_directory(directory); }

    // The console text is kept also when processing throws.
    event_result process() {
        const stream_capture log_capture(log_stream());
        const stream_capture error_capture(error_stream());
        const auto keep_text = [&] {
            log = log_capture.text();
            errors = error_capture.text();
        };
        try {
            event_result event = process_event_directory(global, directory);
            keep_text();
            return event;
        } catch (...) {
            keep_text();
            throw;
        }
    }

    std::string process_error() {
        try {
            process();
        } catch (const std::exception& e) {
            return e.what();
        }
        return "no error";
    }

    std::string path(const char* name) const { return (directory / name).string(); }

    // The names in the event folder, sorted.
    std::vector<std::string> names() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(directory)) {
            found.push_back(entry.path().filename().string());
        }
        std::sort(found.begin(), found.end());
        return found;
    }
};

constexpr const char* cannot_calculate =
    "    points cannot be calculated for this event.\n"
    "    skipping result HTML generation.\n"
    "    this event will not be included in series summary.\n";

TEST(event_directory, replay_names) {
    const struct {
        const char* name;
        bool replay;
    } cases[] = {
        {"race.mpr", true},   {"race.MPR", true},    {"Race.Mpr", true},  {"a.b.mpr", true},
        {"..mpr", true},      {"x.mpr:stream", true}, {".mpr", false},     {"mpr", false},
        {".", false},         {"..", false},          {"race.mpr.txt", false},
        {"race.mp", false},   {"race.mpr2", false},   {"race:x.mpr", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(is_replay_name(c.name), c.replay) << c.name;
    }
}

TEST(event_directory, folder_without_replays_is_skipped_quietly) {
    event_fixture f;
    write_file(f.directory / "notes.txt", "no replays here");
    const event_result event = f.process();
    EXPECT_FALSE(event.complete);
    EXPECT_FALSE(event.pause);
    EXPECT_EQ(f.log,
              "entering event directory: ev\n"
              "  using global options.\n"
              "  no replays found, skipping directory.\n");
    EXPECT_EQ(f.errors, "");
    EXPECT_FALSE(fs::exists(f.directory / "qualifying.html"));
}

TEST(event_directory, qualifying_only_under_race_points_writes_qualifying_and_drops_the_event) {
    event_fixture f;
    write_replay_file(f.directory / "q.mpr", qualifying_session());
    const event_result event = f.process();
    EXPECT_FALSE(event.complete);
    EXPECT_TRUE(event.pause);
    EXPECT_EQ(f.log,
              "entering event directory: ev\n"
              "  using global options.\n"
              "  parsing MPR: q.mpr: qualifying\n");
    EXPECT_EQ(f.errors,
              std::string("  error: options has race points, yet no race MPR was found\n") +
                  cannot_calculate);
    EXPECT_TRUE(fs::exists(f.directory / "qualifying.html"));
    EXPECT_FALSE(fs::exists(f.directory / "race.html"));
    EXPECT_TRUE(event.scores.empty());
}

TEST(event_directory, qualifying_only_without_race_points_is_scored_from_qualifying) {
    event_fixture f;
    f.global->race_points.points.clear();
    f.global->qualifying_points.points = {points_value(3), points_value(1)};
    f.global->fastest_lap.value = 1;  // takes part in neither check
    write_replay_file(f.directory / "q.mpr", qualifying_session());
    const event_result event = f.process();
    EXPECT_TRUE(event.complete);
    EXPECT_FALSE(event.pause);
    EXPECT_EQ(f.errors, "");
    EXPECT_TRUE(fs::exists(f.directory / "qualifying.html"));
    EXPECT_FALSE(fs::exists(f.directory / "race.html"));
    const score_entry* ann = event.scores.find(make_name_key("ann"));
    ASSERT_NE(ann, nullptr);
    EXPECT_EQ(ann->points, points_value(3));
}

TEST(event_directory, race_only_under_a_fastest_qualifier_bonus_writes_nothing) {
    event_fixture f;
    f.global->fastest_qualifier.value = 1;
    write_replay_file(f.directory / "r.mpr", race_session());
    const event_result event = f.process();
    EXPECT_FALSE(event.complete);
    EXPECT_TRUE(event.pause);
    EXPECT_EQ(f.log,
              "entering event directory: ev\n"
              "  using global options.\n"
              "  parsing MPR: r.mpr: race\n");
    EXPECT_EQ(f.errors,
              std::string("  error: options has qualifying points, yet no qualifying MPR was "
                          "found\n") +
                  cannot_calculate);
    EXPECT_FALSE(fs::exists(f.directory / "race.html"));
}

TEST(event_directory, complete_event_merges_qualifying_replays_and_writes_both_pages) {
    event_fixture f;
    replay second = qualifying_session();
    second.start_time = 900;
    second.records = {driver("bob", 0, 0, 59000, 0), driver("ann", 0, 0, 60500, 0)};
    write_replay_file(f.directory / "q1.mpr", qualifying_session());
    write_replay_file(f.directory / "q2.MPR", second);
    write_replay_file(f.directory / "race.mpr", race_session());
    const event_result event = f.process();
    EXPECT_TRUE(event.complete);
    EXPECT_FALSE(event.pause);
    EXPECT_EQ(f.log,
              "entering event directory: ev\n"
              "  using global options.\n"
              "  parsing MPR: q1.mpr: qualifying\n"
              "  parsing MPR: q2.MPR: qualifying\n"
              "  parsing MPR: race.mpr: race\n");
    EXPECT_EQ(f.errors, "");
    ASSERT_TRUE(event.qualifying);
    EXPECT_EQ(event.qualifying->results.front().key, make_name_key("bob"));
    EXPECT_EQ(event.start_time(), 2000);
    EXPECT_TRUE(fs::exists(f.directory / "qualifying.html"));
    EXPECT_TRUE(fs::exists(f.directory / "race.html"));
    EXPECT_EQ(event.scores.find(make_name_key("bob"))->points, points_value(10));
}

TEST(event_directory, a_qualifying_replay_from_elsewhere_is_not_merged_into_a_race_event) {
    event_fixture f;
    replay other_track = qualifying_session();
    other_track.track_id = "AS1";
    other_track.records = {driver("cid", 0, 0, 50000, 0)};
    replay later = qualifying_session();
    later.start_time = 2600;  // after the race
    later.records = {driver("dan", 0, 0, 50000, 0)};
    write_replay_file(f.directory / "q1.mpr", qualifying_session());
    write_replay_file(f.directory / "q2.mpr", other_track);
    write_replay_file(f.directory / "q3.mpr", later);
    write_replay_file(f.directory / "race.mpr", race_session());
    const event_result event = f.process();
    EXPECT_TRUE(event.pause);
    EXPECT_EQ(f.errors, "  warning: " + f.path("q2.mpr") +
                            " is not merged: its track is AS1, the race's BL1\n"
                            "  warning: " + f.path("q3.mpr") +
                            " is not merged: it started at Thu Jan  1 00:43 1970 UTC, after the "
                            "race (Thu Jan  1 00:33 1970 UTC)\n");
    ASSERT_TRUE(event.qualifying);
    EXPECT_EQ(event.qualifying->results.size(), 2U);
    EXPECT_EQ(event.scores.find(make_name_key("cid")), nullptr);

    // Without a race, qualifying sessions on several tracks are merged.
    fs::remove(f.directory / "race.mpr");
    f.global->race_points.points.clear();
    const event_result qualifying_only = f.process();
    EXPECT_EQ(f.errors, "");
    EXPECT_EQ(qualifying_only.qualifying->track_ids.size(), 2U);
    EXPECT_EQ(qualifying_only.qualifying->results.size(), 4U);
}

TEST(event_directory, replay_errors_end_the_run) {
    {
        event_fixture f;
        write_replay_file(f.directory / "a.mpr", race_session());
        write_replay_file(f.directory / "b.mpr", race_session());
        EXPECT_EQ(f.process_error(),
                  "multiple race replays in " + f.directory.string() +
                      ": a.mpr and b.mpr; keep the one that counts and rename the other so that "
                      "its name no longer ends in \".mpr\" (for example \"a.mpr.aborted\"), or "
                      "remove it");
    }
    {
        event_fixture f;
        replay incomplete = race_session();
        incomplete.start_flag = 1;
        write_replay_file(f.directory / "a.mpr", incomplete);
        EXPECT_EQ(f.process_error(), "incomplete race MPR (no start): " + f.path("a.mpr"));
    }
    {
        // A file named just ".mpr" is no replay; a folder named "x.mpr" is one, and unreadable.
        event_fixture f;
        write_file(f.directory / ".mpr", "not a replay");
        write_replay_file(f.directory / "a.MPR", race_session());
        fs::create_directory(f.directory / "x.mpr");
        EXPECT_EQ(f.process_error(), "invalid MPR: " + f.path("x.mpr") + ": cannot be opened");
        EXPECT_EQ(f.log,
                  "entering event directory: ev\n"
                  "  using global options.\n"
                  "  parsing MPR: a.MPR: race\n"
                  "  parsing MPR: x.mpr\n")
            << "the progress line of the invalid replay is ended";
    }
}

TEST(event_directory, event_file_over_a_copy_of_the_global_options) {
    event_fixture f;
    write_file(f.directory / "rostrum.conf", "event-name \"Spring Cup\"\npoints\n{\n race \"10;6\"\n}\n");
    write_replay_file(f.directory / "race.mpr", race_session());
    write_replay_file(f.directory / "q.mpr", qualifying_session());
    const event_result event = f.process();
    EXPECT_EQ(f.log,
              "entering event directory: ev\n"
              "  event-specific options detected.\n"
              "  custom name = Spring Cup\n"
              "  parsing MPR: q.mpr: qualifying\n"
              "  parsing MPR: race.mpr: race\n");
    // The race table was accepted after a warning: the event pauses so that it can be read.
    EXPECT_EQ(f.errors, "  warning: " + f.path("rostrum.conf") +
                            "(4): points.race: invalid token near 6; the table keeps 10\n");
    EXPECT_TRUE(event.complete);
    EXPECT_TRUE(event.pause);
    EXPECT_EQ(event.options->race_points.points, std::vector<points_value>{points_value(10)});
    EXPECT_EQ(f.global->race_points.points.size(), 6u);
    EXPECT_FALSE(f.global->event_name);
}

TEST(event_directory, adjustments_of_the_event_file_name_drivers_of_its_replays) {
    event_fixture f;
    f.global->adjustments.push_back(
        {options::adjustment_entry::kind::hidden, make_config_name_key("nobody"), "rostrum.conf(2)",
         options::adjustment_entry::scope::championship});
    write_file(f.directory / "rostrum.conf", R"(penalties
{
    bob 5
    dann 5
    ghost dsq
    ANN hide
}
modify-points
{
    carl -2
}
)");
    write_replay_file(f.directory / "race.mpr", race_session());
    replay qualifying = qualifying_session();
    qualifying.records.push_back(driver("carl", 0, 0, 62000, 0));
    write_replay_file(f.directory / "q.mpr", qualifying);
    const event_result event = f.process();
    // carl qualified but has no race row: a time penalty would need one, a points change does not.
    // The global file's entry is checked against the whole season, not here.
    const std::string file = f.path("rostrum.conf");
    EXPECT_EQ(f.errors, "  warning: " + file + "(4): penalties: dann has no race result in this event\n"
                        "  warning: " + file + "(5): penalties: ghost is in no replay of this event\n");
    EXPECT_TRUE(event.pause);
    EXPECT_TRUE(event.complete);
    EXPECT_EQ(f.log.find("warning"), std::string::npos);
}

TEST(event_directory, page_that_cannot_be_written_is_a_warning) {
    event_fixture f;
    write_replay_file(f.directory / "race.mpr", race_session());
    write_replay_file(f.directory / "q.mpr", qualifying_session());
    // A directory older than the newest input stands where the page goes. (Windows' C runtime
    // cannot set a directory's time, so the input is made newer instead.)
    fs::create_directory(f.directory / "race.html");
    f.global->newest_input_time =
        fs::last_write_time(f.directory / "race.html") + std::chrono::hours(1);
    // The page is rendered whole before the directory is found: its own warning comes first.
    f.global->race_columns.columns.push_back(options::column_type::summary);
    const event_result event = f.process();
    EXPECT_TRUE(event.complete);
    EXPECT_TRUE(event.pause);
    EXPECT_EQ(f.errors, "warning: unsupported column for race: summary\n"
                        "  warning: unable to write " + f.path("race.html") + "\n");
    EXPECT_TRUE(fs::is_directory(f.directory / "race.html"));
    EXPECT_EQ(f.names(), (std::vector<std::string>{"q.mpr", "qualifying.html", "race.html",
                                                   "race.mpr"}))
        << "no temporary file is left";
}

TEST(event_directory, linked_page_whose_writing_fails_stays_a_link_with_a_warning) {
    // A link to a device is written through in place. Writing to /dev/full fails for lack of
    // space after the page was opened (POSIX only).
    if (fs::path::preferred_separator != '/' || !fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full here";
    }
    event_fixture f;
    write_replay_file(f.directory / "race.mpr", race_session());
    write_replay_file(f.directory / "q.mpr", qualifying_session());
    fs::create_symlink("/dev/full", f.directory / "race.html");
    f.global->newest_input_time = fs::file_time_type::max();  // every page is out of date
    const event_result event = f.process();
    EXPECT_TRUE(event.pause);
    EXPECT_EQ(f.errors, "  warning: unable to write " + f.path("race.html") +
                            "; the page it links to may be incomplete, and is written again on "
                            "the next run\n");
    // The link is the organiser's: it stays.
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(f.directory / "race.html")));
    EXPECT_TRUE(fs::exists(f.directory / "qualifying.html"));
}

TEST(event_directory, a_removed_replay_makes_the_pages_out_of_date) {
    event_fixture f;
    write_replay_file(f.directory / "race.mpr", race_session());
    write_replay_file(f.directory / "q1.mpr", qualifying_session());
    replay warm_up = qualifying_session();
    warm_up.records = {driver("cid", 0, 0, 59000, 0)};
    write_replay_file(f.directory / "q2.mpr", warm_up);
    f.process();
    const std::string with_warm_up = read_file(f.directory / "qualifying.html");

    // Writing the pages moved the folder's own time; an unchanged folder still finds them current,
    // also when that time equals the pages'.
    f.process();
    EXPECT_NE(f.log.find("  up-to-date qualifying.html exists; not overwriting.\n"
                         "  up-to-date race.html exists; not overwriting.\n"),
              std::string::npos)
        << f.log;
    for (const char* page : {"qualifying.html", "race.html"}) {
        EXPECT_GE(modification_time(f.directory / page), modification_time(f.directory)) << page;
    }

    fs::remove(f.directory / "q2.mpr");
    f.process();
    EXPECT_EQ(f.log.find("up-to-date"), std::string::npos) << f.log;
    EXPECT_NE(read_file(f.directory / "qualifying.html"), with_warm_up);
    f.process();
    EXPECT_NE(f.log.find("  up-to-date race.html exists"), std::string::npos) << f.log;
}

TEST(event_directory, page_whose_template_fails_keeps_the_old_page) {
    event_fixture f;
    write_replay_file(f.directory / "race.mpr", race_session());
    write_file(f.directory / "race.html", "old page");
    fs::last_write_time(f.directory / "race.html", file_time_now() - std::chrono::hours(1));
    write_file(f.directory / "broken.html", "<title>{{track_id}}</title>{{no-such-tag}}");
    write_file(f.directory / "rostrum.conf", "template { race broken.html }");
    EXPECT_EQ(f.process_error(),
              "template: " + f.path("broken.html") + ": unrecognized tag: no-such-tag");
    EXPECT_EQ(read_file(f.directory / "race.html"), "old page");
    EXPECT_EQ(f.names(), (std::vector<std::string>{"broken.html", "race.html", "race.mpr",
                                               "rostrum.conf"}))
        << "no temporary file is left";
}

TEST(event_directory, pages_are_rewritten_only_when_older_than_the_newest_input) {
    // Times are set in the future, beyond the moment the files arrive (their status-change or
    // creation time, which cannot be set).
    using std::chrono::minutes;
    const fs::file_time_type base = file_time_now() + std::chrono::hours(1);
    const fs::file_time_type no_file = fs::file_time_type::min();
    const struct {
        const char* name;
        fs::file_time_type config;  // the options' newest input time
        fs::file_time_type replays;  // the replays' last-write time
        fs::file_time_type pages;
        bool rewritten;
    } cases[] = {
        {"configuration newest, page older", base, base - minutes(120), base - minutes(1), true},
        {"configuration newest, page as old", base, base - minutes(120), base, false},
        {"configuration newest, page newer", base, base - minutes(120), base + minutes(1), false},
        {"replay newest, page older", no_file, base, base - minutes(1), true},
        {"replay newest, page as old", no_file, base, base, false},
        {"replay newest, page newer", base - minutes(5), base, base + minutes(1), false},
        // Copied in with an old last-write time, the replays count from their arrival (now).
        {"copied replay, page older", no_file, base - minutes(3000), base - minutes(90), true},
        {"copied replay, page newer", no_file, base - minutes(3000), base - minutes(50), false},
    };
    for (const auto& c : cases) {
        if (c.replays < base - minutes(120) && !file_arrival_time_known()) {
            continue;  // the file system cannot tell when the copied replay arrived (Wine)
        }
        event_fixture f;
        f.global->newest_input_time = c.config;
        for (const char* name : {"race.mpr", "q.mpr"}) {
            write_replay_file(f.directory / name,
                              name[0] == 'r' ? race_session() : qualifying_session());
            fs::last_write_time(f.directory / name, c.replays);
        }
        for (const char* page : {"qualifying.html", "race.html"}) {
            write_file(f.directory / page, "old page");
            fs::last_write_time(f.directory / page, c.pages);
        }
        f.process();
        for (const char* page : {"qualifying.html", "race.html"}) {
            EXPECT_EQ(read_file(f.directory / page) != "old page", c.rewritten)
                << c.name << ": " << page;
        }
        const std::string up_to_date =
            "  up-to-date qualifying.html exists; not overwriting.\n"
            "  up-to-date race.html exists; not overwriting.\n";
        EXPECT_EQ(f.log.find(up_to_date) != std::string::npos, !c.rewritten) << c.name << f.log;
    }
}

}  // namespace

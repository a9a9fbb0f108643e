#include "targets.h"

#include <algorithm>
#include <boost/property_tree/info_parser.hpp>
#include <boost/property_tree/ptree.hpp>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <system_error>
#include <utility>

#include "console/console.h"
#include "event_result/award.h"
#include "event_result/event_directory.h"
#include "event_result/event_pages.h"
#include "event_result/event_result.h"
#include "event_result/replay.h"
#include "html_template/html_template.h"
#include "html_template/html_text.h"
#include "lfs_codec/codepage.h"
#include "lfs_codec/lfs_codec.h"
#include "lfs_codec/name_key.h"
#include "standings/standings.h"
#include "options/config_file.h"
#include "options/info_scan.h"
#include "options/option_set.h"
#include "summary/summary_pages.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// Takes every character and keeps none.
class null_buffer final : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

// One call of a harness: in its scratch folder, with the console streams silenced. The working
// directory and the streams are given back afterwards, so that the fuzzer finds its files by
// relative paths and the unit tests that call the harnesses are undisturbed.
class harness_run {
public:
    explicit harness_run(const temp_dir& folder)
        : saved_directory(fs::current_path()),
          saved_error(error_stream().rdbuf(&silence)),
          saved_log(log_stream().rdbuf(&silence)) {
        fs::current_path(folder.path());
    }
    ~harness_run() {
        error_stream().rdbuf(saved_error);
        log_stream().rdbuf(saved_log);
        std::error_code ignored;
        fs::current_path(saved_directory, ignored);
    }
    harness_run(const harness_run&) = delete;
    harness_run& operator=(const harness_run&) = delete;

private:
    null_buffer silence;
    fs::path saved_directory;
    std::streambuf* saved_error;
    std::streambuf* saved_log;
};

// A stream that discards what is written to it, through the whole formatting machinery.
class discarding_stream : public std::ostream {
public:
    discarding_stream() : std::ostream(&sink) {}

private:
    null_buffer sink;
};

// Writes the file anew. (Truncating and rewriting a file makes ext4 flush it to disk at close,
// ten times slower than the harness itself.)
void write_new_file(const fs::path& path, std::string_view bytes) {
    fs::remove(path);
    write_file(path, bytes);
}

void expect(bool condition, const char* what) {
    if (!condition) {
        throw std::logic_error(std::string("fuzz invariant: ") + what);
    }
}

// Runs `action`; true when it returns, false when it reports an error of the program's own kind.
template <class Action>
bool succeeds(Action action) {
    try {
        action();
        return true;
    } catch (const std::runtime_error& error) {
        expect(*error.what() != '\0', "an error message is not empty");
        return false;
    }
}

bool is_utf8(std::string_view text) {
    try {
        lfs_codec::require_utf8(text);
        return true;
    } catch (const std::range_error&) {
        return false;
    }
}

// The replay reader on a file holding the bytes, the classifier, and what the event directory
// makes of one replay: the race result, the qualifying result (the replay merged twice, as two
// sessions alike), the points under the default options and both pages.
void run_replay(std::string_view bytes) {
    static const temp_dir folder;
    const harness_run run(folder);
    write_new_file("replay.mpr", bytes);

    const std::size_t count =
        bytes.size() > 75 ? static_cast<unsigned char>(bytes[75]) : std::size_t{0};
    const bool complete = bytes.size() >= replay_header_size && bytes.substr(0, 6) == "LFSMPR" &&
                          bytes.size() >= replay_header_size + count * replay_record_size;
    replay session;
    const bool read = succeeds([&] { session = read_replay("replay.mpr"); });
    expect(read == complete, "a replay is read exactly when its header and records are whole");
    if (!read) {
        return;
    }
    expect(session.records.size() == count, "a replay holds as many records as its header says");
    expect(session.track_id.size() <= 4 && session.track_id.find('\0') == std::string::npos,
           "the track ends at its field or its first zero byte");
    expect(session.track_name.size() <= 32 && session.track_name.find('\0') == std::string::npos,
           "the track name ends at its field or its first zero byte");
    for (const replay_record& record : session.records) {
        expect(record.nickname.size() <= 32 && record.car.size() <= 4 &&
                   record.user_name.size() <= 24,
               "a text field is read within its field");
        expect((record.nickname + record.car + record.user_name).find('\0') == std::string::npos,
               "a text field ends before its first zero byte");
    }

    const auto options = std::make_shared<const options::option_set>();
    const session_kind kind = replay_kind(session);
    if (kind == session_kind::race) {
        succeeds([&] { check_race_start(session, "replay.mpr"); });
    }
    event_result event;
    event.options = options;
    event.race = build_race_result(*options, session);
    expect(event.race->results.size() + event.race->dsq_results.size() <= session.records.size(),
           "a race has at most one row per record");
    event.qualifying = new_qualifying_result();
    merge_qualifying(*event.qualifying, *options, session);
    merge_qualifying(*event.qualifying, *options, session);
    const qualifying_result& qualifying = *event.qualifying;
    expect(qualifying.places.size() == qualifying.results.size(),
           "every classified qualifier has one place");
    for (std::size_t i = 0; i < qualifying.results.size(); ++i) {
        const auto place = qualifying.places.find(qualifying.results[i].key.match);
        expect(place != qualifying.places.end() && place->second == i,
               "a classified qualifier's place is his row's");
    }
    award_points(event);
    discarding_stream page;
    write_qualifying_page(event, page);
    write_race_page(event, page);
}

// The game text decoder over the bytes, from code page 1252 and from each code page a switch can
// select, each code page's `next` step by step, and the name keys and case folding.
void run_codec(std::string_view bytes) {
    static const temp_dir folder;
    const harness_run run(folder);

    // A caret before a byte that is no escape copies that byte as it is, so only a text without
    // a caret before a non-ASCII byte must decode to UTF-8.
    bool copies_raw_bytes = false;
    for (std::size_t caret = bytes.find('^'); caret != std::string_view::npos && !copies_raw_bytes;
         caret = bytes.find('^', caret + 1)) {
        copies_raw_bytes = caret + 1 < bytes.size() && (bytes[caret + 1] & 0x80) != 0;
    }
    std::string decoded;
    lfs_codec::decode(bytes, decoded);
    expect(copies_raw_bytes || is_utf8(decoded), "decoded text is UTF-8");
    for (const char letter : std::string_view("LGCJETBHSK")) {
        const std::string switched = std::string{'^', letter} + std::string(bytes);
        lfs_codec::decode(switched, decoded);
        expect(copies_raw_bytes || is_utf8(decoded), "decoded text is UTF-8 in every code page");

        const lfs_codec::codepage::base* page = lfs_codec::codepage::select(letter);
        expect(page != nullptr, "every selector letter names a code page");
        for (std::string_view rest = bytes; !rest.empty();) {
            const std::size_t before = rest.size();
            page->next(rest);
            expect(before - rest.size() == 1 || before - rest.size() == 2,
                   "a character is one or two bytes");
        }
    }

    const std::string folded = fold_case(bytes);
    expect(folded.size() == bytes.size() && fold_case(folded) == folded,
           "case folding keeps the length and is idempotent");
    const name_key replay_key = make_name_key(bytes);
    expect(replay_key.match == folded, "a replay name matches by its folded bytes");
    expect(is_utf8(replay_key.display), "a replay name is shown as UTF-8");
    // Written in a configuration, the name shown for a replay name names the same driver, unless
    // it holds a byte that code page 1252 leaves unassigned (shown as a control character, which
    // a configuration cannot name).
    if (bytes.find_first_of("\x81\x8D\x8F\x90\x9D") == std::string_view::npos) {
        expect(make_config_name_key(replay_key.display) == replay_key,
               "a replay name written in a configuration names the same driver");
    }

    name_key config_key;
    if (succeeds([&] { config_key = make_config_name_key(bytes); })) {
        expect(config_key.display == bytes, "a configuration name is shown as written");
        expect(fold_case(config_key.match) == config_key.match,
               "a configuration name matches by folded bytes");
    }
}

// What every option set read without error holds.
void check_options(const options::option_set& set) {
    for (const options::scoring_positions* table :
         {&set.race_points, &set.qualifying_points, &set.grid_points}) {
        expect(table->reduced == set.reduced_points, "every points table has the reduced flag");
    }
    expect(!set.event_name || !set.event_name->empty(), "an event name is never empty");
    expect(set.series_template.has_value() == set.series_template_path.has_value() &&
               set.teams_template.has_value() == set.teams_template_path.has_value() &&
               set.race_template.has_value() == set.race_template_path.has_value() &&
               set.qualifying_template.has_value() == set.qualifying_template_path.has_value(),
           "a template's text comes with its path");
    for (const auto& [driver, change] : set.points_modifications) {
        expect(!change.label.empty(), "a points change has a label");
    }
}

std::size_t entry_count(const boost::property_tree::ptree& tree) {
    std::size_t count = 0;
    for (const auto& entry : tree) {
        count += 1 + entry_count(entry.second);
    }
    return count;
}

// The scan of the configuration's bounds must follow the INFO reader through all it accepts:
// where the scan gave up early, the reader would open the files named by later "#include" lines
// unchecked (a device there would never end). It must also find every entry where the reader
// creates it, or warnings lose their line numbers.
void check_scan_follows_reader(std::string_view text) {
    constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";
    if (text.substr(0, byte_order_mark.size()) == byte_order_mark) {
        text.remove_prefix(byte_order_mark.size());
    }
    options::info_scan scan;
    if (!succeeds([&] { scan = options::scan_info(text, "rostrum.conf"); })) {
        return;  // refused by a bound: the reader never reads it
    }
    std::istringstream in{std::string(text)};
    boost::property_tree::ptree tree;
    try {
        boost::property_tree::read_info(in, tree);
    } catch (const boost::property_tree::info_parser_error&) {
        return;
    }
    expect(scan.complete, "the scan reads every text the reader accepts");
    expect(entry_count(tree) == scan.entries.size(), "the scan finds every entry of the reader");
}

// A configuration file holding the bytes, read as the championship's file over the defaults and
// then as an event's file over the result (or over the defaults when the first reading failed).
void run_config(std::string_view bytes) {
    static const temp_dir folder;
    const harness_run run(folder);
    write_new_file("rostrum.conf", bytes);
    check_scan_follows_reader(bytes);

    options::option_set global;
    if (succeeds([&] { options::read_options_file(global, "rostrum.conf"); })) {
        check_options(global);
    } else {
        global = options::option_set{};
    }
    options::option_set event = global;
    if (succeeds([&] {
            options::read_options_file(event, "rostrum.conf", options::config_scope::event);
        })) {
        check_options(event);
    }
}

// The template engine over the bytes as a template, with writers whose output holds what the
// engine must never take for a tag or leave unescaped; and the HTML escaping of the bytes.
void run_template(std::string_view bytes) {
    static const temp_dir folder;
    const harness_run run(folder);
    static const template_context context = [] {
        template_context c;
        c.name = "fuzzed template";
        c.writers.emplace("x", [](std::ostream& out) { out << "<b class=\"x\">{{x}}</b>\n"; });
        c.writers.emplace(" x", [](std::ostream& out) { out << "{{html:x}} \"&<"; });
        c.writers.emplace("race-table", [](std::ostream& out) {
            out << "<tr><td>{{</td><td>}}</td><td>A&amp;B</td></tr>\n";
        });
        c.writers.emplace("points", [](std::ostream& out) {
            points_text(out, points_value(10, 3));
            out << points_breakdown_text({{25, "1st"}, {points_value(-1, 2), "\"late\" <start>"}});
        });
        c.writers.emplace("empty", [](std::ostream&) {});
        c.writers.emplace("fails", [](std::ostream&) -> void {
            throw std::runtime_error("writer failed");
        });
        return c;
    }();

    std::ostringstream out;
    const bool rendered = succeeds([&] { render_template(out, html_template{bytes, &context}); });
    if (bytes.find("{{") == std::string_view::npos) {
        expect(rendered && out.str() == bytes, "a text without tags is copied unchanged");
    }

    std::ostringstream escaped;
    html_escape(escaped, bytes);
    expect(escaped.str().find_first_of("<\"\n") == std::string::npos,
           "escaped text holds no less-than, double quote or line feed");
}

// One event folder from the bytes (an event "rostrum.conf" and up to four replays, see
// event_input_separator) processed to its pages under the default global options; then the
// standings of two rounds alike and both summary pages, rendered with the event's options.
void run_event(std::string_view bytes) {
    static const temp_dir folder;
    const harness_run run(folder);
    fs::remove_all("ev");
    fs::create_directory("ev");
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = bytes.find(event_input_separator, start);
        parts.push_back(bytes.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos || parts.size() == 5) {
            break;
        }
        start = end + event_input_separator.size();
    }
    if (!parts.front().empty()) {
        write_file("ev/rostrum.conf", parts.front());
    }
    for (std::size_t i = 1; i < parts.size(); ++i) {
        write_file("ev/" + std::to_string(i) + ".mpr", parts[i]);
    }

    static const auto global = std::make_shared<const options::option_set>();
    std::vector<event_result> events;
    if (!succeeds([&] { events.push_back(process_event_directory(global, fs::path(".") / "ev")); }) ||
        !events.front().complete) {
        return;
    }
    events.push_back(events.front());
    std::optional<standings> table;
    if (!succeeds([&] { table.emplace(build_standings(events)); })) {
        return;
    }
    const options::option_set& options = *events.front().options;
    bool summary_warning = false;
    const auto render = [&](const std::optional<std::string>& text, const std::string& built_in,
                            const char* tag, tag_writer writer) {
        template_context context;
        context.name = "summary page";
        context.writers.emplace(tag, std::move(writer));
        discarding_stream page;
        succeeds([&] {
            render_template(page, html_template{text ? *text : built_in, &context});
        });
    };
    render(options.series_template, builtin_series_template, "series-table",
           [&](std::ostream& out) {
               write_series_table(out, options, events, summary_warning, table->driver_ranking);
           });
    render(options.teams_template, builtin_teams_template, "teams-table", [&](std::ostream& out) {
        write_team_table(out, options, summary_warning, table->team_ranking);
    });
}

}  // namespace

const std::vector<fuzz_target>& fuzz_targets() {
    static const std::vector<fuzz_target> targets = {
        {"replay", run_replay}, {"codec", run_codec},   {"config", run_config},
        {"template", run_template}, {"event", run_event},
    };
    return targets;
}

const fuzz_target& fuzz_target_named(std::string_view name) {
    for (const fuzz_target& target : fuzz_targets()) {
        if (name == target.name) {
            return target;
        }
    }
    throw std::invalid_argument("no fuzzing harness named " + std::string(name));
}

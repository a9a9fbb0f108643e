#include "options/config_file.h"

#include <algorithm>
#include <boost/optional.hpp>
#include <boost/property_tree/info_parser.hpp>
#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/stream_translator.hpp>
#include <cstdio>
#include <fstream>
#include <locale>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_set>

#include "common/visible_text.h"
#include "console/console.h"
#include "files/files.h"
#include "lfs_codec/lfs_codec.h"
#include "options/config_check.h"
#include "options/driver_sections.h"
#include "options/info_scan.h"
#include "options/value_syntax.h"

namespace options {
namespace {

namespace fs = std::filesystem;
namespace pt = boost::property_tree;

const char* const backslash_hint =
    "paths in rostrum.conf are written with \"/\": a backslash starts an escape "
    "(\\t is a tab, \\r a carriage return)";

// How a tree is read over a set.
struct overlay_mode {
    bool championship = true;  // the championship's top level: "championship-name" is read
    adjustment_entry::scope where = adjustment_entry::scope::championship;
    // What starts each warning line ("warning: ", or "  warning: " for an event's own file); null
    // when the warnings were written before (a block read again for another event).
    const char* warning_prefix = "warning: ";
};

// What reading one file needs besides the set: where its entries stand, and where its warnings
// go.
class file_reading {
public:
    file_reading(const entry_places& places, const char* warning_prefix)
        : places(places), warning_prefix(warning_prefix) {}

    void warn(const std::string& text) {
        if (warning_prefix != nullptr) {
            error_stream() << warning_prefix << text << '\n';
            warned = true;
        }
    }

    // "rostrum.conf(12): " + key + ": " + what.
    std::string about(const pt::ptree& entry, const char* key, const std::string& what) const {
        return places.of(entry) + ": " + key + ": " + what;
    }

    [[noreturn]] void invalid_value(const pt::ptree& entry, const char* key) const {
        throw std::runtime_error(about(entry, key, "invalid value: " + visible(entry.data())));
    }

    const entry_places& places;
    const char* warning_prefix;
    bool warned = false;
};

// Converts a key's text as boost's stream_translator does (classic locale, the type's
// customize_stream extraction, nothing but white space after the value).
template <class T>
T converted(const pt::ptree& entry, const char* key, const file_reading& reading) {
    std::istringstream in(entry.data());
    in.imbue(std::locale::classic());
    T value{};
    pt::customize_stream<char, std::char_traits<char>, T>::extract(in, value);
    if (in.fail() || in.bad() || in.get() != std::char_traits<char>::eof()) {
        reading.invalid_value(entry, key);
    }
    return value;
}

template <class Member>
struct member_type;
template <class T>
struct member_type<T option_set::*> {
    using type = T;
};

template <auto field>
void store(option_set& set, const pt::ptree& entry, const char* key, file_reading& reading) {
    using value_type = typename member_type<decltype(field)>::type;
    set.*field = converted<value_type>(entry, key, reading);
}

// A boolean that is unset until a file sets it.
template <std::optional<bool> option_set::*field>
void store_flag(option_set& set, const pt::ptree& entry, const char* key, file_reading& reading) {
    set.*field = converted<bool>(entry, key, reading);
}

// A points table: kept as far as it could be read, with a warning when it stopped early or when
// an element looks like two positions typed with a point ("15.12" for "15,12").
template <scoring_positions option_set::*field>
void store_table(option_set& set, const pt::ptree& entry, const char* key, file_reading& reading) {
    const table_reading table = read_scoring_positions(entry.data());
    if (!table.accepted) {
        reading.invalid_value(entry, key);
    }
    if (table.stopped_at) {
        reading.warn(reading.about(entry, key,
                                   "invalid token near " + visible(*table.stopped_at) +
                                       "; the table keeps " + table_text(table.table)));
    }
    for (const std::string& element : table.long_decimals) {
        const auto point = element.find('.');
        const std::size_t places = element.size() - point - 1;
        reading.warn(reading.about(
            entry, key,
            visible(element) + " has " + std::to_string(places) +
                " decimal places; if you meant two positions, write " +
                visible(element.substr(0, point)) + "," + visible(element.substr(point + 1)) +
                " (fractions are written like 1/4)"));
    }
    set.*field = table.table;
}

void store_every_shared_points_mode(option_set& set, const pt::ptree& entry, const char* key,
                                    file_reading& reading) {
    const auto mode = converted<shared_points_mode>(entry, key, reading);
    set.shared_points_mode_fastest_lap = mode;
    set.shared_points_mode_fastest_qualifier = mode;
    set.shared_points_mode_highest_climber = mode;
}

struct typed_key {
    const char* path;
    // Converts the entry's value and stores it; throws the key's invalid-value error.
    void (*store)(option_set& set, const pt::ptree& entry, const char* key, file_reading& reading);
};

// In reading order: the general sharing mode comes before the specific ones, so that a specific
// key wins over the general one in the same file.
const typed_key typed_keys[] = {
    {"points.race", store_table<&option_set::race_points>},
    {"points.qualifying", store_table<&option_set::qualifying_points>},
    {"points.grid", store_table<&option_set::grid_points>},
    {"points.reduced-points", store<&option_set::reduced_points>},
    {"points.fastest-lap", store<&option_set::fastest_lap>},
    {"points.fastest-qualifier", store<&option_set::fastest_qualifier>},
    {"points.fastest-qualifier-to-finish", store<&option_set::fastest_qualifier_to_finish>},
    {"points.highest-climber", store<&option_set::highest_climber>},
    {"points.highest-climber-with-qualifying-time",
     store<&option_set::highest_climber_with_qualifying_time>},
    {"points.highest-climber-from-qualifying-position",
     store<&option_set::highest_climber_from_qualifying_position>},
    {"points.shared-points-mode", store_every_shared_points_mode},
    {"points.shared-points-mode-fastest-lap", store<&option_set::shared_points_mode_fastest_lap>},
    {"points.shared-points-mode-fastest-qualifier",
     store<&option_set::shared_points_mode_fastest_qualifier>},
    {"points.shared-points-mode-highest-climber",
     store<&option_set::shared_points_mode_highest_climber>},
    {"points.best-results", store<&option_set::best_results>},
    {"points.team-counted-drivers", store<&option_set::team_counted_drivers>},
    {"points.minimum-distance", store<&option_set::minimum_race_distance>},
    {"output.qualifying-columns", store<&option_set::qualifying_columns>},
    {"output.race-columns", store<&option_set::race_columns>},
    {"output.summary-columns", store<&option_set::summary_columns>},
    {"output.team-summary-columns", store<&option_set::team_summary_columns>},
    {"output.chart-drivers", store<&option_set::chart_drivers>},
    {"output.json", store<&option_set::output_json>},
    {"output.csv", store<&option_set::output_csv>},
    {"output.page-set", store<&option_set::pages>},
    {"output.index", store_flag<&option_set::index_page>},
    {"output.links", store_flag<&option_set::links>},
    {"output.driver-pages", store_flag<&option_set::driver_pages>},
};

struct template_key {
    const char* path;
    std::optional<std::string> option_set::*text;
    std::optional<fs::path> option_set::*file;
};

const template_key template_keys[] = {
    {"template.series", &option_set::series_template, &option_set::series_template_path},
    {"template.teams", &option_set::teams_template, &option_set::teams_template_path},
    {"template.race", &option_set::race_template, &option_set::race_template_path},
    {"template.qualifying", &option_set::qualifying_template,
     &option_set::qualifying_template_path},
    {"template.index", &option_set::index_template, &option_set::index_template_path},
    {"template.driver", &option_set::driver_template, &option_set::driver_template_path},
};

const char* const text_keys[] = {"event-name", "championship-name"};
const char* const driver_sections[] = {"forced-names", "teams",   "penalties",
                                       "modify-points", "classes", "driver-classes"};
const char* const block_names[] = {"round", "from"};

}  // namespace

const key_catalogue& known_keys() {
    static const key_catalogue catalogue = [] {
        key_catalogue known;
        for (const typed_key& key : typed_keys) {
            known.keys.emplace_back(key.path);
        }
        for (const template_key& key : template_keys) {
            known.keys.emplace_back(key.path);
        }
        known.keys.insert(known.keys.end(), std::begin(text_keys), std::end(text_keys));
        known.name_sections.assign(std::begin(driver_sections), std::end(driver_sections));
        known.blocks.assign(std::begin(block_names), std::end(block_names));
        known.championship_keys = {"points.best-results",  "points.team-counted-drivers",
                                   "championship-name",
                                   "output.json",          "output.csv",
                                   "output.chart-drivers", "output.summary-columns",
                                   "output.team-summary-columns", "output.page-set",
                                   "output.index",         "output.links",
                                   "output.driver-pages",  "template.series",
                                   "template.teams",       "template.index",
                                   "template.driver"};
        return known;
    }();
    return catalogue;
}

namespace {

// The whole content of a regular file of at most `limit` bytes. Throws `failure` when it cannot
// be read or is a directory, `failure` + ": not a regular file" for a device, FIFO or socket, and
// `failure` + ": larger than " + `limit_text` when it is too large; nothing is read from a file
// that is not a regular one, so an endless device cannot stall the run, and no more than its size.
std::string read_bounded(const fs::path& path, std::uintmax_t limit, const char* limit_text,
                         const std::string& failure) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status) || fs::is_directory(status)) {
        throw std::runtime_error(failure);
    }
    if (!fs::is_regular_file(status)) {
        throw std::runtime_error(failure + ": not a regular file");
    }
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) {
        throw std::runtime_error(failure);
    }
    if (size > limit) {
        throw std::runtime_error(failure + ": larger than " + limit_text);
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error(failure);
    }
    // No more than the size the system gave: a pseudo-file that says it is empty but never ends
    // (Linux's /proc/kmsg) cannot stall the run, and a file growing meanwhile is cut there.
    std::string text = read_at_most(file, static_cast<std::size_t>(size));
    if (file.bad()) {
        throw std::runtime_error(failure);
    }
    return text;
}

// CR LF line ends read as LF, as a text-mode read on Windows gives them.
std::string with_line_feeds(std::string text) {
    auto out = text.begin();
    for (auto in = text.begin(); in != text.end(); ++in) {
        if (!(*in == '\r' && in + 1 != text.end() && in[1] == '\n')) {
            *out++ = *in;
        }
    }
    text.erase(out, text.end());
    return text;
}

void note_input_time(option_set& set, const fs::path& path) {
    set.newest_input_time = std::max(set.newest_input_time, input_time(path));
}

// Parses INFO text read from `path`. Errors in the text itself are labelled with `path`; errors
// inside a file pulled in by "#include" keep that file's name, which the parser gives them.
pt::ptree parse_info(const std::string& text, const fs::path& path) {
    std::istringstream in(text);
    pt::ptree tree;
    try {
        pt::read_info(in, tree);
    } catch (const pt::info_parser_error& error) {
        // The reader names a file it cannot include as written, escapes expanded: a Windows path
        // ("C:\temp\new.conf") holds a tab and a line feed by then.
        std::string message = visible(error.message());
        if (message == "unknown escape sequence" ||
            message == "character expected after backslash" ||
            has_control_character(error.message())) {
            message += '\n';
            message += backslash_hint;
        }
        throw pt::info_parser_error(
            message, error.filename().empty() ? visible(path_to_utf8(path)) : visible(error.filename()),
            error.line());
    }
    return tree;
}

void read_template(option_set& set, const template_key& key, const pt::ptree& entry,
                   const fs::path& config_path, const file_reading& reading) {
    const fs::path resolved = config_path.parent_path() / fs::u8path(entry.data());
    const std::string shown = path_to_utf8(resolved);
    std::string failure = reading.about(entry, key.path, "unable to read " + visible(shown));
    try {
        set.*key.text = with_line_feeds(read_bounded(resolved, max_template_bytes, "4 MiB", failure));
    } catch (const std::runtime_error& error) {
        if (!has_control_character(shown)) {
            throw;
        }
        throw std::runtime_error(error.what() + std::string("\n") + backslash_hint);
    }
    note_input_time(set, resolved);
    set.*key.file = resolved;
}

// The keys whose value is a list: a ";" right after the first item ends the value there.
const char* const list_keys[] = {"points.race", "points.qualifying", "points.grid",
                                 "output.qualifying-columns", "output.race-columns",
                                 "output.summary-columns", "output.team-summary-columns"};

// "race 25;18;15" is the table 25 and a comment: the warning says so, and how to write it.
void warn_comment_in_list(const pt::ptree& entry, const char* key, const std::string& comment,
                          file_reading& reading) {
    const bool table = std::string_view(key).substr(0, 7) == "points.";
    std::string rest = comment.substr(0, comment.find_last_not_of(" \t\r") + 1);
    std::replace(rest.begin(), rest.end(), ';', table ? ',' : ' ');
    const std::string meant = entry.data() + (table ? "," : " ") + rest;
    reading.warn(reading.about(
        entry, key,
        "\";\" starts a comment, so the " + std::string(table ? "table" : "list") + " keeps " +
            visible(entry.data()) +
            (table ? "; the points of a table are separated by commas: " + visible(meant)
                   : "; columns are separated by spaces, in double quotes: \"" + visible(meant) +
                         "\"")));
}

// The settings of the whole season, which only the championship's top level sets: an event's
// own file or a block reads and checks them, but they change nothing there.
struct championship_settings {
    round_count best_results;
    round_count chart_drivers;
    column_list summary_columns;
    column_list team_summary_columns;
    bool output_json;
    bool output_csv;
    page_set pages;
    std::optional<bool> index_page;
    std::optional<bool> links;
    std::optional<bool> driver_pages;
    std::optional<std::string> series_template, teams_template, index_template, driver_template;
    std::optional<fs::path> series_template_path, teams_template_path, index_template_path,
        driver_template_path;

    explicit championship_settings(const option_set& set)
        : best_results(set.best_results), chart_drivers(set.chart_drivers),
          summary_columns(set.summary_columns), team_summary_columns(set.team_summary_columns),
          output_json(set.output_json), output_csv(set.output_csv), pages(set.pages),
          index_page(set.index_page), links(set.links), driver_pages(set.driver_pages),
          series_template(set.series_template), teams_template(set.teams_template),
          index_template(set.index_template), driver_template(set.driver_template),
          series_template_path(set.series_template_path),
          teams_template_path(set.teams_template_path),
          index_template_path(set.index_template_path),
          driver_template_path(set.driver_template_path) {}

    void restore(option_set& set) const {
        set.best_results = best_results;
        set.chart_drivers = chart_drivers;
        set.summary_columns = summary_columns;
        set.team_summary_columns = team_summary_columns;
        set.output_json = output_json;
        set.output_csv = output_csv;
        set.pages = pages;
        set.index_page = index_page;
        set.links = links;
        set.driver_pages = driver_pages;
        set.series_template = series_template;
        set.teams_template = teams_template;
        set.index_template = index_template;
        set.driver_template = driver_template;
        set.series_template_path = series_template_path;
        set.teams_template_path = teams_template_path;
        set.index_template_path = index_template_path;
        set.driver_template_path = driver_template_path;
    }
};

// Under the modern page set the columns of the pages are those that suit it, unless the
// championship's file names them.
void apply_modern_columns(option_set& set, const pt::ptree& tree) {
    using column = column_type;
    if (!tree.get_child_optional("output.summary-columns")) {
        set.summary_columns.columns = {column::position, column::driver, column::points,
                                       column::summary, column::team};
    }
    if (!tree.get_child_optional("output.race-columns")) {
        set.race_columns.columns = {column::position,    column::driver,    column::points,
                                    column::finish_time, column::penalty,   column::grid_slot,
                                    column::change,      column::best_lap,  column::team,
                                    column::car,         column::handicap};
    }
    if (!tree.get_child_optional("output.qualifying-columns")) {
        set.qualifying_columns.columns = {column::position, column::driver, column::best_lap,
                                          column::team,     column::car,    column::handicap};
    }
}

// Reads the keys and driver sections of `tree` over `set`.
bool overlay(option_set& set, const pt::ptree& tree, const entry_places& places,
             const fs::path& config_path, const overlay_mode& mode) {
    const championship_settings kept(set);
    file_reading reading(places, mode.warning_prefix);
    for (const typed_key& key : typed_keys) {
        if (const auto entry = tree.get_child_optional(key.path)) {
            key.store(set, *entry, key.path, reading);
        }
    }
    for (const char* key : list_keys) {
        if (const auto entry = tree.get_child_optional(key)) {
            if (const auto comment = places.comment_after_value(*entry)) {
                warn_comment_in_list(*entry, key, *comment, reading);
            }
        }
    }
    for (scoring_positions* table : {&set.race_points, &set.qualifying_points, &set.grid_points}) {
        table->reduced = set.reduced_points;
    }
    for (const template_key& key : template_keys) {
        if (const auto entry = tree.get_child_optional(key.path)) {
            read_template(set, key, *entry, config_path, reading);
        }
    }
    if (const auto entry = tree.get_child_optional("event-name"); entry && !entry->data().empty()) {
        set.event_name = entry->data();
    }
    // The championship's name is one for the whole season: an event's own file cannot change it.
    if (const auto entry = tree.get_child_optional("championship-name");
        entry && mode.championship) {
        set.championship_name = entry->data();
    }
    if (!mode.championship) {
        kept.restore(set);
    } else if (set.pages == page_set::modern && kept.pages != page_set::modern) {
        apply_modern_columns(set, tree);
    }
    read_driver_sections(set, tree, places, mode.where);
    for (const std::string& warning : check_driver_sections(tree, places)) {
        reading.warn(warning);
    }
    return reading.warned;
}

}  // namespace

// A configuration file as parsed, kept while blocks of it are read over sets.
class parsed_config {
public:
    parsed_config(fs::path path, info_scan scan, pt::ptree tree)
        : path(std::move(path)), scan(std::move(scan)), tree(std::move(tree)),
          places(this->tree, this->scan) {}
    parsed_config(const parsed_config&) = delete;
    parsed_config& operator=(const parsed_config&) = delete;

    const fs::path path;
    const info_scan scan;
    const pt::ptree tree;
    const entry_places places;  // refers to `scan` and `tree`
};

namespace {

overlay_mode block_mode(const round_block& block, const char* warning_prefix) {
    return {false,
            block.what == round_block::kind::from ? adjustment_entry::scope::from_block
                                                  : adjustment_entry::scope::event,
            warning_prefix};
}

}  // namespace

namespace {

// A file saved as UTF-16 (Notepad's "Unicode"): its byte-order mark, or a zero byte in every
// second place of its start (ASCII text in 16-bit units).
bool looks_like_utf16(std::string_view text) {
    if (text.size() >= 2 && (text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == "\xFE\xFF")) {
        return true;
    }
    const std::size_t checked = std::min<std::size_t>(text.size() & ~std::size_t{1}, 64);
    if (checked < 4) {
        return false;
    }
    bool even_zero = true;
    bool odd_zero = true;
    for (std::size_t i = 0; i < checked; i += 2) {
        even_zero = even_zero && text[i] == '\0';
        odd_zero = odd_zero && text[i + 1] == '\0';
    }
    return even_zero != odd_zero;
}

// The first byte of `text` that does not belong to valid UTF-8, or nothing.
std::optional<unsigned char> first_non_utf8(std::string_view text) {
    while (!text.empty()) {
        const auto first = static_cast<unsigned char>(text.front());
        try {
            lfs_codec::next_code_point(text);
        } catch (const std::range_error&) {
            return first;
        }
    }
    return std::nullopt;
}

// Throws std::range_error at the first entry (in file order) whose name or value is not UTF-8:
// "rostrum.conf(3): the byte 0xE9 is not UTF-8: the file was saved in another encoding; save it
// as UTF-8". (Comments are not in the tree: their bytes do not matter.)
void require_utf8_entries(const pt::ptree& tree, const entry_places& places) {
    for (const auto& [name, child] : tree) {
        for (const std::string* text : {&name, &child.data()}) {
            if (const auto byte = first_non_utf8(*text)) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "0x%02X", *byte);
                throw std::range_error(places.of(child) + ": the byte " + hex +
                                       " is not UTF-8: the file was saved in another encoding; "
                                       "save it as UTF-8");
            }
        }
        require_utf8_entries(child, places);
    }
}

}  // namespace

bool read_options_file(option_set& set, const fs::path& path, config_scope scope,
                       std::vector<round_block>* blocks) {
    const std::string shown_path = path_to_utf8(path);
    std::string text =
        read_bounded(path, max_configuration_bytes, "1 MiB", "unable to read " + visible(shown_path));
    note_input_time(set, path);
    // Windows editors start UTF-8 files with a byte-order mark; it is not part of the first name.
    constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";
    if (std::string_view(text).substr(0, byte_order_mark.size()) == byte_order_mark) {
        text.erase(0, byte_order_mark.size());
    }
    if (looks_like_utf16(text)) {
        throw std::range_error(visible(shown_path) +
                               " is saved as UTF-16 (Notepad's \"Unicode\"); save it as UTF-8");
    }
    info_scan scan = scan_info(text, shown_path);
    for (const fs::path& included : scan.included) {
        note_input_time(set, included);
    }
    pt::ptree tree = parse_info(text, path);
    const auto parsed = std::make_shared<const parsed_config>(path, std::move(scan), std::move(tree));
    require_utf8_entries(parsed->tree, parsed->places);
    const bool championship = scope == config_scope::championship;
    const char* const prefix = championship ? "warning: " : "  warning: ";

    bool warned = false;
    for (const std::string& warning :
         check_keys(parsed->tree, parsed->places, known_keys(), championship)) {
        error_stream() << prefix << warning << '\n';
        warned = true;
    }
    const adjustment_entry::scope where =
        championship ? adjustment_entry::scope::championship : adjustment_entry::scope::event;
    warned = overlay(set, parsed->tree, parsed->places, path, {championship, where, prefix}) ||
             warned;
    if (!championship) {
        return warned;  // its blocks were reported by check_keys; they are not read
    }

    // Each block is read once now, over a copy of the championship's settings, so that its
    // mistakes are reported here, in file order, and not again at every event it applies to.
    std::unordered_set<std::string> round_folders;
    for (const auto& [name, content] : parsed->tree) {
        const auto kind = name == "round"  ? std::optional(round_block::kind::round)
                          : name == "from" ? std::optional(round_block::kind::from)
                                           : std::nullopt;
        if (!kind || (*kind == round_block::kind::round && !round_folders.insert(content.data()).second)) {
            continue;
        }
        round_block block{*kind, content.data(), parsed->places.of(content), parsed, &content};
        option_set trial = set;
        warned = overlay(trial, content, parsed->places, path, block_mode(block, "warning: ")) ||
                 warned;
        if (blocks != nullptr) {
            blocks->push_back(std::move(block));
        }
    }
    return warned;
}

void overlay_block(option_set& set, const round_block& block) {
    overlay(set, *block.content, block.source->places, block.source->path,
            block_mode(block, nullptr));
}

championship_options load_championship_options(const fs::path& path, bool& warning_written) {
    championship_options loaded;
    warning_written = fs::exists(path) && read_options_file(loaded.options, path,
                                                            config_scope::championship,
                                                            &loaded.blocks);
    return loaded;
}

option_set load_global_options(const fs::path& path, bool& warning_written) {
    return load_championship_options(path, warning_written).options;
}

}  // namespace options

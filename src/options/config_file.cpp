#include "options/config_file.h"

#include <algorithm>
#include <boost/optional.hpp>
#include <boost/property_tree/info_parser.hpp>
#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/stream_translator.hpp>
#include <fstream>
#include <locale>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include "console/console.h"
#include "files/files.h"
#include "options/driver_sections.h"
#include "options/value_syntax.h"

namespace options {
namespace {

namespace fs = std::filesystem;
namespace pt = boost::property_tree;

// Converts a key's text as boost's stream_translator does (classic locale, the type's
// customize_stream extraction, nothing but white space after the value), and notes in
// `warning_written` when an accepted value wrote "invalid token near ".
template <class T>
class value_translator {
public:
    using internal_type = std::string;
    using external_type = T;

    explicit value_translator(bool& warning_written) : warning_written(&warning_written) {}

    boost::optional<T> get_value(const std::string& text) const {
        std::istringstream in(text);
        in.imbue(std::locale::classic());
        T value{};
        pt::customize_stream<char, std::char_traits<char>, T>::extract(in, value);
        if (in.fail() || in.bad() || in.get() != std::char_traits<char>::eof()) {
            return boost::none;
        }
        if (in.iword(invalid_token_word()) != 0) {
            *warning_written = true;
        }
        return value;
    }

private:
    bool* warning_written;
};

template <class T>
T converted(const pt::ptree& entry, const char* key, bool& warning_written) {
    if (const auto value = entry.get_value_optional<T>(value_translator<T>(warning_written))) {
        return *value;
    }
    throw std::runtime_error(std::string(key) + ": invalid value: " + entry.data());
}

template <class Member>
struct member_type;
template <class T>
struct member_type<T option_set::*> {
    using type = T;
};

template <auto field>
void store(option_set& set, const pt::ptree& entry, const char* key, bool& warning_written) {
    using value_type = typename member_type<decltype(field)>::type;
    set.*field = converted<value_type>(entry, key, warning_written);
}

void store_every_shared_points_mode(option_set& set, const pt::ptree& entry, const char* key,
                                    bool& warning_written) {
    const auto mode = converted<shared_points_mode>(entry, key, warning_written);
    set.shared_points_mode_fastest_lap = mode;
    set.shared_points_mode_fastest_qualifier = mode;
    set.shared_points_mode_highest_climber = mode;
}

struct typed_key {
    const char* path;
    // Converts the entry's value and stores it; throws the key's invalid-value error.
    void (*store)(option_set& set, const pt::ptree& entry, const char* key, bool& warning_written);
};

// In reading order: the general sharing mode comes before the specific ones, so that a specific
// key wins over the general one in the same file.
const typed_key typed_keys[] = {
    {"points.race", store<&option_set::race_points>},
    {"points.qualifying", store<&option_set::qualifying_points>},
    {"points.grid", store<&option_set::grid_points>},
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
    {"output.qualifying-columns", store<&option_set::qualifying_columns>},
    {"output.race-columns", store<&option_set::race_columns>},
    {"output.summary-columns", store<&option_set::summary_columns>},
    {"output.team-summary-columns", store<&option_set::team_summary_columns>},
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
};

// Opens a file for reading; throws `failure` when it cannot be opened or is a directory (which
// std::ifstream opens without complaint on some systems).
std::ifstream open_for_reading(const fs::path& path, const std::string& failure) {
    std::ifstream file(path, std::ios::binary);
    std::error_code ignored;
    if (!file || fs::is_directory(path, ignored)) {
        throw std::runtime_error(failure);
    }
    return file;
}

std::string read_whole(std::ifstream& file, const std::string& failure) {
    std::string text;
    char buffer[1 << 16];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(file.gcount()));
    }
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
pt::ptree parse_info(std::string_view text, const fs::path& path) {
    // Windows editors start UTF-8 files with a byte-order mark; it is not part of the first name.
    constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";
    if (text.substr(0, byte_order_mark.size()) == byte_order_mark) {
        text.remove_prefix(byte_order_mark.size());
    }
    std::istringstream in{std::string(text)};
    pt::ptree tree;
    try {
        pt::read_info(in, tree);
    } catch (const pt::info_parser_error& error) {
        if (!error.filename().empty()) {
            throw;
        }
        throw pt::info_parser_error(error.message(), path_to_utf8(path), error.line());
    }
    return tree;
}

void read_template(option_set& set, const template_key& key, const pt::ptree& entry,
                   const fs::path& config_path) {
    const fs::path resolved = config_path.parent_path() / fs::u8path(entry.data());
    const std::string failure =
        std::string(key.path) + ": unable to read " + path_to_utf8(resolved);
    std::ifstream file = open_for_reading(resolved, failure);
    note_input_time(set, resolved);
    set.*key.text = with_line_feeds(read_whole(file, failure));
    set.*key.file = resolved;
}

}  // namespace

bool read_options_file(option_set& set, const fs::path& path) {
    const std::string failure = "unable to read " + path_to_utf8(path);
    std::ifstream file = open_for_reading(path, failure);
    note_input_time(set, path);
    const pt::ptree tree = parse_info(read_whole(file, failure), path);

    bool warning_written = false;
    for (const typed_key& key : typed_keys) {
        if (const auto entry = tree.get_child_optional(key.path)) {
            key.store(set, *entry, key.path, warning_written);
        }
    }
    for (scoring_positions* table : {&set.race_points, &set.qualifying_points, &set.grid_points}) {
        table->reduced = set.reduced_points;
    }
    for (const template_key& key : template_keys) {
        if (const auto entry = tree.get_child_optional(key.path)) {
            read_template(set, key, *entry, path);
        }
    }
    if (const auto entry = tree.get_child_optional("event-name"); entry && !entry->data().empty()) {
        set.event_name = entry->data();
    }
    read_driver_sections(set, tree);
    return warning_written;
}

option_set load_global_options(const fs::path& path, bool& warning_written) {
    option_set set;
    warning_written = fs::exists(path) && read_options_file(set, path);
    return set;
}

}  // namespace options

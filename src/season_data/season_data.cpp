#include "season_data/season_data.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "event_result/event_pages.h"
#include "event_result/replay.h"

namespace {

// Objects keep their keys in the order they were set, which is the order the README documents.
using json = nlohmann::ordered_json;

constexpr int format_version = 1;
constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";  // UTF-8, for spreadsheets

// `value` as JSON text: on one line with `indent` -1, else with `indent` spaces per level. Invalid
// UTF-8 becomes U+FFFD (the library's replace mode); other text but control characters, quotes and
// backslashes is written as it is.
std::string json_text(const json& value, int indent) {
    return value.dump(indent, ' ', false, json::error_handler_t::replace);
}

// Writes pretty-printed JSON `text` where a member at `depth` levels stands: its first line goes
// on the current line, its other lines are indented to that depth. (A string holds no raw line
// feed, so every line feed of the text starts a line.)
void write_indented(std::ostream& out, const std::string& text, std::size_t depth) {
    const std::string line_start = "\n" + std::string(2 * depth, ' ');
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start)) {
        out.write(text.data() + start, static_cast<std::streamsize>(end - start));
        out << line_start;
    }
    out.write(text.data() + start, static_cast<std::streamsize>(text.size() - start));
}

// Writes `value` pretty-printed where a member at `depth` levels stands.
void write_json(std::ostream& out, const json& value, std::size_t depth) {
    write_indented(out, json_text(value, 2), depth);
}

// Writes a member of the top-level object whose value is an array: one element made by `element`
// at a time, each written before the next is made.
// `element` either gives the element's JSON or writes it itself (at depth 2).
template <class Range, class Element>
void write_array_member(std::ostream& out, const char* name, const Range& range, Element element) {
    out << "  " << json_text(name, -1) << ": [";
    bool first = true;
    for (const auto& item : range) {
        out << (first ? "\n    " : ",\n    ");
        if constexpr (std::is_void_v<decltype(element(item))>) {
            element(item);
        } else {
            write_json(out, element(item), 2);
        }
        first = false;
    }
    out << (first ? "]" : "\n  ]");
}

json optional_text(const std::optional<std::string_view>& text) {
    return text ? json(std::string(*text)) : json(nullptr);
}

// "31/3", "-2", "10".
std::string exact_text(points_value points) {
    std::string text = std::to_string(points.numerator());
    if (points.denominator() != 1) {
        text += '/';
        text += std::to_string(points.denominator());
    }
    return text;
}

// Whole points as a JSON integer (10, not 10.0), others as the nearest double.
json points_number(points_value points) {
    if (points.denominator() == 1) {
        return points.numerator();
    }
    return static_cast<double>(points.numerator()) / static_cast<double>(points.denominator());
}

json points_json(points_value points) {
    json value;
    value["exact"] = exact_text(points);
    value["value"] = points_number(points);
    return value;
}

// A driver's points for an event with their breakdown; 0 without items when he has no entry.
json score_json(const score_entry* entry) {
    json value = points_json(entry ? entry->points : points_value(0));
    json& items = value["items"] = json::array();
    static const std::vector<score_item> no_items;
    for (const score_item& item : entry ? entry->breakdown : no_items) {
        json member;
        member["reason"] = item.reason;
        member["exact"] = exact_text(item.points);
        member["value"] = points_number(item.points);
        items.push_back(std::move(member));
    }
    return value;
}

json handicap_json(std::uint32_t mass_kg, std::uint32_t intake_percent) {
    json value;
    value["mass_kg"] = mass_kg;
    value["intake_percent"] = intake_percent;
    return value;
}

// A best lap in milliseconds, or null when the row has no time or is disqualified.
json best_lap_json(std::int64_t best_lap_ms, bool disqualified) {
    return is_timed(best_lap_ms) && !disqualified ? json(best_lap_ms) : json(nullptr);
}

// The members a row of either session starts with. `position` is 0 for a disqualified row.
template <class Row>
json row_start(const event_result& event, const Row& row, std::size_t position) {
    json value;
    value["position"] = position == 0 ? json(nullptr) : json(position);
    value["user_name"] = row.key.display;
    value["name"] = row.name;
    value["team"] = optional_text(event.options->team_of(row.key));
    value["car"] = row.car;
    return value;
}

// With classes: a row's class and place in it.
template <class Row>
void add_class(json& value, const event_result& event, const Row& row) {
    if (!event.classes.empty()) {
        value["class"] = row.car_class;
        value["class_position"] = row.class_position == 0 ? json(nullptr) : json(row.class_position);
    }
}

// The members a row of either session ends with; `dsq` for a disqualified row.
template <class Row>
void add_row_end(json& value, const event_result& event, const Row& row, bool dsq) {
    value["handicap"] = handicap_json(row.mass_kg, row.intake_percent);
    value["disqualified"] = dsq;
    value["points"] = dsq ? json(nullptr) : score_json(event.scores.find(row.key));
}

// A race row at its place among the classified (0: disqualified, or `not_classified` by the
// classification rule).
json race_row_json(const event_result& event, const race_row& row, std::size_t position,
                   bool not_classified = false) {
    const bool dsq = position == 0 && !not_classified;
    json value = row_start(event, row, position);
    add_class(value, event, row);
    if (event.options->minimum_race_distance) {
        value["classified"] = !dsq && !not_classified;
    }
    value["laps"] = row.laps;
    value["race_time_ms"] = dsq ? json(nullptr) : json(row.total_time_ms);
    value["best_lap_ms"] = best_lap_json(row.best_lap_ms, dsq);
    value["gap"] = dsq || position == 1
                       ? json(nullptr)
                       : json(behind_winner_text(event.race->results.front(), row));
    value["grid"] = row.grid_slot == 0 ? json(nullptr) : json(row.grid_slot);
    add_row_end(value, event, row, dsq);
    return value;
}

json qualifying_row_json(const event_result& event, const qualifying_row& row,
                         std::size_t position) {
    json value = row_start(event, row, position);
    add_class(value, event, row);
    value["best_lap_ms"] = best_lap_json(row.best_lap_ms, position == 0);
    add_row_end(value, event, row, position == 0);
    return value;
}

// The rows of a session as its page lists them: the classified, then the disqualified.
template <class Row, class Make>
json rows_json(const std::vector<Row>& results, const std::vector<Row>& dsq_results, Make make) {
    json rows = json::array();
    for (std::size_t i = 0; i < results.size(); ++i) {
        rows.push_back(make(results[i], i + 1));
    }
    for (const Row& row : dsq_results) {
        rows.push_back(make(row, 0));
    }
    return rows;
}

json event_json(const event_result& event) {
    json value;
    value["folder"] = event.folder;
    value["name"] = event_title(event);
    json& tracks = value["tracks"] = json::array();
    if (event.race) {
        tracks.push_back(event.race->track_id);
    }
    if (event.qualifying) {
        for (const std::string& track : event.qualifying->track_ids) {
            if (!event.race || track != event.race->track_id) {
                tracks.push_back(track);
            }
        }
    }
    value["start_time"] = iso_8601_time_text(event.start_time());
    if (event.race) {
        value["race_length"] = std::string(race_length_title_text(*event.race));
        json& rows = value["race"] = json::array();
        std::size_t position = 0;  // among the classified
        for (const race_row& row : event.race->results) {
            rows.push_back(row.classified ? race_row_json(event, row, ++position)
                                          : race_row_json(event, row, 0, true));
        }
        for (const race_row& row : event.race->dsq_results) {
            rows.push_back(race_row_json(event, row, 0));
        }
    } else {
        value["race_length"] = nullptr;
        value["race"] = nullptr;
    }
    if (event.qualifying) {
        value["qualifying"] = rows_json(event.qualifying->results, event.qualifying->dsq_results,
                                        [&event](const qualifying_row& row, std::size_t position) {
                                            return qualifying_row_json(event, row, position);
                                        });
    } else {
        value["qualifying"] = nullptr;
    }
    return value;
}

// Whether the driver's round at event `index` was dropped from his total.
bool dropped_round(const driver_standing& driver, std::size_t index) {
    return index < driver.dropped.size() && driver.dropped[index];
}

// Writes a driver's standing as an element of "driver_standings": the pretty-printed JSON of an
// object with "position", "name", "user_name", "team", "total" and "rounds", written where an
// element at depth 2 stands. Its rounds are written as text, not as a JSON tree each: a season
// has a round per event for every driver, most of them without a score.
void write_driver_standing(std::ostream& out, std::size_t event_count,
                           const driver_standing& driver, std::size_t position,
                           const std::string& car_class) {
    json head;
    head["position"] = position;
    if (!car_class.empty()) {
        head["class"] = car_class;
    }
    head["name"] = std::string(driver.name);
    head["user_name"] = driver.key.display;
    head["team"] = optional_text(driver.team);
    head["total"] = points_json(driver.points);
    head["starts"] = driver.statistics.starts;
    head["wins"] = driver.statistics.wins;
    head["podiums"] = driver.statistics.podiums;
    head["poles"] = driver.statistics.poles;
    head["fastest_laps"] = driver.statistics.fastest_laps;
    std::string text = json_text(head, 2);
    text.resize(text.size() - 2);  // without the object's closing "\n}"
    text += ",\n  \"rounds\": [";
    auto result = driver.results.begin();
    auto disqualified = driver.disqualified.begin();
    for (std::size_t i = 0; i < event_count; ++i) {
        text += i == 0 ? "\n    {\n      \"points\": " : ",\n    {\n      \"points\": ";
        if (result != driver.results.end() && result->first == i) {
            const std::string points = json_text(points_json(result++->second->points), 2);
            for (const char c : points) {
                text += c;
                if (c == '\n') {
                    text += "      ";
                }
            }
        } else {
            text += "null";
        }
        text += dropped_round(driver, i) ? ",\n      \"dropped\": true" : ",\n      \"dropped\": false";
        const bool out_of_race = disqualified != driver.disqualified.end() && *disqualified == i;
        if (out_of_race) {
            ++disqualified;
        }
        text += out_of_race ? ",\n      \"disqualified\": true\n    }"
                            : ",\n      \"disqualified\": false\n    }";
    }
    text += event_count == 0 ? "]\n}" : "\n  ]\n}";
    write_indented(out, text, 2);
}

// `text` with every invalid UTF-8 sequence replaced by U+FFFD exactly as the JSON file replaces
// it: the JSON library writes it as a JSON string in its replace mode and reads it back.
std::string valid_utf8(std::string_view text) {
    return json::parse(json_text(std::string(text), -1)).get<std::string>();
}

bool is_control(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

// One text field: a text a spreadsheet would take for a formula gets a leading apostrophe (the
// usual defence: any player chooses his nickname); a field with a comma, a double quote or a
// control character is quoted, its double quotes doubled.
std::string csv_text(std::string_view raw) {
    std::string text = valid_utf8(raw);
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string::npos) {
        text.insert(text.begin(), '\'');
    }
    bool quoted = false;
    for (const char c : text) {
        quoted = quoted || c == ',' || c == '"' || is_control(c);
    }
    if (!quoted) {
        return text;
    }
    std::string field = "\"";
    for (const char c : text) {
        field += c;
        if (c == '"') {
            field += '"';
        }
    }
    field += '"';
    return field;
}

// Points as a decimal with "." and at most four places, rounded half away from zero, without
// trailing zeros: "10.3333", "0.5", "-2", "0" (never "-0").
std::string csv_points(points_value points) {
    const std::int64_t numerator = points.numerator();
    const auto denominator = static_cast<std::uint64_t>(points.denominator());
    const std::uint64_t magnitude = numerator < 0 ? static_cast<std::uint64_t>(-numerator)
                                                  : static_cast<std::uint64_t>(numerator);
    // Ten-thousandths: floor(magnitude * 10000 / denominator + 1/2). At most 2^31 * 20000.
    const std::uint64_t scaled = (magnitude * 20000 + denominator) / (2 * denominator);
    std::string text = numerator < 0 && scaled != 0 ? "-" : "";
    text += std::to_string(scaled / 10000);
    std::uint64_t places = scaled % 10000;
    if (places != 0) {
        std::string digits = std::to_string(places + 10000).substr(1);  // four digits
        digits.erase(digits.find_last_not_of('0') + 1);
        text += '.';
        text += digits;
    }
    return text;
}

// The header of a statistics column in the CSV, or null for any other column.
const char* figure_name(options::column_type column) {
    switch (column) {
        case options::column_type::starts: return "Starts";
        case options::column_type::wins: return "Wins";
        case options::column_type::podiums: return "Podiums";
        case options::column_type::poles: return "Poles";
        case options::column_type::fastest_laps: return "Fastest laps";
        default: return nullptr;
    }
}

std::int32_t figure_of(const driver_statistics& statistics, options::column_type column) {
    switch (column) {
        case options::column_type::starts: return statistics.starts;
        case options::column_type::wins: return statistics.wins;
        case options::column_type::podiums: return statistics.podiums;
        case options::column_type::poles: return statistics.poles;
        default: return statistics.fastest_laps;
    }
}

// The tables of the season's sets of standings, and the class of each ("" for none).
struct standings_tables {
    std::vector<const standings*> tables;
    std::vector<std::string> classes;
};

standings_tables tables_of(const std::vector<season_standings>& sets) {
    standings_tables result;
    for (const season_standings& set : sets) {
        result.tables.push_back(&set.table);
        result.classes.push_back(set.car_class);
    }
    return result;
}

void write_season_json(std::ostream& out, const std::vector<event_result>& events,
                       const standings_tables& sets, const options::option_set& global) {
    const std::vector<const standings*>& tables = sets.tables;
    const std::vector<std::string>& classes = sets.classes;
    const json championship_name =
        global.championship_name.empty() ? json(nullptr) : json(global.championship_name);
    out << "{\n  \"format_version\": " << format_version
        << ",\n  \"championship_name\": " << json_text(championship_name, -1) << ",\n";
    write_array_member(out, "events", events, event_json);
    out << ",\n";
    // Each set's standings in turn, positions counted within the set (the class).
    struct placed_driver {
        const driver_standing* driver;
        std::size_t position;
        const std::string* car_class;
    };
    static const std::string no_class;
    std::vector<placed_driver> drivers;
    struct placed_team {
        const team_standing* team;
        std::size_t position;
        const std::string* car_class;
    };
    std::vector<placed_team> teams;
    for (std::size_t t = 0; t < tables.size(); ++t) {
        const std::string* car_class = t < classes.size() ? &classes[t] : &no_class;
        std::size_t position = 0;
        for (const driver_standing* driver : tables[t]->driver_ranking) {
            drivers.push_back({driver, ++position, car_class});
        }
        // As on the teams page: a team without a name has no row and no position.
        std::size_t team_position = 0;
        for (const team_standing* team : tables[t]->team_ranking) {
            if (!team->name.empty()) {
                teams.push_back({team, ++team_position, car_class});
            }
        }
    }
    write_array_member(out, "driver_standings", drivers, [&](const placed_driver& placed) {
        write_driver_standing(out, events.size(), *placed.driver, placed.position,
                              *placed.car_class);
    });
    out << ",\n";
    write_array_member(out, "team_standings", teams, [&](const placed_team& placed) {
        json value;
        value["position"] = placed.position;
        if (!placed.car_class->empty()) {
            value["class"] = *placed.car_class;
        }
        value["team"] = std::string(placed.team->name);
        value["total"] = points_json(placed.team->points);
        return value;
    });
    out << "\n}\n";
}

void write_series_csv(std::ostream& out, const std::vector<event_result>& events,
                      const standings_tables& sets, const options::option_set& global) {
    const std::vector<const standings*>& tables = sets.tables;
    const std::vector<std::string>& classes = sets.classes;
    // The statistics columns of the series page, in its order.
    std::vector<options::column_type> figures;
    for (const options::column_type column : global.summary_columns.columns) {
        if (figure_name(column) != nullptr) {
            figures.push_back(column);
        }
    }
    const bool by_class = !classes.empty() && !classes.front().empty();
    out << byte_order_mark << (by_class ? "Class,Position,Driver,Team,Total" : "Position,Driver,Team,Total");
    for (const options::column_type column : figures) {
        out << ',' << figure_name(column);
    }
    for (const event_result& event : events) {
        out << ',' << csv_text(event_title(event));
    }
    out << "\r\n";
    for (std::size_t t = 0; t < tables.size(); ++t) {
        std::size_t position = 0;
        for (const driver_standing* driver : tables[t]->driver_ranking) {
            if (by_class) {
                out << csv_text(classes[t]) << ',';
            }
            out << ++position << ',' << csv_text(driver->name) << ','
                << (driver->team ? csv_text(*driver->team) : std::string()) << ','
                << csv_points(driver->points);
            for (const options::column_type column : figures) {
                out << ',' << figure_of(driver->statistics, column);
            }
            for (const event_result& event : events) {
                out << ',';
                const score_entry* entry = event.scores.find(driver->key);
                if (entry != nullptr && (!by_class || entry->car_class == classes[t])) {
                    out << csv_points(entry->points);
                }
            }
            out << "\r\n";
        }
    }
}

}  // namespace

void write_season_json(std::ostream& out, const std::vector<event_result>& events,
                       const standings& season, const options::option_set& global) {
    write_season_json(out, events, standings_tables{{&season}, {}}, global);
}

void write_season_json(std::ostream& out, const std::vector<event_result>& events,
                       const std::vector<season_standings>& sets,
                       const options::option_set& global) {
    write_season_json(out, events, tables_of(sets), global);
}

void write_series_csv(std::ostream& out, const std::vector<event_result>& events,
                      const standings& season, const options::option_set& global) {
    write_series_csv(out, events, standings_tables{{&season}, {}}, global);
}

void write_series_csv(std::ostream& out, const std::vector<event_result>& events,
                      const std::vector<season_standings>& sets,
                      const options::option_set& global) {
    write_series_csv(out, events, tables_of(sets), global);
}

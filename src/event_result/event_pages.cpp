#include "event_result/event_pages.h"

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "console/console.h"
#include "html_template/html_template.h"
#include "html_template/html_text.h"
#include "page_set/page_set.h"

namespace {

using options::column_type;

std::string page_template(std::string_view title_line, std::string_view table_line) {
    constexpr std::string_view head = "<!doctype html>\n<meta charset=UTF-8>\n";
    constexpr std::string_view style = R"css(<style>
    .qualifying-results,
    .race-results {
        font-family: sans;
    }
    .no-team::before,
    .no-handicap::before {
        content: "(None)";
    }
    .no-grid::before,
    .no-change::before {
        content: "N/A";
    }
    .dsq,
    .no-team,
    .no-grid,
    .no-handicap,
    .no-change {
        color: gray;
        font-size: x-small;
    }
    .up::before {
        content: "↑";
    }
    .down::before {
        content: "↓";
    }
    .eq::before {
        content: "↔";
    }
</style>
)css";
    std::string text;
    text.reserve(head.size() + title_line.size() + style.size() + table_line.size());
    return text.append(head).append(title_line).append(style).append(table_line);
}

constexpr std::array<std::string_view, 7> day_names{"Sun", "Mon", "Tue", "Wed",
                                                    "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 12> month_names{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A date of the proleptic Gregorian calendar.
struct civil_date {
    std::int64_t year = 1970;
    unsigned month = 1;  // 1 to 12
    unsigned day = 1;    // 1 to 31
};

// The date `days` days after 1970-01-01 (before it when negative), by Howard Hinnant's
// days-to-civil algorithm over 400-year eras. Exact for every 64-bit count of seconds divided
// by 86400.
civil_date civil_from_days(std::int64_t days) {
    const std::int64_t z = days + 719468;  // days since 0000-03-01
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto day_of_era = static_cast<std::uint64_t>(z - era * 146097);  // [0, 146096]
    const std::uint64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const std::uint64_t day_of_year =
        day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);  // from 1 March
    const std::uint64_t month_from_march = (5 * day_of_year + 2) / 153;          // [0, 11]
    civil_date date;
    date.day = static_cast<unsigned>(day_of_year - (153 * month_from_march + 2) / 5 + 1);
    date.month =
        static_cast<unsigned>(month_from_march < 10 ? month_from_march + 3 : month_from_march - 9);
    date.year = static_cast<std::int64_t>(year_of_era) + era * 400 + (date.month <= 2 ? 1 : 0);
    return date;
}

std::uint64_t magnitude(std::int64_t value) {
    return value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
}

// `value` (below 100) with a leading "0" when it has one digit.
std::string two_digits(std::uint64_t value) {
    return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

// A moment of the UTC calendar.
struct utc_time {
    civil_date date;
    std::size_t weekday = 4;    // 0 Sunday to 6 Saturday
    std::uint64_t seconds = 0;  // since midnight, below 86400
};

// The UTC calendar time `start_time` seconds after 1970-01-01 00:00 (before it when negative).
utc_time utc_time_of(std::int64_t start_time) {
    std::int64_t days = start_time / 86400;
    std::int64_t seconds = start_time % 86400;
    if (seconds < 0) {
        seconds += 86400;
        --days;
    }
    utc_time time;
    time.date = civil_from_days(days);
    time.weekday = static_cast<std::size_t>((days % 7 + 11) % 7);  // 1970-01-01 was a Thursday
    time.seconds = static_cast<std::uint64_t>(seconds);
    return time;
}

void write_text(std::ostream& out, std::string_view text) {
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// Which page a table is for: the texts that differ between them.
struct page_kind {
    bool race = false;
    std::string_view name;         // in warnings: "race", "qualifying"
    std::string_view table_start;  // up to the caption text
};

constexpr page_kind race_page{true, "race", "<table class=race-results><caption>"};
constexpr page_kind qualifying_page{false, "qualifying",
                                    "<table class=qualifying-results><caption>"};

// The header cell of a column on a page; empty when the page cannot show the column.
std::string_view header_cell(column_type column, bool race) {
    switch (column) {
        case column_type::position:
            return "<th><abbr title=Position>Pos</abbr>";
        case column_type::driver:
            return "<th>Driver";
        case column_type::team:
            return "<th>Team";
        case column_type::handicap:
            return "<th>Handicap";
        case column_type::car:
            return "<th>Car";
        case column_type::best_lap:
            return race ? "<th>Best lap" : "<th>Time";
        case column_type::points:
            return race ? "<th>Points" : "";
        case column_type::grid_slot:
            return race ? "<th>Grid" : "";
        case column_type::finish_time:
            return race ? "<th>Time" : "";
        case column_type::change:
            return race ? "<th>↕" : "";
        case column_type::penalty:
            return race ? "<th>Penalty" : "";
        case column_type::car_class:
            return "<th>Class";
        case column_type::class_position:
            return "<th><abbr title=\"Position in the class\">Class pos</abbr>";
        case column_type::summary:
        case column_type::starts:
        case column_type::wins:
        case column_type::podiums:
        case column_type::poles:
        case column_type::fastest_laps:
            return "";
    }
    return "";
}

// Everything before the first row: caption, header cells (with a warning for each column the
// page cannot show) and the start of the body.
void write_table_head(std::ostream& out, const page_kind& page, std::string_view caption,
                      const options::column_list& columns, event_result& event) {
    write_text(out, page.table_start);
    html_escape(out, caption) << "</caption>\n<thead><tr>";
    for (const column_type column : columns.columns) {
        const std::string_view cell = header_cell(column, page.race);
        if (cell.empty()) {
            error_stream() << "warning: unsupported column for " << page.name << ": "
                         << options::column_name(column) << '\n';
            event.pause = true;
        } else {
            write_text(out, cell);
        }
    }
    out << "</thead>\n<tbody>\n";
}

// The position of a race row that the classification rule leaves out.
constexpr std::size_t not_classified = static_cast<std::size_t>(-1);

// The cells that both pages show alike, appended to `out`. `position` is 0 for a disqualified
// driver, not_classified for one the classification rule leaves out.
template <class Row>
void append_common_cell(std::string& out, column_type column, const Row& row, std::size_t position,
                        const options::option_set& options, std::string_view driver_href) {
    const bool dsq = position == 0;
    switch (column) {
        case column_type::position:
            if (dsq) {
                out += "<td>DSQ";
            } else if (position == not_classified) {
                out += "<td>DNF";
            } else {
                out.append("<td>").append(std::to_string(position));
            }
            return;
        case column_type::car_class:
            out += "<td>";
            append_html_escaped(out, row.car_class);
            return;
        case column_type::class_position:
            if (dsq) {
                out += "<td>DSQ";
            } else if (row.car_class.empty()) {
                out += "<td>";  // the season has no classes
            } else if (row.class_position == 0) {
                out += "<td>DNF";
            } else if (row.class_position <= 3) {  // the class's podium, marked as the field's
                out.append("<td class=p").append(std::to_string(row.class_position)).append(">");
                out.append(std::to_string(row.class_position));
            } else {
                out.append("<td>").append(std::to_string(row.class_position));
            }
            return;
        case column_type::driver:
            out += "<td title=\"";
            append_html_escaped(out, row.key.display);
            out += "\">";
            if (driver_href.empty()) {
                append_html_escaped(out, row.name);
            } else {
                out += "<a href=\"";
                append_html_escaped(out, driver_href);
                out += "\">";
                append_html_escaped(out, row.name);
                out += "</a>";
            }
            return;
        case column_type::team:
            if (const auto team = options.team_of(row.key)) {
                out += "<td>";
                append_html_escaped(out, *team);
            } else {
                out += "<td class=no-team>";
            }
            return;
        case column_type::handicap:
            if (dsq) {
                out += "<td>";
            } else if (row.mass_kg == 0 && row.intake_percent == 0) {
                out += "<td class=no-handicap>";
            } else {
                out += "<td>";
                if (row.mass_kg != 0) {
                    out.append("<span class=mass>")
                        .append(std::to_string(row.mass_kg))
                        .append(" kg</span>");
                }
                if (row.mass_kg != 0 && row.intake_percent != 0) {
                    out += '+';
                }
                if (row.intake_percent != 0) {
                    out.append("<span class=intake>")
                        .append(std::to_string(row.intake_percent))
                        .append(" %</span>");
                }
            }
            return;
        case column_type::best_lap:
            out += "<td>";
            if (!dsq && is_timed(row.best_lap_ms)) {
                out += race_time_text(row.best_lap_ms);
            }
            return;
        case column_type::car:
            out += "<td>";
            if (!dsq) {
                append_html_escaped(out, row.car);
            }
            return;
        default:
            return;
    }
}

// The link to the page of a row's driver: for a classified row, or one who scored at the event,
// when the driver pages are linked and the event counts.
std::string driver_href(const event_result& event, const event_page_links& links,
                        const name_key& driver, std::size_t position) {
    if (!links.driver_links || !event.complete ||
        (position == 0 && event.scores.find(driver) == nullptr)) {
        return {};
    }
    return relative_link(1, {driver_pages_folder, driver_page_file(driver)});
}

// A race page cell, appended to `out`.
void append_race_cell(std::string& out, column_type column, const race_row& row,
                      std::size_t position, const event_result& event, std::string_view href) {
    const bool dsq = position == 0;
    const auto position_number = static_cast<std::int64_t>(position);
    switch (column) {
        case column_type::points:
            if (dsq) {
                out += "<td>";
            } else if (const score_entry* entry = event.scores.find(row.key)) {
                if (entry->breakdown.empty()) {
                    out += "<td>";
                } else {
                    out += "<td title=\"";
                    append_escaped_points_breakdown(out, entry->breakdown);
                    out += "\">";
                }
                append_points_text(out, entry->points);
            } else {
                out += "<td>0";
            }
            return;
        case column_type::grid_slot:
            if (dsq) {
                out += "<td>";
            } else if (row.grid_slot == 0) {
                out += "<td class=no-grid>";
            } else {
                out.append("<td>").append(std::to_string(row.grid_slot));
            }
            return;
        case column_type::finish_time: {
            out += "<td>";
            if (dsq) {
                return;
            }
            if (position == 1) {
                out += race_time_text(row.total_time_ms);
            } else {
                out += behind_winner_text(event.race->results.front(), row);
            }
            return;
        }
        case column_type::change:
            if (dsq) {
                out += "<td>";
            } else if (row.grid_slot == 0) {
                out += "<td class=no-change>";
            } else if (position_number < row.grid_slot) {
                out.append("<td class=up>").append(std::to_string(row.grid_slot - position_number));
            } else if (position_number == row.grid_slot) {
                out += "<td class=eq>0";
            } else {
                out.append("<td class=down>")
                    .append(std::to_string(position_number - row.grid_slot));
            }
            return;
        case column_type::penalty:
            out += "<td>";
            if (dsq) {
                out += "DSQ";
            } else if (const auto penalty = event.options->time_penalties.find(row.key);
                       penalty != event.options->time_penalties.end()) {
                out += penalty_text(penalty->second);
            }
            return;
        case column_type::summary:
            return;
        default:
            append_common_cell(out, column, row, position, *event.options, href);
            return;
    }
}

void write_race_table(std::ostream& out, event_result& event, std::string_view caption,
                      const event_page_links& links) {
    const options::column_list& columns = event.options->race_columns;
    write_table_head(out, race_page, caption, columns, event);
    // Each row is put together in memory and written in one piece.
    std::string line;
    const auto write_row = [&](const race_row& row, std::size_t position) {
        line.assign(position == 0 ? "  <tr class=dsq>" : "  <tr>");
        const std::string href = driver_href(event, links, row.key, position);
        for (const column_type column : columns.columns) {
            append_race_cell(line, column, row, position, event, href);
        }
        line += "</tr>\n";
        write_text(out, line);
    };
    const race_result& race = *event.race;
    std::size_t position = 0;  // among the classified
    for (const race_row& row : race.results) {
        write_row(row, row.classified ? ++position : not_classified);
    }
    for (const race_row& row : race.dsq_results) {
        write_row(row, 0);
    }
    out << "</tbody></table>";
}

void write_qualifying_table(std::ostream& out, event_result& event, std::string_view caption,
                            const event_page_links& links) {
    const options::option_set& options = *event.options;
    write_table_head(out, qualifying_page, caption, options.qualifying_columns, event);
    std::string line;  // each row is put together in memory and written in one piece
    const auto write_row = [&](const qualifying_row& row, std::size_t position) {
        line.assign(position == 0 ? "  <tr class=dsq>" : "  <tr>");
        const std::string href = driver_href(event, links, row.key, position);
        for (const column_type column : options.qualifying_columns.columns) {
            append_common_cell(line, column, row, position, options, href);
        }
        line += "</tr>\n";
        write_text(out, line);
    };
    const qualifying_result& qualifying = *event.qualifying;
    for (std::size_t i = 0; i < qualifying.results.size(); ++i) {
        write_row(qualifying.results[i], i + 1);
    }
    for (const qualifying_row& row : qualifying.dsq_results) {
        write_row(row, 0);
    }
    out << "</tbody></table>";
}

// The configured template named by its file's path, or else the built-in one of the page set
// with its fixed name.
html_template page_source(const std::optional<std::string>& configured,
                          const std::optional<std::filesystem::path>& path,
                          options::page_set set, const std::string& built_in,
                          const std::string& modern, std::string_view page,
                          template_context& context) {
    if (configured) {
        context.name = path ? path_to_utf8(*path) : std::string();
        return {*configured, &context};
    }
    const bool is_modern = set == options::page_set::modern;
    context.name = std::string(is_modern ? "built-in modern " : "built-in ") + std::string(page) +
                   " template";
    return {is_modern ? modern : built_in, &context};
}

// The tags both pages have.
void add_common_tags(template_context& context, const options::option_set& options,
                     const event_page_links& links, const std::string& title,
                     const std::string& track_name, const std::string& session_time) {
    context.writers.emplace("session_time",
                            [&session_time](std::ostream& page) { write_text(page, session_time); });
    context.writers.emplace("championship_name", [&options](std::ostream& page) {
        write_text(page, options.championship_name);
    });
    context.writers.emplace("event_title",
                            [&title](std::ostream& page) { write_text(page, title); });
    context.writers.emplace("track_name",
                            [&track_name](std::ostream& page) { write_text(page, track_name); });
    context.writers.emplace("navigation", [&links](std::ostream& page) {
        write_text(page, navigation_html(links.navigation));
    });
}

}  // namespace

const std::string built_in_race_template =
    page_template("<title>{{race_length}} of {{track_id}} on {{session_time}} (UTC)</title>\n",
                  "{{html:race-table}}\n");
const std::string built_in_qualifying_template =
    page_template("<title>Qualifying at {{track_id}} on {{session_time}} (UTC)</title>\n",
                  "{{html:qualifying-table}}\n");

std::string session_time_text(std::int64_t start_time) {
    const utc_time time = utc_time_of(start_time);
    std::string text(day_names[time.weekday]);
    text += ' ';
    text += month_names[time.date.month - 1];
    text += time.date.day < 10 ? "  " : " ";
    text += std::to_string(time.date.day);
    text += ' ';
    text += two_digits(time.seconds / 3600);
    text += ':';
    text += two_digits(time.seconds / 60 % 60);
    text += ' ';
    text += std::to_string(time.date.year);
    return text;
}

std::string iso_8601_time_text(std::int64_t start_time) {
    const utc_time time = utc_time_of(start_time);
    const std::uint64_t year = magnitude(time.date.year);
    std::string text = time.date.year < 0 ? "-" : "";
    const std::string digits = std::to_string(year);
    text.append(digits.size() < 4 ? 4 - digits.size() : 0, '0').append(digits);
    text += '-';
    text += two_digits(time.date.month);
    text += '-';
    text += two_digits(time.date.day);
    text += 'T';
    text += two_digits(time.seconds / 3600);
    text += ':';
    text += two_digits(time.seconds / 60 % 60);
    text += ':';
    text += two_digits(time.seconds % 60);
    text += 'Z';
    return text;
}

std::string race_time_text(std::int64_t milliseconds) {
    const std::uint64_t time = magnitude(milliseconds);
    const std::uint64_t hours = time / 3600000;
    const std::uint64_t minutes = time / 60000 % 60;
    std::string text = milliseconds < 0 ? "-" : "";
    if (hours > 0) {
        text += std::to_string(hours);
        text += ':';
        text += two_digits(minutes);
    } else {
        text += std::to_string(minutes);
    }
    text += ':';
    text += two_digits(time / 1000 % 60);
    text += '.';
    text += two_digits(time % 1000 / 10);
    return text;
}

std::string penalty_text(std::int64_t milliseconds) {
    const std::uint64_t penalty = magnitude(milliseconds);
    std::string text = milliseconds < 0 ? "-" : "+";
    text += std::to_string(penalty / 1000);
    if (penalty % 1000 != 0) {
        std::string decimals = std::to_string(penalty % 1000 + 1000).substr(1);
        decimals.erase(decimals.find_last_not_of('0') + 1);
        text += '.' + decimals;
    }
    return text + 's';
}

std::string gap_text(std::int64_t milliseconds) {
    const std::uint64_t gap = magnitude(milliseconds);
    std::string text = milliseconds < 0 ? "-" : "+";
    text += std::to_string(gap / 1000);
    text += '.';
    text += two_digits(gap % 1000 / 10);
    text += 's';
    return text;
}

std::string behind_winner_text(const race_row& winner, const race_row& row) {
    if (row.laps == winner.laps) {
        return gap_text(row.gap_ms);
    }
    const std::int64_t laps_behind = std::int64_t{winner.laps} - row.laps;
    return '+' + std::to_string(laps_behind) + (laps_behind >= 2 ? " laps" : " lap");
}

std::string_view race_length_title_text(const race_result& race) {
    std::string_view text = race.race_length;
    if (text.size() >= 3) {
        text.remove_suffix(3);  // "20 laps of" -> "20 laps"
    }
    return text;
}

void write_race_page(event_result& event, std::ostream& out, const event_page_links& links) {
    const options::option_set& options = *event.options;
    const race_result& race = *event.race;
    const std::string_view track = options.event_name ? *options.event_name : race.track_id;
    const std::string session_time = session_time_text(race.start_time);
    const std::string_view short_length = race_length_title_text(race);
    std::string caption = race.race_length;
    caption.append(" ").append(track).append(" on ").append(session_time).append(" (UTC)");
    const std::string track_name = race_track_name(race);
    const std::string title = options.event_name ? *options.event_name : track_name;

    const std::string configuration =
        race.track_config == 0 ? std::string() : std::to_string(race.track_config);

    template_context context;
    context.writers = {
        {"track_id", [&](std::ostream& page) { write_text(page, track); }},
        {"track_configuration", [&](std::ostream& page) { write_text(page, configuration); }},
        {"track_reversed",
         [&](std::ostream& page) { write_text(page, race.track_reversed != 0 ? "reversed" : ""); }},
        {"race_length", [&](std::ostream& page) { write_text(page, short_length); }},
        {"race-table", [&](std::ostream& page) { write_race_table(page, event, caption, links); }},
    };
    add_common_tags(context, options, links, title, track_name, session_time);
    render_template(out, page_source(options.race_template, options.race_template_path,
                                     options.pages, built_in_race_template, modern_race_template,
                                     "race", context));
}

void write_qualifying_page(event_result& event, std::ostream& out, const event_page_links& links) {
    const options::option_set& options = *event.options;
    const qualifying_result& qualifying = *event.qualifying;
    if (qualifying.track_ids.empty()) {
        error_stream() << "warning: qualifying track_ids empty\n";
        event.pause = true;
        return;
    }
    const std::string track =
        options.event_name ? *options.event_name : qualifying_track_text(qualifying);
    const std::string session_time = session_time_text(qualifying.start_time);
    const std::string caption = "Qualifying at " + track + " on " + session_time + " (UTC)";
    const std::string track_name = qualifying_track_name(qualifying);
    const std::string title = options.event_name ? *options.event_name : track_name;

    template_context context;
    context.writers = {
        {"track_id", [&](std::ostream& page) { write_text(page, track); }},
        {"qualifying-table",
         [&](std::ostream& page) { write_qualifying_table(page, event, caption, links); }},
    };
    add_common_tags(context, options, links, title, track_name, session_time);
    render_template(out, page_source(options.qualifying_template,
                                     options.qualifying_template_path, options.pages,
                                     built_in_qualifying_template, modern_qualifying_template,
                                     "qualifying", context));
}

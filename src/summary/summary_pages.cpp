#include "summary/summary_pages.h"

#include <charconv>
#include <iterator>
#include <map>
#include <stdexcept>

#include "console/console.h"
#include "event_result/award.h"
#include "html_template/html_text.h"
#include "site_links/site_links.h"

const std::string builtin_series_template =
    "<!doctype html>\n"
    "<meta charset=UTF-8>\n"
    "<title>Summary</title>\n"
    "<style>\n"
    "\ttable {\n"
    "\t\tfont-family: sans;\n"
    "\t}\n"
    "\t.f1 {\n"
    "\t\tbackground-color: gold;\n"
    "\t}\n"
    "\t.f2 {\n"
    "\t\tbackground-color: silver;\n"
    "\t}\n"
    "\t.f3 {\n"
    "\t\tbackground-color: #cd7f32;\n"
    "\t}\n"
    "\t.q1 {\n"
    "\t\tfont-weight: bold;\n"
    "\t}\n"
    "\t.handicap {\n"
    "\t\tfont-style: italic;\n"
    "\t}\n"
    "\t.fastest-lap {\n"
    "\t\ttext-decoration: underline;\n"
    "\t}\n"
    "\t.no-team {\n"
    "\t\tcolor: gray;\n"
    "\t\tfont-size: x-small;\n"
    "\t}\n"
    "\t.no-team::before {\n"
    "\t\tcontent: \"(None)\";\n"
    "\t}\n"
    "\t.participant,\n"
    "\t.total {\n"
    "\t\ttext-align: center;\n"
    "\t}\n"
    "</style>\n"
    "{{html:series-table}}\n";

const std::string builtin_teams_template =
    "<!doctype html>\n"
    "<meta charset=UTF-8>\n"
    "<title>Teams' summary</title>\n"
    "{{html:teams-table}}\n";

namespace {

using options::column_type;

const char* const position_header = "<th><abbr title=Position>Pos</abbr>";

// A class marker of a position, "f3 " or "q12 ", appended to `row`.
void append_position_class(std::string& row, char kind, std::int32_t position) {
    char text[16] = {kind};
    const std::to_chars_result end = std::to_chars(text + 1, std::end(text) - 1, position);
    *end.ptr = ' ';
    row.append(text, end.ptr + 1);
}

// One event's cell of a driver's row, appended to `row`: his points with the breakdown as the
// title and the class markers of his result, or the non-participant cell when he has no result
// there (the disqualified cell when he was disqualified from the race). A round dropped from his
// total shows its points in parentheses, with the class "dropped" and a word in the title.
void append_event_cell(std::string& row, const score_entry* entry, bool dropped,
                       bool disqualified) {
    if (entry == nullptr) {
        row += disqualified ? "<td class=disqualified>" : "<td class=non-participant>";
        return;
    }
    row += "<td title=\"";
    append_escaped_points_breakdown(row, entry->breakdown);
    if (dropped) {
        append_html_escaped(row, entry->manual_change != 0
                                     ? "\ndropped from the total; the manual change still counts"
                                     : "\ndropped from the total");
    }
    row += "\" class=\"";
    if (entry->finish_position) {
        append_position_class(row, 'f', *entry->finish_position);
    }
    if (entry->qualifying_position) {
        append_position_class(row, 'q', *entry->qualifying_position);
    }
    if (entry->fastest_lap) {
        row += "fastest-lap ";
    }
    if (entry->highest_climber) {
        row += "highest-climber ";
    }
    if (entry->handicap) {
        row += "handicap ";
    }
    if (disqualified) {
        row += "disqualified ";
    }
    if (dropped) {
        row += "participant dropped\">(";
        append_points_text(row, entry->points);
        row += ')';
        return;
    }
    row += "participant\">";
    append_points_text(row, entry->points);
}

void warn_unsupported(const char* table, column_type column, bool& summary_warning,
                      bool warn_columns) {
    if (!warn_columns) {
        return;
    }
    error_stream() << "warning: unsupported column for " << table << ": "
                 << options::column_name(column) << std::endl;
    summary_warning = true;
}

// "2×1st, 3rd" (the count only when greater than 1).
void append_counts(std::string& text, const std::map<std::int32_t, std::int32_t>& counts) {
    const char* separator = "";
    for (const auto& [position, count] : counts) {
        text += separator;
        if (count > 1) {
            text += std::to_string(count);
            text += "\xC3\x97";  // U+00D7 MULTIPLICATION SIGN in UTF-8
        }
        text += ordinal_text(position);
        separator = ", ";
    }
}

}  // namespace

std::string standing_title_text(const series_standing& standing) {
    std::string text;
    if (!standing.finish_counts.empty()) {
        text += "R: ";
        append_counts(text, standing.finish_counts);
    }
    if (!standing.qualifying_counts.empty()) {
        if (!text.empty()) {
            text += '\n';
        }
        text += "Q: ";
        append_counts(text, standing.qualifying_counts);
    }
    return text;
}

void write_series_table(std::ostream& out, const options::option_set& options,
                        const std::vector<event_result>& events, bool& summary_warning,
                        const std::vector<const driver_standing*>& ranking,
                        const series_links* links, bool warn_columns) {
    const std::vector<column_type>& columns = options.summary_columns.columns;
    out << "<table><thead><tr>";
    for (const column_type column : columns) {
        switch (column) {
            case column_type::position:
                out << position_header;
                break;
            case column_type::driver:
                out << "<th>Driver";
                break;
            case column_type::team:
                out << "<th>Team";
                break;
            case column_type::points:
                out << "<th>Total";
                break;
            case column_type::summary:
                for (std::size_t index = 0; index < events.size(); ++index) {
                    out << "<th class=track-name>";
                    // The modern pages name the tracks in full.
                    const std::string title = options.pages == options::page_set::modern
                                                  ? event_full_title(events[index])
                                                  : event_title(events[index]);
                    if (links != nullptr && !links->events[index].empty()) {
                        out << "<a href=\"";
                        html_escape(out, links->events[index]) << "\">";
                        html_escape(out, title) << "</a>";
                    } else {
                        html_escape(out, title);
                    }
                }
                break;
            case column_type::starts:
                out << "<th>Starts";
                break;
            case column_type::wins:
                out << "<th>Wins";
                break;
            case column_type::podiums:
                out << "<th>Podiums";
                break;
            case column_type::poles:
                out << "<th>Poles";
                break;
            case column_type::fastest_laps:
                out << "<th>Fastest laps";
                break;
            default:
                warn_unsupported("summary", column, summary_warning, warn_columns);
                break;
        }
    }
    out << "</thead><tbody>";
    const bool driver_links = links != nullptr && links->drivers;

    // Each row is put together in memory and written in one piece: a season has thousands of
    // cells per row.
    std::string row;
    std::size_t number = 0;
    for (const driver_standing* driver : ranking) {
        ++number;
        row.assign("<tr>");
        for (const column_type column : columns) {
            switch (column) {
                case column_type::position:
                    row.append("<td>").append(std::to_string(number));
                    break;
                case column_type::driver:
                    row += "<td title=\"";
                    append_html_escaped(row, driver->key.display);
                    row += "\">";
                    if (driver_links) {
                        row += "<a href=\"";
                        append_html_escaped(row, relative_link(0, {driver_pages_folder,
                                                                   driver_page_file(driver->key)}));
                        row += "\">";
                        append_html_escaped(row, driver->name);
                        row += "</a>";
                    } else {
                        append_html_escaped(row, driver->name);
                    }
                    break;
                case column_type::starts:
                    row.append("<td>").append(std::to_string(driver->statistics.starts));
                    break;
                case column_type::wins:
                    row.append("<td>").append(std::to_string(driver->statistics.wins));
                    break;
                case column_type::podiums:
                    row.append("<td>").append(std::to_string(driver->statistics.podiums));
                    break;
                case column_type::poles:
                    row.append("<td>").append(std::to_string(driver->statistics.poles));
                    break;
                case column_type::fastest_laps:
                    row.append("<td>").append(std::to_string(driver->statistics.fastest_laps));
                    break;
                case column_type::team:
                    if (driver->team) {
                        row += "<td>";
                        append_html_escaped(row, *driver->team);
                    } else {
                        row += "<td class=no-team>";
                    }
                    break;
                case column_type::points:
                    row += "<td class=total title=\"";
                    append_html_escaped(row, standing_title_text(*driver));
                    row += "\">";
                    append_points_text(row, driver->points);
                    break;
                case column_type::summary: {
                    auto result = driver->results.begin();
                    auto disqualified = driver->disqualified.begin();
                    for (std::size_t index = 0; index < events.size(); ++index) {
                        const score_entry* entry = nullptr;
                        if (result != driver->results.end() && result->first == index) {
                            entry = result++->second;
                        }
                        const bool out = disqualified != driver->disqualified.end() &&
                                         *disqualified == index;
                        if (out) {
                            ++disqualified;
                        }
                        append_event_cell(row, entry,
                                          index < driver->dropped.size() && driver->dropped[index],
                                          out);
                    }
                    break;
                }
                default:
                    break;
            }
        }
        row += "</tr>\n";
        out.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
    out << "</tbody></table>";
}

void write_team_table(std::ostream& out, const options::option_set& options, bool& summary_warning,
                      const std::vector<const team_standing*>& ranking,
                      const std::vector<event_result>& events, bool warn_columns) {
    const std::vector<column_type>& columns = options.team_summary_columns.columns;
    out << "<table><thead><tr>";
    for (const column_type column : columns) {
        switch (column) {
            case column_type::position:
                out << position_header;
                break;
            case column_type::team:
                out << "<th>Team";
                break;
            case column_type::points:
                out << "<th>Points";
                break;
            default:
                warn_unsupported("team summary", column, summary_warning, warn_columns);
                break;
        }
    }
    const bool counted_column = options.team_counted_drivers.value > 0;
    if (counted_column) {
        out << "<th>Counted drivers";
    }
    out << "</thead><tbody>\n";

    std::size_t row = 0;
    for (const team_standing* team : ranking) {
        if (team->name.empty()) {
            continue;
        }
        ++row;
        out << "<tr>";
        for (const column_type column : columns) {
            switch (column) {
                case column_type::position:
                    out << "<td>" << row;
                    break;
                case column_type::team:
                    out << "<td>";
                    html_escape(out, team->name);
                    break;
                case column_type::points:
                    out << "<td title=\"";
                    html_escape(out, standing_title_text(*team)) << "\">";
                    points_text(out, team->points);
                    break;
                default:
                    break;
            }
        }
        if (counted_column) {
            // "round 1 (AS1): Ann 10, Cid 6", a line per round in which some driver counted.
            out << "<td class=counted>";
            const char* line = "";
            for (const auto& [index, drivers] : team->counted) {
                out << line << "round " << index + 1 << " (";
                html_escape(out, event_title(events.at(index))) << "):";
                const char* separator = " ";
                for (const score_entry* driver : drivers) {
                    out << separator;
                    html_escape(out, driver->name) << ' ';
                    points_text(out, driver->points);
                    separator = ", ";
                }
                line = "<br>";
            }
        }
        out << "</tr>\n";
    }
    out << "</tbody></table>";
}

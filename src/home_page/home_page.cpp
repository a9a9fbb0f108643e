#include "home_page/home_page.h"

#include <string_view>
#include <vector>

#include "event_result/event_pages.h"
#include "html_template/html_text.h"
#include "site_links/site_links.h"

const std::string builtin_index_template =
    "<!doctype html>\n"
    "<meta charset=UTF-8>\n"
    "<title>{{championship_name}}</title>\n"
    "{{html:navigation}}\n"
    "<h1>{{championship_name}}</h1>\n"
    "{{html:calendar}}\n"
    "{{html:standings-top}}\n";

namespace {

// "2026-03-01 18:00" of an ISO time "2026-03-01T18:00:00Z".
std::string calendar_time(std::int64_t start_time) {
    std::string text = iso_8601_time_text(start_time);
    text[text.find('T')] = ' ';
    return text.substr(0, text.size() - 4);
}

// A driver's name, linked to his page when the pages are linked.
void append_driver(std::string& out, const name_key& key, std::string_view name,
                   const home_links& links) {
    if (!links.driver_pages) {
        append_html_escaped(out, name);
        return;
    }
    out += "<a href=\"";
    append_html_escaped(out, relative_link(0, {driver_pages_folder, driver_page_file(key)}));
    out += "\">";
    append_html_escaped(out, name);
    out += "</a>";
}

void append_cell(std::string& out, const char* label, const char* css_class = nullptr) {
    out += "<td";
    if (css_class != nullptr) {
        out += " class=";
        out += css_class;
    }
    out += " data-label=\"";
    out += label;
    out += "\">";
}

}  // namespace

void write_calendar(std::ostream& out, const std::vector<event_result>& events,
                    const home_links& links) {
    out << "<table class=calendar><thead><tr><th>Date (UTC)<th>Event<th>Track<th>Length"
           "<th>Winner<th>Pole<th>Fastest lap<th>Pages</thead><tbody>\n";
    std::string row;
    for (const event_result& event : events) {
        const bool race_page = event.race.has_value();
        const bool qualifying_page = event.qualifying.has_value();
        const auto page_link = [&event](const char* page) {
            return relative_link(0, {event.folder, page});
        };
        row.assign("<tr>");
        append_cell(row, "Date", "date");
        append_html_escaped(row, calendar_time(event.start_time()));
        append_cell(row, "Event", "event");
        if (links.event_pages) {
            row += "<a href=\"";
            append_html_escaped(row, page_link(race_page ? "race.html" : "qualifying.html"));
            row += "\">";
            append_html_escaped(row, event_full_title(event));
            row += "</a>";
        } else {
            append_html_escaped(row, event_full_title(event));
        }
        append_cell(row, "Track");
        append_html_escaped(row, race_page ? race_track_name(*event.race)
                                           : qualifying_track_name(*event.qualifying));
        append_cell(row, "Length");
        append_html_escaped(row, race_page ? std::string(race_length_title_text(*event.race)) : "–");
        // With classes: each class's winner, pole and fastest lap, after the class's name.
        const std::vector<std::string> no_classes{std::string()};
        const std::vector<std::string>& classes =
            event.classes.empty() ? no_classes : event.classes;
        const auto append_each_class = [&](const auto& append_class) {
            bool any = false;
            for (const std::string& car_class : classes) {
                const std::size_t before = row.size();
                if (!car_class.empty()) {
                    row += any ? "<br><span class=class-name>" : "<span class=class-name>";
                    append_html_escaped(row, car_class);
                    row += "</span> ";
                }
                if (append_class(car_class)) {
                    any = true;
                } else {
                    row.resize(before);
                }
            }
            row += any ? "" : "–";
        };
        append_cell(row, "Winner");
        append_each_class([&](const std::string& car_class) {
            if (!race_page) {
                return false;
            }
            for (const race_row& winner : event.race->results) {
                if (winner.classified && winner.car_class == car_class) {
                    append_driver(row, winner.key, winner.name, links);
                    return true;
                }
            }
            return false;
        });
        append_cell(row, "Pole");
        append_each_class([&](const std::string& car_class) {
            if (!qualifying_page) {
                return false;
            }
            for (const qualifying_row& pole : event.qualifying->results) {
                if (pole.car_class == car_class) {
                    append_driver(row, pole.key, pole.name, links);
                    return true;
                }
            }
            return false;
        });
        append_cell(row, "Fastest lap");
        append_each_class([&](const std::string& car_class) {
            bool any = false;
            for (const auto& [key, entry] : event.scores) {
                if (entry.fastest_lap && entry.car_class == car_class) {
                    row += any ? ", " : "";
                    append_driver(row, key, entry.name, links);
                    any = true;
                }
            }
            return any;
        });
        append_cell(row, "Pages", "pages");
        if (links.event_pages) {
            if (race_page) {
                row += "<a href=\"";
                append_html_escaped(row, page_link("race.html"));
                row += "\">Race</a>";
            }
            if (qualifying_page) {
                row += "<a href=\"";
                append_html_escaped(row, page_link("qualifying.html"));
                row += "\">Qualifying</a>";
            }
        }
        row += "</tr>\n";
        out << row;
    }
    out << "</tbody></table>";
}

void write_standings_top(std::ostream& out, const std::vector<const driver_standing*>& ranking,
                         std::size_t rows, const home_links& links) {
    out << "<table class=standings-top><thead><tr><th><abbr title=Position>Pos</abbr><th>Driver"
           "<th>Team<th>Points</thead><tbody>\n";
    std::string row;
    for (std::size_t i = 0; i < ranking.size() && i < rows; ++i) {
        const driver_standing& driver = *ranking[i];
        row.assign("<tr><td class=position>").append(std::to_string(i + 1)).append("<td>");
        append_driver(row, driver.key, driver.name, links);
        row += driver.team ? "<td>" : "<td class=no-team>";
        if (driver.team) {
            append_html_escaped(row, *driver.team);
        }
        row += "<td class=total>";
        append_points_text(row, driver.points);
        row += "</tr>\n";
        out << row;
    }
    out << "</tbody></table>";
}

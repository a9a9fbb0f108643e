#include "driver_pages/driver_pages.h"

#include <filesystem>
#include <optional>
#include <sstream>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "console/console.h"
#include "event_result/award.h"
#include "event_result/event_pages.h"
#include "files/files.h"
#include "html_template/html_template.h"
#include "html_template/html_text.h"
#include "page_set/page_set.h"
#include "site_links/site_links.h"
#include "summary/points_chart.h"

const std::string builtin_driver_template =
    "<!doctype html>\n"
    "<meta charset=UTF-8>\n"
    "<title>{{driver_name}}</title>\n"
    "{{html:navigation}}\n"
    "<h1>{{driver_name}}</h1>\n"
    "<p>{{user_name}}, {{teams}}: {{position}} with {{total}} points</p>\n"
    "{{html:driver-statistics}}\n"
    "{{html:driver-chart}}\n"
    "{{html:driver-results}}\n";

namespace {

namespace fs = std::filesystem;

// A driver's rows of the season: for each event where he has one, its index, the row and his
// position (in his class when scored by class; 0 when disqualified, not_classified when the
// classification rule left him out), in event order.
template <class Row>
using rows_by_event = std::vector<std::pair<std::size_t, std::pair<const Row*, std::size_t>>>;

constexpr std::size_t not_classified = static_cast<std::size_t>(-1);

struct season_rows {
    rows_by_event<race_row> race;
    rows_by_event<qualifying_row> qualifying;
};

// Every driver's rows, by his place in `ranking`, found with one look-up per row of the season.
std::vector<season_rows> rows_of(const std::vector<event_result>& events,
                                 const std::vector<const driver_standing*>& ranking) {
    std::unordered_map<std::string_view, std::size_t> place;  // by key.match
    for (std::size_t i = 0; i < ranking.size(); ++i) {
        place.emplace(ranking[i]->key.match, i);
    }
    std::vector<season_rows> rows(ranking.size());
    const auto note = [&](std::size_t e, const auto& row, std::size_t position, auto member) {
        if (const auto found = place.find(row.key.match); found != place.end()) {
            (rows[found->second].*member).push_back({e, {&row, position}});
        }
    };
    for (std::size_t e = 0; e < events.size(); ++e) {
        if (const auto& race = events[e].race) {
            std::size_t position = 0;  // among the classified
            for (const race_row& row : race->results) {
                const std::size_t place = row.classified ? ++position : not_classified;
                note(e, row,
                     row.car_class.empty() || !row.classified
                         ? place
                         : static_cast<std::size_t>(row.class_position),
                     &season_rows::race);
            }
            for (const race_row& row : race->dsq_results) {
                note(e, row, 0, &season_rows::race);
            }
        }
        if (const auto& qualifying = events[e].qualifying) {
            for (std::size_t i = 0; i < qualifying->results.size(); ++i) {
                const qualifying_row& row = qualifying->results[i];
                note(e, row,
                     row.car_class.empty() ? i + 1 : static_cast<std::size_t>(row.class_position),
                     &season_rows::qualifying);
            }
            for (const qualifying_row& row : qualifying->dsq_results) {
                note(e, row, 0, &season_rows::qualifying);
            }
        }
    }
    return rows;
}

// The first two cells of every driver's row of an event, alike on every page: the event's name
// linked to its page, and its date.
std::vector<std::string> event_cells(const std::vector<event_result>& events) {
    std::vector<std::string> cells;
    cells.reserve(events.size());
    for (const event_result& event : events) {
        std::string cell = "<a href=\"";
        append_html_escaped(cell, relative_link(1, {event.folder, event.race ? "race.html"
                                                                             : "qualifying.html"}));
        cell += "\">";
        append_html_escaped(cell, event_full_title(event));
        cell += "</a><td>";
        append_html_escaped(cell, iso_8601_time_text(event.start_time()).substr(0, 10));
        cells.push_back(std::move(cell));
    }
    return cells;
}

// The entry of a driver's rows for event `e`, advancing `at` past it, or null.
template <class Row>
const std::pair<const Row*, std::size_t>* row_at(const rows_by_event<Row>& rows,
                                                 typename rows_by_event<Row>::const_iterator& at,
                                                 std::size_t e) {
    if (at != rows.end() && at->first == e) {
        return &(at++)->second;
    }
    return nullptr;
}

std::string teams_text(const std::vector<event_result>& events, const driver_standing& driver) {
    std::vector<std::string_view> teams;
    for (const auto& [index, entry] : driver.results) {
        if (const auto team = events[index].options->team_of(driver.key);
            team && std::find(teams.begin(), teams.end(), *team) == teams.end()) {
            teams.push_back(*team);
        }
    }
    if (teams.empty()) {
        return "no team";
    }
    std::string text;
    for (const std::string_view team : teams) {
        text += text.empty() ? "" : ", ";
        text += team;
    }
    return text;
}

void append_statistic(std::string& out, const std::string& value, const char* label) {
    out += "<li><span class=\"value\">";
    append_html_escaped(out, value);
    out += "</span><span class=\"label\">";
    out += label;
    out += "</span></li>";
}

std::string statistics_html(const driver_statistics& s) {
    std::string out = "<ul class=\"statistics\">";
    append_statistic(out, std::to_string(s.starts), "starts");
    append_statistic(out, std::to_string(s.wins), "wins");
    append_statistic(out, std::to_string(s.podiums), "podiums");
    append_statistic(out, std::to_string(s.poles), "pole positions");
    append_statistic(out, std::to_string(s.fastest_laps), "fastest laps");
    append_statistic(out, s.best_finish ? ordinal_text(*s.best_finish) : "–", "best finish");
    std::string average = "–";
    if (s.finishes > 0) {
        // One decimal, rounded half up: the sum and the count are whole numbers.
        const std::int64_t tenths = (s.finish_sum * 20 / s.finishes + 1) / 2;
        average = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
    }
    append_statistic(out, average, "average finish");
    append_statistic(out, (s.places_gained > 0 ? "+" : "") + std::to_string(s.places_gained),
                     "places gained");
    append_statistic(out, std::to_string(s.laps), "laps");
    return out + "</ul>";
}

// Writes the table of every event of the season, as he took part in it, a row at a time put
// together in `out` (room kept from page to page).
// With `classes`, a column after the date names the class of each of his events, and his
// positions are those in his class.
void write_results(std::ostream& page, const std::vector<event_result>& events,
                   const std::vector<std::string>& cells, const season_rows& rows,
                   const driver_standing& driver, bool classes, std::string& out) {
    page << (classes ? "<table class=driver-results><thead><tr><th>Event<th>Date (UTC)<th>Class"
                       "<th>Qualifying<th>Best lap<th>Grid<th>Finish<th>Time<th>Penalty<th>Points"
                       "</thead><tbody>\n"
                     : "<table class=driver-results><thead><tr><th>Event<th>Date (UTC)"
                       "<th>Qualifying<th>Best lap<th>Grid<th>Finish<th>Time<th>Penalty<th>Points"
                       "</thead><tbody>\n");
    const auto end_row = [&page, &out] {
        out += "</tr>\n";
        page.write(out.data(), static_cast<std::streamsize>(out.size()));
        out.clear();
    };
    out.clear();
    auto result = driver.results.begin();
    auto race_rows = rows.race.begin();
    auto qualifying_rows = rows.qualifying.begin();
    for (std::size_t e = 0; e < events.size(); ++e) {
        const event_result& event = events[e];
        const score_entry* entry = nullptr;
        bool own_class = true;  // the entry is of the standings the page shows
        if (result != driver.results.end() && result->first == e) {
            entry = result++->second;
        }
        const auto* race = row_at(rows.race, race_rows, e);
        const auto* qualifying = row_at(rows.qualifying, qualifying_rows, e);
        const bool took_part = race != nullptr || qualifying != nullptr;
        if (entry == nullptr && classes && took_part) {
            own_class = false;
            entry = event.scores.find(driver.key);  // his score in another class, if any
        }
        out += took_part ? "<tr><td>" : "<tr class=missed><td>";
        out += cells[e];
        if (!took_part) {
            out += classes ? "<td colspan=8>did not take part" : "<td colspan=7>did not take part";
            end_row();
            continue;
        }
        if (classes) {
            out += "<td>";
            append_html_escaped(out, race != nullptr ? race->first->car_class
                                                     : qualifying->first->car_class);
        }
        out += "<td class=number>";
        if (qualifying != nullptr) {
            const auto [row, position] = *qualifying;
            out += position == 0 ? "DSQ" : std::to_string(position);
            out += "<td>";
            if (is_timed(row->best_lap_ms)) {
                out += race_time_text(row->best_lap_ms);
            }
        } else {
            out += "<td>";
        }
        if (race != nullptr) {
            const auto [row, position] = *race;
            out += "<td class=number>";
            if (row->grid_slot > 0) {
                out += std::to_string(row->grid_slot);
            }
            if (position == 0) {
                out += "<td class=number>DSQ<td><td>DSQ";
            } else {
                if (position == not_classified) {
                    out += "<td class=number>DNF";
                } else {
                    out += position <= 3
                               ? "<td class=\"number f" + std::to_string(position) + "\">"
                               : std::string("<td class=number>");
                    out += std::to_string(position);
                }
                const race_row& winner = event.race->results.front();
                out += "<td>";
                out += position == 1 ? race_time_text(row->total_time_ms)
                                     : behind_winner_text(winner, *row);
                out += "<td>";
                const auto penalty = event.options->time_penalties.find(driver.key);
                if (penalty != event.options->time_penalties.end()) {
                    out += penalty_text(penalty->second);
                }
            }
        } else {
            out += "<td><td><td><td>";
        }
        const bool dropped = own_class && e < driver.dropped.size() && driver.dropped[e];
        if (entry == nullptr) {
            out += "<td class=number>";
            end_row();
            continue;
        }
        out += dropped ? "<td class=\"number dropped\" title=\"" : "<td class=number title=\"";
        append_escaped_points_breakdown(out, entry->breakdown);
        if (dropped) {
            append_html_escaped(out, "\ndropped from the total");
        }
        out += "\">";
        if (dropped) {
            out += '(';
        }
        append_points_text(out, entry->points);
        if (dropped) {
            out += ')';
        }
        end_row();
    }
    page << "</tbody></table>";
}

}  // namespace

void write_driver_pages(const std::vector<event_result>& events,
                        const std::vector<season_standings>& sets,
                        const options::option_set& global, const driver_site& site,
                        bool& summary_warning) {
    // Every driver once, by his first standing (his first class's); with classes, his place in
    // each class he scored in.
    std::vector<const driver_standing*> drivers;
    std::vector<std::string> places;
    std::vector<std::string> totals;
    std::unordered_map<std::string_view, std::size_t> index;  // of `drivers`, by key.match
    for (const season_standings& set : sets) {
        for (std::size_t place = 0; place < set.table.driver_ranking.size(); ++place) {
            const driver_standing* driver = set.table.driver_ranking[place];
            const auto [found, is_new] = index.try_emplace(driver->key.match, drivers.size());
            if (is_new) {
                drivers.push_back(driver);
                places.emplace_back();
                totals.emplace_back();
            }
            std::string& text = places[found->second];
            std::string& total = totals[found->second];
            text += text.empty() ? "" : "; ";
            total += total.empty() ? "" : "; ";
            text += ordinal_text(static_cast<std::int32_t>(place + 1));
            append_points_text(total, driver->points);
            if (!set.car_class.empty()) {
                text += " in " + set.car_class;
            }
        }
    }
    const bool modern = global.pages == options::page_set::modern;
    const std::string& text = global.driver_template ? *global.driver_template
                              : modern               ? modern_driver_template
                                                     : builtin_driver_template;
    const std::string name = global.driver_template_path
                                 ? path_to_utf8(*global.driver_template_path)
                                 : modern ? "built-in modern driver template"
                                          : "built-in driver template";
    std::vector<navigation_link> navigation;
    if (site.index) {
        navigation.push_back({"Home", relative_link(1, {"index.html"})});
    }
    navigation.push_back({"Standings", relative_link(1, {"series.html"})});
    if (site.teams) {
        navigation.push_back({"Teams", relative_link(1, {"teams.html"})});
    }
    const std::string navigation_text = navigation_html(navigation);

    const fs::path folder = driver_pages_folder;
    std::error_code error;
    fs::create_directory(folder, error);
    const bool classes = !sets.empty() && !sets.front().car_class.empty();
    const std::vector<season_rows> rows = rows_of(events, drivers);
    const std::vector<std::string> cells = event_cells(events);
    std::unordered_set<std::string> written;
    std::string row;  // room for a row of the results, kept from page to page
    for (std::size_t place = 0; place < drivers.size(); ++place) {
        const driver_standing& driver = *drivers[place];
        const std::string file = driver_page_file(driver.key);
        written.insert(file);
        template_context context;
        context.name = name;
        const std::string teams = teams_text(events, driver);
        const std::string& position = places[place];
        const std::string& total = totals[place];
        context.writers = {
            {"championship_name",
             [&](std::ostream& out) { out << global.championship_name; }},
            {"driver_name", [&](std::ostream& out) { out << driver.name; }},
            {"user_name", [&](std::ostream& out) { out << driver.key.display; }},
            {"teams", [&](std::ostream& out) { out << teams; }},
            {"position", [&](std::ostream& out) { out << position; }},
            {"total", [&](std::ostream& out) { out << total; }},
            {"navigation", [&](std::ostream& out) { out << navigation_text; }},
            {"driver-statistics",
             [&](std::ostream& out) { out << statistics_html(driver.statistics); }},
            {"driver-chart",
             [&](std::ostream& out) {
                 write_points_chart(out, events, {&driver}, global.best_results.value, 1, modern);
             }},
            {"driver-results",
             [&](std::ostream& out) {
                 write_results(out, events, cells, rows[place], driver, classes, row);
             }},
        };
        const html_template page{text, &context};
        const fs::path path = folder / fs::u8path(file);
        if (write_page_file(path, [&page](std::ostream& out) { render_template(out, page); }) !=
            page_write::written) {
            error_stream() << "warning: unable to write " << path_to_utf8(path) << '\n';
            summary_warning = true;
        }
    }
    // The pages of drivers no longer in the standings (a name corrected, a result removed).
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string file = path_to_utf8(entry.path().filename());
        if (entry.path().extension() == ".html" && written.count(file) == 0) {
            std::error_code ignored;
            fs::remove(entry.path(), ignored);
        }
    }
}

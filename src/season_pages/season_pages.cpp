#include "season_pages/season_pages.h"

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "console/console.h"
#include "driver_pages/driver_pages.h"
#include "files/files.h"
#include "home_page/home_page.h"
#include "html_template/html_template.h"
#include "html_template/html_text.h"
#include "page_set/page_set.h"
#include "season_data/season_data.h"
#include "site_links/site_links.h"
#include "standings/standings.h"
#include "summary/points_chart.h"
#include "summary/summary_pages.h"

namespace {

namespace fs = std::filesystem;

// How many drivers the home page shows of the standings.
constexpr std::size_t home_standings_rows = 10;

// Writes one file of the championship folder with `render`; a file that cannot be created or
// written is a warning.
void write_summary_file(const char* file_name, const std::function<void(std::ostream&)>& render,
                        bool& summary_warning) {
    const page_write result = write_page_file(file_name, render);
    if (result != page_write::written) {
        error_stream() << "warning: unable to write " << file_name
                       << (result == page_write::target_incomplete
                               ? "; the page it links to may be incomplete, and is written again "
                                 "on the next run\n"
                               : "\n");
        summary_warning = true;
    }
}

// A page's built-in templates, classic and modern, and its name in messages ("series").
struct builtin_page {
    const std::string& classic;
    const std::string& modern;
    const char* name;
};

// Renders one page of the championship folder from its configured template (or the page set's
// built-in one) into `file_name`, with the tags of `context` and "championship_name".
void write_summary_page(const char* file_name, const options::option_set& global,
                        const std::optional<std::string>& configured_text,
                        const std::optional<fs::path>& configured_path, const builtin_page& builtin,
                        template_context context, bool& summary_warning) {
    const bool modern = global.pages == options::page_set::modern;
    context.name = configured_path ? path_to_utf8(*configured_path)
                                   : std::string(modern ? "built-in modern " : "built-in ") +
                                         builtin.name + " template";
    context.writers.emplace("championship_name", [&global](std::ostream& out) {
        out << global.championship_name;
    });
    const std::string& text =
        configured_text ? *configured_text : (modern ? builtin.modern : builtin.classic);
    const html_template page{text, &context};
    write_summary_file(
        file_name, [&page](std::ostream& out) { render_template(out, page); }, summary_warning);
}

void add_navigation(template_context& context, std::vector<navigation_link> links) {
    context.writers.emplace("navigation", [links = std::move(links)](std::ostream& out) {
        out << navigation_html(links);
    });
}

// Writes each set of standings with `write(table, first)`, after a heading with its class's name
// when the season is scored by class. With `skip_empty_teams`, a set without teams is left out.
template <class Write>
void for_each_class(std::ostream& out, const std::vector<season_standings>& sets, Write write,
                    bool skip_empty_teams = false) {
    bool first = true;
    for (const season_standings& set : sets) {
        if (skip_empty_teams && set.table.team_ranking.empty()) {
            continue;
        }
        if (!set.car_class.empty()) {
            out << "<h3 class=class-name>";
            html_escape(out, set.car_class) << "</h3>\n";
        }
        write(set.table, first);
        first = false;
    }
}

}  // namespace

void write_season_pages(const std::vector<event_result>& events,
                        const std::vector<season_standings>& sets,
                        const options::option_set& global, bool& summary_warning) {
    const bool index = global.writes_index();
    bool teams = false;
    for (const season_standings& set : sets) {
        teams = teams || !set.table.team_ranking.empty();
    }
    const bool driver_pages = global.writes_driver_pages();
    std::optional<series_links> links;
    if (global.writes_links()) {
        links.emplace();
        for (const event_result& event : events) {
            links->events.push_back(
                relative_link(0, {event.folder, event.race ? "race.html" : "qualifying.html"}));
        }
        links->drivers = driver_pages;
    }
    const navigation_link home{"Home", "index.html"};
    const navigation_link standings_link{"Standings", "series.html"};
    const navigation_link teams_link{"Teams", "teams.html"};

    template_context series;
    series.writers.emplace("series-table", [&](std::ostream& out) {
        for_each_class(out, sets, [&](const standings& season, bool first) {
            write_series_table(out, global, events, summary_warning, season.driver_ranking,
                               links ? &*links : nullptr, first);
        });
    });
    series.writers.emplace("points-chart", [&](std::ostream& out) {
        for_each_class(out, sets, [&](const standings& season, bool) {
            write_points_chart(out, events, season.driver_ranking, global.best_results.value,
                               global.chart_drivers.value,
                               global.pages == options::page_set::modern);
        });
    });
    std::vector<navigation_link> series_navigation;
    if (index) {
        series_navigation.push_back(home);
    }
    if (teams) {
        series_navigation.push_back(teams_link);
    }
    add_navigation(series, std::move(series_navigation));
    write_summary_page("series.html", global, global.series_template, global.series_template_path,
                       {builtin_series_template, modern_series_template, "series"},
                       std::move(series), summary_warning);
    if (global.output_json) {
        write_summary_file(
            "season.json",
            [&](std::ostream& out) { write_season_json(out, events, sets, global); },
            summary_warning);
    }
    if (global.output_csv) {
        write_summary_file(
            "series.csv",
            [&](std::ostream& out) { write_series_csv(out, events, sets, global); },
            summary_warning);
    }
    if (teams) {
        template_context teams_page;
        teams_page.writers.emplace("teams-table", [&](std::ostream& out) {
            for_each_class(
                out, sets,
                [&](const standings& season, bool first) {
                    write_team_table(out, global, summary_warning, season.team_ranking, events,
                                     first);
                },
                true);
        });
        std::vector<navigation_link> navigation;
        if (index) {
            navigation.push_back(home);
        }
        navigation.push_back(standings_link);
        add_navigation(teams_page, std::move(navigation));
        write_summary_page("teams.html", global, global.teams_template, global.teams_template_path,
                           {builtin_teams_template, modern_teams_template, "teams"},
                           std::move(teams_page), summary_warning);
    }
    if (index) {
        const home_links home_page_links{true, driver_pages};
        template_context home_page;
        home_page.writers.emplace("calendar", [&](std::ostream& out) {
            write_calendar(out, events, home_page_links);
        });
        home_page.writers.emplace("standings-top", [&](std::ostream& out) {
            for_each_class(out, sets, [&](const standings& season, bool) {
                write_standings_top(out, season.driver_ranking, home_standings_rows,
                                    home_page_links);
            });
        });
        std::vector<navigation_link> navigation{standings_link};
        if (teams) {
            navigation.push_back(teams_link);
        }
        add_navigation(home_page, std::move(navigation));
        write_summary_page("index.html", global, global.index_template, global.index_template_path,
                           {builtin_index_template, modern_index_template, "index"},
                           std::move(home_page), summary_warning);
    }
    if (driver_pages) {
        write_driver_pages(events, sets, global, {index, teams}, summary_warning);
    }
}

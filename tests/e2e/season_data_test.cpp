// The season data files read back and held to the pages of the same run: the sample championship
// (examples/championship) run with "output.json" and "output.csv" on, then season.json read with
// the JSON library and series.csv with an RFC 4180 reader, field by field against series.html and
// each event's race.html and qualifying.html. And the README's examples of both files, held to the
// files of the end-to-end case they come from.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/points.h"
#include "event_result/event_pages.h"
#include "html_template/html_text.h"
#include "process.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

// One table cell of a page: its title and class attributes and its text (tags removed), all
// unescaped.
struct cell {
    std::string title;
    std::string css_class;
    std::string text;
};

struct table {
    std::vector<std::string> headers;
    std::vector<std::vector<cell>> rows;

    // The cell of `row` under the header `name`.
    const cell& at(std::size_t row, std::string_view name) const {
        for (std::size_t i = 0; i < headers.size(); ++i) {
            if (headers[i] == name) {
                return rows.at(row).at(i);
            }
        }
        throw std::runtime_error("no column " + std::string(name));
    }
};

std::string unescaped(std::string_view text) {
    static const std::pair<std::string_view, char> entities[] = {
        {"&#xA;", '\n'}, {"&quot;", '"'}, {"&lt;", '<'}, {"&amp;", '&'}};
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& [entity, c] : entities) {
            if (text.substr(i, entity.size()) == entity) {
                out += c;
                i += entity.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            out += text[i++];
        }
    }
    return out;
}

std::string without_tags(std::string_view text) {
    std::string out;
    bool in_tag = false;
    for (const char c : text) {
        if (c == '<') {
            in_tag = true;
        } else if (c == '>') {
            in_tag = false;
        } else if (!in_tag) {
            out += c;
        }
    }
    return unescaped(out);
}

// One cell from just after "<td" or "<th" to the start of the next cell or the row's end.
cell parse_cell(std::string_view text) {
    cell result;
    std::size_t i = 0;
    while (i < text.size() && text[i] != '>') {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        const std::size_t equals = text.find('=', i);
        const std::string_view name = text.substr(i, equals - i);
        std::string_view value;
        if (text[equals + 1] == '"') {
            const std::size_t end = text.find('"', equals + 2);
            value = text.substr(equals + 2, end - equals - 2);
            i = end + 1;
        } else {
            const std::size_t end = text.find_first_of(" >", equals + 1);
            value = text.substr(equals + 1, end - equals - 1);
            i = end;
        }
        (name == "title" ? result.title : result.css_class) = unescaped(value);
    }
    result.text = without_tags(text.substr(i + 1));
    return result;
}

// The cells of `text`, which holds cells that start with `tag` ("<td", "<th").
std::vector<cell> parse_cells(std::string_view text, std::string_view tag) {
    std::vector<cell> cells;
    for (std::size_t start = text.find(tag); start != std::string_view::npos;) {
        const std::size_t next = text.find(tag, start + tag.size());
        cells.push_back(parse_cell(text.substr(start + tag.size(), next - start - tag.size())));
        start = next;
    }
    return cells;
}

// The one table of a page: header texts and body rows.
table parse_table(const std::string& page) {
    table result;
    const std::size_t head = page.find("<thead><tr>");
    const std::size_t body = page.find("</thead>");
    const std::size_t body_end = page.find("</tbody>");
    if (head == std::string::npos || body == std::string::npos || body_end == std::string::npos) {
        throw std::runtime_error("no table in the page");
    }
    const std::size_t cells = head + std::string_view("<thead><tr>").size();
    for (const cell& header :
         parse_cells(std::string_view(page).substr(cells, body - cells), "<th")) {
        result.headers.push_back(header.text);
    }
    const std::string_view rows = std::string_view(page).substr(body, body_end - body);
    for (std::size_t start = rows.find("<tr"); start != std::string_view::npos;
         start = rows.find("<tr", start + 1)) {
        const std::size_t end = rows.find("</tr>", start);
        result.rows.push_back(parse_cells(rows.substr(start, end - start), "<td"));
    }
    return result;
}

// The records of an RFC 4180 text (CR LF line ends, fields quoted with doubled quotes inside).
std::vector<std::vector<std::string>> parse_csv(std::string_view text) {
    std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        std::string& field = records.back().back();
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            records.back().emplace_back();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            records.emplace_back(1);
        } else {
            field += c;
        }
    }
    if (records.back() == std::vector<std::string>(1)) {
        records.pop_back();  // after the last line end
    }
    return records;
}

std::string str(const json& value) {
    return value.get<std::string>();
}

std::int64_t number(const json& value) {
    return value.get<std::int64_t>();
}

points_value exact_points(const json& points) {
    const std::string exact = points.at("exact");
    const std::size_t slash = exact.find('/');
    if (slash == std::string::npos) {
        return points_value(std::stoi(exact));
    }
    return points_value(std::stoi(exact.substr(0, slash)), std::stoi(exact.substr(slash + 1)));
}

// A points object as the pages write it, after checking that its number is its fraction.
std::string page_points(const json& points) {
    const points_value exact = exact_points(points);
    EXPECT_EQ(points.at("value").get<double>(),
              static_cast<double>(exact.numerator()) / static_cast<double>(exact.denominator()))
        << points;
    std::ostringstream text;
    points_text(text, exact);
    return text.str();
}

std::string breakdown_text(const json& points) {
    std::vector<score_item> items;
    for (const json& item : points.at("items")) {
        items.push_back({exact_points(item), str(item.at("reason"))});
    }
    return points_breakdown_text(items);
}

std::string optional_text(const json& value) {
    return value.is_null() ? std::string() : std::to_string(value.get<std::int64_t>());
}

// A best lap as the pages show it: empty for none.
std::string lap_text(const json& best_lap_ms) {
    return best_lap_ms.is_null() ? "" : race_time_text(number(best_lap_ms));
}

std::string handicap_text(const json& handicap) {
    const auto mass = handicap.at("mass_kg").get<int>();
    const auto intake = handicap.at("intake_percent").get<int>();
    std::string text = mass != 0 ? std::to_string(mass) + " kg" : "";
    if (mass != 0 && intake != 0) {
        text += '+';
    }
    return intake != 0 ? text + std::to_string(intake) + " %" : text;
}

// The cells that both event pages show alike.
void expect_common_cells(const table& page, std::size_t i, const json& row) {
    const bool dsq = row.at("disqualified");
    EXPECT_EQ(dsq, row.at("position").is_null());
    EXPECT_EQ(page.at(i, "Pos").text, dsq ? "DSQ" : optional_text(row.at("position")));
    EXPECT_EQ(page.at(i, "Driver").title, str(row.at("user_name")));
    EXPECT_EQ(page.at(i, "Driver").text, str(row.at("name")));
    const cell& team = page.at(i, "Team");
    EXPECT_EQ(team.css_class == "no-team", row.at("team").is_null());
    if (!row.at("team").is_null()) {
        EXPECT_EQ(team.text, str(row.at("team")));
    }
    if (!dsq) {
        EXPECT_EQ(page.at(i, "Car").text, str(row.at("car")));
        const cell& handicap = page.at(i, "Handicap");
        EXPECT_EQ(handicap.text, handicap_text(row.at("handicap")));
        EXPECT_EQ(handicap.css_class == "no-handicap", handicap.text.empty());
    }
}

void expect_race_page(const table& page, const json& race) {
    ASSERT_EQ(page.rows.size(), race.size());
    for (std::size_t i = 0; i < race.size(); ++i) {
        SCOPED_TRACE("race row " + std::to_string(i + 1));
        const json& row = race[i];
        expect_common_cells(page, i, row);
        const cell& points = page.at(i, "Points");
        const cell& time = page.at(i, "Time");
        const cell& best_lap = page.at(i, "Best lap");
        if (row.at("disqualified")) {
            EXPECT_TRUE(row.at("points").is_null());
            EXPECT_EQ(points.text + time.text + best_lap.text, "");
            EXPECT_TRUE(row.at("race_time_ms").is_null() && row.at("best_lap_ms").is_null() &&
                        row.at("gap").is_null());
            continue;
        }
        EXPECT_EQ(points.text, page_points(row.at("points")));
        EXPECT_EQ(points.title, breakdown_text(row.at("points")));
        EXPECT_EQ(page.at(i, "Grid").text, optional_text(row.at("grid")));
        EXPECT_EQ(page.at(i, "Grid").css_class == "no-grid", row.at("grid").is_null());
        EXPECT_EQ(time.text,
                  i == 0 ? race_time_text(number(row.at("race_time_ms"))) : str(row.at("gap")));
        EXPECT_EQ(i == 0, row.at("gap").is_null());
        EXPECT_EQ(best_lap.text, lap_text(row.at("best_lap_ms")));
    }
}

void expect_qualifying_page(const table& page, const json& qualifying) {
    ASSERT_EQ(page.rows.size(), qualifying.size());
    for (std::size_t i = 0; i < qualifying.size(); ++i) {
        SCOPED_TRACE("qualifying row " + std::to_string(i + 1));
        const json& row = qualifying[i];
        expect_common_cells(page, i, row);
        EXPECT_EQ(page.at(i, "Time").text, lap_text(row.at("best_lap_ms")));
    }
}

// The series page's drivers, the standings of season.json and the rows of series.csv.
void expect_series(const table& page, const json& season, const std::string& csv_bytes) {
    const json& events = season.at("events");
    const json& drivers = season.at("driver_standings");
    ASSERT_EQ(page.headers.size(), 4 + events.size());
    ASSERT_EQ(page.rows.size(), drivers.size());

    ASSERT_EQ(csv_bytes.substr(0, 3), "\xEF\xBB\xBF");
    const auto csv = parse_csv(std::string_view(csv_bytes).substr(3));
    ASSERT_EQ(csv.size(), drivers.size() + 1);
    std::vector<std::string> header{"Position", "Driver", "Team", "Total"};
    for (std::size_t e = 0; e < events.size(); ++e) {
        EXPECT_EQ(page.headers[4 + e], str(events[e].at("name")));
        header.push_back(str(events[e].at("name")));
    }
    EXPECT_EQ(csv[0], header);

    // A CSV decimal is the JSON number to four places.
    const auto expect_decimal = [](const std::string& text, const json& points) {
        const std::size_t point = text.find('.');
        EXPECT_TRUE(point == std::string::npos || text.size() - point - 1 <= 4) << text;
        EXPECT_NEAR(std::stod(text), points.at("value").get<double>(), 0.00005) << text;
    };
    for (std::size_t i = 0; i < drivers.size(); ++i) {
        SCOPED_TRACE("standing " + std::to_string(i + 1));
        const json& driver = drivers[i];
        const std::vector<cell>& row = page.rows[i];
        const std::vector<std::string>& record = csv[i + 1];
        ASSERT_EQ(record.size(), header.size());
        EXPECT_EQ(row[0].text, std::to_string(number(driver.at("position"))));
        EXPECT_EQ(record[0], row[0].text);
        EXPECT_EQ(row[1].title, str(driver.at("user_name")));
        EXPECT_EQ(row[1].text, str(driver.at("name")));
        EXPECT_EQ(record[1], row[1].text);
        EXPECT_EQ(row[2].css_class == "no-team", driver.at("team").is_null());
        EXPECT_EQ(row[2].text, driver.at("team").is_null() ? "" : str(driver.at("team")));
        EXPECT_EQ(record[2], row[2].text);
        EXPECT_EQ(row[3].text, page_points(driver.at("total")));
        expect_decimal(record[3], driver.at("total"));
        const json& rounds = driver.at("rounds");
        ASSERT_EQ(rounds.size(), events.size());
        for (std::size_t e = 0; e < events.size(); ++e) {
            const cell& round = row[4 + e];
            const json& points = rounds[e].at("points");
            const bool dropped = rounds[e].at("dropped");
            const bool disqualified = rounds[e].at("disqualified");
            EXPECT_EQ(round.css_class.find("dropped") != std::string::npos,
                      dropped && !points.is_null());
            EXPECT_EQ(round.css_class.find("disqualified") != std::string::npos, disqualified);
            if (points.is_null()) {
                EXPECT_EQ(round.css_class, disqualified ? "disqualified" : "non-participant");
                EXPECT_EQ(record[4 + e], "");
                continue;
            }
            const std::string shown = page_points(points);
            EXPECT_EQ(round.text, dropped ? "(" + shown + ")" : shown);
            expect_decimal(record[4 + e], points);
        }
    }
}

class sample_championship : public testing::TestWithParam<const char*> {};

TEST_P(sample_championship, season_data_agree_with_the_pages) {
    const temp_dir run_dir;
    fs::copy(fs::path(EXAMPLES_DIR) / "championship", run_dir.path(), fs::copy_options::recursive);
    const fs::path config = run_dir.path() / "rostrum.conf";
    std::string text = read_file(config);
    const std::size_t points = text.find("points\n{\n");
    ASSERT_NE(points, std::string::npos);
    text.insert(points + 9, GetParam());
    write_file(config, text + "output\n{\n    json true\n    csv true\n}\n");

    const process_result result = run_process(programs().rostrum, run_dir.path());
    ASSERT_EQ(result.exit_code, 0) << result.err;
    ASSERT_EQ(result.err, "");

    const json season = json::parse(read_file(run_dir.path() / "season.json"));
    const json& events = season.at("events");
    ASSERT_EQ(events.size(), 3U);
    for (const json& event : events) {
        SCOPED_TRACE(str(event.at("folder")));
        const fs::path folder = run_dir.path() / str(event.at("folder"));
        expect_race_page(parse_table(read_file(folder / "race.html")), event.at("race"));
        expect_qualifying_page(parse_table(read_file(folder / "qualifying.html")),
                               event.at("qualifying"));
    }
    expect_series(parse_table(read_file(run_dir.path() / "series.html")), season,
                  read_file(run_dir.path() / "series.csv"));

    const table teams = parse_table(read_file(run_dir.path() / "teams.html"));
    const json& team_standings = season.at("team_standings");
    ASSERT_EQ(teams.rows.size(), team_standings.size());
    for (std::size_t i = 0; i < teams.rows.size(); ++i) {
        EXPECT_EQ(teams.at(i, "Pos").text,
                  std::to_string(number(team_standings[i].at("position"))));
        EXPECT_EQ(teams.at(i, "Team").text, str(team_standings[i].at("team")));
        EXPECT_EQ(teams.at(i, "Points").text, page_points(team_standings[i].at("total")));
    }
}

// As published, and with the best two of the three rounds counting.
INSTANTIATE_TEST_SUITE_P(e2e, sample_championship, testing::Values("", "    best-results 2\n"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.index == 0 ? "every_round" : "best_two");
                         });

// The text of the first block fenced as ````language` after `heading` in `markdown`.
std::string fenced_block(const std::string& markdown, const std::string& heading,
                         const std::string& language) {
    const std::size_t section = markdown.find("\n" + heading + "\n");
    const std::string fence = "\n```" + language + "\n";
    const std::size_t start = markdown.find(fence, section);
    if (section == std::string::npos || start == std::string::npos) {
        throw std::runtime_error("no " + language + " block under " + heading);
    }
    const std::size_t end = markdown.find("\n```\n", start + fence.size());
    return markdown.substr(start + fence.size(), end + 1 - start - fence.size());
}

TEST(readme, season_data_examples_are_the_files_of_the_season_data_case) {
    const std::string readme = read_file(README_PATH);
    const fs::path files = fs::path(E2E_CASES_DIR) / "season-data" / "expected" / "files";
    EXPECT_EQ(fenced_block(readme, "### Season data", "json"), read_file(files / "season.json"));
    // The README shows the CSV without its byte-order mark and with plain line feeds.
    std::string csv = read_file(files / "series.csv");
    ASSERT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
    std::string lines;
    for (std::size_t i = 3; i < csv.size(); ++i) {
        if (!(csv[i] == '\r' && i + 1 < csv.size() && csv[i + 1] == '\n')) {
            lines += csv[i];
        }
    }
    EXPECT_EQ(fenced_block(readme, "### Season data", "csv"), lines);
}

}  // namespace

// Renders the sample championship with the modern page set built into rostrum
// (examples/championship-modern) in a temporary copy of examples/, one event folder renamed
// "Round #3 100% Łódź", and checks what a league publishes from it, as a visitor of the website
// would: every link of every page leads to a page that was written (or an anchor in it), every
// page is valid HTML5 by Debian's `tidy` (scripts/test.sh installs it), and the series page's
// points chart is well-formed markup with one line per charted driver and every text escaped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "process.h"
#include "site_check.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

const fs::path examples_dir = EXAMPLES_DIR;

// The number of drivers examples/championship-modern/rostrum.conf charts ("chart-drivers").
constexpr std::size_t charted_drivers = 8;
// A forced name the test adds for a charted driver, so that the chart has markup to escape.
const std::string hostile_name = "Mika <H> & \"Co\"";
// The name the third event's folder gets in the copy.
const std::string renamed_event = "Round #3 100% \xC5\x81\xC3\xB3" "d\xC5\xBA";

// The markup of the points chart, read strictly: elements of the chart's own small vocabulary
// only, attributes double-quoted, every "<" the start of one of those tags, every "&" an entity,
// every end tag closing the element that is open.
struct chart_markup {
    std::vector<std::string> faults;        // empty when the markup is sound
    std::vector<std::size_t> line_points;   // per driver group: points of each of its polylines
    std::vector<std::size_t> driver_lines;  // per driver group: its number of polylines
    std::vector<std::string> texts;         // the decoded text of every text, title and desc
};

// `text` with its character references decoded; a fault for any other "&".
std::string decoded_text(std::string_view text, std::vector<std::string>& faults) {
    static const std::pair<std::string_view, char> entities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#xA;", '\n'}};
    std::string result;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != '&') {
            result += text[i++];
            continue;
        }
        const auto entity =
            std::find_if(std::begin(entities), std::end(entities),
                         [&](const auto& e) { return text.substr(i, e.first.size()) == e.first; });
        if (entity == std::end(entities)) {
            faults.push_back("unescaped & in text: " + std::string(text.substr(i, 20)));
            result += text[i++];
        } else {
            result += entity->second;
            i += entity->first.size();
        }
    }
    return result;
}

chart_markup read_chart(std::string_view svg) {
    static const std::set<std::string, std::less<>> known = {"svg",  "title", "desc",     "g",
                                                             "line", "text",  "polyline", "circle"};
    chart_markup chart;
    struct open_element {
        std::string name;
        bool driver = false;  // a <g class="driver">
    };
    std::vector<open_element> open;
    std::size_t i = 0;
    const auto fault = [&](const std::string& what) {
        chart.faults.push_back(what + " at offset " + std::to_string(i) + ": " +
                               std::string(svg.substr(i, 40)));
    };
    while (i < svg.size() && chart.faults.empty()) {
        if (svg[i] != '<') {
            const std::size_t end = std::min(svg.find('<', i), svg.size());
            const std::string text = decoded_text(svg.substr(i, end - i), chart.faults);
            const std::string_view parent =
                open.empty() ? std::string_view() : std::string_view(open.back().name);
            if (parent == "text" || parent == "title" || parent == "desc") {
                chart.texts.push_back(text);
            } else if (!std::all_of(text.begin(), text.end(),
                                    [](unsigned char c) { return std::isspace(c); })) {
                fault("text outside a text element");
            }
            i = end;
            continue;
        }
        const bool closing = svg.substr(i, 2) == "</";
        std::size_t j = i + (closing ? 2 : 1);
        const std::size_t name_end = svg.find_first_of(" />", j);
        const std::string name(svg.substr(j, name_end - j));
        if (known.count(name) == 0) {
            fault("a \"<\" that starts no known tag");
            break;
        }
        j = name_end;
        std::string class_name;
        std::string points;
        bool self_closing = false;
        // Attributes: name="value" pairs up to ">" or "/>".
        while (j < svg.size() && svg[j] != '>') {
            if (svg[j] == ' ' || svg[j] == '\n') {
                ++j;
            } else if (svg.substr(j, 2) == "/>") {
                self_closing = true;
                ++j;
            } else {
                const std::size_t equals = svg.find("=\"", j);
                const std::size_t value_end =
                    equals == std::string_view::npos ? equals : svg.find('"', equals + 2);
                if (closing || value_end == std::string_view::npos) {
                    fault("a malformed attribute");
                    break;
                }
                const std::string attribute(svg.substr(j, equals - j));
                const std::string_view value = svg.substr(equals + 2, value_end - equals - 2);
                if (value.find('<') != std::string_view::npos) {
                    fault("a \"<\" in an attribute value");
                }
                if (attribute == "class") {
                    class_name = value;
                } else if (attribute == "points") {
                    points = value;
                }
                j = value_end + 1;
            }
        }
        if (!chart.faults.empty()) {
            break;
        }
        if (closing) {
            if (open.empty() || open.back().name != name) {
                fault("an end tag that closes no open element");
                break;
            }
            open.pop_back();
        } else {
            if (name == "g" && class_name == "driver") {
                chart.driver_lines.push_back(0);
            }
            if (name == "polyline") {
                if (open.empty() || !open.back().driver) {
                    fault("a polyline outside a driver group");
                    break;
                }
                ++chart.driver_lines.back();
                std::istringstream pairs(points);
                std::size_t count = 0;
                for (std::string pair; pairs >> pair;) {
                    ++count;
                    if (!std::regex_match(pair, std::regex("-?[0-9]+,-?[0-9]+"))) {
                        fault("a polyline point that is not two whole numbers: " + pair);
                    }
                }
                chart.line_points.push_back(count);
            }
            if (!self_closing) {
                open.push_back({name, name == "g" && class_name == "driver"});
            }
        }
        i = j + 1;
    }
    if (chart.faults.empty() && !open.empty()) {
        chart.faults.push_back("the chart ends with <" + open.back().name + "> open");
    }
    return chart;
}

class modern_pages : public testing::Test {
protected:
    // The sample rendered once for every check of this suite.
    static void SetUpTestSuite() {
        root = new temp_dir;
        const fs::path& dir = root->path();
        for (const char* folder : {"championship", "championship-modern", "templates"}) {
            fs::copy(examples_dir / folder, dir / folder, fs::copy_options::recursive);
        }
        for (const auto& entry : fs::directory_iterator(dir / "championship")) {
            if (entry.is_directory()) {
                // A folder name that every link to its pages must encode.
                const fs::path name = entry.path().filename() == "round3-fern-bay"
                                          ? fs::u8path(renamed_event)
                                          : entry.path().filename();
                fs::copy(entry.path(), championship() / name, fs::copy_options::recursive);
            }
        }
        std::string config = read_file(championship() / "rostrum.conf");
        std::string quoted;  // the name as an INFO string
        for (const char c : hostile_name) {
            quoted += c == '"' ? "\\\"" : std::string(1, c);
        }
        config += "forced-names\n{\n    mika_h \"" + quoted + "\"\n}\n";
        write_file(championship() / "rostrum.conf", config);
        run = new process_result(run_process(programs().rostrum, championship()));
    }
    static void TearDownTestSuite() {
        delete run;
        delete root;
    }

    static fs::path championship() { return root->path() / "championship-modern"; }

    // Every page the run wrote, relative to the championship folder.
    static std::vector<std::string> pages() { return html_pages(championship()); }

    static temp_dir* root;
    static process_result* run;
};

temp_dir* modern_pages::root = nullptr;
process_result* modern_pages::run = nullptr;

TEST_F(modern_pages, the_run_is_clean_and_writes_every_page_from_the_set) {
    EXPECT_EQ(run->exit_code, 0);
    EXPECT_EQ(run->out, "");
    EXPECT_EQ(run->err, "");
    std::vector<std::string> expected = {renamed_event + "/qualifying.html",
                                         renamed_event + "/race.html",
                                         "index.html",
                                         "round1-blackwood/qualifying.html",
                                         "round1-blackwood/race.html",
                                         "round2-aston/qualifying.html",
                                         "round2-aston/race.html",
                                         "series.html",
                                         "teams.html"};
    for (const char* driver : {"bluethunder", "boris_k", "cherie", "eddie", "jstein", "kimir",
                               "laptraffic", "latebraker", "mamba", "mika_h", "olly", "pointy",
                               "sakura77", "sunnyd"}) {
        expected.push_back(std::string("drivers/") + driver + ".html");
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(pages(), expected);
    for (const std::string& page : pages()) {
        EXPECT_NE(read_file(championship() / page).find("<h1>Sunday Club Series 2026</h1>"),
                  std::string::npos)
            << page;
    }
}

// Every link of every page leads to a page the run wrote (check_links).
TEST_F(modern_pages, every_link_leads_to_a_written_page) {
    const link_check check = check_links(championship(), pages());
    EXPECT_EQ(check.faults, std::vector<std::string>{});
    std::cout << "  " << check.links << " links on " << pages().size() << " pages checked, "
              << check.anchors << " of them to an anchor\n";
    EXPECT_GT(check.links, 200U) << "the pages link to each other";
}

TEST_F(modern_pages, every_page_is_valid_html5) {
    for (const std::string& page : pages()) {
        EXPECT_EQ(tidy_report(championship(), page), "") << page;
    }
}

TEST_F(modern_pages, the_chart_draws_one_escaped_line_per_charted_driver) {
    const std::string html = read_file(championship() / "series.html");
    const std::size_t start = html.find("<svg class=\"points-chart\"");
    ASSERT_NE(start, std::string::npos);
    const std::size_t end = html.find("</svg>", start);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(html.find("<svg", start + 1), std::string::npos) << "a second chart";

    const chart_markup chart = read_chart(std::string_view(html).substr(start, end + 6 - start));
    EXPECT_EQ(chart.faults, std::vector<std::string>{});
    EXPECT_EQ(chart.driver_lines, std::vector<std::size_t>(charted_drivers, 1));
    EXPECT_EQ(chart.line_points, std::vector<std::size_t>(charted_drivers, 3))
        << "one point per event";
    EXPECT_NE(std::find(chart.texts.begin(), chart.texts.end(), hostile_name), chart.texts.end())
        << "the driver's name, escaped, as the title of his line";
}

}  // namespace

#include "summary/points_chart.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

#include "html_template/html_text.h"

namespace {

// The drawing, in the units of the viewBox.
constexpr long width = 960;
constexpr long plot_left = 112;
constexpr long plot_right = 736;
constexpr long plot_top = 24;
constexpr long plot_bottom = 360;
constexpr long legend_left = 760;
constexpr long legend_row = 20;
// Event names below the axis: at most this many, evenly spread.
constexpr std::size_t most_event_labels = 20;
// Dots on the lines only while they stay apart.
constexpr std::size_t most_events_with_dots = 40;

// Ten colours that stay apart for most eyes, in light and dark mode alike.
constexpr const char* palette[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd",
                                   "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22", "#17becf"};

// The dash pattern of the line of the driver in place `d` (from 0): the first ten lines are
// solid, each in a colour of the palette; the next ten dashed, the next dotted and so on, so that
// no two lines look alike however many are charted. Empty for a solid line.
std::string dash_pattern(std::size_t d) {
    static const char* const first_patterns[] = {"", "9 4", "2 3", "9 3 2 3", "14 4", "9 3 2 3 2 3"};
    const std::size_t round = d / std::size(palette);
    if (round < std::size(first_patterns)) {
        return first_patterns[round];
    }
    std::string pattern = "14 3";  // then a long dash and one more dot each round
    for (std::size_t dot = std::size(first_patterns) - 3; dot < round; ++dot) {
        pattern += " 2 3";
    }
    return pattern;
}

double value_of(points_value points) {
    return static_cast<double>(points.numerator()) / points.denominator();
}

// The points axis: round tick values every `step` from `low` to `high`.
struct points_axis {
    long long first_tick = 0;  // low / step
    long long last_tick = 1;   // high / step
    double step = 1;
    int decimals = 0;  // of the tick labels

    points_axis(double min, double max) {
        min = std::min(min, 0.0);
        max = std::max(max, 0.0);
        if (max <= min) {
            max = min + 1;
        }
        // A step of 1, 2 or 5 times a power of ten that gives about five intervals.
        const double wanted = (max - min) / 5;
        double magnitude = 1;
        while (magnitude * 10 <= wanted) {
            magnitude *= 10;
        }
        while (magnitude > wanted) {
            magnitude /= 10;
        }
        for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
            step = factor * magnitude;
            if (step >= wanted) {
                break;
            }
        }
        for (double scaled = step; decimals < 9 && std::fabs(scaled - std::round(scaled)) > 1e-9;
             scaled *= 10) {
            ++decimals;
        }
        first_tick = std::llround(std::floor(min / step));
        last_tick = std::llround(std::ceil(max / step));
        if (last_tick == first_tick) {
            ++last_tick;
        }
    }

    long y(double value) const {
        const double low = static_cast<double>(first_tick) * step;
        const double high = static_cast<double>(last_tick) * step;
        return plot_bottom -
               static_cast<long>(std::llround((value - low) / (high - low) *
                                              static_cast<double>(plot_bottom - plot_top)));
    }

    // The label of tick `tick` (a multiple of the step), written by our own digits.
    std::string label(long long tick) const {
        double scale = 1;
        for (int i = 0; i < decimals; ++i) {
            scale *= 10;
        }
        const long long scaled = std::llround(static_cast<double>(tick) * step * scale);
        const unsigned long long magnitude =
            scaled < 0 ? 0 - static_cast<unsigned long long>(scaled)
                       : static_cast<unsigned long long>(scaled);
        std::string digits = std::to_string(magnitude);
        if (decimals > 0) {
            if (digits.size() <= static_cast<std::size_t>(decimals)) {
                digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
            }
            digits.insert(digits.size() - static_cast<std::size_t>(decimals), 1, '.');
        }
        return (scaled < 0 ? "-" : "") + digits;
    }
};

long event_x(std::size_t index, std::size_t count) {
    if (count < 2) {
        return (plot_left + plot_right) / 2;
    }
    const auto span = static_cast<std::size_t>(plot_right - plot_left);
    return plot_left + static_cast<long>((index * span + (count - 1) / 2) / (count - 1));
}

// At most `limit` code points of UTF-8 text, with "…" in place of the rest.
std::string shortened(std::string_view text, std::size_t limit) {
    std::size_t code_points = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && ++code_points > limit) {
            return std::string(text.substr(0, i)) + "\xE2\x80\xA6";
        }
    }
    return std::string(text);
}

void write_text(std::ostream& out, std::string_view text) {
    html_escape(out, text);
}

}  // namespace

void write_points_chart(std::ostream& out, const std::vector<event_result>& events,
                        const std::vector<const driver_standing*>& ranking,
                        std::int32_t best_results, std::int32_t drivers, bool full_titles) {
    const std::size_t shown =
        std::min(ranking.size(), static_cast<std::size_t>(std::max(drivers, 0)));
    if (shown == 0 || events.empty()) {
        return;
    }
    std::vector<std::vector<points_value>> totals;
    totals.reserve(shown);
    double min = 0;
    double max = 0;
    for (std::size_t d = 0; d < shown; ++d) {
        totals.push_back(running_totals(*ranking[d], events.size(), best_results));
        for (const points_value& total : totals.back()) {
            min = std::min(min, value_of(total));
            max = std::max(max, value_of(total));
        }
    }
    const points_axis axis(min, max);
    const long height =
        std::max<long>(480, plot_top + legend_row * static_cast<long>(shown) + legend_row);

    out << "<svg class=\"points-chart\" viewBox=\"0 0 " << width << ' ' << height
        << "\" role=\"img\" xmlns=\"http://www.w3.org/2000/svg\" style=\"font-size: 12px\">\n"
           "<title>Series points after each event</title>\n"
           "<desc>The series total of the first "
        << shown << (shown == 1 ? " driver" : " drivers") << " after each of the "
        << events.size() << (events.size() == 1 ? " event" : " events") << ". Final totals: ";
    for (std::size_t d = 0; d < shown; ++d) {
        out << (d == 0 ? "" : ", ") << d + 1 << ". ";
        write_text(out, ranking[d]->name);
        points_text(out << ' ', totals[d].back());
    }
    out << ".</desc>\n<g class=\"axis\" fill=\"currentColor\">\n";
    for (long long tick = axis.first_tick; tick <= axis.last_tick; ++tick) {
        const long y = axis.y(static_cast<double>(tick) * axis.step);
        out << "<line x1=\"" << plot_left << "\" y1=\"" << y << "\" x2=\"" << plot_right
            << "\" y2=\"" << y << "\" stroke=\"currentColor\" stroke-opacity=\""
            << (tick == 0 ? "0.6" : "0.15") << "\"/>"
            << "<text x=\"" << plot_left - 8 << "\" y=\"" << y + 4 << "\" text-anchor=\"end\">"
            << axis.label(tick) << "</text>\n";
    }
    const std::size_t label_every = (events.size() + most_event_labels - 1) / most_event_labels;
    for (std::size_t e = 0; e < events.size(); e += label_every) {
        const long x = event_x(e, events.size());
        const long y = plot_bottom + 16;
        out << "<text x=\"" << x << "\" y=\"" << y << "\" text-anchor=\"end\" transform=\"rotate(-35 "
            << x << ' ' << y << ")\">";
        write_text(out, shortened(full_titles ? event_full_title(events[e]) : event_title(events[e]),
                                  18));
        out << "</text>\n";
    }
    out << "</g>\n";
    for (std::size_t d = 0; d < shown; ++d) {
        const char* colour = palette[d % std::size(palette)];
        const std::string pattern = dash_pattern(d);
        const std::string dashes =
            pattern.empty() ? std::string() : " stroke-dasharray=\"" + pattern + "\"";
        out << "<g class=\"driver\" stroke=\"" << colour << "\" fill=\"" << colour << "\"><title>";
        write_text(out, ranking[d]->name);
        out << "</title>";
        if (events.size() > 1) {
            out << "<polyline fill=\"none\" stroke-width=\"2\"" << dashes << " points=\"";
            // A season has hundreds of points per line: they are put together without a stream.
            std::string points;
            points.reserve(events.size() * 9);
            char number[24];
            for (std::size_t e = 0; e < events.size(); ++e) {
                if (e != 0) {
                    points += ' ';
                }
                points.append(number,
                              std::to_chars(number, std::end(number), event_x(e, events.size())).ptr);
                points += ',';
                points.append(number, std::to_chars(number, std::end(number),
                                                    axis.y(value_of(totals[d][e])))
                                          .ptr);
            }
            out.write(points.data(), static_cast<std::streamsize>(points.size()));
            out << "\"/>";
        }
        if (events.size() <= most_events_with_dots) {
            for (std::size_t e = 0; e < events.size(); ++e) {
                out << "<circle cx=\"" << event_x(e, events.size()) << "\" cy=\""
                    << axis.y(value_of(totals[d][e])) << "\" r=\"3\"/>";
            }
        }
        const long y = plot_top + legend_row * static_cast<long>(d) + 8;
        out << "<line x1=\"" << legend_left << "\" y1=\"" << y << "\" x2=\"" << legend_left + 20
            << "\" y2=\"" << y << "\" stroke-width=\"3\"" << dashes << "/><text x=\"" << legend_left + 26
            << "\" y=\"" << y + 4 << "\" stroke=\"none\" fill=\"currentColor\">" << d + 1 << ". ";
        write_text(out, shortened(ranking[d]->name, 20));
        out << "</text></g>\n";
    }
    out << "</svg>";
}

#pragma once

#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "common/points.h"

// Writes `text` escaped for HTML text and double-quoted attribute values: line feed as "&#xA;",
// '"' as "&quot;", '&' as "&amp;", '<' as "&lt;"; every other byte unchanged.
std::ostream& html_escape(std::ostream& out, std::string_view text);

// A stream buffer that writes everything put into it escaped (as html_escape) into `target`.
class html_escape_streambuf final : public std::streambuf {
public:
    explicit html_escape_streambuf(std::streambuf* target) : target(target) {}
    ~html_escape_streambuf() override = default;

protected:
    int_type overflow(int_type c) override;

private:
    std::streambuf* target;  // not owned; must outlive this buffer
};

// A points value as a decimal in the stream's default floating-point form (as printf's "%g" with
// 6 significant digits, whatever the stream's own settings): 10, 12.5, 3.33333, 2e+06.
std::ostream& points_text(std::ostream& out, points_value points);

// The same texts appended to a string, for writers that build a page part in memory first.
void append_html_escaped(std::string& out, std::string_view text);
void append_points_text(std::string& out, points_value points);

// "10 (1st) + 2 (3rd on grid) + 0.5 (fastest lap)"; empty for no items.
std::string points_breakdown_text(const std::vector<score_item>& items);

// The same text escaped as by append_html_escaped, appended to `out` without a copy in between.
void append_escaped_points_breakdown(std::string& out, const std::vector<score_item>& items);

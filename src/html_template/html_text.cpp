#include "html_template/html_text.h"

#include <charconv>
#include <system_error>

namespace {

// The escaped form of a byte, or nullptr when it stands for itself.
const char* escaped(char c) {
    switch (c) {
        case '\n': return "&#xA;";
        case '"': return "&quot;";
        case '&': return "&amp;";
        case '<': return "&lt;";
        default: return nullptr;
    }
}

// Passes `text` escaped to `emit` piece by piece: each run of bytes that stand for themselves,
// then the escaped form of the byte after it.
template <class Emit>
void escape_pieces(std::string_view text, Emit emit) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (const char* replacement = escaped(text[i])) {
            emit(text.substr(start, i - start));
            emit(std::string_view(replacement));
            start = i + 1;
        }
    }
    emit(text.substr(start));
}

}  // namespace

std::ostream& html_escape(std::ostream& out, std::string_view text) {
    escape_pieces(text, [&out](std::string_view piece) {
        out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    });
    return out;
}

html_escape_streambuf::int_type html_escape_streambuf::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return traits_type::not_eof(c);
    }
    const char ch = traits_type::to_char_type(c);
    if (const char* replacement = escaped(ch)) {
        const std::string_view text(replacement);
        const auto size = static_cast<std::streamsize>(text.size());
        return target->sputn(text.data(), size) == size ? c : traits_type::eof();
    }
    return target->sputc(ch);
}

void append_html_escaped(std::string& out, std::string_view text) {
    escape_pieces(text, [&out](std::string_view piece) { out.append(piece); });
}

void append_points_text(std::string& out, points_value points) {
    char digits[32];
    // A whole number of at most six digits is written by "%.6g" as its digits alone.
    if (points.denominator() == 1 && points.numerator() > -1000000 &&
        points.numerator() < 1000000) {
        const std::to_chars_result end =
            std::to_chars(std::begin(digits), std::end(digits), points.numerator());
        out.append(digits, end.ptr);
        return;
    }
    // std::to_chars in its general form with a precision writes exactly what printf's "%.6g"
    // writes, the default floating-point form of a stream, without a locale and on every platform.
    const double value =
        static_cast<double>(points.numerator()) / static_cast<double>(points.denominator());
    const std::to_chars_result end =
        std::to_chars(std::begin(digits), std::end(digits), value, std::chars_format::general, 6);
    out.append(digits, end.ptr);
}

std::ostream& points_text(std::ostream& out, points_value points) {
    std::string text;
    append_points_text(text, points);
    return out << text;
}

namespace {

// The breakdown into `out`, each reason through `append_reason`.
template <class ReasonAppender>
void append_breakdown(std::string& out, const std::vector<score_item>& items,
                      ReasonAppender append_reason) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) {
            out += " + ";
        }
        append_points_text(out, items[i].points);
        out += " (";
        append_reason(out, items[i].reason);
        out += ')';
    }
}

}  // namespace

std::string points_breakdown_text(const std::vector<score_item>& items) {
    std::string text;
    append_breakdown(text, items, [](std::string& out, std::string_view reason) { out += reason; });
    return text;
}

void append_escaped_points_breakdown(std::string& out, const std::vector<score_item>& items) {
    // Points and the joining text hold no character that escaping changes.
    append_breakdown(out, items, append_html_escaped);
}

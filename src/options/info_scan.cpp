#include "options/info_scan.h"

#include <algorithm>
#include <boost/property_tree/ptree.hpp>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "common/visible_text.h"

namespace options {
namespace {

namespace fs = std::filesystem;
namespace pt = boost::property_tree;

// The reader's white space: ASCII only.
bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The reader gives up on a line that it cannot read; so does the scan, and it leaves the message
// to the reader.
struct syntax_error {};

// A position in one line, which ends at its first zero byte as the reader's C string does.
struct cursor {
    const char* text;

    char at() const { return *text; }
    void skip_white_space() {
        while (is_space(*text)) {
            ++text;
        }
    }
};

// The escapes of a word or quoted string, expanded; throws syntax_error where the reader fails.
std::string expanded(const char* begin, const char* end) {
    std::string result;
    for (const char* p = begin; p != end; ++p) {
        if (*p != '\\') {
            result += *p;
            continue;
        }
        if (++p == end) {
            throw syntax_error{};
        }
        switch (*p) {
            case '0': result += '\0'; break;
            case 'a': result += '\a'; break;
            case 'b': result += '\b'; break;
            case 'f': result += '\f'; break;
            case 'n': result += '\n'; break;
            case 'r': result += '\r'; break;
            case 't': result += '\t'; break;
            case 'v': result += '\v'; break;
            case '"': result += '"'; break;
            case '\'': result += '\''; break;
            case '\\': result += '\\'; break;
            default: throw syntax_error{};
        }
    }
    return result;
}

std::string read_word(cursor& c) {
    c.skip_white_space();
    const char* start = c.text;
    while (!is_space(*c.text) && *c.text != ';' && *c.text != '\0') {
        ++c.text;
    }
    return expanded(start, c.text);
}

// A quoted string. `more_lines` is null where the reader allows no continuation.
std::string read_string(cursor& c, bool* more_lines) {
    c.skip_white_space();
    if (c.at() != '"') {
        throw syntax_error{};
    }
    const char* start = ++c.text;
    bool escaped = false;
    while ((escaped || *c.text != '"') && *c.text != '\0') {
        escaped = !escaped && *c.text == '\\';
        ++c.text;
    }
    if (*c.text != '"') {
        throw syntax_error{};
    }
    std::string result = expanded(start, c.text++);
    c.skip_white_space();
    if (c.at() == '\\') {
        if (more_lines == nullptr) {
            throw syntax_error{};
        }
        ++c.text;
        c.skip_white_space();
        if (c.at() != '\0' && c.at() != ';') {
            throw syntax_error{};
        }
        *more_lines = true;
    } else if (more_lines != nullptr) {
        *more_lines = false;
    }
    return result;
}

class scanner {
public:
    explicit scanner(info_scan& result) : result(result) {}

    // Scans one file's text as the reader reads one stream: `depth` sections are open around it
    // (the includer's), `include_depth` is the reader's count of nested includes.
    void scan(std::string_view text, std::uint32_t file, int include_depth, int depth) {
        enum class state { key, data, data_continued };
        state expecting = state::key;
        bool has_last = false;  // an entry that a "{" opens
        int open = 0;           // sections opened in this file
        std::uint32_t line_number = 0;
        std::string line;
        std::size_t start = 0;
        for (bool more = true; more;) {
            const std::size_t end = text.find('\n', start);
            more = end != std::string_view::npos;
            line.assign(text.substr(start, more ? end - start : std::string_view::npos));
            start = end + 1;
            ++line_number;
            cursor c{line.c_str()};
            bool value_on_line = false;  // an entry's value was read on this line
            c.skip_white_space();
            if (c.at() == '#') {
                ++c.text;
                if (read_word(c) != "include") {
                    throw syntax_error{};
                }
                include(read_string(c, nullptr), file, line_number, include_depth, depth + open);
                c.skip_white_space();
                if (c.at() != '\0') {
                    throw syntax_error{};
                }
                continue;
            }
            while (true) {
                c.skip_white_space();
                if (c.at() == '\0' || c.at() == ';') {
                    if (expecting == state::data) {
                        expecting = state::key;
                    }
                    break;
                }
                const bool opens = c.at() == '{';
                const bool closes = c.at() == '}';
                if (expecting == state::data_continued) {
                    bool continued = false;
                    if (c.at() != '"') {
                        throw syntax_error{};
                    }
                    read_string(c, &continued);
                    expecting = continued ? state::data_continued : state::key;
                } else if (opens) {
                    if (expecting == state::key && !has_last) {
                        throw syntax_error{};
                    }
                    if (depth + ++open > max_section_depth) {
                        fail(file, line_number,
                             "sections nested deeper than " + std::to_string(max_section_depth) +
                                 " levels");
                    }
                    has_last = false;
                    value_on_line = false;
                    ++c.text;
                    expecting = state::key;
                } else if (closes) {
                    if (open == 0) {
                        throw syntax_error{};
                    }
                    --open;
                    has_last = false;
                    value_on_line = false;
                    ++c.text;
                    expecting = state::key;
                } else if (expecting == state::key) {
                    c.skip_white_space();
                    if (c.at() == '"') {
                        read_string(c, nullptr);
                    } else {
                        read_word(c);
                    }
                    info_place place;
                    place.file = file;
                    place.line = line_number;
                    place.after_value = value_on_line;
                    result.entries.push_back(std::move(place));
                    has_last = true;
                    expecting = state::data;
                } else {
                    bool continued = false;
                    c.skip_white_space();
                    if (c.at() == '"') {
                        read_string(c, &continued);
                    } else {
                        read_word(c);
                        if (c.at() == ';' && !result.entries.empty()) {
                            // The word ended at a comment: "race 25;18;15" is the value "25".
                            result.entries.back().comment = std::string(c.text + 1);
                        }
                    }
                    value_on_line = true;
                    expecting = continued ? state::data_continued : state::key;
                }
            }
        }
        if (open != 0) {
            throw syntax_error{};
        }
    }

private:
    [[noreturn]] void fail(std::uint32_t file, std::uint32_t line, const std::string& what) const {
        throw std::runtime_error(visible(result.files[file]) + "(" + std::to_string(line) +
                                 "): " + what);
    }

    void include(const std::string& name, std::uint32_t file, std::uint32_t line,
                 int include_depth, int depth) {
        if (include_depth > 100) {
            throw syntax_error{};  // the reader's "include depth too large"
        }
        const fs::path path = fs::u8path(name);
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        if (!fs::exists(status)) {
            throw syntax_error{};  // the reader's "cannot open include file"
        }
        const std::string shown = "#include " + visible(name);
        if (!fs::is_regular_file(status)) {
            fail(file, line, shown + ": not a regular file");
        }
        const std::uintmax_t size = fs::file_size(path, error);
        if (error) {
            throw syntax_error{};
        }
        if (size > budget) {
            fail(file, line, shown + ": configuration text over 1 MiB");
        }
        std::ifstream in(path, std::ios_base::binary);
        if (!in) {
            throw syntax_error{};
        }
        // No more than the size the system gave (the reader reads the file itself afterwards).
        const std::string text = read_at_most(in, static_cast<std::size_t>(size));
        budget -= text.size();
        result.included.push_back(path);
        result.files.push_back(name);
        scan(text, static_cast<std::uint32_t>(result.files.size() - 1), include_depth + 1, depth);
    }

public:
    std::size_t budget = max_configuration_bytes;

private:
    info_scan& result;
};

void collect_places(const pt::ptree& tree, const info_scan& scan, std::size_t& next,
                    std::unordered_map<const pt::ptree*, info_place>& places) {
    for (const auto& [key, child] : tree) {
        if (next < scan.entries.size()) {
            places.emplace(&child, scan.entries[next]);
        }
        ++next;
        collect_places(child, scan, next, places);
    }
}

}  // namespace

std::string read_at_most(std::istream& in, std::size_t limit) {
    std::string text;
    char buffer[4096];
    while (text.size() < limit && in) {
        in.read(buffer, static_cast<std::streamsize>(std::min(sizeof buffer, limit - text.size())));
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    return text;
}

info_scan scan_info(std::string_view text, std::string label) {
    info_scan result;
    result.files.push_back(std::move(label));
    scanner s(result);
    s.budget = text.size() > max_configuration_bytes ? 0 : max_configuration_bytes - text.size();
    try {
        s.scan(text, 0, 0, 0);
    } catch (const syntax_error&) {
        result.complete = false;
    }
    return result;
}

entry_places::entry_places(const pt::ptree& tree, const info_scan& scan) : scan(scan) {
    if (!scan.complete) {
        return;
    }
    std::size_t next = 0;
    collect_places(tree, scan, next, places);
    if (next != scan.entries.size()) {
        places.clear();
    }
}

std::string entry_places::of(const pt::ptree& entry) const {
    const auto found = places.find(&entry);
    if (found == places.end()) {
        return visible(scan.files.front());
    }
    return visible(scan.files[found->second.file]) + "(" + std::to_string(found->second.line) +
           ")";
}

bool entry_places::follows_value(const pt::ptree& entry) const {
    const auto found = places.find(&entry);
    return found != places.end() && found->second.after_value;
}

std::optional<std::string> entry_places::comment_after_value(const pt::ptree& entry) const {
    const auto found = places.find(&entry);
    if (found == places.end() || !found->second.comment) {
        return std::nullopt;
    }
    return found->second.comment;
}

std::string entry_places::relative_to(const pt::ptree& entry, const pt::ptree& other) const {
    const auto found = places.find(&entry);
    const auto found_other = places.find(&other);
    if (found != places.end() && found_other != places.end() &&
        found->second.file == found_other->second.file) {
        return "line " + std::to_string(found->second.line);
    }
    return of(entry);
}

}  // namespace options

#include "site_links/site_links.h"

#include <algorithm>
#include <array>

#include "html_template/html_text.h"

namespace {

constexpr char hex_digits[] = "0123456789ABCDEF";

bool is_unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '-' || c == '.' || c == '_' || c == '~';
}

// The names Windows gives to devices, with any extension.
bool is_device_name(std::string_view name) {
    static const std::array<std::string_view, 4> plain = {"con", "prn", "aux", "nul"};
    if (std::find(plain.begin(), plain.end(), name) != plain.end()) {
        return true;
    }
    return name.size() == 4 && (name.substr(0, 3) == "com" || name.substr(0, 3) == "lpt") &&
           name[3] >= '0' && name[3] <= '9';
}

}  // namespace

std::string percent_encoded(std::string_view segment) {
    std::string text;
    text.reserve(segment.size());
    for (const char c : segment) {
        const auto byte = static_cast<unsigned char>(c);
        if (is_unreserved(byte)) {
            text += c;
        } else {
            text += '%';
            text += hex_digits[byte >> 4];
            text += hex_digits[byte & 0xF];
        }
    }
    return text;
}

std::string driver_page_file(const name_key& driver) {
    std::string name;
    for (const char c : driver.match) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') || c == '-' || c == '_') {
            name += c;
        } else {  // capitals never stand in a key's `match` but for those code page 1252 keeps
            name += '~';
            name += hex_digits[byte >> 4];
            name += hex_digits[byte & 0xF];
        }
    }
    if (name.empty() || is_device_name(name)) {
        name += '~';  // a "~" not followed by two digits: no other driver's name ends so
    }
    return name + ".html";
}

std::string relative_link(int depth, std::initializer_list<std::string_view> segments) {
    std::string link;
    for (int i = 0; i < depth; ++i) {
        link += "../";
    }
    bool first = true;
    for (const std::string_view segment : segments) {
        if (!first) {
            link += '/';
        }
        link += percent_encoded(segment);
        first = false;
    }
    return link;
}

std::string navigation_html(const std::vector<navigation_link>& links) {
    if (links.empty()) {
        return {};
    }
    std::string html = "<nav>";
    for (const navigation_link& link : links) {
        html += "<a href=\"";
        append_html_escaped(html, link.href);
        html += "\">";
        append_html_escaped(html, link.label);
        html += "</a>";
    }
    return html + "</nav>";
}

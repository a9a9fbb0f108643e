#include "html_template/html_template.h"

#include <stdexcept>

#include "html_template/html_text.h"

namespace {

constexpr std::string_view open_braces = "{{";
constexpr std::string_view close_braces = "}}";
constexpr std::string_view raw_prefix = "html:";
constexpr std::string_view comment_prefix = "comment:";
constexpr std::string_view blanks = " \t\n\v\f\r";

std::runtime_error template_error(const template_context& context, std::string_view what) {
    std::string message = "template: " + context.name;
    message += what;
    return std::runtime_error(message);
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool starts_with(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

void write(std::ostream& out, std::string_view text) {
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace

std::ostream& render_template(std::ostream& out, const html_template& t) {
    const template_context& context = *t.context;
    html_escape_streambuf escape_buffer(out.rdbuf());
    std::ostream escaped(&escape_buffer);

    std::string_view rest = t.text;
    for (auto open = rest.find(open_braces); open != std::string_view::npos;
         open = rest.find(open_braces)) {
        write(out, rest.substr(0, open));
        rest.remove_prefix(open);
        const auto close = rest.find(close_braces, open_braces.size());
        if (close == std::string_view::npos) {
            throw template_error(context, ": end of template while scanning for }}");
        }
        std::string_view tag = trimmed(rest.substr(open_braces.size(), close - open_braces.size()));
        rest.remove_prefix(close + close_braces.size());
        if (tag.empty()) {
            throw template_error(context, ": empty tag");
        }
        std::ostream* target = &escaped;
        if (starts_with(tag, raw_prefix)) {
            tag.remove_prefix(raw_prefix.size());
            if (tag.empty()) {
                throw template_error(context, ": empty html: tag");
            }
            target = &out;
        }
        if (const auto writer = context.writers.find(tag); writer != context.writers.end()) {
            writer->second(*target);
        } else if (tag == open_braces) {
            write(out, open_braces);
        } else if (!starts_with(tag, comment_prefix)) {
            throw template_error(context, ": unrecognized tag: " + std::string(tag));
        }
    }
    write(out, rest);
    return out;
}

#pragma once

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <string_view>

// Page templates: text in which a tag written as "{{" name "}}" is replaced by what the writer
// registered under that name writes. Writer output is HTML-escaped unless the tag starts with
// "html:". "{{{{}}" writes two literal opening braces; "{{comment:" ... "}}" writes nothing.

// Writes a tag's content to the stream it is given.
using tag_writer = std::function<void(std::ostream&)>;

// The writers of one page and the name that error messages give the template.
struct template_context {
    // "built-in race template" and the like, or the path of the template file as UTF-8.
    std::string name;
    // Looked up by exact, byte-wise comparison of the tag name.
    std::map<std::string, tag_writer, std::less<>> writers;
};

struct html_template {
    std::string_view text;                      // not owned
    const template_context* context = nullptr;  // not owned
};

// Expands `t` into `out` and returns `out`. Writer output is never scanned for tags, and "}}"
// outside a tag is ordinary text. Throws std::runtime_error "template: " + name + one of
// ": end of template while scanning for }}", ": empty tag", ": empty html: tag" or
// ": unrecognized tag: " + tag; whatever was written before the error stays written. A writer's
// own exceptions pass through unchanged.
std::ostream& render_template(std::ostream& out, const html_template& t);

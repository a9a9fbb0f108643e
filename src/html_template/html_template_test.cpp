#include "html_template/html_template.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

namespace {

// Writers that show how their output is treated: "x" writes markup, "nl" a line feed, "braces"
// text that looks like tags.
template_context test_context() {
    return {"test template",
            {{"x", [](std::ostream& out) { out << "<b>"; }},
             {"nl", [](std::ostream& out) { out << "a\nb"; }},
             {"braces", [](std::ostream& out) { out << "{{x}} & {{"; }},
             {"comment:kept", [](std::ostream& out) { out << "registered"; }}}};
}

std::string render(std::string_view text) {
    const template_context context = test_context();
    std::ostringstream out;
    render_template(out, {text, &context});
    return out.str();
}

TEST(html_template, expands_tags) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"", ""},
        {"no tags < & \" here\n", "no tags < & \" here\n"},
        {"a{{ x }}b", "a&lt;b>b"},
        {"a{{html:x}}b", "a<b>b"},
        {"{{\t\r\n x\v\f}}{{x}}", "&lt;b>&lt;b>"},
        {"[{{nl}}][{{html:nl}}]", "[a&#xA;b][a\nb]"},
        {"{{braces}}|{{html:braces}}", "{{x}} &amp; {{|{{x}} & {{"},
        {"{{comment: anything <at> all}}ok", "ok"},
        {"{{comment:}}{{ comment:x }}{{html:comment:y}}", ""},
        {"{{comment:kept}}", "registered"},
        {"{{{{}}", "{{"},
        {"{{ {{ }}{{html:{{}}", "{{{{"},
        {"a{{{{}}x}}b", "a{{x}}b"},
        {"}} and }}{{x}}}}", "}} and }}&lt;b>}}"},
        {"{{x}}}", "&lt;b>}"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(render(c.text), c.expected) << c.text;
    }
}

TEST(html_template, malformed_templates_fail_after_writing_the_text_before_the_tag) {
    const struct {
        const char* text;
        const char* message;
        const char* written;
    } cases[] = {
        {"head{{x", "template: test template: end of template while scanning for }}", "head"},
        {"a{{x}}b{{", "template: test template: end of template while scanning for }}", "a&lt;b>b"},
        {"a{{}", "template: test template: end of template while scanning for }}", "a"},
        {"a{{}}", "template: test template: empty tag", "a"},
        {"a{{ \t\n }}", "template: test template: empty tag", "a"},
        {"a{{}}}", "template: test template: empty tag", "a"},
        {"a{{html:}}", "template: test template: empty html: tag", "a"},
        {"a{{ html: }}", "template: test template: empty html: tag", "a"},
        {"a{{y}}", "template: test template: unrecognized tag: y", "a"},
        {"a{{ X }}", "template: test template: unrecognized tag: X", "a"},
        {"a{{html: x}}", "template: test template: unrecognized tag:  x", "a"},
        {"a{{html:html:x}}", "template: test template: unrecognized tag: html:x", "a"},
        {"a{{{{ x}}", "template: test template: unrecognized tag: {{ x", "a"},
        {"a{{comment}}", "template: test template: unrecognized tag: comment", "a"},
    };
    for (const auto& c : cases) {
        const template_context context = test_context();
        std::ostringstream out;
        try {
            render_template(out, {c.text, &context});
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), c.message) << c.text;
        }
        EXPECT_EQ(out.str(), c.written) << c.text;
    }
}

TEST(html_template, writer_exceptions_pass_through_unchanged) {
    const template_context context{"t", {{"boom", [](std::ostream& out) {
                                              out << "partial";
                                              throw std::out_of_range("writer failed");
                                          }}}};
    std::ostringstream out;
    try {
        render_template(out, {"<{{boom}}>", &context});
        ADD_FAILURE() << "no error";
    } catch (const std::out_of_range& error) {
        EXPECT_EQ(std::string(error.what()), "writer failed");
    }
    EXPECT_EQ(out.str(), "<partial");
}

TEST(html_template, returns_the_output_stream) {
    const template_context context{"t", {}};
    std::ostringstream out;
    EXPECT_EQ(&render_template(out, {"plain", &context}), &out);
}

}  // namespace

#pragma once

// Checks of a published website, as a visitor would meet it: the pages written, links that lead
// somewhere, valid HTML5.

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

// Every ".html" file under `folder`, relative to it with "/" between folders, sorted.
std::vector<std::string> html_pages(const std::filesystem::path& folder);

// What a check of the links found: every "href" or "src" of every page must name a page of
// `pages` relative to the page, with its path segments percent-encoded (no raw blank or "#" in a
// folder's name), or an element of the page named by "#id".
struct link_check {
    std::vector<std::string> faults;  // one line per broken link; empty when all lead somewhere
    std::size_t links = 0;
    std::size_t anchors = 0;  // links to an anchor
};
link_check check_links(const std::filesystem::path& folder, const std::vector<std::string>& pages);

// The warnings and errors Debian's `tidy` reports for a page, one per line ("" when valid HTML5).
// Throws std::runtime_error when tidy is not installed (scripts/test.sh installs it).
std::string tidy_report(const std::filesystem::path& folder, const std::string& page);

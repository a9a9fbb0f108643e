#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "lfs_codec/name_key.h"

// The league's website: where its pages lie below the championship folder, and how one page links
// to another. Links are relative, so the folder works wherever it is uploaded; each path segment is
// percent-encoded (every byte but A-Z a-z 0-9 - . _ ~), and a writer HTML-escapes the link in its
// attribute as any text.

// A path segment percent-encoded: "Round #3" is "Round%20%233", "Łódź" "%C5%81%C3%B3d%C5%BA".
std::string percent_encoded(std::string_view segment);

// The folder of the driver pages, in the championship folder.
constexpr const char* driver_pages_folder = "drivers";

// The file name of a driver's page in "drivers/", from his user name (his key's `match`, so the
// same in any letter case all season): the letters a-z, the digits, "-" and "_" as they are,
// every other byte as "~" and two upper-case hexadecimal digits ("Blue Thunder" is
// "blue~20thunder.html"), and a name that Windows reserves for a device ("con", "lpt1") with a
// "~" after it. Different drivers get different names; every name is valid on Windows and stays
// inside the folder.
std::string driver_page_file(const name_key& driver);

// A link from a page `depth` folders below the championship folder (0: series.html, 1: an event's
// page or a driver's page) to the file of the championship folder reached by `segments` (folder
// names as UTF-8, then the file name): "../r01/race.html".
std::string relative_link(int depth, std::initializer_list<std::string_view> segments);

// One entry of a page's navigation.
struct navigation_link {
    std::string label;  // plain text
    std::string href;   // a relative link
};

// The navigation of a page as HTML: "<nav><a href="series.html">Standings</a>...</nav>", the
// labels and links escaped; nothing for no links.
std::string navigation_html(const std::vector<navigation_link>& links);

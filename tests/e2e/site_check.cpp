#include "site_check.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <regex>
#include <set>
#include <stdexcept>

#include "process.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// `text` with the HTML entities a writer escapes turned back.
std::string unescaped(std::string text) {
    for (const auto& [entity, character] : {std::pair<std::string, std::string>{"&quot;", "\""},
                                            {"&lt;", "<"},
                                            {"&#xA;", "\n"},
                                            {"&amp;", "&"}}) {
        for (auto at = text.find(entity); at != std::string::npos; at = text.find(entity, at)) {
            text.replace(at, entity.size(), character);
            at += character.size();
        }
    }
    return text;
}

// A link's path with its %XX escapes decoded; empty when one is broken.
std::optional<std::string> percent_decoded(const std::string& path) {
    std::string text;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] != '%') {
            text += path[i];
            continue;
        }
        if (i + 2 >= path.size() || !std::isxdigit(static_cast<unsigned char>(path[i + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(path[i + 2]))) {
            return std::nullopt;
        }
        text += static_cast<char>(std::stoi(path.substr(i + 1, 2), nullptr, 16));
        i += 2;
    }
    return text;
}

}  // namespace

std::vector<std::string> html_pages(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.path().extension() == ".html") {
            names.push_back(fs::relative(entry.path(), folder).generic_u8string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

link_check check_links(const fs::path& folder, const std::vector<std::string>& pages) {
    const std::set<std::string> files(pages.begin(), pages.end());
    const std::regex attribute(R"re(\b(href|src)="([^"]*)")re");
    link_check check;
    for (const std::string& page : pages) {
        const std::string html = read_file(folder / fs::u8path(page));
        for (auto it = std::sregex_iterator(html.begin(), html.end(), attribute);
             it != std::sregex_iterator(); ++it) {
            const std::string target = unescaped((*it)[2]);
            ++check.links;
            const auto fault = [&](const std::string& what) {
                check.faults.push_back(page + " links to " + target + ": " + what);
            };
            if (target.find_first_of(" \"<>") != std::string::npos) {
                fault("not encoded");
            }
            if (target.find("://") != std::string::npos) {
                fault("not relative");
            }
            const std::size_t hash = target.find('#');
            const std::optional<std::string> path = percent_decoded(target.substr(0, hash));
            if (!path) {
                fault("a broken % escape");
                continue;
            }
            std::string resolved = page;
            if (!path->empty()) {
                resolved = (fs::u8path(page).parent_path() / fs::u8path(*path))
                               .lexically_normal()
                               .generic_u8string();
                if (files.count(resolved) == 0) {
                    fault(resolved + " was not written");
                    continue;
                }
            }
            if (hash != std::string::npos) {
                ++check.anchors;
                const std::string id = "id=\"" + target.substr(hash + 1) + "\"";
                if (read_file(folder / fs::u8path(resolved)).find(id) == std::string::npos) {
                    fault("no element " + id);
                }
            }
        }
    }
    return check;
}

std::string tidy_report(const fs::path& folder, const std::string& page) {
    const process_result tidy =
        run_process({"tidy", "-q", "-e", "--gnu-emacs", "yes", page}, folder);
    if (tidy.exit_code == 127) {
        throw std::runtime_error("tidy is not installed (scripts/test.sh installs it)");
    }
    return tidy.err;
}

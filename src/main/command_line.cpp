#include "main/command_line.h"

#include <system_error>

#include "console/console.h"
#include "main/version.h"

namespace {

namespace fs = std::filesystem;

bool is_option(const std::string& argument) {
    return argument.size() > 1 && argument[0] == '-';
}

// Why `folder` cannot be the championship folder, or "" when it can.
std::string folder_error(const fs::path& folder) {
    std::error_code error;
    const fs::file_status status = fs::status(folder, error);
    if (fs::is_directory(status)) {
        return {};
    }
    if (status.type() == fs::file_type::not_found) {
        return "no such folder: " + path_to_utf8(folder);
    }
    if (error) {
        return path_to_utf8(folder) + ": " + error.message();
    }
    return "not a folder: " + path_to_utf8(folder);
}

}  // namespace

const char usage_text[] =
    "Usage: rostrum [--strict] [FOLDER]\n"
    "Scores the championship in FOLDER (by default the current folder) and writes its pages.\n"
    "\n"
    "  --strict     end with exit code 3 instead of 0 when the run met a warning\n"
    "  -h, --help   show this text and exit\n"
    "  --version    show the program's version and exit\n"
    "\n"
    "Exit codes: 0 done, 1 fatal error, 2 usage error, 3 warnings under --strict.\n";

command_line parse_command_line(const std::vector<fs::path>& arguments) {
    command_line run;
    bool help = false;
    bool version = false;
    std::string error;  // the first usage error
    bool options_ended = false;
    for (const fs::path& argument : arguments) {
        const std::string text = path_to_utf8(argument);
        if (!options_ended && is_option(text)) {
            if (text == "--") {
                options_ended = true;
            } else if (text == "--help" || text == "-h") {
                help = true;
            } else if (text == "--version") {
                version = true;
            } else if (text == "--strict") {
                run.strict = true;
            } else if (error.empty()) {
                error = "unknown option: " + text;
            }
        } else if (run.folder) {
            if (error.empty()) {
                error = "unexpected argument: " + text;
            }
        } else {
            run.folder = argument;
        }
    }

    command_line result;
    if (help) {
        result.help = true;
    } else if (version) {
        result.version = true;
    } else {
        if (error.empty() && run.folder) {
            error = folder_error(*run.folder);
        }
        if (error.empty()) {
            return run;
        }
        result.error = std::move(error);
    }
    return result;
}

std::string version_text() {
    std::string text = std::string("rostrum ") + program_version;
    if (*source_commit != '\0') {
        text += std::string(" (commit ") + source_commit + ")";
    }
    return text + "\n";
}

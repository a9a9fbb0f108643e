// plain_io: the plain I/O pass of the benchmark (bench/run.sh), the floor that rostrum's run is
// measured against. It reads every input file of a run completely and writes as many bytes into
// as many files as the run wrote, in the run's order, and does nothing else.
//
//   plain_io learn SEASON OUT LIST   after a rostrum run over the championship folder SEASON,
//                                    writes LIST: the files the run read and wrote, in run order,
//                                    and creates OUT's folders (a mirror of SEASON's folders)
//   plain_io full LIST               reads every input, writes every page and summary file
//   plain_io summary LIST            reads every input, writes only the summary files (what a run
//                                    finding every event page up to date writes)
//
// The files are written into OUT, not over rostrum's pages, with filler bytes. Learning takes
// every regular file of SEASON and its folders for an input except the files rostrum writes (the
// tables below, and the driver pages of "drivers/") and its temporary files, so SEASON should hold
// nothing else. The run order:
// the championship folder's inputs ("rostrum.conf" first), then for each folder in name order its
// inputs ("rostrum.conf" first) and its pages, then the summary files.
//
// LIST holds a line "season PATH" and "out PATH", then one line per file: "read PATH",
// "page SIZE PATH" or "summary SIZE PATH", PATH relative to SEASON (or OUT).
#include <algorithm>
#include <array>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// What rostrum writes, in the order it writes them.
const std::array<const char*, 2> page_names{"qualifying.html", "race.html"};
const std::array<const char*, 6> summary_names{"series.html", "teams.html", "season.json",
                                               "series.csv", "index.html", "rostrum.log"};
// The folder of the driver pages, written on every run after the summary files above (but the
// log).
constexpr const char* driver_folder = "drivers";
constexpr std::size_t chunk_size = 64 * 1024;

enum class file_role { read, page, summary };
const std::array<const char*, 3> role_words{"read", "page", "summary"};

struct file_entry {
    file_role role = file_role::read;
    std::uintmax_t size = 0;  // bytes to write; 0 for an input
    std::string path;         // relative to the season (an input) or the output folder
};

struct file_list {
    fs::path season;
    fs::path out;
    std::vector<file_entry> files;
};

template <std::size_t n>
bool is_one_of(const std::string& name, const std::array<const char*, n>& names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// rostrum's temporary page files: "." + page name + "." + process id + ".tmp".
bool is_temporary(const std::string& name) {
    return name.size() > 4 && name.front() == '.' && name.compare(name.size() - 4, 4, ".tmp") == 0;
}

std::vector<fs::directory_entry> sorted_entries(const fs::path& folder) {
    std::vector<fs::directory_entry> entries{fs::directory_iterator(folder), fs::directory_iterator()};
    std::sort(entries.begin(), entries.end(), [](const fs::directory_entry& a, const fs::directory_entry& b) {
        return a.path().filename().string() < b.path().filename().string();
    });
    // "rostrum.conf" is read before anything else in its folder.
    std::stable_partition(entries.begin(), entries.end(), [](const fs::directory_entry& e) {
        return e.path().filename() == "rostrum.conf";
    });
    return entries;
}

// Adds the inputs of `folder` (its files, then those of its subfolders) and, when `with_pages`,
// its pages; `below` is the folder's path relative to the season.
void learn_folder(const fs::path& season, const fs::path& below, bool with_pages, file_list& list) {
    std::vector<file_entry> pages;
    std::vector<fs::path> subfolders;
    for (const fs::directory_entry& entry : sorted_entries(season / below)) {
        const std::string name = entry.path().filename().string();
        const std::string path = (below / name).generic_string();
        if (entry.is_directory()) {
            subfolders.push_back(below / name);
        } else if (!entry.is_regular_file() || is_temporary(name)) {
            continue;
        } else if (with_pages && is_one_of(name, page_names)) {
            pages.push_back({file_role::page, entry.file_size(), path});
        } else {
            list.files.push_back({file_role::read, 0, path});
        }
    }
    for (const fs::path& subfolder : subfolders) {
        learn_folder(season, subfolder, false, list);
    }
    for (const char* page : page_names) {  // in the order rostrum writes them
        for (const file_entry& file : pages) {
            if (fs::path(file.path).filename() == page) {
                list.files.push_back(file);
            }
        }
    }
}

file_list learn(const fs::path& season) {
    file_list list;
    list.season = fs::absolute(season);
    std::vector<fs::path> events;
    for (const fs::directory_entry& entry : sorted_entries(season)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory() && name != driver_folder) {
            events.push_back(name);
        } else if (entry.is_directory()) {
            continue;
        } else if (entry.is_regular_file() && !is_one_of(name, summary_names) && !is_temporary(name)) {
            list.files.push_back({file_role::read, 0, name});
        }
    }
    for (const fs::path& event : events) {
        learn_folder(season, event, true, list);
    }
    for (const char* name : summary_names) {
        const fs::path path = season / name;
        if (fs::is_regular_file(path)) {
            list.files.push_back({file_role::summary, fs::file_size(path), name});
        }
    }
    if (fs::is_directory(season / driver_folder)) {
        for (const fs::directory_entry& entry : sorted_entries(season / driver_folder)) {
            const std::string name = entry.path().filename().string();
            if (entry.is_regular_file() && !is_temporary(name)) {
                list.files.push_back({file_role::summary, entry.file_size(),
                                      (fs::path(driver_folder) / name).generic_string()});
            }
        }
    }
    return list;
}

// Creates the output folder's subfolders for every file of `list`.
void make_mirror(const file_list& list) {
    for (const file_entry& file : list.files) {
        if (file.role != file_role::read) {
            fs::create_directories((list.out / file.path).parent_path());
        }
    }
}

void save(const file_list& list, const fs::path& path) {
    std::ofstream out(path, std::ios_base::binary | std::ios_base::trunc);
    out << "season " << list.season.string() << "\nout " << list.out.string() << "\n";
    for (const file_entry& file : list.files) {
        out << role_words[static_cast<std::size_t>(file.role)];
        if (file.role != file_role::read) {
            out << ' ' << file.size;
        }
        out << ' ' << file.path << '\n';
    }
    if (!out.flush()) {
        throw std::runtime_error("unable to write " + path.string());
    }
}

file_list load(const fs::path& path) {
    std::ifstream in(path, std::ios_base::binary);
    if (!in) {
        throw std::runtime_error("unable to read " + path.string());
    }
    file_list list;
    std::string line;
    std::size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::istringstream fields(line);
        std::string word;
        fields >> word;
        fields.get();  // the space after the word
        std::string rest;
        std::getline(fields, rest);
        const auto role = std::find(role_words.begin(), role_words.end(), word);
        if (word == "season") {
            list.season = rest;
        } else if (word == "out") {
            list.out = rest;
        } else if (role != role_words.end()) {
            file_entry file;
            file.role = static_cast<file_role>(role - role_words.begin());
            if (file.role != file_role::read) {
                std::istringstream sized(rest);
                sized >> file.size;
                sized.get();
                std::getline(sized, rest);
            }
            file.path = rest;
            if (file.path.empty()) {
                throw std::runtime_error(path.string() + "(" + std::to_string(number) +
                                         "): no file name");
            }
            list.files.push_back(std::move(file));
        } else {
            throw std::runtime_error(path.string() + "(" + std::to_string(number) +
                                     "): unknown line: " + line);
        }
    }
    return list;
}

struct pass_totals {
    std::uintmax_t files_read = 0, bytes_read = 0, files_written = 0, bytes_written = 0;
};

void read_whole(const fs::path& path, std::vector<char>& buffer, pass_totals& totals) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        throw std::runtime_error("unable to open " + path.string());
    }
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
        totals.bytes_read += got;
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        throw std::runtime_error("unable to read " + path.string());
    }
    ++totals.files_read;
}

void write_filler(const fs::path& path, std::uintmax_t size, const std::vector<char>& filler,
                  pass_totals& totals) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        throw std::runtime_error("unable to create " + path.string());
    }
    bool failed = false;
    for (std::uintmax_t left = size; left > 0 && !failed;) {
        const std::size_t part = static_cast<std::size_t>(std::min<std::uintmax_t>(left, filler.size()));
        failed = std::fwrite(filler.data(), 1, part, file) != part;
        left -= part;
    }
    failed = std::fclose(file) != 0 || failed;
    if (failed) {
        throw std::runtime_error("unable to write " + path.string());
    }
    ++totals.files_written;
    totals.bytes_written += size;
}

pass_totals run_pass(const file_list& list, bool with_pages) {
    std::vector<char> buffer(chunk_size);
    std::vector<char> filler(chunk_size);
    const std::string line = "<tr><td>filler<td class=points>0</tr>\n";
    for (std::size_t i = 0; i < filler.size(); ++i) {
        filler[i] = line[i % line.size()];
    }
    pass_totals totals;
    for (const file_entry& file : list.files) {
        if (file.role == file_role::read) {
            read_whole(list.season / file.path, buffer, totals);
        } else if (file.role == file_role::summary || with_pages) {
            write_filler(list.out / file.path, file.size, filler, totals);
        }
    }
    return totals;
}

void print_totals(const pass_totals& t) {
    std::cout << "read " << t.files_read << " files, " << t.bytes_read << " bytes; wrote "
              << t.files_written << " files, " << t.bytes_written << " bytes\n";
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    try {
        if (arguments.size() == 4 && arguments[0] == "learn") {
            file_list list = learn(arguments[1]);
            list.out = fs::absolute(arguments[2]);
            make_mirror(list);
            save(list, arguments[3]);
            pass_totals sizes;
            for (const file_entry& file : list.files) {
                if (file.role == file_role::read) {
                    ++sizes.files_read;
                    sizes.bytes_read += fs::file_size(list.season / file.path);
                } else {
                    ++sizes.files_written;
                    sizes.bytes_written += file.size;
                }
            }
            print_totals(sizes);
        } else if (arguments.size() == 2 && (arguments[0] == "full" || arguments[0] == "summary")) {
            print_totals(run_pass(load(arguments[1]), arguments[0] == "full"));
        } else {
            std::cerr << "usage: plain_io learn SEASON OUT LIST | plain_io full LIST | "
                         "plain_io summary LIST\n";
            return 2;
        }
    } catch (const std::exception& e) {
        std::cerr << "plain_io: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

// Writes to the console streams as the scenario named by its first argument says, so that tests
// can observe from outside what reaches standard output, standard error and "rostrum.log".
#include <stdexcept>
#include <string>

#include "console/console.h"

int main(int argc, char** argv) {
    set_up_console();
    const std::string scenario = argc > 1 ? argv[1] : "";
    if (scenario == "progress") {
        log_stream() << "entering event directory: ev1\n  parsing MPR: r\xC3\xA9sum\xC3\xA9.mpr";
        log_stream() << ": race\n";
    } else if (scenario == "warning") {
        log_stream() << "entering event directory: ev1\n  parsing MPR: q.mpr";
        error_stream() << "\n  warning: unable to write ./ev1/race.html\n";
        log_stream() << ": qualifying\n";
        error_stream() << "done\n";
    } else if (scenario == "split") {
        error_stream().write("\xF0\x9F", 2);
        error_stream().flush();
        error_stream().write("\x98\x80", 2);
        error_stream() << "\n";
    } else if (scenario == "abandoned") {
        error_stream() << "\xE2\x82" << "A" << "\x80" << "B\n";
    } else if (scenario == "zero") {
        error_stream().write("a\0b\n", 4);
    } else if (scenario == "prompt") {
        wait_for_enter(false);
        error_stream() << "|";
        wait_for_enter(true);
    } else if (scenario == "output") {
        log_stream() << "held progress\n";
        write_output("r\xC3\xA9sum\xC3\xA9 \xF0\x9F\x98\x80\n");
        skip_log_file();
    } else if (scenario == "arguments") {
        // Every argument after the scenario's name, one per line.
        const auto arguments = program_arguments(argc, argv);
        for (std::size_t i = 1; i < arguments.size(); ++i) {
            write_output(path_to_utf8(arguments[i]) + "\n");
        }
        skip_log_file();
    } else if (scenario == "written") {
        write_output(error_stream_written() ? "yes\n" : "no\n");
        error_stream() << "warning\n";
        write_output(error_stream_written() ? "yes\n" : "no\n");
    } else if (scenario == "fatal") {
        report_fatal_error(std::range_error("bad conversion"));
        return 1;
    }
    return 0;
}

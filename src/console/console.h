#pragma once

#include <exception>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// The program's two output streams. Both take UTF-8 text.
//
// Until something is written to `error_stream`, the console stays silent: progress text written
// to `log_stream` is held in memory, and when the program ends it is saved to "rostrum.log" in the
// working directory (after the line "foo"). The first character written to `error_stream` moves
// both streams to the console for good: the held progress text goes to standard output first,
// then the error text to standard error, and no log file is written.
//
// Each gives the calling thread's stream: the console's, or while a `console_capture` lives on
// the thread, the one that records into it. A thread other than the one that started the program
// writes only while it holds a capture.
std::ostream& error_stream();  // warnings, errors, prompts
std::ostream& log_stream();    // progress text

// Console text recorded on one thread, to be written in its order on the thread of the console.
class console_record {
public:
    // Writes the recorded text to this thread's `log_stream` and `error_stream`, piece by piece in
    // the order it was written, flushing where the recording thread flushed.
    void replay() const;

private:
    friend class console_capture;
    struct piece {
        bool error;          // written to error_stream, else to log_stream
        bool flush = false;  // flushed after this text
        std::string text;
    };
    std::vector<piece> pieces;
};

// While it lives, this thread's `log_stream` and `error_stream` write into `record`; then they
// are the ones they were before.
class console_capture {
public:
    explicit console_capture(console_record& record);
    ~console_capture();
    console_capture(const console_capture&) = delete;
    console_capture& operator=(const console_capture&) = delete;

private:
    class buffer;
    struct streams;
    std::unique_ptr<streams> own;
    std::ostream* outer_log;
    std::ostream* outer_error;
};

// Prepares the console for UTF-8 output. The program calls it first, before writing anything.
void set_up_console();

// The program's arguments after its name, as paths. `argc` and `argv` are main's; on Windows they
// are not used: the arguments are read from the wide command line, so that names outside the
// ANSI code page arrive whole.
std::vector<std::filesystem::path> program_arguments(int argc, char** argv);

// Writes UTF-8 text to standard output and flushes it, whatever `log_stream` does: for the answer
// of a program run that prints information instead of processing a championship.
void write_output(std::string_view text);

// The program ends without writing "rostrum.log" (and without touching one that exists), even
// when nothing was written to `error_stream`.
void skip_log_file();

// Whether anything has been written to `error_stream` so far (so the console shows everything and
// no log file will be written).
bool error_stream_written();

// Writes "Press enter to exit" (exiting) or "Press enter to continue" to `error_stream`, then
// reads standard input up to a line feed, its end or an input error.
void wait_for_enter(bool exiting);

// Reports a fatal error on `error_stream` ("fatal error: " and the message; for a
// std::range_error also the hint about UTF-8 configuration files) and waits for Enter.
void report_fatal_error(const std::exception& error);

// UTF-16 to UTF-8; a unit 0xFFFE or 0xFFFF and a surrogate without its partner become U+FFFD.
std::string wide_to_utf8(std::u16string_view text);
#ifdef _WIN32
std::string wide_to_utf8(const std::wstring& text);
#endif

// A path as UTF-8 text, for messages and template names.
std::string path_to_utf8(const std::filesystem::path& path);

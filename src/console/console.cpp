#include "console/console.h"

#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <streambuf>

#include "console/console_platform.h"

namespace {

// Decodes the UTF-8 bytes written to it, loosely and incrementally, and hands every complete code
// point to a standard stream as UTF-16 units. It has no put area, so every byte reaches overflow.
class wconvert_buffer final : public std::streambuf {
public:
    explicit wconvert_buffer(console_platform::target target) : target(target) {}
    ~wconvert_buffer() override = default;

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) {
            return traits_type::eof();
        }
        const auto b = static_cast<unsigned char>(traits_type::to_char_type(c));
        if (b < 0x80) {
            code_point = b;
            pending = 0;  // an unfinished sequence is abandoned
            emit();
        } else if (b >= 0xF0) {
            code_point = std::uint32_t{b & 0x07u} << 18;
            pending = 3;
        } else if (b >= 0xE0) {
            code_point = std::uint32_t{b & 0x0Fu} << 12;
            pending = 2;
        } else if (b >= 0xC0) {
            code_point = std::uint32_t{b & 0x1Fu} << 6;
            pending = 1;
        } else if (pending > 0) {  // continuation byte; dropped when nothing is pending
            --pending;
            code_point |= std::uint32_t{b & 0x3Fu} << (6 * pending);
            if (pending == 0) {
                emit();
            }
        }
        return c;
    }

    std::streamsize xsputn(const char* s, std::streamsize n) override {
        for (std::streamsize i = 0; i < n; ++i) {
            overflow(traits_type::to_int_type(s[i]));
        }
        return n;
    }

    int sync() override { return console_platform::flush(target); }

private:
    void emit() {
        if (code_point < 0x10000) {
            const auto unit = static_cast<char16_t>(code_point);
            console_platform::put_units(target, &unit, 1);
        } else {
            const char16_t pair[2] = {
                static_cast<char16_t>(0xD800 + (((code_point - 0x10000) >> 10) & 0x3FF)),
                static_cast<char16_t>(0xDC00 + (code_point & 0x3FF)),
            };
            console_platform::put_units(target, pair, 2);
        }
    }

    console_platform::target target;
    int pending = 0;              // continuation bytes still expected
    std::uint32_t code_point = 0;  // the code point being assembled
};

// The buffer `error_stream` starts with. It holds nothing itself: the first character that reaches
// it moves both streams to the console. Until then `log_stream` writes into `log_buffer`, whose
// text becomes "rostrum.log" when the program ends without having switched.
class initial_cerrbuf final : public std::streambuf {
public:
    ~initial_cerrbuf() override;

    std::stringbuf* log_buffer_ptr() { return &log_buffer; }
    bool has_switched() const { return switched; }
    void skip_log_file() { log_file_wanted = false; }

protected:
    int_type overflow(int_type c) override;

private:
    bool switched = false;
    bool log_file_wanted = true;  // cleared by skip_log_file
    std::stringbuf log_buffer{std::ios_base::out};
};

// Constructed in this order, destroyed in the reverse order after the program run.
wconvert_buffer wcerr_buffer(console_platform::target::standard_error);
wconvert_buffer wcout_buffer(console_platform::target::standard_output);
initial_cerrbuf initial_buffer;

// The console's streams, for the thread that started the program.
std::ostream console_error(&initial_buffer);
std::ostream console_log(initial_buffer.log_buffer_ptr());

// The streams of a console capture living on this thread, if any. (Plain pointers: on MinGW a
// thread-local object with a destructor is unsafe, as its storage can go before it.)
thread_local std::ostream* captured_error = nullptr;
thread_local std::ostream* captured_log = nullptr;

}  // namespace

std::ostream& error_stream() { return captured_error != nullptr ? *captured_error : console_error; }

std::ostream& log_stream() { return captured_log != nullptr ? *captured_log : console_log; }

// Writes every character into a console record, as text of one of the two streams.
class console_capture::buffer final : public std::streambuf {
public:
    buffer(std::vector<console_record::piece>& pieces, bool error)
        : pieces(pieces), error(error) {}

protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            const char character = traits_type::to_char_type(c);
            xsputn(&character, 1);
        }
        return traits_type::not_eof(c);
    }

    std::streamsize xsputn(const char* s, std::streamsize n) override {
        if (pieces.empty() || pieces.back().error != error || pieces.back().flush) {
            pieces.push_back({error, false, {}});
        }
        pieces.back().text.append(s, static_cast<std::size_t>(n));
        return n;
    }

    int sync() override {
        if (!pieces.empty() && pieces.back().error == error) {
            pieces.back().flush = true;
        }
        return 0;
    }

private:
    std::vector<console_record::piece>& pieces;
    bool error;
};

struct console_capture::streams {
    explicit streams(console_record& record)
        : log_buffer(record.pieces, false), error_buffer(record.pieces, true) {}
    buffer log_buffer;
    buffer error_buffer;
    std::ostream log{&log_buffer};
    std::ostream error{&error_buffer};
};

console_capture::console_capture(console_record& record)
    : own(std::make_unique<streams>(record)), outer_log(captured_log), outer_error(captured_error) {
    captured_log = &own->log;
    captured_error = &own->error;
}

console_capture::~console_capture() {
    captured_log = outer_log;
    captured_error = outer_error;
}

void console_record::replay() const {
    for (const piece& each : pieces) {
        std::ostream& stream = each.error ? error_stream() : log_stream();
        stream << each.text;
        if (each.flush) {
            stream << std::flush;
        }
    }
}

namespace {

initial_cerrbuf::~initial_cerrbuf() {
    if (switched || !log_file_wanted) {
        return;
    }
    // Failures to create or write the log file are silent.
    std::ofstream file("rostrum.log", std::ios_base::out | std::ios_base::trunc |
                                          std::ios_base::binary);
    if (file) {
        file << "foo\n" << log_buffer.str();
        file.flush();
    }
}

initial_cerrbuf::int_type initial_cerrbuf::overflow(int_type c) {
    if (!switched) {
        console_error.rdbuf(&wcerr_buffer);
        console_error.clear();
        console_log.rdbuf(&wcout_buffer);
        console_log.clear();
        console_log << log_buffer.str();
        log_buffer.str({});
        switched = true;
    }
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return traits_type::not_eof(c);
    }
    return wcerr_buffer.sputc(traits_type::to_char_type(c));
}

}  // namespace

void set_up_console() { console_platform::set_up(); }

std::vector<std::filesystem::path> program_arguments(int argc, char** argv) {
    return console_platform::arguments(argc, argv);
}

void write_output(std::string_view text) {
    wcout_buffer.sputn(text.data(), static_cast<std::streamsize>(text.size()));
    wcout_buffer.pubsync();
}

void skip_log_file() { initial_buffer.skip_log_file(); }

bool error_stream_written() { return initial_buffer.has_switched(); }

void wait_for_enter(bool exiting) {
    error_stream() << (exiting ? "Press enter to exit" : "Press enter to continue") << std::flush;
    char32_t c = 0;
    while (console_platform::read_input_char(c) && c != U'\n') {
    }
}

void report_fatal_error(const std::exception& error) {
    error_stream() << "fatal error: " << error.what();
    if (dynamic_cast<const std::range_error*>(&error) != nullptr) {
        error_stream() << "\nmake sure all configuration files are saved in UTF-8 encoding";
    }
    error_stream() << std::endl;
    wait_for_enter(true);
}

std::string wide_to_utf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    const auto append = [&out](char32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit == 0xFFFE || unit == 0xFFFF) {
            append(0xFFFD);
        } else if (unit < 0xD800 || unit > 0xDFFF) {
            append(unit);
        } else if (unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                   text[i + 1] <= 0xDFFF) {
            append(0x10000 + ((char32_t{unit} - 0xD800) << 10) + (char32_t{text[i + 1]} - 0xDC00));
            ++i;
        } else {
            append(0xFFFD);
        }
    }
    return out;
}

std::string path_to_utf8(const std::filesystem::path& path) {
    return console_platform::path_to_utf8(path);
}

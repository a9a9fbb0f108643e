#pragma once

#include <ostream>
#include <sstream>
#include <string>

// Collects what is written to a stream (error_stream(), log_stream()) while the object lives, so
// that a test can see it without the program's console being switched.
class stream_capture {
public:
    explicit stream_capture(std::ostream& stream) : stream(stream), saved(stream.rdbuf(&buffer)) {}
    ~stream_capture() { stream.rdbuf(saved); }
    stream_capture(const stream_capture&) = delete;
    stream_capture& operator=(const stream_capture&) = delete;

    std::string text() const { return buffer.str(); }

private:
    std::ostream& stream;
    std::stringbuf buffer{std::ios_base::out};
    std::streambuf* saved;
};

#include "console/console.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

namespace {

TEST(console, wide_to_utf8_converts_pairs_and_replaces_lone_surrogates) {
    const struct {
        std::u16string input;
        std::string expected;
    } cases[] = {
        {u"", ""},
        {u"abc", "abc"},
        {u"\u00E9\u20AC", "\xC3\xA9\xE2\x82\xAC"},
        {{char16_t{0xD83D}, char16_t{0xDE00}}, "\xF0\x9F\x98\x80"},
        {{char16_t{0xD800}, u'A'}, "\xEF\xBF\xBD" "A"},
        {{char16_t{0xDC00}, char16_t{0xD800}}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {{u'x', char16_t{0xDBFF}}, "x\xEF\xBF\xBD"},
        {{char16_t{0xFFFE}, char16_t{0xFFFF}, char16_t{0xFFFD}},
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(wide_to_utf8(c.input), c.expected) << c.expected;
    }
}


// Text recorded on another thread comes out on the console's thread as it was written there: the
// two streams interleaved in their order, and a flush where that thread flushed.
TEST(console, a_record_made_on_another_thread_replays_in_order) {
    console_record record;
    std::thread([&record] {
        const console_capture capture(record);
        log_stream() << "entering r1\n  parsing MPR: race.mpr";
        log_stream() << '\n';
        error_stream() << "  warning: " << 3 << " things\n";
        log_stream() << "done" << std::endl;
    }).join();

    // Both streams of this thread into one buffer that notes every flush.
    struct noting_buffer : std::stringbuf {
        int sync() override {
            sputn("<flush>", 7);
            return 0;
        }
    } buffer;
    std::streambuf* const saved_log = log_stream().rdbuf(&buffer);
    std::streambuf* const saved_error = error_stream().rdbuf(&buffer);
    record.replay();
    log_stream().rdbuf(saved_log);
    error_stream().rdbuf(saved_error);
    EXPECT_EQ(buffer.str(), "entering r1\n  parsing MPR: race.mpr\n  warning: 3 things\ndone\n<flush>");
}

}  // namespace

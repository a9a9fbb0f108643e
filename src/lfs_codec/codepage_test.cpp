#include "lfs_codec/codepage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ios>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "support/thrown_by.h"

namespace {

using namespace std::string_view_literals;
namespace codepage = lfs_codec::codepage;

constexpr std::uint16_t replacement = 0xFFFD;

std::string hex(std::string_view bytes) {
    std::ostringstream text;
    text << std::hex << std::uppercase;
    for (const char c : bytes) {
        text << static_cast<unsigned>(static_cast<unsigned char>(c)) << ' ';
    }
    return text.str();
}

struct next_case {
    char letter;             // selector of the code page
    std::string_view input;  // the character, then what must be left over
    std::uint16_t unit;
    std::string_view rest;
};

// Characters as the published Windows code page tables give them, and the damaged input that
// decodes to U+FFFD without ending the text.
constexpr next_case next_cases[] = {
    {'L', "A", 'A', ""},
    {'L', "\xE9x", 0x00E9, "x"},
    {'G', "\xC1", 0x0391, ""},  // capital alpha
    {'G', "\xE1", 0x03B1, ""},
    {'G', "\xA2", 0x0386, ""},
    {'G', "\xAA", 0xF8F9, ""},  // the three bytes Windows gives Private Use characters
    {'G', "\xD2", 0xF8FA, ""},
    {'G', "\xFF", 0xF8FB, ""},
    {'C', "\xC0", 0x0410, ""},
    {'C', "\xFF", 0x044F, ""},
    {'C', "\xA8", 0x0401, ""},
    {'J', "\x82\xA0", 0x3042, ""},  // hiragana a
    {'J', "\x88\x9F", 0x4E9C, ""},
    {'J', "\x81\x40", 0x3000, ""},
    {'J', "\x83\x5E^1", 0x30BF, "^1"},  // a trailing byte 0x5E is not a caret
    {'J', "\xB1", 0xFF71, ""},          // half-width katakana, one byte
    {'J', "\x80x", 0x20AC, "x"},
    {'J', "\xA0x", 0xF8F0, "x"},
    {'J', "\\", '\\', ""},
    {'J', "\x85\x40x", replacement, "x"},  // unassigned pair: both bytes consumed
    {'J', "\xFD\x41x", replacement, "x"},
    {'J', "\x82", replacement, ""},  // lead byte at the end
    {'E', "\x8A", 0x0160, ""},
    {'E', "\xB9", 0x0105, ""},
    {'E', "\xE8", 0x010D, ""},
    {'T', "\xD0", 0x011E, ""},
    {'T', "\xFD", 0x0131, ""},
    {'T', "\xDE", 0x015E, ""},
    {'B', "\xC0", 0x0104, ""},
    {'B', "\xD0", 0x0160, ""},
    {'B', "\xA8", 0x00D8, ""},
    {'B', "\xA1", 0xF8FC, ""},
    {'B', "\xA5", 0xF8FD, ""},
    {'H', "\xA4\x40", 0x4E00, ""},
    {'H', "\xA4\xA4", 0x4E2D, ""},
    {'H', "\xA3\xE1", 0x20AC, ""},
    {'H', "\xF9\xF9", 0x2550, ""},
    {'H', "\x80x", 0x20AC, "x"},
    {'H', "\x81x", replacement, "x"},  // bytes that cannot start a character: one consumed
    {'H', "\xA0x", replacement, "x"},
    {'H', "\xC7x", replacement, "x"},
    {'H', "\xC8x", replacement, "x"},
    {'H', "\xFAx", replacement, "x"},
    {'H', "\xFFx", replacement, "x"},
    {'H', "\xC6", replacement, ""},
    {'S', "\xB0\xA1", 0x554A, ""},
    {'S', "\xD6\xD0", 0x4E2D, ""},
    {'S', "\x81\x40", 0x4E02, ""},
    {'S', "\x80x", 0x20AC, "x"},
    {'S', "\xFFx", 0xF8F5, "x"},
    {'S', "\xFE", replacement, ""},
    {'K', "\xB0\xA1", 0xAC00, ""},
    {'K', "\xC7\xD1", 0xD55C, ""},
    {'K', "\x81\x41", 0xAC02, ""},
    {'K', "\x80x", 0x20AC, "x"},
    {'K', "\xB0", replacement, ""},
};

TEST(codepage, next_gives_the_tables_characters_and_replaces_damaged_ones) {
    for (const next_case& c : next_cases) {
        SCOPED_TRACE(std::string(1, c.letter) + ": " + hex(c.input));
        std::string_view text = c.input;
        EXPECT_EQ(codepage::select(c.letter)->next(text), c.unit);
        EXPECT_EQ(text, c.rest);
    }
}

// Bytes 0x80 to 0x9F of the single-byte pages, as Windows maps them (the bytes a code page
// leaves unassigned give the C1 control of the same number).
struct high_row {
    char letter;
    std::uint16_t units[32];
};

constexpr high_row high_rows[] = {
    {'L', {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
           0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
           0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178}},
    {'E', {0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160,
           0x2039, 0x015A, 0x0164, 0x017D, 0x0179, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
           0x2013, 0x2014, 0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A}},
    {'C', {0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
           0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
           0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F}},
    {'G', {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x008A,
           0x2039, 0x008C, 0x008D, 0x008E, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
           0x2013, 0x2014, 0x0098, 0x2122, 0x009A, 0x203A, 0x009C, 0x009D, 0x009E, 0x009F}},
    {'T', {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
           0x2039, 0x0152, 0x008D, 0x008E, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
           0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x009E, 0x0178}},
    {'B', {0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x008A,
           0x2039, 0x008C, 0x00A8, 0x02C7, 0x00B8, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
           0x2013, 0x2014, 0x0098, 0x2122, 0x009A, 0x203A, 0x009C, 0x00AF, 0x02DB, 0x009F}},
};

TEST(codepage, single_byte_pages_map_every_byte_of_the_high_row) {
    for (const high_row& row : high_rows) {
        for (unsigned b = 0x80; b <= 0x9F; ++b) {
            SCOPED_TRACE(std::string(1, row.letter) + ": " + std::to_string(b));
            const char byte = static_cast<char>(b);
            std::string_view text(&byte, 1);
            EXPECT_EQ(codepage::select(row.letter)->next(text), row.units[b - 0x80]);
            EXPECT_TRUE(text.empty());
        }
    }
}

TEST(codepage, latin1_maps_bytes_from_0xa0_to_their_own_code_points) {
    for (unsigned b = 0xA0; b <= 0xFF; ++b) {
        const char byte = static_cast<char>(b);
        std::string_view text(&byte, 1);
        EXPECT_EQ(codepage::latin1::instance().next(text), b);
    }
}

TEST(codepage, next_on_an_empty_view_names_its_class) {
    constexpr std::pair<char, const char*> cases[] = {
        {'L', "runtime_error: latin1::next: empty string"},
        {'G', "runtime_error: greek::next: empty string"},
        {'C', "runtime_error: cyrillic::next: empty string"},
        {'J', "runtime_error: japanese::next: empty string"},
        {'E', "runtime_error: european::next: empty string"},
        {'T', "runtime_error: turkish::next: empty string"},
        {'B', "runtime_error: baltic::next: empty string"},
        {'H', "runtime_error: traditional_chinese::next: empty string"},
        {'S', "runtime_error: simplified_chinese::next: empty string"},
        {'K', "runtime_error: korean::next: empty string"},
    };
    for (const auto& [letter, message] : cases) {
        std::string_view text;
        EXPECT_EQ(thrown_by([&] { codepage::select(letter)->next(text); }), message);
    }
}

TEST(codepage, select_knows_the_ten_upper_case_letters_only) {
    EXPECT_EQ(codepage::select('L'), &codepage::latin1::instance());
    EXPECT_EQ(codepage::select('G'), &codepage::greek::instance());
    EXPECT_EQ(codepage::select('C'), &codepage::cyrillic::instance());
    EXPECT_EQ(codepage::select('J'), &codepage::japanese::instance());
    EXPECT_EQ(codepage::select('E'), &codepage::european::instance());
    EXPECT_EQ(codepage::select('T'), &codepage::turkish::instance());
    EXPECT_EQ(codepage::select('B'), &codepage::baltic::instance());
    EXPECT_EQ(codepage::select('H'), &codepage::traditional_chinese::instance());
    EXPECT_EQ(codepage::select('S'), &codepage::simplified_chinese::instance());
    EXPECT_EQ(codepage::select('K'), &codepage::korean::instance());
    for (const char letter : "lgcjetbhskAZ0^\xCC"sv) {
        EXPECT_EQ(codepage::select(letter), nullptr) << letter;
    }
}

TEST(codepage, latin1_encodes_the_characters_of_code_page_1252) {
    // The 27 characters at 0x80 to 0x9F, then ASCII and the upper half.
    const std::string utf8 =
        "\u20AC\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039\u0152\u017D\u2018"
        "\u2019\u201C\u201D\u2022\u2013\u2014\u02DC\u2122\u0161\u203A\u0153\u017E\u0178"
        "Az~\u00A0\u00E9\u00FF";
    EXPECT_EQ(codepage::latin1::encode(utf8),
              "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92\x93\x94\x95\x96\x97"
              "\x98\x99\x9A\x9B\x9C\x9E\x9F"
              "Az~\xA0\xE9\xFF");
    EXPECT_EQ(codepage::latin1::encode(""), "");
}

TEST(codepage, latin1_encode_rejects_invalid_utf8_and_foreign_characters) {
    constexpr std::pair<std::string_view, const char*> cases[] = {
        {"ab\xC3", "range_error: bad conversion"},            // cut sequence
        {"\x80", "range_error: bad conversion"},              // stray continuation byte
        {"\xC0\x80", "range_error: bad conversion"},          // overlong
        {"\xED\xA0\x80", "range_error: bad conversion"},      // surrogate
        {"\xF4\x90\x80\x80", "range_error: bad conversion"},  // above U+10FFFF
        {"\xC3\x28", "range_error: bad conversion"},          // bad continuation byte
        {"\xD0\x90", "runtime_error: latin1::encode_next: unable to encode code point"},  // А
        {"\xC2\x81", "runtime_error: latin1::encode_next: unable to encode code point"},
        {"\xC2\x9D", "runtime_error: latin1::encode_next: unable to encode code point"},
        {"\xF0\x9F\x8F\x81", "runtime_error: latin1::encode_next: unable to encode code point"},
    };
    for (const auto& [utf8, message] : cases) {
        EXPECT_EQ(thrown_by([&] { codepage::latin1::encode(utf8); }), message) << hex(utf8);
    }
}

}  // namespace

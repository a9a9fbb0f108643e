#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace lfs_codec::codepage_platform {
class converter;
}

// The code pages a simulator text may switch between. One object of each class exists, created
// on first use (thread-safe) and living until the program ends; after that it is read-only.
namespace lfs_codec::codepage {

class base {
public:
    // Removes the bytes of one character (one or two) from the front of `text` and returns the
    // character as one UTF-16 unit. Throws std::runtime_error "<class>::next: empty string" when
    // `text` is empty. Never fails otherwise: a character the code page cannot convert, a lead
    // byte with no trailing byte and a byte that cannot start a character give U+FFFD (the bytes
    // that were there are consumed), so a damaged name never ends a run.
    virtual std::uint16_t next(std::string_view& text) const = 0;
    virtual ~base();
};

// Windows code page 1252, by the program's own table (no platform conversion).
class latin1 final : public base {
public:
    static const latin1& instance();

    std::uint16_t next(std::string_view& text) const override;

    // UTF-8 text to code page 1252 bytes, one code point at a time by encode_next. Throws
    // std::range_error "bad conversion" for invalid UTF-8.
    static std::string encode(std::string_view utf8);
    // One code point to its code page 1252 byte. Throws std::runtime_error
    // "latin1::encode_next: unable to encode code point" when the code page lacks it.
    static char encode_next(char32_t code_point);
};

// A code page whose characters the platform converts (every one but latin1). Creating one opens
// the platform's converter; it throws std::runtime_error when the platform has none.
class converted : public base {
public:
    ~converted() override;

protected:
    explicit converted(unsigned code_page);

    // Removes one byte from `text` (not empty) and converts it.
    std::uint16_t convert_single(std::string_view& text) const;
    // `next` of a single-byte code page: ASCII as it is, every other byte converted.
    std::uint16_t next_single_byte(std::string_view& text, const char* empty_message) const;
    // Removes the lead byte at the front of `text` (not empty) with its trailing byte and
    // converts both; U+FFFD when the lead byte is the last byte.
    std::uint16_t convert_pair(std::string_view& text) const;

private:
    unsigned code_page_;
    std::unique_ptr<const codepage_platform::converter> converter_;
};

// Windows code page 1253.
class greek final : public converted {
public:
    static const greek& instance();
    std::uint16_t next(std::string_view& text) const override;

private:
    greek();
};

// Windows code page 1251.
class cyrillic final : public converted {
public:
    static const cyrillic& instance();
    std::uint16_t next(std::string_view& text) const override;

private:
    cyrillic();
};

// Windows code page 932 (Shift JIS).
class japanese final : public converted {
public:
    static const japanese& instance();
    std::uint16_t next(std::string_view& text) const override;

private:
    japanese();
};

// Windows code page 1250.
class european final : public converted {
public:
    static const european& instance();
    std::uint16_t next(std::string_view& text) const override;

private:
    european();
};

// Windows code page 1254.
class turkish final : public converted {
public:
    static const turkish& instance();
    std::uint16_t next(std::string_view& text) const override;

private:
    turkish();
};

// Windows code page 1257.
class baltic final : public converted {
public:
    static const baltic& instance();
    std::uint16_t next(std::string_view& text) const override;

private:
    baltic();
};

// Windows code page 950 (Big5).
class traditional_chinese final : public converted {
public:
    static const traditional_chinese& instance();
    std::uint16_t next(std::string_view& text) const override;

private:
    traditional_chinese();
};

// Windows code page 936 (GBK).
class simplified_chinese final : public converted {
public:
    static const simplified_chinese& instance();
    std::uint16_t next(std::string_view& text) const override;

private:
    simplified_chinese();
};

// Windows code page 949 (Unified Hangul Code).
class korean final : public converted {
public:
    static const korean& instance();
    std::uint16_t next(std::string_view& text) const override;

private:
    korean();
};

// The code page of a selector letter: "L" latin1, "G" greek, "C" cyrillic, "J" japanese,
// "E" european, "T" turkish, "B" baltic, "H" traditional_chinese, "S" simplified_chinese,
// "K" korean (upper case only); nullptr for any other byte.
const base* select(char letter);

}  // namespace lfs_codec::codepage

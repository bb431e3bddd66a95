// How the tools read the bytes of a text as characters. The translator
// itself never decodes: every byte is a byte of a word. Editors, browsers and
// the protocols the tools speak count characters, so every tool that turns
// bytes into characters does it here, by one rule: a well-formed UTF-8
// sequence is one character, and a byte that begins none (or the longest
// well-formed start of a sequence that is cut short) stands for one U+FFFD,
// as TextDecoder and the editors decode it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kelvo {

// What editors save as "UTF-8 with BOM": at the very start of a file it is
// no part of the text; anywhere else, bytes of a word.
inline constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

inline bool starts_with_byte_order_mark(std::string_view text) { return text.starts_with(byte_order_mark); }

// One character of a text: its bytes, and whether they are well-formed
// UTF-8 (else they stand for one U+FFFD).
struct Utf8Character {
    std::size_t length = 1;
    bool valid = true;
    char32_t code = 0;  // the code point of a well-formed one
};

// The character that begins at text[at] (at < text.size()).
constexpr Utf8Character utf8_character(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) return {1, true, lead};
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong form
        high = lead == 0xED ? 0x9F : 0xBF;  // no surrogate
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;   // no overlong form
        high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing past U+10FFFF
    } else {
        return {1, false, 0};
    }
    char32_t code = lead & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if (at + k >= text.size()) return {k, false, 0};
        const auto next = static_cast<unsigned char>(text[at + k]);
        if (next < low || next > high) return {k, false, 0};
        code = (code << 6) | (next & 0x3Fu);
        low = 0x80;
        high = 0xBF;
    }
    return {length, true, code};
}

// The units of one character in each of the encodings the tools speak.
enum class Encoding : std::uint8_t { utf8, utf16, utf32 };

constexpr std::size_t units_of(const Utf8Character& c, Encoding encoding) {
    if (encoding == Encoding::utf8) return c.length;
    return encoding == Encoding::utf16 && c.valid && c.length == 4 ? 2 : 1;
}

// The units of text[from, to) (from at the start of a character).
constexpr std::size_t units_of(std::string_view text, Encoding encoding, std::size_t from = 0,
                               std::size_t to = std::string_view::npos) {
    if (to > text.size()) to = text.size();
    if (encoding == Encoding::utf8) return to > from ? to - from : 0;
    std::size_t units = 0;
    while (from < to) {
        const Utf8Character c = utf8_character(text, from);
        units += units_of(c, encoding);
        from += c.length;
    }
    return units;
}

// The bytes of `text` that its first `units` units take; a place inside a
// character is its start, past the end the end.
constexpr std::size_t bytes_of_units(std::string_view text, std::size_t units, Encoding encoding) {
    if (encoding == Encoding::utf8) return units < text.size() ? units : text.size();
    std::size_t at = 0;
    std::size_t counted = 0;
    while (at < text.size()) {
        const Utf8Character c = utf8_character(text, at);
        counted += units_of(c, encoding);
        if (counted > units) break;
        at += c.length;
    }
    return at;
}

// Whether every byte is ASCII: then bytes are units in every encoding.
constexpr bool is_ascii(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Whether the bytes are well-formed UTF-8 throughout.
constexpr bool is_utf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const Utf8Character c = utf8_character(text, i);
        if (!c.valid) return false;
        i += c.length;
    }
    return true;
}

}  // namespace kelvo

// The values of the host script: a number (a double) or a text (bytes). A
// text that is a host string literal remembers where its first byte stands
// in the host text, so that a user script body run from it can name its
// places in the host text.
#pragma once

#include <cstddef>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kelvo::preview {

inline constexpr std::size_t no_origin = std::numeric_limits<std::size_t>::max();

struct Value {
    enum class Kind : unsigned char { number, text };

    Kind kind = Kind::number;
    double number = 0;
    // Shared, never changed once made: a copy of a text value is cheap.
    std::shared_ptr<const std::string> text;
    // Where the text's bytes stand in the host text, or no_origin.
    std::size_t origin = no_origin;

    static Value of(double number) { return Value{Kind::number, number, nullptr, no_origin}; }
    static Value of_text(std::string text, std::size_t origin = no_origin) {
        return Value{Kind::text, 0, std::make_shared<const std::string>(std::move(text)), origin};
    }
    bool is_text() const { return kind == Kind::text; }
    std::string_view view() const { return text ? std::string_view(*text) : std::string_view(); }
};

// The host's truth rule: a number counts as true when it is above 0.5.
inline bool is_true(double number) { return number > 0.5; }

// A number as the host shows it: a whole number without decimals, any
// other rounded to two decimals ("2.50", "-0.33"; "0.00" for one that
// rounds to no hundredths, of either sign).
std::string number_text(double number);

// A value as draw_text and show_message show it.
std::string shown_text(const Value& value);

// The number of a host number literal (digits, optionally a point and more
// digits); nullopt when it is too large to hold.
std::optional<double> read_number(std::string_view literal);

// The nearest whole number, halves away from zero, as a count or a
// position, kept within [-2^62, 2^62].
long long whole(double number);

}  // namespace kelvo::preview

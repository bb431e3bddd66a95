// Which warnings a tool shows, and which of them it counts as errors: one
// choice for all of them, and a choice of its own for any one of them, as
// the command line's -W options and the language server's `warnings`
// option make it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/report.h"

namespace kelvo {

enum class WarningLevel : std::uint8_t {
    off,    // not reported, nor the notes that go with it
    on,     // reported as a warning
    error,  // reported, and counted as an error
};

class WarningChoice {
public:
    // --warnings (on), --warnings=error, -w (off): every warning that has no
    // choice of its own.
    void choose_all(WarningLevel level) { all_ = level; }
    // -WCODE (on), -Wno-CODE (off), -Werror=CODE: this warning, whatever the
    // choice for all says before or after it. `on` turned on again under
    // --warnings=error counts as an error, as all the others do.
    void choose(Code code, WarningLevel level) { own_[static_cast<std::size_t>(code)] = level; }

    // The level of a warning's code; every other code is `on`.
    WarningLevel level(Code code) const;
    WarningLevel all() const { return all_; }

private:
    WarningLevel all_ = WarningLevel::on;
    std::array<std::optional<WarningLevel>, code_count> own_{};
};

// How a code name stands to the choice: a warning's, another code's, or no
// code's at all.
enum class WarningName { warning, not_warning, unknown };
WarningName warning_named(std::string_view name, Code& code);

// The usage error of a code name that no choice takes (empty: a warning's).
std::string warning_name_error(std::string_view name, WarningName kind);

// Applies one -W option of the command line: -WCODE, -Wno-CODE,
// -Werror=CODE, or -Werror alone (every warning an error). Returns the
// usage error, or the empty text when applied.
std::string choose_by_option(WarningChoice& choice, std::string_view option);

// Applies one entry of the language server's `warnings` option: a code
// name and "off", "on" or "error" (or "*" for every warning). Returns what
// is wrong with it, or the empty text when applied.
std::string choose_by_entry(WarningChoice& choice, std::string_view name, std::string_view level);

// What the choice makes of each report of a run, told in order: a message
// is `on`; a warning has its level; a note, and a message that follows
// from the one before it, go with the report they follow, so that the
// notes of a warning turned off go with it.
class WarningFilter {
public:
    explicit WarningFilter(const WarningChoice& choice) : choice_(choice) {}
    WarningLevel level_of(const Report& report);

private:
    WarningChoice choice_;
    WarningLevel last_ = WarningLevel::on;
};

}  // namespace kelvo

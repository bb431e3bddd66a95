// The diagnostics hook: what a tool that listens learns of a run besides its
// result. The library itself never listens; with no hook installed nothing
// of it is computed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kelvo {

// A place in the source file as stored: the physical line (1-based) and the
// byte column in it (1-based). Line 0 is no place (a message about the run
// as a whole).
struct SourcePosition {
    std::size_t line = 0;
    std::size_t column = 0;
};

enum class Severity {
    error,    // a message of the run, also appended to error_text
    warning,  // one of the language's silent traps
    note,     // more about the report before it
};

struct Report {
    Severity severity = Severity::error;
    std::string_view code;    // a short name of the kind, such as "unknown-variable"
    std::string_view text;    // the text, without a line feed
    SourcePosition position;  // where the word it is about begins
    std::size_t length = 0;   // the bytes of the file that word spans (0 where it is a point)
};

// A name that a `var` or `function` line declared.
struct Declaration {
    enum class Kind { variable, script };
    Kind kind = Kind::variable;
    std::string_view name;
    SourcePosition position;          // of the name
    SourcePosition keyword_position;  // of `var` or `function`
    std::int32_t argument_count = 0;  // a script's
    std::string_view parameters;      // a script's parameter names, as the line writes them
};

class DiagnosticsHook {
public:
    DiagnosticsHook() = default;
    DiagnosticsHook(const DiagnosticsHook&) = delete;
    DiagnosticsHook& operator=(const DiagnosticsHook&) = delete;

    virtual void report(const Report& report) = 0;
    // The argument count that `end` writes: a tool that listens takes it
    // instead of standard output. `line` is where the `end` line began.
    virtual void argument_count(std::int32_t count, std::size_t line) = 0;
    // What an editor needs besides the reports: the names the source
    // declares, and where each definition ends (at its `end` word).
    virtual void declared(const Declaration&) {}
    virtual void definition_closed(SourcePosition) {}

protected:
    ~DiagnosticsHook() = default;
};

}  // namespace kelvo

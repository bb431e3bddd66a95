// One document translated on its own, from the library's loaded state, and
// what the translation told about it: its reports and the names it declares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "library/session.h"

namespace kelvo::lsp {

struct Finding {
    Severity severity = Severity::error;
    std::string code;
    std::string text;
    SourcePosition position;
    std::size_t length = 0;
};

// A variable or script the document declares.
struct Symbol {
    Declaration::Kind kind = Declaration::Kind::variable;
    std::string name;
    SourcePosition position;          // of the name
    SourcePosition keyword_position;  // of `var` or `function`
    std::int32_t argument_count = 0;
    std::vector<std::string> parameters;
    std::size_t last_line = 0;  // a script's definition runs to this line (0: to the end)
};

// The global arguments a client gives, as --define and --define-string do.
struct Globals {
    std::vector<std::pair<std::string, std::string>> real;
    std::vector<std::pair<std::string, std::string>> text;
};

struct Analysis {
    std::vector<Finding> findings;
    std::vector<Symbol> symbols;
};

Analysis analyse(std::string text, const Globals& globals);

}  // namespace kelvo::lsp

// The answers that change a document: rename, quick fixes and formatting.
// Each keeps what the translation means: a rename changes the renamed name
// and nothing else; formatting changes no byte of the result or of the
// messages.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "features.h"

namespace kelvo::lsp {

struct TextEdit {
    Span span;
    std::string text;
};

// Why a rename cannot be made, in a sentence for the author.
struct Refusal {
    std::string reason;
};

// The name under a place that a rename would change.
struct Renamable {
    Span span;
    std::string name;
};
std::variant<Renamable, Refusal> prepare_rename(const Document& document, const Analysis& analysis,
                                                 std::size_t offset);
std::variant<std::vector<TextEdit>, Refusal> rename(const Document& document, const Analysis& analysis,
                                                    const Globals& globals, std::size_t offset,
                                                    const std::string& name);

struct CodeAction {
    std::string title;
    std::vector<TextEdit> edits;
    std::optional<Diagnostic> fixes;  // the diagnostic it answers
    bool preferred = false;
};
// The quick fixes for the findings that touch a range.
std::vector<CodeAction> code_actions(const Document& document, const Analysis& analysis, Span range);

struct FormatOptions {
    std::size_t tab_size = 4;
    bool insert_spaces = true;
};
// Indents blocks and definition bodies on the lines that touch a range.
std::vector<TextEdit> format(const Document& document, const Analysis& analysis, const FormatOptions& options,
                             Span range);

}  // namespace kelvo::lsp

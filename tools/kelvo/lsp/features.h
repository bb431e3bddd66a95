// What the language server answers about a document, worked out from the
// translator's analysis of it and nothing else: plain structures in byte
// offsets of the document. protocol.h turns them into the protocol's JSON
// and its places.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "library/analysis.h"
#include "library/session.h"
#include "positions.h"

namespace kelvo::lsp {

// The global arguments a client gives, as --define and --define-string do.
struct Globals {
    std::vector<std::pair<std::string, std::string>> real;
    std::vector<std::pair<std::string, std::string>> text;
};

SessionOptions session_options(const Globals& globals);

// Bytes [begin, end) of the document.
struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool operator==(const Span&) const = default;
};

// The bytes of an analysed word, of a translator's span, and of a
// translator's position `length` bytes long, in the document.
Span span_of(const Document& document, const SourceSpan& span);
Span span_of(const Document& document, SourcePosition position, std::size_t length);

// The analysed word at a byte offset (the one holding it, or ending right
// at it); null inside comments, dropped words and blanks.
const AnalysedWord* analysed_word_at(const Document& document, const Analysis& analysis, std::size_t offset);

// Hover: a piece of code, prose, and the host text a term became, in that
// order; the protocol writes them as Markdown or as plain text.
struct Hover {
    Span span;
    std::string code;
    std::string prose;
    std::optional<std::string> host;
};
std::optional<Hover> hover(const Document& document, const Analysis& analysis, const Globals& globals,
                           std::size_t offset);

std::optional<Span> definition(const Document& document, const Analysis& analysis, std::size_t offset);

struct CompletionItem {
    enum class Kind { keyword, constant, global, variable, script, parameter };
    std::string label;
    Kind kind = Kind::keyword;
    std::string detail;
};
std::vector<CompletionItem> completion(const Document& document, const Analysis& analysis, const Globals& globals,
                                       std::size_t offset);

struct SignatureHelp {
    std::string label;                    // "circle x y r outline"
    std::vector<std::string> parameters;  // each a part of the label
    std::string documentation;
    std::size_t active = 0;
};
std::optional<SignatureHelp> signature_help(const Document& document, const Analysis& analysis, std::size_t offset);

struct InlayHint {
    std::size_t offset = 0;  // the hint stands before the byte here
    std::string label;       // "x:"
};
std::vector<InlayHint> inlay_hints(const Document& document, const Analysis& analysis, Span range);

// Places where a variable, script or parameter stands; the declaration first
// where it is asked for and there is one.
struct Occurrence {
    Span span;
    bool declaration = false;
};
// A word a line drops untranslated (after an unknown first word, or after
// the line's one term) counts where it spells the name exactly and stands
// where the name is known: fixing its line would make it that name.
std::vector<Occurrence> occurrences(const Document& document, const Analysis& analysis, std::size_t offset);

// The words a line drops that spell `name` exactly: whole words outside
// comments and quotes that the analysis holds no word for.
std::vector<Span> dropped_spellings(const Document& document, const Analysis& analysis, std::string_view name);

// What the dropped word at a byte offset would name were its line
// translated: a parameter of the definition around it, or a variable or
// script declared on a line above; kind, declaration and parameter as the
// analysis gives them. Nothing where it would name none of these.
std::optional<AnalysedWord> dropped_name_at(const Document& document, const Analysis& analysis, std::size_t offset);

struct FoldingRange {
    std::size_t first_line = 0;  // the protocol's lines
    std::size_t last_line = 0;
};
std::vector<FoldingRange> folding_ranges(const Document& document, const Analysis& analysis);

struct Symbol {
    std::string name;
    std::string detail;
    bool script = false;
    Span range;
    Span selection;
};
std::vector<Symbol> document_symbols(const Document& document, const Analysis& analysis);

struct Diagnostic {
    Span span;
    Severity severity = Severity::error;
    std::string code;
    std::string message;
};
// The first `most_published` findings, and then one that tells how many
// more there are: the tool on the command line reports them all.
constexpr std::size_t most_published = 1000;
Diagnostic diagnostic_of(const Document& document, const Analysis& analysis, const Finding& finding);
std::vector<Diagnostic> diagnostics(const Document& document, const Analysis& analysis);

// The signature of a declared script: "function name 2 a b".
std::string signature_text(const DeclaredName& script);

// The script definition whose lines hold a translator's line, if any.
const DeclaredName* definition_around(const Analysis& analysis, std::size_t line);

}  // namespace kelvo::lsp

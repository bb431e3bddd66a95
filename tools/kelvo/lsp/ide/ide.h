// What the language server answers about a document, worked out from the
// translator's analysis of it and nothing else, one feature to a file. The
// features speak in byte offsets of the document and know no protocol and
// no encoding: lsp/protocol.h turns their answers into the protocol's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/warning_choice.h"
#include "library/analysis.h"
#include "library/line_index.h"
#include "library/session.h"
#include "preview/linked/linked.h"
#include "vocabulary/keywords.h"

namespace kelvo::ide {

// Bytes [begin, end) of the document.
struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool operator==(const Span&) const = default;
};

inline Span span_of(Bytes b) { return {b.begin, b.end}; }
inline bool touches(Span a, Span b) { return a.begin <= b.end && b.begin <= a.end; }

// What a feature reads: the analysis of the document (its text is
// `analysis.source`), the document's lines as editors count them (a lone
// CR ends one) and as the translator counts them, and the global arguments
// it was translated with.
struct Subject {
    const Analysis& analysis;
    const LineIndex& lines;
    const LineIndex& source_lines;
    std::span<const GlobalArgument> globals;

    std::string_view text() const { return analysis.source; }
    // The translator's physical line (1-based) of an offset.
    std::size_t source_line(std::size_t offset) const { return source_lines.line_of(offset) + 1; }
};

// The term that a word begins, if any (terms are in the order of their first words).
const AnalysedTerm* term_begun_by(const Analysis& analysis, std::size_t word);
// The declaration a variable, script or parameter word names, if any.
const DeclaredName* declaration_of(const Analysis& analysis, const AnalysedWord& word);
// The text of a script's parameter.
std::string_view parameter_of(const Analysis& analysis, const DeclaredName& script, std::size_t index);
// The signature of a declared script: "function name 2 a b".
std::string signature_text(const Analysis& analysis, const DeclaredName& script);
// The script definition whose lines hold a translator's line, if any.
const DeclaredName* definition_around(const Analysis& analysis, std::size_t line);
// The terms of the analysed lines that begin on translator lines [first, last].
std::pair<std::size_t, std::size_t> terms_on(const Analysis& analysis, std::size_t first, std::size_t last);

// What a term's operands are called: a call's or statement's operand names,
// or a declared script's parameters.
struct Callee {
    std::string name;
    std::vector<std::string> operands;
    std::string documentation;
    bool call = false;  // a built-in call or a script: its operands are values
};
std::optional<Callee> callee_of(const Analysis& analysis, const AnalysedTerm& term);

// What a word names, where it is a variable, script or parameter of this run.
struct Identity {
    enum class Kind : std::uint8_t { none, variable, script, parameter };
    Kind kind = Kind::none;
    std::int32_t declaration = -1;
    std::int32_t parameter = -1;
    bool operator==(const Identity&) const = default;
};
Identity identity_of(const AnalysedWord& word);
// The word at a byte offset, or the word a line dropped there; null where
// there is none.
const AnalysedWord* word_or_dropped_at(const Analysis& analysis, std::size_t offset);
std::string_view text_of(const Analysis& analysis, const AnalysedWord& word);

// ---- the features ----------------------------------------------------------

// Hover: a piece of code, prose, and the host text a term became, in that
// order; the protocol writes them as Markdown or as plain text.
struct Hover {
    Span span;
    std::string code;
    std::string prose;
    std::optional<std::string> host;
};
std::optional<Hover> hover(const Subject& s, std::size_t offset);

std::optional<Span> definition(const Subject& s, std::size_t offset);

struct CompletionItem {
    enum class Kind { keyword, constant, global, variable, script, parameter };
    std::string label;
    Kind kind = Kind::keyword;
    std::string detail;
};
std::vector<CompletionItem> completion(const Subject& s, std::size_t offset);

struct SignatureHelp {
    std::string label;                    // "circle x y r outline"
    std::vector<std::string> parameters;  // each a part of the label
    std::string documentation;
    std::size_t active = 0;
};
std::optional<SignatureHelp> signature_help(const Subject& s, std::size_t offset);

struct InlayHint {
    std::size_t offset = 0;  // the hint stands before the byte here
    std::string label;       // "x:"
};
std::vector<InlayHint> inlay_hints(const Subject& s, Span range);

// Places where a variable, script or parameter stands; the declaration first
// where it is asked for and there is one. A word a line drops counts where
// the run found it would name the same: fixing its line would make it that.
struct Occurrence {
    Span span;
    bool declaration = false;
};
std::vector<Occurrence> occurrences(const Subject& s, std::size_t offset);

struct FoldingRange {
    std::size_t first = 0;  // the editors' lines
    std::size_t last = 0;
};
std::vector<FoldingRange> folding_ranges(const Subject& s);

struct Symbol {
    std::string name;
    std::string detail;
    bool script = false;
    Span range;
    Span selection;
};
std::vector<Symbol> document_symbols(const Subject& s);

// A note that belongs to a diagnostic: what follows from it, at its place.
struct RelatedNote {
    Span span;
    std::string message;
};
struct Diagnostic {
    Span span;
    Severity severity = Severity::error;
    Code code = Code::internal_error;
    std::string message;
    bool more = false;  // the one that tells how many are left out
    // The findings that follow from this one (a missing operand's later
    // messages), shown with it rather than as findings of their own.
    std::vector<RelatedNote> related;
};
// The first `most_published` findings, and then one that tells how many
// more there are: the tool on the command line reports them all.
constexpr std::size_t most_published = 1000;
Diagnostic diagnostic_of(const Subject& s, const Finding& finding);
// `warnings`: which warnings are shown (with their notes), and which as errors.
std::vector<Diagnostic> diagnostics(const Subject& s, const WarningChoice& warnings = {});

// ---- the answers that change a document -------------------------------------
//
// Each keeps what the translation means: a rename changes the renamed name
// and nothing else; formatting changes no byte of the result or of the
// messages.

struct TextEdit {
    Span span;
    std::string text;
};

// Why a request cannot be done, in a sentence for the author.
struct Refusal {
    std::string reason;
};

// The name under a place that a rename would change.
struct Renamable {
    Span span;
    std::string name;
};
// Exactly one of the two is set.
struct Prepared {
    std::optional<Renamable> name;
    std::optional<Refusal> refusal;
};
Prepared prepare_rename(const Subject& s, std::size_t offset);
struct Renamed {
    std::vector<TextEdit> edits;
    std::optional<Refusal> refusal;
};
Renamed rename(const Subject& s, std::size_t offset, const std::string& name);
// Why a text cannot be a name at all: it would not read as one word.
std::optional<std::string> refuse_name_form(std::string_view name);

struct CodeAction {
    std::string title;
    std::vector<TextEdit> edits;
    std::optional<Diagnostic> fixes;  // the diagnostic it answers
    bool preferred = false;
};
// The quick fixes for the findings that touch a range.
std::vector<CodeAction> code_actions(const Subject& s, Span range);

struct FormatOptions {
    std::size_t tab_size = 4;
    bool insert_spaces = true;
};
// Indents blocks and definition bodies on the lines that touch a range.
std::vector<TextEdit> format(const Subject& s, const FormatOptions& options, Span range);

// ---- semantic tokens ----------------------------------------------------------

// The legend, in the order of the numbers the tokens carry.
enum class TokenType : std::uint8_t {
    keyword,             // a block or flow statement
    call_keyword,        // a built-in call of a host function
    text_keyword,        // a fixed host text
    declaration_keyword, // var, function, end
    constant,
    string_global,
    real_global,
    variable,
    script,
    parameter,
    operator_word,
    number,
    string,
    comment,
};
inline constexpr std::size_t token_type_count = static_cast<std::size_t>(TokenType::comment) + 1;
std::string_view token_type_name(TokenType type);

enum TokenModifier : std::uint32_t {
    declaration = 1u << 0,      // where a variable, script or parameter is declared
    dropped = 1u << 1,          // a word the line does not translate
    readonly = 1u << 2,         // constants and global arguments
    default_library = 1u << 3,  // the language's own keywords and constants
};
inline constexpr std::size_t token_modifier_count = 4;
std::string_view token_modifier_name(std::size_t bit);

// One token on one of the editors' lines.
struct Token {
    Span span;
    TokenType type = TokenType::variable;
    std::uint32_t modifiers = 0;
};
// What a word is for an editor's colours: its type and modifiers.
Token token_of(const AnalysedWord& word);

// The tokens of the bytes in `range`, in the order of the text, none across
// a line end.
std::vector<Token> semantic_tokens(const Subject& s, Span range);

// ---- the host view -------------------------------------------------------------

// The host text of the document and where each piece of it came from, as
// the source map tells it: per piece of host text (up to the next piece, and
// never across a line end), the word of the document it came from, or none.
struct HostView {
    std::string_view text;
    struct Link {
        std::optional<Span> source;
        Span host;
    };
    std::vector<Link> links;
};
HostView host_view(const Subject& s);

// ---- the run ------------------------------------------------------------------

// The document's host text run in the preview host, as frame `frame` of a
// game whose clock starts at `start` (milliseconds since 1970-01-01 00:00,
// local time), with every call, shape, message and fault at the source term
// that wrote it.
struct RunRequest {
    std::int64_t frame = 0;
    std::int64_t start = 0;
    std::uint64_t seed = 0;
};
preview::LinkedRun run(const Subject& s, const RunRequest& request);
// A source place as a span of the document: the term's bytes, or its word's.
std::optional<Span> term_span(const preview::SourcePlace& place);
std::optional<Span> word_span(const preview::SourcePlace& place);

}  // namespace kelvo::ide

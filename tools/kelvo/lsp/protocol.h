// The protocol's side of the features: a document as the server holds it,
// its places in the client's encoding, and every answer of ide/ as the
// protocol's JSON. Places go between bytes and the client's encoding here
// and nowhere else.
//
// The protocol's lines end at "\r\n", "\n" and a lone "\r"; the translator
// counts line feeds only. The protocol's characters are units of the
// encoding the client and the server agreed on: bytes (utf-8), UTF-16 code
// units (the default) or code points (utf-32), by the one rule of
// core/utf8.h.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "ide/ide.h"
#include "library/line_index.h"

namespace kelvo::lsp {

using ide::Span;

// A place as the protocol gives it: 0-based line and character.
struct Place {
    std::size_t line = 0;
    std::size_t character = 0;
};

// Parameters that name nothing the server knows, or no place in it.
struct InvalidParams : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

class Document {
public:
    explicit Document(std::string text, Encoding encoding = Encoding::utf16);
    // The line indexes look into the text: a document stays where it is made.
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    const std::string& text() const { return text_; }
    Encoding encoding() const { return encoding_; }
    // The protocol's lines, and the translator's.
    const LineIndex& lines() const { return lines_; }
    const LineIndex& source_lines() const { return source_lines_ ? *source_lines_ : lines_; }

    // The two ways between bytes and the protocol. A place past its line's
    // end is that end; a line past the last is the text's end.
    Place place(std::size_t offset) const;
    std::size_t offset(Place place) const;

private:
    std::string text_;
    Encoding encoding_;
    LineIndex lines_;
    // The translator's lines, where a lone CR makes them differ.
    std::optional<LineIndex> source_lines_;
};

// The place that the "position" of a request's parameters names: line and
// character each an integer from 0 to 2^31-1 (the protocol's uinteger), the
// line one of the document's. InvalidParams otherwise.
std::size_t requested_offset(const Document& document, const nlohmann::json& params);
// The "range" of a request's parameters; the whole document where there is none.
Span requested_range(const Document& document, const nlohmann::json& params);

nlohmann::json range_json(const Document& document, Span span);
nlohmann::json location_json(std::string_view uri, const Document& document, Span span);

nlohmann::json hover_json(const Document& document, const std::optional<ide::Hover>& hover, bool markdown);
nlohmann::json completion_json(const std::vector<ide::CompletionItem>& items);
nlohmann::json signature_help_json(const std::optional<ide::SignatureHelp>& help);
nlohmann::json inlay_hints_json(const Document& document, const std::vector<ide::InlayHint>& hints);
nlohmann::json semantic_tokens_legend();
// {"data": [...]} as JSON text.
std::string semantic_tokens_text(const Document& document, const std::vector<ide::Token>& tokens);
nlohmann::json references_json(std::string_view uri, const Document& document,
                               const std::vector<ide::Occurrence>& found, bool with_declaration);
nlohmann::json highlights_json(const Document& document, const std::vector<ide::Occurrence>& found);
nlohmann::json folding_ranges_json(const std::vector<ide::FoldingRange>& ranges);
nlohmann::json symbols_json(const Document& document, const std::vector<ide::Symbol>& symbols);
// Where diagnostics are published: the document's address, and whether the
// client shows related information.
struct DiagnosticPlace {
    std::string_view uri;
    bool related_information = false;
    // The base URI of the pages that explain the codes (each at #CODE), sent
    // as codeDescription; empty: none.
    std::string_view explanations;
};
nlohmann::json diagnostics_json(const Document& document, const std::vector<ide::Diagnostic>& list,
                                const DiagnosticPlace& place);
nlohmann::json edits_json(const Document& document, const std::vector<ide::TextEdit>& edits);
nlohmann::json workspace_edit_json(std::string_view uri, const Document& document,
                                   const std::vector<ide::TextEdit>& edits);
nlohmann::json code_actions_json(std::string_view uri, const Document& document,
                                 const std::vector<ide::CodeAction>& actions);
nlohmann::json prepare_rename_json(const Document& document, const ide::Renamable& name);
// The host view as JSON text: {"uri", "text", "map": the source map
// (revision 3) from the host text back to the document, "links": each term's
// first word in the document and its text in the host text}. The map's and
// the links' host columns count UTF-16 code units, as an editor showing the
// host text counts them; the links' document places are in the client's
// encoding.
std::string host_view_text(std::string_view uri, const Document& document, const ide::HostView& view,
                           const Analysis& analysis);
// The run as JSON text: {"trace": [{range, word, call, arguments, result,
// text, depth}], "faults": [{range, word, code, message, severity}],
// "messages": [{range, word, text}], "shapes": [{range, word, call}] (one
// for each element of the SVG with a data-range, in the same order), "svg",
// "ran", "gameEnded", "steps", "dropped": {trace, shapes, messages,
// faults}}; ranges in the client's encoding, null where no source term
// wrote the host text.
std::string run_text(const Document& document, const preview::LinkedRun& linked);

}  // namespace kelvo::lsp

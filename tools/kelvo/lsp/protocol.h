// The protocol's side of the features: every answer of features.h, edits.h
// and tokens.h as the protocol's JSON, and every place of a request read in.
// Places go between bytes and the client's encoding here and in
// positions.cpp only.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "edits.h"
#include "features.h"
#include "tokens.h"

namespace kelvo::lsp {

// The place that the "position" of a request's parameters names: line and
// character each an integer from 0 to 2^31-1 (the protocol's uinteger), the
// line one of the document's. InvalidParams otherwise.
Place requested_place(const Document& document, const nlohmann::json& params);
std::size_t requested_offset(const Document& document, const nlohmann::json& params);
// The "range" of a request's parameters; the whole document where there is none.
Span requested_range(const Document& document, const nlohmann::json& params);

nlohmann::json range_json(const Document& document, Span span);
nlohmann::json location_json(std::string_view uri, const Document& document, Span span);

nlohmann::json hover_json(const Document& document, const std::optional<Hover>& hover, bool markdown);
nlohmann::json completion_json(const std::vector<CompletionItem>& items);
nlohmann::json signature_help_json(const std::optional<SignatureHelp>& help);
nlohmann::json inlay_hints_json(const Document& document, const std::vector<InlayHint>& hints);
nlohmann::json semantic_tokens_legend();
nlohmann::json semantic_tokens_json(const Document& document, const std::vector<Token>& tokens);
nlohmann::json references_json(std::string_view uri, const Document& document, const std::vector<Occurrence>& found,
                               bool with_declaration);
nlohmann::json highlights_json(const Document& document, const std::vector<Occurrence>& found);
nlohmann::json folding_ranges_json(const std::vector<FoldingRange>& ranges);
nlohmann::json symbols_json(const Document& document, const std::vector<Symbol>& symbols);
nlohmann::json diagnostics_json(const Document& document, const std::vector<Diagnostic>& list);
nlohmann::json edits_json(const Document& document, const std::vector<TextEdit>& edits);
nlohmann::json workspace_edit_json(std::string_view uri, const Document& document, const std::vector<TextEdit>& edits);
nlohmann::json code_actions_json(std::string_view uri, const Document& document,
                                 const std::vector<CodeAction>& actions);
nlohmann::json prepare_rename_json(const Document& document, const Renamable& name);

}  // namespace kelvo::lsp

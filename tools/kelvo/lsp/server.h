// The language server's logic, apart from its channel: one message in, the
// messages to send back out.
//
// An open document is held as its text and its line indexes only: the
// analysis that the answers come from is made when a change comes (its
// diagnostics are published then) and kept for the few documents used
// last, made again when another is asked about.
#pragma once

#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/warning_choice.h"
#include "library/analysis.h"
#include "library/session.h"
#include "protocol.h"

namespace kelvo::lsp {

// The global arguments a client gives, as --define and --define-string do,
// in the order they are applied.
using Globals = std::vector<GlobalArgument>;

class Server {
public:
    // `explanations`: where the pages of the codes are (a base URI, each
    // page at #CODE) when the client names no place of its own; empty: the
    // diagnostics link to none.
    explicit Server(Globals globals, std::string explanations = {})
        : globals_(std::move(globals)), explanations_(std::move(explanations)) {}

    // Handles one message body, whatever its bytes; returns the texts of the
    // messages to send, in order. A request is answered exactly once, with
    // its id as it was sent; what cannot be handled becomes an error answer.
    std::vector<std::string> handle(std::string_view body);

    bool exit_requested() const { return exit_requested_; }
    // After `exit`: 0 when `shutdown` came first, else 1.
    int exit_status() const { return shut_down_ ? 0 : 1; }

    // How many analyses are kept at most.
    static constexpr std::size_t analyses_kept = 2;

private:
    using Method = nlohmann::json (Server::*)(const nlohmann::json& params);
    // A method whose answer is large: it writes the JSON text itself.
    using TextMethod = std::string (Server::*)(const nlohmann::json& params);
    // An open document and the analysis of its text, while it is kept.
    struct Subject {
        const std::string& uri;
        const Document& document;
        const Analysis& analysis;
        ide::Subject ide;
    };

    void dispatch(std::string_view body, std::optional<std::string_view> id, std::vector<std::string>& out);
    void request(const nlohmann::json& message, std::string_view id, std::vector<std::string>& out);
    void notification(nlohmann::json& message, std::vector<std::string>& out);

    nlohmann::json initialize(const nlohmann::json& params);
    nlohmann::json shutdown(const nlohmann::json& params);
    nlohmann::json on_hover(const nlohmann::json& params);
    nlohmann::json on_completion(const nlohmann::json& params);
    nlohmann::json on_definition(const nlohmann::json& params);
    nlohmann::json on_document_symbols(const nlohmann::json& params);
    std::string on_host_text(const nlohmann::json& params);
    std::string on_run(const nlohmann::json& params);
    nlohmann::json on_signature_help(const nlohmann::json& params);
    nlohmann::json on_inlay_hints(const nlohmann::json& params);
    std::string on_semantic_tokens(const nlohmann::json& params);
    nlohmann::json on_references(const nlohmann::json& params);
    nlohmann::json on_highlights(const nlohmann::json& params);
    nlohmann::json on_prepare_rename(const nlohmann::json& params);
    nlohmann::json on_rename(const nlohmann::json& params);
    nlohmann::json on_code_actions(const nlohmann::json& params);
    nlohmann::json on_folding_ranges(const nlohmann::json& params);
    nlohmann::json on_formatting(const nlohmann::json& params);

    // Takes in a document's new text and returns its diagnostics notification.
    std::string open_document(const std::string& uri, std::string text);
    std::string close_document(const std::string& uri);
    Subject subject(const nlohmann::json& params);
    const Analysis& analysis_of(const std::string& uri, const Document& document);
    // The kept analysis of a document, out of the list, or a new empty one.
    std::unique_ptr<Analysis> take_analysis(const std::string& uri);
    void keep(const std::string& uri, std::unique_ptr<Analysis> analysis);

    Globals globals_;
    Encoding encoding_ = Encoding::utf16;
    bool markdown_ = true;
    bool inlay_hints_ = true;
    bool related_information_ = false;  // the client shows a diagnostic's related information
    // The initialization option `explanations`, or the server's own place of
    // the pages; sent as each diagnostic's codeDescription when the client
    // takes one.
    std::string explanations_;
    bool code_descriptions_ = false;
    WarningChoice warnings_;  // the initialization option `warnings`
    std::vector<std::string> option_problems_;  // shown to the author after the initialize answer
    std::map<std::string, std::unique_ptr<Document>, std::less<>> documents_;
    std::list<std::pair<std::string, std::unique_ptr<Analysis>>> analyses_;  // the one used last first
    bool initialized_ = false;
    bool shut_down_ = false;
    bool exit_requested_ = false;
};

}  // namespace kelvo::lsp

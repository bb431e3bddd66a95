// The language server's logic, apart from its channel: one message in, the
// messages to send back out.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "analysis.h"
#include "features.h"

namespace kelvo::lsp {

class Server {
public:
    explicit Server(Globals globals) : globals_(std::move(globals)) {}

    // Handles one message body, whatever its bytes; returns the texts of the
    // messages to send, in order. A request is answered exactly once, with
    // its id as it was sent; what cannot be handled becomes an error answer.
    std::vector<std::string> handle(std::string_view body);

    bool exit_requested() const { return exit_requested_; }
    // After `exit`: 0 when `shutdown` came first, else 1.
    int exit_status() const { return shut_down_ ? 0 : 1; }

private:
    struct Open {
        Open(std::string text, Analysis a) : document(std::move(text)), analysis(std::move(a)) {}
        Document document;
        Analysis analysis;
    };
    using Method = nlohmann::json (Server::*)(const nlohmann::json& params);

    void dispatch(std::string_view body, std::optional<std::string_view> id, std::vector<std::string>& out);
    void request(const nlohmann::json& message, std::string_view id, std::vector<std::string>& out);
    void notification(nlohmann::json& message, std::vector<std::string>& out);

    nlohmann::json initialize(const nlohmann::json& params);
    nlohmann::json shutdown(const nlohmann::json& params);
    nlohmann::json on_hover(const nlohmann::json& params);
    nlohmann::json on_completion(const nlohmann::json& params);
    nlohmann::json on_definition(const nlohmann::json& params);
    nlohmann::json on_document_symbols(const nlohmann::json& params);
    nlohmann::json on_host_text(const nlohmann::json& params);

    // Translates a document's new text and returns its diagnostics notification.
    std::string open_document(const std::string& uri, std::string text);
    std::string close_document(const std::string& uri);
    const Open& document(const nlohmann::json& params) const;

    Globals globals_;
    std::map<std::string, std::unique_ptr<Open>, std::less<>> documents_;
    bool initialized_ = false;
    bool shut_down_ = false;
    bool exit_requested_ = false;
};

}  // namespace kelvo::lsp

// The language server's logic, apart from its channel: one message in, the
// messages to send back out.
#pragma once

#include <map>
#include <memory>
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

    // Handles one message body; returns what to send, in order.
    std::vector<nlohmann::json> handle(std::string_view body);

    bool exit_requested() const { return exit_requested_; }
    // After `exit`: 0 when `shutdown` came first, else 1.
    int exit_status() const { return shut_down_ ? 0 : 1; }

private:
    struct Open {
        Document document;
        Analysis analysis;
    };
    using Method = nlohmann::json (Server::*)(const nlohmann::json& params);

    void request(const nlohmann::json& message, std::vector<nlohmann::json>& out);
    void notification(const nlohmann::json& message, std::vector<nlohmann::json>& out);

    nlohmann::json initialize(const nlohmann::json& params);
    nlohmann::json shutdown(const nlohmann::json& params);
    nlohmann::json on_hover(const nlohmann::json& params);
    nlohmann::json on_completion(const nlohmann::json& params);
    nlohmann::json on_definition(const nlohmann::json& params);
    nlohmann::json on_document_symbols(const nlohmann::json& params);
    nlohmann::json on_host_text(const nlohmann::json& params);

    // Translates a document's new text and returns its diagnostics notification.
    nlohmann::json open_document(const std::string& uri, std::string text);
    const Open& document(const nlohmann::json& params) const;

    Globals globals_;
    std::map<std::string, std::unique_ptr<Open>, std::less<>> documents_;
    bool initialized_ = false;
    bool shut_down_ = false;
    bool exit_requested_ = false;
};

}  // namespace kelvo::lsp

#include "server.h"

#include <optional>
#include <stdexcept>
#include <utility>

#include "host_text.h"

#ifndef KELVO_VERSION
#define KELVO_VERSION "unknown"
#endif

namespace kelvo::lsp {

using nlohmann::json;

namespace {

// The protocol's error codes.
constexpr int parse_error = -32700;
constexpr int invalid_request = -32600;
constexpr int method_not_found = -32601;
constexpr int invalid_params = -32602;
constexpr int internal_error = -32603;
constexpr int server_not_initialized = -32002;

// Parameters that name nothing the server knows.
struct InvalidParams : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

json error_response(const json& id, int code, const std::string& message) {
    return {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

json notification_message(const char* method, json params) {
    return {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

// The text of the JSON number or string at the head of `text`, or empty.
std::string_view leading_value(std::string_view text) {
    std::size_t end = 0;
    if (!text.empty() && text[0] == '"') {
        for (end = 1; end < text.size() && text[end] != '"'; ++end)
            if (text[end] == '\\') ++end;
        return end < text.size() ? text.substr(0, end + 1) : std::string_view();
    }
    if (!text.empty() && text[0] == '-') ++end;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    return text.substr(0, end);
}

// The id of a message that is no JSON, when one can still be read from it.
std::optional<json> salvage_id(std::string_view body) {
    const auto skip_blanks = [](std::string_view& text) {
        while (!text.empty() && (text[0] == ' ' || text[0] == '\t' || text[0] == '\r' || text[0] == '\n'))
            text.remove_prefix(1);
    };
    for (std::size_t at = body.find("\"id\""); at != std::string_view::npos; at = body.find("\"id\"", at + 1)) {
        std::string_view rest = body.substr(at + 4);
        skip_blanks(rest);
        if (rest.empty() || rest[0] != ':') continue;
        rest.remove_prefix(1);
        skip_blanks(rest);
        const std::string_view value = leading_value(rest);
        if (value.empty() || value == "-") continue;
        try {
            return json::parse(value);
        } catch (const json::exception&) {
        }
    }
    return std::nullopt;
}

// The global arguments of initializationOptions: {"define": {...},
// "defineString": {...}}, each value a string or a number.
void read_globals(const json& options, const char* key, std::vector<std::pair<std::string, std::string>>& into) {
    if (!options.is_object() || !options.contains(key) || !options[key].is_object()) return;
    for (const auto& [name, value] : options[key].items())
        into.emplace_back(name, value.is_string() ? value.get<std::string>() : value.dump());
}

Place place_of(const json& params) {
    const json& position = params.at("position");
    return {position.at("line").get<std::size_t>(), position.at("character").get<std::size_t>()};
}

}  // namespace

std::vector<json> Server::handle(std::string_view body) {
    std::vector<json> out;
    json message;
    try {
        message = json::parse(body);
    } catch (const json::parse_error&) {
        if (const auto id = salvage_id(body)) out.push_back(error_response(*id, parse_error, "the message is no JSON"));
        return out;
    }
    const bool has_id = message.is_object() && message.contains("id");
    if (!message.is_object() || !message.contains("method") || !message["method"].is_string()) {
        if (has_id) out.push_back(error_response(message["id"], invalid_request, "a request needs a method"));
        return out;
    }
    if (has_id) {
        request(message, out);
    } else {
        notification(message, out);
    }
    return out;
}

void Server::request(const json& message, std::vector<json>& out) {
    static const std::map<std::string, Method, std::less<>> methods = {
        {"initialize", &Server::initialize},
        {"shutdown", &Server::shutdown},
        {"textDocument/hover", &Server::on_hover},
        {"textDocument/completion", &Server::on_completion},
        {"textDocument/definition", &Server::on_definition},
        {"textDocument/documentSymbol", &Server::on_document_symbols},
        {"kelvo/hostText", &Server::on_host_text},
    };
    const json& id = message["id"];
    const std::string method = message["method"].get<std::string>();
    const auto found = methods.find(method);
    if (found == methods.end()) return out.push_back(error_response(id, method_not_found, "no method " + method));
    if (!initialized_ && method != "initialize")
        return out.push_back(error_response(id, server_not_initialized, "initialize comes first"));
    if (shut_down_) return out.push_back(error_response(id, invalid_request, "the server is shutting down"));
    const json params = message.value("params", json::object());
    try {
        out.push_back({{"jsonrpc", "2.0"}, {"id", id}, {"result", (this->*(found->second))(params)}});
    } catch (const json::exception& e) {
        out.push_back(error_response(id, invalid_params, e.what()));
    } catch (const InvalidParams& e) {
        out.push_back(error_response(id, invalid_params, e.what()));
    } catch (const std::exception& e) {
        out.push_back(error_response(id, internal_error, e.what()));
    }
}

void Server::notification(const json& message, std::vector<json>& out) {
    const std::string method = message["method"].get<std::string>();
    if (method == "exit") {
        exit_requested_ = true;
        return;
    }
    if (!initialized_ || shut_down_) return;
    const json params = message.value("params", json::object());
    try {
        if (method == "textDocument/didOpen") {
            const json& item = params.at("textDocument");
            out.push_back(open_document(item.at("uri").get<std::string>(), item.at("text").get<std::string>()));
        } else if (method == "textDocument/didChange") {
            const json& changes = params.at("contentChanges");
            if (changes.empty()) return;
            out.push_back(open_document(params.at("textDocument").at("uri").get<std::string>(),
                                        changes.back().at("text").get<std::string>()));
        } else if (method == "textDocument/didClose") {
            const std::string uri = params.at("textDocument").at("uri").get<std::string>();
            documents_.erase(uri);
            out.push_back(notification_message("textDocument/publishDiagnostics",
                                               {{"uri", uri}, {"diagnostics", json::array()}}));
        }
    } catch (const std::exception&) {
        // A notification gets no answer, not even for bad parameters.
    }
}

json Server::initialize(const json& params) {
    initialized_ = true;
    read_globals(params.value("initializationOptions", json::object()), "define", globals_.real);
    read_globals(params.value("initializationOptions", json::object()), "defineString", globals_.text);
    json capabilities = {
        {"textDocumentSync", {{"openClose", true}, {"change", 1}}},
        {"hoverProvider", true},
        {"completionProvider", json::object()},
        {"definitionProvider", true},
        {"documentSymbolProvider", true},
    };
    // Places are counted in bytes: that is what a client calls utf-8.
    const json encodings = params.value("/capabilities/general/positionEncodings"_json_pointer, json::array());
    for (const json& encoding : encodings)
        if (encoding == "utf-8") capabilities["positionEncoding"] = "utf-8";
    return {{"capabilities", capabilities}, {"serverInfo", {{"name", "kelvo"}, {"version", KELVO_VERSION}}}};
}

json Server::shutdown(const json&) {
    shut_down_ = true;
    return nullptr;
}

json Server::open_document(const std::string& uri, std::string text) {
    auto open = std::make_unique<Open>(Open{Document(text), analyse(std::move(text), globals_)});
    json diagnostics_list = diagnostics(open->analysis);
    documents_[uri] = std::move(open);
    return notification_message("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", diagnostics_list}});
}

const Server::Open& Server::document(const json& params) const {
    const std::string uri = params.at("textDocument").at("uri").get<std::string>();
    const auto found = documents_.find(uri);
    if (found == documents_.end()) throw InvalidParams("no open document " + uri);
    return *found->second;
}

json Server::on_hover(const json& params) {
    const Open& open = document(params);
    return hover(open.document, open.analysis, globals_, place_of(params));
}

json Server::on_completion(const json& params) {
    const Open& open = document(params);
    return completion(open.analysis, globals_, place_of(params));
}

json Server::on_definition(const json& params) {
    const Open& open = document(params);
    return definition(params.at("textDocument").at("uri").get<std::string>(), open.document, open.analysis,
                      place_of(params));
}

json Server::on_document_symbols(const json& params) {
    const Open& open = document(params);
    return document_symbols(open.document, open.analysis);
}

json Server::on_host_text(const json& params) {
    return host_text(params.at("textDocument").at("uri").get<std::string>(), document(params).document, globals_);
}

}  // namespace kelvo::lsp

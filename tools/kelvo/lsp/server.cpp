#include "server.h"

#include <stdexcept>
#include <utility>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "host_text.h"
#include "json_limits.h"

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

std::string text_of(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

// An answer, its id written back as the request wrote it.
std::string answer_text(std::string_view id, std::string_view member, const json& value) {
    std::string text = R"({"jsonrpc":"2.0","id":)";
    text += id;
    text += ",\"";
    text += member;
    text += "\":";
    text += text_of(value);
    text += '}';
    return text;
}

std::string error_text(std::string_view id, int code, const std::string& message) {
    return answer_text(id, "error", {{"code", code}, {"message", message}});
}

std::string notification_text(const char* method, json params) {
    return text_of({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
}

const json& params_of(const json& message) {
    static const json none = json::object();
    const auto found = message.find("params");
    return found != message.end() ? *found : none;
}

// The global arguments of initializationOptions: {"define": {...},
// "defineString": {...}}, each value a string or a number.
void read_globals(const json& options, const char* key, std::vector<std::pair<std::string, std::string>>& into) {
    if (!options.is_object() || !options.contains(key) || !options[key].is_object()) return;
    for (const auto& [name, value] : options[key].items())
        into.emplace_back(name, value.is_string() ? value.get<std::string>() : value.dump());
}

// Gives memory back to the system after a document goes.
void release_memory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace

std::vector<std::string> Server::handle(std::string_view body) {
    std::vector<std::string> out;
    const std::optional<std::string_view> id = top_level_id(body);
    try {
        dispatch(body, id, out);
    } catch (const std::exception& e) {
        // Out of memory, or a fault of the server's own: the message fails, the server goes on.
        try {
            out.clear();
            if (id) out.push_back(error_text(*id, internal_error, e.what()));
        } catch (...) {
            out.clear();
        }
    }
    return out;
}

void Server::dispatch(std::string_view body, std::optional<std::string_view> id, std::vector<std::string>& out) {
    if (nesting_depth(body) > deepest_nesting) {
        if (id) out.push_back(error_text(*id, parse_error, "the message nests deeper than 256 levels"));
        return;
    }
    json message;
    try {
        message = json::parse(body);
    } catch (const json::out_of_range&) {
        if (id) out.push_back(error_text(*id, parse_error, "a number in the message is too large"));
        return;
    } catch (const json::exception&) {
        if (id) out.push_back(error_text(*id, parse_error, "the message is no JSON"));
        return;
    }
    if (!message.is_object()) return;
    const bool has_method = message.contains("method") && message["method"].is_string();
    if (!has_method && (message.contains("result") || message.contains("error"))) return;  // an answer: none asked
    if (message.contains("id") && !id) {
        out.push_back(error_text("null", invalid_request, "an id is a number or a string"));
    } else if (!has_method) {
        if (id) out.push_back(error_text(*id, invalid_request, "a request needs a method"));
    } else if (id) {
        request(message, *id, out);
    } else {
        notification(message, out);
    }
}

void Server::request(const json& message, std::string_view id, std::vector<std::string>& out) {
    static const std::map<std::string, Method, std::less<>> methods = {
        {"initialize", &Server::initialize},
        {"shutdown", &Server::shutdown},
        {"textDocument/hover", &Server::on_hover},
        {"textDocument/completion", &Server::on_completion},
        {"textDocument/definition", &Server::on_definition},
        {"textDocument/documentSymbol", &Server::on_document_symbols},
        {"kelvo/hostText", &Server::on_host_text},
    };
    const std::string& method = message["method"].get_ref<const std::string&>();
    const auto found = methods.find(method);
    if (found == methods.end()) return out.push_back(error_text(id, method_not_found, "no method " + method));
    if (!initialized_ && method != "initialize")
        return out.push_back(error_text(id, server_not_initialized, "initialize comes first"));
    if (shut_down_) return out.push_back(error_text(id, invalid_request, "the server is shutting down"));
    try {
        out.push_back(answer_text(id, "result", (this->*(found->second))(params_of(message))));
    } catch (const json::exception& e) {
        out.push_back(error_text(id, invalid_params, e.what()));
    } catch (const InvalidParams& e) {
        out.push_back(error_text(id, invalid_params, e.what()));
    }
}

void Server::notification(json& message, std::vector<std::string>& out) {
    const std::string method = message["method"].get<std::string>();
    if (method == "exit") {
        exit_requested_ = true;
        return;
    }
    if (!initialized_ || shut_down_ || !message.contains("params")) return;
    json& params = message["params"];
    try {
        if (method == "textDocument/didOpen") {
            json& item = params.at("textDocument");
            out.push_back(open_document(item.at("uri").get<std::string>(),
                                        std::move(item.at("text").get_ref<std::string&>())));
        } else if (method == "textDocument/didChange") {
            json& changes = params.at("contentChanges");
            if (!changes.is_array() || changes.empty()) return;
            out.push_back(open_document(params.at("textDocument").at("uri").get<std::string>(),
                                        std::move(changes.back().at("text").get_ref<std::string&>())));
        } else if (method == "textDocument/didClose") {
            out.push_back(close_document(params.at("textDocument").at("uri").get<std::string>()));
        }
    } catch (const json::exception&) {
        // A notification gets no answer, not even for bad parameters.
    }
}

json Server::initialize(const json& params) {
    const json options = params.value("initializationOptions", json::object());
    Globals globals = globals_;
    read_globals(options, "define", globals.real);
    read_globals(options, "defineString", globals.text);
    json capabilities = {
        {"textDocumentSync", {{"openClose", true}, {"change", 1}}},
        {"hoverProvider", true},
        {"completionProvider", json::object()},
        {"definitionProvider", true},
        {"documentSymbolProvider", true},
    };
    // Places are counted in bytes: that is what a client calls utf-8.
    const json encodings = params.value("/capabilities/general/positionEncodings"_json_pointer, json::array());
    if (encodings.is_array())
        for (const json& encoding : encodings)
            if (encoding == "utf-8") capabilities["positionEncoding"] = "utf-8";
    globals_ = std::move(globals);
    initialized_ = true;
    return {{"capabilities", capabilities}, {"serverInfo", {{"name", "kelvo"}, {"version", KELVO_VERSION}}}};
}

json Server::shutdown(const json&) {
    shut_down_ = true;
    return nullptr;
}

std::string Server::open_document(const std::string& uri, std::string text) {
    Analysis analysis = analyse(text, globals_);
    documents_.erase(uri);  // the old text goes before the new one's list is made
    auto open = std::make_unique<Open>(std::move(text), std::move(analysis));
    std::string notification = notification_text(
        "textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", diagnostics(open->document, open->analysis)}});
    documents_[uri] = std::move(open);
    return notification;
}

std::string Server::close_document(const std::string& uri) {
    if (documents_.erase(uri) > 0) release_memory();
    return notification_text("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array()}});
}

const Server::Open& Server::document(const json& params) const {
    const std::string uri = params.at("textDocument").at("uri").get<std::string>();
    const auto found = documents_.find(uri);
    if (found == documents_.end()) throw InvalidParams("no open document " + uri);
    return *found->second;
}

json Server::on_hover(const json& params) {
    const Open& open = document(params);
    return hover(open.document, open.analysis, globals_, requested_place(open.document, params));
}

json Server::on_completion(const json& params) {
    const Open& open = document(params);
    return completion(open.analysis, globals_, requested_place(open.document, params));
}

json Server::on_definition(const json& params) {
    const Open& open = document(params);
    return definition(params.at("textDocument").at("uri").get<std::string>(), open.document, open.analysis,
                      requested_place(open.document, params));
}

json Server::on_document_symbols(const json& params) {
    const Open& open = document(params);
    return document_symbols(open.document, open.analysis);
}

json Server::on_host_text(const json& params) {
    return host_text(params.at("textDocument").at("uri").get<std::string>(), document(params).document, globals_);
}

}  // namespace kelvo::lsp

#include "server.h"

#include <stdexcept>
#include <utility>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "json_limits.h"
#include "protocol.h"

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
constexpr int request_failed = -32803;

// A request that is well formed but cannot be done (a rename that would
// change the meaning): the reason goes to the author.
struct RequestFailed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

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

// An answer whose result is JSON text already.
std::string answer_text_raw(std::string_view id, const std::string& result) {
    std::string text = R"({"jsonrpc":"2.0","id":)";
    text += id;
    text += R"(,"result":)";
    text += result;
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
void read_globals(const json& options, const char* key, GlobalArgument::Kind kind, Globals& into) {
    if (!options.is_object() || !options.contains(key) || !options[key].is_object()) return;
    for (const auto& [name, value] : options[key].items())
        into.push_back({kind, name, value.is_string() ? value.get<std::string>() : value.dump()});
}

// The warnings of initializationOptions: {"warnings": {"CODE": "off" | "on"
// | "error", "*": ...}}, "*" the choice for every warning; an entry it cannot
// take is left out, and what is wrong with it told.
void read_warnings(const json& options, WarningChoice& choice, std::vector<std::string>& problems) {
    if (!options.is_object() || !options.contains("warnings")) return;
    const json& given = options["warnings"];
    if (!given.is_object()) {
        problems.emplace_back("the option warnings is an object of codes and \"off\", \"on\" or \"error\"");
        return;
    }
    // "*" first, so that the entries for single warnings hold against it.
    if (given.contains("*") && given["*"].is_string())
        choose_by_entry(choice, "*", given["*"].get_ref<const std::string&>());
    for (const auto& [name, level] : given.items()) {
        if (name == "*" && level.is_string()) continue;
        const std::string problem = level.is_string() ? choose_by_entry(choice, name, level.get_ref<const std::string&>())
                                                      : "the warning " + name + " takes \"off\", \"on\" or \"error\"";
        if (!problem.empty()) problems.push_back("kelvo: warnings: " + problem);
    }
}

SessionOptions session_options(const Globals& globals) {
    SessionOptions options;
    options.globals = globals;
    return options;
}

// The first encoding of the client's list that the server speaks; UTF-16,
// the protocol's default, where the client offers none.
Encoding negotiated_encoding(const json& params) {
    const json encodings = params.value("/capabilities/general/positionEncodings"_json_pointer, json::array());
    if (!encodings.is_array()) return Encoding::utf16;
    for (const json& e : encodings) {
        if (e == "utf-8") return Encoding::utf8;
        if (e == "utf-16") return Encoding::utf16;
        if (e == "utf-32") return Encoding::utf32;
    }
    return Encoding::utf16;
}

const char* encoding_name(Encoding e) {
    return e == Encoding::utf8 ? "utf-8" : e == Encoding::utf32 ? "utf-32" : "utf-16";
}

// Markdown unless the client's first hover format is plain text.
bool wants_markdown(const json& params) {
    const json formats = params.value("/capabilities/textDocument/hover/contentFormat"_json_pointer, json::array());
    if (!formats.is_array()) return true;
    for (const json& f : formats) {
        if (f == "markdown") return true;
        if (f == "plaintext") return false;
    }
    return true;
}

const std::string& uri_of(const json& params) {
    return params.at("textDocument").at("uri").get_ref<const std::string&>();
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
        message = parse_message(body);
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
        {"textDocument/signatureHelp", &Server::on_signature_help},
        {"textDocument/inlayHint", &Server::on_inlay_hints},
        {"textDocument/references", &Server::on_references},
        {"textDocument/documentHighlight", &Server::on_highlights},
        {"textDocument/prepareRename", &Server::on_prepare_rename},
        {"textDocument/rename", &Server::on_rename},
        {"textDocument/codeAction", &Server::on_code_actions},
        {"textDocument/foldingRange", &Server::on_folding_ranges},
        {"textDocument/formatting", &Server::on_formatting},
        {"textDocument/rangeFormatting", &Server::on_formatting},
    };
    static const std::map<std::string, TextMethod, std::less<>> text_methods = {
        {"kelvo/hostText", &Server::on_host_text},
        {"kelvo/run", &Server::on_run},
        {"textDocument/semanticTokens/full", &Server::on_semantic_tokens},
        {"textDocument/semanticTokens/range", &Server::on_semantic_tokens},
    };
    const std::string& method = message["method"].get_ref<const std::string&>();
    const auto found = methods.find(method);
    const auto found_text = text_methods.find(method);
    if (found == methods.end() && found_text == text_methods.end())
        return out.push_back(error_text(id, method_not_found, "no method " + method));
    if (!initialized_ && method != "initialize")
        return out.push_back(error_text(id, server_not_initialized, "initialize comes first"));
    if (shut_down_) return out.push_back(error_text(id, invalid_request, "the server is shutting down"));
    try {
        if (found_text != text_methods.end()) {
            out.push_back(answer_text_raw(id, (this->*(found_text->second))(params_of(message))));
            return;
        }
        out.push_back(answer_text(id, "result", (this->*(found->second))(params_of(message))));
        // What the initialization options got wrong, for the author to see.
        for (const std::string& problem : option_problems_)
            out.push_back(notification_text("window/showMessage", {{"type", 2}, {"message", problem}}));
        option_problems_.clear();
    } catch (const json::exception& e) {
        out.push_back(error_text(id, invalid_params, e.what()));
    } catch (const InvalidParams& e) {
        out.push_back(error_text(id, invalid_params, e.what()));
    } catch (const RequestFailed& e) {
        out.push_back(error_text(id, request_failed, e.what()));
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
            const std::string& uri = uri_of(params);
            // A change of a document never opened is no way to open it.
            if (!changes.is_array() || changes.empty() || !documents_.contains(uri)) return;
            out.push_back(open_document(uri, std::move(changes.back().at("text").get_ref<std::string&>())));
        } else if (method == "textDocument/didClose") {
            out.push_back(close_document(uri_of(params)));
        }
        // didSave changes nothing: the server has the text from the changes.
    } catch (const json::exception&) {
        // A notification gets no answer, not even for bad parameters.
    }
}

json Server::initialize(const json& params) {
    const json options = params.value("initializationOptions", json::object());
    Globals globals = globals_;
    read_globals(options, "define", GlobalArgument::Kind::real, globals);
    read_globals(options, "defineString", GlobalArgument::Kind::string, globals);
    inlay_hints_ = !(options.is_object() && options.contains("inlayHints") && options["inlayHints"] == false);
    warnings_ = {};
    option_problems_.clear();
    read_warnings(options, warnings_, option_problems_);
    if (options.is_object() && options.contains("explanations") && options["explanations"].is_string())
        explanations_ = options["explanations"].get<std::string>();
    code_descriptions_ =
        params.value("/capabilities/textDocument/publishDiagnostics/codeDescriptionSupport"_json_pointer, false) == true;
    encoding_ = negotiated_encoding(params);
    markdown_ = wants_markdown(params);
    related_information_ =
        params.value("/capabilities/textDocument/publishDiagnostics/relatedInformation"_json_pointer, false) == true;
    json capabilities = {
        {"positionEncoding", encoding_name(encoding_)},
        {"textDocumentSync", {{"openClose", true}, {"change", 1}, {"save", {{"includeText", false}}}}},
        {"hoverProvider", true},
        {"completionProvider", json::object()},
        {"definitionProvider", true},
        {"documentSymbolProvider", true},
        {"signatureHelpProvider", {{"triggerCharacters", {" "}}, {"retriggerCharacters", {" "}}}},
        {"semanticTokensProvider", {{"legend", semantic_tokens_legend()}, {"full", true}, {"range", true}}},
        {"referencesProvider", true},
        {"documentHighlightProvider", true},
        {"renameProvider", {{"prepareProvider", true}}},
        {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
        {"foldingRangeProvider", true},
        {"documentFormattingProvider", true},
        {"documentRangeFormattingProvider", true},
    };
    if (inlay_hints_) capabilities["inlayHintProvider"] = true;
    globals_ = std::move(globals);
    initialized_ = true;
    return {{"capabilities", capabilities}, {"serverInfo", {{"name", "kelvo"}, {"version", KELVO_VERSION}}}};
}

json Server::shutdown(const json&) {
    shut_down_ = true;
    return nullptr;
}

void Server::keep(const std::string& uri, std::unique_ptr<Analysis> analysis) {
    analyses_.emplace_front(uri, std::move(analysis));
    if (analyses_.size() > analyses_kept) analyses_.pop_back();
}

std::string Server::open_document(const std::string& uri, std::string text) {
    // The old text goes before the new one is analysed, and the new analysis
    // is made in the memory of the old one.
    documents_.erase(uri);
    std::unique_ptr<Analysis> analysis = take_analysis(uri);
    *analysis = analyse(text, session_options(globals_), std::move(*analysis));
    auto document = std::make_unique<Document>(std::move(text), encoding_);
    const ide::Subject subject{*analysis, document->lines(), document->source_lines(), globals_};
    std::string notification = notification_text(
        "textDocument/publishDiagnostics",
        {{"uri", uri},
         {"diagnostics",
          diagnostics_json(*document, ide::diagnostics(subject, warnings_),
                           {uri, related_information_, code_descriptions_ ? explanations_ : std::string_view()})}});
    documents_[uri] = std::move(document);
    keep(uri, std::move(analysis));
    return notification;
}

std::string Server::close_document(const std::string& uri) {
    analyses_.remove_if([&](const auto& kept) { return kept.first == uri; });
    if (documents_.erase(uri) > 0) release_memory();
    return notification_text("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array()}});
}

std::unique_ptr<Analysis> Server::take_analysis(const std::string& uri) {
    for (auto kept = analyses_.begin(); kept != analyses_.end(); ++kept) {
        if (kept->first != uri) continue;
        std::unique_ptr<Analysis> taken = std::move(kept->second);
        analyses_.erase(kept);
        return taken;
    }
    return std::make_unique<Analysis>();
}

const Analysis& Server::analysis_of(const std::string& uri, const Document& document) {
    for (auto kept = analyses_.begin(); kept != analyses_.end(); ++kept) {
        if (kept->first != uri) continue;
        analyses_.splice(analyses_.begin(), analyses_, kept);
        return *analyses_.front().second;
    }
    keep(uri, std::make_unique<Analysis>(analyse(document.text(), session_options(globals_))));
    return *analyses_.front().second;
}

Server::Subject Server::subject(const json& params) {
    const std::string& uri = uri_of(params);
    const auto found = documents_.find(uri);
    if (found == documents_.end()) throw InvalidParams("no open document " + uri);
    const Document& document = *found->second;
    const Analysis& analysis = analysis_of(uri, document);
    return {found->first, document, analysis, {analysis, document.lines(), document.source_lines(), globals_}};
}

json Server::on_hover(const json& params) {
    const Subject s = subject(params);
    return hover_json(s.document, ide::hover(s.ide, requested_offset(s.document, params)), markdown_);
}

json Server::on_completion(const json& params) {
    const Subject s = subject(params);
    return completion_json(ide::completion(s.ide, requested_offset(s.document, params)));
}

json Server::on_definition(const json& params) {
    const Subject s = subject(params);
    const std::optional<Span> found = ide::definition(s.ide, requested_offset(s.document, params));
    return found ? location_json(s.uri, s.document, *found) : json(nullptr);
}

json Server::on_document_symbols(const json& params) {
    const Subject s = subject(params);
    return symbols_json(s.document, ide::document_symbols(s.ide));
}

std::string Server::on_host_text(const json& params) {
    const Subject s = subject(params);
    return host_view_text(s.uri, s.document, ide::host_view(s.ide), s.analysis);
}

// {textDocument, frame?, start?, seed?}: frame N (from 0 to 10^12) of a game
// whose clock starts at `start` (milliseconds since 1970-01-01 00:00, at
// most 10^15 either way; default 0).
std::string Server::on_run(const json& params) {
    const Subject s = subject(params);
    constexpr std::int64_t last_frame = 1'000'000'000'000;
    constexpr std::int64_t furthest = 1'000'000'000'000'000;
    ide::RunRequest request;
    request.frame = params.value("frame", std::int64_t{0});
    request.start = params.value("start", std::int64_t{0});
    request.seed = params.value("seed", std::uint64_t{0});
    if (request.frame < 0 || request.frame > last_frame) throw InvalidParams("frame is a whole number from 0 to 10^12");
    if (request.start < -furthest || request.start > furthest) throw InvalidParams("start is at most 10^15 ms either way");
    return run_text(s.document, ide::run(s.ide, request));
}

json Server::on_signature_help(const json& params) {
    const Subject s = subject(params);
    return signature_help_json(ide::signature_help(s.ide, requested_offset(s.document, params)));
}

json Server::on_inlay_hints(const json& params) {
    const Subject s = subject(params);
    if (!inlay_hints_) return json::array();
    return inlay_hints_json(s.document, ide::inlay_hints(s.ide, requested_range(s.document, params)));
}

std::string Server::on_semantic_tokens(const json& params) {
    const Subject s = subject(params);
    return semantic_tokens_text(s.document, ide::semantic_tokens(s.ide, requested_range(s.document, params)));
}

json Server::on_references(const json& params) {
    const Subject s = subject(params);
    const bool with_declaration = params.value("/context/includeDeclaration"_json_pointer, false);
    return references_json(s.uri, s.document, ide::occurrences(s.ide, requested_offset(s.document, params)),
                           with_declaration);
}

json Server::on_highlights(const json& params) {
    const Subject s = subject(params);
    return highlights_json(s.document, ide::occurrences(s.ide, requested_offset(s.document, params)));
}

json Server::on_prepare_rename(const json& params) {
    const Subject s = subject(params);
    const ide::Prepared prepared = ide::prepare_rename(s.ide, requested_offset(s.document, params));
    if (prepared.refusal) throw RequestFailed(prepared.refusal->reason);
    return prepare_rename_json(s.document, *prepared.name);
}

json Server::on_rename(const json& params) {
    const Subject s = subject(params);
    const std::string& name = params.at("newName").get_ref<const std::string&>();
    const ide::Renamed renamed = ide::rename(s.ide, requested_offset(s.document, params), name);
    if (renamed.refusal) throw RequestFailed(renamed.refusal->reason);
    return workspace_edit_json(s.uri, s.document, renamed.edits);
}

json Server::on_code_actions(const json& params) {
    const Subject s = subject(params);
    return code_actions_json(s.uri, s.document, ide::code_actions(s.ide, requested_range(s.document, params)));
}

json Server::on_folding_ranges(const json& params) {
    const Subject s = subject(params);
    return folding_ranges_json(ide::folding_ranges(s.ide));
}

json Server::on_formatting(const json& params) {
    const Subject s = subject(params);
    const json& given = params.at("options");
    ide::FormatOptions options;
    options.tab_size = std::clamp<std::size_t>(given.at("tabSize").get<std::size_t>(), 1, 16);
    options.insert_spaces = given.at("insertSpaces").get<bool>();
    return edits_json(s.document, ide::format(s.ide, options, requested_range(s.document, params)));
}

}  // namespace kelvo::lsp

// A language server in the test's own process, spoken to message by message.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "lsp/server.h"

namespace kelvo::lsp {

class InProcess {
public:
    explicit InProcess(Globals globals = {}, nlohmann::json init = {{"capabilities", nlohmann::json::object()}})
        : server_(std::move(globals)) {
        initialize_answer_ = request("initialize", std::move(init));
    }

    std::vector<std::string> send(const nlohmann::json& message) { return server_.handle(message.dump()); }
    // A request; its one answer.
    nlohmann::json request(const std::string& method, nlohmann::json params) {
        const std::vector<std::string> out =
            send({{"jsonrpc", "2.0"}, {"id", ++id_}, {"method", method}, {"params", std::move(params)}});
        EXPECT_EQ(out.size(), 1u) << method;
        return out.empty() ? nlohmann::json() : nlohmann::json::parse(out.back());
    }
    // Opens a document; the diagnostics published for it.
    nlohmann::json open(const std::string& uri, const std::string& text) {
        const std::vector<std::string> out =
            send({{"jsonrpc", "2.0"},
                  {"method", "textDocument/didOpen"},
                  {"params", {{"textDocument", {{"uri", uri}, {"languageId", "kelvo"}, {"version", 1}, {"text", text}}}}}});
        EXPECT_EQ(out.size(), 1u);
        return out.empty() ? nlohmann::json() : nlohmann::json::parse(out.back())["params"]["diagnostics"];
    }
    const nlohmann::json& initialize_answer() const { return initialize_answer_; }

private:
    Server server_;
    int id_ = 0;
    nlohmann::json initialize_answer_;
};

}  // namespace kelvo::lsp

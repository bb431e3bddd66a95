// kelvo_lsp_latency: how soon `kelvo --lsp` publishes the diagnostics of a
// document after each change, as an editor waits for them: the server runs
// in a process of its own, the document is a generated mixed script.
//
//   kelvo_lsp_latency KELVO [BYTES] [CHANGES]
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "shapes.h"

namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

int to_server = -1;
int from_server = -1;

void send(const json& message) {
    const std::string body = message.dump();
    const std::string framed = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    std::size_t done = 0;
    while (done < framed.size()) {
        const ssize_t n = write(to_server, framed.data() + done, framed.size() - done);
        if (n <= 0) std::exit(3);
        done += static_cast<std::size_t>(n);
    }
}

std::string buffered;

// Reads until the buffer holds `count` bytes.
void fill(std::size_t count) {
    char chunk[1 << 16];
    while (buffered.size() < count) {
        const ssize_t n = read(from_server, chunk, sizeof chunk);
        if (n <= 0) std::exit(4);
        buffered.append(chunk, static_cast<std::size_t>(n));
    }
}

json receive() {
    std::size_t end;
    while ((end = buffered.find("\r\n\r\n")) == std::string::npos) fill(buffered.size() + 1);
    const std::size_t length = std::stoul(buffered.substr(16, end - 16));
    fill(end + 4 + length);
    json message = json::parse(buffered.substr(end + 4, length));
    buffered.erase(0, end + 4 + length);
    return message;
}

// Waits for the diagnostics of the document; returns how many there are.
std::size_t await_diagnostics() {
    for (;;) {
        const json m = receive();
        if (m.value("method", "") == "textDocument/publishDiagnostics") return m["params"]["diagnostics"].size();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kelvo_lsp_latency KELVO [BYTES] [CHANGES]\n");
        return 2;
    }
    const std::size_t bytes = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1'000'000;
    const int changes = argc > 3 ? std::atoi(argv[3]) : 20;
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return 3;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[1]);
        close(out[0]);
        execl(argv[1], argv[1], "--lsp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    to_server = in[1];
    from_server = out[0];

    send({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", {{"capabilities", json::object()}}}});
    receive();
    send({{"jsonrpc", "2.0"}, {"method", "initialized"}, {"params", json::object()}});
    const std::string uri = "file:///bench/mixed.kelvo";
    std::string text = kelvo::bench::mixed_script(bytes);
    send({{"jsonrpc", "2.0"}, {"method", "textDocument/didOpen"},
          {"params", {{"textDocument", {{"uri", uri}, {"languageId", "kelvo"}, {"version", 1}, {"text", text}}}}}});
    std::size_t count = await_diagnostics();

    std::vector<double> latencies;
    for (int version = 2; version < 2 + changes; ++version) {
        text += "abs " + std::to_string(version) + "\n";  // an edit at the end, as typing makes it
        const auto start = Clock::now();
        send({{"jsonrpc", "2.0"}, {"method", "textDocument/didChange"},
              {"params", {{"textDocument", {{"uri", uri}, {"version", version}}},
                          {"contentChanges", json::array({{{"text", text}}})}}}});
        count = await_diagnostics();
        latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    send({{"jsonrpc", "2.0"}, {"id", 2}, {"method", "shutdown"}});
    receive();
    send({{"jsonrpc", "2.0"}, {"method", "exit"}});
    int status = 0;
    waitpid(pid, &status, 0);

    std::sort(latencies.begin(), latencies.end());
    std::printf("document: %zu bytes, %zu diagnostics; %d changes\n", text.size(), count, changes);
    std::printf("change to diagnostics: median %.1f ms, fastest %.1f ms, slowest %.1f ms\n",
                latencies[latencies.size() / 2], latencies.front(), latencies.back());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}

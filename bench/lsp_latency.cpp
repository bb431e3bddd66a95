// kelvo_lsp_latency: how soon `kelvo --lsp` publishes the diagnostics of a
// document after each change, as an editor waits for them, and answers the
// semantic tokens of the whole document and the inlay hints of 100 lines
// asked right after it: the server runs in a process of its own, the
// document is a generated mixed script.
//
//   kelvo_lsp_latency KELVO [BYTES] [CHANGES]
//   kelvo_lsp_latency KELVO --heavy [LINES] [CHANGES]
//       a document of LINES lines `zz` (default 350,000: 1 MB, a diagnostic
//       each): after each change, the time until a hover request sent right
//       after it is answered; the bytes published; the server's peak memory
//   kelvo_lsp_latency KELVO --many [DOCUMENTS] [BYTES]
//       the server's memory for DOCUMENTS open mixed scripts of BYTES each
//       (default 1,000 of 100 KB), against their text, and after closing them
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

std::string framed_text(const json& message) {
    const std::string body = message.dump();
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

void send_framed(const std::string& framed) {
    std::size_t done = 0;
    while (done < framed.size()) {
        const ssize_t n = write(to_server, framed.data() + done, framed.size() - done);
        if (n <= 0) std::exit(3);
        done += static_cast<std::size_t>(n);
    }
}

void send(const json& message) { send_framed(framed_text(message)); }

std::string buffered;
std::size_t last_size = 0;  // the body of the message received last
pid_t server = 0;

// Reads until the buffer holds `count` bytes.
void fill(std::size_t count) {
    char chunk[1 << 16];
    while (buffered.size() < count) {
        const ssize_t n = read(from_server, chunk, sizeof chunk);
        if (n <= 0) std::exit(4);
        buffered.append(chunk, static_cast<std::size_t>(n));
    }
}

Clock::time_point arrived;  // when the last byte of the message received last came

// The body of the next message, unparsed.
std::string receive_text() {
    std::size_t end;
    while ((end = buffered.find("\r\n\r\n")) == std::string::npos) fill(buffered.size() + 1);
    const std::size_t length = std::stoul(buffered.substr(16, end - 16));
    fill(end + 4 + length);
    arrived = Clock::now();
    std::string body = buffered.substr(end + 4, length);
    last_size = length;
    buffered.erase(0, end + 4 + length);
    return body;
}

json receive() { return json::parse(receive_text()); }

// Waits for the diagnostics of the document; returns how many there are.
std::size_t await_diagnostics() {
    for (;;) {
        const json m = receive();
        if (m.value("method", "") == "textDocument/publishDiagnostics") return m["params"]["diagnostics"].size();
    }
}

// A line of the server's /proc status, in kB: VmRSS, VmHWM.
long memory_kb(const char* field) {
    std::FILE* status = std::fopen(("/proc/" + std::to_string(server) + "/status").c_str(), "r");
    if (status == nullptr) return -1;
    char line[256];
    long kb = -1;
    const std::string format = std::string(field) + ": %ld";
    while (std::fgets(line, sizeof line, status) != nullptr)
        if (std::sscanf(line, format.c_str(), &kb) == 1) break;
    std::fclose(status);
    return kb;
}

void open_document(const std::string& uri, const std::string& text) {
    send({{"jsonrpc", "2.0"}, {"method", "textDocument/didOpen"},
          {"params", {{"textDocument", {{"uri", uri}, {"languageId", "kelvo"}, {"version", 1}, {"text", text}}}}}});
}

// Waits for the answer to request `id`; the diagnostics published before it
// are counted into `published` (bytes) and `count` (the last list's size).
void await_answer(int id, std::size_t& published, std::size_t& count) {
    for (;;) {
        const json m = receive();
        if (m.contains("id") && m["id"] == id) return;
        published += last_size;
        if (m.value("method", "") == "textDocument/publishDiagnostics") count = m["params"]["diagnostics"].size();
    }
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void heavy(std::size_t lines, int changes) {
    const std::string uri = "file:///bench/heavy.kelvo";
    std::string text;
    for (std::size_t i = 0; i < lines; ++i) text += "zz\n";
    auto start = Clock::now();
    open_document(uri, text);
    std::size_t count = await_diagnostics();
    const double first = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const std::size_t first_bytes = last_size;
    std::vector<double> answers;
    std::size_t published = 0;
    for (int version = 2; version < 2 + changes; ++version) {
        text += "zz\n";
        const std::string burst =
            framed_text({{"jsonrpc", "2.0"}, {"method", "textDocument/didChange"},
                         {"params", {{"textDocument", {{"uri", uri}, {"version", version}}},
                                     {"contentChanges", json::array({{{"text", text}}})}}}}) +
            framed_text({{"jsonrpc", "2.0"}, {"id", version}, {"method", "textDocument/hover"},
                         {"params", {{"textDocument", {{"uri", uri}}}, {"position", {{"line", 0}, {"character", 0}}}}}});
        start = Clock::now();
        send_framed(burst);
        await_answer(version, published, count);
        answers.push_back(std::chrono::duration<double, std::milli>(arrived - start).count());
    }
    std::printf("document: %zu bytes, %zu lines, %zu diagnostics published\n", text.size(), lines + static_cast<std::size_t>(changes), count);
    std::printf("open to diagnostics: %.1f ms, %zu bytes published\n", first, first_bytes);
    std::printf("change to the answer of the request after it: median %.1f ms, slowest %.1f ms (%d changes)\n",
                median(answers), *std::max_element(answers.begin(), answers.end()), changes);
    std::printf("bytes published per change: %zu\n", changes > 0 ? published / static_cast<std::size_t>(changes) : 0);
    std::printf("server peak memory (VmHWM): %.1f MB\n", static_cast<double>(memory_kb("VmHWM")) / 1024.0);
}

void many(std::size_t documents, std::size_t bytes) {
    const long before = memory_kb("VmRSS");
    std::size_t text_bytes = 0;
    for (std::size_t i = 0; i < documents; ++i) {
        const std::string text = kelvo::bench::mixed_script(bytes, kelvo::bench::default_seed + i);
        text_bytes += text.size();
        open_document("file:///bench/many/" + std::to_string(i) + ".kelvo", text);
        await_diagnostics();
    }
    const long open = memory_kb("VmRSS");
    for (std::size_t i = 0; i < documents; ++i) {
        send({{"jsonrpc", "2.0"}, {"method", "textDocument/didClose"},
              {"params", {{"textDocument", {{"uri", "file:///bench/many/" + std::to_string(i) + ".kelvo"}}}}}});
        await_diagnostics();
    }
    const long closed = memory_kb("VmRSS");
    const double held = static_cast<double>(open - before) * 1024.0;
    std::printf("documents: %zu of about %zu bytes, %.1f MB of text\n", documents, bytes,
                static_cast<double>(text_bytes) / 1e6);
    std::printf("server memory (VmRSS): %.1f MB before, %.1f MB with them open, %.1f MB after closing them\n",
                static_cast<double>(before) / 1024.0, static_cast<double>(open) / 1024.0,
                static_cast<double>(closed) / 1024.0);
    std::printf("held for the open documents: %.1f MB, %.2f times their text\n", held / 1e6,
                held / static_cast<double>(text_bytes));
    std::printf("server peak memory (VmHWM): %.1f MB\n", static_cast<double>(memory_kb("VmHWM")) / 1024.0);
}

void typical(std::size_t bytes, int changes) {
    const std::string uri = "file:///bench/mixed.kelvo";
    std::string text = kelvo::bench::mixed_script(bytes);
    send({{"jsonrpc", "2.0"}, {"method", "textDocument/didOpen"},
          {"params", {{"textDocument", {{"uri", uri}, {"languageId", "kelvo"}, {"version", 1}, {"text", text}}}}}});
    std::size_t count = await_diagnostics();

    // What an editor asks right after a change: the tokens of the whole
    // document, and the inlay hints of the 100 lines it shows.
    const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    const json visible = {{"start", {{"line", lines / 2}, {"character", 0}}}, {"end", {{"line", lines / 2 + 100}, {"character", 0}}}};
    std::vector<double> latencies, tokens, hints;
    std::size_t token_count = 0, hint_count = 0;
    for (int version = 2; version < 2 + changes; ++version) {
        text += "abs " + std::to_string(version) + "\n";  // an edit at the end, as typing makes it
        // The messages are framed before the clock starts: what is timed is
        // the server, from the first byte of the change to the last byte of
        // each answer, not this client's JSON.
        const std::string burst =
            framed_text({{"jsonrpc", "2.0"}, {"method", "textDocument/didChange"},
                         {"params", {{"textDocument", {{"uri", uri}, {"version", version}}},
                                     {"contentChanges", json::array({{{"text", text}}})}}}}) +
            framed_text({{"jsonrpc", "2.0"}, {"id", 2 * version}, {"method", "textDocument/semanticTokens/full"},
                         {"params", {{"textDocument", {{"uri", uri}}}}}}) +
            framed_text({{"jsonrpc", "2.0"}, {"id", 2 * version + 1}, {"method", "textDocument/inlayHint"},
                         {"params", {{"textDocument", {{"uri", uri}}}, {"range", visible}}}});
        const auto start = Clock::now();
        send_framed(burst);
        const auto since_start = [&start] { return std::chrono::duration<double, std::milli>(arrived - start).count(); };
        // The three messages are read as they come, and parsed only then.
        const std::string d = receive_text();
        latencies.push_back(since_start());
        const std::string t_text = receive_text();
        tokens.push_back(since_start());
        const std::string h_text = receive_text();
        hints.push_back(since_start());
        if (std::getenv("KELVO_BENCH_EACH")) std::fprintf(stderr, "%d: %.1f %.1f %.1f\n", version, latencies.back(), tokens.back(), hints.back());
        const json t = json::parse(t_text);
        const json h = json::parse(h_text);
        if (t["id"] != 2 * version || h["id"] != 2 * version + 1) std::exit(5);
        count = json::parse(d)["params"]["diagnostics"].size();
        token_count = t["result"]["data"].size() / 5;
        hint_count = h["result"].size();
    }
    const auto report = [](const char* what, std::vector<double>& values) {
        std::sort(values.begin(), values.end());
        std::printf("change to %s: median %.1f ms, fastest %.1f ms, slowest %.1f ms\n", what,
                    values[values.size() / 2], values.front(), values.back());
    };
    std::printf("document: %zu bytes, %zu diagnostics, %zu semantic tokens, %zu inlay hints in 100 lines; %d changes\n",
                text.size(), count, token_count, hint_count, changes);
    report("diagnostics", latencies);
    report("semantic tokens of the whole document", tokens);
    report("inlay hints of 100 lines", hints);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: kelvo_lsp_latency KELVO [BYTES] [CHANGES]\n"
                     "       kelvo_lsp_latency KELVO --heavy [LINES] [CHANGES]\n"
                     "       kelvo_lsp_latency KELVO --many [DOCUMENTS] [BYTES]\n");
        return 2;
    }
    const std::string mode = argc > 2 && argv[2][0] == '-' ? argv[2] : "";
    const int first_number = mode.empty() ? 2 : 3;
    const auto number = [&](int index, unsigned long long otherwise) {
        return argc > first_number + index ? std::strtoull(argv[first_number + index], nullptr, 10) : otherwise;
    };
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
    server = pid;

    send({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", {{"capabilities", json::object()}}}});
    receive();
    send({{"jsonrpc", "2.0"}, {"method", "initialized"}, {"params", json::object()}});
    if (mode == "--heavy") {
        heavy(number(0, 350'000), static_cast<int>(number(1, 10)));
    } else if (mode == "--many") {
        many(number(0, 1'000), number(1, 100'000));
    } else {
        typical(number(0, 1'000'000), static_cast<int>(number(1, 20)));
    }
    send({{"jsonrpc", "2.0"}, {"id", 1000000}, {"method", "shutdown"}});
    for (json m = receive(); !(m.contains("id") && m["id"] == 1000000); m = receive()) {
    }
    send({{"jsonrpc", "2.0"}, {"method", "exit"}});
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}

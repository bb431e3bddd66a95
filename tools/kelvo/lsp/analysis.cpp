#include "analysis.h"

#include "library/session.h"

namespace kelvo::lsp {

namespace {

std::vector<std::string> words_of(std::string_view text) {
    std::vector<std::string> words;
    std::size_t i = 0;
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (i < text.size()) {
        while (i < text.size() && blank(text[i])) ++i;
        const std::size_t start = i;
        while (i < text.size() && !blank(text[i])) ++i;
        if (i > start) words.emplace_back(text.substr(start, i - start));
    }
    return words;
}

// Takes in what one run tells: the reports, the declarations, and where the
// definitions end.
class Collector final : public Listener {
public:
    explicit Collector(Analysis& analysis) : analysis_(analysis) {}

    void report(const Report& r) override {
        analysis_.findings.push_back({r.severity, std::string(r.code), std::string(r.text), r.position, r.length});
    }
    void argument_count(std::int32_t, std::size_t) override {}

    void declared(const Declaration& d) override {
        if (d.kind == Declaration::Kind::script) close_open(d.keyword_position.line - 1);
        analysis_.symbols.push_back({d.kind, std::string(d.name), d.position, d.keyword_position,
                                     d.argument_count, words_of(d.parameters), 0});
        if (d.kind == Declaration::Kind::script) open_ = analysis_.symbols.size() - 1;
    }
    void definition_closed(SourcePosition end) override { close_open(end.line); }

private:
    // A definition ends at its `end`, or where the next `function` takes its text.
    void close_open(std::size_t line) {
        if (open_ == none) return;
        analysis_.symbols[open_].last_line = line;
        open_ = none;
    }

    static constexpr std::size_t none = static_cast<std::size_t>(-1);
    Analysis& analysis_;
    std::size_t open_ = none;
};

}  // namespace

Analysis analyse(std::string text, const Globals& globals) {
    Analysis analysis;
    Collector collector(analysis);
    SessionOptions options;
    for (const auto& [name, value] : globals.real) options.globals.push_back({GlobalArgument::Kind::real, name, value});
    for (const auto& [name, value] : globals.text) options.globals.push_back({GlobalArgument::Kind::string, name, value});
    options.listener = &collector;
    translate_source(std::move(text), options);
    return analysis;
}

}  // namespace kelvo::lsp

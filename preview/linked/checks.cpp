// The calls of host functions with another argument count than the host
// takes, found in the host text alone, and the warnings they make at the
// source terms that wrote them.
#include <algorithm>
#include <numeric>
#include <optional>

#include "preview/linked/linked.h"
#include "preview/parse/lexer.h"

namespace kelvo::preview {

namespace {

// A long text is read a piece at a time, each ending after a line feed,
// so that its tokens never take more room than one piece's.
constexpr std::size_t piece_bytes = std::size_t{1} << 20;

// An open bracket: of a call of a host function (its row), or of anything else.
struct Open {
    std::optional<std::size_t> function;
    std::uint32_t begin = 0;  // the call's name
    int commas = 0;
    bool empty = true;
};

class CallScan {
public:
    CallScan(std::string_view text, std::size_t origin, std::vector<ArgumentCountCall>& out)
        : text_(text), origin_(origin), out_(out) {}

    // The texts between single quotes, the bodies of user scripts, are
    // scanned after the text around them.
    std::vector<Range> run() {
        for (std::size_t at = 0; at < text_.size();) at = piece(at);
        return bodies_;
    }

private:
    // Reads the piece from `at` and returns where the next begins.
    std::size_t piece(std::size_t at) {
        std::size_t size = piece_bytes;
        for (;;) {
            const std::size_t feed = at + size >= text_.size() ? std::string_view::npos : text_.find('\n', at + size);
            const std::size_t end = feed == std::string_view::npos ? text_.size() : feed + 1;
            const std::vector<Token> tokens = tokenize(text_.substr(at, end - at));
            // A text that runs on past the piece is read with a longer one.
            if (end < text_.size() && tokens.size() > 1 && tokens[tokens.size() - 2].kind == TokenKind::unclosed_text) {
                size *= 2;
                continue;
            }
            for (std::size_t i = 0; i + 1 < tokens.size(); ++i) take(tokens, i, at);
            return end;
        }
    }

    void take(const std::vector<Token>& tokens, std::size_t i, std::size_t base) {
        const Token& t = tokens[i];
        const auto begin = static_cast<std::uint32_t>(base + t.begin);
        const auto end = static_cast<std::uint32_t>(base + t.end);
        if (t.kind == TokenKind::comma) {
            if (!open_.empty()) ++open_.back().commas;
            return;
        }
        if (t.kind == TokenKind::line_end) return;
        if (t.kind == TokenKind::close_bracket) return close(end);
        if (!open_.empty()) open_.back().empty = false;
        if (t.kind == TokenKind::text && text_[begin] == '\'') bodies_.push_back({begin + 1u, end - 1u});
        if (t.kind != TokenKind::open_bracket) return;
        const bool called = i > 0 && tokens[i - 1].kind == TokenKind::name;
        Open opened;
        if (called) {
            opened.begin = static_cast<std::uint32_t>(base + tokens[i - 1].begin);
            opened.function = find_host_function(text_.substr(opened.begin, begin - opened.begin));
        }
        open_.push_back(opened);
    }

    void close(std::uint32_t end) {
        if (open_.empty()) return;
        const Open call = open_.back();
        open_.pop_back();
        if (!call.function) return;
        const HostFunction& row = host_functions()[*call.function];
        const int given = call.empty ? 0 : call.commas + 1;
        if (given >= row.least && given <= row.most) return;
        out_.push_back({{origin_ + call.begin, origin_ + end}, *call.function, given});
    }

    std::string_view text_;
    std::size_t origin_;
    std::vector<ArgumentCountCall>& out_;
    std::vector<Open> open_;
    std::vector<Range> bodies_;
};

// "3 arguments", "1 argument", "1 to 16 arguments"
std::string takes_text(const HostFunction& row) {
    if (row.least == row.most) return std::to_string(row.least) + (row.least == 1 ? " argument" : " arguments");
    return std::to_string(row.least) + " to " + std::to_string(row.most) + " arguments";
}

// Whether an operand of the term came out as no text: a call that the host
// then finds empty is the translator's message there, not a warning of its own.
bool has_empty_operand(const Analysis& analysis, std::int32_t term) {
    if (term < 0) return false;
    const AnalysedLine& line = analysis.lines[analysis.terms[static_cast<std::size_t>(term)].line];
    for (std::size_t i = static_cast<std::size_t>(term) + 1; i < line.first_term + line.term_count; ++i) {
        const AnalysedTerm& t = analysis.terms[i];
        if (t.parent == term && (t.missing || analysis.host_of(t).size() == 0)) return true;
    }
    return false;
}

// Places in the order of the source; findings about no place after them.
bool before(const SourcePosition& a, const SourcePosition& b) {
    if ((a.line == 0) != (b.line == 0)) return b.line == 0;
    return a < b;
}

}  // namespace

std::vector<ArgumentCountCall> argument_count_calls(std::string_view host) {
    std::vector<ArgumentCountCall> calls;
    // Offsets are 32 bits, as the tokens' are.
    if (host.size() >= std::uint64_t{0xFFFFFFFF}) return calls;
    // A body ends at its first single quote: none holds another.
    for (const Range body : CallScan(host, 0, calls).run())
        CallScan(host.substr(body.begin, body.end - body.begin), body.begin, calls).run();
    std::stable_sort(calls.begin(), calls.end(),
                     [](const ArgumentCountCall& x, const ArgumentCountCall& y) { return x.range.begin < y.range.begin; });
    return calls;
}

HostChecks host_checks(const Analysis& analysis) {
    HostChecks checks;
    const std::vector<ArgumentCountCall> calls = argument_count_calls(analysis.host);
    if (calls.empty()) return checks;
    const SourceLinks links(analysis);
    std::vector<Finding> findings;
    std::vector<ArgumentCountCall> kept;
    for (const ArgumentCountCall& call : calls) {
        const HostFunction& row = host_functions()[call.function];
        const SourcePlace place = links.at(call.range);
        if (call.given == 0 && has_empty_operand(analysis, place.term)) continue;
        Finding f;
        f.report.code = Code::host_argument_count;
        if (place.found) f.report.span = {place.position, advanced(place.position, place.word.end - place.word.begin)};
        f.report.word = row.name;
        f.report.name = checks.texts.add(takes_text(row));
        f.report.operands = row.least;
        f.report.given = call.given;
        findings.push_back(f);
        kept.push_back(call);
    }
    std::vector<std::size_t> order(kept.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
        return before(findings[x].report.position(), findings[y].report.position());
    });
    for (const std::size_t i : order) {
        checks.calls.push_back(kept[i]);
        checks.findings.push_back(findings[i]);
    }
    return checks;
}

std::vector<const Finding*> merged_findings(const Analysis& analysis, const HostChecks& checks) {
    std::vector<const Finding*> merged;
    merged.reserve(analysis.findings.size() + checks.findings.size());
    auto check = checks.findings.begin();
    for (const Finding& f : analysis.findings) {
        const bool placed = f.severity() != Severity::note && f.report.position().line != 0;
        for (; placed && check != checks.findings.end() && before(check->report.position(), f.report.position()); ++check)
            merged.push_back(&*check);
        merged.push_back(&f);
    }
    for (; check != checks.findings.end(); ++check) merged.push_back(&*check);
    return merged;
}

}  // namespace kelvo::preview

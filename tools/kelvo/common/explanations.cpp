#include "explanations.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "core/report.h"

namespace kelvo {

// The bytes of docs/messages/pages.txt, built in (cmake/embed_file.cmake).
extern const unsigned char explanation_pages_data[];
extern const std::size_t explanation_pages_data_size;

namespace {

// The parts of a page, each written in the data as a heading and the block
// of `| ` lines after it.
enum Part : std::size_t { summary, message, meaning, why, args, wrong, mended, fix, none, part_count };

constexpr std::array<std::string_view, part_count> part_names = {"summary", "message", "meaning", "why", "args",
                                                                 "wrong",   "mended",  "fix",     "none"};

struct Page {
    std::string_view code;
    std::string_view kind;
    std::array<std::string, part_count> parts;
};

// The translation's codes by the library's own table; the others are the
// preview host's faults, host-CODE.
std::string_view kind_of(std::string_view code) {
    Code c{};
    if (!code_named(code, c)) return code.starts_with("host-") ? "host fault" : "";
    switch (severity_of(c)) {
        case Severity::error: return "error";
        case Severity::warning: return "warning";
        case Severity::note: return "note";
    }
    return "";
}

std::size_t part_named(std::string_view name) {
    const auto found = std::find(part_names.begin(), part_names.end(), name);
    return static_cast<std::size_t>(found - part_names.begin());
}

// One line of a block: "| text", or "|" alone for an empty line.
void add_block_line(std::string& part, std::string_view line) {
    if (!part.empty()) part += '\n';
    part += line.substr(std::min<std::size_t>(line.size(), 2));
}

std::vector<Page> read_pages() {
    const std::string_view data(reinterpret_cast<const char*>(explanation_pages_data), explanation_pages_data_size);
    std::vector<Page> pages;
    std::size_t part = part_count;
    for (std::size_t at = 0; at < data.size();) {
        const std::size_t end = std::min(data.find('\n', at), data.size());
        const std::string_view line = data.substr(at, end - at);
        at = end + 1;
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '|') {
            if (!pages.empty() && part < part_count) add_block_line(pages.back().parts[part], line);
        } else if (line.starts_with("page ")) {
            pages.push_back({line.substr(5), kind_of(line.substr(5)), {}});
            part = part_count;
        } else {
            part = part_named(line);
        }
    }
    return pages;
}

const std::vector<Page>& pages() {
    static const std::vector<Page> read = read_pages();
    return read;
}

// Lines as a Markdown code block: each indented by four blanks.
std::string code_block(std::string_view text) {
    std::string out;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        out += line.empty() ? "" : "    ";
        out += line;
        out += '\n';
        at = end + 1;
    }
    return out;
}

std::string capitalised(std::string_view text) {
    std::string out(text);
    if (!out.empty() && out[0] >= 'a' && out[0] <= 'z') out[0] = static_cast<char>(out[0] - 'a' + 'A');
    return out;
}

std::string scripts_part(const Page& p) {
    if (!p.parts[none].empty()) return "**No script causes it.** " + p.parts[none] + "\n";
    std::string out = "**A script that causes it**";
    const std::string_view how = p.kind == "host fault" ? "kelvo --run" : "kelvo";
    out += p.parts[args].empty() ? " (`" + std::string(how) + " s.kelvo`):\n\n"
                                 : " (`" + std::string(how) + " " + p.parts[args] + " s.kelvo`):\n\n";
    out += code_block(p.parts[wrong]);
    out += "\n**The same script mended:**\n\n";
    out += code_block(p.parts[mended]);
    return out;
}

std::string render(const Page& p) {
    std::string out = "## " + std::string(p.code) + "\n\n";
    out += "*" + capitalised(p.kind) + ":* " + p.parts[summary] + "\n\n";
    if (!p.parts[message].empty()) {
        out += "As kelvo prints it:\n\n";
        out += code_block(p.parts[message]);
        out += '\n';
    }
    out += p.parts[meaning] + "\n\n";
    out += "**Why it happens.** " + p.parts[why] + "\n\n";
    out += scripts_part(p);
    out += '\n';
    out += p.parts[fix].empty() ? "**Quick fix:** none; the editor shows the report only.\n"
                                : "**Quick fix** (the editor's light bulb): " + p.parts[fix] + "\n";
    return out;
}

std::size_t distance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

const std::vector<ExplanationEntry>& explanation_entries() {
    static const std::vector<ExplanationEntry> entries = [] {
        std::vector<ExplanationEntry> list;
        for (const Page& p : pages()) list.push_back({p.code, p.kind, p.parts[summary]});
        return list;
    }();
    return entries;
}

std::optional<std::string> explanation_page(std::string_view code) {
    for (const Page& p : pages())
        if (p.code == code) return render(p);
    return std::nullopt;
}

std::string explanation_list() {
    std::size_t widest = 0;
    for (const ExplanationEntry& e : explanation_entries()) widest = std::max(widest, e.code.size());
    std::string out;
    for (const ExplanationEntry& e : explanation_entries()) {
        out += e.code;
        out.append(widest + 2 - e.code.size(), ' ');
        out += e.kind;
        out.append(12 - std::min<std::size_t>(e.kind.size(), 11), ' ');
        out += e.summary;
        out += '\n';
    }
    return out;
}

std::string_view closest_explanation(std::string_view code) {
    std::string_view best;
    std::size_t best_distance = std::max<std::size_t>(2, code.size() / 3) + 1;
    for (const ExplanationEntry& e : explanation_entries()) {
        std::size_t d = distance(code, e.code);
        // "division-by-zero" for "host-division-by-zero" and the like.
        if (e.kind == "host fault") d = std::min(d, distance(code, e.code.substr(5)) + 1);
        if (d < best_distance) {
            best = e.code;
            best_distance = d;
        }
    }
    return best;
}

}  // namespace kelvo

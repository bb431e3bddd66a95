// The examples and the documents say what a script becomes: each sample is
// translated and compared with the host text written beside it by hand.
//
// examples/NAME.kelvo
//   is compared with examples/expected/NAME.host, translated with the global
//   arguments of examples/expected/NAME.defines if there is one (lines
//   `--define NAME=VALUE` or `--define-string NAME=VALUE`, as kelvo takes
//   them). An example must translate without messages and without warnings.
//
// docs/*.md, three forms of a sample that shows its host text:
//   1. a fenced block with the info string `kelvo`, then (blank lines between
//      are allowed) a fenced block with the info string `host`;
//   2. an HTML table whose header is "Source script" / "Host script", with a
//      <pre> block in each column (&lt; &gt; &amp; are unescaped, and <0xHH>
//      stands for that byte);
//   3. a Markdown table whose header is `| Source line | Host line |`: the
//      rows are the lines of one script, `*(empty)*` an empty host line, and
//      an `*(...)*` remark after a cell is no part of it.
//   A line `<!-- sample: OPTIONS -->` right before a sample gives it global
//   arguments, in kelvo's spelling (`--define a=1 --define-string b=x`; single quotes
//   keep blanks in a value: `--define-string 'q=say "hi"'`).
//   The one-line tables `| Source | Host text | Reported |` are not taken:
//   their rows assume the declarations of the text around them.
//
// The documents' links are checked too: every relative link names a file
// that exists, and every #anchor a heading of its file (except the links
// into the playground, which is built).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <iomanip>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "KelvoScriptparser.h"
#include "core/state.h"
#include "library/run.h"
#include "library/session.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

const fs::path source_dir = KELVO_SOURCE_DIR;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct Sample {
    std::string where;    // FILE:LINE of the sample
    std::string options;  // --define a=1 --define-string b=x
    std::string source;
    std::string host;
};

struct Outcome {
    std::string host;
    std::vector<std::string> reports;  // messages and warnings, as LINE:COL: text
};

// Applies kelvo's --define and --define-string options; false on anything else.
bool define_globals(const std::string& options) {
    std::istringstream words(options);
    for (std::string option, definition; words >> option;) {
        if (!(words >> std::quoted(definition, '\''))) return false;
        const std::size_t equals = definition.find('=');
        if (equals == std::string::npos) return false;
        const std::string name = definition.substr(0, equals), value = definition.substr(equals + 1);
        if (option == "--define") {
            Parser_add_global_arg_real(name.c_str(), value.c_str());
        } else if (option == "--define-string") {
            Parser_add_global_arg_string(name.c_str(), value.c_str());
        } else {
            return false;
        }
    }
    return true;
}

// One run of a freshly loaded library, as kelvo makes it.
Outcome translate(const Sample& sample) {
    kelvo::restore_loaded_state();
    kelvo::test::Recorder recorder;
    Outcome outcome;
    if (!define_globals(sample.options)) {
        outcome.reports.push_back("cannot read the options: " + sample.options);
    }
    kelvo::SessionOptions options;
    options.start = kelvo::StartFrom::current_state;
    options.listener = &recorder;
    outcome.host = std::string(kelvo::translate_source(sample.source, options).host);
    for (const auto& m : recorder.messages) {
        if (m.severity == kelvo::Severity::note) continue;
        outcome.reports.push_back(std::to_string(m.position.line) + ":" + std::to_string(m.position.column) +
                                  ": " + m.text);
    }
    kelvo::restore_loaded_state();
    return outcome;
}

// ---- the examples -------------------------------------------------------

TEST(Examples, EachTranslatesCleanlyToItsHandCheckedHostScript) {
    const fs::path examples = source_dir / "examples";
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(examples)) {
        if (entry.path().extension() == ".kelvo") names.insert(entry.path().stem().string());
    }
    EXPECT_GE(names.size(), 6U) << "examples/ should hold at least six scripts";
    for (const std::string& name : names) {
        SCOPED_TRACE("examples/" + name + ".kelvo");
        const fs::path expected = examples / "expected" / (name + ".host");
        ASSERT_TRUE(fs::exists(expected)) << "no " << expected;
        const fs::path defines = examples / "expected" / (name + ".defines");
        Sample sample{name, fs::exists(defines) ? slurp(defines) : "", slurp(examples / (name + ".kelvo")), ""};
        const Outcome outcome = translate(sample);
        EXPECT_EQ(outcome.host, slurp(expected));
        EXPECT_EQ(outcome.reports, std::vector<std::string>{});
    }
    // Every expected file belongs to an example.
    for (const auto& entry : fs::directory_iterator(examples / "expected")) {
        EXPECT_TRUE(names.count(entry.path().stem().string()) == 1) << entry.path() << " has no example";
    }
}

// ---- the samples of the documents ---------------------------------------

std::string unescape_html(std::string text) {
    static const std::pair<const char*, const char*> entities[] = {{"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}};
    for (const auto& [entity, plain] : entities) {
        for (std::size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1)) {
            text.replace(at, std::string(entity).size(), plain);
        }
    }
    // <0xHH> stands for the byte HH.
    const auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    for (std::size_t at = text.find("<0x"); at != std::string::npos; at = text.find("<0x", at + 1)) {
        if (at + 6 > text.size() || !hex(text[at + 3]) || !hex(text[at + 4]) || text[at + 5] != '>') continue;
        const char byte = static_cast<char>(std::stoi(text.substr(at + 3, 2), nullptr, 16));
        text.replace(at, 6, 1, byte);
    }
    return text;
}

// The lines after `from` up to the line `end`, each with its line feed;
// `from` is left on the closing line.
std::string block(const std::vector<std::string>& lines, std::size_t& from, const std::string& end) {
    std::string text;
    for (++from; from < lines.size() && lines[from] != end; ++from) text += lines[from] + "\n";
    return text;
}

// The next line at or after `from` that is not blank, or lines.size().
std::size_t next_filled(const std::vector<std::string>& lines, std::size_t from) {
    while (from < lines.size() && lines[from].find_first_not_of(" \t") == std::string::npos) ++from;
    return from;
}

// A table cell's text between backticks, or "" for `*(empty)*`.
std::string cell_text(const std::string& cell) {
    const std::size_t open = cell.find('`');
    if (open == std::string::npos) return "";
    const std::size_t close = cell.find('`', open + 1);
    return cell.substr(open + 1, close - open - 1);
}

// The form 3 table that starts at lines[i] (its header).
void read_line_table(const std::vector<std::string>& lines, std::size_t& i, Sample& sample) {
    for (i += 2; i < lines.size() && lines[i].rfind("| ", 0) == 0; ++i) {
        const std::string& row = lines[i];
        const std::size_t middle = row.find(" | ", 2);
        sample.source += cell_text(row.substr(2, middle - 2)) + "\n";
        sample.host += cell_text(row.substr(middle + 3)) + "\n";
    }
}

// The form 2 table that starts at lines[i] (its header row).
void read_html_table(const std::vector<std::string>& lines, std::size_t& i, Sample& sample) {
    std::string* column[] = {&sample.source, &sample.host};
    for (std::string* text : column) {
        while (i < lines.size() && lines[i] != "<pre>") ++i;
        *text = unescape_html(block(lines, i, "</pre>"));
    }
}

std::vector<Sample> samples_of(const fs::path& document) {
    constexpr std::string_view options_start = "<!-- sample: ";
    constexpr std::string_view options_end = " -->";
    const std::vector<std::string> lines = lines_of(slurp(document));
    std::vector<Sample> samples;
    std::string options;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.starts_with(options_start) && line.ends_with(options_end) &&
            line.size() >= options_start.size() + options_end.size()) {
            options = line.substr(options_start.size(), line.size() - options_start.size() - options_end.size());
            continue;
        }
        Sample sample{document.filename().string() + ":" + std::to_string(i + 1), options, "", ""};
        if (lines[i] == "```kelvo") {
            sample.source = block(lines, i, "```");
            const std::size_t host = next_filled(lines, i + 1);
            if (host >= lines.size() || lines[host] != "```host") continue;  // a source block alone
            i = host;
            sample.host = block(lines, i, "```");
        } else if (lines[i] == "<tr><th>Source script</th><th>Host script</th></tr>") {
            read_html_table(lines, i, sample);
        } else if (lines[i] == "| Source line | Host line |") {
            read_line_table(lines, i, sample);
        } else {
            if (!lines[i].empty()) options.clear();
            continue;
        }
        samples.push_back(sample);
        options.clear();
    }
    return samples;
}

class DocumentSamples : public ::testing::TestWithParam<const char*> {};

TEST_P(DocumentSamples, TranslateToTheHostTextWrittenBesideThem) {
    const std::vector<Sample> samples = samples_of(source_dir / "docs" / GetParam());
    EXPECT_GE(samples.size(), 10U) << "the samples were not found: has their form changed?";
    for (const Sample& sample : samples) {
        SCOPED_TRACE(sample.where);
        EXPECT_EQ(translate(sample).host, sample.host) << "source:\n" << sample.source;
    }
}

INSTANTIATE_TEST_SUITE_P(Docs, DocumentSamples, ::testing::Values("guide.md", "language.md"),
                         [](const auto& param_info) { return std::string(param_info.param).substr(0, 5); });

// The forms are read as the header says; a damaged sample must show.
TEST(DocumentSamplesReader, ReadsEachFormAndItsOptions) {
    const fs::path scratch = fs::temp_directory_path() / ("kelvo-docs-" + std::to_string(::getpid()) + ".md");
    std::ofstream(scratch, std::ios::binary)
        << "<!-- sample: --define-string who=Ann -->\n```kelvo\nmessage who\n```\n\n```host\nshow_message(\"Ann\")\n```\n"
        << "```kelvo\nalone\n```\ntext\n"
        << "<tr><th>Source script</th><th>Host script</th></tr>\n<tr><td>\n\n<pre>\nif 1 &lt; 2\n</pre>\n\n"
        << "</td><td>\n\n<pre>\nif(1 2) \n</pre>\n"
        << "| Source line | Host line |\n|---|---|\n| `var x 5` | `x = 5` |\n| `var x 7` | *(empty)* |\n"
        << "| `else` | `else ` *(ends in a blank)* |\n\nafter\n";
    const std::vector<Sample> samples = samples_of(scratch);
    fs::remove(scratch);
    ASSERT_EQ(samples.size(), 3U);
    EXPECT_EQ(samples[0].options, "--define-string who=Ann");
    EXPECT_EQ(samples[0].source, "message who\n");
    EXPECT_EQ(samples[0].host, "show_message(\"Ann\")\n");
    EXPECT_EQ(translate(samples[0]).host, samples[0].host);
    EXPECT_EQ(samples[1].options, "");
    EXPECT_EQ(samples[1].source, "if 1 < 2\n");
    EXPECT_EQ(samples[1].host, "if(1 2) \n");
    EXPECT_EQ(samples[2].source, "var x 5\nvar x 7\nelse\n");
    EXPECT_EQ(samples[2].host, "x = 5\n\nelse \n");
    EXPECT_EQ(unescape_html("a<0x1A>b &amp;lt;"), std::string("a\x1a") + "b &lt;");
}

// ---- links and anchors --------------------------------------------------

// The anchor that a heading gets: lower case, punctuation dropped, blanks
// as hyphens; a repeated one gets -1, -2, ...
std::set<std::string> anchors_of(const fs::path& document) {
    std::set<std::string> anchors;
    bool fenced = false;
    for (const std::string& line : lines_of(slurp(document))) {
        if (line.rfind("```", 0) == 0) fenced = !fenced;
        if (fenced || line.empty() || line[0] != '#') continue;
        std::string slug;
        for (const char c : line.substr(line.find(' ') + 1)) {
            const auto u = static_cast<unsigned char>(c);
            if (std::isalnum(u) || c == '-' || c == '_') slug += static_cast<char>(std::tolower(u));
            if (c == ' ') slug += '-';
        }
        std::string unique = slug;
        for (int n = 1; anchors.count(unique) != 0; ++n) unique = slug + "-" + std::to_string(n);
        anchors.insert(unique);
    }
    return anchors;
}

// The targets of the Markdown links "](TARGET)" of a text: no blank, no ")".
std::vector<std::string> link_targets(const std::string& text) {
    std::vector<std::string> targets;
    for (std::size_t at = text.find("]("); at != std::string::npos; at = text.find("](", at + 1)) {
        std::size_t end = at + 2;
        while (end < text.size() && text[end] != ')' && std::isspace(static_cast<unsigned char>(text[end])) == 0) ++end;
        if (end < text.size() && text[end] == ')' && end > at + 2) targets.push_back(text.substr(at + 2, end - at - 2));
    }
    return targets;
}

TEST(DocumentLinks, NameFilesAndHeadingsThatExist) {
    for (const fs::path& document : {source_dir / "README.md", source_dir / "docs" / "guide.md",
                                    source_dir / "docs" / "language.md", source_dir / "editors" / "vscode" / "README.md"}) {
        SCOPED_TRACE(document.string());
        const std::string text = slurp(document);
        int checked = 0;
        for (const std::string& target : link_targets(text)) {
            if (target.find("://") != std::string::npos || target.rfind("mailto:", 0) == 0) continue;
            // The built playground page, published beside docs/; the web
            // test web_guide_links checks what these links carry.
            if (target.rfind("../playground/", 0) == 0) continue;
            const std::size_t hash = target.find('#');
            const fs::path file =
                hash == 0 ? document : document.parent_path() / target.substr(0, hash);
            ++checked;
            if (!fs::exists(file)) {
                ADD_FAILURE() << target << ": no such file";
            } else if (hash != std::string::npos) {
                EXPECT_EQ(anchors_of(file).count(target.substr(hash + 1)), 1U) << target << ": no such heading";
            }
        }
        if (document.filename() == "guide.md") {
            EXPECT_GE(checked, 40) << "the keyword index links into the reference";
        }
    }
}

// The anchors that the reference's own links rely on come out as GitHub
// makes them.
TEST(DocumentLinks, AnchorsFollowTheHeadings) {
    const std::set<std::string> anchors = anchors_of(source_dir / "docs" / "language.md");
    for (const char* anchor : {"the-traps", "-else-drops-the-else", "a--left-open-runs-on", "-inside-a-string",
                               "when-var-declares-nothing", "if-x--1-with-x-a-variable"}) {
        EXPECT_EQ(anchors.count(anchor), 1U) << anchor;
    }
}

}  // namespace

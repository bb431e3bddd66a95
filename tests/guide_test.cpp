// The recipes, idioms and traps of the script author's guide (docs/guide.md),
// each a case of tests/guide/*.txt (tests/guide/README.md): the built kelvo
// tool translates the case's script, and its host text, exit status, the
// codes of its warnings and messages and, where the case gives it, its
// standard error must be what the case says. The guide marks each recipe's
// script and each output it shows; those must be the cases' own, so the
// guide cannot promise what the tool does not do.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "case_file.h"
#include "tool_process.h"

namespace {

namespace fs = std::filesystem;

using kelvo::test::slurp;

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> words_of(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string word; in >> word;) words.push_back(kelvo::test::unescape(word));
    return words;
}

// ---- the cases -------------------------------------------------------------

struct GuideCase {
    std::string file;
    int line = 0;
    std::string name;
    std::string recipe;  // the guide's mark of this script or of its output
    std::string table;   // the guide's table whose rows this case translates
    std::string script_name = "script.kelvo";
    std::string script;
    std::vector<std::string> args;
    std::string host;
    std::vector<std::string> codes;  // LINE:COL CODE of each warning and message
    int status = 0;
    std::optional<std::string> err;
};

void PrintTo(const GuideCase& c, std::ostream* out) { *out << c.file << ":" << c.line << ": " << c.name; }

void read_heading(GuideCase& c, const std::string& line, const std::vector<std::string>& block) {
    const std::vector<std::string> words = words_of(line);
    const std::string& word = words.at(0);
    const auto one = [&]() -> const std::string& {
        if (words.size() != 2) throw std::runtime_error("'" + word + "' takes one word: " + line);
        return words[1];
    };
    if (word == "recipe") {
        c.recipe = one();
    } else if (word == "table") {
        c.table = one();
    } else if (word == "name") {
        c.script_name = one();
    } else if (word == "source") {
        c.script = kelvo::test::CaseFile::text_of(block);
    } else if (word == "args") {
        c.args.assign(words.begin() + 1, words.end());
    } else if (word == "host") {
        c.host = kelvo::test::CaseFile::text_of(block);
    } else if (word == "codes") {
        c.codes = block;
    } else if (word == "status") {
        c.status = std::stoi(one());
    } else if (word == "stderr") {
        c.err = kelvo::test::CaseFile::text_of(block);
    } else {
        throw std::runtime_error("not a heading of a guide case: " + line);
    }
}

std::vector<GuideCase> load_guide_cases(const fs::path& path) {
    return kelvo::test::load_cases<GuideCase>(path, read_heading);
}

const std::vector<GuideCase>& all_cases() {
    static const std::vector<GuideCase> cases = kelvo::test::cases_in(KELVO_GUIDE_CASES_DIR, load_guide_cases);
    return cases;
}

// ---- the tool --------------------------------------------------------------

using Outcome = kelvo::test::ToolOutcome;

class Scratch {
public:
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "kelvo-guide-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no scratch folder");
        root_ = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    void put(const std::string& name, const std::string& bytes) const {
        std::ofstream(root_ / name, std::ios::binary) << bytes;
    }

    // kelvo in the scratch folder, standard input empty.
    Outcome run(const std::vector<std::string>& args) const {
        fs::create_directories(root_ / ".captured");
        return kelvo::test::run_tool(kelvo::test::ToolRun(KELVO_TOOL_PATH, root_, root_ / ".captured"), args);
    }

private:
    fs::path root_;
};

// The warnings and messages of the translation's record, as LINE:COL CODE;
// the notes that go with them are left to the case's standard error.
std::vector<std::string> codes_of(const std::string& analysis) {
    std::vector<std::string> codes;
    const nlohmann::json record = nlohmann::json::parse(analysis);
    for (const nlohmann::json& finding : record.at("findings")) {
        if (finding.at("severity") == "note") continue;
        const nlohmann::json& at = finding.at("position");
        codes.push_back(std::to_string(at.at("line").get<int>()) + ":" + std::to_string(at.at("column").get<int>()) +
                        " " + finding.at("code").get<std::string>());
    }
    return codes;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

class GuideRecipe : public ::testing::TestWithParam<GuideCase> {};

TEST_P(GuideRecipe, TranslatesAsTheGuideSays) {
    const GuideCase& c = GetParam();
    Scratch scratch;
    scratch.put(c.script_name, c.script);
    std::vector<std::string> args{"--no-show-source"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back(c.script_name);
    const Outcome o = scratch.run(args);
    EXPECT_EQ(o.out, c.host);
    EXPECT_EQ(o.status, c.status) << o.err;
    if (c.err) {
        EXPECT_EQ(o.err, *c.err);
    }

    args.front() = "--analysis";
    const Outcome record = scratch.run(args);
    ASSERT_FALSE(record.out.empty()) << record.err;
    EXPECT_EQ(joined(codes_of(record.out)), joined(c.codes)) << o.err;
}

std::string case_name(const ::testing::TestParamInfo<GuideCase>& info) {
    std::string name = fs::path(info.param.file).stem().string() + "_" + info.param.name;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, GuideRecipe, ::testing::ValuesIn(all_cases()), case_name);

// ---- the marks in the guide --------------------------------------------------
//
// <!-- recipe: ID -->         the next ```kelvo block is the script of case ID
// <!-- recipe-output: ID -->  the next ```text block is case ID's standard error
// <!-- recipes: ID -->        each row of the next table: its second cell's
//                             code is a line of a case of table ID, and its
//                             third cell's code a line of that case's host text

struct Row {
    std::string where;
    std::string script;
    std::string host;
};

struct GuideMarks {
    std::map<std::string, std::string> scripts;  // by ID
    std::map<std::string, std::string> outputs;  // by ID
    std::map<std::string, std::vector<Row>> tables;
    std::vector<std::string> faults;  // a mark that leads to nothing
};

// The id of a mark `<!-- KIND: ID -->`, or "".
std::string mark_of(const std::string& line, const std::string& kind) {
    const std::string start = "<!-- " + kind + ": ", end = " -->";
    if (line.rfind(start, 0) != 0 || line.size() < start.size() + end.size()) return "";
    if (line.compare(line.size() - end.size(), end.size(), end) != 0) return "";
    return line.substr(start.size(), line.size() - start.size() - end.size());
}

// The text of the fenced block `fence` that opens at or after `from` before
// any heading, its lines each with a line feed; nullopt if there is none.
std::optional<std::string> fenced_after(const std::vector<std::string>& lines, std::size_t from,
                                        const std::string& fence) {
    for (std::size_t i = from; i < lines.size() && lines[i].rfind("#", 0) != 0; ++i) {
        if (lines[i] != fence) continue;
        std::string text;
        for (++i; i < lines.size() && lines[i] != "```"; ++i) text += lines[i] + "\n";
        return text;
    }
    return std::nullopt;
}

// The code between the first pair of backticks of a table cell.
std::string code_in(const std::string& cell) {
    const std::size_t open = cell.find('`');
    const std::size_t close = open == std::string::npos ? open : cell.find('`', open + 1);
    return close == std::string::npos ? "" : cell.substr(open + 1, close - open - 1);
}

std::vector<std::string> cells_of(const std::string& row) {
    std::vector<std::string> cells;
    std::size_t at = row.find('|');
    for (std::size_t next = row.find('|', at + 1); next != std::string::npos; next = row.find('|', at + 1)) {
        cells.push_back(row.substr(at + 1, next - at - 1));
        at = next;
    }
    return cells;
}

// The body rows of the table that starts at or after `from` (header and rule
// skipped).
std::vector<Row> table_after(const std::vector<std::string>& lines, std::size_t from, const std::string& file) {
    std::vector<Row> rows;
    while (from < lines.size() && lines[from].rfind("|", 0) != 0) ++from;
    for (std::size_t i = from + 2; i < lines.size() && lines[i].rfind("|", 0) == 0; ++i) {
        const std::vector<std::string> cells = cells_of(lines[i]);
        if (cells.size() < 3) continue;
        rows.push_back({file + ":" + std::to_string(i + 1), code_in(cells[1]), code_in(cells[2])});
    }
    return rows;
}

GuideMarks marks_of(const std::string& text, const std::string& file) {
    GuideMarks marks;
    const std::vector<std::string> lines = lines_of(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string where = file + ":" + std::to_string(i + 1);
        if (const std::string id = mark_of(lines[i], "recipe"); !id.empty()) {
            const std::optional<std::string> script = fenced_after(lines, i + 1, "```kelvo");
            if (!script || !marks.scripts.emplace(id, *script).second) marks.faults.push_back(where);
        } else if (const std::string out = mark_of(lines[i], "recipe-output"); !out.empty()) {
            const std::optional<std::string> shown = fenced_after(lines, i + 1, "```text");
            if (!shown || !marks.outputs.emplace(out, *shown).second) marks.faults.push_back(where);
        } else if (const std::string table = mark_of(lines[i], "recipes"); !table.empty()) {
            std::vector<Row> rows = table_after(lines, i + 1, file);
            if (rows.empty()) marks.faults.push_back(where);
            marks.tables[table] = std::move(rows);
        }
    }
    return marks;
}

bool has_line(const std::string& text, const std::string& line) {
    const std::vector<std::string> lines = lines_of(text);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

const GuideCase* case_of_recipe(const std::string& id) {
    for (const GuideCase& c : all_cases())
        if (c.recipe == id) return &c;
    return nullptr;
}

TEST(GuideText, EveryRecipeItShowsIsACaseWithTheScriptAndOutputShown) {
    const GuideMarks marks = marks_of(slurp(fs::path(KELVO_SOURCE_DIR) / "docs" / "guide.md"), "guide.md");
    EXPECT_EQ(marks.faults, std::vector<std::string>{}) << "marks that lead to no block, or ids used twice";
    EXPECT_GE(marks.scripts.size(), 25U) << "the recipes were not found: has their mark changed?";
    for (const auto& [id, script] : marks.scripts) {
        const GuideCase* c = case_of_recipe(id);
        if (c == nullptr) {
            ADD_FAILURE() << "the guide's recipe " << id << " has no case in tests/guide/";
            continue;
        }
        EXPECT_EQ(c->script, script) << "the script of recipe " << id << " (" << c->file << ":" << c->line << ")";
    }
    for (const auto& [id, shown] : marks.outputs) {
        const GuideCase* c = case_of_recipe(id);
        if (c == nullptr || !c->err) {
            ADD_FAILURE() << "the output the guide shows for " << id << " is no case's standard error";
            continue;
        }
        EXPECT_EQ(*c->err, shown) << "the output shown for " << id << " (" << c->file << ":" << c->line << ")";
    }
    // Every case that names a recipe names one the guide shows.
    for (const GuideCase& c : all_cases()) {
        if (c.recipe.empty()) continue;
        EXPECT_TRUE(marks.scripts.count(c.recipe) + marks.outputs.count(c.recipe) > 0)
            << c.file << ":" << c.line << ": the guide marks no recipe " << c.recipe;
    }
}

TEST(GuideText, EveryRowOfARecipeTableIsTranslatedByACase) {
    const GuideMarks marks = marks_of(slurp(fs::path(KELVO_SOURCE_DIR) / "docs" / "guide.md"), "guide.md");
    ASSERT_EQ(marks.tables.count("compare"), 1U) << "the table of comparisons is not marked";
    for (const auto& entry : marks.tables) {
        const std::string& table = entry.first;
        for (const Row& row : entry.second) {
            SCOPED_TRACE(row.where);
            const bool translated = std::any_of(all_cases().begin(), all_cases().end(), [&](const GuideCase& c) {
                return c.table == table && has_line(c.script, row.script) && has_line(c.host, row.host);
            });
            EXPECT_TRUE(translated) << "no case of table " << table << " writes '" << row.script << "' and gets '"
                                    << row.host << "'";
        }
    }
}

// The marks are read as they are written; a damaged one must show.
TEST(GuideText, MarksAreReadAsWritten) {
    const GuideMarks marks = marks_of(
        "<!-- recipe: a -->\n<!-- sample: --define x=1 -->\n```kelvo\nmessage x\n```\n\n```host\nshow_message(1)\n```\n"
        "<!-- recipe-output: a -->\n```text\ns:1:1: warning: w\n```\n"
        "<!-- recipes: t -->\n| To test | Write | Host |\n|---|---|---|\n| `x` | `if 5 = x`, then | `if(5 =x) ` |\n"
        "<!-- recipe: b -->\n## A heading\n```kelvo\nlost\n```\n<!-- recipe: a -->\n```kelvo\nagain\n```\n",
        "g.md");
    ASSERT_EQ(marks.scripts.count("a"), 1U);
    EXPECT_EQ(marks.scripts.at("a"), "message x\n");
    EXPECT_EQ(marks.outputs.at("a"), "s:1:1: warning: w\n");
    ASSERT_EQ(marks.tables.at("t").size(), 1U);
    EXPECT_EQ(marks.tables.at("t")[0].script, "if 5 = x");
    EXPECT_EQ(marks.tables.at("t")[0].host, "if(5 =x) ");
    EXPECT_EQ(marks.scripts.count("b"), 0U);
    EXPECT_EQ(marks.faults, (std::vector<std::string>{"g.md:18", "g.md:23"}));
}

}  // namespace

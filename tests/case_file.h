// The files of cases that several suites read (tests/analysis/*.txt,
// tests/preview/*.txt): lines of headings, each followed by a block of lines
// that begin with `|`; blank lines and lines beginning with `#` are
// comments. The escapes of texts in them are read here too.
#pragma once

#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::test {

int hex_digit(char c);

// The bytes of a text written with \n \r \t \\ \" \xHH and \*N{TEXT} (TEXT
// N times).
std::string unescape(std::string_view text);

// A text between double quotes: a line feed as \n, `"` and `\` escaped, a
// control byte (and with `high`, a byte above 126) as \xHH.
std::string quoted(std::string_view text, bool high);

// The `.txt` files of a folder, sorted by name.
std::vector<std::filesystem::path> case_files(const std::filesystem::path& folder);

// The cases of every file of a folder, in the order of the files, each file
// read by `load` (a function from a path to a vector of cases).
template <typename Load>
auto cases_in(const std::filesystem::path& folder, Load load) {
    decltype(load(std::filesystem::path())) cases;
    for (const std::filesystem::path& file : case_files(folder)) {
        auto more = load(file);
        cases.insert(cases.end(), more.begin(), more.end());
    }
    return cases;
}

class CaseFile {
public:
    explicit CaseFile(const std::filesystem::path& path);

    // The next heading and the block after it (each line without its `| `);
    // false at the end of the file.
    bool next(std::string& heading, std::vector<std::string>& block);
    // A block's lines as one text, each line unescaped and ended by a line feed.
    static std::string text_of(const std::vector<std::string>& block);

    std::string name() const { return path_.filename().string(); }
    int line() const { return heading_line_; }  // of the last heading
    // Throws with the file and the heading's line.
    [[noreturn]] void fail(const std::string& what) const;

private:
    std::filesystem::path path_;
    std::vector<std::string> lines_;
    std::size_t at_ = 0;
    int heading_line_ = 0;
};

// The cases of one file: a `case NAME` heading begins each (its `file`,
// `line` and `name` set), and `read(case, heading, block)` takes every
// other heading into the case before it; what it throws fails the file at
// that heading.
template <typename Case, typename Read>
std::vector<Case> load_cases(const std::filesystem::path& path, Read read) {
    std::vector<Case> cases;
    CaseFile file(path);
    std::string line;
    std::vector<std::string> block;
    while (file.next(line, block)) {
        if (line.rfind("case ", 0) == 0) {
            cases.emplace_back();
            cases.back().file = file.name();
            cases.back().line = file.line();
            cases.back().name = line.substr(5);
            continue;
        }
        if (cases.empty()) file.fail("a line before the first case");
        try {
            read(cases.back(), line, block);
        } catch (const std::exception& error) {
            file.fail(error.what());
        }
    }
    return cases;
}

}  // namespace kelvo::test

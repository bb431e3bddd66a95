#include "case_file.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace kelvo::test {

namespace fs = std::filesystem;

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

namespace {

// \*N{TEXT} at `i` (the `*`): TEXT N times; `i` is left on the `}`.
std::string repeated(std::string_view text, std::size_t& i) {
    const std::size_t open = text.find('{', i);
    const std::size_t close = text.find('}', open);
    if (open == std::string_view::npos || close == std::string_view::npos) throw std::runtime_error("\\*N{TEXT} unclosed");
    const int times = std::stoi(std::string(text.substr(i + 1, open - i - 1)));
    const std::string once = unescape(text.substr(open + 1, close - open - 1));
    i = close;
    std::string out;
    for (int n = 0; n < times; ++n) out += once;
    return out;
}

}  // namespace

std::string unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'n') out += '\n';
        else if (c == 'r') out += '\r';
        else if (c == 't') out += '\t';
        else if (c == '*') out += repeated(text, i);
        else if (c == 'x' && i + 2 < text.size() && hex_digit(text[i + 1]) >= 0 && hex_digit(text[i + 2]) >= 0) {
            out += static_cast<char>(hex_digit(text[i + 1]) * 16 + hex_digit(text[i + 2]));
            i += 2;
        } else out += c;
    }
    return out;
}

std::string quoted(std::string_view text, bool high) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\n') out += "\\n";
        else if (c == '"' || c == '\\') out += std::string("\\") + c;
        else if (u < 0x20 || u == 0x7F || (high && u > 0x7F)) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02x", u);
            out += buffer;
        } else out += c;
    }
    return out + "\"";
}

std::vector<fs::path> case_files(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == ".txt") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

CaseFile::CaseFile(const fs::path& path) : path_(path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines_.push_back(line);
    }
}

bool CaseFile::next(std::string& heading, std::vector<std::string>& block) {
    block.clear();
    for (; at_ < lines_.size(); ++at_) {
        const std::string& line = lines_[at_];
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '|') {
            heading_line_ = static_cast<int>(at_ + 1);
            fail("a block line outside a block");
        }
        break;
    }
    if (at_ == lines_.size()) return false;
    heading = lines_[at_];
    heading_line_ = static_cast<int>(++at_);
    // Blank lines and comments between block lines do not end the block.
    for (; at_ < lines_.size(); ++at_) {
        const std::string& line = lines_[at_];
        if (line.empty() || line[0] == '#') continue;
        if (line[0] != '|') break;
        block.push_back(line.size() > 2 ? line.substr(2) : std::string());
    }
    return true;
}

std::string CaseFile::text_of(const std::vector<std::string>& block) {
    std::string text;
    for (const std::string& line : block) text += unescape(line) + "\n";
    return text;
}

void CaseFile::fail(const std::string& what) const {
    throw std::runtime_error(name() + ":" + std::to_string(heading_line_) + ": " + what);
}

}  // namespace kelvo::test

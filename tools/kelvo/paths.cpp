#include "paths.h"

#include <cstddef>
#include <vector>

#ifdef _WIN32
#include <direct.h>
#else
#include <unistd.h>
#endif

namespace kelvo::tool {

namespace {

bool is_separator(char c) {
#ifdef _WIN32
    return c == '/' || c == '\\';
#else
    return c == '/';
#endif
}

bool is_absolute(std::string_view path) {
    if (!path.empty() && is_separator(path[0])) return true;
#ifdef _WIN32
    return path.size() > 2 && path[1] == ':' && is_separator(path[2]);
#else
    return false;
#endif
}

bool get_working_directory(std::vector<char>& buffer) {
#ifdef _WIN32
    return _getcwd(buffer.data(), static_cast<int>(buffer.size())) != nullptr;
#else
    return getcwd(buffer.data(), buffer.size()) != nullptr;
#endif
}

std::string working_directory() {
    std::vector<char> buffer(4096);
    while (!get_working_directory(buffer)) {
        if (buffer.size() > (std::size_t{1} << 20)) return ".";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// The parts of an absolute path, with "." dropped and ".." taken back.
std::vector<std::string> parts_of(std::string_view path) {
    const std::string whole = is_absolute(path) ? std::string(path) : working_directory() + "/" + std::string(path);
    std::vector<std::string> parts;
    std::string part;
    const auto take = [&] {
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    };
    for (const char c : whole) {
        if (is_separator(c)) {
            take();
        } else {
            part += c;
        }
    }
    take();
    return parts;
}

}  // namespace

std::string file_name(std::string_view path) {
    std::size_t start = path.size();
    while (start > 0 && !is_separator(path[start - 1])) --start;
    return std::string(path.substr(start));
}

std::string relative_to_folder_of(std::string_view path, std::string_view beside) {
    const std::vector<std::string> target = parts_of(path);
    std::vector<std::string> folder = parts_of(beside);
    if (!folder.empty()) folder.pop_back();
    std::size_t common = 0;
    while (common < target.size() && common < folder.size() && target[common] == folder[common]) ++common;
    std::string out;
    for (std::size_t i = common; i < folder.size(); ++i) out += "../";
    for (std::size_t i = common; i < target.size(); ++i) out += target[i] + (i + 1 < target.size() ? "/" : "");
    return out.empty() ? file_name(path) : out;
}

}  // namespace kelvo::tool

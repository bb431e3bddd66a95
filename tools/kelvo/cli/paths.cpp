#include "paths.h"

#include <cstddef>
#include <vector>

#ifdef _WIN32
#include <direct.h>
#include <windows.h>
#else
#include <sys/stat.h>
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

#ifdef _WIN32
namespace {

// The volume and the index of an existing file, which no other file shares.
bool file_identity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    const HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool known = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    return known;
}

}  // namespace

bool same_file(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION first{}, second{};
    if (!file_identity(a, first) || !file_identity(b, second)) return false;
    return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}
#else
bool same_file(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0) return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}
#endif

}  // namespace kelvo::tool

// File names as a source map gives them, without the weight of a file-system
// library: plain text operations on the paths as written.
#pragma once

#include <string>
#include <string_view>

namespace kelvo::tool {

// The last part of a path ("a/b/c.txt" -> "c.txt").
std::string file_name(std::string_view path);

// `path` as seen from the folder that holds `beside` ("src/a.kelvo" beside
// "out/a.map" -> "../src/a.kelvo"), with forward slashes. Both are taken
// from the working directory when relative.
std::string relative_to_folder_of(std::string_view path, std::string_view beside);

// Whether two paths name the same existing file, under any of its names
// (links, "sub/../", another spelling).
bool same_file(const std::string& a, const std::string& b);

}  // namespace kelvo::tool

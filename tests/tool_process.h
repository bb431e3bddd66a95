// The built kelvo tool run as a process, as an author runs it from a shell:
// in a folder of its own, its standard output and error captured.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kelvo::test {

struct ToolOutcome {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

struct ToolRun {
    ToolRun(std::filesystem::path tool_path, std::filesystem::path run_in, std::filesystem::path keep_in)
        : tool(std::move(tool_path)), dir(std::move(run_in)), captured(std::move(keep_in)) {}

    std::filesystem::path tool;
    std::filesystem::path dir;       // where it runs
    std::filesystem::path captured;  // where its standard output and error are kept (stdout, stderr)
    std::optional<std::filesystem::path> input;      // its standard input; none: /dev/null
    std::optional<std::filesystem::path> output_to;  // its standard output, left uncaptured; none: captured
    // Without the capabilities by which root passes over file permissions
    // (the tool still runs as its user, and writes what that user owns).
    bool unprivileged = false;
};

ToolOutcome run_tool(const ToolRun& run, const std::vector<std::string>& args);

std::string slurp(const std::filesystem::path& path);

}  // namespace kelvo::test

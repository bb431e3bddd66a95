#include "tool_process.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

namespace kelvo::test {

namespace {

[[noreturn]] void become_tool(const ToolRun& run, std::vector<char*>& argv, const std::string& out,
                              const std::string& err) {
    const int fd_in = open(run.input ? run.input->c_str() : "/dev/null", O_RDONLY);
    const int fd_out = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int fd_err = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int tool = open(run.tool.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_in < 0 || fd_out < 0 || fd_err < 0 || tool < 0 || chdir(run.dir.c_str()) != 0) _exit(127);
    dup2(fd_in, 0);
    dup2(fd_out, 1);
    dup2(fd_err, 2);
    if (run.unprivileged && geteuid() == 0 &&
        (prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) != 0 ||
         prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) != 0))
        _exit(126);
    fexecve(tool, argv.data(), environ);
    _exit(127);
}

}  // namespace

ToolOutcome run_tool(const ToolRun& run, const std::vector<std::string>& args) {
    const std::string out = run.output_to ? run.output_to->string() : (run.captured / "stdout").string();
    const std::string err = (run.captured / "stderr").string();
    std::string tool = run.tool.string();
    std::vector<std::string> words = args;
    std::vector<char*> argv{tool.data()};
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) become_tool(run, argv, out, err);
    ToolOutcome o;
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return o;
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    o.out = run.output_to ? "" : slurp(out);
    o.err = slurp(err);
    return o;
}

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace kelvo::test

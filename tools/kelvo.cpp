// kelvo FILE: prints the host script translated from FILE; messages go to
// standard error.
#include <cstdio>
#include <iostream>
#include <string_view>

#include "core/run.h"
#include "core/state.h"

namespace {

void count_to_stderr(std::int32_t count) { std::fprintf(stderr, "%ld\n", static_cast<long>(count)); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kelvo FILE\n");
        return 2;
    }
    auto source = kelvo::read_file(argv[1]);
    if (!source) {
        std::fprintf(stderr, "kelvo: cannot read %s\n", argv[1]);
        return 2;
    }
    kelvo::state.argument_count_sink = count_to_stderr;
    const std::string& result = kelvo::translate_source(std::move(source));
    std::fwrite(result.data(), 1, result.size(), stdout);
    const std::string_view errors = kelvo::state.error_text;
    std::fwrite(errors.data(), 1, errors.size(), stderr);
    return errors.empty() ? 0 : 1;
}

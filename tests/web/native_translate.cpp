// The native side of the WebAssembly differential test: translates a batch
// of cases with the library, as the WebAssembly module does, for the test to
// compare byte for byte.
//
// Standard input, for each case:
//   <global count> <source size>\n
//   then for each global: <r|s> <name size> <value size>\n<name><value>
//   then the source bytes.
// Standard output, for each case:
//   <host size> <messages size> <analysis size>\n<host><messages><analysis JSON>
#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <string>

#include "library/analysis.h"
#include "library/analysis_json.h"
#include "library/session.h"

namespace {

std::string read_bytes(std::size_t size) {
    std::string bytes(size, '\0');
    std::cin.read(bytes.data(), static_cast<std::streamsize>(size));
    if (static_cast<std::size_t>(std::cin.gcount()) != size) throw std::runtime_error("input cut short");
    return bytes;
}

bool translate_one() {
    std::size_t globals = 0;
    std::size_t source_size = 0;
    if (!(std::cin >> globals >> source_size)) return false;
    std::cin.get();
    kelvo::SessionOptions options;
    for (std::size_t i = 0; i < globals; ++i) {
        char kind = 0;
        std::size_t name_size = 0;
        std::size_t value_size = 0;
        std::cin >> kind >> name_size >> value_size;
        std::cin.get();
        std::string name = read_bytes(name_size);
        std::string value = read_bytes(value_size);
        const auto k = kind == 's' ? kelvo::GlobalArgument::Kind::string : kelvo::GlobalArgument::Kind::real;
        options.globals.push_back({k, std::move(name), std::move(value)});
    }
    const std::string source = read_bytes(source_size);
    const kelvo::Analysis analysis = kelvo::analyse(source, options);
    const std::string json = kelvo::analysis_json(analysis);
    std::cout << analysis.host.size() << ' ' << analysis.messages.size() << ' ' << json.size() << '\n'
              << analysis.host << analysis.messages << json;
    return true;
}

}  // namespace

int main() {
    try {
        while (translate_one()) {
        }
        std::cout.flush();
        return std::cout ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "native_translate: %s\n", e.what());
        return 1;
    }
}

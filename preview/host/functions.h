// The host functions the preview knows: one row per function with all that
// is known of it, in one table. The tools read the rows as data (to warn of
// a call with another argument count without running it); the interpreter
// calls through them.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace kelvo::preview {

class Call;
using HostCall = void (*)(Call& call);

enum class ResultKind : unsigned char { nothing, number, text };

struct HostFunction {
    std::string_view name;
    // How many arguments the host takes.
    int least = 0;
    int most = 0;
    // One letter per argument: 'n' a number, 't' a text, 'a' either. The
    // last letter stands for every argument after it too.
    std::string_view kinds;
    // The arguments' names, separated by commas ("..." for more of the last).
    std::string_view parameters;
    ResultKind result = ResultKind::nothing;
    std::string_view summary;
    // Null for execute_string, which the interpreter runs itself.
    HostCall call = nullptr;
};

// Every row, sorted by name.
std::span<const HostFunction> host_functions();

// The row's index in host_functions(), if the host has the function.
std::optional<std::size_t> find_host_function(std::string_view name);

// The letter of the kind the host wants for an argument (from 0).
char argument_kind(const HostFunction& function, std::size_t index);

// The index of execute_string's row.
std::size_t execute_string_index();

}  // namespace kelvo::preview

// `kelvo --lsp`: the language server on standard input and output.
#pragma once

#include <vector>

#include "library/session.h"

namespace kelvo::lsp {

// Serves until `exit` or the end of the input; the exit status of the tool.
int serve_language(std::vector<GlobalArgument> globals);

}  // namespace kelvo::lsp

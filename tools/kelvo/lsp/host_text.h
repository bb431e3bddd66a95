// The host view: the host text of an open document and its source map, for
// the request kelvo/hostText (a protocol extension of this server).
#pragma once

#include <nlohmann/json.hpp>

#include "features.h"

namespace kelvo::lsp {

// {"text": the host text, "map": the source map (revision 3) from it back to
// the document, "uri"}. Columns of the map count UTF-16 code units, as the
// protocol's default position encoding does; the text is the host text read
// as UTF-8, with any other byte as the character of the same number.
nlohmann::json host_text(std::string_view uri, const Document& document, const Globals& globals);

}  // namespace kelvo::lsp

#include "host_text.h"

#include <string>

#include "library/analysis_json.h"
#include "library/session.h"
#include "library/source_map.h"

namespace kelvo::lsp {

nlohmann::json host_text(std::string_view uri, const Document& document, const Globals& globals) {
    SessionOptions options = session_options(globals);
    SourceMapRecorder recorder;
    options.listener = &recorder;
    const std::string host(translate_source(document.text(), options).host);
    const SourceMap map = recorder.finish();
    // The map points at the document itself; the editor has its text.
    const std::string json = source_map_json(map, host, document.text(), {"", uri, false});
    std::string text;  // a JSON string, so that every byte arrives
    append_json_string(text, host);
    return {{"uri", uri}, {"text", nlohmann::json::parse(text)}, {"map", nlohmann::json::parse(json)}};
}

}  // namespace kelvo::lsp

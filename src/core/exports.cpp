// The library's whole C interface. Nothing thrown inside gets past it.
#include "KelvoScriptparser.h"

#include <string>

#include "core/messages.h"
#include "core/run.h"
#include "core/state.h"

namespace {

const char* text_or_empty(const char* text) { return text == nullptr ? "" : text; }

// An export that failed inside leaves one message, if even that can be stored.
void report_internal_error() noexcept {
    try {
        kelvo::state.line_abandoned = false;
        kelvo::state.current_line_number = 0;
        kelvo::report(kelvo::Message::internal_error);
    } catch (...) {
    }
}

}  // namespace

extern "C" {

KELVO_API const char* KELVO_CALL Parser(void) {
    // A run that fails inside leaves the open definition as it found it:
    // one that the failed run opened must not swallow the next run's lines.
    const bool was_in_script = kelvo::state.in_script;
    std::string script_name;
    bool saved = false;
    try {
        script_name = kelvo::state.current_script_name;
        saved = true;
        return kelvo::run_in_working_directory().c_str();
    } catch (...) {
        if (saved) {
            kelvo::state.in_script = was_in_script;
            kelvo::state.current_script_name.swap(script_name);
        }
        report_internal_error();
        return "";
    }
}

KELVO_API double KELVO_CALL Parser_add_global_arg_real(const char* name, const char* value) {
    try {
        kelvo::NameEntry& entry = kelvo::state.names.entry(text_or_empty(name));
        entry.host_constant = text_or_empty(value);
        entry.has_host_constant = true;
    } catch (...) {
        report_internal_error();
    }
    return 0.0;
}

KELVO_API double KELVO_CALL Parser_add_global_arg_string(const char* name, const char* value) {
    try {
        kelvo::state.names.entry(text_or_empty(name)).string_constant = text_or_empty(value);
    } catch (...) {
        report_internal_error();
    }
    return 0.0;
}

KELVO_API const char* KELVO_CALL Parser_last_error(void) { return kelvo::state.error_text.c_str(); }

}  // extern "C"

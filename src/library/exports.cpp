// The library's whole C interface. Nothing thrown inside gets past it.
#include "KelvoScriptparser.h"

#include "core/messages.h"
#include "core/state.h"
#include "library/run.h"

namespace {

const char* text_or_empty(const char* text) { return text == nullptr ? "" : text; }

// An export that failed inside leaves one message, if even that can be stored.
void report_internal_error() noexcept {
    try {
        kelvo::state.run.line_abandoned = false;
        kelvo::report(kelvo::Code::internal_error, {});
    } catch (...) {
    }
}

}  // namespace

extern "C" {

KELVO_API const char* KELVO_CALL Parser(void) {
    try {
        return kelvo::run_in_working_directory().c_str();
    } catch (...) {
        report_internal_error();
        return "";
    }
}

KELVO_API double KELVO_CALL Parser_add_global_arg_real(const char* name, const char* value) {
    try {
        kelvo::state.names.set_global_constant(text_or_empty(name), text_or_empty(value));
    } catch (...) {
        report_internal_error();
    }
    return 0.0;
}

KELVO_API double KELVO_CALL Parser_add_global_arg_string(const char* name, const char* value) {
    try {
        kelvo::state.names.set_string_constant(text_or_empty(name), text_or_empty(value));
    } catch (...) {
        report_internal_error();
    }
    return 0.0;
}

KELVO_API const char* KELVO_CALL Parser_last_error(void) { return kelvo::state.error_text.c_str(); }

}  // extern "C"

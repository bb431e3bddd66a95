/* The host program, written the way the engine uses the library: a 32-bit
 * Windows program that loads KelvoScriptparser.dll by file name, finds the
 * four exports with GetProcAddress and calls them through cdecl function
 * pointers. Shared declarations of host.c (the behaviour table and the
 * report) and host_checks.c (what only a Windows process can show). */
#ifndef KELVO_HOST_H
#define KELVO_HOST_H

#include <stddef.h>
#include <windows.h>

#include "KelvoScriptparser.h"
#include "shared/scenario_file.h"

/* The two shapes of the exports (the header's types for hosts that load
 * the DLL): a text without operands, and a name with a value. */
typedef Parser_fn TextExport;
typedef Parser_add_global_arg_real_fn GlobalExport;

/* The exports, through the header's types. */
typedef struct {
    HMODULE module;
    Parser_fn parser;
    Parser_last_error_fn last_error;
    Parser_add_global_arg_real_fn add_global_real;
    Parser_add_global_arg_string_fn add_global_string;
} Library;

/* LoadLibrary by file name and GetProcAddress of the four exports; reports
 * and returns 0 when any is missing. */
int library_load(Library* library);
void library_free(Library* library);

/* The host's own report: standard error for the console build, a log file
 * for the GUI build. */
void say(const char* format, ...);

/* Counts one check; a failed one is reported with its description. */
int check(int ok, const char* what, ...);

/* Shows a text in the report, escaped, under a label. */
void show(const char* label, const char* data, size_t size);

/* Sends file descriptor 1 (the library's standard output) to a file until
 * capture_end, which returns what was written there, CR LF read as LF. */
int capture_begin(void);
ScenarioText capture_end(void);

/* Files in the working directory. */
int write_file(const char* name, const char* data, size_t size);
/* The bytes of a regular file, zero-terminated; null when it cannot be read. */
char* read_file(const char* name, size_t* size);
void remove_entry(const char* name);
int is_regular_file(const char* name);

/* Does the text at `p` hold exactly `expected` (zero bytes included) and end
 * there? */
int text_is(const char* p, const char* expected, size_t expected_size);

/* The checks that only a Windows process can make (host_checks.c); each
 * counts as one or more checks. */
void check_exports_by_plain_name(void);
void check_files_held_open(void);
void check_misaligned_calls(void);
void check_many_calls(void);
void check_load_cycles(void);
void check_stack_at_the_nesting_limit(void);
void check_large_source(void);
void check_gui_build(void);

#endif

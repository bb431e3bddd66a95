/* The behaviour table of tests/scenarios: reads its plain-text files into
 * scenarios, each a list of runs (Parser calls) with what goes before each run
 * and what each run must give. The format is described in
 * tests/scenarios/README.md. Plain C, so that the Linux suite and the 32-bit
 * Windows host program read the files with the same code. */
#ifndef KELVO_SCENARIO_FILE_H
#define KELVO_SCENARIO_FILE_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Bytes; `data` is zero-terminated (never null once set) and may hold zero
 * bytes before `size`. */
typedef struct {
    char* data;
    size_t size;
} ScenarioText;

/* One Parser_add_global_arg_real or Parser_add_global_arg_string call. */
typedef struct {
    int is_string;
    int name_is_null;  /* a null pointer instead of the text */
    int value_is_null;
    ScenarioText name;
    ScenarioText value;
} ScenarioGlobal;

typedef enum {
    SCENARIO_SOURCE_KEEP,     /* test.txt stays as the run before left it */
    SCENARIO_SOURCE_TEXT,     /* test.txt holds `source` */
    SCENARIO_SOURCE_MISSING,  /* there is no test.txt */
    SCENARIO_SOURCE_DIRECTORY /* test.txt is a directory */
} ScenarioSourceKind;

typedef enum {
    SCENARIO_TEMP_RESULT, /* temp.txt holds the result */
    SCENARIO_TEMP_TEXT,   /* temp.txt holds `temp` */
    SCENARIO_TEMP_NONE    /* no temp.txt file is written */
} ScenarioTempKind;

typedef struct {
    int line; /* where the run begins in its file */
    ScenarioGlobal* globals;
    size_t global_count;
    ScenarioSourceKind source_kind;
    ScenarioText source;
    int output_directory; /* temp.txt is a directory before the run */
    int has_result;
    int has_errors;
    int has_standard_output;
    ScenarioText result;
    ScenarioText errors;          /* what the run adds to the error text */
    ScenarioText standard_output; /* what the run writes there, line ends as LF */
    ScenarioTempKind temp_kind;
    ScenarioText temp;
    int has_temp_linux;
    int has_temp_windows;
    ScenarioText temp_linux;   /* exact bytes, this platform only */
    ScenarioText temp_windows; /* exact bytes, this platform only */
} ScenarioRun;

typedef struct {
    char* name;
    char* file; /* the file name it came from, as given to the parser */
    int line;
    ScenarioRun* runs;
    size_t run_count;
} Scenario;

typedef struct {
    Scenario* items;
    size_t count;
} ScenarioList;

/* Parses the bytes of one scenario file and appends its scenarios to `list`.
 * Returns 0, or -1 with "FILE:LINE: what is wrong" in `error`. */
int scenario_parse(const char* bytes, size_t size, const char* file_name, ScenarioList* list,
                   char* error, size_t error_size);

/* Reads the file at `path` and parses it as `file_name`. */
int scenario_load(const char* path, const char* file_name, ScenarioList* list, char* error,
                  size_t error_size);

void scenario_free(ScenarioList* list);

/* The bytes that temp.txt must hold after the run on Windows (`windows`
 * nonzero, where text mode stores each line feed as CR LF) or elsewhere.
 * Returns 0 when the run must leave no temp.txt file; else 1, and `out` gets
 * a new text for the caller to free with scenario_text_free. */
int scenario_expected_temp(const ScenarioRun* run, int windows, ScenarioText* out);

/* A copy of `in` with each line feed as CR LF, or with each CR LF as a line
 * feed. */
ScenarioText scenario_to_crlf(const char* data, size_t size);
ScenarioText scenario_from_crlf(const char* data, size_t size);

void scenario_text_free(ScenarioText* text);

/* Shows bytes with line ends and control bytes escaped, at most `limit`
 * bytes of them, into `out` (zero-terminated, `out_size` bytes at most). */
void scenario_show(const char* data, size_t size, size_t limit, char* out, size_t out_size);

#ifdef __cplusplus
}
#endif

#endif

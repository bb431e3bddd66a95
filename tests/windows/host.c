/* The host program: loads KelvoScriptparser.dll as the engine does and runs
 * the behaviour table of tests/scenarios (the files lie beside the program,
 * in scenarios\), a fresh LoadLibrary for each scenario, then the checks of
 * host_checks.c that only a Windows process can make.
 *
 * The console build reports on standard error and ends with the line
 * "N passed, M failed", N counting every scenario and every Windows check;
 * it exits with 1 if any failed (2 if the table cannot be read). The GUI build
 * (KELVO_HOST_GUI, linked -mwindows) runs the table with file descriptor 1
 * closed, as a GUI engine has it, and reports into kelvo_host_gui.log. */
#include "host.h"

#include <fcntl.h>
#include <io.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

static FILE* report;
static int passed;
static int failed;
static char capture_path[MAX_PATH];
static int table_size; /* scenarios among the checks */

/* ---- the report -------------------------------------------------------- */

void say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vfprintf(report, format, args);
    va_end(args);
    fputc('\n', report);
    fflush(report);
}

int check(int ok, const char* what, ...) {
    va_list args;
    if (ok) {
        ++passed;
        return 1;
    }
    ++failed;
    fputs("FAIL: ", report);
    va_start(args, what);
    vfprintf(report, what, args);
    va_end(args);
    fputc('\n', report);
    fflush(report);
    return 0;
}

void show(const char* label, const char* data, size_t size) {
    static char shown[4096];
    scenario_show(data, size, 600, shown, sizeof shown);
    say("    %s (%lu bytes): \"%s\"", label, (unsigned long)size, shown);
}

/* ---- the library -------------------------------------------------------- */

static FARPROC find_export(HMODULE module, const char* name) {
    FARPROC f = GetProcAddress(module, name);
    if (f == NULL) say("GetProcAddress finds no %s", name);
    return f;
}

int library_load(Library* library) {
    memset(library, 0, sizeof *library);
    library->module = LoadLibraryA("KelvoScriptparser.dll");
    if (library->module == NULL) {
        say("cannot load KelvoScriptparser.dll (error %lu)", (unsigned long)GetLastError());
        return 0;
    }
    library->parser = (Parser_fn)(void (*)(void))find_export(library->module, "Parser");
    library->last_error = (Parser_last_error_fn)(void (*)(void))find_export(library->module, "Parser_last_error");
    library->add_global_real =
        (Parser_add_global_arg_real_fn)(void (*)(void))find_export(library->module, "Parser_add_global_arg_real");
    library->add_global_string =
        (Parser_add_global_arg_string_fn)(void (*)(void))find_export(library->module, "Parser_add_global_arg_string");
    if (library->parser && library->last_error && library->add_global_real && library->add_global_string)
        return 1;
    library_free(library);
    return 0;
}

void library_free(Library* library) {
    if (library->module != NULL) FreeLibrary(library->module);
    memset(library, 0, sizeof *library);
}

/* ---- files ---------------------------------------------------------------- */

int write_file(const char* name, const char* data, size_t size) {
    FILE* f = fopen(name, "wb");
    int ok = f != NULL && fwrite(data, 1, size, f) == size;
    if (f != NULL && fclose(f) != 0) ok = 0;
    return ok;
}

char* read_file(const char* name, size_t* size) {
    char* data = NULL;
    size_t used = 0, capacity = 0, got;
    FILE* f = fopen(name, "rb");
    if (f == NULL) return NULL;
    do {
        if (used + 65536 + 1 > capacity) {
            char* grown;
            capacity = capacity ? capacity * 2 : 1u << 20;
            grown = (char*)realloc(data, capacity);
            if (grown == NULL) {
                free(data);
                fclose(f);
                return NULL;
            }
            data = grown;
        }
        got = fread(data + used, 1, 65536, f);
        used += got;
    } while (got > 0);
    fclose(f);
    data[used] = '\0';
    *size = used;
    return data;
}

void remove_entry(const char* name) {
    if (!DeleteFileA(name)) RemoveDirectoryA(name);
}

int is_regular_file(const char* name) {
    const DWORD attributes = GetFileAttributesA(name);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

int text_is(const char* p, const char* expected, size_t expected_size) {
    size_t i = 0;
    if (p == NULL) return 0;
    while (i < expected_size && p[i] == expected[i]) ++i;
    return i == expected_size && p[i] == '\0';
}

/* The text at `p` for the report: up to its first zero byte, or further
 * where it agrees with `expected` through zero bytes. */
static size_t shown_size(const char* p, const char* expected, size_t expected_size) {
    size_t i = 0;
    while (i < expected_size && p[i] == expected[i]) ++i;
    return i == expected_size ? i : i + strlen(p + i);
}

/* ---- standard output of the library, sent to a file for one call ---------- */

static int saved_stdout = -1;

int capture_begin(void) {
    int fd;
    fflush(stdout);
    saved_stdout = _dup(1);
    /* Text mode, as the engine's standard output is. */
    fd = _open(capture_path, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_TEXT, _S_IREAD | _S_IWRITE);
    if (saved_stdout < 0 || fd < 0 || _dup2(fd, 1) != 0) {
        say("cannot redirect standard output to %s", capture_path);
        if (fd >= 0) _close(fd);
        if (saved_stdout >= 0) _close(saved_stdout);
        saved_stdout = -1;
        return 0;
    }
    _close(fd);
    return 1;
}

/* What the call wrote, with CR LF read as a line feed. */
ScenarioText capture_end(void) {
    ScenarioText text = {NULL, 0};
    size_t size = 0;
    char* bytes;
    fflush(stdout);
    if (saved_stdout >= 0) {
        _dup2(saved_stdout, 1);
        _close(saved_stdout);
        saved_stdout = -1;
    }
    bytes = read_file(capture_path, &size);
    text = scenario_from_crlf(bytes ? bytes : "", bytes ? size : 0);
    free(bytes);
    return text;
}

/* ---- one scenario ------------------------------------------------------------ */

typedef struct {
    const Scenario* scenario;
    const ScenarioRun* run;
    size_t index;
} Where;

static void say_where(const Where* at, const char* what) {
    say("%s:%d: run %lu of '%s': %s differs", at->scenario->file, at->run->line,
        (unsigned long)at->index + 1, at->scenario->name, what);
}

static int expect_text(const Where* at, const char* what, const char* actual, const char* expected,
                       size_t expected_size) {
    if (text_is(actual, expected, expected_size)) return 1;
    say_where(at, what);
    show("expected", expected, expected_size);
    if (actual == NULL) say("    actual: a null pointer");
    else show("actual  ", actual, shown_size(actual, expected, expected_size));
    return 0;
}

static int expect_bytes(const Where* at, const char* what, const ScenarioText* actual,
                        const ScenarioText* expected) {
    if (actual->size == expected->size && memcmp(actual->data, expected->data, actual->size) == 0) return 1;
    say_where(at, what);
    show("expected", expected->data, expected->size);
    show("actual  ", actual->data, actual->size);
    return 0;
}

/* temp.txt as it must be on Windows: text mode stores each line feed as CR LF. */
static int expect_temp(const Where* at) {
    ScenarioText expected, actual;
    int ok;
    if (!scenario_expected_temp(at->run, 1, &expected)) {
        if (!is_regular_file("temp.txt")) return 1;
        say_where(at, "temp.txt (none was to be written)");
        return 0;
    }
    actual.data = read_file("temp.txt", &actual.size);
    if (actual.data == NULL) {
        say_where(at, "temp.txt (there is none)");
        scenario_text_free(&expected);
        return 0;
    }
    ok = expect_bytes(at, "temp.txt", &actual, &expected);
    free(actual.data);
    scenario_text_free(&expected);
    return ok;
}

static void add_globals(const Library* library, const ScenarioRun* run) {
    size_t i;
    for (i = 0; i < run->global_count; ++i) {
        const ScenarioGlobal* g = &run->globals[i];
        const char* name = g->name_is_null ? NULL : g->name.data;
        const char* value = g->value_is_null ? NULL : g->value.data;
        if (g->is_string) library->add_global_string(name, value);
        else library->add_global_real(name, value);
    }
}

static void prepare_files(const ScenarioRun* run) {
    if (run->source_kind != SCENARIO_SOURCE_KEEP) remove_entry("test.txt");
    if (run->source_kind == SCENARIO_SOURCE_TEXT) write_file("test.txt", run->source.data, run->source.size);
    if (run->source_kind == SCENARIO_SOURCE_DIRECTORY) CreateDirectoryA("test.txt", NULL);
    if (run->output_directory) {
        remove_entry("temp.txt");
        CreateDirectoryA("temp.txt", NULL);
    }
}

/* Appends the run's messages to `errors` (kept zero-terminated). */
static void add_errors(ScenarioText* errors, const ScenarioText* more) {
    char* grown = (char*)realloc(errors->data, errors->size + more->size + 1);
    if (grown == NULL) abort();
    memcpy(grown + errors->size, more->data, more->size);
    errors->data = grown;
    errors->size += more->size;
    errors->data[errors->size] = '\0';
}

static int run_once(const Library* library, const Where* at, ScenarioText* errors, int with_stdout) {
    const ScenarioRun* run = at->run;
    const char* result;
    int ok = 1;
    add_globals(library, run);
    prepare_files(run);
    if (with_stdout && !capture_begin()) return 0;
    result = library->parser();
    if (with_stdout) {
        ScenarioText out = capture_end();
        ok &= expect_bytes(at, "standard output", &out, &run->standard_output);
        scenario_text_free(&out);
    }
    ok &= expect_text(at, "result", result, run->result.data, run->result.size);
    add_errors(errors, &run->errors);
    ok &= expect_text(at, "error text", library->last_error(), errors->data, errors->size);
    ok &= expect_temp(at);
    return ok;
}

/* One scenario in a freshly loaded library, from empty files. */
static int run_scenario(const Scenario* s, int with_stdout) {
    Library library;
    ScenarioText errors = {NULL, 0};
    Where at;
    int ok = 1;
    remove_entry("test.txt");
    remove_entry("temp.txt");
    if (!library_load(&library)) return 0;
    add_errors(&errors, &(ScenarioText){"", 0});
    at.scenario = s;
    for (at.index = 0; at.index < s->run_count; ++at.index) {
        at.run = &s->runs[at.index];
        ok &= run_once(&library, &at, &errors, with_stdout);
    }
    free(errors.data);
    library_free(&library);
    return ok;
}

/* ---- the table ------------------------------------------------------------------ */

static int compare_names(const void* a, const void* b) {
    return strcmp(*(const char* const*)a, *(const char* const*)b);
}

/* Every scenarios\*.txt, in the order of their names. */
static int load_table(ScenarioList* table) {
    WIN32_FIND_DATAA found;
    char* names[256];
    size_t count = 0, i;
    int ok = 1;
    HANDLE search = FindFirstFileA("scenarios\\*.txt", &found);
    if (search == INVALID_HANDLE_VALUE) return check(0, "no scenario files in scenarios\\");
    do {
        if (count < sizeof names / sizeof *names) names[count++] = _strdup(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    qsort(names, count, sizeof *names, compare_names);
    for (i = 0; i < count; ++i) {
        char path[MAX_PATH], error[512];
        snprintf(path, sizeof path, "scenarios\\%s", names[i]);
        if (scenario_load(path, names[i], table, error, sizeof error) != 0)
            ok = check(0, "scenario file %s: %s", names[i], error);
        free(names[i]);
    }
    return ok;
}

static void run_table(const ScenarioList* table, int with_stdout) {
    size_t i;
    table_size = (int)table->count;
    const DWORD start = GetTickCount();
    for (i = 0; i < table->count; ++i) {
        const Scenario* s = &table->items[i];
        check(run_scenario(s, with_stdout), "scenario %s:%d: %s", s->file, s->line, s->name);
    }
    say("behaviour table: %lu scenarios in %lu ms", (unsigned long)table->count,
        (unsigned long)(GetTickCount() - start));
}

/* The working directory of the runs, beside the program (one for each
 * build, so that the GUI build started by the console build works apart). */
static int enter_scratch_directory(const char* name) {
    char here[MAX_PATH];
    if (GetCurrentDirectoryA(sizeof here, here) == 0) return 0;
    snprintf(capture_path, sizeof capture_path, "%s\\stdout.capture", here);
    CreateDirectoryA(name, NULL);
    return SetCurrentDirectoryA(name) != 0;
}

static int summary(void) {
    say("the behaviour table's %d scenarios and %d checks of the Windows process:", table_size,
        passed + failed - table_size);
    say("%d passed, %d failed", passed, failed);
    return failed == 0 ? 0 : 1;
}

#ifndef KELVO_HOST_GUI

int main(void) {
    ScenarioList table = {NULL, 0};
    report = stderr;
    _setmode(_fileno(stderr), _O_BINARY);
    if (!load_table(&table)) {
        summary();
        return 2;
    }
    if (!enter_scratch_directory("scratch")) {
        check(0, "cannot make and enter the directory scratch");
        return summary();
    }
    run_table(&table, 1);
    scenario_free(&table);
    check_exports_by_plain_name();
    check_files_held_open();
    check_misaligned_calls();
    check_many_calls();
    check_load_cycles();
    check_stack_at_the_nesting_limit();
    check_large_source();
    check_gui_build();
    return summary();
}

#else

/* A GUI program has no standard output: file descriptor 1 is closed while the
 * library runs, and what `end` writes goes nowhere. */
int main(void) {
    ScenarioList table = {NULL, 0};
    int was_open;
    report = fopen("kelvo_host_gui.log", "w");
    if (report == NULL) return 3;
    was_open = _get_osfhandle(1) != -1 && _get_osfhandle(1) != -2;
    if (was_open) _close(1);
    say("GUI build: file descriptor 1 %s", was_open ? "was open and is closed now" : "is closed");
    if (!load_table(&table)) {
        summary();
        return 2;
    }
    if (!enter_scratch_directory("scratch-gui")) {
        check(0, "cannot make and enter the directory scratch-gui");
        return summary();
    }
    run_table(&table, 0);
    scenario_free(&table);
    check(_get_osfhandle(1) == -1 && _write(1, "x", 1) == -1,
          "file descriptor 1 stays closed while the table runs");
    return summary();
}

#endif

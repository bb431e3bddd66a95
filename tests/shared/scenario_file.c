/* Reads the behaviour table's files; the format is in tests/scenarios/README.md. */
#include "scenario_file.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* ---- growable bytes --------------------------------------------------- */

typedef struct {
    char* data;
    size_t size;
    size_t capacity;
} Bytes;

static void* grown(void* block, size_t size) {
    void* p = realloc(block, size);
    if (p == NULL) {
        fputs("scenario_file: out of memory\n", stderr);
        abort();
    }
    return p;
}

static void bytes_add(Bytes* b, const char* data, size_t n) {
    if (n > ((size_t)-1) / 4 - b->size) {
        fputs("scenario_file: text too long\n", stderr);
        abort();
    }
    if (b->size + n + 1 > b->capacity) {
        size_t capacity = b->capacity ? b->capacity : 64;
        while (capacity < b->size + n + 1) capacity *= 2;
        b->data = (char*)grown(b->data, capacity);
        b->capacity = capacity;
    }
    if (n > 0) memcpy(b->data + b->size, data, n);
    b->size += n;
    b->data[b->size] = '\0';
}

static void bytes_add_char(Bytes* b, char c) { bytes_add(b, &c, 1); }

static ScenarioText bytes_take(Bytes* b) {
    ScenarioText t;
    if (b->data == NULL) bytes_add(b, "", 0);
    t.data = b->data;
    t.size = b->size;
    b->data = NULL;
    b->size = b->capacity = 0;
    return t;
}

static ScenarioText text_copy(const char* data, size_t n) {
    Bytes b = {NULL, 0, 0};
    bytes_add(&b, data, n);
    return bytes_take(&b);
}

static ScenarioText text_empty(void) { return text_copy("", 0); }

void scenario_text_free(ScenarioText* text) {
    free(text->data);
    text->data = NULL;
    text->size = 0;
}

ScenarioText scenario_to_crlf(const char* data, size_t size) {
    Bytes b = {NULL, 0, 0};
    size_t i;
    bytes_add(&b, "", 0);
    for (i = 0; i < size; ++i) {
        if (data[i] == '\n') bytes_add_char(&b, '\r');
        bytes_add_char(&b, data[i]);
    }
    return bytes_take(&b);
}

ScenarioText scenario_from_crlf(const char* data, size_t size) {
    Bytes b = {NULL, 0, 0};
    size_t i;
    bytes_add(&b, "", 0);
    for (i = 0; i < size; ++i) {
        if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') continue;
        bytes_add_char(&b, data[i]);
    }
    return bytes_take(&b);
}

void scenario_show(const char* data, size_t size, size_t limit, char* out, size_t out_size) {
    size_t used = 0, i;
    if (out_size == 0) return;
    out[0] = '\0';
    for (i = 0; i < size && i < limit; ++i) {
        char piece[8];
        const unsigned char c = (unsigned char)data[i];
        if (c == '\n') strcpy(piece, "\\n");
        else if (c == '\r') strcpy(piece, "\\r");
        else if (c == '\t') strcpy(piece, "\\t");
        else if (c == '\\') strcpy(piece, "\\\\");
        else if (c < 32 || c > 126) snprintf(piece, sizeof piece, "\\x%02x", c);
        else { piece[0] = (char)c; piece[1] = '\0'; }
        if (used + strlen(piece) + 4 >= out_size) break;
        strcpy(out + used, piece);
        used += strlen(piece);
    }
    if (i < size && used + 4 < out_size) strcpy(out + used, "...");
}

/* ---- the parser's state ----------------------------------------------- */

/* Names become test names; long ones make every test listing wide. */
#define SCENARIO_NAME_LIMIT 56

typedef struct {
    const char* file;
    int line;
    ScenarioList* list;
    Scenario* scenario;  /* the scenario being read, or null before the first */
    ScenarioRun* run;    /* its current run */
    ScenarioText* block; /* the text that `|` lines add to, or null */
    int block_ended;     /* the last block line asked for no line feed */
    char* error;
    size_t error_size;
} Parser;

static int fail(Parser* p, const char* format, ...) {
    va_list args;
    int n = snprintf(p->error, p->error_size, "%s:%d: ", p->file, p->line);
    if (n < 0 || (size_t)n >= p->error_size) return -1;
    va_start(args, format);
    vsnprintf(p->error + n, p->error_size - (size_t)n, format, args);
    va_end(args);
    return -1;
}

/* ---- escapes ---------------------------------------------------------- */

static int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

static int decode(Parser* p, const char* s, size_t n, int allow_repeat, Bytes* out);

/* \*N{TEXT}: at s[*i] the '*'. */
static int decode_repeat(Parser* p, const char* s, size_t n, size_t* i, Bytes* out) {
    size_t at = *i + 1, start, count = 0, k;
    Bytes once = {NULL, 0, 0};
    if (at >= n || s[at] < '0' || s[at] > '9') return fail(p, "\\* needs a count");
    while (at < n && s[at] >= '0' && s[at] <= '9') {
        count = count * 10 + (size_t)(s[at++] - '0');
        if (count > 100000000u) return fail(p, "\\* count too large");
    }
    if (at >= n || s[at] != '{') return fail(p, "\\*%lu needs {TEXT}", (unsigned long)count);
    start = ++at;
    while (at < n && s[at] != '}') at += s[at] == '\\' ? 2 : 1;
    if (at >= n) return fail(p, "\\*%lu{ without its }", (unsigned long)count);
    if (decode(p, s + start, at - start, 0, &once) != 0) {
        free(once.data);
        return -1;
    }
    bytes_add(&once, "", 0);
    for (k = 0; k < count; ++k) bytes_add(out, once.data, once.size);
    free(once.data);
    *i = at + 1;
    return 0;
}

/* One escape; at s[*i] the character after the backslash. */
static int decode_escape(Parser* p, const char* s, size_t n, size_t* i, int allow_repeat, Bytes* out) {
    const char c = s[*i];
    const char* simple = strchr("\\\"{}", c);
    if (c != '\0' && simple != NULL) bytes_add_char(out, c);
    else if (c == 'n') bytes_add_char(out, '\n');
    else if (c == 'r') bytes_add_char(out, '\r');
    else if (c == 't') bytes_add_char(out, '\t');
    else if (c == '0') bytes_add_char(out, '\0');
    else if (c == 'x') {
        const int high = *i + 2 < n ? hex_value(s[*i + 1]) : -1;
        const int low = *i + 2 < n ? hex_value(s[*i + 2]) : -1;
        if (high < 0 || low < 0) return fail(p, "\\x needs two hexadecimal digits");
        bytes_add_char(out, (char)(high * 16 + low));
        *i += 2;
    } else if (c == '*' && allow_repeat) {
        return decode_repeat(p, s, n, i, out);
    } else if (c == '*') {
        return fail(p, "\\* inside \\*{...}");
    } else {
        return fail(p, "unknown escape \\%c", c);
    }
    ++*i;
    return 0;
}

static int decode(Parser* p, const char* s, size_t n, int allow_repeat, Bytes* out) {
    size_t i = 0;
    while (i < n) {
        const char* backslash = (const char*)memchr(s + i, '\\', n - i);
        const size_t plain = backslash ? (size_t)(backslash - (s + i)) : n - i;
        bytes_add(out, s + i, plain);
        i += plain;
        if (i == n) break;
        ++i;
        if (i == n) return fail(p, "a backslash at the end of the text");
        if (decode_escape(p, s, n, &i, allow_repeat, out) != 0) return -1;
    }
    return 0;
}

/* ---- block lines ------------------------------------------------------ */

static int is_blank(char c) { return c == ' ' || c == '\t'; }

/* A line ending in a single backslash (one not itself escaped) asks for no
 * line feed. */
static int ends_in_lone_backslash(const char* s, size_t n) {
    size_t run = 0;
    while (run < n && s[n - 1 - run] == '\\') ++run;
    return run % 2 == 1;
}

static int block_line(Parser* p, const char* s, size_t n) {
    Bytes out = {NULL, 0, 0};
    const size_t skip = n > 1 ? 2 : 1; /* the | and its blank */
    const char* text = s + skip;
    size_t length = n >= skip ? n - skip : 0;
    int no_line_feed;
    if (p->block == NULL) return fail(p, "a | line that belongs to no block");
    if (p->block_ended) return fail(p, "a | line after one that ended without a line feed");
    if (n > 1 && s[1] != ' ') return fail(p, "a | line needs a blank after the |");
    if (n > 2 && is_blank(s[n - 1])) return fail(p, "a | line ends in a blank or tab: write it as \\x20 or \\t");
    no_line_feed = length > 0 && ends_in_lone_backslash(text, length);
    if (no_line_feed) length -= 1;
    bytes_add(&out, p->block->data, p->block->size);
    if (decode(p, text, length, 1, &out) != 0) {
        free(out.data);
        return -1;
    }
    if (!no_line_feed) bytes_add_char(&out, '\n');
    p->block_ended = no_line_feed;
    scenario_text_free(p->block);
    *p->block = bytes_take(&out);
    return 0;
}

static void open_block(Parser* p, ScenarioText* text) {
    scenario_text_free(text);
    *text = text_empty();
    p->block = text;
    p->block_ended = 0;
}

/* ---- words of a directive line ---------------------------------------- */

static int word_is(const char* s, size_t n, const char* word) {
    return strlen(word) == n && memcmp(s, word, n) == 0;
}

/* The word at s[*i]: a quoted text, `null`, or a bare word. */
static int next_value(Parser* p, const char* s, size_t n, size_t* i, ScenarioText* value, int* is_null) {
    size_t start;
    Bytes out = {NULL, 0, 0};
    while (*i < n && is_blank(s[*i])) ++*i;
    if (*i + 4 <= n && memcmp(s + *i, "null", 4) == 0 && (*i + 4 == n || is_blank(s[*i + 4]))) {
        *i += 4;
        *is_null = 1;
        *value = text_empty();
        return 0;
    }
    if (*i >= n || s[*i] != '"') return fail(p, "expected a quoted text or null");
    start = ++*i;
    while (*i < n && s[*i] != '"') *i += s[*i] == '\\' ? 2 : 1;
    if (*i >= n) return fail(p, "a quoted text without its closing quote");
    if (decode(p, s + start, *i - start, 0, &out) != 0) {
        free(out.data);
        return -1;
    }
    ++*i;
    *is_null = 0;
    *value = bytes_take(&out);
    return 0;
}

static int rest_is_blank(const char* s, size_t n, size_t i) {
    while (i < n && is_blank(s[i])) ++i;
    return i == n;
}

/* ---- scenarios and runs ----------------------------------------------- */

static int check_run(Parser* p) {
    const ScenarioRun* run = p->run;
    if (run == NULL) return 0;
    if (!run->has_result) return fail(p, "the run that begins on line %d has no result", run->line);
    if (p->scenario->run_count == 1 && run->source_kind == SCENARIO_SOURCE_KEEP)
        return fail(p, "the first run of scenario '%s' has no source", p->scenario->name);
    return 0;
}

static void start_run(Parser* p) {
    Scenario* s = p->scenario;
    ScenarioRun* run;
    s->runs = (ScenarioRun*)grown(s->runs, (s->run_count + 1) * sizeof *s->runs);
    run = &s->runs[s->run_count++];
    memset(run, 0, sizeof *run);
    run->line = p->line;
    run->source = text_empty();
    run->result = text_empty();
    run->errors = text_empty();
    run->standard_output = text_empty();
    run->temp = text_empty();
    run->temp_linux = text_empty();
    run->temp_windows = text_empty();
    p->run = run;
}

static int start_scenario(Parser* p, const char* name, size_t n) {
    ScenarioList* list = p->list;
    Scenario* s;
    size_t k;
    while (n > 0 && is_blank(name[n - 1])) --n;
    if (n == 0) return fail(p, "a scenario needs a name");
    if (n > SCENARIO_NAME_LIMIT) return fail(p, "a scenario name of more than %d characters", SCENARIO_NAME_LIMIT);
    for (k = 0; k < list->count; ++k)
        if (strlen(list->items[k].name) == n && memcmp(list->items[k].name, name, n) == 0 &&
            strcmp(list->items[k].file, p->file) == 0)
            return fail(p, "a second scenario named '%.*s'", (int)n, name);
    list->items = (Scenario*)grown(list->items, (list->count + 1) * sizeof *list->items);
    s = &list->items[list->count++];
    memset(s, 0, sizeof *s);
    s->name = text_copy(name, n).data;
    s->file = text_copy(p->file, strlen(p->file)).data;
    s->line = p->line;
    p->scenario = s;
    start_run(p);
    return 0;
}

static int global_directive(Parser* p, const char* s, size_t n, size_t i, int is_string) {
    ScenarioRun* run = p->run;
    ScenarioGlobal g;
    memset(&g, 0, sizeof g);
    g.is_string = is_string;
    if (next_value(p, s, n, &i, &g.name, &g.name_is_null) != 0) return -1;
    if (next_value(p, s, n, &i, &g.value, &g.value_is_null) != 0) {
        scenario_text_free(&g.name);
        return -1;
    }
    if (!rest_is_blank(s, n, i)) {
        scenario_text_free(&g.name);
        scenario_text_free(&g.value);
        return fail(p, "words after the value");
    }
    run->globals = (ScenarioGlobal*)grown(run->globals, (run->global_count + 1) * sizeof *run->globals);
    run->globals[run->global_count++] = g;
    return 0;
}

static int source_directive(Parser* p, const char* word, size_t n) {
    ScenarioRun* run = p->run;
    if (run->source_kind != SCENARIO_SOURCE_KEEP) return fail(p, "a second source in one run");
    if (n == 0) {
        run->source_kind = SCENARIO_SOURCE_TEXT;
        open_block(p, &run->source);
    } else if (word_is(word, n, "missing")) {
        run->source_kind = SCENARIO_SOURCE_MISSING;
    } else if (word_is(word, n, "directory")) {
        run->source_kind = SCENARIO_SOURCE_DIRECTORY;
    } else {
        return fail(p, "source takes nothing, missing or directory");
    }
    return 0;
}

static int temp_directive(Parser* p, const char* word, size_t n) {
    ScenarioRun* run = p->run;
    if (n == 0 || word_is(word, n, "none")) {
        if (run->temp_kind != SCENARIO_TEMP_RESULT) return fail(p, "a second temp in one run");
        run->temp_kind = n == 0 ? SCENARIO_TEMP_TEXT : SCENARIO_TEMP_NONE;
        if (n == 0) open_block(p, &run->temp);
    } else if (word_is(word, n, "linux") && !run->has_temp_linux) {
        run->has_temp_linux = 1;
        open_block(p, &run->temp_linux);
    } else if (word_is(word, n, "windows") && !run->has_temp_windows) {
        run->has_temp_windows = 1;
        open_block(p, &run->temp_windows);
    } else {
        return fail(p, "temp takes nothing, none, linux or windows, each once");
    }
    return 0;
}

/* result, errors, stdout: a block each, at most once per run. */
static int expectation(Parser* p, const char* word, size_t n) {
    ScenarioRun* run = p->run;
    int* seen = &run->has_standard_output;
    ScenarioText* target = &run->standard_output;
    if (word_is(word, n, "result")) {
        seen = &run->has_result;
        target = &run->result;
    } else if (word_is(word, n, "errors")) {
        seen = &run->has_errors;
        target = &run->errors;
    }
    if (*seen) return fail(p, "a second %.*s in one run", (int)n, word);
    *seen = 1;
    open_block(p, target);
    return 0;
}

/* A line of the current run: its first word is s[0, n), the whole line s[0, size). */
static int run_directive(Parser* p, const char* s, size_t n, size_t size) {
    const char* word = s;
    const size_t rest = n;
    const char* arg = s + rest;
    size_t arg_n = size - rest;
    while (arg_n > 0 && is_blank(*arg)) ++arg, --arg_n;
    while (arg_n > 0 && is_blank(arg[arg_n - 1])) --arg_n;
    if (word_is(word, n, "real") || word_is(word, n, "string"))
        return global_directive(p, s, size, rest, word_is(word, n, "string"));
    if (word_is(word, n, "source")) return source_directive(p, arg, arg_n);
    if (word_is(word, n, "temp")) return temp_directive(p, arg, arg_n);
    if (word_is(word, n, "output")) {
        if (!word_is(arg, arg_n, "directory")) return fail(p, "output takes directory");
        p->run->output_directory = 1;
        return 0;
    }
    if (word_is(word, n, "result") || word_is(word, n, "errors") || word_is(word, n, "stdout")) {
        if (arg_n != 0) return fail(p, "%.*s takes nothing; its text follows in | lines", (int)n, word);
        return expectation(p, word, n);
    }
    return fail(p, "unknown line '%.*s'", (int)n, word);
}

static int directive(Parser* p, const char* s, size_t n) {
    size_t end = 0;
    while (end < n && !is_blank(s[end])) ++end;
    if (word_is(s, end, "scenario")) {
        if (check_run(p) != 0) return -1;
        while (end < n && is_blank(s[end])) ++end;
        return start_scenario(p, s + end, n - end);
    }
    if (p->scenario == NULL) return fail(p, "'%.*s' before the first scenario", (int)end, s);
    if (word_is(s, end, "run")) {
        if (!rest_is_blank(s, n, end)) return fail(p, "run takes nothing");
        if (check_run(p) != 0) return -1;
        start_run(p);
        return 0;
    }
    return run_directive(p, s, end, n);
}

static int parse_line(Parser* p, const char* s, size_t n) {
    if (n > 0 && s[n - 1] == '\r') --n; /* a file with CR LF line ends reads the same */
    if (n > 0 && s[0] == '|') return block_line(p, s, n);
    p->block = NULL;
    if (n == 0 || s[0] == '#' || rest_is_blank(s, n, 0)) return 0;
    return directive(p, s, n);
}

int scenario_parse(const char* bytes, size_t size, const char* file_name, ScenarioList* list,
                   char* error, size_t error_size) {
    Parser p;
    size_t at = 0;
    memset(&p, 0, sizeof p);
    p.file = file_name;
    p.list = list;
    p.error = error;
    p.error_size = error_size;
    if (error_size > 0) error[0] = '\0';
    while (at < size) {
        const char* line_feed = (const char*)memchr(bytes + at, '\n', size - at);
        const size_t n = line_feed ? (size_t)(line_feed - (bytes + at)) : size - at;
        ++p.line;
        if (parse_line(&p, bytes + at, n) != 0) return -1;
        at += n + 1;
    }
    return check_run(&p);
}

int scenario_load(const char* path, const char* file_name, ScenarioList* list, char* error,
                  size_t error_size) {
    Bytes b = {NULL, 0, 0};
    char piece[4096];
    size_t got;
    int status;
    FILE* f = fopen(path, "rb");
    if (f == NULL) {
        snprintf(error, error_size, "%s: cannot be opened", path);
        return -1;
    }
    while ((got = fread(piece, 1, sizeof piece, f)) > 0) bytes_add(&b, piece, got);
    fclose(f);
    bytes_add(&b, "", 0);
    status = scenario_parse(b.data, b.size, file_name, list, error, error_size);
    free(b.data);
    return status;
}

static void free_run(ScenarioRun* run) {
    size_t k;
    for (k = 0; k < run->global_count; ++k) {
        scenario_text_free(&run->globals[k].name);
        scenario_text_free(&run->globals[k].value);
    }
    free(run->globals);
    scenario_text_free(&run->source);
    scenario_text_free(&run->result);
    scenario_text_free(&run->errors);
    scenario_text_free(&run->standard_output);
    scenario_text_free(&run->temp);
    scenario_text_free(&run->temp_linux);
    scenario_text_free(&run->temp_windows);
}

void scenario_free(ScenarioList* list) {
    size_t i, k;
    for (i = 0; i < list->count; ++i) {
        for (k = 0; k < list->items[i].run_count; ++k) free_run(&list->items[i].runs[k]);
        free(list->items[i].runs);
        free(list->items[i].name);
        free(list->items[i].file);
    }
    free(list->items);
    list->items = NULL;
    list->count = 0;
}

int scenario_expected_temp(const ScenarioRun* run, int windows, ScenarioText* out) {
    const ScenarioText* base = run->temp_kind == SCENARIO_TEMP_TEXT ? &run->temp : &run->result;
    if (windows && run->has_temp_windows) {
        *out = text_copy(run->temp_windows.data, run->temp_windows.size);
        return 1;
    }
    if (!windows && run->has_temp_linux) {
        *out = text_copy(run->temp_linux.data, run->temp_linux.size);
        return 1;
    }
    if (run->temp_kind == SCENARIO_TEMP_NONE) return 0;
    *out = windows ? scenario_to_crlf(base->data, base->size) : text_copy(base->data, base->size);
    return 1;
}

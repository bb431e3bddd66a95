/* A host written the way the engine uses the library: a 32-bit Windows
 * program that loads KelvoScriptparser.dll by file name, finds the four
 * exports with GetProcAddress and calls them through cdecl function pointers
 * that take and return exactly pointers to zero-terminated text and 64-bit
 * floating point values. It writes its own "test.txt" in its working
 * directory before each run and compares what comes back, and what lands in
 * "temp.txt", with the texts the translation rules prescribe.
 *
 * Ends with the line "N passed, M failed" and exits with 1 if any check
 * failed (2 if the library cannot be loaded at all). */
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

typedef const char*(__cdecl* TextExport)(void);
typedef double(__cdecl* GlobalExport)(const char* name, const char* value);

static TextExport parser;
static TextExport last_error;
static GlobalExport add_global_real;
static GlobalExport add_global_string;

static int passed;
static int failed;

/* ---- small text helpers ------------------------------------------------ */

typedef struct {
    char* data;
    size_t size;
    size_t capacity;
} Text;

static void text_reserve(Text* t, size_t extra) {
    if (t->size + extra + 1 <= t->capacity) return;
    size_t capacity = t->capacity ? t->capacity : 256;
    while (capacity < t->size + extra + 1) capacity *= 2;
    char* data = (char*)realloc(t->data, capacity);
    if (!data) {
        fputs("out of memory\n", stderr);
        exit(2);
    }
    t->data = data;
    t->capacity = capacity;
}

static void text_add(Text* t, const char* s) {
    const size_t n = strlen(s);
    text_reserve(t, n);
    memcpy(t->data + t->size, s, n + 1);
    t->size += n;
}

static void text_repeat(Text* t, const char* s, int times) {
    for (int i = 0; i < times; ++i) text_add(t, s);
}

static void text_free(Text* t) {
    free(t->data);
    t->data = NULL;
    t->size = t->capacity = 0;
}

static const char* text_str(const Text* t) { return t->data ? t->data : ""; }

/* Shows a text with its line ends and control bytes visible. */
static void show(const char* label, const char* s, size_t n) {
    printf("    %s (%u bytes): \"", label, (unsigned)n);
    const size_t limit = n > 600 ? 600 : n;
    for (size_t i = 0; i < limit; ++i) {
        const unsigned char c = (unsigned char)s[i];
        if (c == '\n') fputs("\\n", stdout);
        else if (c == '\r') fputs("\\r", stdout);
        else if (c == '"') fputs("\\\"", stdout);
        else if (c < 32 || c > 126) printf("\\x%02x", c);
        else putchar(c);
    }
    if (limit < n) fputs("...", stdout);
    fputs("\"\n", stdout);
}

static void check(int ok, const char* what, ...) {
    if (ok) {
        ++passed;
        return;
    }
    ++failed;
    va_list args;
    va_start(args, what);
    fputs("FAIL: ", stdout);
    vprintf(what, args);
    fputs("\n", stdout);
    va_end(args);
}

static void check_text(const char* what, const char* actual, const char* expected) {
    const int ok = strcmp(actual, expected) == 0;
    check(ok, "%s", what);
    if (!ok) {
        show("expected", expected, strlen(expected));
        show("actual  ", actual, strlen(actual));
    }
}

/* ---- files in the working directory ------------------------------------ */

static void write_source_bytes(const char* bytes, size_t n) {
    FILE* f = fopen("test.txt", "wb");
    if (!f || fwrite(bytes, 1, n, f) != n || fclose(f) != 0) {
        fputs("cannot write test.txt\n", stderr);
        exit(2);
    }
}

static void write_source(const char* text) { write_source_bytes(text, strlen(text)); }

/* The bytes of a file as stored, or NULL if it cannot be read. */
static char* read_file_bytes(const char* path, size_t* size) {
    FILE* f = fopen(path, "rb");
    if (!f) return NULL;
    Text t = {0};
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, f)) > 0) {
        text_reserve(&t, got);
        memcpy(t.data + t.size, buffer, got);
        t.size += got;
        t.data[t.size] = '\0';
    }
    fclose(f);
    text_reserve(&t, 0);
    t.data[t.size] = '\0';
    *size = t.size;
    return t.data;
}

/* ---- one run ----------------------------------------------------------- */

static Text errors_so_far;

/* Writes test.txt, calls Parser, and checks the returned text, the messages
 * that the run added to the error text, and temp.txt, which holds the same
 * text with every line feed stored as CR LF. */
static void run_case(const char* name, const char* source_bytes, size_t source_size,
                     const char* expected_result, const char* expected_new_errors) {
    char what[256];
    write_source_bytes(source_bytes, source_size);
    const char* result = parser();
    snprintf(what, sizeof what, "%s: returned text", name);
    check_text(what, result ? result : "(null)", expected_result);

    text_add(&errors_so_far, expected_new_errors);
    snprintf(what, sizeof what, "%s: error text", name);
    check_text(what, last_error(), text_str(&errors_so_far));

    Text stored = {0};
    for (const char* p = expected_result; *p; ++p) text_add(&stored, *p == '\n' ? "\r\n" : (char[]){*p, 0});
    size_t size = 0;
    char* temp = read_file_bytes("temp.txt", &size);
    snprintf(what, sizeof what, "%s: temp.txt with CR LF line ends", name);
    const int ok = temp != NULL && size == stored.size && memcmp(temp, text_str(&stored), size) == 0;
    check(ok, "%s", what);
    if (!ok && temp) {
        show("expected", text_str(&stored), stored.size);
        show("actual  ", temp, size);
    }
    free(temp);
    text_free(&stored);
}

static void run_text_case(const char* name, const char* source, const char* expected_result,
                          const char* expected_new_errors) {
    run_case(name, source, strlen(source), expected_result, expected_new_errors);
}

/* ---- scenarios --------------------------------------------------------- */

#define UNEXPECTED "Unexpected symbol: \n"
#define WRONG_COUNT "Wrong number of arguments to function or script.\n"
#define PI_TEXT "3.141592653589793238462643383279502884197169399375105820974944592"

static void every_kind_of_term(void) {
    check(add_global_string("who", "Ann") == 0.0, "Parser_add_global_arg_string returns 0.0");
    check(add_global_real("speed", "2.5") == 0.0, "Parser_add_global_arg_real returns 0.0");
    const char* source =
        "function add 2 a b\n"
        "var r 0\n"
        "r = a\n"
        "r += b\n"
        "return r\n"
        "end\n"
        "var total 0\n"
        "total = add 3 4\n"
        "total = total + speed\n"
        "total += 2 * 3\n"
        "message total\n"
        "\"hello; world\"\n"
        "007\n"
        "+=\n"
        "distance 0 0 abs 3 4\n"
        "circle_color 10 10 5 red gold 0\n"
        "pi\n"
        "message who\n"
        "speed\n"
        "\n"
        "// a comment line\n"
        "if 2 = 2\n"
        "{\n"
        "primitive_begin trianglelist\n"
        "}\n"
        "else\n"
        "repeat c_year // how often\n"
        "while 1 + 1\n"
        "switch total\n"
        "case \"a\"\n"
        "break\n"
        "default\n"
        "do\n"
        "continue\n"
        "exit\n"
        "tang 1; abs 2\n"
        "power 2 3\n"
        "nobody\n"
        "3.5\n"
        "distance 1 2\n"
        "add 1\n"
        "if 1 < 2\n";
    const char* expected =
        "add='a=argument0\n"
        "b=argument1\n"
        "r = 0\n"
        "r=a\n"
        "r+=b\n"
        "return(r)\n"
        "'\n"
        "\n"
        "total = 0\n"
        "total=execute_string(add,3,4)\n"
        "total=total+2.5\n"
        "total+=2\n"
        "show_message(total)\n"
        "\"hello; world\"\n"
        "007\n"
        "+=\n"
        "point_distance(0,0,abs(3),4)\n"
        "draw_circle_color(10,10,5,255,55295,0)\n"
        PI_TEXT "\n"
        "show_message(\"Ann\")\n"
        "2.5\n"
        "if(2 =2) \n"
        "{\n"
        "draw_primitive_begin(pr_trianglelist)\n"
        "}\n"
        "else \n"
        "repeat(current_year)\n"
        "while(1 +1) \n"
        "switch(total)\n"
        "case \"a\":\n"
        "break;\n"
        "default:\n"
        "do \n"
        "continue;\n"
        "game_end()\n"
        "tan(1)\n"
        "abs(2)\n"
        "power(2)\n"
        "\n"
        "\n"
        "point_distance(1,2,0,0)\n"
        "execute_string(add,1,)\n"
        "if(1 2) \n";
    const char* errors =
        "Unknown variable: nobody\n"
        "Unknown variable: 3.5\n"
        UNEXPECTED WRONG_COUNT UNEXPECTED WRONG_COUNT
        UNEXPECTED WRONG_COUNT
        "Unknown variable: <\n"
        "is not operator help:'if var0 operator var1'\n";
    run_text_case("every kind of term", source, expected, errors);
}

static void globals_between_runs(void) {
    add_global_string("g", "first");
    run_text_case("string global, first value", "message g\nvar g 1\n", "show_message(\"first\")\n\n", "");
    add_global_string("g", "second");
    run_text_case("string global, second value", "message g\nvar g 1\n", "show_message(\"second\")\n\n", "");
    add_global_string("g", "");
    run_text_case("string global, emptied", "message g\nvar g 1\n", "show_message()\ng = 1\n",
                  "Unknown variable: g\n");

    add_global_real("level", "7");
    run_text_case("real global, set", "abs level\n", "abs(7)\n", "");
    run_text_case("real global, next run", "level\nvar level 1\n", "7\n\n", "");
    add_global_real("red", "99");
    run_text_case("real global over a built-in constant", "red\ngold\n", "99\n55295\n", "");
    add_global_real("level", "");
    run_text_case("real global, emptied", "level\n", "\n", "Unknown variable: level\n");
    add_global_real("red", "255");
}

static void several_runs(void) {
    run_text_case("run 1: defines, declares",
                  "function twice 1 n\nreturn n\nend\nvar v 5\nv\nnope\n",
                  "twice='n=argument0\nreturn(n)\n'\n\nv = 5\nv\n\n", "Unknown variable: nope\n");
    const char* first = parser();
    const char* second = parser();
    check(first != NULL && second != NULL && strcmp(second, "twice='n=argument0\nreturn(n)\n'\n\nv = 5\nv\n\n") == 0,
          "the same source gives the same text again");
    text_add(&errors_so_far, "Unknown variable: nope\nUnknown variable: nope\n");
    run_text_case("run 2: script survives, variable is reset", "twice 9\nv\nmessage \"x\"\n",
                  "execute_string(twice,9)\n\nshow_message(\"x\")\n", "Unknown variable: v\n");
    run_text_case("run 3: definition left open", "function open 0\nreturn 1\n", "\n", "");
    run_text_case("run 4: the open definition goes on", "abs 1\nend\nabs 2\nopen\n",
                  "open='abs(1)\n'\nabs(2)\nexecute_string(open, 0)\n", "");
    run_text_case("run 5: nothing open any more", "abs 3\n", "abs(3)\n", "");
}

static void line_ends_and_end_of_file(void) {
    const char* crlf = "abs 1\r\nmessage \"a b\"\r\n\r\nvar k 2\r\nk = k + 1\r\n";
    const char* expected = "abs(1)\nshow_message(\"a b\")\nk = 2\nk=k+1\n";
    run_text_case("CR LF source", crlf, expected, "");
    run_text_case("the same source with LF", "abs 1\nmessage \"a b\"\n\nvar k 2\nk = k + 1\n", expected, "");
    run_text_case("CR LF without a final line end", "abs 1\r\nabs 2", "abs(1)\nabs(2)\n", "");

    static const char cut[] = "abs 1\nabs 2\x1a\nabs 3\n";
    run_case("source cut by 0x1A", cut, sizeof cut - 1, "abs(1)\nabs(2)\n", "");
    static const char cut_crlf[] = "abs 1\r\n\x1a" "abs 2\r\n";
    run_case("CR LF source cut by 0x1A", cut_crlf, sizeof cut_crlf - 1, "abs(1)\n", "");

    /* The returned text keeps single line feeds. */
    write_source("abs 1\nabs 2\n");
    const char* result = parser();
    check(strchr(result, '\r') == NULL, "the returned text holds no CR");
}

/* A line of `levels` nested terms: (levels - 1) times `prefix`, then `last`. */
static void nesting_line(Text* line, const char* prefix, const char* last, int levels) {
    text_repeat(line, prefix, levels - 1);
    text_add(line, last);
    text_add(line, "\n");
}

static void nesting_limit(void) {
    Text source = {0}, expected = {0};

    /* 1000 levels of built-in calls fit into the 1 MB stack. */
    nesting_line(&source, "abs ", "1", 1000);
    text_repeat(&expected, "abs(", 999);
    text_add(&expected, "1");
    text_repeat(&expected, ")", 999);
    text_add(&expected, "\n");
    run_text_case("1000 nested built-in calls", text_str(&source), text_str(&expected), "");
    text_free(&source);
    text_free(&expected);

    /* 1000 levels of script calls. */
    text_add(&source, "function f 1 p\nreturn p\nend\n");
    nesting_line(&source, "f ", "1", 1000);
    text_add(&expected, "f='p=argument0\nreturn(p)\n'\n\n");
    text_repeat(&expected, "execute_string(f,", 999);
    text_add(&expected, "1");
    text_repeat(&expected, ")", 999);
    text_add(&expected, "\n");
    run_text_case("1000 nested script calls", text_str(&source), text_str(&expected), "");
    text_free(&source);
    text_free(&expected);

    /* 1000 levels of an assignment chain. */
    text_add(&source, "var x 0\n");
    nesting_line(&source, "x = ", "1", 1000);
    text_add(&expected, "x = 0\n");
    text_repeat(&expected, "x=", 999);
    text_add(&expected, "1\n");
    run_text_case("1000 levels of assignment", text_str(&source), text_str(&expected), "");
    text_free(&source);
    text_free(&expected);

    /* 1000 levels of statements. */
    nesting_line(&source, "repeat ", "1", 1000);
    text_repeat(&expected, "repeat(", 999);
    text_add(&expected, "1");
    text_repeat(&expected, ")", 999);
    text_add(&expected, "\n");
    run_text_case("1000 nested statements", text_str(&source), text_str(&expected), "");
    text_free(&source);
    text_free(&expected);

    /* One level more is refused with one message; the line gives an empty
     * line and the next line is translated as usual. */
    nesting_line(&source, "abs ", "1", 1001);
    text_add(&source, "abs 7\n");
    run_text_case("1001 nested built-in calls", text_str(&source), "\nabs(7)\n", "Nesting too deep\n");
    text_free(&source);

    nesting_line(&source, "x = ", "1", 1001);
    run_text_case("1001 levels without a variable", text_str(&source), "\n",
                  "Unknown variable: x\n");
    text_free(&source);

    text_add(&source, "var x 0\n");
    nesting_line(&source, "x = ", "1", 1001);
    run_text_case("1001 levels of assignment", text_str(&source), "x = 0\n\n", "Nesting too deep\n");
    text_free(&source);
}

static void many_calls(void) {
    enum { cheap_calls = 20000, runs = 3000 };
    int bad = 0;
    for (int i = 0; i < cheap_calls; ++i) {
        if (add_global_real("loop_real", (i & 1) ? "1" : "2") != 0.0) ++bad;
        if (add_global_string("loop_text", (i & 1) ? "a" : "b") != 0.0) ++bad;
        if (last_error() == NULL) ++bad;
    }
    check(bad == 0, "%d calls of each global-argument export and Parser_last_error: %d wrong results",
          cheap_calls, bad);

    write_source("loop_real\nmessage loop_text\n");
    const char* expected = "1\nshow_message(\"a\")\n";
    const size_t errors_before = strlen(last_error());
    bad = 0;
    for (int i = 0; i < runs; ++i) {
        const char* result = parser();
        if (result == NULL || strcmp(result, expected) != 0) ++bad;
        if (add_global_real("loop_real", "1") != 0.0) ++bad;
    }
    check(bad == 0, "%d runs in a row: %d wrong results", runs, bad);
    check(strlen(last_error()) == errors_before, "the runs in a row report nothing");

    /* Through the x87 stack: results of the real-valued exports mix with
     * the host's own floating point arithmetic. */
    double sum = 0.0;
    for (int i = 0; i < cheap_calls; ++i) sum += 1.5 + add_global_real("x", "1") + add_global_string("y", "1");
    check(sum == 1.5 * cheap_calls, "floating point results keep the host's arithmetic intact");
}

static FARPROC find_export(HMODULE library, const char* name) {
    FARPROC f = GetProcAddress(library, name);
    check(f != NULL, "GetProcAddress finds %s", name);
    return f;
}

int main(void) {
    setvbuf(stdout, NULL, _IONBF, 0);
    HMODULE library = LoadLibraryA("KelvoScriptparser.dll");
    if (library == NULL) {
        printf("cannot load KelvoScriptparser.dll (error %lu)\n", (unsigned long)GetLastError());
        printf("0 passed, 1 failed\n");
        return 2;
    }
    parser = (TextExport)(void (*)(void))find_export(library, "Parser");
    last_error = (TextExport)(void (*)(void))find_export(library, "Parser_last_error");
    add_global_real = (GlobalExport)(void (*)(void))find_export(library, "Parser_add_global_arg_real");
    add_global_string = (GlobalExport)(void (*)(void))find_export(library, "Parser_add_global_arg_string");
    check(GetProcAddress(library, "_Parser") == NULL, "no decorated name _Parser");
    check(GetProcAddress(library, "Parser_add_global_arg_real@8") == NULL, "no decorated name with @8");
    if (!parser || !last_error || !add_global_real || !add_global_string) {
        printf("%d passed, %d failed\n", passed, failed);
        return 2;
    }

    check_text("error text right after loading", last_error(), "");
    every_kind_of_term();
    globals_between_runs();
    several_runs();
    line_ends_and_end_of_file();
    nesting_limit();
    many_calls();

    check(FreeLibrary(library) != 0, "FreeLibrary");
    printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

/* What only a Windows process can show: the exports by their plain names,
 * files that the engine holds open, calls from a misaligned stack, the x87
 * results, a thousand loads and unloads, the stack that the deepest lines
 * take, the large source against the Linux build's output, and the GUI
 * build. Each check counts once in the summary. */
#include "host.h"

#define PSAPI_VERSION 1
#include <psapi.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "shared/large_source.h"

/* ---- text built by repetition ------------------------------------------- */

typedef struct {
    char* data;
    size_t size;
} Text;

static void text_add(Text* t, const char* s, int times) {
    const size_t n = strlen(s);
    int i;
    char* grown = (char*)realloc(t->data, t->size + n * (size_t)times + 1);
    if (grown == NULL) abort();
    t->data = grown;
    for (i = 0; i < times; ++i, t->size += n) memcpy(t->data + t->size, s, n);
    t->data[t->size] = '\0';
}

static void text_free(Text* t) {
    free(t->data);
    t->data = NULL;
    t->size = 0;
}

static int write_text(const char* name, const char* text) { return write_file(name, text, strlen(text)); }

static int text_is_str(const char* p, const char* expected) { return text_is(p, expected, strlen(expected)); }

/* What the library writes to standard output meanwhile is not looked at. */
static void discard_output(void) {
    ScenarioText out = capture_end();
    scenario_text_free(&out);
}

/* ---- exports ------------------------------------------------------------ */

void check_exports_by_plain_name(void) {
    Library library;
    if (!check(library_load(&library), "LoadLibrary and GetProcAddress of the four exports")) return;
    check(GetProcAddress(library.module, "_Parser") == NULL &&
              GetProcAddress(library.module, "Parser_add_global_arg_real@8") == NULL &&
              GetProcAddress(library.module, "_Parser_last_error@0") == NULL,
          "no decorated export names");
    library_free(&library);
}

/* ---- files the engine holds open ----------------------------------------- */

static HANDLE hold_exclusively(const char* name, DWORD access, DWORD disposition) {
    return CreateFileA(name, access, 0, NULL, disposition, FILE_ATTRIBUTE_NORMAL, NULL);
}

void check_files_held_open(void) {
    Library library;
    HANDLE held;
    int ok;
    size_t size = 1;
    char* temp;
    remove_entry("test.txt");
    remove_entry("temp.txt");
    if (!check(library_load(&library), "load for the files held open")) return;
    write_text("test.txt", "abs 1\n");

    held = hold_exclusively("temp.txt", GENERIC_WRITE, CREATE_ALWAYS);
    ok = held != INVALID_HANDLE_VALUE && text_is_str(library.parser(), "abs(1)\n") &&
         text_is_str(library.last_error(), "Cannot write output file: temp.txt\n");
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    check(ok, "temp.txt held open without sharing: the result comes back, the write is reported");

    held = hold_exclusively("test.txt", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    ok = held != INVALID_HANDLE_VALUE && text_is_str(library.parser(), "") &&
         text_is_str(library.last_error(),
                     "Cannot write output file: temp.txt\nCannot open source file: test.txt\n");
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    temp = read_file("temp.txt", &size);
    ok = ok && temp != NULL && size == 0;
    free(temp);
    ok = ok && text_is_str(library.parser(), "abs(1)\n");
    check(ok, "test.txt held open exclusively: reported, the run completes, the next run reads it");
    library_free(&library);
}

/* ---- calls from a misaligned stack --------------------------------------- */

/* The callee may change every vector register. */
#if defined(__SSE__)
#define VECTOR_REGISTERS , "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7"
#else
#define VECTOR_REGISTERS
#endif

/* Each export called with esp `shift` bytes below a 16-byte boundary at the
 * call instruction: a trampoline aligns esp, moves it down by `shift`, calls,
 * and restores esp from esi (which cdecl callees preserve). */
static const char* call_text_shifted(TextExport f, unsigned shift) {
    const char* result;
    unsigned clobbered_c, clobbered_d;
    __asm__ volatile(
        "movl %%esp, %%esi\n\t"
        "andl $-16, %%esp\n\t"
        "subl %%ecx, %%esp\n\t"
        "call *%%eax\n\t"
        "movl %%esi, %%esp\n\t"
        : "=a"(result), "=c"(clobbered_c), "=d"(clobbered_d)
        : "0"(f), "1"(shift)
        : "esi", "memory", "cc" VECTOR_REGISTERS);
    (void)clobbered_c;
    (void)clobbered_d;
    return result;
}

static double call_global_shifted(GlobalExport f, const char* name, const char* value, unsigned shift) {
    double result;
    __asm__ volatile(
        "movl %%esp, %%esi\n\t"
        "andl $-16, %%esp\n\t"
        "subl %%ecx, %%esp\n\t"
        "subl $16, %%esp\n\t"
        "movl %%edx, (%%esp)\n\t"
        "movl %%edi, 4(%%esp)\n\t"
        "call *%%eax\n\t"
        "movl %%esi, %%esp\n\t"
        : "=t"(result), "+a"(f), "+c"(shift), "+d"(name)
        : "D"(value)
        : "esi", "memory", "cc" VECTOR_REGISTERS);
    return result;
}

/* Returns esp as it is at its entry, the return address just pushed. */
extern const char* __cdecl probe_stack_pointer(void);
__asm__(".text\n"
        "_probe_stack_pointer:\n\t"
        "movl %esp, %eax\n\t"
        "ret\n");

void check_misaligned_calls(void) {
    static const unsigned shifts[] = {4, 8, 12};
    Text source = {NULL, 0}, expected = {NULL, 0};
    size_t i;
    text_add(&source, "message who\r\nabs n\nmessage \"", 1);
    text_add(&source, "0123456789abcdef", 20);
    text_add(&source, ";x/y\"\ncircle 1 2 3 4 // a comment\n", 1);
    text_add(&expected, "show_message(\"Ann\")\nabs(5)\nshow_message(\"", 1);
    text_add(&expected, "0123456789abcdef", 20);
    text_add(&expected, ";x/y\")\ndraw_circle(1,2,3,4)\n", 1);
    for (i = 0; i < sizeof shifts / sizeof *shifts; ++i) {
        Library library;
        int ok;
        const unsigned shift = shifts[i];
        const unsigned entry = (unsigned)(uintptr_t)call_text_shifted(probe_stack_pointer, shift);
        ok = (entry & 15u) == ((28u - shift) & 15u);
        if (!library_load(&library)) {
            check(0, "load for the misaligned calls");
            continue;
        }
        write_file("test.txt", source.data, source.size);
        ok = ok && call_global_shifted(library.add_global_string, "who", "Ann", shift) == 0.0;
        ok = ok && call_global_shifted(library.add_global_real, "n", "5", shift) == 0.0;
        ok = ok && text_is(call_text_shifted(library.parser, shift), expected.data, expected.size);
        ok = ok && text_is_str(call_text_shifted(library.last_error, shift), "");
        check(ok, "every export called with the stack %u bytes off its 16-byte alignment", shift);
        library_free(&library);
    }
    text_free(&source);
    text_free(&expected);
}

/* ---- many calls, and the x87 stack ------------------------------------------- */

void check_many_calls(void) {
    enum { cheap_calls = 20000, runs = 1000 };
    Library library;
    int bad = 0, i;
    double sum = 0.0;
    if (!check(library_load(&library), "load for the many calls")) return;
    for (i = 0; i < cheap_calls; ++i) {
        if (library.add_global_real("loop_real", (i & 1) ? "1" : "2") != 0.0) ++bad;
        if (library.add_global_string("loop_text", (i & 1) ? "a" : "b") != 0.0) ++bad;
        if (library.last_error() == NULL) ++bad;
    }
    write_text("test.txt", "loop_real\nmessage loop_text\n");
    for (i = 0; i < runs; ++i) {
        if (!text_is_str(library.parser(), "1\nshow_message(\"a\")\n")) ++bad;
        if (library.add_global_real("loop_real", "1") != 0.0) ++bad;
    }
    check(bad == 0 && text_is_str(library.last_error(), ""),
          "%d calls of each global export and %d runs in a row: %d wrong results", cheap_calls, runs, bad);
    /* The real-valued results come back on the x87 stack and mix with the
     * host's own arithmetic. */
    for (i = 0; i < cheap_calls; ++i)
        sum += 1.5 + library.add_global_real("x", "1") + library.add_global_string("y", "1");
    check(sum == 1.5 * cheap_calls, "floating point results keep the host's arithmetic intact");
    library_free(&library);
}

/* ---- a thousand loads ------------------------------------------------------------ */

/* The committed private memory of the process, summed over its regions as
 * the system keeps them. */
static SIZE_T committed_private_bytes(void) {
    SYSTEM_INFO system;
    MEMORY_BASIC_INFORMATION region;
    uintptr_t at, end;
    SIZE_T total = 0;
    GetSystemInfo(&system);
    at = (uintptr_t)system.lpMinimumApplicationAddress;
    end = (uintptr_t)system.lpMaximumApplicationAddress;
    while (at < end && VirtualQuery((const void*)at, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        at = (uintptr_t)region.BaseAddress + region.RegionSize;
    }
    return total;
}

typedef struct {
    PROCESS_MEMORY_COUNTERS_EX counters;
    SIZE_T committed_private;
} Memory;

static void measure_memory(Memory* m) {
    memset(m, 0, sizeof *m);
    m->counters.cb = sizeof m->counters;
    GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS*)&m->counters, sizeof m->counters);
    m->committed_private = committed_private_bytes();
}

static void say_memory(const char* when, const Memory* m) {
    say("  %s: working set %lu KiB, pagefile usage %lu KiB, private usage %lu KiB, committed private %lu KiB",
        when, (unsigned long)(m->counters.WorkingSetSize >> 10), (unsigned long)(m->counters.PagefileUsage >> 10),
        (unsigned long)(m->counters.PrivateUsage >> 10), (unsigned long)(m->committed_private >> 10));
}

/* One load: it must start from the loaded state, whatever the one before left. */
static int fresh_load(void) {
    Library library;
    int ok;
    if (!library_load(&library)) return 0;
    ok = text_is_str(library.last_error(), "");
    ok = ok && text_is_str(library.parser(), "show_message()\nabs(1)\n");
    ok = ok && text_is_str(library.last_error(), "Unknown variable: g\n");
    library.add_global_string("g", "left behind");
    ok = ok && text_is_str(library.parser(), "show_message(\"left behind\")\nabs(1)\n");
    library_free(&library);
    return ok && GetModuleHandleA("KelvoScriptparser.dll") == NULL;
}

void check_load_cycles(void) {
    enum { cycles = 1000, warm = 10 };
    /* Growth allowed over the cycles after the warm-up: 1 KiB a cycle; a
     * state left behind by each load is far more. */
    const SIZE_T allowed = 1024u * (cycles - warm);
    Memory first, last;
    int fresh = 0, i;
    const DWORD start = GetTickCount();
    write_text("test.txt", "message g\nabs 1\n");
    for (i = 0; i < cycles; ++i) {
        fresh += fresh_load();
        if (i == warm - 1) measure_memory(&first);
    }
    measure_memory(&last);
    say("load cycles: %d in %lu ms", cycles, (unsigned long)(GetTickCount() - start));
    say_memory("after 10", &first);
    say_memory("after 1000", &last);
    check(fresh == cycles, "%d LoadLibrary/FreeLibrary cycles: %d started from the loaded state", cycles, fresh);
    /* The private bytes as the system counts them; where GetProcessMemoryInfo
     * leaves them out (wine), the committed private regions. The working set
     * of a process that runs through an emulator also holds the emulator's
     * translated code, which grows with every load of the DLL's code. */
    if (first.counters.PrivateUsage != 0 && last.counters.PrivateUsage != 0)
        check(last.counters.PrivateUsage <= first.counters.PrivateUsage + allowed,
              "memory stays flat over the load cycles (private usage)");
    else
        check(first.committed_private != 0 && last.committed_private <= first.committed_private + allowed,
              "memory stays flat over the load cycles (committed private memory)");
}

/* ---- the stack at the nesting limit ---------------------------------------------- */

#define KIB 1024u
#define STACK_LIMIT (256u * KIB)
#define PAINT 0xA5

typedef struct {
    const char* name;
    Text source;
    Text expected;
    Library* library;
    int ok;
    size_t used;     /* bytes of stack from the thread's frame to the deepest write */
    size_t reserved; /* the thread's stack reservation */
} DeepLine;

static void run_deep_line(DeepLine* line) {
    write_file("test.txt", line->source.data, line->source.size);
    line->ok = text_is(line->library->parser(), line->expected.data, line->expected.size);
}

/* The top of the calling thread's stack (the TIB's StackBase, at fs:4). */
static uintptr_t stack_base(void) {
    uintptr_t base;
    __asm__("movl %%fs:4, %0" : "=r"(base));
    return base;
}

/* The lowest address of the stack reservation that holds `address`. */
static uintptr_t stack_bottom(const void* address) {
    MEMORY_BASIC_INFORMATION region;
    memset(&region, 0, sizeof region);
    VirtualQuery(address, &region, sizeof region);
    return (uintptr_t)region.AllocationBase;
}

/* Paints the free stack below this frame, runs the line and finds the
 * deepest byte that changed. */
static DWORD WINAPI painted_run(LPVOID argument) {
    DeepLine* line = (DeepLine*)argument;
    volatile unsigned char mark = 0;
    const uintptr_t here = (uintptr_t)&mark;
    const uintptr_t top = here - 512;
    /* Clear of the guard pages at the far end of the reservation. */
    const uintptr_t bottom = stack_bottom((const void*)&mark) + 64 * KIB;
    uintptr_t p;
    line->reserved = (size_t)(stack_base() - stack_bottom((const void*)&mark));
    for (p = top; p >= bottom; --p) *(volatile unsigned char*)p = PAINT; /* downwards, page after page */
    run_deep_line(line);
    for (p = bottom; p < top && *(volatile unsigned char*)p == PAINT; ++p) {
    }
    line->used = (size_t)(here - p);
    return 0;
}

/* Runs the line with no more than 256 KiB of stack left below: the stack
 * above that is spent first (the thread may be given more than asked for;
 * wine reserves at least 1 MB). A line that needed more would overflow. */
static DWORD WINAPI limited_run(LPVOID argument) {
    DeepLine* line = (DeepLine*)argument;
    volatile unsigned char mark = 0;
    const uintptr_t here = (uintptr_t)&mark;
    const uintptr_t bottom = stack_bottom((const void*)&mark);
    line->reserved = (size_t)(stack_base() - bottom);
    if (here - bottom > STACK_LIMIT) {
        volatile unsigned char* spent = (volatile unsigned char*)__builtin_alloca(here - bottom - STACK_LIMIT);
        spent[0] = mark;
    }
    run_deep_line(line);
    return 0;
}

static int on_thread(LPTHREAD_START_ROUTINE routine, DeepLine* line, SIZE_T reserve) {
    HANDLE thread = CreateThread(NULL, reserve, routine, line, STACK_SIZE_PARAM_IS_A_RESERVATION, NULL);
    if (thread == NULL) return 0;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return 1;
}

/* 999 times `prefix`, `leaf`; expected: `definitions`, 999 times `open`,
 * `leaf`, 999 times `close`. A thousand terms at once: the limit. */
static void deep_line(DeepLine* line, const char* name, const char* setup, const char* setup_text,
                      const char* prefix, const char* open, const char* close) {
    memset(line, 0, sizeof *line);
    line->name = name;
    text_add(&line->source, setup, 1);
    text_add(&line->source, prefix, 999);
    text_add(&line->source, "1\n", 1);
    text_add(&line->expected, setup_text, 1);
    text_add(&line->expected, open, 999);
    text_add(&line->expected, "1", 1);
    text_add(&line->expected, close, 999);
    text_add(&line->expected, "\n", 1);
}

enum { deep_kinds = 8 };

static void make_deep_lines(DeepLine lines[deep_kinds]) {
    deep_line(&lines[0], "built-in calls", "", "", "abs ", "abs(", ")");
    deep_line(&lines[1], "script calls", "function f 1 p\nreturn p\nend\n", "f='p=argument0\nreturn(p)\n'\n\n",
              "f ", "execute_string(f,", ")");
    deep_line(&lines[2], "assignment chain", "var x 0\n", "x = 0\n", "x = ", "x=", "");
    deep_line(&lines[3], "repeat statements", "", "", "repeat ", "repeat(", ")");
    deep_line(&lines[4], "if conditions", "", "", "if 1 = ", "if(1 =", ") ");
    deep_line(&lines[5], "while conditions", "", "", "while 1 + ", "while(1 +", ") ");
    deep_line(&lines[6], "case labels", "", "", "case ", "case ", ":");
    deep_line(&lines[7], "ten-operand calls", "", "", "triangle_color 1 2 3 4 5 6 7 8 9 ",
              "f_triangle_color(1,2,3,4,5,6,7,8,9,", ")");
}

void check_stack_at_the_nesting_limit(void) {
    DeepLine lines[deep_kinds];
    Library library;
    size_t i, deepest = 0;
    if (!check(library_load(&library), "load for the stack measurement")) return;
    make_deep_lines(lines);
    for (i = 0; i < deep_kinds; ++i) {
        DeepLine* line = &lines[i];
        int measured, fits;
        line->library = &library;
        capture_begin(); /* `end` writes its count */
        measured = on_thread(painted_run, line, 1024 * KIB) && line->ok;
        say("stack at the nesting limit, %s: %lu bytes (%lu KiB), measured on a %lu KiB thread stack", line->name,
            (unsigned long)line->used, (unsigned long)((line->used + KIB - 1) / KIB),
            (unsigned long)(line->reserved / KIB));
        line->ok = 0;
        fits = on_thread(limited_run, line, STACK_LIMIT) && line->ok;
        discard_output();
        check(measured && line->used <= STACK_LIMIT,
              "1000 levels of %s take at most 256 KiB of stack (%lu bytes)", line->name, (unsigned long)line->used);
        check(fits, "1000 levels of %s run with 256 KiB of stack left (of %lu KiB reserved)", line->name,
              (unsigned long)(line->reserved / KIB));
        if (line->used > deepest) deepest = line->used;
        text_free(&line->source);
        text_free(&line->expected);
    }
    say("stack at the nesting limit: at most %lu bytes (%lu KiB)", (unsigned long)deepest,
        (unsigned long)((deepest + KIB - 1) / KIB));
    library_free(&library);
}

/* ---- the large source --------------------------------------------------------------- */

static int same_bytes(const char* a, size_t a_size, const char* b, size_t b_size) {
    return a != NULL && b != NULL && a_size == b_size && memcmp(a, b, a_size) == 0;
}

void check_large_source(void) {
    size_t source_size = 0, result_size = 0, errors_size = 0, temp_size = 0;
    char* source = large_source_make(&source_size);
    char* result = read_file("..\\large_source.result", &result_size);
    char* errors = read_file("..\\large_source.errors", &errors_size);
    char* temp;
    ScenarioText stored;
    Library library;
    DWORD start;
    int ok;
    if (!check(source != NULL && result != NULL && errors != NULL,
               "the large source and the Linux build's output of it (large_source.result, .errors)")) {
        free(source);
        free(result);
        free(errors);
        return;
    }
    write_file("test.txt", source, source_size);
    free(source);
    if (library_load(&library)) {
        capture_begin();
        start = GetTickCount();
        ok = text_is(library.parser(), result, result_size);
        say("large source: %lu bytes in, %lu bytes out in %lu ms", (unsigned long)source_size,
            (unsigned long)result_size, (unsigned long)(GetTickCount() - start));
        discard_output();
        check(ok, "the large source gives the Linux build's result, byte for byte");
        check(text_is(library.last_error(), errors, errors_size), "the large source gives the Linux build's messages");
        stored = scenario_to_crlf(result, result_size);
        temp = read_file("temp.txt", &temp_size);
        check(same_bytes(temp, temp_size, stored.data, stored.size),
              "temp.txt of the large source is the Linux result with CR LF line ends");
        free(temp);
        scenario_text_free(&stored);
        library_free(&library);
    } else {
        check(0, "load for the large source");
    }
    free(result);
    free(errors);
}

/* ---- the GUI build ---------------------------------------------------------------------- */

void check_gui_build(void) {
    char program[MAX_PATH], directory[MAX_PATH], *slash, *log;
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    DWORD status = 1, waited;
    size_t size = 0;
    GetModuleFileNameA(NULL, program, sizeof program);
    slash = strrchr(program, '\\');
    if (slash == NULL) {
        check(0, "where is the host program?");
        return;
    }
    *slash = '\0';
    snprintf(directory, sizeof directory, "%s", program);
    snprintf(program, sizeof program, "%s\\kelvo_host_gui.exe", directory);
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessA(program, NULL, NULL, NULL, FALSE, 0, NULL, directory, &startup, &process)) {
        check(0, "cannot start %s (error %lu)", program, (unsigned long)GetLastError());
        return;
    }
    waited = WaitForSingleObject(process.hProcess, 240000);
    if (waited == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &status);
    else TerminateProcess(process.hProcess, 9);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    log = read_file("..\\kelvo_host_gui.log", &size);
    if (log != NULL) {
        const char* last = strstr(log, " passed, ");
        while (last != NULL && last > log && last[-1] != '\n') --last;
        say("GUI build: %s", last ? last : "no summary in kelvo_host_gui.log");
    }
    free(log);
    check(waited == WAIT_OBJECT_0 && status == 0,
          "the GUI build runs the table with no standard output (exit %lu, see kelvo_host_gui.log)",
          (unsigned long)status);
}

/* KelvoScriptparser: translates the word-oriented source script in "test.txt"
 * into the engine's host script.
 *
 * Every text is a zero-terminated 8-bit string; a null pointer counts as the
 * empty text. Returned texts belong to the library and stay valid until the
 * next call of Parser. The functions share one global state: call them from
 * one thread, one at a time. */
#ifndef KELVOSCRIPTPARSER_H
#define KELVOSCRIPTPARSER_H

#if defined(_WIN32)
#  define KELVO_CALL __cdecl
#  if defined(KELVO_BUILDING_LIBRARY)
#    define KELVO_API __declspec(dllexport)
#  elif defined(KELVO_STATIC)
#    define KELVO_API
#  else
#    define KELVO_API __declspec(dllimport)
#  endif
#else
#  define KELVO_CALL
#  if defined(KELVO_BUILDING_LIBRARY)
#    define KELVO_API __attribute__((visibility("default")))
#  else
#    define KELVO_API
#  endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* One run: reads "test.txt" from the working directory, translates it,
 * writes the host script to "temp.txt" and returns the same text. */
KELVO_API const char* KELVO_CALL Parser(void);

/* Defines `name` as a value that is emitted verbatim wherever a source script
 * uses it, in this and every later run. An empty value undefines the name.
 * Always returns 0.0. */
KELVO_API double KELVO_CALL Parser_add_global_arg_real(const char* name, const char* value);

/* Defines `name` as a text that is emitted between double quotes wherever a
 * source script uses it, in this and every later run. An empty value
 * undefines the name. Always returns 0.0. */
KELVO_API double KELVO_CALL Parser_add_global_arg_string(const char* name, const char* value);

/* Every message reported since the library was loaded, oldest first, one per
 * line. */
KELVO_API const char* KELVO_CALL Parser_last_error(void);

/* The types of the four exports, for a host that loads the library at run
 * time instead of linking it:
 *
 *     HMODULE dll = LoadLibraryA("KelvoScriptparser.dll");
 *     Parser_fn parser = (Parser_fn)(void (*)(void))GetProcAddress(dll, "Parser");
 *
 * (dlopen and dlsym on Linux). The calling convention is part of the type. */
typedef const char*(KELVO_CALL* Parser_fn)(void);
typedef double(KELVO_CALL* Parser_add_global_arg_real_fn)(const char* name, const char* value);
typedef double(KELVO_CALL* Parser_add_global_arg_string_fn)(const char* name, const char* value);
typedef const char*(KELVO_CALL* Parser_last_error_fn)(void);

#ifdef __cplusplus
}
#endif

#endif /* KELVOSCRIPTPARSER_H */

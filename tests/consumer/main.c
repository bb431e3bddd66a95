/* Translates the test.txt of the working directory and prints the host
 * script, then the error text after a line "--". It calls the exports
 * through the function-pointer types of the header, as a host that loads
 * the library at run time would: a type that does not match its export
 * fails the build. */
#include <stdio.h>

#include "KelvoScriptparser.h"

int main(void) {
    const Parser_fn parser = Parser;
    const Parser_add_global_arg_real_fn add_real = Parser_add_global_arg_real;
    const Parser_add_global_arg_string_fn add_string = Parser_add_global_arg_string;
    const Parser_last_error_fn last_error = Parser_last_error;
    if (add_string("player", "Ann") != 0.0) return 1;
    if (add_real("speed", "2.5") != 0.0) return 1;
    fputs(parser(), stdout);
    fputs("--\n", stdout);
    fputs(last_error(), stdout);
    return 0;
}

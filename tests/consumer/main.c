/* Translates the test.txt of the working directory and prints the host
 * script, then the error text after a line "--". */
#include <stdio.h>

#include "KelvoScriptparser.h"

int main(void) {
    if (Parser_add_global_arg_string("player", "Ann") != 0.0) return 1;
    if (Parser_add_global_arg_real("speed", "2.5") != 0.0) return 1;
    fputs(Parser(), stdout);
    fputs("--\n", stdout);
    fputs(Parser_last_error(), stdout);
    return 0;
}

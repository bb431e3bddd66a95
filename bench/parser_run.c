/* kelvo_parser_run: one Parser run in the working directory, as the engine
 * makes it: reads "test.txt", writes "temp.txt". With --errors the error text
 * goes to standard error. Exits 1 when messages were reported. */
#include <stdio.h>
#include <string.h>

#include "KelvoScriptparser.h"

int main(int argc, char** argv) {
    const char* result = Parser();
    const char* errors = Parser_last_error();
    (void)result;
    if (argc > 1 && strcmp(argv[1], "--errors") == 0) fputs(errors, stderr);
    return errors[0] == '\0' ? 0 : 1;
}

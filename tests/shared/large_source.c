#include "large_source.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define TARGET_SIZE ((size_t)8800000)

typedef struct {
    char* data;
    size_t size;
    size_t capacity;
    unsigned state; /* of the number sequence */
    int failed;
} Maker;

/* The same sequence everywhere (xorshift). */
static unsigned next_number(Maker* m) {
    unsigned x = m->state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    m->state = x;
    return x;
}

static void add(Maker* m, const char* text, size_t n) {
    if (m->failed) return;
    if (m->size + n > m->capacity) {
        size_t capacity = m->capacity ? m->capacity : 1u << 20;
        char* grown;
        while (capacity < m->size + n) capacity *= 2;
        grown = (char*)realloc(m->data, capacity);
        if (grown == NULL) {
            m->failed = 1;
            return;
        }
        m->data = grown;
        m->capacity = capacity;
    }
    memcpy(m->data + m->size, text, n);
    m->size += n;
}

static void add_text(Maker* m, const char* text) { add(m, text, strlen(text)); }

static void add_number(Maker* m, unsigned value) {
    char digits[16];
    snprintf(digits, sizeof digits, "%u", value);
    add_text(m, digits);
}

/* A line far longer than a piece: mostly a quoted string of 300 to 600 KiB
 * holding blanks, semicolons and slashes, else a line of words whose surplus
 * the run drops. */
static void long_line(Maker* m) {
    const size_t length = (300u << 10) + next_number(m) % (300u << 10);
    const size_t end = m->size + length;
    if (next_number(m) % 4 != 0) {
        add_text(m, "message \"");
        while (m->size < end && !m->failed) {
            static const char* const pieces[] = {"abc ", "x;y ", "a/b ", "q", "\xe9\xff", "12345678"};
            add_text(m, pieces[next_number(m) % 6]);
        }
        add_text(m, "\"\n");
    } else {
        add_text(m, "max3 1 2 3");
        while (m->size < end && !m->failed) add_text(m, " 4 five");
        add_text(m, "\r\n");
    }
}

/* One ordinary line (or a few, cut by `;` or joined by `/`). */
static void short_line(Maker* m) {
    const unsigned kind = next_number(m) % 12;
    const unsigned value = next_number(m) % 100000;
    switch (kind) {
        case 0: add_text(m, "circle x y "); add_number(m, value); add_text(m, " false\n"); break;
        case 1: add_text(m, "x += "); add_number(m, value); add_text(m, " * y\r\n"); break;
        case 2: add_text(m, "message \"a;b // not a comment\"\n"); break;
        case 3: add_text(m, "abs "); add_number(m, value); add_text(m, ";sqrt 4;round 5\n"); break;
        case 4: add_text(m, "y = y /\n"); add_number(m, value); add_text(m, "\n"); break;
        case 5: add_text(m, "// a comment; \"with\" quotes\n"); break;
        case 6: add_text(m, "print 1 2 \"x\" // trailing\r\n"); break;
        case 7: add_text(m, "if x = "); add_number(m, value); add_text(m, "\n{\nbreak\n}\n"); break;
        case 8: add_text(m, "add x "); add_number(m, value); add_text(m, "\n"); break;
        case 9: add_text(m, "\n\r\n"); break;
        case 10: add_text(m, "text_copy \"s\" 1 2 / 3\n"); break;
        default: add_text(m, "unknown"); add_number(m, value % 7); add_text(m, "\n"); break;
    }
}

/* At every piece boundary b the bytes b-2 .. b+1, in one of these patterns:
 * a pair that the reader must not split (CR LF, "//", "/" then CR LF) or a
 * single special byte right before or right at the boundary. */
static void mark_boundaries(Maker* m) {
    static const char* const patterns[] = {
        "x\r\ny", "x//y", "/\r\ny", "x\"\"y", "a;;b", "ab/\n", "\r\n\r\n", "a\r\";",
        "\"x;y", "/\r\"a", "x/;/", "\n;\"/",
    };
    size_t boundary, k = 0;
    for (boundary = LARGE_SOURCE_PIECE; boundary + 2 < m->size; boundary += LARGE_SOURCE_PIECE, ++k)
        memcpy(m->data + boundary - 2, patterns[k % (sizeof patterns / sizeof *patterns)], 4);
}

char* large_source_make(size_t* size) {
    Maker m = {NULL, 0, 0, 2463534242u, 0};
    add_text(&m, "var x 1\nvar y 2\nfunction add 2 a b\nreturn a + b\nend\n");
    while (m.size < TARGET_SIZE && !m.failed) {
        if (next_number(&m) % 4000 == 0) long_line(&m);
        else short_line(&m);
    }
    long_line(&m); /* the last line runs across boundaries too */
    mark_boundaries(&m);
    add(&m, "\x1a", 1);
    if (m.failed) {
        free(m.data);
        return NULL;
    }
    *size = m.size;
    return m.data;
}

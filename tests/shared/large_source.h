/* A large source script made the same way on every platform: more than
 * 8 MiB, with lines far longer than 256 KiB pieces, and the bytes that the
 * reader must look at closely ('"', ';', '/', CR, LF, and pairs of them)
 * placed right at the boundaries of such pieces, where a reader that read the
 * file piece by piece (or a scan that looks at many bytes at once) could cut.
 * Its last byte is 0x1A; nowhere else does that byte occur. The Linux suite
 * writes what the library makes of it, and the Windows host program must
 * make exactly the same. Plain C, shared by both. */
#ifndef KELVO_LARGE_SOURCE_H
#define KELVO_LARGE_SOURCE_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The size of those pieces. */
#define LARGE_SOURCE_PIECE 262144u

/* The bytes (not zero-terminated); the caller frees them. Null when memory
 * runs out. */
char* large_source_make(size_t* size);

#ifdef __cplusplus
}
#endif

#endif

/* Preloaded into the 32-bit programs of wine where qemu-i386 runs them (a
 * kernel that starts no 32-bit program itself).
 *
 * Wine lays out its address space with mmap(MAP_FIXED_NOREPLACE): it asks for
 * a fixed place and expects the call to fail with EEXIST when the place is
 * taken. The emulator takes the flag as a mere hint and maps the region
 * somewhere else, after which wine goes on probing the space piece by piece;
 * starting one program then takes many minutes. These wrappers give the flag
 * its meaning back: a mapping asked for with it that did not land at the
 * address asked for is undone, and the call fails with EEXIST.
 *
 * Built without the C library's headers and start files, so that no 32-bit
 * development package is needed:
 *   gcc -m32 -shared -fPIC -nostdlib -ffreestanding -fno-stack-protector
 * The few functions it calls come from the C library that every such process
 * has loaded already, and are declared here. */

typedef __SIZE_TYPE__ size_t;
typedef long off_t;           /* mmap's offset in a 32-bit process */
typedef long long off64_t;    /* mmap64's offset */

#define MAP_FIXED_NOREPLACE 0x100000
#define EEXIST 17
#define RTLD_NEXT ((void*)-1l)
#define MAP_FAILED ((void*)-1)

extern void* dlsym(void* handle, const char* name);
extern int munmap(void* address, size_t length);
extern int* __errno_location(void);

typedef void* (*mmap_function)(void*, size_t, int, int, int, off_t);
typedef void* (*mmap64_function)(void*, size_t, int, int, int, off64_t);

static mmap_function next_mmap;
static mmap64_function next_mmap64;

/* The next definitions of the two functions, looked up once. */
static void find_next(void) {
    if (next_mmap == 0) next_mmap = (mmap_function)dlsym(RTLD_NEXT, "mmap");
    if (next_mmap64 == 0) next_mmap64 = (mmap64_function)dlsym(RTLD_NEXT, "mmap64");
}

__attribute__((constructor)) static void preload_start(void) { find_next(); }

/* What a mapping asked for at a fixed place without replacement returns. */
static void* placed_or_refused(void* wanted, void* got, size_t length, int flags) {
    if ((flags & MAP_FIXED_NOREPLACE) == 0 || got == MAP_FAILED || got == wanted) return got;
    munmap(got, length);
    *__errno_location() = EEXIST;
    return MAP_FAILED;
}

__attribute__((visibility("default"))) void* mmap(void* address, size_t length, int protection,
                                                  int flags, int fd, off_t offset) {
    find_next();
    if (next_mmap == 0) return MAP_FAILED;
    return placed_or_refused(address, next_mmap(address, length, protection, flags, fd, offset),
                             length, flags);
}

__attribute__((visibility("default"))) void* mmap64(void* address, size_t length, int protection,
                                                    int flags, int fd, off64_t offset) {
    find_next();
    if (next_mmap64 == 0) return MAP_FAILED;
    return placed_or_refused(address, next_mmap64(address, length, protection, flags, fd, offset),
                             length, flags);
}

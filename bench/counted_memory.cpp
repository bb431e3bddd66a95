#include "counted_memory.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> live{0};
std::atomic<std::size_t> peak{0};

struct Header {
    std::size_t size;
    std::size_t pad;  // keeps the block aligned for every type
};

void* counted(std::size_t size) {
    void* block = std::malloc(size + sizeof(Header));
    if (block == nullptr) throw std::bad_alloc();
    static_cast<Header*>(block)->size = size;
    const std::size_t now = live += size;
    std::size_t highest = peak.load();
    while (now > highest && !peak.compare_exchange_weak(highest, now)) {
    }
    return static_cast<Header*>(block) + 1;
}

void uncounted(void* p) noexcept {
    if (p == nullptr) return;
    Header* header = static_cast<Header*>(p) - 1;
    live -= header->size;
    std::free(header);
}

}  // namespace

std::size_t kelvo::bench::live_bytes() { return live; }
std::size_t kelvo::bench::peak_bytes() { return peak; }
void kelvo::bench::reset_peak() { peak = live.load(); }

void* operator new(std::size_t size) { return counted(size); }
void* operator new[](std::size_t size) { return counted(size); }
void operator delete(void* p) noexcept { uncounted(p); }
void operator delete[](void* p) noexcept { uncounted(p); }
void operator delete(void* p, std::size_t) noexcept { uncounted(p); }
void operator delete[](void* p, std::size_t) noexcept { uncounted(p); }
// The nothrow forms too: a sanitizer's runtime replaces every form, and a
// block it made would otherwise come back to the counted delete above.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return counted(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { uncounted(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { uncounted(p); }

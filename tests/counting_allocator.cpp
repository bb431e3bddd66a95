#include "counting_allocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace kelvo::test::allocator {

namespace {

std::atomic<std::size_t> total{0};
std::atomic<std::size_t> live{0};
std::atomic<std::size_t> bytes{0};
std::atomic<std::size_t> failing_at{0};  // 0: never fail
std::atomic<bool> failing_on{false};
std::atomic<bool> did_refuse{false};

// Every block carries its size in front, so delete knows what it frees.
constexpr std::size_t header = alignof(std::max_align_t);

void* allocate(std::size_t size) {
    const std::size_t number = ++total;
    const std::size_t fail = failing_at.load();
    if (fail != 0 && (number == fail || (failing_on && number > fail))) {
        did_refuse = true;
        return nullptr;
    }
    void* block = std::malloc(size + header);
    if (block == nullptr) return nullptr;
    *static_cast<std::size_t*>(block) = size;
    ++live;
    bytes += size;
    return static_cast<char*>(block) + header;
}

void release(void* pointer) noexcept {
    if (pointer == nullptr) return;
    void* block = static_cast<char*>(pointer) - header;
    --live;
    bytes -= *static_cast<std::size_t*>(block);
    std::free(block);
}

}  // namespace

std::size_t allocations() { return total; }
std::size_t live_allocations() { return live; }
std::size_t live_bytes() { return bytes; }

void fail_at(std::size_t n, bool and_every_later) {
    did_refuse = false;
    failing_on = and_every_later;
    failing_at = total + n;
}

void disarm() {
    failing_at = 0;
    failing_on = false;
}

bool refused() { return did_refuse; }

}  // namespace kelvo::test::allocator

using kelvo::test::allocator::allocate;
using kelvo::test::allocator::release;

void* operator new(std::size_t size) {
    void* p = allocate(size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
void* operator new[](std::size_t size) {
    void* p = allocate(size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }

#include "core/large_pages.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace kelvo {

void ask_for_large_pages(std::string& buffer) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t large_page = std::uintptr_t{1} << 21;
    if (buffer.capacity() < 4 * large_page) return;
    const auto begin = reinterpret_cast<std::uintptr_t>(buffer.data());
    const std::uintptr_t first = (begin + large_page - 1) & ~(large_page - 1);
    const std::uintptr_t last = (begin + buffer.capacity()) & ~(large_page - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)buffer;
#endif
}

// Over every page the block touches: a block the system maps on its own is
// then marked as one piece, which the system can still move whole when the
// block grows (marking a part would cut it in pieces that it cannot).
void ask_for_large_pages(char* bytes, std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t large_page = std::uintptr_t{1} << 21;
    constexpr std::uintptr_t page = std::uintptr_t{1} << 12;
    if (size < 4 * large_page) return;
    const auto begin = reinterpret_cast<std::uintptr_t>(bytes);
    const std::uintptr_t first = begin & ~(page - 1);
    const std::uintptr_t last = (begin + size + page - 1) & ~(page - 1);
    madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)bytes;
    (void)size;
#endif
}

}  // namespace kelvo

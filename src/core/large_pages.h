// A hint for big text buffers about to be filled.
#pragma once

#include <cstddef>
#include <string>

namespace kelvo {

// A fresh page of memory costs a fault when it is first written, and on a
// virtual machine a fault costs more than translating the bytes that fill the
// page. A buffer of several megabytes therefore asks the system for large
// pages over its capacity, where the system has them. Only a hint: nothing
// else changes, and where there are none it does nothing. Call it before the
// buffer's new pages are first written.
void ask_for_large_pages(std::string& buffer);
// The same for `size` bytes at `bytes`.
void ask_for_large_pages(char* bytes, std::size_t size);

}  // namespace kelvo

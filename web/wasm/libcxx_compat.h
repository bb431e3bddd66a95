// What the C++ library of Debian's emscripten (3.1.6) lacks of C++20 and the
// language server's sources use, added only where it is missing. Included
// ahead of every source of the WebAssembly language server.
#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>

#if defined(_LIBCPP_VERSION) && !defined(__cpp_lib_smart_ptr_for_overwrite)
namespace std {

// An array whose elements are default-initialised: for char, left as they are.
template <class T>
    requires is_unbounded_array_v<T>
unique_ptr<T> make_unique_for_overwrite(size_t size) {
    return unique_ptr<T>(new remove_extent_t<T>[size]);
}

}  // namespace std
#endif

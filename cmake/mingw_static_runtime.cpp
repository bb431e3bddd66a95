// Linked into the Windows DLL, which carries the C++ runtime inside: the
// runtime sets aside a pool for exceptions thrown while memory runs out when
// the DLL is loaded, and does not give it back when the DLL is unloaded. An
// engine that loads and unloads the library again and again would lose that
// pool (some 18 KiB) each time; this object returns it as the DLL unloads.
namespace __gnu_cxx {
void __freeres();
}

namespace {

struct ReleaseRuntimePool {
    ReleaseRuntimePool() = default;
    ReleaseRuntimePool(const ReleaseRuntimePool&) = delete;
    ReleaseRuntimePool& operator=(const ReleaseRuntimePool&) = delete;
    ~ReleaseRuntimePool() { __gnu_cxx::__freeres(); }
};

const ReleaseRuntimePool release_runtime_pool;

}  // namespace

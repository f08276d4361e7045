#include "codon/vector_level.hpp"

#include <algorithm>
#include <atomic>

namespace velbrin::codon {
namespace {

VectorLevel detect_vector_level() noexcept {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    __builtin_cpu_init();
    // The runtime's "avx2" also requires the operating system to save the wide registers.
    if (__builtin_cpu_supports("avx2")) return VectorLevel::avx2;
    if (__builtin_cpu_supports("ssse3")) return VectorLevel::ssse3;
#endif
    return VectorLevel::portable;
}

std::atomic<VectorLevel>& level_in_use() noexcept {
    static std::atomic<VectorLevel> level{supported_vector_level()};
    return level;
}

}  // namespace

VectorLevel supported_vector_level() noexcept {
    static const VectorLevel supported = detect_vector_level();
    return supported;
}

VectorLevel active_vector_level() noexcept {
    return level_in_use().load(std::memory_order_relaxed);
}

VectorLevel use_vector_level(VectorLevel level) noexcept {
    const VectorLevel chosen = std::min(level, supported_vector_level());
    level_in_use().store(chosen, std::memory_order_relaxed);
    return chosen;
}

}  // namespace velbrin::codon

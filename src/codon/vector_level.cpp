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

// The level in use, or kUnchosen until it is first asked for.  Read once or twice per
// record, so a plain load (no guard of a function-local static) on the common path.
constexpr std::uint8_t kUnchosen = 0xFF;
constinit std::atomic<std::uint8_t> level_in_use{kUnchosen};

}  // namespace

VectorLevel supported_vector_level() noexcept {
    static const VectorLevel supported = detect_vector_level();
    return supported;
}

VectorLevel active_vector_level() noexcept {
    const std::uint8_t level = level_in_use.load(std::memory_order_relaxed);
    if (level != kUnchosen) [[likely]]
        return VectorLevel(level);
    // Every thread that gets here stores the same level, unless a test chose one since.
    std::uint8_t expected = kUnchosen;
    level_in_use.compare_exchange_strong(expected, std::uint8_t(supported_vector_level()),
                                         std::memory_order_relaxed);
    return VectorLevel(level_in_use.load(std::memory_order_relaxed));
}

VectorLevel use_vector_level(VectorLevel level) noexcept {
    const VectorLevel chosen = std::min(level, supported_vector_level());
    level_in_use.store(std::uint8_t(chosen), std::memory_order_relaxed);
    return chosen;
}

}  // namespace velbrin::codon

#pragma once
// Which vector instructions the codon checks use: the best this CPU runs, found once at
// run time, and a hook that lets tests run every level the CPU offers.

#include <cstdint>

#if defined(__SANITIZE_THREAD__)
#define VELBRIN_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VELBRIN_THREAD_SANITIZER 1
#endif
#endif

// A byte loop that the compiler vectorises gets a second, AVX2 copy, which the loader
// picks on a CPU that runs it (GNU indirect functions, so Linux only).  Not under
// ThreadSanitizer: the loader runs the choosing function before the sanitizer's runtime
// is set up, and the process crashes at start.
#if defined(__x86_64__) && defined(__linux__) && (defined(__GNUC__) || defined(__clang__)) && \
    !defined(VELBRIN_THREAD_SANITIZER)
#define VELBRIN_WIDE_LOOP [[gnu::target_clones("avx2", "default")]]
#else
#define VELBRIN_WIDE_LOOP
#endif

namespace velbrin::codon {

// In rising order; every level but `portable` exists only on x86-64.
enum class VectorLevel : std::uint8_t { portable, ssse3, avx2 };

// The best level this CPU (and its operating system) runs.
VectorLevel supported_vector_level() noexcept;

// The level the walk uses now: the supported one unless a test chose another.
VectorLevel active_vector_level() noexcept;

// Makes the walk use `level`, lowered to the supported one; returns the level now in use.
// Meant for tests, which must restore the previous level when done.
VectorLevel use_vector_level(VectorLevel level) noexcept;

}  // namespace velbrin::codon

#pragma once
// Which vector instructions the codon checks use: the best this CPU runs, found once at
// run time, and a hook that lets tests run every level the CPU offers.

#include <cstdint>

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

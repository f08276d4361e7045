#pragma once
// SipHash, a keyed hash whose output an attacker who does not know the key cannot
// predict, so crafted texts cannot be made to collide.  The maps use SipHash-1-3; the
// round counts are parameters so that the published SipHash-2-4 vectors check the code.

#include <cstdint>
#include <string_view>

namespace velbrin::hashing {

struct SipKey {
    std::uint64_t k0 = 0;
    std::uint64_t k1 = 0;
};

template <int CompressionRounds, int FinalisationRounds>
std::uint64_t siphash(const SipKey& key, std::string_view text) noexcept;

extern template std::uint64_t siphash<1, 3>(const SipKey&, std::string_view) noexcept;
extern template std::uint64_t siphash<2, 4>(const SipKey&, std::string_view) noexcept;

inline std::uint64_t siphash13(const SipKey& key, std::string_view text) noexcept {
    return siphash<1, 3>(key, text);
}

}  // namespace velbrin::hashing

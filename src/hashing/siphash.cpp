#include "hashing/siphash.hpp"

#include <bit>
#include <cstddef>
#include <cstring>

namespace velbrin::hashing {
namespace {

struct SipState {
    std::uint64_t v0, v1, v2, v3;

    void round() noexcept {
        v0 += v1;
        v1 = std::rotl(v1, 13);
        v1 ^= v0;
        v0 = std::rotl(v0, 32);
        v2 += v3;
        v3 = std::rotl(v3, 16);
        v3 ^= v2;
        v0 += v3;
        v3 = std::rotl(v3, 21);
        v3 ^= v0;
        v2 += v1;
        v1 = std::rotl(v1, 17);
        v1 ^= v2;
        v2 = std::rotl(v2, 32);
    }

    template <int Rounds>
    void absorb(std::uint64_t word) noexcept {
        v3 ^= word;
        for (int i = 0; i < Rounds; ++i) round();
        v0 ^= word;
    }
};

// `count` bytes (at most 8), little-endian.
std::uint64_t load_bytes_le(const char* bytes, std::size_t count) noexcept {
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < count; ++i)
        word |= std::uint64_t(std::uint8_t(bytes[i])) << (8 * i);
    return word;
}

// A whole word, little-endian whatever the machine's byte order: one load where the
// machine is little-endian.
std::uint64_t load_word_le(const char* bytes) noexcept {
    if constexpr (std::endian::native != std::endian::little) return load_bytes_le(bytes, 8);
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

}  // namespace

template <int CompressionRounds, int FinalisationRounds>
std::uint64_t siphash(const SipKey& key, std::string_view text) noexcept {
    SipState state{key.k0 ^ 0x736f6d6570736575ULL, key.k1 ^ 0x646f72616e646f6dULL,
                   key.k0 ^ 0x6c7967656e657261ULL, key.k1 ^ 0x7465646279746573ULL};
    const std::size_t whole = text.size() & ~std::size_t{7};
    for (std::size_t at = 0; at < whole; at += 8)
        state.absorb<CompressionRounds>(load_word_le(text.data() + at));
    const std::uint64_t last = (std::uint64_t(text.size()) << 56) |
                               load_bytes_le(text.data() + whole, text.size() - whole);
    state.absorb<CompressionRounds>(last);
    state.v2 ^= 0xff;
    for (int i = 0; i < FinalisationRounds; ++i) state.round();
    return state.v0 ^ state.v1 ^ state.v2 ^ state.v3;
}

template std::uint64_t siphash<1, 3>(const SipKey&, std::string_view) noexcept;
template std::uint64_t siphash<2, 4>(const SipKey&, std::string_view) noexcept;

}  // namespace velbrin::hashing

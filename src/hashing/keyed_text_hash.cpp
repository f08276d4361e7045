#include "hashing/keyed_text_hash.hpp"

#include <random>

namespace velbrin::hashing {
namespace {

std::uint64_t random_word(std::random_device& source) {
    std::uint64_t word = 0;
    for (int part = 0; part < 2; ++part) word = (word << 32) | std::uint32_t(source());
    return word;
}

SipKey draw_key() {
    std::random_device source;  // getrandom on Linux
    const std::uint64_t k0 = random_word(source);
    return SipKey{k0, random_word(source)};
}

}  // namespace

const SipKey& process_key() {
    static const SipKey key = draw_key();  // initialised once, thread-safe
    return key;
}

}  // namespace velbrin::hashing

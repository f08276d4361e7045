#pragma once
// The hash for maps keyed by caller-supplied text: SipHash-1-3 under a key drawn at
// random once per process, so no text can be crafted to collide with another.

#include <cstddef>
#include <string_view>

#include "hashing/siphash.hpp"

namespace velbrin::hashing {

// Drawn from the system's random source on first use; safe to call from any thread.
const SipKey& process_key();

struct KeyedTextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept {
        return static_cast<std::size_t>(siphash13(key, text));
    }
    SipKey key = process_key();
};

}  // namespace velbrin::hashing

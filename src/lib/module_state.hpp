#pragma once
// What each `velbrin` module object keeps between calls.

#include "lib/custom_code_cache.hpp"

namespace velbrin::lib {

struct ModuleState {
    CustomCodeCache* custom_codes;  // made by the exec slot, freed with the module
};

}  // namespace velbrin::lib

#pragma once
// A broken invariant inside a call.  The call boundary turns it into the module's
// fault exception; it never reaches the interpreter as a C++ exception.

#include <stdexcept>

namespace velbrin::diagnostics {

class InternalFault : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

}  // namespace velbrin::diagnostics

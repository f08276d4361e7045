#pragma once
// Binds the arguments of a fast call (argument vector, positional count, keyword names)
// to a function's parameters.  Every parameter is positional-or-keyword and required.

#include <Python.h>

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace velbrin::lib {

// A function's name and parameter names.  The views refer to NUL-terminated literals.
struct Signature {
    std::string_view function_name;
    std::span<const std::string_view> parameters;
};

inline constexpr std::size_t max_parameters = 5;

// The arguments of one call, in parameter order (borrowed from the caller).
class BoundArguments {
public:
    explicit BoundArguments(const Signature& signature) noexcept : signature_(&signature) {}

    PyObject* operator[](std::size_t index) const noexcept { return values_[index]; }
    std::string_view parameter(std::size_t index) const noexcept {
        return signature_->parameters[index];
    }

private:
    friend bool bind_arguments(PyObject* const*, Py_ssize_t, PyObject*, BoundArguments&);

    const Signature* signature_;
    std::array<PyObject*, max_parameters> values_{};
};

// Fills `bound` from a fast call.  On a binding error raises TypeError and returns false;
// the errors are checked in this order: too many positional arguments, then each keyword
// in the order given (unknown, or a parameter already given), then missing parameters.
// May throw std::bad_alloc (run it inside call_at_boundary).
bool bind_arguments(PyObject* const* arguments, Py_ssize_t nargsf, PyObject* keyword_names,
                    BoundArguments& bound);

}  // namespace velbrin::lib

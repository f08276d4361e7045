#pragma once
// An owned (strong) reference to a Python object, released when it goes out of scope.

#include <Python.h>

#include <memory>

namespace velbrin::lib {

struct ReleaseReference {
    void operator()(PyObject* object) const noexcept { Py_DECREF(object); }
};

using OwnedRef = std::unique_ptr<PyObject, ReleaseReference>;

// Takes over a new reference returned by the C API (null stays null).
inline OwnedRef take(PyObject* new_reference) noexcept { return OwnedRef{new_reference}; }

// Adds a strong reference to a borrowed one.
inline OwnedRef hold(PyObject* borrowed) noexcept { return OwnedRef{Py_NewRef(borrowed)}; }

}  // namespace velbrin::lib

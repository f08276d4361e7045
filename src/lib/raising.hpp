#pragma once
// Every Python exception the module raises is raised here, and here C++ exceptions are
// stopped before they can reach the interpreter.

#include <Python.h>

#include <string_view>
#include <utility>

namespace velbrin::lib {

// Attribute names used by the module, interned once per process.
struct InternedNames {
    PyObject* dunder_name;  // "__name__"
    PyObject* dunder_all;   // "__all__"
    PyObject* add_note;     // "add_note"
};

// The names, or null with an exception set if they could not be made.
const InternedNames* interned_names() noexcept;

// The exception type of a broken invariant: derived directly from BaseException, so
// `except Exception` lets it through.  Null with an exception set if it could not be made.
PyObject* internal_fault_type() noexcept;

// Adds "while processing '{parameter}'" to the pending exception's notes.  The
// exception stays pending either way; without the note if the note cannot be added.
void attach_parameter_note(std::string_view parameter) noexcept;

// Plain raises; `message` is UTF-8.
void raise_type_error(std::string_view message) noexcept;
void raise_value_error(std::string_view message) noexcept;
void raise_overflow_error(std::string_view message) noexcept;

// Raises `exception_type` with a ready message object (consumed, may be null when
// making it failed, in which case that failure stays pending).
void raise_with_message(PyObject* exception_type, PyObject* message) noexcept;

// TypeError "'{qualified type name}' object is not an instance of '{expected}'"
// ("'None' is not an instance of '{expected}'" for None).
void raise_type_mismatch(PyObject* object, const char* expected) noexcept;

// A driver's failure: ValueError whose single argument is the message text.
void raise_driver_failure(std::string_view message) noexcept;

void raise_internal_fault(const char* description) noexcept;

// Turns the C++ exception being handled into the matching Python exception.  Only to
// be called from inside a catch block.
void raise_for_current_cpp_exception() noexcept;

// Runs a call body that returns a new reference or null with an exception set.  A C++
// exception thrown by the body becomes a Python exception (MemoryError for memory
// exhaustion, the internal-fault type for anything else) and the call returns null.
template <class Body>
PyObject* call_at_boundary(Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        raise_for_current_cpp_exception();
        return nullptr;
    }
}

}  // namespace velbrin::lib

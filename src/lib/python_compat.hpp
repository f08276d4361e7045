#pragma once
// The C API of CPython 3.14 that the module uses, provided on 3.13 where it is missing.
// Each stand-in keeps the name, the contract and the messages of the 3.14 function, so
// the code above it reads the same on every supported interpreter and this file shrinks
// to nothing when 3.13 is no longer supported.

#include <Python.h>

#if PY_VERSION_HEX < 0x030E0000

// 1 and a new reference in `*item` for the next item; 0 and null when the iterator is
// exhausted (a StopIteration is swallowed); -1 and null with an exception set on error.
static inline int PyIter_NextItem(PyObject* iterator, PyObject** item) {
    const iternextfunc next = Py_TYPE(iterator)->tp_iternext;
    if (next == nullptr) {
        *item = nullptr;
        PyErr_Format(PyExc_TypeError, "expected an iterator, got '%T'", iterator);
        return -1;
    }
    *item = next(iterator);
    if (*item != nullptr) {
        return 1;
    }
    if (PyErr_Occurred() == nullptr) {
        return 0;
    }
    if (PyErr_ExceptionMatches(PyExc_StopIteration)) {
        PyErr_Clear();
        return 0;
    }
    return -1;
}

#endif

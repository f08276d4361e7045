#include "lib/raising.hpp"

#include <atomic>
#include <exception>
#include <new>

#include "diagnostics/internal_fault.hpp"
#include "lib/python_ref.hpp"

namespace velbrin::lib {
namespace {

// Makes a process-wide value on first use.  PyMutex rather than std::call_once: a
// thread waiting for the mutex detaches from the interpreter instead of blocking while
// holding it.  A failed attempt leaves its exception pending and the next call retries.
template <class T, class Make>
T* make_once(std::atomic<T*>& slot, PyMutex& mutex, Make make) noexcept {
    if (T* ready = slot.load(std::memory_order_acquire)) {
        return ready;
    }
    PyMutex_Lock(&mutex);
    T* value = slot.load(std::memory_order_relaxed);
    if (value == nullptr) {
        value = make();
        if (value != nullptr) {
            slot.store(value, std::memory_order_release);
        }
    }
    PyMutex_Unlock(&mutex);
    return value;
}

const InternedNames* make_interned_names() noexcept {
    static InternedNames names{};  // written once, under the guard; kept for the process
    OwnedRef dunder_name = take(PyUnicode_InternFromString("__name__"));
    OwnedRef dunder_all = take(PyUnicode_InternFromString("__all__"));
    OwnedRef add_note = take(PyUnicode_InternFromString("add_note"));
    if (!dunder_name || !dunder_all || !add_note) {
        return nullptr;
    }
    names = InternedNames{dunder_name.release(), dunder_all.release(), add_note.release()};
    return &names;
}

PyObject* make_internal_fault_type() noexcept {
    return PyErr_NewExceptionWithDoc("velbrin.InternalFault",
                                     "A broken invariant inside a velbrin call.",
                                     PyExc_BaseException, nullptr);
}

PyObject* text_object(std::string_view text) noexcept {
    return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace");
}

}  // namespace

const InternedNames* interned_names() noexcept {
    static std::atomic<const InternedNames*> slot{nullptr};
    static PyMutex mutex{};
    return make_once(slot, mutex, make_interned_names);
}

PyObject* internal_fault_type() noexcept {
    static std::atomic<PyObject*> slot{nullptr};
    static PyMutex mutex{};
    return make_once(slot, mutex, make_internal_fault_type);
}

void attach_parameter_note(std::string_view parameter) noexcept {
    PyObject* exception = PyErr_GetRaisedException();
    if (exception == nullptr) {
        return;
    }
    if (const InternedNames* names = interned_names()) {
        OwnedRef note = take(PyUnicode_FromFormat(
            "while processing '%.*s'", static_cast<int>(parameter.size()), parameter.data()));
        if (note) {
            PyObject* call_arguments[] = {exception, note.get()};
            OwnedRef ignored =
                take(PyObject_VectorcallMethod(names->add_note, call_arguments, 2, nullptr));
        }
    }
    PyErr_Clear();  // a note that could not be added is dropped, not raised
    PyErr_SetRaisedException(exception);
}

void raise_with_message(PyObject* exception_type, PyObject* message) noexcept {
    if (message == nullptr) {
        return;
    }
    PyErr_SetObject(exception_type, message);
    Py_DECREF(message);
}

void raise_type_error(std::string_view message) noexcept {
    raise_with_message(PyExc_TypeError, text_object(message));
}

void raise_value_error(std::string_view message) noexcept {
    raise_with_message(PyExc_ValueError, text_object(message));
}

void raise_overflow_error(std::string_view message) noexcept {
    raise_with_message(PyExc_OverflowError, text_object(message));
}

void raise_type_mismatch(PyObject* object, const char* expected) noexcept {
    if (object == Py_None) {
        raise_with_message(PyExc_TypeError,
                           PyUnicode_FromFormat("'None' is not an instance of '%s'", expected));
        return;
    }
    OwnedRef type_name = take(PyType_GetQualName(Py_TYPE(object)));
    if (!type_name) {
        return;
    }
    raise_with_message(
        PyExc_TypeError,
        PyUnicode_FromFormat("'%U' object is not an instance of '%s'", type_name.get(), expected));
}

void raise_driver_failure(std::string_view message) noexcept { raise_value_error(message); }

void raise_internal_fault(const char* description) noexcept {
    PyObject* fault_type = internal_fault_type();
    if (fault_type == nullptr) {
        return;
    }
    raise_with_message(fault_type, text_object(description));
}

void raise_for_current_cpp_exception() noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const diagnostics::InternalFault& fault) {
        raise_internal_fault(fault.what());
    } catch (const std::exception& unexpected) {
        raise_internal_fault(unexpected.what());
    } catch (...) {
        raise_internal_fault("an unknown C++ exception reached the call boundary");
    }
}

}  // namespace velbrin::lib

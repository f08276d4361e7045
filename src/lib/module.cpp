// The module `velbrin`: its definition, and the one table of the functions it exports.

#include <Python.h>

#include <array>
#include <cstddef>
#include <new>
#include <span>
#include <string_view>
#include <utility>

#include "lib/arg_binding.hpp"
#include "lib/entry_points.hpp"
#include "lib/module_state.hpp"
#include "lib/python_ref.hpp"
#include "lib/raising.hpp"

namespace velbrin::lib {
namespace {

using CallBody = PyObject* (*)(ModuleState&, const BoundArguments&);

struct ExportedFunction {
    std::string_view name;  // NUL-terminated literal
    const char* doc;        // the signature line, "--" and an empty line: __text_signature__
    std::span<const std::string_view> parameters;
    CallBody body;
};

constexpr std::string_view tarnix_parameters[] = {"_file_steem", "aa_path", "nt_path", "table_num",
                                                  "seqs"};
constexpr std::string_view tarnix_original_args_parameters[] = {"_file_steem", "aa_path", "nt_path",
                                                                "gene_table", "seqs"};
constexpr std::string_view attempt_iupac_substitution_parameters[] = {"original_triplet", "taxa"};

// The module's whole surface, in registration (and __all__) order.
constexpr std::array exported_functions{
    ExportedFunction{"tarnix", "tarnix(_file_steem, aa_path, nt_path, table_num, seqs)\n--\n\n",
                     tarnix_parameters, call_tarnix},
    ExportedFunction{
        "tarnix_original_args",
        "tarnix_original_args(_file_steem, aa_path, nt_path, gene_table, seqs)\n--\n\n",
        tarnix_original_args_parameters, call_tarnix_original_args},
    ExportedFunction{"attempt_iupac_substitution",
                     "attempt_iupac_substitution(original_triplet, taxa)\n--\n\n",
                     attempt_iupac_substitution_parameters, call_attempt_iupac_substitution},
};

// Drops `prefix` from the front of `text`, if it is there.
consteval bool consume(std::string_view& text, std::string_view prefix) {
    if (!text.starts_with(prefix)) {
        return false;
    }
    text.remove_prefix(prefix.size());
    return true;
}

consteval bool doc_states_signature(const ExportedFunction& function) {
    std::string_view doc = function.doc;
    if (!consume(doc, function.name) || !consume(doc, "(")) {
        return false;
    }
    for (std::size_t i = 0; i < function.parameters.size(); ++i) {
        if ((i > 0 && !consume(doc, ", ")) || !consume(doc, function.parameters[i])) {
            return false;
        }
    }
    return consume(doc, ")\n--\n\n") && doc.empty();
}

consteval bool table_is_consistent() {
    for (const ExportedFunction& function : exported_functions) {
        if (!doc_states_signature(function) || function.parameters.size() > max_parameters) {
            return false;
        }
    }
    return true;
}
static_assert(table_is_consistent());

ModuleState& state_of(PyObject* module) noexcept {
    return *static_cast<ModuleState*>(PyModule_GetState(module));
}

template <std::size_t row>
PyObject* fast_call_entry(PyObject* module, PyObject* const* arguments, Py_ssize_t nargsf,
                          PyObject* keyword_names) noexcept {
    static constexpr Signature signature{exported_functions[row].name,
                                         exported_functions[row].parameters};
    return call_at_boundary([&]() -> PyObject* {
        BoundArguments bound{signature};
        if (!bind_arguments(arguments, nargsf, keyword_names, bound)) {
            return nullptr;
        }
        return exported_functions[row].body(state_of(module), bound);
    });
}

template <class Entry>
PyCFunction as_method(Entry entry) noexcept {
    // The interpreter calls it by the METH_FASTCALL | METH_KEYWORDS signature.
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(entry));
}

template <std::size_t... rows>
std::array<PyMethodDef, sizeof...(rows)> make_method_definitions(std::index_sequence<rows...>) {
    return {{PyMethodDef{exported_functions[rows].name.data(), as_method(&fast_call_entry<rows>),
                         METH_FASTCALL | METH_KEYWORDS, exported_functions[rows].doc}...}};
}

// Function objects keep pointers to these records, so they live for the process.
std::array<PyMethodDef, exported_functions.size()> method_definitions =
    make_method_definitions(std::make_index_sequence<exported_functions.size()>{});

// The module's __all__, made empty when it has none yet.
OwnedRef module_all(PyObject* module, const InternedNames& names) noexcept {
    OwnedRef all = take(PyObject_GetAttr(module, names.dunder_all));
    if (all || !PyErr_ExceptionMatches(PyExc_AttributeError)) {
        return all;
    }
    PyErr_Clear();
    all = take(PyList_New(0));
    if (all && PyObject_SetAttr(module, names.dunder_all, all.get()) < 0) {
        all.reset();
    }
    return all;
}

int register_function(PyObject* module, PyObject* module_name, PyMethodDef& definition,
                      const InternedNames& names) noexcept {
    const OwnedRef function = take(PyCMethod_New(&definition, module, module_name, nullptr));
    if (!function) {
        return -1;
    }
    const OwnedRef name = take(PyObject_GetAttr(function.get(), names.dunder_name));
    if (!name) {
        return -1;
    }
    const OwnedRef all = module_all(module, names);
    if (!all || PyList_Append(all.get(), name.get()) < 0) {
        return -1;
    }
    return PyObject_SetAttr(module, name.get(), function.get());
}

// The exec slot: runs for every module object made from the definition.
int register_functions(PyObject* module) noexcept {
    ModuleState& state = state_of(module);
    if (state.custom_codes == nullptr) state.custom_codes = new (std::nothrow) CustomCodeCache;
    if (state.custom_codes == nullptr) {
        PyErr_NoMemory();
        return -1;
    }
    const InternedNames* names = interned_names();
    if (names == nullptr) {
        return -1;
    }
    const OwnedRef module_name = take(PyModule_GetNameObject(module));
    if (!module_name) {
        return -1;
    }
    for (PyMethodDef& definition : method_definitions) {
        if (register_function(module, module_name.get(), definition, *names) < 0) {
            return -1;
        }
    }
    return 0;
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(&register_functions)},
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
    {0, nullptr},
};

// The module's cache, or null: these run also on a module whose state is not made yet
// (zeroed) or whose exec slot failed.
CustomCodeCache* cache_of(PyObject* module) noexcept {
    auto* state = static_cast<ModuleState*>(PyModule_GetState(module));
    return state != nullptr ? state->custom_codes : nullptr;
}

int traverse_state(PyObject* module, visitproc visit, void* arg) {
    const CustomCodeCache* cache = cache_of(module);
    return cache != nullptr ? cache->traverse(visit, arg) : 0;
}

int clear_state(PyObject* module) {
    if (CustomCodeCache* cache = cache_of(module)) cache->clear();
    return 0;
}

void free_state(void* module) { delete cache_of(static_cast<PyObject*>(module)); }

PyModuleDef module_definition = {
    PyModuleDef_HEAD_INIT,
    "velbrin",
    "",  // __doc__ is the empty text
    sizeof(ModuleState),
    nullptr,  // functions come from the exec slot
    module_slots,
    traverse_state,
    clear_state,
    free_state,
};

}  // namespace
}  // namespace velbrin::lib

PyMODINIT_FUNC PyInit_velbrin() { return PyModuleDef_Init(&velbrin::lib::module_definition); }

#pragma once
// The logic of each exported function, from its bound arguments to its result: a new
// reference, or null with an exception set.  C++ exceptions pass through to the call
// boundary.

#include <Python.h>

#include "lib/arg_binding.hpp"
#include "lib/module_state.hpp"

namespace velbrin::lib {

// (_file_steem, aa_path, nt_path, table_num, seqs)
PyObject* call_tarnix(ModuleState& state, const BoundArguments& arguments);

// (_file_steem, aa_path, nt_path, gene_table, seqs)
PyObject* call_tarnix_original_args(ModuleState& state, const BoundArguments& arguments);

// (original_triplet, taxa)
PyObject* call_attempt_iupac_substitution(ModuleState& state, const BoundArguments& arguments);

}  // namespace velbrin::lib

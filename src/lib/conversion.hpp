#pragma once
// Python values to native values owned by the call, and native results back to Python.
// A conversion returns its value, or nothing with a Python exception set.  C++
// exceptions (memory exhaustion, a dict changed under the walk) pass through to the
// call boundary.

#include <Python.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codon/record_map.hpp"
#include "genetic_code/custom_codon_table.hpp"
#include "lib/python_ref.hpp"

namespace velbrin::lib {

// A `str` (or subclass) as UTF-8; embedded NULs are kept.
std::optional<std::string> to_text(PyObject* object);

// Anything PyLong_AsLong accepts, within the signed 32-bit range.
std::optional<std::int32_t> to_int32(PyObject* object);

// Texts that view the caller's `str` objects, and the references that keep those alive:
// an exact list or tuple is held as a tuple of its items, any other sequence by one
// reference per item, so a list repeating one long `str` costs a pointer per repetition.
struct TextList {
    std::vector<std::string_view> texts;
    std::vector<OwnedRef> holders;
};

// Any sequence but a `str`, in order; every item a `str`.
std::optional<TextList> to_text_list(PyObject* object);

// The nucleotide part of a `seqs` value: (number, header, sequence) for `tarnix`,
// (header, sequence) for `tarnix_original_args`.
enum class NucleotidePart { numbered, plain };

// The records of `seqs`, whose texts are views into the caller's strings, and the
// references that keep those strings alive while the records are in use.
struct RecordSource {
    codon::RecordMap records;
    std::vector<OwnedRef> holders;
    bool ascii_result = true;  // every key and nucleotide sequence is ASCII
};

// A dict from `str` to ((header, peptide), nucleotide part).
std::optional<RecordSource> to_record_map(PyObject* seqs, NucleotidePart shape);

// A custom table whose lists view `codons`, whose texts view the caller's strings, and
// the references that keep those alive.  Moving it moves no view.
struct CodeTableSource {
    codon::CustomCodonTable table;
    std::vector<std::string_view> codons;
    std::vector<OwnedRef> holders;
    // A list that is no exact list or tuple was read: its Python code may have changed
    // the dict or its lists while they were read.
    bool ran_python_code = false;
};

// A dict from one-character `str` to a sequence of codon texts.  Symbols given the same
// list or tuple object share one converted list, found by the object's identity.
std::optional<CodeTableSource> to_custom_codon_table(PyObject* gene_table);

// A new `str` holding the UTF-8 `text`, or null with an exception set.
PyObject* to_python_text(std::string_view text) noexcept;

}  // namespace velbrin::lib

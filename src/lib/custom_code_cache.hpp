#pragma once
// The custom table a module last converted, kept ready for the walk: callers that align
// gene after gene under one table pass the same dict every time, and converting it and
// deriving the walk's rules would otherwise cost more than a small gene's walk.
//
// A table is taken to be the one kept when the dict holds the same key and value objects
// in the same order and each list holds the same string objects.  The cache holds a
// reference to every object it compares, so no address can be reused by another object
// while it is kept, and keys, strings and tuples cannot change: identity decides.  Only a
// table that was read without running Python code is kept.

#include <Python.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "codon/alignment.hpp"
#include "lib/conversion.hpp"
#include "lib/python_ref.hpp"

namespace velbrin::lib {

// A converted table with the walk's rules for it.  Only the interpreter lock's holder
// may drop the last reference (it releases Python objects).
class PreparedTable {
public:
    explicit PreparedTable(CodeTableSource source);

    const codon::PreparedCustomCode& code() const noexcept { return code_; }

    // Whether `gene_table` holds what this table was read from.  Runs no Python code.
    bool matches(PyObject* gene_table) const noexcept;
    // Notes what `gene_table` holds now, which this table was read from.
    void note_objects(PyObject* gene_table);
    int traverse(visitproc visit, void* arg) const;

private:
    // A list value as it was: `size` items from `first` in list_items_.
    struct ListItems {
        PyObject* list;
        std::size_t first, size;
    };

    CodeTableSource source_;
    codon::PreparedCustomCode code_;
    std::vector<OwnedRef> entries_;  // key, value, key, value, ... in dict order
    // Each list object once, however many symbols share it: a table's size is its codons
    // and keys, not its references.
    std::vector<ListItems> lists_;
    std::vector<OwnedRef> list_items_;
};

using SharedTable = std::shared_ptr<const PreparedTable>;

class CustomCodeCache {
public:
    // `gene_table` converted and prepared, or the kept table when it is the same; nothing
    // with an exception set when it does not convert.
    std::optional<SharedTable> prepare(PyObject* gene_table);

    int traverse(visitproc visit, void* arg) const;
    void clear() noexcept;

private:
    SharedTable last_;
};

}  // namespace velbrin::lib

#include "lib/custom_code_cache.hpp"

#include <algorithm>
#include <utility>

namespace velbrin::lib {

PreparedTable::PreparedTable(CodeTableSource source)
    : source_(std::move(source)), code_(source_.table) {}

bool PreparedTable::matches(PyObject* gene_table) const noexcept {
    if (!PyDict_Check(gene_table) ||
        2 * static_cast<std::size_t>(PyDict_GET_SIZE(gene_table)) != entries_.size()) {
        return false;
    }
    Py_ssize_t position = 0;
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    for (std::size_t at = 0; PyDict_Next(gene_table, &position, &key, &value); at += 2) {
        if (at == entries_.size() || key != entries_[at].get() || value != entries_[at + 1].get()) {
            return false;
        }
    }
    // The entries are the objects noted, so their lists are too, each met once here.
    for (const ListItems& noted : lists_) {
        if (static_cast<std::size_t>(PyList_GET_SIZE(noted.list)) != noted.size) return false;
        for (std::size_t i = 0; i < noted.size; ++i) {
            if (PyList_GET_ITEM(noted.list, static_cast<Py_ssize_t>(i)) !=
                list_items_[noted.first + i].get()) {
                return false;
            }
        }
    }
    return true;
}

void PreparedTable::note_objects(PyObject* gene_table) {
    entries_.reserve(2 * static_cast<std::size_t>(PyDict_GET_SIZE(gene_table)));
    std::vector<PyObject*> lists;
    Py_ssize_t position = 0;
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    while (PyDict_Next(gene_table, &position, &key, &value)) {
        entries_.push_back(hold(key));
        entries_.push_back(hold(value));
        if (PyList_CheckExact(value)) lists.push_back(value);  // a tuple holds what it held
    }
    // Ordered by address, not by anything the caller wrote.
    std::sort(lists.begin(), lists.end(), std::less<>{});
    lists.erase(std::unique(lists.begin(), lists.end()), lists.end());
    lists_.reserve(lists.size());
    for (PyObject* list : lists) {
        const auto size = static_cast<std::size_t>(PyList_GET_SIZE(list));
        lists_.push_back({list, list_items_.size(), size});
        for (std::size_t i = 0; i < size; ++i) {
            list_items_.push_back(hold(PyList_GET_ITEM(list, static_cast<Py_ssize_t>(i))));
        }
    }
}

int PreparedTable::traverse(visitproc visit, void* arg) const {
    for (const std::vector<OwnedRef>* held : {&entries_, &list_items_, &source_.holders}) {
        for (const OwnedRef& object : *held) {
            Py_VISIT(object.get());
        }
    }
    return 0;
}

std::optional<SharedTable> CustomCodeCache::prepare(PyObject* gene_table) {
#ifndef Py_GIL_DISABLED
    if (last_ && last_->matches(gene_table)) {
        return last_;
    }
#endif
    std::optional<CodeTableSource> source = to_custom_codon_table(gene_table);
    if (!source) {
        return std::nullopt;
    }
    const bool keep = !source->ran_python_code;
    auto prepared = std::make_shared<PreparedTable>(std::move(*source));
#ifndef Py_GIL_DISABLED
    // Nothing ran since the table was read, so the dict still holds what was read.
    if (keep) {
        prepared->note_objects(gene_table);
        // The old table is released after the cache holds the new one: releasing can run
        // a finaliser that calls back into the module.
        const SharedTable old = std::exchange(last_, prepared);
    }
#else
    (void)keep;  // threads share the module without a lock: nothing is kept
#endif
    return prepared;
}

int CustomCodeCache::traverse(visitproc visit, void* arg) const {
    return last_ ? last_->traverse(visit, arg) : 0;
}

void CustomCodeCache::clear() noexcept { const SharedTable old = std::exchange(last_, nullptr); }

}  // namespace velbrin::lib

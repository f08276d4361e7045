#pragma once
// Walks a dict's entries in order for a conversion, reading entries ahead of the one
// converted so that their objects can be asked for from memory early: the misses of many
// entries overlap instead of following one another entry by entry.

#include <Python.h>

#include <array>
#include <cstddef>
#include <exception>
#include <span>
#include <type_traits>

#include "diagnostics/internal_fault.hpp"
#include "lib/python_ref.hpp"

namespace velbrin::lib {

// An entry read ahead, as borrowed references: valid only until Python code runs.
struct DictEntry {
    PyObject* key = nullptr;
    PyObject* value = nullptr;
};

// How the conversion of one entry ended.
enum class EntryConverted {
    failed,  // with an exception set
    converted,
    // Converted, but Python code ran (an `__index__`, a sequence's `__iter__`): it may
    // have changed the dict, so the entries read ahead are read again.
    converted_after_code,
};

// How far ahead entries are read: enough to keep many misses in flight, few enough that
// what was asked for is still in the cache when its entry is converted.
inline constexpr std::size_t dict_entries_read_ahead = 32;

namespace dict_walk_detail {

// The entries read ahead of the one converted, in a ring, with the position that follows
// each: a run of entries read in order from one position.
class EntryWindow {
public:
    static constexpr std::size_t width = dict_entries_read_ahead;
    static_assert((width & (width - 1)) == 0);

    EntryWindow(PyObject* dict, Py_ssize_t position) noexcept : dict_(dict), position_(position) {}

    // Entry `index` of the run, reading on to it; null past the dict's end.
    const DictEntry* entry(std::size_t index) noexcept {
        while (read_ <= index && !ended_) {
            Slot& slot = slots_[read_ % width];
            if (!PyDict_Next(dict_, &position_, &slot.entry.key, &slot.entry.value)) {
                ended_ = true;
                break;
            }
            slot.after = position_;
            ++read_;
        }
        return index < read_ ? &slots_[index % width].entry : nullptr;
    }
    Py_ssize_t position_after(std::size_t index) const noexcept {
        return slots_[index % width].after;
    }

private:
    struct Slot {
        DictEntry entry;
        Py_ssize_t after = 0;
    };
    PyObject* dict_;
    Py_ssize_t position_;
    std::size_t read_ = 0;
    bool ended_ = false;
    std::array<Slot, width> slots_{};
};

// Level `level` of the prefetch is asked this many entries ahead of the conversion.
constexpr std::size_t level_distance(int level) noexcept {
    return dict_entries_read_ahead >> level;
}

}  // namespace dict_walk_detail

// Calls `convert_entry(key, value)` for each entry of `dict` in the dict's order, with a
// strong reference to each that the conversion may take over, until one fails; returns
// false then.  `prefetch(level, entry)` may ask for an entry's objects (it must only read,
// and run no Python code); its `levels` levels are asked in turn for each entry, level L
// `dict_entries_read_ahead >> L` entries ahead of the conversion, so each level can read
// what the one before asked for.  The walk runs in the dict's critical section (nothing
// under the GIL), which no C++ exception may cross: one thrown by `convert_entry` is held
// and rethrown after the section.  A conversion that ran Python code may have changed
// the dict; a change of size, or more entries met than the dict held, is an internal
// fault.
template <class ConvertEntry, class Prefetch>
bool walk_dict(PyObject* dict, ConvertEntry&& convert_entry, Prefetch&& prefetch) {
    using dict_walk_detail::level_distance;
    constexpr int levels = std::remove_cvref_t<Prefetch>::levels;
    static_assert(levels == 0 || level_distance(levels - 1) >= 1);
    const Py_ssize_t size_at_start = PyDict_GET_SIZE(dict);
    bool converted = true;
    bool changed = false;
    std::exception_ptr escaped;
    Py_BEGIN_CRITICAL_SECTION(dict);
    Py_ssize_t position = 0;  // of the first entry not yet converted
    Py_ssize_t visited = 0;
    // Once Python code has run, entries read ahead could be stale at any step: the rest
    // is read one entry at a time.
    bool read_ahead = levels > 0;
    bool read_again = true;
    while (read_again && converted && !changed && !escaped) {
        read_again = false;
        dict_walk_detail::EntryWindow window(dict, position);
        // Level L is asked for the entries up to its distance before the first conversion,
        // then for one more entry before each.
        const auto ask = [&](int level, std::size_t index) {
            if (const DictEntry* later = window.entry(index)) prefetch(level, *later);
        };
        for (int level = 0; read_ahead && level < levels; ++level) {
            for (std::size_t index = 0; index + 1 < level_distance(level); ++index) {
                ask(level, index);
            }
        }
        for (std::size_t at = 0;; ++at) {
            for (int level = 0; read_ahead && level < levels; ++level) {
                ask(level, at + level_distance(level) - 1);
            }
            const DictEntry* entry = window.entry(at);
            if (entry == nullptr) break;
            // Held strongly: the conversion may run code that drops the entry from the dict.
            OwnedRef held_key = hold(entry->key);
            OwnedRef held_value = hold(entry->value);
            position = window.position_after(at);
            EntryConverted outcome = EntryConverted::failed;
            try {
                outcome = convert_entry(held_key, held_value);
            } catch (...) {
                escaped = std::current_exception();
                break;
            }
            ++visited;
            converted = outcome != EntryConverted::failed;
            changed = PyDict_GET_SIZE(dict) != size_at_start || visited > size_at_start;
            if (!converted || changed) break;
            if (outcome == EntryConverted::converted_after_code) {
                read_again = read_ahead;  // the window read past this entry
                read_ahead = false;
                if (read_again) break;
            }
        }
    }
    if (converted && !escaped && PyDict_GET_SIZE(dict) != size_at_start) {
        changed = true;
    }
    Py_END_CRITICAL_SECTION();
    if (escaped) {
        std::rethrow_exception(escaped);
    }
    if (changed) {
        throw diagnostics::InternalFault("dictionary changed size during conversion");
    }
    return converted;
}

// No reading ahead, for dicts too small to gain from it.
struct PrefetchNothing {
    static constexpr int levels = 0;
    void operator()(int, const DictEntry&) const noexcept {}
};

}  // namespace velbrin::lib

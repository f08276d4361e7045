#include "lib/conversion.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <exception>
#include <limits>
#include <span>
#include <utility>

#include "diagnostics/internal_fault.hpp"
#include "lib/dict_walk.hpp"
#include "lib/python_compat.hpp"
#include "lib/python_ref.hpp"
#include "lib/raising.hpp"
#include "text/ascii_text.hpp"

namespace velbrin::lib {
namespace {

// A sequence's reported length only sizes the list in advance, and no more than this:
// a `__len__` may report far more items than it yields.
constexpr Py_ssize_t max_reserved_items = 4096;

// Room for the codons of an ordinary genetic code, which a custom table's lists share.
constexpr std::size_t reserved_codons = 64;

// Makes room for `more` elements beyond the size, growing as push_back would (never to
// the exact size): the vector may be filled by many lists, one after another.
template <class Element>
void reserve_more(std::vector<Element>& elements, std::size_t more) {
    if (elements.capacity() - elements.size() < more) {
        elements.reserve(std::max(elements.size() + more, 2 * elements.capacity()));
    }
}

// The items of a tuple of exactly `length` elements, or null with an exception set.
PyObject* const* tuple_items(PyObject* object, Py_ssize_t length) noexcept {
    if (!PyTuple_Check(object)) {
        raise_type_mismatch(object, "tuple");
        return nullptr;
    }
    const Py_ssize_t actual = PyTuple_GET_SIZE(object);
    if (actual != length) {
        raise_with_message(PyExc_ValueError,
                           PyUnicode_FromFormat("expected tuple of length %zd, but got tuple of "
                                                "length %zd",
                                                length, actual));
        return nullptr;
    }
    return &PyTuple_GET_ITEM(object, 0);
}

// How many items to reserve for `sequence`: 0 when it cannot tell its length.  Nothing
// with an exception set only for an exception that must not be swallowed (one that is
// not an Exception, such as KeyboardInterrupt).
std::optional<std::size_t> reservation_hint(PyObject* sequence) noexcept {
    const Py_ssize_t length = PyObject_Size(sequence);
    if (length >= 0) {
        return static_cast<std::size_t>(std::min(length, max_reserved_items));
    }
    if (!PyErr_ExceptionMatches(PyExc_Exception)) {
        return std::nullopt;
    }
    PyErr_Clear();
    return 0;
}

// A `str` (or subclass) as a view of its UTF-8 form, which lives as long as the object.
std::optional<std::string_view> to_text_view(PyObject* object) {
    if (!PyUnicode_Check(object)) {
        raise_type_mismatch(object, "str");
        return std::nullopt;
    }
    if (PyUnicode_IS_ASCII(object)) {  // its characters are its UTF-8 form, read in place
        return std::string_view(static_cast<const char*>(PyUnicode_DATA(object)),
                                static_cast<std::size_t>(PyUnicode_GET_LENGTH(object)));
    }
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(object, &size);
    if (utf8 == nullptr) {
        return std::nullopt;
    }
    return std::string_view(utf8, static_cast<std::size_t>(size));
}

// Header and sequence, the last two of `items`.
std::optional<codon::SequencePart> to_sequence_part(PyObject* const* items) {
    const std::optional<std::string_view> header = to_text_view(items[0]);
    if (!header) {
        return std::nullopt;
    }
    const std::optional<std::string_view> sequence = to_text_view(items[1]);
    if (!sequence) {
        return std::nullopt;
    }
    return codon::SequencePart{*header, *sequence};
}

// The value of an exact `int` that fits in one digit, the common case, read in place.
std::optional<long> compact_int_value(PyObject* object) noexcept {
    if (!PyLong_CheckExact(object)) {
        return std::nullopt;
    }
    const auto* number = reinterpret_cast<const PyLongObject*>(object);
    if (!PyUnstable_Long_IsCompact(number)) {
        return std::nullopt;
    }
    return static_cast<long>(PyUnstable_Long_CompactValue(number));
}

// What converting a record found besides its texts.
struct RecordFacts {
    bool ascii_lines = false;      // its result lines (key and codons) are sure to be ASCII
    bool ran_python_code = false;  // an object's own code ran (a number's `__index__`)
};

// Whether `object` converts to an `int32`, with an exception set when not; a compact
// `int` in range is answered in place, without the call.
bool converts_to_int32(PyObject* object, RecordFacts& facts) {
    const std::optional<long> compact = compact_int_value(object);
    if (compact && *compact >= std::numeric_limits<std::int32_t>::min() &&
        *compact <= std::numeric_limits<std::int32_t>::max()) {
        return true;
    }
    facts.ran_python_code = facts.ran_python_code || !PyLong_Check(object);
    return to_int32(object).has_value();
}

std::optional<codon::SequencePart> to_nucleotide_part(PyObject* object, NucleotidePart shape,
                                                      RecordFacts& facts) {
    const bool numbered = shape == NucleotidePart::numbered;
    PyObject* const* items = tuple_items(object, numbered ? 3 : 2);
    if (items == nullptr) {
        return std::nullopt;
    }
    if (numbered && !converts_to_int32(items[0], facts)) {  // the number is checked, not kept
        return std::nullopt;
    }
    return to_sequence_part(numbered ? items + 1 : items);
}

// The last item of a tuple that has been checked.
PyObject* last_item(PyObject* tuple) noexcept {
    return PyTuple_GET_ITEM(tuple, PyTuple_GET_SIZE(tuple) - 1);
}

// The items of `object` when it is a tuple of 2 or 3 items, the shapes a record is made
// of; null otherwise.  Only reads.
PyObject* const* record_tuple_items(PyObject* object) noexcept {
    if (!PyTuple_Check(object)) return nullptr;
    const Py_ssize_t size = PyTuple_GET_SIZE(object);
    return size == 2 || size == 3 ? &PyTuple_GET_ITEM(object, 0) : nullptr;
}

// Lines of a text asked for ahead, after its first; the hardware prefetcher follows on
// from them.
constexpr std::size_t prefetched_text_lines = 4;
constexpr std::size_t cache_line = 64;

// Asks for the start of a `str`'s characters, whose object has been asked for before.
void prefetch_text(PyObject* object) noexcept {
    if (!PyUnicode_Check(object)) return;
    const auto* text = static_cast<const char*>(PyUnicode_DATA(object));
    const auto length = static_cast<std::size_t>(PyUnicode_GET_LENGTH(object));
    for (std::size_t at = cache_line; at < length && at <= prefetched_text_lines * cache_line;
         at += cache_line) {
        __builtin_prefetch(text + at);
    }
}

// Asks for the objects of a record read ahead, a level at a time: the entry's key and
// value, the value's two halves, their items, then the start of the key's and the
// peptide's characters (both are read in conversion).  Each level reads only what the
// one before asked for, some entries earlier, so the misses of many records overlap
// instead of following one another record by record, as the caller's objects lie
// wherever they were made.  Objects of an unexpected shape are passed over; conversion
// judges them.
struct PrefetchRecord {
    static constexpr int levels = 4;
    void operator()(int level, const DictEntry& entry) const noexcept {
        if (level == 0) {
            __builtin_prefetch(entry.key);
            __builtin_prefetch(entry.value);
            return;
        }
        PyObject* const* halves = record_tuple_items(entry.value);
        if (halves == nullptr) return;
        if (level == 1) {
            __builtin_prefetch(halves[0]);
            __builtin_prefetch(halves[1]);
            return;
        }
        if (level == 2) {
            for (PyObject* half : {halves[0], halves[1]}) {
                if (PyObject* const* items = record_tuple_items(half)) {
                    for (Py_ssize_t at = 0; at < PyTuple_GET_SIZE(half); ++at) {
                        __builtin_prefetch(items[at]);
                    }
                }
            }
            return;
        }
        prefetch_text(entry.key);
        if (PyObject* const* peptide = record_tuple_items(halves[0])) prefetch_text(peptide[1]);
    }
};

// The texts of the record are views into `key` and `value`, which the caller keeps.
std::optional<codon::RecordPair> to_record_pair(PyObject* key, PyObject* value,
                                                NucleotidePart shape, RecordFacts& facts) {
    const std::optional<std::string_view> key_text = to_text_view(key);
    if (!key_text) {
        return std::nullopt;
    }
    PyObject* const* halves = tuple_items(value, 2);
    if (halves == nullptr) {
        return std::nullopt;
    }
    PyObject* const* peptide_items = tuple_items(halves[0], 2);
    if (peptide_items == nullptr) {
        return std::nullopt;
    }
    const std::optional<codon::SequencePart> peptide = to_sequence_part(peptide_items);
    if (!peptide) {
        return std::nullopt;
    }
    const std::optional<codon::SequencePart> nucleotide =
        to_nucleotide_part(halves[1], shape, facts);
    if (!nucleotide) {
        return std::nullopt;
    }
    facts.ascii_lines = PyUnicode_IS_ASCII(key) && PyUnicode_IS_ASCII(last_item(halves[1]));
    return codon::RecordPair{*key_text, *peptide, *nucleotide};
}

// A one-character `str` as its code point.
std::optional<char32_t> to_symbol(PyObject* key) {
    if (!PyUnicode_Check(key)) {
        raise_type_mismatch(key, "str");
        return std::nullopt;
    }
    Py_ssize_t utf8_size = 0;
    // An ASCII `str` is its own UTF-8; any other may hold lone surrogates.
    if (!PyUnicode_IS_ASCII(key) && PyUnicode_AsUTF8AndSize(key, &utf8_size) == nullptr) {
        return std::nullopt;
    }
    if (PyUnicode_GET_LENGTH(key) != 1) {
        raise_value_error("expected a string of length 1");
        return std::nullopt;
    }
    return static_cast<char32_t>(PyUnicode_READ_CHAR(key, 0));
}

// Appends the views of `items` (each a `str`) to `texts`; false at the first that is not.
bool append_texts(std::span<PyObject* const> items, std::vector<std::string_view>& texts) {
    for (PyObject* item : items) {
        const std::optional<std::string_view> text = to_text_view(item);
        if (!text) {
            return false;
        }
        texts.push_back(*text);
    }
    return true;
}

#ifndef Py_GIL_DISABLED
// The items of an exact list, each held on its own: under the interpreter lock nothing
// changes the list while they are read (no Python code runs until an item fails, and
// the list is not read after that), and a reference per item costs less than a tuple
// of them made and freed.
bool append_list_texts(PyObject* list, std::vector<std::string_view>& texts,
                       std::vector<OwnedRef>& holders) {
    const auto size = static_cast<std::size_t>(PyList_GET_SIZE(list));
    reserve_more(texts, size);
    reserve_more(holders, size);
    for (std::size_t at = 0; at < size; ++at) {
        PyObject* item = PyList_GET_ITEM(list, static_cast<Py_ssize_t>(at));
        const std::optional<std::string_view> text = to_text_view(item);
        if (!text) {
            return false;
        }
        texts.push_back(*text);
        holders.push_back(hold(item));
    }
    return true;
}
#endif

// Appends the texts of `object` (any sequence but a `str`, every item a `str`) to `texts`,
// and to `holders` what keeps them alive.  An exact list or tuple runs no Python code: it
// is read as a tuple of its items as they are now, which holds them all with one
// reference (with the interpreter lock, a list's items are held one by one instead).
// Any other sequence is iterated, each item held.
bool append_text_list(PyObject* object, std::vector<std::string_view>& texts,
                      std::vector<OwnedRef>& holders) {
    if (PyUnicode_Check(object)) {
        raise_type_error("Can't extract `str` to `Vec`");
        return false;
    }
#ifndef Py_GIL_DISABLED
    if (PyList_CheckExact(object)) {
        return append_list_texts(object, texts, holders);
    }
#endif
    if (PyTuple_CheckExact(object) || PyList_CheckExact(object)) {
        OwnedRef items = PyTuple_CheckExact(object) ? hold(object) : take(PyList_AsTuple(object));
        if (!items) {
            return false;
        }
        const std::span<PyObject* const> item_span(
            &PyTuple_GET_ITEM(items.get(), 0),
            static_cast<std::size_t>(PyTuple_GET_SIZE(items.get())));
        holders.push_back(std::move(items));
        return append_texts(item_span, texts);
    }
    if (!PySequence_Check(object)) {
        raise_type_mismatch(object, "Sequence");
        return false;
    }
    const std::optional<std::size_t> hint = reservation_hint(object);
    if (!hint) {
        return false;
    }
    reserve_more(texts, *hint);
    reserve_more(holders, *hint);
    const OwnedRef iterator = take(PyObject_GetIter(object));
    if (!iterator) {
        return false;
    }
    for (;;) {
        PyObject* next = nullptr;
        const int status = PyIter_NextItem(iterator.get(), &next);
        if (status <= 0) {
            return status == 0;
        }
        OwnedRef item = take(next);
        const std::optional<std::string_view> text = to_text_view(item.get());
        if (!text) {
            return false;
        }
        texts.push_back(*text);
        holders.push_back(std::move(item));
    }
}

// A converted codon list: where its views lie among a table's views.
struct ListRange {
    std::size_t first = 0, size = 0;
};

// The codon lists converted so far, by the identity of the list object: a flat table with
// open addressing, sized for the dict, so no lookup allocates.  It is keyed by address,
// not by caller text.  Forgetting every list is a new generation, in constant time.
class ConvertedLists {
public:
    explicit ConvertedLists(std::size_t lists) : slots_(std::bit_ceil(2 * lists + 2)) {}

    const ListRange* find(PyObject* list) const noexcept {
        for (std::size_t at = home(list);; at = (at + 1) & (slots_.size() - 1)) {
            const Slot& slot = slots_[at];
            if (slot.generation != generation_) return nullptr;
            if (slot.list == list) return &slot.codons;
        }
    }

    // At most one list per dict entry is added: the table stays at most half full.
    void add(PyObject* list, ListRange codons) noexcept {
        std::size_t at = home(list);
        while (slots_[at].generation == generation_) at = (at + 1) & (slots_.size() - 1);
        slots_[at] = Slot{list, codons, generation_};
    }

    void forget_all() noexcept { ++generation_; }

private:
    struct Slot {
        PyObject* list = nullptr;
        ListRange codons;
        std::uint64_t generation = 0;
    };

    std::size_t home(PyObject* list) const noexcept {
        // Fibonacci hashing of the address; objects are 16-byte aligned.
        const auto address = reinterpret_cast<std::uintptr_t>(list) >> 4;
        return static_cast<std::size_t>((address * 0x9E3779B97F4A7C15u) >> 32) &
               (slots_.size() - 1);
    }

    std::vector<Slot> slots_;
    std::uint64_t generation_ = 1;
};

}  // namespace

std::optional<std::string> to_text(PyObject* object) {
    const std::optional<std::string_view> text = to_text_view(object);
    if (!text) {
        return std::nullopt;
    }
    return std::string(*text);
}

std::optional<std::int32_t> to_int32(PyObject* object) {
    const std::optional<long> compact = compact_int_value(object);
    const long value = compact ? *compact : PyLong_AsLong(object);
    if (!compact && value == -1 && PyErr_Occurred()) {
        return std::nullopt;
    }
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        raise_overflow_error("out of range integral type conversion attempted");
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::optional<TextList> to_text_list(PyObject* object) {
    TextList list;
    if (!append_text_list(object, list.texts, list.holders)) {
        return std::nullopt;
    }
    return list;
}

std::optional<RecordSource> to_record_map(PyObject* seqs, NucleotidePart shape) {
    if (!PyDict_Check(seqs)) {
        raise_type_mismatch(seqs, "dict");
        return std::nullopt;
    }
    RecordSource source;
    const auto size = static_cast<std::size_t>(PyDict_GET_SIZE(seqs));
    source.records.reserve(size);
    source.holders.reserve(2 * size);
    // Exact `str` keys of one dict differ in text, so they need no lookup.  A subclass
    // key may compare unequal to a key of the same text; from the first such key on,
    // every key is looked up, and a later entry replaces an earlier one of its text.
    bool only_exact_keys = true;
    const auto convert_record = [&](OwnedRef& held_key, OwnedRef& held_value) {
        PyObject* const key = held_key.get();
        PyObject* const value = held_value.get();
        RecordFacts facts;
        const std::optional<codon::RecordPair> record = to_record_pair(key, value, shape, facts);
        if (!record) {
            return EntryConverted::failed;
        }
        source.ascii_result = source.ascii_result && facts.ascii_lines;
        // The value tuple holds the record's four texts; tuples cannot drop them.
        source.holders.push_back(std::move(held_key));
        source.holders.push_back(std::move(held_value));
        only_exact_keys = only_exact_keys && PyUnicode_CheckExact(key);
        if (only_exact_keys) {
            source.records.insert_new(*record);
        } else {
            source.records.insert_or_replace(*record);
        }
        return facts.ran_python_code ? EntryConverted::converted_after_code
                                     : EntryConverted::converted;
    };
    if (!walk_dict(seqs, convert_record, PrefetchRecord{})) {
        return std::nullopt;
    }
    return source;
}

std::optional<CodeTableSource> to_custom_codon_table(PyObject* gene_table) {
    if (!PyDict_Check(gene_table)) {
        raise_type_mismatch(gene_table, "dict");
        return std::nullopt;
    }
    CodeTableSource source;
    const auto size = static_cast<std::size_t>(PyDict_GET_SIZE(gene_table));
    source.holders.reserve(size + reserved_codons);  // a list, or a codon, per holder
    source.codons.reserve(reserved_codons);
    // Lists already converted, by object.  Converting an exact list or tuple runs no
    // Python code, so a list converted earlier still holds what it held then; any other
    // sequence may run code that changes those lists, which are converted anew after it.
    ConvertedLists converted_lists(size);
    // Each symbol's list, in the dict's order; the table is filled once every view is in
    // place, so no view is copied and none moves after the table has it.
    std::vector<std::pair<char32_t, ListRange>> symbol_lists;
    symbol_lists.reserve(size);
    const auto convert_entry = [&](OwnedRef& held_key, OwnedRef& held_value) {
        PyObject* const key = held_key.get();
        PyObject* const value = held_value.get();
        const std::optional<char32_t> symbol = to_symbol(key);
        if (!symbol) {
            return EntryConverted::failed;
        }
        if (const ListRange* found = converted_lists.find(value)) {
            symbol_lists.emplace_back(*symbol, *found);
            return EntryConverted::converted;
        }
        const bool runs_no_python_code = PyList_CheckExact(value) || PyTuple_CheckExact(value);
        const std::size_t first = source.codons.size();
        if (!append_text_list(value, source.codons, source.holders)) {
            return EntryConverted::failed;
        }
        const ListRange range{first, source.codons.size() - first};
        symbol_lists.emplace_back(*symbol, range);
        if (!runs_no_python_code) {
            source.ran_python_code = true;
            converted_lists.forget_all();
            return EntryConverted::converted_after_code;
        }
        // Its address must not be reused while cached.
        source.holders.push_back(std::move(held_value));
        converted_lists.add(value, range);
        return EntryConverted::converted;
    };
    if (!walk_dict(gene_table, convert_entry, PrefetchNothing{})) {
        return std::nullopt;
    }
    source.table.reserve(symbol_lists.size());
    for (const auto& [symbol, range] : symbol_lists) {
        source.table.insert_or_replace_borrowed(
            symbol,
            codon::CustomCodonTable::CodonList(source.codons.data() + range.first, range.size));
    }
    return source;
}

PyObject* to_python_text(std::string_view text) noexcept {
    const auto size = static_cast<Py_ssize_t>(text.size());
    if (!text::is_ascii(text)) {
        return PyUnicode_FromStringAndSize(text.data(), size);
    }
    // Pure ASCII needs no UTF-8 validation: copy the bytes straight in.
    PyObject* result = PyUnicode_New(size, 127);
    if (result != nullptr && size > 0) {
        std::memcpy(PyUnicode_DATA(result), text.data(), text.size());
    }
    return result;
}

}  // namespace velbrin::lib

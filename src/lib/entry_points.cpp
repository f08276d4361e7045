#include "lib/entry_points.hpp"

#include <new>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>

#include "codon/alignment.hpp"
#include "iupac/iupac_expansion.hpp"
#include "lib/conversion.hpp"
#include "lib/python_ref.hpp"
#include "lib/raising.hpp"
#include "lib/released_lock.hpp"

namespace velbrin::lib {
namespace {

// Converts argument `index`; a failure carries the note naming its parameter.
template <class Convert>
auto convert_argument(const BoundArguments& arguments, std::size_t index, Convert convert) {
    auto value = convert(arguments[index]);
    if (!value) {
        attach_parameter_note(arguments.parameter(index));
    }
    return value;
}

template <class... Convert, std::size_t... Index>
auto convert_each(const BoundArguments& arguments, std::index_sequence<Index...>,
                  Convert... convert) {
    std::tuple<std::invoke_result_t<Convert, PyObject*>...> values;
    const bool converted = ((std::get<Index>(values) = convert_argument(arguments, Index, convert),
                             std::get<Index>(values).has_value()) &&
                            ...);
    return std::pair{converted, std::move(values)};
}

// Converts the arguments in parameter order, one converter each, stopping at the first
// failure.  Returns whether all converted, and the optional values.
template <class... Convert>
auto convert_in_order(const BoundArguments& arguments, Convert... convert) {
    return convert_each(arguments, std::index_sequence_for<Convert...>{}, convert...);
}

std::optional<RecordSource> to_numbered_record_map(PyObject* seqs) {
    return to_record_map(seqs, NucleotidePart::numbered);
}

std::optional<RecordSource> to_plain_record_map(PyObject* seqs) {
    return to_record_map(seqs, NucleotidePart::plain);
}

// Below this result size a call keeps the interpreter lock throughout.  Letting go and
// taking it back costs about 0.05 us when no other thread wants it, 0.5 % of a 16 KiB
// call; when one does, the call must wait for it to be woken and hand the lock back,
// which only a walk of 10 us or more outweighs.
constexpr std::size_t lock_release_min_result_bytes = 16 * 1024;

// The result `str`.  When the result is sure to be ASCII, the driver writes it straight
// into the memory of the final `str`, which is made here at the size the driver asks.
// The driver asks once, before the first record; from then on it reads only views of
// strings the call holds and writes only native memory, so a large family's walk runs
// with the interpreter lock released, until `finish`.
class ResultStr {
public:
    explicit ResultStr(bool ascii) : ascii_(ascii) {}

    codon::ResultBuffer buffer() {
        return [this](std::size_t size) -> char* {
            char* memory = ascii_ ? allocate(size) : nullptr;
            if (size >= lock_release_min_result_bytes) {
                lock_.release();
            }
            return memory;
        };
    }

    // A new reference to the result, or null with the failure raised.
    PyObject* finish(const codon::AlignmentOutcome& outcome) {
        lock_.reacquire();
        if (const auto* failure = std::get_if<codon::Failure>(&outcome)) {
            raise_driver_failure(failure->message);
            return nullptr;
        }
        if (object_) {
            return object_.release();
        }
        return to_python_text(std::get<std::string>(outcome));
    }

private:
    char* allocate(std::size_t size) {
        object_ = take(PyUnicode_New(static_cast<Py_ssize_t>(size), 127));
        if (!object_) {
            PyErr_Clear();
            throw std::bad_alloc();
        }
        return static_cast<char*>(PyUnicode_DATA(object_.get()));
    }

    bool ascii_;
    OwnedRef object_;
    ReleasedLock lock_;  // declared last: taken back before `object_` is released
};

}  // namespace

PyObject* call_tarnix(ModuleState& /*state*/, const BoundArguments& arguments) {
    auto [converted, values] =
        convert_in_order(arguments, to_text, to_text, to_text, to_int32, to_numbered_record_map);
    if (!converted) {
        return nullptr;
    }
    auto& [file_steem, aa_path, nt_path, table_num, source] =
        values;  // _file_steem: checked, unused
    ResultStr result(source->ascii_result);
    return result.finish(codon::align_with_ncbi_code(*aa_path, *nt_path, *table_num,
                                                     std::move(source->records), result.buffer()));
}

PyObject* call_tarnix_original_args(ModuleState& state, const BoundArguments& arguments) {
    const auto to_prepared_table = [&state](PyObject* gene_table) {
        return state.custom_codes->prepare(gene_table);
    };
    auto [converted, values] = convert_in_order(arguments, to_text, to_text, to_text,
                                                to_prepared_table, to_plain_record_map);
    if (!converted) {
        return nullptr;
    }
    // The table is released after the result, once the lock is held again.
    auto& [file_steem, aa_path, nt_path, table, source] = values;  // _file_steem: checked, unused
    ResultStr result(source->ascii_result);
    return result.finish(codon::align_with_custom_code(
        *aa_path, *nt_path, (*table)->code(), std::move(source->records), result.buffer()));
}

PyObject* call_attempt_iupac_substitution(ModuleState& /*state*/, const BoundArguments& arguments) {
    const auto [converted, values] = convert_in_order(arguments, to_text, to_text_list);
    if (!converted) {
        return nullptr;
    }
    const auto& [original, taxa] = values;
    if (!iupac::first_expansion_member(*original, taxa->texts)) {
        Py_RETURN_NONE;
    }
    PyObject* given = arguments[0];
    if (PyUnicode_CheckExact(given)) {
        return Py_NewRef(given);
    }
    return to_python_text(*original);  // a plain `str`, not the caller's subclass
}

}  // namespace velbrin::lib

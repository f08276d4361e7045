#include "lib/entry_points.hpp"

#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>

#include "codon/alignment.hpp"
#include "iupac/iupac_expansion.hpp"
#include "lib/conversion.hpp"
#include "lib/raising.hpp"

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
auto convert_each(const BoundArguments& arguments, std::index_sequence<Index...>, Convert... convert) {
    std::tuple<std::invoke_result_t<Convert, PyObject*>...> values;
    const bool converted =
        ((std::get<Index>(values) = convert_argument(arguments, Index, convert), std::get<Index>(values).has_value()) &&
         ...);
    return std::pair{converted, std::move(values)};
}

// Converts the arguments in parameter order, one converter each, stopping at the first
// failure.  Returns whether all converted, and the optional values.
template <class... Convert>
auto convert_in_order(const BoundArguments& arguments, Convert... convert) {
    return convert_each(arguments, std::index_sequence_for<Convert...>{}, convert...);
}

std::optional<codon::RecordMap> to_numbered_record_map(PyObject* seqs) {
    return to_record_map(seqs, NucleotidePart::numbered);
}

std::optional<codon::RecordMap> to_plain_record_map(PyObject* seqs) {
    return to_record_map(seqs, NucleotidePart::plain);
}

PyObject* to_python(const codon::AlignmentOutcome& outcome) {
    if (const auto* text = std::get_if<std::string>(&outcome)) {
        return to_python_text(*text);
    }
    raise_driver_failure(std::get<codon::Failure>(outcome).message);
    return nullptr;
}

}  // namespace

PyObject* call_tarnix(const BoundArguments& arguments) {
    auto [converted, values] =
        convert_in_order(arguments, to_text, to_text, to_text, to_int32, to_numbered_record_map);
    if (!converted) {
        return nullptr;
    }
    auto& [file_steem, aa_path, nt_path, table_num, records] = values;  // _file_steem: checked, unused
    return to_python(codon::tarnix(*aa_path, *nt_path, *table_num, std::move(*records)));
}

PyObject* call_tarnix_original_args(const BoundArguments& arguments) {
    auto [converted, values] =
        convert_in_order(arguments, to_text, to_text, to_text, to_custom_codon_table, to_plain_record_map);
    if (!converted) {
        return nullptr;
    }
    auto& [file_steem, aa_path, nt_path, table, records] = values;  // _file_steem: checked, unused
    return to_python(codon::tarnix_original_args(*aa_path, *nt_path, *table, std::move(*records)));
}

PyObject* call_attempt_iupac_substitution(const BoundArguments& arguments) {
    const auto [converted, values] = convert_in_order(arguments, to_text, to_text_list);
    if (!converted) {
        return nullptr;
    }
    const auto& [original, taxa] = values;
    if (!iupac::first_expansion_member(*original, *taxa)) {
        Py_RETURN_NONE;
    }
    PyObject* given = arguments[0];
    if (PyUnicode_CheckExact(given)) {
        return Py_NewRef(given);
    }
    return to_python_text(*original);  // a plain `str`, not the caller's subclass
}

}  // namespace velbrin::lib

#include "lib/entry_points.hpp"

#include <string>
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
    const auto file_steem = convert_argument(arguments, 0, to_text);  // checked, unused
    if (!file_steem) {
        return nullptr;
    }
    const auto aa_path = convert_argument(arguments, 1, to_text);
    if (!aa_path) {
        return nullptr;
    }
    const auto nt_path = convert_argument(arguments, 2, to_text);
    if (!nt_path) {
        return nullptr;
    }
    const auto table_num = convert_argument(arguments, 3, to_int32);
    if (!table_num) {
        return nullptr;
    }
    auto records = convert_argument(arguments, 4, to_numbered_record_map);
    if (!records) {
        return nullptr;
    }
    return to_python(codon::tarnix(*aa_path, *nt_path, *table_num, std::move(*records)));
}

PyObject* call_tarnix_original_args(const BoundArguments& arguments) {
    const auto file_steem = convert_argument(arguments, 0, to_text);  // checked, unused
    if (!file_steem) {
        return nullptr;
    }
    const auto aa_path = convert_argument(arguments, 1, to_text);
    if (!aa_path) {
        return nullptr;
    }
    const auto nt_path = convert_argument(arguments, 2, to_text);
    if (!nt_path) {
        return nullptr;
    }
    const auto table = convert_argument(arguments, 3, to_custom_codon_table);
    if (!table) {
        return nullptr;
    }
    auto records = convert_argument(arguments, 4, to_plain_record_map);
    if (!records) {
        return nullptr;
    }
    return to_python(
        codon::tarnix_original_args(*aa_path, *nt_path, *table, std::move(*records)));
}

PyObject* call_attempt_iupac_substitution(const BoundArguments& arguments) {
    const auto original = convert_argument(arguments, 0, to_text);
    if (!original) {
        return nullptr;
    }
    const auto taxa = convert_argument(arguments, 1, to_text_list);
    if (!taxa) {
        return nullptr;
    }
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

#include "lib/arg_binding.hpp"

#include <optional>
#include <string>

#include "lib/raising.hpp"

namespace velbrin::lib {
namespace {

const char* plural_s(Py_ssize_t count) noexcept { return count == 1 ? "" : "s"; }

void raise_too_many_positional(const Signature& signature, Py_ssize_t given) noexcept {
    const auto accepted = static_cast<Py_ssize_t>(signature.parameters.size());
    raise_with_message(
        PyExc_TypeError,
        PyUnicode_FromFormat("%s() takes %zd positional argument%s but %zd %s given",
                             signature.function_name.data(), accepted, plural_s(accepted), given,
                             given == 1 ? "was" : "were"));
}

void raise_unexpected_keyword(const Signature& signature, PyObject* keyword) noexcept {
    raise_with_message(PyExc_TypeError,
                       PyUnicode_FromFormat("%s() got an unexpected keyword argument '%U'",
                                            signature.function_name.data(), keyword));
}

void raise_multiple_values(const Signature& signature, std::size_t parameter) noexcept {
    raise_with_message(PyExc_TypeError,
                       PyUnicode_FromFormat("%s() got multiple values for argument '%s'",
                                            signature.function_name.data(),
                                            signature.parameters[parameter].data()));
}

// "f() missing 3 required positional arguments: 'a', 'b', and 'c'"
void raise_missing(const Signature& signature, std::span<const std::string_view> missing) {
    std::string message{signature.function_name};
    message += "() missing ";
    message += std::to_string(missing.size());
    message += missing.size() == 1 ? " required positional argument: "
                                   : " required positional arguments: ";
    for (std::size_t i = 0; i < missing.size(); ++i) {
        if (i > 0) {
            message += missing.size() == 2 ? " and " : (i + 1 == missing.size() ? ", and " : ", ");
        }
        message += '\'';
        message += missing[i];
        message += '\'';
    }
    raise_type_error(message);
}

std::optional<std::size_t> parameter_index(const Signature& signature, PyObject* keyword) noexcept {
    // Keyword names need not be interned, so they are compared by text.
    for (std::size_t i = 0; i < signature.parameters.size(); ++i) {
        const std::string_view name = signature.parameters[i];
        if (PyUnicode_EqualToUTF8AndSize(keyword, name.data(),
                                         static_cast<Py_ssize_t>(name.size()))) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace

bool bind_arguments(PyObject* const* arguments, Py_ssize_t nargsf, PyObject* keyword_names,
                    BoundArguments& bound) {
    const Signature& signature = *bound.signature_;
    const std::size_t parameter_count = signature.parameters.size();
    const Py_ssize_t positional = PyVectorcall_NARGS(nargsf);
    if (positional > static_cast<Py_ssize_t>(parameter_count)) {
        raise_too_many_positional(signature, positional);
        return false;
    }
    for (Py_ssize_t i = 0; i < positional; ++i) {
        bound.values_[static_cast<std::size_t>(i)] = arguments[i];
    }

    const Py_ssize_t keyword_count = keyword_names ? PyTuple_GET_SIZE(keyword_names) : 0;
    for (Py_ssize_t k = 0; k < keyword_count; ++k) {
        PyObject* keyword = PyTuple_GET_ITEM(keyword_names, k);
        const std::optional<std::size_t> index = parameter_index(signature, keyword);
        if (!index) {
            raise_unexpected_keyword(signature, keyword);
            return false;
        }
        if (bound.values_[*index] != nullptr) {
            raise_multiple_values(signature, *index);
            return false;
        }
        bound.values_[*index] = arguments[positional + k];
    }

    std::array<std::string_view, max_parameters> missing{};
    std::size_t missing_count = 0;
    for (std::size_t i = 0; i < parameter_count; ++i) {
        if (bound.values_[i] == nullptr) {
            missing[missing_count++] = signature.parameters[i];
        }
    }
    if (missing_count > 0) {
        raise_missing(signature, std::span{missing.data(), missing_count});
        return false;
    }
    return true;
}

}  // namespace velbrin::lib

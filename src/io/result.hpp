#pragma once
// A value or the failure that stands in its place.

#include <utility>
#include <variant>

#include "io/io_failure.hpp"

namespace velbrin::io {

template <class T>
class Result {
public:
    Result(T value) : held_(std::move(value)) {}  // NOLINT: implicit, like a return value
    Result(Failure failure) : held_(std::move(failure)) {}
    // The readers' own variants convert, so their callers unwrap one way.
    Result(std::variant<T, Failure>&& held) : held_(std::move(held)) {}

    bool ok() const noexcept { return held_.index() == 0; }
    explicit operator bool() const noexcept { return ok(); }

    T& value() & { return std::get<0>(held_); }
    const T& value() const& { return std::get<0>(held_); }
    T&& value() && { return std::get<0>(std::move(held_)); }

    const Failure& failure() const& { return std::get<1>(held_); }
    Failure&& failure() && { return std::get<1>(std::move(held_)); }

    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

private:
    std::variant<T, Failure> held_;
};

}  // namespace velbrin::io

// A value or an error. The tool is also built by clang 14 for the fuzz targets, whose standard
// library headers do not offer std::expected there; this is the part of it the tool uses.
#pragma once

#include <utility>
#include <variant>

namespace rc {

template <typename E> struct Unexpected {
    explicit Unexpected(E e) : error(std::move(e)) {}
    E error;
};

template <typename T, typename E> class Expected {
public:
    Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    template <typename F>
    Expected(Unexpected<F> error) : state_(std::in_place_index<1>, std::move(error.error)) {}

    bool has_value() const { return state_.index() == 0; }
    explicit operator bool() const { return has_value(); }
    T& operator*() { return std::get<0>(state_); }
    const T& operator*() const { return std::get<0>(state_); }
    T* operator->() { return &std::get<0>(state_); }
    const T* operator->() const { return &std::get<0>(state_); }
    const E& error() const { return std::get<1>(state_); }

private:
    std::variant<T, E> state_;
};

} // namespace rc

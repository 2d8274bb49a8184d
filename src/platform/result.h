// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The one shape of what a fallible call gives back: a value (or, for a step, that it was done),
// or the failure that kept it from one; never both.
#pragma once

#include <optional>
#include <system_error>
#include <type_traits>
#include <utility>
#include <variant>

namespace quillmere {

// An operation's result: a value, or the failure that kept it from one; never both. The file layer
// gives the system's reason, a `std::error_code`; the layers above give failures of their own.
template <class T, class E = std::error_code>
class [[nodiscard]] Result {
 public:
  // Any value that converts to T, but no failure and no other Result.
  template <class U, std::enable_if_t<std::is_convertible_v<U&&, T> &&
                                          !std::is_same_v<std::remove_cvref_t<U>, E> &&
                                          !std::is_same_v<std::remove_cvref_t<U>, Result>,
                                      int> = 0>
  Result(U&& value) : state_(std::in_place_index<0>, std::forward<U>(value)) {}
  Result(E error) : state_(std::in_place_index<1>, std::move(error)) {}
  // Any failure that makes an E (one of its kinds) and is no value.
  template <class F,
            std::enable_if_t<std::is_constructible_v<E, F&&> && !std::is_convertible_v<F&&, T> &&
                                 !std::is_same_v<std::remove_cvref_t<F>, E> &&
                                 !std::is_same_v<std::remove_cvref_t<F>, Result>,
                             long> = 0>
  Result(F&& failure) : state_(std::in_place_index<1>, E(std::forward<F>(failure))) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  // The value; only when ok().
  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }

  // The failure; an empty one (no error code) when ok().
  E error() const { return ok() ? E() : std::get<1>(state_); }

  // The failure, to look at or take; null when ok().
  E* failure() { return std::get_if<1>(&state_); }
  const E* failure() const { return std::get_if<1>(&state_); }

 private:
  std::variant<T, E> state_;
};

// A step's result, which has no value: done, or the failure that kept it from being done. Made
// from a `std::error_code`, an empty code means done, as the system's calls say it.
template <class E>
class [[nodiscard]] Result<void, E> {
 public:
  // Done.
  Result() = default;
  Result(E error) {
    if constexpr (std::is_same_v<E, std::error_code>) {
      if (!error) return;
    }
    failure_.emplace(std::move(error));
  }
  // Any failure that makes an E (one of its kinds).
  template <class F, std::enable_if_t<std::is_constructible_v<E, F&&> &&
                                          !std::is_same_v<std::remove_cvref_t<F>, E> &&
                                          !std::is_same_v<std::remove_cvref_t<F>, Result>,
                                      int> = 0>
  Result(F&& failure) : failure_(std::in_place, std::forward<F>(failure)) {}

  bool ok() const { return !failure_.has_value(); }
  explicit operator bool() const { return ok(); }

  // The failure; an empty one (no error code) when ok().
  E error() const { return failure_ ? *failure_ : E(); }

  // The failure, to look at or take; null when ok().
  E* failure() { return failure_ ? &*failure_ : nullptr; }
  const E* failure() const { return failure_ ? &*failure_ : nullptr; }

 private:
  std::optional<E> failure_;
};

// The failure of the step `result`, where it failed: for an outcome that holds what was done and,
// apart, why it stopped.
template <class E>
std::optional<E> FailureOf(Result<void, E> result) {
  if (E* failure = result.failure()) return std::move(*failure);
  return std::nullopt;
}

}  // namespace quillmere

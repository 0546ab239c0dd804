// The common result type of the timing methods: a method either delivers its
// result struct or refuses with a message that a user can read. Methods never
// show a message box, touch a window or return NaN.
#pragma once

#include <expected>
#include <string>

namespace vantor {

struct Refusal {
  std::string message;
};

template <class T>
using MethodResult = std::expected<T, Refusal>;

inline std::unexpected<Refusal> Refuse(std::string message) {
  return std::unexpected<Refusal>(Refusal{std::move(message)});
}

}  // namespace vantor

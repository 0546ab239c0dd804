// The common result type of the timing methods: a method either delivers its
// result struct or refuses with a message that a user can read. Methods never
// show a message box, touch a window or return NaN.
//
// A refusal is the program's one error type (core/error.h), naming no line;
// Refuse(message) makes one.
#pragma once

#include <expected>

#include "core/error.h"

namespace vantor {

using Refusal = Error;

template <class T>
using MethodResult = std::expected<T, Refusal>;

}  // namespace vantor

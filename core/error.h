// The one error convention of Vantor: a function that can fail returns
// std::expected<T, Error>, where the error carries the sentence a user will
// read and, for a file, the line it names. The light-curve reader, the text
// files, the settings file and the timing methods (whose Refusal is this same
// type, methods/refusal.h) all report this way; none throws across a module
// boundary and none shows a message itself.
//
// Programmer errors are asserts, not Errors.
#pragma once

#include <expected>
#include <string>

namespace vantor {

struct Error {
  std::string message;  // a sentence for the user
  int line = 0;         // 1-based line of the file the message names, 0 for none

  bool operator==(const Error&) const = default;
};

// Returns the failure of a std::expected<T, Error> for any T: `message`, and
// the line of the file it names (0 for none).
inline std::unexpected<Error> Refuse(std::string message, int line = 0) {
  return std::unexpected<Error>(Error{std::move(message), line});
}

}  // namespace vantor

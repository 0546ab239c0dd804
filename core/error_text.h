// The table of run-time error texts that the error handlers of the sliding-
// integrations button and of the print commands show, indexed by error number.
#pragma once

#include <string>

namespace vantor {

inline constexpr int kMaxErrorNumber = 1000;

// Returns the text of error number n (0 to 1000); numbers without an entry
// have the empty text.
const std::string& ErrorText(int n);

// The message an error handler shows for error number n: ErrorText(n) for
// 0..1000, and a generic sentence naming the number beyond the table.
std::string RuntimeErrorMessage(int n);

}  // namespace vantor

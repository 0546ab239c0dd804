// The run-time error texts.
#include "core/error_text.h"

#include <array>

namespace vantor {
namespace {

std::array<std::string, kMaxErrorNumber + 1> MakeTable() {
  std::array<std::string, kMaxErrorNumber + 1> t;
  t[4] = "Error 4: Out of data.";
  t[6] = "Error 6: Overflow.";
  t[7] = "Error 7: Out of memory.";
  t[9] = "Error 9: Subscript out of range.";
  t[24] = "Error 24: Device timeout.";
  t[25] = "Error 25: Device fault.";
  t[27] = "Error 27: Out of paper.";
  t[52] = "Error 52: Bad file name or number.";
  t[53] = "Error 53: File not found.";
  t[54] = "Error 54: Bad file mode.";
  t[55] = "Error 55: File already open.";
  t[57] = "Error 57: Device I/O error.";
  t[58] = "Error 58: File already exists.";
  t[61] = "Error 61: Disk full.";
  t[62] = "Error 62: Input past end of file.";
  t[64] = "Error 64: Bad file name.";
  t[67] = "Error 67: Too many files.";
  t[68] = "Error 68: Device unavailable.";
  t[70] = "Error 70: Permission denied.";
  t[71] = "Error 71: Disk not ready.";
  t[72] = "Error 72: Disk media error";
  t[74] = "Error 74: Rename across disks";
  t[75] = "Error 75: Path/file access error.";
  t[76] = "Error 76: Path not found.";
  t[321] = "Error 321: Invalid file format.";
  t[708] = "Error 708: File not found.";
  t[712] = "Error 712: Device I/O error.";
  t[716] = "Error 716: Disk full.";
  t[719] = "Error 719: Bad file name.";
  t[725] = "Error 725: Permission denied.";
  t[730] = "Error 730: Path access error.";
  t[731] = "Error 731: Path not found.";
  return t;
}

}  // namespace

const std::string& ErrorText(int n) {
  static const auto table = MakeTable();
  static const std::string empty;
  if (n < 0 || n > kMaxErrorNumber) return empty;
  return table[n];
}

std::string RuntimeErrorMessage(int n) {
  if (n >= 0 && n <= kMaxErrorNumber) return ErrorText(n);
  return "Run-time error " + std::to_string(n) + ": an unexpected error occurred.";
}

}  // namespace vantor

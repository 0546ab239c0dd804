#include "core/error_text.h"

#include <gtest/gtest.h>

namespace vantor {
namespace {

TEST(ErrorText, HoldsTheThirtyTwoEntriesAndNothingElse) {
  int filled = 0;
  for (int n = 0; n <= kMaxErrorNumber; ++n) filled += !ErrorText(n).empty();
  EXPECT_EQ(filled, 32);
  EXPECT_EQ(ErrorText(9), "Error 9: Subscript out of range.");
  EXPECT_EQ(ErrorText(27), "Error 27: Out of paper.");
  // Two entries end without a full stop.
  EXPECT_EQ(ErrorText(72), "Error 72: Disk media error");
  EXPECT_EQ(ErrorText(74), "Error 74: Rename across disks");
  EXPECT_EQ(ErrorText(731), "Error 731: Path not found.");
  EXPECT_EQ(ErrorText(11), "");
}

TEST(RuntimeErrorMessage, TableEntryOrGenericBeyondIt) {
  EXPECT_EQ(RuntimeErrorMessage(61), "Error 61: Disk full.");
  EXPECT_EQ(RuntimeErrorMessage(5), "");
  EXPECT_EQ(RuntimeErrorMessage(1001), "Run-time error 1001: an unexpected error occurred.");
  EXPECT_EQ(ErrorText(-1), "");
  EXPECT_EQ(ErrorText(1001), "");
}

}  // namespace
}  // namespace vantor

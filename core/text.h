// Text and number helpers that every window and file relies on: the leading-
// number rule used for numbers typed into text boxes, and the general
// number-to-text conversions used for counts, indices and tick-step labels.
#pragma once

#include <string>
#include <string_view>

namespace vantor {

// Reads the number a text begins with: leading blanks are skipped, blanks
// inside the number are skipped too, the number ends at the first character
// that cannot continue it, the decimal separator is the full stop, an exponent
// may follow (E or D, either case). A text without a leading number reads as 0.
// A number too large for a double reads as +-infinity: callers that need a
// finite value check for it.
double Val(std::string_view text);

// Whether Val finds a number at the start of `text` (at least one digit),
// rather than reading 0 for want of one ("abc", "", "nan", "-", ".").
bool HasLeadingNumber(std::string_view text);

// General number-to-text of a double: up to `significant` significant digits
// (15 for doubles, 7 for single-precision values), a "0" before the point of
// numbers below 1, "-" for negatives, exponent form ("1E-05", "1.5E+20") for
// very small or very large magnitudes. 0.005 gives "0.005".
std::string NumberText(double v, int significant = 15);

// Integer text with the sign position kept: one leading blank for
// non-negative numbers (" 12"), "-" for negative ones ("-3").
std::string SignedIntText(long n);

// Plain decimal text of an integer ("12", "-3").
std::string IntText(long n);

// A file name (or any text from outside) as a message shows it, in double
// quotes: printable ASCII and whole UTF-8 characters as they are, every other
// byte (control characters, terminal escape sequences, line ends, bytes that
// are not UTF-8) as \xNN, so that a message never carries raw bytes to a
// terminal, a log or JSON and still says exactly which name it means.
std::string QuotedName(std::string_view name);

// Text that should be ASCII (a field of a light curve, a FITS header value)
// as a message shows it: printable ASCII as it is, every other byte as \xNN.
std::string EscapedAscii(std::string_view text);

// A field of a file as a refusal quotes it: blanks (space, tab) trimmed from
// both ends, cut to its first 40 bytes with "..." before the closing quote
// when longer, and escaped as EscapedAscii does, in double quotes:
// "  1,5 " gives "\"1,5\"". A field is meant to be a number or a short word,
// so every byte that is not printable ASCII shows as \xNN and a long field
// does not swamp the message.
std::string QuotedField(std::string_view field);

// The system's text for an errno value, always as in the C locale ("No such
// file or directory"), whatever locale the host program has set: a message
// or a table row is the same text under every locale.
std::string SystemErrorText(int err);

}  // namespace vantor

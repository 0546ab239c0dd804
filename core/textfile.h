// Sequential text files: reading a whole file, splitting it into lines and
// comma-separated fields, and writing a file so that a reader never sees a
// half-written one.
#pragma once

#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"

namespace vantor {

// Returns the whole text of the file at `path`, or a sentence saying why it
// cannot (missing, a folder, not a regular file, unreadable, larger than
// maxBytes). Never blocks on opening: a FIFO or a device is refused at once.
std::expected<std::string, Error> ReadWholeFile(const std::string& path,
                                                size_t maxBytes = 16 * 1024 * 1024);

// Splits text into lines. CR LF, LF and a lone CR all end a line; a missing
// final line end is accepted; no empty line is made up after a final line end.
// A UTF-8 byte-order mark at the very start is dropped.
// With maxLines, stops after that many lines.
std::vector<std::string_view> SplitLines(std::string_view text,
                                         size_t maxLines = static_cast<size_t>(-1));

// Splits a line at every comma (the fields keep their blanks).
std::vector<std::string_view> SplitFields(std::string_view line);

// The field without blanks (spaces and tabs) around it.
std::string_view TrimBlanks(std::string_view field);

// Whether a line holds nothing but blanks.
bool IsBlankLine(std::string_view line);

// Whether the two names are the same existing file (by device and inode:
// "./a.csv", an absolute path, a hard or symbolic link all count).
bool SameFile(const std::string& a, const std::string& b);

// Writes `text` to `path`, creating or replacing it, by the output-file rules
// of core/output_file.h: never one of `inputs` (the files this run reads),
// /dev/stdout, /dev/stderr and /dev/null in place, a link to a regular file
// written through, any other special file and a read-only file refused, a
// regular file through a temporary file beside it renamed at the end, so that
// a failed write leaves any previous file untouched, keeping its mode. On
// failure returns a sentence saying why ("Cannot write ...").
std::expected<void, Error> WriteFileAtomically(const std::string& path, std::string_view text,
                                               const std::vector<std::string>& inputs = {});

}  // namespace vantor

// The rules every output file of Vantor is written by (the command line's
// -o, the survey's table, the desktop's report, exported tables and figures,
// the settings files), in one place:
//
//   - an input file of the run is never written, whatever name reaches it
//     (compared by device and inode: "./a.csv", an absolute path, a hard or
//     a symbolic link all count);
//   - "/dev/stdout", "/dev/stderr" and "/dev/null" are written in place,
//     whatever they are (a pipe, a terminal, a file): the first two through
//     the program's own standard output and error, at their current position;
//   - a symbolic link to a regular file is written through: the file it points
//     to is replaced, the link stays a link;
//   - every other target that is not a regular file (a FIFO, a socket, a
//     device, a folder, a link to nothing or to one of these) is refused, and
//     so is a read-only file and one the user may not write;
//   - a regular file is written to a fresh temporary file beside it (created
//     exclusively, never through a link), flushed to disk and renamed over
//     the target only when the whole text is written, so that a reader never
//     sees half a file and a failed or interrupted run leaves the old one; the
//     new file keeps the replaced file's mode (and owner and group where
//     allowed), a new file gets the mode the umask gives;
//   - a temporary file is removed when its writer is dropped without Commit,
//     and, once InstallOutputCleanupHandlers has run, when SIGINT, SIGTERM or
//     SIGHUP ends the program.
//
// Every refusal is one sentence naming the file with QuotedName, starting
// "Cannot write ".
//
// WriteFileAtomically (core/textfile.h) writes a whole text at once by these
// rules; OutputFile is for a text produced piece by piece.
//
// Usage:
//   auto out = OutputFile::Open(path, {inputPath});
//   if (!out) return Fail(out.error().message);
//   for (...) if (auto w = out->Write(row); !w) return Fail(w.error().message);
//   if (auto c = out->Commit(); !c) return Fail(c.error().message);
#pragma once

#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"

namespace vantor {

// An output file being written under the rules above. Movable, not copyable;
// dropping one that was not committed removes its temporary file and leaves
// the target as it was.
class OutputFile {
 public:
  // Opens `path` for writing; `inputs` are the files this run reads (names
  // that do not exist are ignored). Refuses, changing nothing, a target the
  // rules above do not allow.
  static std::expected<OutputFile, Error> Open(const std::string& path,
                                               const std::vector<std::string>& inputs = {});

  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&& other) noexcept;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  // Appends `text`. After the first failure every later call returns it again
  // and Commit refuses.
  std::expected<void, Error> Write(std::string_view text);

  // Writes what is buffered, flushes it to disk and renames the temporary file
  // over the target (for /dev/stdout, /dev/stderr and /dev/null: writes what
  // is buffered). On failure the temporary file is removed and the target is
  // as it was. Once committed or discarded, further calls refuse.
  std::expected<void, Error> Commit();

  // Drops everything written: the temporary file is removed, the target left
  // as it was. Does nothing after Commit.
  void Discard() noexcept;

  // The name as given to Open.
  const std::string& Path() const { return given_; }

  // Whether the target is one of the three names written in place.
  bool InPlace() const { return tmp_.empty(); }

 private:
  OutputFile() = default;
  std::expected<void, Error> Flush();
  std::unexpected<Error> Failure(int err) const;
  void Close() noexcept;

  std::string given_;   // the name as given, for messages
  std::string target_;  // the file the rename replaces (a link resolved)
  std::string tmp_;     // the temporary file; empty when written in place
  std::string buffer_;  // text not yet written to fd_
  int fd_ = -1;
  int slot_ = -1;       // the temporary file's slot in the clean-up registry
  int error_ = 0;       // errno of the first failed write
  bool done_ = true;    // committed, discarded, or moved from
};

// Removes every temporary file of a live OutputFile of this process.
// Async-signal-safe: only atomics, getpid and unlink.
void RemoveTemporaryOutputFiles() noexcept;

// Installs handlers for SIGINT, SIGTERM and SIGHUP that remove the live
// temporary files and then end the program by the same signal with its
// default action. A signal whose disposition is not the default (ignored, as
// under nohup, or handled by someone else, as Python's SIGINT) is left alone.
// Safe to call more than once.
void InstallOutputCleanupHandlers();

}  // namespace vantor

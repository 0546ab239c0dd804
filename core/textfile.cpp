// Sequential text files.
#include "core/textfile.h"

#include "core/output_file.h"
#include "core/text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vantor {

std::expected<std::string, Error> ReadWholeFile(const std::string& path, size_t maxBytes) {
  // Opened without blocking, so that a FIFO with no writer (or a device that
  // waits) cannot stop the program; only a regular file is then read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return Refuse("Cannot open " + QuotedName(path) + ": " + SystemErrorText(errno) + ".");
  struct stat st{};
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    return Refuse("Cannot open " + QuotedName(path) + ": " + SystemErrorText(err) + ".");
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return Refuse("Cannot open " + QuotedName(path) + ": " +
                  (S_ISDIR(st.st_mode) ? "it is a folder, not a file."
                                       : "it is not a regular file (a pipe, a socket or a "
                                         "device), and only files are read."));
  }
  const auto tooLarge = [&path, maxBytes] {
    return Refuse("Cannot read " + QuotedName(path) + ": it is larger than " +
                  std::to_string(maxBytes / (1024 * 1024)) + " MiB.");
  };
  if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
    ::close(fd);
    return tooLarge();
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::string out;
  out.reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buf, sizeof buf);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      ::close(fd);
      return Refuse("Cannot read " + QuotedName(path) + ": a read error occurred.");
    }
    if (got == 0) break;
    if (out.size() + static_cast<size_t>(got) > maxBytes) {
      ::close(fd);
      return tooLarge();
    }
    out.append(buf, static_cast<size_t>(got));
  }
  ::close(fd);
  return out;
}

std::vector<std::string_view> SplitLines(std::string_view text, size_t maxLines) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size() && lines.size() < maxLines; ++i) {
    const char c = text[i];
    if (c == '\n' || c == '\r') {
      lines.push_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < text.size() && lines.size() < maxLines) lines.push_back(text.substr(start));
  return lines;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (size_t i = 0; i <= line.size(); ++i) {
    if (i == line.size() || line[i] == ',') {
      fields.push_back(line.substr(start, i - start));
      start = i + 1;
    }
  }
  return fields;
}

std::string_view TrimBlanks(std::string_view field) {
  while (!field.empty() && (field.front() == ' ' || field.front() == '\t')) field.remove_prefix(1);
  while (!field.empty() && (field.back() == ' ' || field.back() == '\t')) field.remove_suffix(1);
  return field;
}

bool IsBlankLine(std::string_view line) { return TrimBlanks(line).empty(); }

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa{}, sb{};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

std::expected<void, Error> WriteFileAtomically(const std::string& path, std::string_view text,
                                               const std::vector<std::string>& inputs) {
  auto out = OutputFile::Open(path, inputs);
  if (!out) return std::unexpected(out.error());
  if (auto w = out->Write(text); !w) return w;
  return out->Commit();
}

}  // namespace vantor

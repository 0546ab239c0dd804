// Sequential text files.
#include "core/textfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vantor {

bool ReadWholeFile(const std::string& path, std::string& text, std::string& error,
                   size_t maxBytes) {
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) {
    error = "Cannot open \"" + path + "\": " + std::strerror(errno) + ".";
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    error = "Cannot open \"" + path + "\": it is a folder, not a file.";
    return false;
  }
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    error = "Cannot open \"" + path + "\": " + std::strerror(errno) + ".";
    return false;
  }
  std::string out;
  char buf[65536];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) {
    if (out.size() + got > maxBytes) {
      std::fclose(f);
      error = "Cannot read \"" + path + "\": it is larger than " +
              std::to_string(maxBytes / (1024 * 1024)) + " MiB.";
      return false;
    }
    out.append(buf, got);
  }
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) {
    error = "Cannot read \"" + path + "\": a read error occurred.";
    return false;
  }
  text = std::move(out);
  return true;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n' || c == '\r') {
      lines.push_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
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

bool WriteFileAtomically(const std::string& path, std::string_view text, std::string& error) {
  // A fresh temporary name of our own (created exclusively, never through a
  // link) beside the target, so that no file of the user's is touched but the
  // target itself when the rename replaces it.
  std::string tmp = path + ".XXXXXX";
  const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
  if (fd >= 0) ::fchmod(fd, 0644);
  if (fd < 0) {
    error = "Cannot write \"" + path + "\": " + std::strerror(errno) + ".";
    return false;
  }
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = "Cannot write \"" + path + "\": " + std::strerror(errno) + ".";
      ::close(fd);
      ::unlink(tmp.c_str());
      return false;
    }
    done += static_cast<size_t>(n);
  }
  const bool synced = ::fsync(fd) == 0;
  const int syncErrno = errno;
  const bool closed = ::close(fd) == 0;
  if (!synced || !closed) {
    if (!synced) errno = syncErrno;
    error = "Cannot write \"" + path + "\": " + std::strerror(errno) + ".";
    ::unlink(tmp.c_str());
    return false;
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    error = "Cannot write \"" + path + "\": " + std::strerror(errno) + ".";
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

}  // namespace vantor

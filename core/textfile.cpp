// Sequential text files.
#include "core/textfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vantor {

std::expected<std::string, Error> ReadWholeFile(const std::string& path, size_t maxBytes) {
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) {
    return Refuse("Cannot open \"" + path + "\": " + std::strerror(errno) + ".");
  }
  if (S_ISDIR(st.st_mode)) {
    return Refuse("Cannot open \"" + path + "\": it is a folder, not a file.");
  }
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    return Refuse("Cannot open \"" + path + "\": " + std::strerror(errno) + ".");
  }
  std::string out;
  char buf[65536];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) {
    if (out.size() + got > maxBytes) {
      std::fclose(f);
      return Refuse("Cannot read \"" + path + "\": it is larger than " +
                    std::to_string(maxBytes / (1024 * 1024)) + " MiB.");
    }
    out.append(buf, got);
  }
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return Refuse("Cannot read \"" + path + "\": a read error occurred.");
  return out;
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

std::expected<void, Error> WriteFileAtomically(const std::string& path, std::string_view text) {
  // Every failure reads "Cannot write <path>: <the system's reason>."; errno
  // is taken at the call that failed, before any clean-up can change it.
  const auto cannotWrite = [&path](int err) {
    return Refuse("Cannot write \"" + path + "\": " + std::strerror(err) + ".");
  };
  // A fresh temporary name of our own (created exclusively, never through a
  // link) beside the target, so that no file of the user's is touched but the
  // target itself when the rename replaces it.
  std::string tmp = path + ".XXXXXX";
  const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
  if (fd >= 0) ::fchmod(fd, 0644);
  if (fd < 0) return cannotWrite(errno);
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int writeErrno = errno;
      ::close(fd);
      ::unlink(tmp.c_str());
      return cannotWrite(writeErrno);
    }
    done += static_cast<size_t>(n);
  }
  const bool synced = ::fsync(fd) == 0;
  const int syncErrno = errno;
  const bool closed = ::close(fd) == 0;
  if (!synced || !closed) {
    const int err = synced ? errno : syncErrno;
    ::unlink(tmp.c_str());
    return cannotWrite(err);
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    const int renameErrno = errno;
    ::unlink(tmp.c_str());
    return cannotWrite(renameErrno);
  }
  return {};
}

}  // namespace vantor

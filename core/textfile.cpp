// Sequential text files.
#include "core/textfile.h"

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
  if (fd < 0) return Refuse("Cannot open \"" + path + "\": " + std::strerror(errno) + ".");
  struct stat st{};
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    return Refuse("Cannot open \"" + path + "\": " + std::strerror(err) + ".");
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return Refuse("Cannot open \"" + path + "\": " +
                  (S_ISDIR(st.st_mode) ? "it is a folder, not a file."
                                       : "it is not a regular file (a pipe, a socket or a "
                                         "device), and only files are read."));
  }
  const auto tooLarge = [&path, maxBytes] {
    return Refuse("Cannot read \"" + path + "\": it is larger than " +
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
      return Refuse("Cannot read \"" + path + "\": a read error occurred.");
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

namespace {

// Writes all of `text` to `fd`; 0, or the errno of the write that failed.
int WriteAll(int fd, std::string_view text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace

std::expected<void, Error> WriteFileAtomically(const std::string& given, std::string_view text) {
  // Every failure reads "Cannot write <path>: <the system's reason>."; errno
  // is taken at the call that failed, before any clean-up can change it.
  const auto cannotWrite = [&given](int err) {
    return Refuse("Cannot write \"" + given + "\": " + std::strerror(err) + ".");
  };
  // What the name stands for decides how it is written. A symbolic link is
  // followed: the file it points to is replaced, the link stays a link.
  std::string path = given;
  struct stat target{};
  bool exists = ::stat(given.c_str(), &target) == 0;
  if (!exists && errno != ENOENT) return cannotWrite(errno);
  struct stat link{};
  if (::lstat(given.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    if (!exists) {
      return Refuse("Cannot write \"" + given +
                    "\": it is a symbolic link to a file that does not exist.");
    }
    if (S_ISREG(target.st_mode)) {
      char* real = ::realpath(given.c_str(), nullptr);
      if (real == nullptr) return cannotWrite(errno);
      path = real;
      std::free(real);
    }
  }
  if (exists && S_ISDIR(target.st_mode)) return cannotWrite(EISDIR);
  if (exists && !S_ISREG(target.st_mode)) {
    // A device, a pipe or a socket is never replaced by a file: it is written
    // directly (without waiting for a reader), and its error is reported.
    const int fd = ::open(given.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return cannotWrite(errno);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const int err = WriteAll(fd, text);
    const bool closed = ::close(fd) == 0;
    if (err != 0) return cannotWrite(err);
    if (!closed) return cannotWrite(errno);
    return {};
  }
  // A read-only file is the user's decision: it is left as it is (also
  // for root, who could write it anyway).
  if (exists && (target.st_mode & 0222) == 0) {
    return Refuse("Cannot write \"" + given + "\": the file is read-only; it was left as it is.");
  }
  // A fresh temporary name of our own (created exclusively, never through a
  // link) beside the target, so that no file of the user's is touched but the
  // target itself when the rename replaces it. The new file takes the old
  // one's mode and, where allowed, its owner and group.
  std::string tmp = path + ".XXXXXX";
  const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
  if (fd < 0) return cannotWrite(errno);
  if (exists) {
    (void)!::fchown(fd, target.st_uid, target.st_gid);
    ::fchmod(fd, target.st_mode & 07777);
  } else {
    ::fchmod(fd, 0644);
  }
  if (const int err = WriteAll(fd, text); err != 0) {
    ::close(fd);
    ::unlink(tmp.c_str());
    return cannotWrite(err);
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

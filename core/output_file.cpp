// The output-file rules and the registry of live temporary files.
#include "core/output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "core/text.h"

namespace vantor {
namespace {

// ---------------------------------------------------------------------------
// The registry of temporary files a signal handler removes. A fixed table of
// slots, each a path and the process that made it; a slot is claimed with a
// compare-and-swap and published (kLive) only once its path is complete, so
// that a handler interrupting any thread reads either a whole path or none.
// The process id keeps a forked child's handler off its parent's files.

constexpr int kSlots = 32;
constexpr size_t kSlotPathBytes = PATH_MAX;
enum SlotState : int { kFree = 0, kFilling = 1, kLive = 2 };

struct Slot {
  std::atomic<int> state{kFree};
  pid_t owner = 0;
  char path[kSlotPathBytes] = {};
};

std::array<Slot, kSlots> gSlots;
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free atomics");

// Claims a slot for `path`; -1 when the path is too long or every slot is taken.
int RegisterTemporary(const std::string& path) {
  if (path.size() + 1 > kSlotPathBytes) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (!gSlots[i].state.compare_exchange_strong(expected, kFilling)) continue;
    std::memcpy(gSlots[i].path, path.c_str(), path.size() + 1);
    gSlots[i].owner = ::getpid();
    gSlots[i].state.store(kLive, std::memory_order_release);
    return i;
  }
  return -1;
}

void ReleaseTemporary(int slot) {
  if (slot >= 0) gSlots[slot].state.store(kFree, std::memory_order_release);
}

// A fresh name beside `target`: target + "." + six random letters and digits,
// or, for a name too long to take seven more bytes, ".vantor." and the six
// characters in the same folder.
std::string TemporaryName(const std::string& target) {
  static constexpr char kChars[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char random[6] = {};
  if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
    // Without the kernel's randomness, the clock and a counter still give
    // names that O_EXCL then proves fresh.
    static std::atomic<unsigned> counter{0};
    const unsigned long seed = static_cast<unsigned long>(::time(nullptr)) * 2654435761u +
                               static_cast<unsigned long>(::getpid()) * 40503u + counter++;
    for (size_t i = 0; i < sizeof random; ++i) random[i] = static_cast<unsigned char>(seed >> (i * 5));
  }
  std::string suffix = ".";
  for (const unsigned char r : random) suffix += kChars[r % (sizeof kChars - 1)];
  const size_t slash = target.rfind('/');
  const size_t nameLength = target.size() - (slash == std::string::npos ? 0 : slash + 1);
  if (nameLength + suffix.size() <= NAME_MAX) return target + suffix;
  return target.substr(0, slash == std::string::npos ? 0 : slash + 1) + ".vantor" + suffix;
}

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

// What a file that is not a regular file is, for a refusal.
const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a pipe (FIFO)";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a regular file";
}

// Which of the names written in place `path` is: 1 or 2 for the standard
// output or error (their descriptor), 0 for /dev/null, -1 for none.
int InPlaceName(const std::string& path) {
  const std::string normal = std::filesystem::path(path).lexically_normal().string();
  if (normal == "/dev/stdout") return STDOUT_FILENO;
  if (normal == "/dev/stderr") return STDERR_FILENO;
  if (normal == "/dev/null") return 0;
  return -1;
}

constexpr size_t kBufferBytes = 64 * 1024;

void RemoveAndReraise(int sig) {
  RemoveTemporaryOutputFiles();
  struct sigaction dfl{};
  dfl.sa_handler = SIG_DFL;
  ::sigemptyset(&dfl.sa_mask);
  ::sigaction(sig, &dfl, nullptr);
  ::raise(sig);  // delivered with the default action once the handler returns
}

}  // namespace

void RemoveTemporaryOutputFiles() noexcept {
  const pid_t self = ::getpid();
  for (Slot& slot : gSlots) {
    if (slot.state.load(std::memory_order_acquire) == kLive && slot.owner == self) {
      ::unlink(slot.path);
    }
  }
}

void InstallOutputCleanupHandlers() {
  for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction old{};
    if (::sigaction(sig, nullptr, &old) != 0) continue;
    if ((old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL) continue;
    struct sigaction act{};
    act.sa_handler = RemoveAndReraise;
    ::sigemptyset(&act.sa_mask);
    for (const int other : {SIGINT, SIGTERM, SIGHUP}) ::sigaddset(&act.sa_mask, other);
    ::sigaction(sig, &act, nullptr);
  }
}

namespace {

std::unexpected<Error> CannotWrite(const std::string& shown, const std::string& why) {
  return Refuse("Cannot write " + shown + ": " + why);
}

std::unexpected<Error> CannotWriteErrno(const std::string& shown, int err) {
  return CannotWrite(shown, SystemErrorText(err) + ".");
}

// The input among `inputs` that is the file `st` describes, by device and
// inode, whichever name reaches it; null for none.
const std::string* InputThatIs(const std::vector<std::string>& inputs, const struct stat& st) {
  for (const std::string& input : inputs) {
    struct stat in{};
    if (::stat(input.c_str(), &in) == 0 && in.st_dev == st.st_dev && in.st_ino == st.st_ino) {
      return &input;
    }
  }
  return nullptr;
}

std::unexpected<Error> IsAnInput(const std::string& shown, const std::string& input) {
  return CannotWrite(shown, "it is the input light curve " + QuotedName(input) + "; choose another output file.");
}

// A descriptor for a name written in place (InPlaceName's `which`): a
// duplicate of the standard output or error, or /dev/null opened; refused
// when it reaches an input.
std::expected<int, Error> OpenInPlace(int which, const std::vector<std::string>& inputs, const std::string& shown) {
  const int fd = which == 0 ? ::open("/dev/null", O_WRONLY | O_NOCTTY | O_CLOEXEC)
                            : ::fcntl(which, F_DUPFD_CLOEXEC, 3);
  if (fd < 0) return CannotWriteErrno(shown, errno);
  struct stat st{};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    if (const std::string* input = InputThatIs(inputs, st)) {
      ::close(fd);
      return IsAnInput(shown, *input);
    }
  }
  return fd;
}

// The file the rename will replace: `path`, or the file a symbolic link
// names, as an absolute name; and the file already there, if any.
struct Target {
  std::string path;
  bool exists = false;
  struct stat st{};
};

// Refuses what is not a regular file, an input, a read-only file, one the
// user may not write and a link to nothing.
std::expected<Target, Error> ResolveTarget(const std::string& path, const std::vector<std::string>& inputs,
                                           const std::string& shown) {
  Target t;
  struct stat link{};
  const bool named = ::lstat(path.c_str(), &link) == 0;
  if (!named && errno != ENOENT) return CannotWriteErrno(shown, errno);
  t.exists = ::stat(path.c_str(), &t.st) == 0;
  if (!t.exists && errno != ENOENT) return CannotWriteErrno(shown, errno);
  const bool isLink = named && S_ISLNK(link.st_mode);
  t.path = path;
  if (t.exists) {
    if (!S_ISREG(t.st.st_mode)) {
      return CannotWrite(shown, std::string("it is ") + KindOf(t.st.st_mode) +
                                    (isLink ? " (through a symbolic link)" : "") +
                                    ", and only regular files are written (or /dev/stdout, /dev/stderr, "
                                    "/dev/null).");
    }
    if (const std::string* input = InputThatIs(inputs, t.st)) return IsAnInput(shown, *input);
    // A read-only file is the user's decision: it is left as it is (also for
    // root, who could write it anyway); so is one the user may not write.
    if ((t.st.st_mode & 0222) == 0) return CannotWrite(shown, "the file is read-only; it was left as it is.");
    if (::access(path.c_str(), W_OK) != 0) return CannotWriteErrno(shown, errno);
    if (isLink) {
      char* real = ::realpath(path.c_str(), nullptr);
      if (real == nullptr) return CannotWriteErrno(shown, errno);
      t.path = real;
      std::free(real);
    }
  } else if (isLink) {
    return CannotWrite(shown, "it is a symbolic link to a file that does not exist.");
  }
  // The registry keeps absolute names, so that a signal handler finds the
  // temporary file whatever the working folder has become since.
  if (t.path.front() != '/') {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(t.path, ec);
    if (ec) return CannotWriteErrno(shown, ec.value());
    t.path = absolute.string();
  }
  return t;
}

// The temporary file beside the target, open for writing, and its slot in
// the clean-up registry.
struct Temporary {
  std::string path;
  int slot = -1;
  int fd = -1;
};

// A fresh name of our own, created exclusively (never through a link), so
// that no file of the user's is touched but the target when the rename
// replaces it. Registered before it exists, so that no signal can come
// between its creation and its registration.
std::expected<Temporary, Error> CreateTemporary(const std::string& target, const std::string& shown) {
  Temporary t;
  for (int attempt = 0;; ++attempt) {
    t.path = TemporaryName(target);
    t.slot = RegisterTemporary(t.path);
    if (t.slot < 0) {
      return CannotWrite(shown, t.path.size() + 1 > kSlotPathBytes ? "the name is too long."
                                                                   : "too many files are being written at once.");
    }
    t.fd = ::open(t.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (t.fd >= 0) return t;
    const int err = errno;
    ReleaseTemporary(t.slot);
    if (err != EEXIST || attempt == 100) return CannotWriteErrno(shown, err);
  }
}

}  // namespace

std::expected<OutputFile, Error> OutputFile::Open(const std::string& path,
                                                  const std::vector<std::string>& inputs) {
  const std::string shown = QuotedName(path);
  if (path.empty()) return Refuse("Cannot write a file without a name.");
  OutputFile out;
  out.given_ = path;
  if (const int which = InPlaceName(path); which >= 0) {
    const auto fd = OpenInPlace(which, inputs, shown);
    if (!fd) return std::unexpected(fd.error());
    out.fd_ = *fd;
    out.done_ = false;
    return out;
  }
  const auto target = ResolveTarget(path, inputs, shown);
  if (!target) return std::unexpected(target.error());
  out.target_ = target->path;
  auto tmp = CreateTemporary(out.target_, shown);
  if (!tmp) return std::unexpected(tmp.error());
  out.tmp_ = std::move(tmp->path);
  out.slot_ = tmp->slot;
  out.fd_ = tmp->fd;
  out.done_ = false;
  if (target->exists) {
    (void)!::fchown(out.fd_, target->st.st_uid, target->st.st_gid);
    ::fchmod(out.fd_, target->st.st_mode & 07777);
  }
  return out;
}

OutputFile::OutputFile(OutputFile&& other) noexcept { *this = std::move(other); }

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this == &other) return *this;
  Discard();
  given_ = std::move(other.given_);
  target_ = std::move(other.target_);
  tmp_ = std::move(other.tmp_);
  buffer_ = std::move(other.buffer_);
  fd_ = std::exchange(other.fd_, -1);
  slot_ = std::exchange(other.slot_, -1);
  error_ = std::exchange(other.error_, 0);
  done_ = std::exchange(other.done_, true);
  other.tmp_.clear();
  other.buffer_.clear();
  return *this;
}

OutputFile::~OutputFile() { Discard(); }

std::unexpected<Error> OutputFile::Failure(int err) const {
  return Refuse("Cannot write " + QuotedName(given_) + ": " + SystemErrorText(err) + ".");
}

std::expected<void, Error> OutputFile::Flush() {
  if (error_ == 0 && !buffer_.empty()) error_ = WriteAll(fd_, buffer_);
  buffer_.clear();
  if (error_ != 0) return Failure(error_);
  return {};
}

std::expected<void, Error> OutputFile::Write(std::string_view text) {
  if (done_) return Refuse("Cannot write " + QuotedName(given_) + ": it is already closed.");
  if (error_ != 0) return Failure(error_);
  if (buffer_.size() + text.size() < kBufferBytes) {
    buffer_.append(text);
    return {};
  }
  if (auto f = Flush(); !f) return f;
  if (text.size() >= kBufferBytes) {
    error_ = WriteAll(fd_, text);
    if (error_ != 0) return Failure(error_);
  } else {
    buffer_.append(text);
  }
  return {};
}

void OutputFile::Close() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::expected<void, Error> OutputFile::Commit() {
  if (done_) return Refuse("Cannot write " + QuotedName(given_) + ": it is already closed.");
  auto flushed = Flush();
  if (InPlace()) {
    // A pipe, a terminal or /dev/null: nothing to sync or rename; only the
    // descriptor of our own is closed (standard output stays open).
    const bool closed = ::close(std::exchange(fd_, -1)) == 0;
    const int closeErrno = errno;
    done_ = true;
    if (!flushed) return flushed;
    if (!closed && closeErrno != EINTR) return Failure(closeErrno);
    return {};
  }
  if (!flushed) {
    Discard();
    return flushed;
  }
  const bool synced = ::fsync(fd_) == 0;
  const int syncErrno = errno;
  const bool closed = ::close(std::exchange(fd_, -1)) == 0;
  const int closeErrno = errno;
  if (!synced || !closed) {
    Discard();
    return Failure(synced ? closeErrno : syncErrno);
  }
  if (::rename(tmp_.c_str(), target_.c_str()) != 0) {
    const int err = errno;
    Discard();
    return Failure(err);
  }
  // Released only after the rename: a signal in between finds the old name
  // gone, and unlink does nothing.
  ReleaseTemporary(std::exchange(slot_, -1));
  tmp_.clear();
  done_ = true;
  return {};
}

void OutputFile::Discard() noexcept {
  Close();
  if (!done_ && !tmp_.empty()) ::unlink(tmp_.c_str());
  ReleaseTemporary(std::exchange(slot_, -1));
  buffer_.clear();
  done_ = true;
}

}  // namespace vantor

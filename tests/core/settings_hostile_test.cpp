// The settings file when it cannot be written: a read-only working folder, a
// settings path that is a folder, a full disk (a small tmpfs, and a file-size
// limit that stops the write half-way), no file descriptor left. In every
// case WriteSettings refuses with a sentence for the user, leaves no
// temporary file behind, and the good settings file of the previous run is
// still there, byte for byte. Limits and identities are changed in a child
// process only, so the test program itself keeps running normally.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "core/settings.h"

namespace vantor {
namespace {

// Whether a temporary file of a settings write (the name, a dot and six
// characters) was left in `dir`.
inline bool TemporaryLeftIn(const std::filesystem::path& dir, const std::string& name) {
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    const std::string f = e.path().filename().string();
    if (f.size() == name.size() + 7 && f.rfind(name + ".", 0) == 0 && f != name + ".tmp") return true;
  }
  return false;
}


namespace fs = std::filesystem;

// A store whose records all differ from the defaults.
Store Moved() {
  Store s;
  int v = 100;
  for (int16_t* f : GeometryFields(s)) *f = static_cast<int16_t>(v++);
  return s;
}

struct Outcome {
  bool written = true;  // WriteSettings succeeded
  std::string error;    // its message otherwise
};

// Runs WriteSettings(Moved(), path) in a child process after `prepare`
// (which may lower limits or drop root); false from `prepare` fails the test.
Outcome WriteInChild(const std::string& path, const std::function<bool()>& prepare) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) {
    ADD_FAILURE() << "no pipe";
    return {};
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipeFds[0]);
    if (!prepare()) ::_exit(3);
    const auto written = WriteSettings(Moved(), path);
    const std::string error = written ? std::string() : written.error().message;
    (void)!::write(pipeFds[1], error.data(), error.size());
    ::_exit(written ? 0 : 1);
  }
  ::close(pipeFds[1]);
  Outcome out;
  char buf[512];
  ssize_t n;
  while ((n = ::read(pipeFds[0], buf, sizeof buf)) > 0) out.error.append(buf, n);
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status)) << "the writing process died of signal " << WTERMSIG(status);
  EXPECT_NE(WEXITSTATUS(status), 3) << "the child could not set up the case";
  out.written = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return out;
}

class SettingsUnwritable : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vantor-unwritable-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / kSettingsFileName).string();
  }
  void TearDown() override {
    if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
    fs::permissions(dir_, fs::perms::owner_all);
    fs::remove_all(dir_);
  }
  // The good file a previous run left.
  void WriteGoodFile() {
    const auto written = WriteSettings(Store{}, path_);
    ASSERT_TRUE(written.has_value()) << written.error().message;
    good_ = ReadBack();
  }
  std::string ReadBack() const {
    std::ifstream f(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
  void ExpectRefusedAndKept(const Outcome& out, const std::string& reason) {
    EXPECT_FALSE(out.written);
    EXPECT_NE(out.error.find("Cannot write"), std::string::npos) << out.error;
    EXPECT_NE(out.error.find(reason), std::string::npos) << out.error;
    EXPECT_EQ(ReadBack(), good_);
    EXPECT_FALSE(TemporaryLeftIn(dir_, fs::path(path_).filename().string()));
  }

  fs::path dir_;
  std::string path_, good_;
  bool mounted_ = false;
};

TEST_F(SettingsUnwritable, ReadOnlyWorkingFolder) {
  WriteGoodFile();
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                            fs::perms::group_exec | fs::perms::others_read |
                            fs::perms::others_exec);
  // The program writes "zzzvnt.ini" in its working folder. Root ignores
  // folder permissions, so a root test drops to the user nobody first.
  const Outcome out = WriteInChild(kSettingsFileName, [this] {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return false;
    return ::chdir(dir_.c_str()) == 0;
  });
  fs::permissions(dir_, fs::perms::owner_all);
  ExpectRefusedAndKept(out, "Permission denied");
}

TEST_F(SettingsUnwritable, SettingsPathThatIsAFolder) {
  fs::create_directories(path_);
  const auto intoFolder = WriteSettings(Moved(), path_);
  ASSERT_FALSE(intoFolder.has_value());
  EXPECT_NE(intoFolder.error().message.find("Cannot write"), std::string::npos)
      << intoFolder.error().message;
  EXPECT_TRUE(fs::is_directory(path_));
  EXPECT_FALSE(TemporaryLeftIn(dir_, fs::path(path_).filename().string()));
  // A file or folder that happens to carry a temporary-looking name is not
  // touched: the write takes a fresh name of its own.
  fs::remove(path_);
  WriteGoodFile();
  fs::create_directories(path_ + ".tmp");
  const auto beside = WriteSettings(Moved(), path_);
  EXPECT_TRUE(beside.has_value()) << beside.error().message;
  EXPECT_TRUE(fs::is_directory(path_ + ".tmp"));
  EXPECT_EQ(ReadBack(), SettingsText(Moved()));
}

TEST_F(SettingsUnwritable, WriteStoppedHalfWayByAFileSizeLimit) {
  WriteGoodFile();
  // 60 bytes of the 142 go out, then the write fails (EFBIG) as on a full disk.
  const Outcome out = WriteInChild(path_, [] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{60, 60};
    return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  });
  ExpectRefusedAndKept(out, "File too large");
}

TEST_F(SettingsUnwritable, NoFileDescriptorLeft) {
  WriteGoodFile();
  // No new file descriptor at all; the ones already open stay usable.
  const Outcome out = WriteInChild(path_, [] {
    const rlimit limit{0, 0};
    return ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
  });
  ExpectRefusedAndKept(out, "Too many open files");
}

TEST_F(SettingsUnwritable, FullDisk) {
  // A tmpfs of two pages, filled up after the good file. Mounting needs
  // root (CI runs as root).
  if (::mount("tmpfs", dir_.c_str(), "tmpfs", 0, "size=8k") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs here (not root)";
  }
  mounted_ = true;
  WriteGoodFile();
  // Fill whatever room is left.
  {
    std::ofstream filler(dir_ / "filler", std::ios::binary);
    const std::string block(512, 'x');
    for (int i = 0; i < 64 && filler; ++i) filler << block << std::flush;
  }
  const auto written = WriteSettings(Moved(), path_);
  ExpectRefusedAndKept({written.has_value(), written ? std::string() : written.error().message},
                       "No space left on device");
}

}  // namespace
}  // namespace vantor

// Files that are not what they seem: text in a wide encoding or with NUL and
// control bytes, a doubled sign, special files (FIFO, device) where a light
// curve or the settings file is read or written, and written files whose
// mode, read-only state or symbolic link must survive a replacement; every
// kind of output target under the output-file rules, and a writer ended by a
// signal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <map>
#include <fstream>
#include <iterator>
#include <string>

#include "core/output_file.h"
#include "core/reader.h"
#include "core/settings.h"
#include "core/textfile.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

struct BadText {
  std::string text;
  const char* messagePart;
  int line;
};

TEST(ReadLightCurveText, WideEncodingsControlBytesAndDoubledSignsAreRefusedReadably) {
  const std::string ok = "HJD,V-C\n2459812.35,0.30\n2459812.36,0.45\n2459812.37,0.61\n";
  const BadText cases[] = {
      // "+-0.3465" used to read as -0.3465 and flip the point.
      {"HJD,V\n2459812.35,+-0.3465\n2459812.36,0.4\n", "\"+-0.3465\" is not a number", 2},
      {"HJD,V\n2459812.35,-+0.3465\n2459812.36,0.4\n", "\"-+0.3465\" is not a number", 2},
      {"HJD,V\n+2459812.35,++0.3\n2459812.36,0.4\n", "\"++0.3\" is not a number", 2},
      // Bytes that are not printable ASCII are shown escaped, never raw.
      {"HJD,V\n2459812.35700\xA0,0.3\n2459812.36,0.4\n", "\"2459812.35700\\xA0\" is not a number", 2},
      {"HJD,V\n2459812.3,0.3\n2459812.36\f,0.4\n", "\"2459812.36\\x0C\" is not a number", 3},
      {"HJD,V\n2459812.3,0.3\n\x1B[2J2459812.4,0.4\n", "\"\\x1B[2J2459812.4\" is not a number", 3},
      // Wide encodings, with and without a byte-order mark.
      {"\xFF\xFEH\0J\0D\0,\0V\0\n\0"s, "This file is UTF-16: save it as UTF-8 or ASCII.", 0},
      {"\xFE\xFF\0H\0J\0D\0,\0V\0\n"s, "This file is UTF-16: save it as UTF-8 or ASCII.", 0},
      {"\xFF\xFE\0\0H\0\0\0,\0\0\0V\0\0\0"s, "This file is UTF-32: save it as UTF-8 or ASCII.", 0},
      {"2\0004\0005\0,\0001\0\n\0002\0004\0005\0,\0002\0\n\0"s,
       "This file is UTF-16: save it as UTF-8 or ASCII.", 0},
      // Lines ending in LF CR used to be refused as "not comma separated".
      {"HJD,V\n\r2459812.35,0.3\n\r2459812.36,0.4\n\r", "end in LF CR", 0},
      // A single NUL byte in an ordinary file: its line and byte.
      {ok + "2459812.38,0.5\0\n"s, "Line 5 holds a NUL byte (byte 71 of the file)", 5},
  };
  for (const BadText& c : cases) {
    Store s;
    ASSERT_TRUE(ReadLightCurveText(s, ok).has_value());
    const Store before = s;
    const ReadResult r = ReadLightCurveText(s, c.text);
    ASSERT_FALSE(r.has_value()) << c.messagePart;
    EXPECT_NE(r.error().message.find(c.messagePart), std::string::npos) << r.error().message;
    EXPECT_EQ(r.error().line, c.line) << r.error().message;
    for (const char ch : r.error().message) {
      EXPECT_TRUE(ch >= 0x20 && ch < 0x7F) << "raw byte in: " << r.error().message;
    }
    EXPECT_TRUE(s == before);
  }
  // One sign in front is still a number.
  Store s;
  ASSERT_TRUE(ReadLightCurveText(s, "HJD,V\n+2459812.35,+0.3\n2459812.36,-0.4\n").has_value());
  EXPECT_EQ(s.MagRaw[1], 0.3);
}

TEST(ReadLightCurveText, LongFilesAreReadInLittleMoreMemoryThanTheirSize) {
  // Sixteen MiB of newlines used to take 283 MB (a view of every empty
  // line). Measured in a child process: the growth of its peak memory.
  const pid_t pid = ::fork();
  if (pid == 0) {
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    const std::string text(16 * 1024 * 1024 - 1, '\n');
    Store s;
    const ReadResult r = ReadLightCurveText(s, text);
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    const long grownKiB = after.ru_maxrss - before.ru_maxrss;
    ::_exit(!r.has_value() && r.error().message == kNotCsvMessage && grownKiB < 64 * 1024 ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "more than 64 MiB, or not refused";

  // What only the first lines and the end decide stays as it was.
  const std::string obs = "2459812.35,0.30\n";
  std::string thousand = "HJD,V\n";
  for (int i = 0; i < 1000; ++i) thousand += obs;
  Store s;
  EXPECT_TRUE(ReadLightCurveText(s, thousand + std::string(100000, '\n') + " \t\r\n").has_value());
  EXPECT_EQ(s.NPointsAll, 1000);
  const ReadResult more = ReadLightCurveText(s, thousand + obs + std::string(100000, '\n'));
  ASSERT_FALSE(more.has_value());
  EXPECT_EQ(more.error().line, 1002);
  // Blank lines after the thousandth observation with one more behind them.
  const ReadResult gap = ReadLightCurveText(s, thousand + "\n\n" + obs);
  ASSERT_FALSE(gap.has_value());
  EXPECT_EQ(gap.error().message, "Line 1002 is blank. Observations must follow one another without blank lines.");
  for (const char* blankSecond : {"HJD,V\n\n\n", "1,2\n  \n", "\n\n"}) {
    const ReadResult r = ReadLightCurveText(s, blankSecond);
    ASSERT_FALSE(r.has_value());
    EXPECT_EQ(r.error().message, kNotCsvMessage) << blankSecond;
  }
}

class SpecialFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vantor-special-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string Text(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
  static void Put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  fs::path dir_;
};

TEST_F(SpecialFiles, AFifoIsRefusedAtOnceAsLightCurveAndAsSettingsFile) {
  // With no writer, opening a FIFO for reading used to wait for ever.
  const std::string fifo = Path("zzzvnt.ini");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  Store s;
  s.DataFilePath = fifo;
  const ReadResult r = ReadLightCurve(s);
  ASSERT_FALSE(r.has_value());
  EXPECT_NE(r.error().message.find("not a regular file"), std::string::npos) << r.error().message;

  Store settings;
  for (int16_t* f : GeometryFields(settings)) *f = 1234;
  EXPECT_FALSE(ReadSettings(settings, fifo));
  EXPECT_EQ(GeometryValues(settings), GeometryValues(Store{}));
  // /dev/null is a device, not a file: refused the same way.
  EXPECT_FALSE(ReadWholeFile("/dev/null").has_value());
}

TEST_F(SpecialFiles, ReplacedFilesKeepTheirModeLinksStayLinksReadOnlyIsLeftAlone) {
  struct Case {
    const char* name;
    mode_t mode;
    bool replaced;
  };
  for (const Case c : {Case{"private.csv", 0600, true}, Case{"shared.csv", 0664, true},
                       Case{"readonly.csv", 0444, false}, Case{"locked.csv", 0400, false}}) {
    const std::string path = Path(c.name);
    Put(path, "old\n");
    ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
    const auto w = WriteFileAtomically(path, "new\n");
    EXPECT_EQ(w.has_value(), c.replaced) << c.name;
    if (!w) {
      EXPECT_NE(w.error().message.find("read-only"), std::string::npos) << w.error().message;
    }
    EXPECT_EQ(Text(path), c.replaced ? "new\n" : "old\n") << c.name;
    struct stat st{};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, c.mode) << c.name;
  }
  // A symbolic link (the settings file too): the file it points to is
  // replaced, the link stays.
  const std::string real = Path("real.ini"), link = Path(kSettingsFileName);
  Put(real, "old\n");
  fs::create_symlink(real, link);
  ASSERT_TRUE(WriteSettings(Store{}, link).has_value());
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Text(real), SettingsText(Store{}));
  // A link to nothing is not turned into a file.
  const std::string dangling = Path("dangling.csv");
  fs::create_symlink(Path("missing.csv"), dangling);
  EXPECT_FALSE(WriteFileAtomically(dangling, "x").has_value());
  EXPECT_TRUE(fs::is_symlink(dangling));
}

// Every kind of target an output file can name, and what the rules do with
// it: written (and how), or refused with which words, the target unchanged.
struct TargetCase {
  const char* kind;
  // Makes the target in `dir` (with the input "input.csv" beside it) and
  // returns the name to write.
  std::string (*make)(const fs::path& dir);
  const char* refusal;  // nullptr: written
};

std::string Made(const fs::path& p) { return p.string(); }

const TargetCase kTargets[] = {
    {"new file", [](const fs::path& d) { return Made(d / "new.csv"); }, nullptr},
    {"regular file", [](const fs::path& d) {
       std::ofstream(d / "old.csv") << "old\n";
       return Made(d / "old.csv");
     }, nullptr},
    {"link to a regular file", [](const fs::path& d) {
       std::ofstream(d / "real.csv") << "old\n";
       fs::create_symlink(d / "real.csv", d / "link.csv");
       return Made(d / "link.csv");
     }, nullptr},
    {"relative link to a regular file", [](const fs::path& d) {
       fs::create_directories(d / "sub");
       std::ofstream(d / "real.csv") << "old\n";
       fs::create_symlink("../real.csv", d / "sub" / "link.csv");
       return Made(d / "sub" / "link.csv");
     }, nullptr},
    {"the input", [](const fs::path& d) { return Made(d / "." / "input.csv"); }, "is the input"},
    {"hard link to the input", [](const fs::path& d) {
       fs::create_hard_link(d / "input.csv", d / "hard.csv");
       return Made(d / "hard.csv");
     }, "is the input"},
    {"symbolic link to the input", [](const fs::path& d) {
       fs::create_symlink(d / "input.csv", d / "soft.csv");
       return Made(d / "soft.csv");
     }, "is the input"},
    {"read-only file", [](const fs::path& d) {
       std::ofstream(d / "ro.csv") << "old\n";
       fs::permissions(d / "ro.csv", fs::perms::owner_read | fs::perms::group_read);
       return Made(d / "ro.csv");
     }, "read-only"},
    {"dangling link", [](const fs::path& d) {
       fs::create_symlink(d / "nowhere.csv", d / "dangling.csv");
       return Made(d / "dangling.csv");
     }, "symbolic link to a file that does not exist"},
    {"FIFO", [](const fs::path& d) {
       ::mkfifo((d / "out.fifo").c_str(), 0644);
       return Made(d / "out.fifo");
     }, "a pipe (FIFO)"},
    {"link to a FIFO", [](const fs::path& d) {
       ::mkfifo((d / "out.fifo").c_str(), 0644);
       fs::create_symlink(d / "out.fifo", d / "fifo-link.csv");
       return Made(d / "fifo-link.csv");
     }, "a pipe (FIFO) (through a symbolic link)"},
    {"socket", [](const fs::path& d) {
       // Bound by a relative name, which fits sun_path whatever TMPDIR is.
       const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
       sockaddr_un addr{};
       addr.sun_family = AF_UNIX;
       std::strncpy(addr.sun_path, "out.sock", sizeof addr.sun_path - 1);
       const fs::path home = fs::current_path();
       fs::current_path(d);
       const int bound = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
       fs::current_path(home);
       ::close(fd);
       EXPECT_EQ(bound, 0);
       return (d / "out.sock").string();
     }, "a socket"},
    {"folder", [](const fs::path& d) {
       fs::create_directories(d / "folder.csv");
       return Made(d / "folder.csv");
     }, "a folder"},
    {"device other than the three", [](const fs::path&) { return std::string("/dev/full"); },
     "a device"},
    {"link to /dev/null", [](const fs::path& d) {
       fs::create_symlink("/dev/null", d / "null.csv");
       return Made(d / "null.csv");
     }, "a device (through a symbolic link)"},
    {"missing folder", [](const fs::path& d) { return Made(d / "no" / "such.csv"); },
     "No such file or directory"},
    {"/dev/null", [](const fs::path&) { return std::string("/dev/null"); }, nullptr},
    {"/dev/null spelt otherwise", [](const fs::path&) { return std::string("/dev/./null"); },
     nullptr},
};

// The folder's files and links, their kinds and contents, to see that a
// refusal changed nothing and a success left no temporary file.
std::map<std::string, std::string> Listing(const fs::path& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    std::string what = std::to_string(static_cast<int>(e.symlink_status().type()));
    if (e.is_regular_file() && !e.is_symlink()) {
      std::ifstream f(e.path(), std::ios::binary);
      what += ":" + std::string(std::istreambuf_iterator<char>(f), {});
      what += ":" + std::to_string(static_cast<int>(e.status().permissions()));
    }
    out[e.path().string()] = what;
  }
  return out;
}

TEST_F(SpecialFiles, EveryKindOfOutputTargetIsWrittenOrRefusedByTheRules) {
  for (const TargetCase& c : kTargets) {
    SCOPED_TRACE(c.kind);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    Put(Path("input.csv"), "HJD,V\n1,2\n");
    const std::string target = c.make(dir_);
    const auto before = Listing(dir_);
    const bool wasLink = fs::is_symlink(target);
    const auto w = WriteFileAtomically(target, "new\n", {Path("input.csv")});
    EXPECT_EQ(Text(Path("input.csv")), "HJD,V\n1,2\n");
    if (c.refusal != nullptr) {
      ASSERT_FALSE(w.has_value());
      EXPECT_EQ(w.error().message.rfind("Cannot write \"", 0), 0u) << w.error().message;
      EXPECT_NE(w.error().message.find(c.refusal), std::string::npos) << w.error().message;
      EXPECT_EQ(Listing(dir_), before) << "a refusal changed the folder";
      continue;
    }
    ASSERT_TRUE(w.has_value()) << w.error().message;
    if (target.rfind("/dev/", 0) == 0) {
      EXPECT_EQ(Listing(dir_), before);
      continue;
    }
    EXPECT_EQ(Text(target), "new\n");
    // Beside the target, one file more at most (a new one), and no temporary.
    auto after = Listing(dir_);
    after.erase(fs::weakly_canonical(target).string());
    auto expected = before;
    expected.erase(fs::weakly_canonical(target).string());
    EXPECT_EQ(after, expected);
    EXPECT_EQ(fs::is_symlink(target), wasLink) << "a link was replaced by a file";
  }
}

TEST_F(SpecialFiles, TheStandardStreamsAreWrittenInPlaceWhateverTheyAre) {
  // Standard output redirected to a file opened for appending, then to a
  // pipe: /dev/stdout writes where the descriptor stands, never replacing.
  const std::string log = Path("log.txt");
  Put(log, "first\n");
  const int saved = ::dup(STDOUT_FILENO);
  const int appending = ::open(log.c_str(), O_WRONLY | O_APPEND);
  ASSERT_GE(appending, 0);
  ::dup2(appending, STDOUT_FILENO);
  struct stat inode{};
  ::stat(log.c_str(), &inode);
  const auto toFile = WriteFileAtomically("/dev/stdout", "second\n");
  const auto toInput = WriteFileAtomically("/dev/stdout", "third\n", {log});
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::dup2(fds[1], STDOUT_FILENO);
  const auto toPipe = WriteFileAtomically("/dev/stdout", "through the pipe\n");
  ::dup2(saved, STDOUT_FILENO);
  ::close(saved);
  ::close(appending);
  ::close(fds[1]);
  char got[64] = {};
  const ssize_t n = ::read(fds[0], got, sizeof got - 1);
  ::close(fds[0]);

  EXPECT_TRUE(toFile.has_value()) << toFile.error().message;
  ASSERT_FALSE(toInput.has_value());
  EXPECT_NE(toInput.error().message.find("is the input"), std::string::npos);
  EXPECT_EQ(Text(log), "first\nsecond\n");
  struct stat still{};
  ::stat(log.c_str(), &still);
  EXPECT_EQ(still.st_ino, inode.st_ino) << "the file was replaced, not written in place";
  EXPECT_TRUE(toPipe.has_value()) << toPipe.error().message;
  EXPECT_EQ(std::string(got, n > 0 ? static_cast<size_t>(n) : 0), "through the pipe\n");
}

TEST_F(SpecialFiles, ReplacedFileKeepsItsModeANewOneTakesTheUmask) {
  const std::string fresh = Path("fresh.csv");
  const mode_t umask = ::umask(027);
  const auto w = WriteFileAtomically(fresh, "x\n");
  ::umask(umask);
  ASSERT_TRUE(w.has_value());
  struct stat st{};
  ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(SpecialFiles, AStreamedFileAppearsOnlyWhenCommittedAndAFailedOneLeavesTheOld) {
  const std::string path = Path("table.csv");
  Put(path, "old\n");
  {
    auto out = OutputFile::Open(path);
    ASSERT_TRUE(out.has_value()) << out.error().message;
    const std::string row(1000, 'r');
    for (int i = 0; i < 200; ++i) ASSERT_TRUE(out->Write(row).has_value());  // past the buffer
    ASSERT_TRUE(out->Write(std::string(100000, 'b')).has_value());          // larger than it
    EXPECT_EQ(Text(path), "old\n");
    OutputFile moved = std::move(*out);
    ASSERT_TRUE(moved.Commit().has_value());
    EXPECT_FALSE(moved.Write("late").has_value());
  }
  EXPECT_EQ(Text(path).size(), 300000u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);

  // Dropped without Commit: the old file stays and the temporary goes.
  Put(path, "old\n");
  {
    auto out = OutputFile::Open(path);
    ASSERT_TRUE(out.has_value());
    ASSERT_TRUE(out->Write("half\n").has_value());
  }
  EXPECT_EQ(Text(path), "old\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);

  // A write that fails on the way (a file-size limit, in a child): refused
  // with the system's reason, the old file kept, no temporary left.
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    auto out = OutputFile::Open(path);
    if (!out) ::_exit(3);
    (void)out->Write(std::string(100000, 'x'));
    const auto c = out->Commit();
    ::_exit(!c && c.error().message.find("File too large") != std::string::npos ? 0 : 4);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(Text(path), "old\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(SpecialFiles, ASignalEndingAWriterLeavesNoTemporaryFile) {
  // A child writes a large file slowly under the program's handlers; the
  // signal ends it by its default action, and takes the temporary file.
  for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(sig);
    const std::string path = Path("big.csv");
    Put(path, "old\n");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(ready[0]);
      ::signal(sig, SIG_DFL);
      InstallOutputCleanupHandlers();
      // A relative name, and another working folder by the time of the
      // signal: the handler still finds the temporary file.
      if (::chdir(dir_.c_str()) != 0) ::_exit(5);
      auto out = OutputFile::Open("big.csv");
      if (!out || ::chdir("/") != 0) ::_exit(3);
      const std::string block(1 << 20, 'x');
      for (int i = 0; i < 600; ++i) {
        (void)out->Write(block);
        if (i == 1) (void)!::write(ready[1], "w", 1);
        ::usleep(50 * 1000);
      }
      ::_exit(4);  // not reached within the test's time
    }
    ::close(ready[1]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2)
        << "the temporary file is not there while writing";
    ::kill(pid, sig);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "status " << status;
    EXPECT_EQ(Text(path), "old\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1)
        << "a temporary file was left";
  }
}

}  // namespace
}  // namespace vantor

// Files that are not what they seem: text in a wide encoding or with NUL and
// control bytes, a doubled sign, special files (FIFO, device) where a light
// curve or the settings file is read or written, and written files whose
// mode, read-only state or symbolic link must survive a replacement.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

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

TEST_F(SpecialFiles, DevicesAndFifosAreWrittenDirectlyNeverReplaced) {
  // A FIFO with no reader: refused at once, not waited on, not replaced.
  const std::string fifo = Path("out.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  EXPECT_FALSE(WriteFileAtomically(fifo, "x\n").has_value());
  EXPECT_TRUE(fs::is_fifo(fifo));
  // /dev/null takes the text; a private copy of /dev/full (root only) says
  // the disk is full and stays a device.
  EXPECT_TRUE(WriteFileAtomically("/dev/null", "x\n").has_value());
  const std::string full = Path("full");
  if (::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
    GTEST_SKIP() << "cannot make a device here (not root)";
  }
  const auto w = WriteFileAtomically(full, "x\n");
  ASSERT_FALSE(w.has_value());
  EXPECT_NE(w.error().message.find("No space left on device"), std::string::npos)
      << w.error().message;
  EXPECT_TRUE(fs::is_character_file(full));
}

}  // namespace
}  // namespace vantor

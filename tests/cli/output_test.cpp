// What vantor-cli does with where it writes and what it echoes: odd bytes in
// names and fields never cost the JSON output, a failed write is never a
// success, -o follows the output-file rules (never an input, no special file
// but /dev/stdout, /dev/stderr and /dev/null, no temporary file left even on
// a signal), "-" is a file name, a FIFO is never waited on, and a log or a
// terminal gets no control characters from a file name.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "cli_runner.h"

namespace vantor::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class CliOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vantor-cli-output-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::copy_file(SourcePath("tests/data/real/CMDra7024.csv"), dir_ / "good.csv");
    good_ = Text(Path("good.csv"));
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string Text(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
  fs::path dir_;
  std::string good_;
};

TEST_F(CliOutput, JsonSurvivesBytesThatAreNotUtf8InNamesAndFields) {
  // A Latin-1 no-break space in a field, and a Latin-1 file name: the run
  // used to abort (nlohmann type_error 316) and lose every file's result.
  std::ofstream(Path("latin1.csv"), std::ios::binary)
      << "HJD,V\n2459812.35700\xA0,0.30\n2459812.36,0.45\n";
  fs::copy_file(Path("good.csv"), Path("caf\xE9.csv"));
  const CliRun batch = RunCli("batch --json '" + Path("good.csv") + "' '" + Path("latin1.csv") +
                              "' '" + Path("caf\xE9.csv") + "'");
  EXPECT_EQ(batch.status, 1) << batch.err;
  ASSERT_TRUE(json::accept(batch.out)) << batch.out;
  const json all = json::parse(batch.out);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_TRUE(all[0]["ok"].get<bool>());
  EXPECT_EQ(all[1]["message"], "Line 2, field 1 (HJD): \"2459812.35700\\xA0\" is not a number.");
  EXPECT_TRUE(all[2]["ok"].get<bool>());
  EXPECT_EQ(all[2]["file"], Path("caf\xEF\xBF\xBD.csv")) << "the odd byte is replaced by U+FFFD";

  const CliRun time = RunCli("time --json --combine '" + Path("caf\xE9.csv") + "'");
  EXPECT_EQ(time.status, 0) << time.err;
  EXPECT_TRUE(json::accept(time.out)) << time.out;
}

TEST_F(CliOutput, AFailedWriteToStandardOutputIsAnErrorNotASuccess) {
  for (const char* const given :
       {"info", "info --json", "time", "time --json", "batch", "batch --json", "batch --auto"}) {
    const std::string args = given;
    const auto space = args.find(' ');
    const std::string cmd = args.substr(0, space) + " '" + Path("good.csv") + "'" +
                            (space == std::string::npos ? "" : args.substr(space));
    const CliRun run = RunCli(cmd + " > /dev/full");
    EXPECT_EQ(run.status, 2) << args;
    EXPECT_NE(run.err.find("cannot write the output"), std::string::npos) << args << ": " << run.err;
  }
}

TEST_F(CliOutput, OutputFileNeverNamesAnInput) {
  ASSERT_EQ(::link(Path("good.csv").c_str(), Path("hard.csv").c_str()), 0);
  fs::create_symlink(Path("good.csv"), Path("soft.csv"));
  fs::copy_file(Path("good.csv"), Path("other.csv"));
  const std::string rel = fs::relative(Path("good.csv")).string();
  for (const std::string& out : {Path("good.csv"), Path(".") + "/./good.csv", rel, Path("hard.csv"),
                                Path("soft.csv")}) {
    const CliRun run =
        RunCli("batch '" + Path("other.csv") + "' '" + Path("good.csv") + "' -o '" + out + "'");
    EXPECT_EQ(run.status, 2) << out;
    EXPECT_NE(run.err.find("is the input light curve"), std::string::npos) << run.err;
    EXPECT_EQ(Text(Path("good.csv")), good_) << "the light curve was overwritten through " << out;
  }
  // Another name is written, and keeps the mode it had.
  std::ofstream(Path("report.csv")) << "old\n";
  fs::permissions(Path("report.csv"), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(RunCli("batch '" + Path("good.csv") + "' -o '" + Path("report.csv") + "'").status, 0);
  EXPECT_NE(Text(Path("report.csv")).find("file,method"), std::string::npos);
  EXPECT_EQ(fs::status(Path("report.csv")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(CliOutput, SpecialFilesAreNeitherWaitedOnNorReplaced) {
  // A FIFO as light curve used to block for ever.
  ASSERT_EQ(::mkfifo(Path("pipe.csv").c_str(), 0644), 0);
  const CliRun info = RunCli("info '" + Path("pipe.csv") + "'");
  EXPECT_EQ(info.status, 2);
  EXPECT_NE(info.err.find("not a regular file"), std::string::npos) << info.err;
  // -o onto a FIFO without a reader: an error at once, the FIFO stays.
  const CliRun out = RunCli("batch '" + Path("good.csv") + "' -o '" + Path("pipe.csv") + "'");
  EXPECT_EQ(out.status, 2);
  EXPECT_TRUE(fs::is_fifo(Path("pipe.csv")));
  // -o onto a device other than /dev/stdout, /dev/stderr and /dev/null:
  // refused, never a success.
  const CliRun full = RunCli("batch '" + Path("good.csv") + "' -o /dev/full");
  EXPECT_EQ(full.status, 2);
  EXPECT_NE(full.err.find("it is a device"), std::string::npos) << full.err;
}

// Every -o target of batch and series, and what becomes of it: the rows
// written there (or to standard output through /dev/stdout), or a refusal
// before any work with the target and the light curve as they were, and
// never a temporary file left.
TEST_F(CliOutput, EveryOutputTargetOfBatchAndSeriesFollowsTheRules) {
  struct Case {
    const char* kind;
    std::string (*make)(const fs::path& dir);  // the -o argument
    const char* refusal;                       // nullptr: written
    bool toStandardOutput = false;
  };
  const Case cases[] = {
      {"new file", [](const fs::path& d) { return (d / "new.csv").string(); }, nullptr},
      {"link to a regular file", [](const fs::path& d) {
         std::ofstream(d / "real.csv") << "old\n";
         fs::create_symlink(d / "real.csv", d / "link.csv");
         return (d / "link.csv").string();
       }, nullptr},
      {"the light curve by another path", [](const fs::path& d) {
         return (d / "." / "good.csv").string();
       }, "is the input light curve"},
      {"hard link to the light curve", [](const fs::path& d) {
         fs::create_hard_link(d / "good.csv", d / "hard.csv");
         return (d / "hard.csv").string();
       }, "is the input light curve"},
      {"FIFO", [](const fs::path& d) {
         ::mkfifo((d / "out.fifo").c_str(), 0644);
         return (d / "out.fifo").string();
       }, "a pipe (FIFO)"},
      {"folder", [](const fs::path& d) { return d.string(); }, "a folder"},
      {"read-only file", [](const fs::path& d) {
         std::ofstream(d / "ro.csv") << "old\n";
         fs::permissions(d / "ro.csv", fs::perms::owner_read);
         return (d / "ro.csv").string();
       }, "read-only"},
      {"/dev/null", [](const fs::path&) { return std::string("/dev/null"); }, nullptr},
      {"/dev/stdout", [](const fs::path&) { return std::string("/dev/stdout"); }, nullptr, true},
  };
  const std::string file = "'" + Path("good.csv") + "'";
  // Each command with the start of the header its CSV output has.
  const std::pair<std::string, std::string> commands[] = {
      {"batch " + file, "file,method,"},
      {"series " + file + " --epoch 58739.9291 --period 1.2683900 --half-width 0.025 --csv",
       "cycle,kind,"}};
  for (const auto& [command, header] : commands) {
    for (const Case& c : cases) {
      SCOPED_TRACE(command.substr(0, 6) + c.kind);
      fs::remove_all(dir_);
      fs::create_directories(dir_);
      fs::copy_file(SourcePath("tests/data/real/CMDra7024.csv"), dir_ / "good.csv");
      const std::string target = c.make(dir_);
      std::set<std::string> before;
      for (const auto& e : fs::directory_iterator(dir_)) before.insert(e.path().string());
      const std::string old = fs::is_regular_file(target) ? Text(target) : "";
      const CliRun run = RunCli(command + " -o '" + target + "'");
      EXPECT_EQ(Text(Path("good.csv")), good_);
      std::set<std::string> after;
      for (const auto& e : fs::directory_iterator(dir_)) after.insert(e.path().string());
      if (c.refusal != nullptr) {
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(c.refusal), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_EQ(after, before);
        if (!old.empty()) {
          EXPECT_EQ(Text(target), old);
        }
        continue;
      }
      EXPECT_EQ(run.status, 0) << run.err;
      if (c.toStandardOutput) {
        EXPECT_NE(run.out.find(header), std::string::npos) << run.out;
      } else if (target != "/dev/null") {
        EXPECT_TRUE(run.out.empty());
        EXPECT_NE(Text(target).find(header), std::string::npos) << Text(target);
        before.insert(target);  // a new file, or the link still there
      }
      EXPECT_EQ(after, before) << "a temporary file left, or a link replaced";
    }
  }
}

// A file argument "-" is a file of that name, never standard input: none of
// info, time, batch and series says otherwise in its usage. "-o -" writes a
// file named "-" too.
TEST_F(CliOutput, ADashIsAFileNameNeverStandardInput) {
  const std::string series = " --epoch 58739.9291 --period 1.2683900 --half-width 0.025";
  const std::string commands[] = {"info -", "time -", "batch -", "series -" + series};
  // Standard input holds a good light curve: reading it would succeed.
  const std::string fromStdin = "< '" + Path("good.csv") + "'";
  // The runs start in the test's folder, where "-" is looked for.
  const fs::path home = fs::current_path();
  fs::current_path(dir_);
  for (const std::string& command : commands) {
    const CliRun missing = RunCli(command + " " + fromStdin);
    EXPECT_EQ(missing.status, command.rfind("batch", 0) == 0 ? 1 : 2) << command;
    EXPECT_NE(missing.err.find("Cannot open \"-\": No such file or directory."),
              std::string::npos)
        << command << ": " << missing.err;
  }
  fs::copy_file(Path("good.csv"), Path("-"));
  for (const std::string& command : commands) {
    const CliRun named = RunCli(command + " < /dev/null");
    EXPECT_EQ(named.status, 0) << command << ": " << named.err;
    EXPECT_FALSE(named.out.empty()) << command;
  }
  fs::remove(Path("-"));
  const CliRun dashOut = RunCli("batch good.csv -o -");
  fs::current_path(home);
  EXPECT_EQ(dashOut.status, 0) << dashOut.err;
  EXPECT_TRUE(dashOut.out.empty());
  EXPECT_NE(Text(Path("-")).find("file,method"), std::string::npos);
}

// A name with terminal escape sequences and line ends reaches stderr only
// as \xNN: the refusal of each command, batch's per-file line, series' and
// -o's messages, the usage error that echoes an argument. The CSV rows keep the name as data, CSV-quoted.
TEST_F(CliOutput, FileNamesNeverCarryControlBytesToStandardError) {
  const std::string hostile = Path("evil\033]0;owned\007\033[2J\r\n.csv");
  const std::string q = "'" + hostile + "'";
  const std::string series = " --epoch 58739.9291 --period 1.2683900 --half-width 0.025";
  const std::string runs[] = {
      "info " + q,
      "time " + q,
      "info '" + Path("good.csv") + "' " + q,  // a stray argument, echoed by the usage error
      "batch " + q + " '" + Path("good.csv") + "'",
      "batch --json " + q,
      "series " + q + series,
      "batch '" + Path("good.csv") + "' -o " + q.substr(0, q.size() - 1) + "/x.csv'",
      "series '" + Path("good.csv") + "'" + series + " -o " + q.substr(0, q.size() - 1) +
          "/x.csv'",
  };
  for (const std::string& args : runs) {
    const CliRun run = RunCli(args);
    EXPECT_NE(run.status, 0) << args;
    EXPECT_FALSE(run.err.empty()) << args;
    for (const char ch : run.err) {
      EXPECT_TRUE(ch == '\n' || (ch >= 0x20 && ch < 0x7F)) << args << ": " << run.err;
    }
    EXPECT_NE(run.err.find("evil\\x1B]0;owned\\x07\\x1B[2J\\x0D\\x0A.csv"), std::string::npos)
        << args << ": " << run.err;
  }
  // Data keep the name byte for byte, quoted as a CSV field with a line end.
  fs::copy_file(Path("good.csv"), hostile);
  const CliRun csv = RunCli("batch " + q);
  EXPECT_EQ(csv.status, 0) << csv.err;
  EXPECT_NE(csv.out.find("\n\"" + hostile + "\",tracing,"), std::string::npos) << csv.out;
}

// Ctrl+C or a kill while -o is being written: the program ends by that
// signal and its temporary file goes with it; the old output stays.
TEST_F(CliOutput, ASignalDuringAWriteLeavesNoTemporaryFile) {
  for (const int sig : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(sig);
    const std::string out = Path("minima.csv");
    std::ofstream(out) << "old\n";
    const pid_t pid = ::fork();
    if (pid == 0) {
      // A shell that starts a job in the background ignores SIGINT for it.
      ::signal(SIGINT, SIG_DFL);
      ::signal(SIGTERM, SIG_DFL);
      ::freopen("/dev/null", "w", stderr);
      ::execl(VANTOR_CLI, VANTOR_CLI, "series", Path("good.csv").c_str(), "--epoch", "58739.9291",
              "--period", "1.2683900", "--half-width", "0.025", "--bootstrap", "100000", "-o",
              out.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    // The temporary file is made before the timing starts.
    const auto count = [this] {
      return std::distance(fs::directory_iterator(dir_), fs::directory_iterator());
    };
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 3000 && count() < 3 && !ended; ++i) {
      ended = ::waitpid(pid, &status, WNOHANG) == pid;
      ::usleep(10 * 1000);
    }
    ASSERT_FALSE(ended) << "vantor-cli ended before the signal, status " << status;
    ASSERT_EQ(count(), 3) << "no temporary file appeared";
    ::kill(pid, sig);
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
    EXPECT_EQ(count(), 2) << "a temporary file was left";
    EXPECT_EQ(Text(out), "old\n");
  }
}

TEST_F(CliOutput, ProgressGoesOnlyToATerminal) {
  std::string files;
  for (int i = 0; i < 7; ++i) files += " '" + Path("good.csv") + "'";
  const CliRun run = RunCli("batch" + files);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err.find('\r'), std::string::npos) << "a carriage return in a log";
  EXPECT_EQ(run.err.find('\033'), std::string::npos) << "an escape sequence in a log";
}

}  // namespace
}  // namespace vantor::testing

// What vantor-cli does with where it writes and what it echoes: odd bytes in
// names and fields never cost the JSON output, a failed write is never a
// success, -o never names an input or replaces a special file, a FIFO is
// never waited on, and a log gets no terminal control characters.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
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
  // -o onto /dev/full: the error, never a success.
  const CliRun full = RunCli("batch '" + Path("good.csv") + "' -o /dev/full");
  EXPECT_EQ(full.status, 2);
  EXPECT_NE(full.err.find("No space left on device"), std::string::npos) << full.err;
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

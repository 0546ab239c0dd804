// vantor-cli under an address-space limit (setrlimit RLIMIT_AS in the forked
// child) on hostile inputs made in a temporary folder: 100 MB and 250 MB of
// short lines, a series whose ephemeris predicts millions of windows, and a
// batch with a hostile file between two good ones. Each run completes or ends
// with a one-line refusal (exit status 2); nothing aborts (std::bad_alloc used
// to end the program with a signal, losing a batch's good rows), and a batch
// keeps the good files' rows. Peak memory figures are in
// bench/series_bench.cpp, not here.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli_runner.h"

#if defined(__SANITIZE_ADDRESS__)
#define VANTOR_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTOR_UNDER_ASAN 1
#endif
#endif

namespace vantor::testing {
namespace {

namespace fs = std::filesystem;

constexpr rlim_t kMiB = 1024 * 1024;

struct LimitedRun {
  int status = -1;  // exit status, -1 when ended by a signal
  int signal = 0;
  std::string out, err;
};

std::string Slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

// Runs vantor-cli with `args` in a child whose address space is limited to
// `limit` bytes, its output in files of `dir`.
LimitedRun RunLimited(const std::vector<std::string>& args, rlim_t limit, const fs::path& dir) {
  const fs::path out = dir / "out", err = dir / "err";
  LimitedRun run;
  const pid_t pid = ::fork();
  if (pid == 0) {
    const rlimit r{limit, limit};
    ::setrlimit(RLIMIT_AS, &r);
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int in = ::open("/dev/null", O_RDONLY);
    if (o < 0 || e < 0 || in < 0) ::_exit(120);
    ::dup2(in, 0), ::dup2(o, 1), ::dup2(e, 2);
    std::vector<char*> argv{const_cast<char*>(VANTOR_CLI)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(VANTOR_CLI, argv.data());
    ::_exit(121);
  }
  int raw = 0;
  if (pid < 0 || ::waitpid(pid, &raw, 0) != pid) return run;
  if (WIFEXITED(raw)) run.status = WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) run.signal = WTERMSIG(raw);
  run.out = Slurp(out);
  run.err = Slurp(err);
  return run;
}

// A file of `bytes` bytes of short lines "2459000.1,1.0" under a header.
void WriteShortLines(const fs::path& p, size_t bytes) {
  const std::string line = "2459000.1,1.0\n";
  std::string block;
  for (int i = 0; i < 65536; ++i) block += line;
  std::ofstream f(p, std::ios::binary);
  f << "HJD,mag\n";
  for (size_t written = 0; written < bytes; written += block.size()) f << block;
}

class CliResources : public ::testing::Test {
 protected:
  void SetUp() override {
#if defined(VANTOR_UNDER_ASAN)
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space: no limit applies";
#endif
    dir_ = fs::temp_directory_path() / ("vantor-resources-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  fs::path dir_;
};

std::string Shown(const LimitedRun& r) {
  return "status " + std::to_string(r.status) + ", signal " + std::to_string(r.signal) +
         "\nstderr: " + r.err.substr(0, 2000);
}

// Completed (status 0), or refused with exactly one line on stderr.
void ExpectCompletesOrRefusesInOneLine(const LimitedRun& r) {
  EXPECT_EQ(r.signal, 0) << Shown(r);
  if (r.status == 0) return;
  EXPECT_EQ(r.status, 2) << Shown(r);
  ASSERT_FALSE(r.err.empty()) << Shown(r);
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << Shown(r);
}

TEST_F(CliResources, HostileInputsCompleteOrRefuseInOneLine) {
  const fs::path big = dir_ / "lines100.csv", huge = dir_ / "lines250.csv";
  WriteShortLines(big, 100'000'000);
  WriteShortLines(huge, 250'000'000);
  const std::string joined = SourcePath("tests/data/series/cmdra_7023_7024.csv");
  struct Case {
    std::vector<std::string> args;
    rlim_t limit;
    const char* says;  // in the refusal, when one must come
  };
  const Case cases[] = {
      {{"info", big.string()}, 512 * kMiB, nullptr},
      {{"time", big.string(), "--auto"}, 512 * kMiB, nullptr},
      {{"series", big.string(), "--epoch", "2459000.1", "--period", "1"}, 512 * kMiB, nullptr},
      {{"series", huge.string(), "--epoch", "2459000.1", "--period", "1"}, 512 * kMiB, nullptr},
      // Too little memory to read it at all: used to abort on std::bad_alloc.
      {{"series", huge.string(), "--epoch", "2459000.1", "--period", "1"}, 128 * kMiB, nullptr},
      {{"info", huge.string(), "--json"}, 128 * kMiB, nullptr},
      // Two million windows, primaries and secondaries.
      {{"series", joined, "--epoch", "58738.66", "--period", "0.00000065", "--secondary"},
       512 * kMiB,
       "more than the 20000"},
      {{"series", joined, "--epoch", "58738.66", "--period", "0.0000013", "--json"},
       512 * kMiB,
       "more than the 20000"},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const std::string& a : c.args) shown += a + " ";
    SCOPED_TRACE(shown + "under " + std::to_string(c.limit / kMiB) + " MiB");
    const LimitedRun r = RunLimited(c.args, c.limit, dir_);
    ExpectCompletesOrRefusesInOneLine(r);
    if (c.says != nullptr) {
      EXPECT_EQ(r.status, 2);
      EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
      EXPECT_TRUE(r.out.empty()) << r.out.substr(0, 200);
    }
  }
}

TEST_F(CliResources, BatchKeepsTheGoodFilesRowsAroundAHostileOne) {
  const fs::path big = dir_ / "lines100.csv", huge = dir_ / "lines250.csv";
  WriteShortLines(big, 100'000'000);
  WriteShortLines(huge, 250'000'000);
  const std::string good1 = SourcePath("examples/eclipse_header.csv");
  const std::string good2 = SourcePath("examples/eclipse_no_header.csv");
  struct Case {
    fs::path hostile;
    rlim_t limit;
    std::vector<std::string> extra;
  };
  const Case cases[] = {{big, 512 * kMiB, {}},
                        {huge, 512 * kMiB, {}},
                        {huge, 128 * kMiB, {}},
                        {huge, 128 * kMiB, {"--jobs", "2"}},
                        {huge, 128 * kMiB, {"--json"}}};
  for (const Case& c : cases) {
    std::vector<std::string> args{"batch", good1, c.hostile.string(), good2};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const bool json = !c.extra.empty() && c.extra[0] == "--json";
    SCOPED_TRACE(c.hostile.filename().string() + " under " + std::to_string(c.limit / kMiB) +
                 " MiB" + (c.extra.empty() ? "" : " " + c.extra[0]));
    const LimitedRun r = RunLimited(args, c.limit, dir_);
    EXPECT_EQ(r.signal, 0) << Shown(r);
    EXPECT_EQ(r.status, 1) << Shown(r);  // one file refused, the others timed
    for (const std::string& good : {good1, good2}) {
      const std::string row = json ? "\"" + good + "\"" : good + ",combination,2";
      EXPECT_NE(r.out.find(row), std::string::npos) << row << "\n" << r.out.substr(0, 3000);
    }
    const std::string refused =
        json ? "\"" + c.hostile.string() + "\"" : c.hostile.string() + ",file,,,no,";
    EXPECT_NE(r.out.find(refused), std::string::npos) << r.out.substr(0, 3000);
  }
}

}  // namespace
}  // namespace vantor::testing

#include "cli_runner.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace vantor::testing {

CliRun RunCli(const std::string& args) {
  static int counter = 0;
  const std::string errFile = "/tmp/vantor-cli-test-" + std::to_string(::getpid()) + "-" +
                              std::to_string(counter++) + ".err";
  const std::string cmd = std::string(VANTOR_CLI) + " " + args + " 2>" + errFile;
  CliRun run;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (p == nullptr) return run;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) run.out.append(buf, n);
  const int raw = ::pclose(p);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream f(errFile);
  run.err.assign(std::istreambuf_iterator<char>(f), {});
  std::remove(errFile.c_str());
  return run;
}

std::string SourcePath(const std::string& relative) {
  return std::string(VANTOR_SOURCE_DIR) + "/" + relative;
}

}  // namespace vantor::testing

// Runs the built velan binary in a scratch folder and captures its output.
#ifndef VELAN_TEST_TOOL_RUNNER_H
#define VELAN_TEST_TOOL_RUNNER_H

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace velan_test {

struct RunResult {
  int exitCode = -1;
  std::string out, err;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

inline bool FileExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline std::string SourcePath(const std::string& rel) {
  return std::string(VELAN_SOURCE_DIR) + "/" + rel;
}
inline std::string ToolPath() {
  return std::string(VELAN_TEST_BIN_DIR) + "/velan";
}
inline bool ExporterBuilt() {
  return FileExists(std::string(VELAN_TEST_LIB_DIR) + "/libvldbcex.so");
}

// A scratch folder per test; commands run inside it with a private,
// empty configuration folder unless the test sets its own.
class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/velan-tool-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    mkdir((dir_ + "/cfg").c_str(), 0777);
    mkdir((dir_ + "/tmp").c_str(), 0777);
    env_ = "VELAN_CONFIG_DIR=" + Quote(dir_ + "/cfg") + " TMPDIR=" + Quote(dir_ + "/tmp");
  }
  void TearDown() override { std::system(("rm -rf " + Quote(dir_)).c_str()); }

  std::string Path(const std::string& rel) const { return dir_ + "/" + rel; }

  RunResult Run(const std::vector<std::string>& args) const {
    std::string cmd = "cd " + Quote(dir_) + " && " + env_ + " " + Quote(ToolPath());
    for (const auto& a : args) cmd += " " + Quote(a);
    cmd += " >" + Quote(dir_ + "/.out") + " 2>" + Quote(dir_ + "/.err") + " </dev/null";
    int status = std::system(cmd.c_str());
    RunResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadFile(dir_ + "/.out");
    r.err = ReadFile(dir_ + "/.err");
    unlink((dir_ + "/.out").c_str());
    unlink((dir_ + "/.err").c_str());
    return r;
  }

  std::string dir_;
  std::string env_;
};

}  // namespace velan_test

#endif

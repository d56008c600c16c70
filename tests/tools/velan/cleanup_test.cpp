// Temporary files are removed when a run is interrupted.
#include "cleanup.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "tool_runner.h"

namespace velan_tool {
namespace {

TEST(InterruptCleanup, RemovesRegisteredFilesBeforeTheirFolder) {
  char tmpl[] = "/tmp/velan-cleanup-test-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  std::string dir = tmpl;
  std::string kept = dir + "/kept";
  std::ofstream(kept) << "x";
  int folderSlot = RegisterTemporary(dir + "/sub");
  mkdir((dir + "/sub").c_str(), 0777);
  std::ofstream(dir + "/sub/log") << "x";
  int fileSlot = RegisterTemporary(dir + "/sub/log");
  int keptSlot = RegisterTemporary(kept);
  UnregisterTemporary(keptSlot);
  ASSERT_GE(folderSlot, 0);
  ASSERT_GE(fileSlot, 0);
  EXPECT_EQ(RegisterTemporary(std::string(5000, 'a')), -1);

  RemoveRegisteredTemporaries();
  EXPECT_FALSE(velan_test::FileExists(dir + "/sub"));
  EXPECT_TRUE(velan_test::FileExists(kept));
  unlink(kept.c_str());
  rmdir(dir.c_str());
}

}  // namespace
}  // namespace velan_tool

namespace velan_test {
namespace {

// A large input keeps the tool busy long enough to be interrupted in the
// middle; whenever the signal lands, nothing temporary may stay behind and
// the earlier output stays whole.
TEST_F(ToolTest, InterruptedConvertLeavesNoTemporaryFiles) {
  std::string text = ReadFile(SourcePath("examples/can/system.arxml"));
  size_t b = text.find("        <CAN-CLUSTER>");
  const std::string close = "        </CAN-CLUSTER>\n";
  size_t e = text.find(close, b) + close.size();
  std::string cluster = text.substr(b, e - b), copies, refs;
  for (int i = 0; i < 200; ++i) {
    std::string c = cluster;
    const std::string name = "<SHORT-NAME>VehicleCAN</SHORT-NAME>";
    c.replace(c.find(name), name.size(), "<SHORT-NAME>Bus" + std::to_string(i) + "</SHORT-NAME>");
    copies += c;
    refs += "<FIBEX-ELEMENT-REF-CONDITIONAL><FIBEX-ELEMENT-REF DEST=\"CAN-CLUSTER\">/Cluster/Bus" +
            std::to_string(i) + "</FIBEX-ELEMENT-REF></FIBEX-ELEMENT-REF-CONDITIONAL>\n";
  }
  text.insert(e, copies);
  text.insert(text.find("<FIBEX-ELEMENTS>") + 16, "\n" + refs);
  WriteFile(Path("big.arxml"), text);
  mkdir(Path("out").c_str(), 0777);
  WriteFile(Path("out/Bus199.dbc"), "earlier output");

  for (int delayMs : {150, 400}) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      if (chdir(dir_.c_str()) != 0) _exit(127);
      setenv("TMPDIR", Path("tmp").c_str(), 1);
      setenv("VELAN_CONFIG_DIR", Path("cfg").c_str(), 1);
      freopen("/dev/null", "w", stdout);
      freopen("/dev/null", "w", stderr);
      execl(ToolPath().c_str(), "velan", "convert", "big.arxml", "-o", "out", "-q",
            static_cast<char*>(nullptr));
      _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) ||
                (WIFEXITED(status) && WEXITSTATUS(status) == 0))
        << status;
    EXPECT_EQ(system(("test -z \"$(ls -A " + Quote(Path("tmp")) + ")\"").c_str()), 0)
        << "private configuration left behind";
    EXPECT_EQ(
        system(("ls -A " + Quote(Path("out")) + " | grep -q tmp && exit 1; exit 0").c_str()) >> 8,
        0)
        << "temporary output left behind";
    std::string earlier = ReadFile(Path("out/Bus199.dbc"));
    EXPECT_TRUE(earlier == "earlier output" || earlier.rfind("VERSION \"\"", 0) == 0);
  }
}

}  // namespace
}  // namespace velan_test

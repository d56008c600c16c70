// Output that cannot be written: a DBC file on a full device, in a read-only
// folder or beyond the file size limit, and a log file on a full device. The
// failure must be reported and nothing written earlier may be destroyed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "robustness_support.h"

namespace {

using robust::RunImport;
using robust::RunResult;
using robust::TempDir;

bool HaveDevFull() {
  return access("/dev/full", W_OK) == 0;
}

// Imports the CAN example and exports its cluster to `path`.
dbaStatus ExportExample(const std::string& path, const std::string& configDir) {
  dbaStatus status{0, 0};
  const RunResult r = RunImport(
      robust::ExamplePath("can"), configDir, {}, false,
      [&](uint32_t handle) { status = robust::ExportCluster(handle, "VehicleCAN", path); });
  EXPECT_EQ(r.code, 0u) << std::hex << r.code;
  return status;
}

TEST(OutputFailures, DbcExportToAFullDeviceIsAnError) {
  if (!HaveDevFull()) GTEST_SKIP() << "/dev/full is not available";
  TempDir config;
  const dbaStatus status = ExportExample("/dev/full", config.Path());
  EXPECT_TRUE(DBA_STATUS_IS_ERROR(&status)) << std::hex << status.code;
}

TEST(OutputFailures, DbcExportIntoAReadOnlyFolderKeepsTheEarlierFiles) {
  if (robust::RunningAsRoot()) GTEST_SKIP() << "permission bits do not keep root out";
  TempDir config, out;
  robust::WriteText(out.File("VehicleCAN.dbc"), "earlier\n");
  robust::WriteText(out.File("locked.dbc"), "locked\n");
  ASSERT_EQ(chmod(out.File("locked.dbc").c_str(), 0444), 0);
  ASSERT_EQ(chmod(out.Path().c_str(), 0555), 0);
  {
    SCOPED_TRACE("a new file");
    const dbaStatus status = ExportExample(out.File("new.dbc"), config.Path());
    EXPECT_TRUE(DBA_STATUS_IS_ERROR(&status)) << std::hex << status.code;
    EXPECT_NE(access(out.File("new.dbc").c_str(), F_OK), 0);
  }
  {
    SCOPED_TRACE("a read-only file");
    const dbaStatus status = ExportExample(out.File("locked.dbc"), config.Path());
    EXPECT_TRUE(DBA_STATUS_IS_ERROR(&status)) << std::hex << status.code;
    EXPECT_EQ(robust::ReadText(out.File("locked.dbc")), "locked\n");
  }
  // The command-line tool writes a new file and renames it over the old
  // one; in a read-only folder it cannot, and the old file stays.
  const std::string velan = robust::BuildProgram("velan");
  if (access(velan.c_str(), X_OK) != 0) GTEST_SKIP() << velan << " is not built";
  std::string err;
  const int exit = robust::RunCommand(
      velan + " convert -q " + robust::ExamplePath("can") + " -o " + out.Path(), &err);
  EXPECT_EQ(exit, 1) << err;
  EXPECT_EQ(robust::ReadText(out.File("VehicleCAN.dbc")), "earlier\n");
}

TEST(OutputFailures, ConvertBeyondTheFileSizeLimitKeepsEarlierFiles) {
  // A file size limit makes every write past 4 KiB fail, also for root.
  const std::string velan = robust::BuildProgram("velan");
  if (access(velan.c_str(), X_OK) != 0) GTEST_SKIP() << velan << " is not built";
  TempDir out;
  robust::WriteText(out.File("VehicleCAN.dbc"), "earlier\n");
  std::string err;
  const int exit = robust::RunCommand("trap '' XFSZ; ulimit -f 4; " + velan + " convert -q " +
                                          robust::ExamplePath("can") + " -o " + out.Path(),
                                      &err);
  EXPECT_EQ(exit, 1) << err;
  EXPECT_NE(err.find("VehicleCAN.dbc"), std::string::npos) << err;
  EXPECT_EQ(robust::ReadText(out.File("VehicleCAN.dbc")), "earlier\n");
  // Nothing half-written stays behind.
  size_t entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(out.Path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1u);
}

TEST(OutputFailures, LogOnAFullDeviceChangesNothingOfTheImport) {
  if (!HaveDevFull()) GTEST_SKIP() << "/dev/full is not available";
  TempDir plain, logging;
  const RunResult expected = RunImport(robust::ExamplePath("can"), plain.Path(), {}, true);
  robust::WriteLogConfig(logging.Path(), "/dev/full");
  const RunResult r = RunImport(robust::ExamplePath("can"), logging.Path(), {}, true);
  EXPECT_EQ(r.code, expected.code) << std::hex << r.code;
  EXPECT_EQ(r.tree, expected.tree);

  // The tool still writes the DBC file, says that the log could not be
  // written and fails (exit 1), as for any output that cannot be written.
  const std::string velan = robust::BuildProgram("velan");
  if (access(velan.c_str(), X_OK) != 0) GTEST_SKIP() << velan << " is not built";
  TempDir out;
  std::string err;
  const int exit = robust::RunCommand(velan + " convert -q " + robust::ExamplePath("can") + " -o " +
                                          out.Path() + " --log /dev/full",
                                      &err);
  EXPECT_EQ(exit, 1) << err;
  EXPECT_NE(err.find("/dev/full"), std::string::npos) << err;
  EXPECT_NE(robust::ReadText(out.File("VehicleCAN.dbc")).find("BO_ "), std::string::npos);
}

}  // namespace

namespace {

// Runs `body` in a child process; false when it did not end within
// `seconds` (the child is killed then).
bool EndsWithin(int seconds, const std::function<void()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    body();
    _exit(0);
  }
  if (child < 0) return false;
  for (int waited = 0; waited < seconds * 100; ++waited) {
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == child) return true;
    usleep(10000);
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  return false;
}

TEST(OutputFailures, LogFifoWithoutReaderDoesNotBlockTheImport) {
  TempDir input, config, logDir;
  const std::string fifo = logDir.File("log.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  robust::WriteLogConfig(config.Path(), fifo);
  // Nested packages make a log far larger than a pipe holds.
  std::string packages;
  for (int i = 0; i < 1000; ++i) packages += "<AR-PACKAGE><SHORT-NAME>p</SHORT-NAME><AR-PACKAGES>";
  for (int i = 0; i < 1000; ++i) packages += "</AR-PACKAGES></AR-PACKAGE>";
  std::string text = robust::ReadText(robust::ExamplePath("can"));
  const size_t end = text.rfind("</AR-PACKAGES>");
  ASSERT_NE(end, std::string::npos);
  text.insert(end, packages);
  robust::WriteText(input.File("system.arxml"), text);
  EXPECT_TRUE(EndsWithin(60, [&] {
    const RunResult r = RunImport(input.File("system.arxml"), config.Path());
    _exit(r.code == 0 ? 0 : 1);
  })) << "the import blocked on the log FIFO";
}

}  // namespace

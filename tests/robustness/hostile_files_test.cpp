// Hostile input folders and paths: entries that are not readable regular
// files, a file that vanishes between listing and opening, and paths longer
// than the system accepts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "robustness_support.h"

namespace {

using robust::RunImport;
using robust::RunResult;
using robust::TempDir;

constexpr uint32_t kImportFailed = 0xBFF63081u;

// A small valid CAN system; `desc` goes into the cluster's DESC.
std::string System(const std::string& desc = "") {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") +
         "<AUTOSAR xmlns=\"http://autosar.org/schema/r4.0\"><AR-PACKAGES><AR-PACKAGE>"
         "<SHORT-NAME>P</SHORT-NAME><ELEMENTS>"
         "<SYSTEM><SHORT-NAME>S</SHORT-NAME><FIBEX-ELEMENTS><FIBEX-ELEMENT-REF-CONDITIONAL>"
         "<FIBEX-ELEMENT-REF DEST=\"CAN-CLUSTER\">/P/C</FIBEX-ELEMENT-REF>"
         "</FIBEX-ELEMENT-REF-CONDITIONAL></FIBEX-ELEMENTS></SYSTEM>"
         "<CAN-CLUSTER><SHORT-NAME>C</SHORT-NAME>" +
         (desc.empty() ? std::string() : "<DESC><L-2 L=\"EN\">" + desc + "</L-2></DESC>") +
         "<CAN-CLUSTER-VARIANTS><CAN-CLUSTER-CONDITIONAL>"
         "<BAUDRATE>500000</BAUDRATE><PHYSICAL-CHANNELS><CAN-PHYSICAL-CHANNEL><SHORT-NAME>Ch"
         "</SHORT-NAME></CAN-PHYSICAL-CHANNEL></PHYSICAL-CHANNELS></CAN-CLUSTER-CONDITIONAL>"
         "</CAN-CLUSTER-VARIANTS></CAN-CLUSTER></ELEMENTS></AR-PACKAGE></AR-PACKAGES></AUTOSAR>\n";
}

TEST(HostileFolder, EntriesThatAreNoReadableFilesAreLeftOut) {
  TempDir clean, config;
  robust::WriteText(clean.File("system.arxml"), System());
  const RunResult expected = RunImport(clean.File("system.arxml"), config.Path(), {}, true);
  ASSERT_EQ(expected.code, 0u);

  TempDir input;
  robust::WriteText(input.File("system.arxml"), System());
  // Symbolic-link loops, a dangling link, links to endless devices, a FIFO
  // without writer and a folder, all named like input files. Opening any of
  // them would fail, hang or read forever.
  ASSERT_EQ(symlink("loop2.arxml", input.File("loop1.arxml").c_str()), 0);
  ASSERT_EQ(symlink("loop1.arxml", input.File("loop2.arxml").c_str()), 0);
  ASSERT_EQ(symlink("self.arxml", input.File("self.arxml").c_str()), 0);
  ASSERT_EQ(symlink("missing", input.File("dangling.arxml").c_str()), 0);
  ASSERT_EQ(symlink("/dev/zero", input.File("zero.arxml").c_str()), 0);
  ASSERT_EQ(symlink("/dev/urandom", input.File("random.arxml").c_str()), 0);
  ASSERT_EQ(mkfifo(input.File("fifo.arxml").c_str(), 0600), 0);
  ASSERT_EQ(mkdir(input.File("x.arxml").c_str(), 0700), 0);
  robust::WriteText(input.File("x.arxml/inner.arxml"), "not xml");
  ASSERT_EQ(symlink("x.arxml", input.File("dirlink.arxml").c_str()), 0);

  for (const char* name : {"system.arxml", "loop1.arxml", "x.arxml"}) {
    SCOPED_TRACE(name);
    const RunResult r = RunImport(input.File(name), config.Path(), {}, true);
    EXPECT_EQ(r.code, 0u) << std::hex << r.code;
    EXPECT_EQ(r.tree, expected.tree);
  }
}

TEST(HostileFolder, UnreadableFileEndsTheImportBeforeAnyHostCall) {
  if (robust::RunningAsRoot()) GTEST_SKIP() << "permission bits do not keep root out";
  TempDir input, config;
  robust::WriteText(input.File("a.arxml"), System());
  robust::WriteText(input.File("b.arxml"), System());
  ASSERT_EQ(chmod(input.File("b.arxml").c_str(), 0), 0);
  const RunResult r = RunImport(input.File("a.arxml"), config.Path());
  EXPECT_EQ(r.code, kImportFailed) << std::hex << r.code;
  EXPECT_EQ(r.calls, 0u);
}

// Removes `victim` as soon as `trigger` in the watched folder is opened;
// gives up after ten seconds without that event.
class RemoveOnOpen {
 public:
  RemoveOnOpen(const std::string& folder, const std::string& trigger, const std::string& victim)
      : watch_(inotify_init1(IN_CLOEXEC | IN_NONBLOCK)) {
    if (watch_ < 0 || inotify_add_watch(watch_, folder.c_str(), IN_OPEN) < 0) return;
    thread_ = std::thread([this, trigger, victim] {
      alignas(inotify_event) char buffer[4096];
      for (int waited = 0; waited < 10000; ++waited) {
        pollfd ready{watch_, POLLIN, 0};
        if (poll(&ready, 1, 1) <= 0) continue;
        const ssize_t got = read(watch_, buffer, sizeof buffer);
        for (ssize_t at = 0; at < got;) {
          const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
          if (event->len > 0 && trigger == event->name) {
            removed_ = unlink(victim.c_str()) == 0;
            return;
          }
          at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
      }
    });
  }
  ~RemoveOnOpen() {
    if (thread_.joinable()) thread_.join();
    if (watch_ >= 0) close(watch_);
  }
  bool Removed() {
    if (thread_.joinable()) thread_.join();
    return removed_;
  }

 private:
  int watch_;
  bool removed_ = false;
  std::thread thread_;
};

TEST(HostileFolder, FileDeletedBetweenListingAndOpening) {
  TempDir input, config, logDir;
  robust::WriteLogConfig(config.Path(), logDir.File("import.log"));
  // The first file is large enough to keep the parser busy while the second
  // one is removed: the removal is triggered by the first file's opening,
  // which happens after the folder was listed. On a loaded machine the
  // removal can come too late (the log then shows the second file read);
  // such attempts are repeated.
  const std::string first = System(std::string(30u << 20, 'd'));
  robust::WriteText(input.File("a.arxml"), first);
  for (int attempt = 0; attempt < 5; ++attempt) {
    robust::WriteText(input.File("b.arxml"), System());
    RemoveOnOpen remover(input.Path(), "a.arxml", input.File("b.arxml"));
    const RunResult r = RunImport(input.File("a.arxml"), config.Path());
    ASSERT_TRUE(remover.Removed());
    const std::string log = robust::ReadText(logDir.File("import.log"));
    if (log.find("b.arxml\": success") != std::string::npos) continue;  // too late
    EXPECT_EQ(r.code, kImportFailed) << std::hex << r.code;
    EXPECT_EQ(r.calls, 0u);
    EXPECT_NE(log.find("b.arxml\": not found"), std::string::npos) << log;
    return;
  }
  GTEST_SKIP() << "the removal never came before the second file was opened";
}

// Creates `depth` nested folders named `name` below `base` without ever
// naming a path longer than the system's limit; returns the full path.
std::string MakeDeepFolder(const std::string& base, const std::string& name, size_t depth,
                           int* lastFd) {
  int fd = open(base.c_str(), O_DIRECTORY | O_RDONLY | O_CLOEXEC);
  std::string path = base;
  for (size_t i = 0; i < depth && fd >= 0; ++i) {
    mkdirat(fd, name.c_str(), 0700);
    const int next = openat(fd, name.c_str(), O_DIRECTORY | O_RDONLY | O_CLOEXEC);
    close(fd);
    fd = next;
    path += "/" + name;
  }
  *lastFd = fd;
  return path;
}

TEST(HostilePath, PathsNearAndBeyondTheSystemLimit) {
  TempDir base, config, logDir;
  robust::WriteLogConfig(config.Path(), logDir.File("import.log"));
  const std::string name(200, 'n');
  const std::string content = System();
  {
    SCOPED_TRACE("a path of almost PATH_MAX characters imports normally");
    const size_t depth = (PATH_MAX - base.Path().size() - 40) / (name.size() + 1);
    int fd = -1;
    const std::string folder = MakeDeepFolder(base.Path(), name, depth, &fd);
    ASSERT_GE(fd, 0);
    const int file = openat(fd, "system.arxml", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(file, 0);
    ASSERT_EQ(write(file, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    close(file);
    close(fd);
    const std::string path = folder + "/system.arxml";
    ASSERT_GT(path.size(), PATH_MAX - 100u);
    const RunResult r = RunImport(path, config.Path(), {}, true);
    EXPECT_EQ(r.code, 0u) << std::hex << r.code;
    EXPECT_NE(r.tree.find("CLUSTER \"C\""), std::string::npos);
    EXPECT_NE(robust::ReadText(logDir.File("import.log")).find(path), std::string::npos);
  }
  {
    SCOPED_TRACE("a 5000-character path is refused");
    int fd = -1;
    const std::string folder = MakeDeepFolder(base.Path(), "m" + name, 25, &fd);
    ASSERT_GE(fd, 0);
    const int file = openat(fd, "system.arxml", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(file, 0);
    ASSERT_EQ(write(file, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    close(file);
    close(fd);
    const std::string path = folder + "/system.arxml";
    ASSERT_GT(path.size(), 5000u);
    const RunResult r = RunImport(path, config.Path());
    EXPECT_EQ(r.code, kImportFailed) << std::hex << r.code;
    EXPECT_EQ(r.calls, 0u);
  }
  {
    SCOPED_TRACE("a 5000-character file name");
    const RunResult r =
        RunImport(base.Path() + "/" + std::string(5000, 'f') + ".arxml", config.Path());
    EXPECT_EQ(r.code, kImportFailed) << std::hex << r.code;
  }
}

}  // namespace

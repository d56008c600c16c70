// Outputs as the tool writes them: through links, into pipes and devices,
// to standard output; the messages that say why an import failed; the
// version; the read share of the progress line.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "output_file.h"
#include "progress.h"
#include "tool_runner.h"

namespace velan_test {
namespace {

const char* const kCanExample = "examples/can/system.arxml";

std::string LinkTarget(const std::string& link) {
  char buf[4096];
  ssize_t n = readlink(link.c_str(), buf, sizeof buf);
  return n < 0 ? std::string() : std::string(buf, static_cast<size_t>(n));
}

mode_t TypeOf(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

class Outputs : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    if (!ExporterBuilt()) GTEST_SKIP() << "DBC exporter not built";
    ASSERT_EQ(Run({"import", SourcePath(kCanExample), "-o", "can.vdb"}).exitCode, 0);
    ASSERT_EQ(Run({"export", "can.vdb", "-o", "ref.dbc"}).exitCode, 0);
    dbc_ = ReadFile(Path("ref.dbc"));
    ASSERT_NE(dbc_.find("BO_ 256 EngineData"), std::string::npos);
  }
  std::string dbc_;
};

// Links are followed to their final target; the link stays a link.
TEST_F(Outputs, LinksFoldersAndModesOfRegularFiles) {
  mkdir(Path("shared").c_str(), 0777);
  WriteFile(Path("shared/bus.dbc"), "old");
  chmod(Path("shared/bus.dbc").c_str(), 0640);
  ASSERT_EQ(symlink("shared/bus.dbc", Path("link.dbc").c_str()), 0);
  ASSERT_EQ(symlink("link.dbc", Path("chain.dbc").c_str()), 0);
  ASSERT_EQ(symlink("shared/new.dbc", Path("dangling.dbc").c_str()), 0);
  ASSERT_EQ(symlink("nowhere/new.dbc", Path("lost.dbc").c_str()), 0);
  mkdir(Path("folder").c_str(), 0777);
  struct Case {
    const char* output;
    int exitCode;
    const char* written;  // file holding the DBC afterwards, or the error text
  };
  const Case cases[] = {
      {"chain.dbc", 0, "shared/bus.dbc"},
      {"dangling.dbc", 0, "shared/new.dbc"},
      {"folder", 0, "folder/VehicleCAN.dbc"},
      {"folder/", 0, "folder/VehicleCAN.dbc"},
      {"lost.dbc", 1, "lost.dbc is a link to nowhere/new.dbc, whose folder does not exist"},
  };
  for (const Case& c : cases) {
    RunResult r = Run({"export", "can.vdb", "-o", c.output});
    EXPECT_EQ(r.exitCode, c.exitCode) << c.output << "\n" << r.err;
    if (c.exitCode == 0)
      EXPECT_EQ(ReadFile(Path(c.written)), dbc_) << c.output;
    else
      EXPECT_EQ(r.err, std::string("velan: ") + c.written + "\n");
  }
  for (const char* link : {"link.dbc", "chain.dbc", "dangling.dbc", "lost.dbc"})
    EXPECT_EQ(TypeOf(Path(link)), S_IFLNK) << link;
  EXPECT_EQ(LinkTarget(Path("link.dbc")), "shared/bus.dbc");
  struct stat st {};
  ASSERT_EQ(stat(Path("shared/bus.dbc").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(system(("ls -A " + Quote(Path("shared")) + " | grep -q tmp").c_str()) >> 8, 1);

  // The same for --keep-db and --log of convert, and -o of import.
  ASSERT_EQ(symlink("shared/keep.vdb", Path("keep.vdb").c_str()), 0);
  ASSERT_EQ(symlink("shared/import.log", Path("log.txt").c_str()), 0);
  RunResult conv = Run({"convert", SourcePath(kCanExample), "-q", "-o", "out/", "--keep-db",
                        "keep.vdb", "--log", "log.txt"});
  EXPECT_EQ(conv.exitCode, 0) << conv.err;
  EXPECT_EQ(TypeOf(Path("keep.vdb")), S_IFLNK);
  EXPECT_EQ(TypeOf(Path("shared/keep.vdb")), S_IFREG);
  EXPECT_NE(ReadFile(Path("shared/import.log")).find("file[0]"), std::string::npos);
  chmod(Path("shared/keep.vdb").c_str(), 0600);
  EXPECT_EQ(Run({"import", SourcePath(kCanExample), "-o", "keep.vdb"}).exitCode, 0);
  EXPECT_EQ(TypeOf(Path("keep.vdb")), S_IFLNK);
  ASSERT_EQ(stat(Path("shared/keep.vdb").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // Paths are joined without doubled slashes.
  RunResult said = Run({"convert", SourcePath(kCanExample), "-o", "out/"});
  EXPECT_EQ(said.out.rfind("wrote out/VehicleCAN.dbc: cluster VehicleCAN", 0), 0u) << said.out;
}

// Pipes and standard output are written straight through.
TEST_F(Outputs, PipesAndStandardOutput) {
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0666), 0);
  std::string received;
  std::thread reader([&] { received = ReadFile(Path("fifo")); });
  RunResult piped = Run({"export", "can.vdb", "-o", "fifo"});
  reader.join();
  EXPECT_EQ(piped.exitCode, 0) << piped.err;
  EXPECT_EQ(received, dbc_);
  EXPECT_EQ(TypeOf(Path("fifo")), S_IFIFO);

  for (const char* out : {"-", "/dev/stdout"}) {
    RunResult r = Run({"export", "can.vdb", "-o", out});
    EXPECT_EQ(r.exitCode, 0) << out << r.err;
    EXPECT_EQ(r.out, dbc_) << out;
  }
  // convert: the DBC alone on standard output, the summary on standard error.
  RunResult conv = Run({"convert", SourcePath(kCanExample), "-o", "-"});
  EXPECT_EQ(conv.exitCode, 0) << conv.err;
  EXPECT_EQ(conv.out, dbc_);
  EXPECT_NE(conv.err.find("wrote standard output: cluster VehicleCAN"), std::string::npos);

  // More than one file, or more than one output, for standard output.
  const std::vector<std::string> usage[] = {
      {"convert", SourcePath(kCanExample), "-o", "-", "--cluster", "A", "--cluster", "B"},
      {"convert", SourcePath(kCanExample), "-o", "-", "--keep-db", "-"},
      {"import", SourcePath(kCanExample), "--dump", "-o", "-"},
  };
  for (const auto& args : usage) EXPECT_EQ(Run(args).exitCode, 2) << args[0] << " " << args[3];
}

// A full device: the failed write is an error naming the path, and the
// node stays a device. The node is a private one: the system's own device
// nodes are never written.
TEST_F(Outputs, FullDeviceFailsAndStaysADevice) {
  if (geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
  ASSERT_EQ(mknod(Path("full").c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
  const std::vector<std::string> runs[] = {
      {"export", "can.vdb", "-o", "full"},
      {"convert", SourcePath(kCanExample), "-q", "-o", "full"},
      {"convert", SourcePath(kCanExample), "-q", "-o", "out", "--keep-db", "full"},
      {"convert", SourcePath(kCanExample), "-q", "-o", "out", "--log", "full"},
      {"import", SourcePath(kCanExample), "--log", "full"},
  };
  for (const auto& args : runs) {
    RunResult r = Run(args);
    EXPECT_EQ(r.exitCode, 1) << args[0] << " " << args[args.size() - 1];
    EXPECT_NE(r.err.find("cannot write full: No space left on device"), std::string::npos) << r.err;
    EXPECT_EQ(TypeOf(Path("full")), S_IFCHR);
  }
}

TEST_F(ToolTest, FailedImportsSayWhyAndWhatToDo) {
  mkdir(Path("two").c_str(), 0777);
  const std::string text = ReadFile(SourcePath(kCanExample));
  WriteFile(Path("two/a.arxml"), text);
  // A second extract of its own: the same content under another SYSTEM.
  std::string other = text;
  const std::string name = "<SHORT-NAME>ExampleVehicle</SHORT-NAME>";
  other.replace(other.find(name), name.size(), "<SHORT-NAME>OtherVehicle</SHORT-NAME>");
  WriteFile(Path("two/b.arxml"), other);
  mkdir(Path("none").c_str(), 0777);
  WriteFile(Path("none/x.dbc"), "VERSION \"\"");
  struct Case {
    std::vector<std::string> args;
    const char* line;
  };
  const Case cases[] = {
      {{"convert", "two/a.arxml"},
       "velan: import failed (0xBFF63081): every ARXML file of the folder two was read (2 "
       "files), and 2 of them hold a SYSTEM: two/a.arxml, two/b.arxml; convert one of them alone "
       "with --only-file\n"},
      {{"convert", "none/x.dbc"},
       "velan: import failed (0xBFF63081): none/x.dbc is not an ARXML file, and its folder none "
       "holds no ARXML files to read in its place; --only-file reads the given file itself\n"},
      {{"import", "none/x.dbc"},
       "velan: import failed (0xBFF63081): none/x.dbc is not an ARXML file, and its folder none "
       "holds no ARXML files to read in its place; --only-file reads the given file itself\n"},
      {{"convert", "none"},
       "velan: import failed (0xBFF63081): the folder none holds no ARXML files\n"},
  };
  for (const Case& c : cases) {
    RunResult r = Run(c.args);
    EXPECT_EQ(r.exitCode, 1) << c.args[1];
    EXPECT_NE(r.err.find(c.line), std::string::npos) << r.err;
  }
  RunResult only = Run({"convert", "two/a.arxml", "--only-file", "-q"});
  EXPECT_EQ(only.exitCode, 0) << only.err;
}

TEST_F(ToolTest, VersionNamesToolAndImportInterface) {
  RunResult r = Run({"--version"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  // The version is the project's, set once in the top CMakeLists.txt.
  const std::string cmake = ReadFile(SourcePath("CMakeLists.txt"));
  const size_t at = cmake.find("project(velan VERSION ") + 22;
  const std::string version = cmake.substr(at, cmake.find(' ', at) - at);
  EXPECT_EQ(r.out, "velan " + version + " (import interface 0x24281800)\n");
}

}  // namespace
}  // namespace velan_test

namespace velan_tool {
namespace {

TEST(OutputPaths, JoinAndClassify) {
  EXPECT_EQ(JoinPath("out/", "B.dbc"), "out/B.dbc");
  EXPECT_EQ(JoinPath("out//", "B.dbc"), "out/B.dbc");
  EXPECT_EQ(JoinPath("/", "B.dbc"), "/B.dbc");
  EXPECT_EQ(JoinPath("", "B.dbc"), "B.dbc");
  EXPECT_EQ(JoinPath(".", "B.dbc"), "./B.dbc");
  for (const char* std : {"-", "/dev/stdout", "/dev/fd/1", "/proc/self/fd/1"}) {
    OutputTarget t = ClassifyOutput(std);
    EXPECT_EQ(t.kind, OutputTarget::kStream) << std;
    EXPECT_EQ(t.fd, 1) << std;
    EXPECT_TRUE(IsStandardOutput(std));
  }
  EXPECT_EQ(ClassifyOutput("/dev/fd/1x").fd, -1);
  EXPECT_EQ(ClassifyOutput("/").kind, OutputTarget::kRefused);
  EXPECT_EQ(ClassifyOutput("/").error, "/ is a folder");
  // Any other kind of file is refused.
  char tmpl[] = "/tmp/velan-sock-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string sock = std::string(tmpl) + "/s";
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", sock.c_str());
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  std::string error;
  EXPECT_FALSE(WriteOutput(
      sock, [](const std::string&, std::string*) { return true; }, &error));
  EXPECT_EQ(error, sock + " is neither a file, a pipe nor a character device");
  close(fd);
  unlink(sock.c_str());
  rmdir(tmpl);
}

// Writing into a pipe whose reader has gone fails with EPIPE and does not
// end the process.
TEST(OutputPaths, BrokenPipeIsAnError) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[0]);
  const std::string target = "/proc/self/fd/" + std::to_string(fds[1]);
  std::string error;
  EXPECT_FALSE(WriteOutput(
      target,
      [](const std::string& path, std::string*) {
        std::ofstream(path) << "content";
        return true;
      },
      &error));
  close(fds[1]);
  EXPECT_EQ(error, "cannot write " + target + ": Broken pipe");
}

TEST(ProgressLine, ReadShareFollowsTheFurthestOpenInput) {
  Progress::ReadPosition pos({{1, 1, 100}, {1, 2, 300}, {1, 3, 600}});
  struct Step {
    std::vector<std::pair<size_t, uint64_t>> open;
    uint64_t read;
  };
  const Step steps[] = {
      {{}, 0},                     // nothing opened yet
      {{{0, 50}}, 50},             // half of the first
      {{{1, 100}}, 200},           // the first read, a third of the second
      {{{0, 10}, {1, 150}}, 250},  // an earlier file open again does not count
      {{}, 400},                   // the second closed: read
      {{{2, 9999}}, 1000},         // a position beyond the size counts as the size
  };
  for (const Step& s : steps) {
    pos.Sample(s.open);
    EXPECT_EQ(pos.Read(), s.read);
  }
  EXPECT_EQ(pos.Total(), 1000u);
  EXPECT_EQ(Progress::FormatLine("importing x", 12, 1.43, 450, 100000000),
            "velan: importing x  read 0% of 100.0 MB  12 objects  1.4 s");
  EXPECT_EQ(Progress::FormatLine("importing x", 0, 2, 5000, 10000),
            "velan: importing x  read 50% of 0.01 MB  0 objects  2.0 s");
  EXPECT_EQ(Progress::FormatLine("writing y", 7, 1), "velan: writing y 7 objects  1.0 s");
}

}  // namespace
}  // namespace velan_tool

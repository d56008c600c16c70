// The steps of one import: file set, parsing, version detection, returned
// codes, run in-process against the reference host database.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "import/bindings.h"
#include "import/configuration.h"
#include "import/convert_ctx.h"
#include "import/import_driver.h"
#include "temp_folder.h"
#include "velan/velandb_host.h"
#include "xml/document.h"

namespace {

const char kAr4Head[] =
    "<?xml version=\"1.0\"?>\n<AUTOSAR xmlns=\"http://autosar.org/schema/r4.0\">";
const char kAr3Head[] = "<?xml version=\"1.0\"?>\n<AUTOSAR xmlns=\"http://autosar.org/3.2.3\">";

// An AUTOSAR 4 system with one CAN cluster and nothing else.
std::string OneCluster(const std::string& cluster = "Can1") {
  return std::string(kAr4Head) +
         "<AR-PACKAGES><AR-PACKAGE><SHORT-NAME>P</SHORT-NAME><ELEMENTS>"
         "<SYSTEM><SHORT-NAME>Sys</SHORT-NAME><FIBEX-ELEMENTS><FIBEX-ELEMENT-REF-CONDITIONAL>"
         "<FIBEX-ELEMENT-REF DEST=\"CAN-CLUSTER\">/P/" +
         cluster +
         "</FIBEX-ELEMENT-REF></FIBEX-ELEMENT-REF-CONDITIONAL></FIBEX-ELEMENTS></SYSTEM>"
         "<CAN-CLUSTER><SHORT-NAME>" +
         cluster +
         "</SHORT-NAME><CAN-CLUSTER-VARIANTS><CAN-CLUSTER-CONDITIONAL>"
         "<BAUDRATE>500000</BAUDRATE><PHYSICAL-CHANNELS><CAN-PHYSICAL-CHANNEL>"
         "<SHORT-NAME>Ch</SHORT-NAME></CAN-PHYSICAL-CHANNEL></PHYSICAL-CHANNELS>"
         "</CAN-CLUSTER-CONDITIONAL></CAN-CLUSTER-VARIANTS></CAN-CLUSTER>"
         "</ELEMENTS></AR-PACKAGE></AR-PACKAGES></AUTOSAR>\n";
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    const char* old = getenv(name);
    hadValue_ = old != nullptr;
    if (old) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (hadValue_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::string old_;
  bool hadValue_ = false;
};

class Driver : public ::testing::Test {
 protected:
  Driver()
      : input_(), config_(), env_("VELAN_CONFIG_DIR", config_.Path()), log_(config_ / "log.txt") {}

  void SetUp() override { ASSERT_EQ(vdbCreateDatabase("test", &handle_), VDB_OK); }
  void TearDown() override {
    vdbDestroyDatabase(handle_);
    cLibraryName::Instance().Reset();
  }

  // Writes a configuration that logs to log_ with the given extra content.
  void Configure(const std::string& extra = "") {
    config_.Write("velanar-cfg.xml", "<CONFIGURATION xmlns=\"" VELANAR_CONFIG_NAMESPACE
                                     "\"><LogFile>" +
                                         log_ + "</LogFile>" + extra + "</CONFIGURATION>");
  }
  uint32_t Run(const std::string& path) { return RunImport(path.c_str(), handle_); }
  std::string Log() const { return ReadWholeFile(log_); }

  TempFolder input_;
  TempFolder config_;
  ScopedEnv env_;
  std::string log_;
  uint32_t handle_ = 0;
};

// ---------------------------------------------------------------- file set

TEST_F(Driver, FileSetTakesTheArxmlFilesOfTheFolderInOrder) {
  Configure();
  input_.Write("b.ARXML", "");
  input_.Write("a.arxml", "");
  input_.Write("c.xml", "");
  input_.Write("noextension", "");
  input_.Write("e.arxml.bak", "");
  input_.Write("f.Arxml", "");
  input_.MakeFolder("d.arxml");
  cConvertCtx ctx;
  ctx.importPath = input_ / "c.xml";  // the named file itself need not qualify
  ASSERT_TRUE(ctx.report.OpenLogFile(log_.c_str()));
  CollectFileSet(&ctx);
  const std::vector<std::string> expected = {input_ / "a.arxml", input_ / "b.ARXML",
                                             input_ / "f.Arxml"};
  EXPECT_EQ(ctx.fileList, expected);
  EXPECT_EQ(ctx.status.Code(), StatusOk);
  ctx.report.Sink().Close();
  EXPECT_EQ(Log(), "0,0,'List of ARXML Files'\r\n0,0,'file[0]; \"" + expected[0] +
                       "\"'\r\n0,0,'file[1]; \"" + expected[1] + "\"'\r\n0,0,'file[2]; \"" +
                       expected[2] + "\"'\r\n\r\n");
}

TEST_F(Driver, FileSetPolicyOneTakesTheNamedFileOnly) {
  input_.Write("a.arxml", "");
  cConvertCtx ctx;
  ctx.importPath = input_ / "x.xml";
  ctx.policies.fileSetPolicy = 1;
  CollectFileSet(&ctx);
  EXPECT_EQ(ctx.fileList, std::vector<std::string>{input_ / "x.xml"});
  EXPECT_EQ(ctx.status.Code(), StatusOk);
}

TEST_F(Driver, FileSetOfAPathWithoutFolderIsTheCurrentFolder) {
  input_.Write("z.arxml", "");
  input_.Write("y.txt", "");
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
  ASSERT_EQ(chdir(input_.Path().c_str()), 0);
  cConvertCtx ctx;
  ctx.importPath = "dir\\y.txt";  // a backslash separates nothing
  CollectFileSet(&ctx);
  EXPECT_EQ(chdir(cwd), 0);
  EXPECT_EQ(ctx.fileList, std::vector<std::string>{"./z.arxml"});
}

TEST_F(Driver, EmptyFileSetIsNoInput) {
  Configure();
  input_.Write("only.xml", "<a/>");
  EXPECT_EQ(Run(input_ / "only.xml"), 0xBFF63081u);
  EXPECT_EQ(Log(), "0,0,'List of ARXML Files'\r\n\r\n");
}

// ----------------------------------------------------------------- parsing

TEST_F(Driver, MissingFileEndsTheImport) {
  Configure(
      "<Policies><CANCluster Enabled=\"true\"/><FileSetPolicy>UseSpecifiedARXMLOnly"
      "</FileSetPolicy></Policies>");
  const std::string missing = input_ / "missing.arxml";
  EXPECT_EQ(Run(missing), 0xBFF63081u);
  EXPECT_NE(Log().find("2,0,'file \"" + missing + "\": not found'\r\n"), std::string::npos);
}

TEST_F(Driver, ParserErrorEndsTheParsing) {
  Configure();
  const std::string good = input_.Write("a.arxml", OneCluster());
  const std::string bad = input_.Write("b.arxml", std::string(kAr4Head) + "<AR-PACKAGES/>");
  const std::string later = input_.Write("c.arxml", OneCluster("Can2"));
  EXPECT_EQ(Run(good), 0xBFF63081u);
  const std::string log = Log();
  EXPECT_NE(log.find("0,0,'read file \"" + good + "\": success'\r\n"), std::string::npos);
  EXPECT_NE(log.find("2,0,'file \"" + bad + "\": parser error'\r\n"), std::string::npos);
  EXPECT_EQ(log.find("read file \"" + later), std::string::npos);
  EXPECT_EQ(vdbObjectCount(handle_), 0u);
}

TEST_F(Driver, ParseFilesGivesEachFileItsIndex) {
  const std::string four = input_.Write("a.arxml", OneCluster());
  const std::string three =
      input_.Write("b.arxml", std::string(kAr3Head) + "<TOP-LEVEL-PACKAGES/></AUTOSAR>");
  cConvertCtx ctx;
  ctx.fileList = {four, three};
  ParseFiles(&ctx);
  EXPECT_EQ(ctx.status.Code(), StatusOk);
  // The file parsed first decides the release; the second adds nothing.
  EXPECT_EQ(DetectAutosarVersion(*ctx.document), 4);
  ASSERT_EQ(ctx.document->ChildCount(), 1u);
  EXPECT_EQ(ctx.document->Child(0)->FileIndex(), 0);
}

// Every element of the document as one line (name, attributes, text,
// position, file index), walked iteratively, and the namespace bindings.
std::string TreeText(const exDocument& doc) {
  std::string out;
  for (const char* prefix : {"AR", "ns0", "ns1", "p", "q", "xsi"}) {
    const char* uri = doc.NamespaceUri(prefix);
    out += std::string(prefix) + "=" + (uri ? uri : "-") + "\n";
  }
  std::vector<std::pair<const exElement*, int>> todo{{&doc, 0}};
  while (!todo.empty()) {
    const exElement* e = todo.back().first;
    const int depth = todo.back().second;
    todo.pop_back();
    out += std::string(static_cast<size_t>(depth), ' ') + (e->Name() ? e->Name() : "-");
    if (const exAttributeMap* attributes = e->Attributes())
      for (const auto& a : *attributes) out += std::string(" ") + a.first + "=" + a.second;
    out += " [" + std::string(e->Text()) + "] " + std::to_string(e->Line()) + ":" +
           std::to_string(e->Column()) + " f" + std::to_string(e->FileIndex()) + "\n";
    for (size_t i = e->ChildCount(); i > 0; --i) todo.push_back({e->Child(i - 1), depth + 1});
  }
  return out;
}

// File sets parsed on worker threads and joined give the document, status
// and bindings that parsing the files one after another gives, whatever the
// files' namespaces, roots, errors and attribute names do.
TEST_F(Driver, FileSetsParsedOnWorkersMatchTheDirectParse) {
  const std::string ar4 = OneCluster();
  const std::string foreign = "<root xmlns=\"urn:other\" xmlns:xsi=\"urn:xsi\"><AUTOSAR/></root>";
  const std::string defaults = std::string(kAr4Head) +
                               "<A xmlns=\"urn:d1\"><B xmlns=\"urn:d2\" x=\"1\"/></A>"
                               "<C xmlns:p=\"urn:u1\" p:y=\"2\" z=\"3\">c</C></AUTOSAR>";
  // urn:u2 gets prefix p as well: two attributes come to one name.
  const std::string clash = std::string(kAr4Head) +
                            "<D xmlns:p=\"urn:u2\" xmlns:q=\"urn:u1\" p:x=\"1\" q:x=\"2\"/>"
                            "</AUTOSAR>";
  const std::string broken = std::string(kAr4Head) + "<E><F></E></AUTOSAR>";
  const std::string ar3 = std::string(kAr3Head) + "<TOP-LEVEL-PACKAGES/></AUTOSAR>";
  const std::vector<std::vector<std::string>> sets = {
      {ar4, ar3, ar4, ar4},
      {foreign, ar4, defaults, ar4},
      {defaults, clash, ar4, defaults},
      {ar4, broken, ar4},
      {ar4, "", ar4},
      {ar3, ar3, ar4, "<AUTOSAR/>", ar3},
  };
  for (size_t s = 0; s < sets.size(); ++s) {
    std::vector<std::string> paths;
    for (size_t f = 0; f < sets[s].size(); ++f)
      paths.push_back(
          input_.Write("s" + std::to_string(s) + "_" + std::to_string(f) + ".arxml", sets[s][f]));
    paths.push_back(input_ / "missing.arxml");  // ends every set with a lost file
    std::string expected;
    for (unsigned threads : {1u, 2u, 4u}) {
      cConvertCtx ctx;
      ctx.fileList = paths;
      ctx.policies.parseThreads = threads;
      ParseFiles(&ctx);
      const std::string text = std::to_string(ctx.status.Code()) + "\n" + TreeText(*ctx.document);
      if (threads == 1) expected = text;
      EXPECT_EQ(text, expected) << "set " << s << ", " << threads << " threads";
    }
  }
}

// ------------------------------------------------------- version detection

TEST(VersionDetection, ByNamespaceUri) {
  EXPECT_EQ(DetectAutosarVersion("http://autosar.org/schema/r4.0"), 4);
  EXPECT_EQ(DetectAutosarVersion("http://autosar.org/schema/r4.2.2.1.0"), 4);
  EXPECT_EQ(DetectAutosarVersion("http://autosar.org/3.2.3"), 3);
  EXPECT_EQ(DetectAutosarVersion("http://autosar.org/3.1.2.DAI.2"), 3);
  EXPECT_EQ(DetectAutosarVersion("http://autosar.org/"), 2);
  EXPECT_EQ(DetectAutosarVersion("http://autosar.org/schema/argh4.0"), 2);
  EXPECT_EQ(DetectAutosarVersion("http://autosar.org"), 0);
  EXPECT_EQ(DetectAutosarVersion("urn:other"), 0);
  EXPECT_EQ(DetectAutosarVersion(static_cast<const char*>(nullptr)), 0);
}

TEST_F(Driver, UnsupportedReleasesAreRefused) {
  input_.Write("a.arxml", "<AUTOSAR xmlns=\"http://autosar.org/\"><AR-PACKAGES/></AUTOSAR>");
  EXPECT_EQ(Run(input_ / "a.arxml"), 0xBFF63165u);
  TempFolder other;
  other.Write("a.arxml", "<AUTOSAR><AR-PACKAGES/></AUTOSAR>");
  EXPECT_EQ(Run(other / "a.arxml"), 0xBFF63165u);
}

// ---------------------------------------------------------- returned codes

TEST_F(Driver, NoImportPath) {
  Configure();
  EXPECT_EQ(RunImport(nullptr, handle_), 0xBFF63081u);
  EXPECT_EQ(RunImport("", handle_), 0xBFF63081u);
  // The configuration is not read, so no log file is made.
  EXPECT_FALSE(FileExists(log_));
}

TEST_F(Driver, MissingHostLibrary) {
  Configure();
  input_.Write("a.arxml", OneCluster());
  cLibraryName::Instance().SetFromDbLibraryPath((input_ / "libmiravoDB.so").c_str());
  EXPECT_EQ(Run(input_ / "a.arxml"), 0xBFF63081u);
  EXPECT_FALSE(FileExists(log_));
}

TEST_F(Driver, HostLibraryWithoutTheImportFunctions) {
  Configure();
  input_.Write("a.arxml", OneCluster());
  TempFolder libs;
  ASSERT_EQ(symlink(VELAN_TEST_LIB_DIR "/libvelanfx.so", (libs / "libmiravoDB.so").c_str()), 0);
  cLibraryName::Instance().SetFromDbLibraryPath((libs / "libmiravoDB.so").c_str());
  EXPECT_EQ(Run(input_ / "a.arxml"), 0xBFF63081u);
  EXPECT_FALSE(FileExists(log_));
}

TEST_F(Driver, ConvertsAndReturnsOk) {
  Configure();
  input_.Write("a.arxml", OneCluster());
  EXPECT_EQ(Run(input_ / "a.arxml"), 0u);
  uint64_t cluster = 0;
  EXPECT_EQ(vdbFindChild(handle_, 2, "Can1", &cluster), VDB_OK);
}

TEST_F(Driver, NoClusterIsAnError) {
  input_.Write("a.arxml", std::string(kAr4Head) +
                              "<AR-PACKAGES><AR-PACKAGE><SHORT-NAME>P</SHORT-NAME><ELEMENTS>"
                              "<SYSTEM><SHORT-NAME>Sys</SHORT-NAME></SYSTEM>"
                              "</ELEMENTS></AR-PACKAGE></AR-PACKAGES></AUTOSAR>");
  EXPECT_EQ(Run(input_ / "a.arxml"), 0xBFF63081u);
}

TEST_F(Driver, HostWarningIsReturnedUnlessAnErrorFollows) {
  input_.Write("a.arxml", OneCluster());
  // A warning on the first host call (carried out), success afterwards.
  ASSERT_EQ(vdbInjectFault(handle_, 1, 0x17, 1), VDB_OK);
  EXPECT_EQ(Run(input_ / "a.arxml"), 0x3FF63085u);
  uint64_t cluster = 0;
  EXPECT_EQ(vdbFindChild(handle_, 2, "Can1", &cluster), VDB_OK);
}

TEST_F(Driver, HostErrorCodeIsReturnedUnchanged) {
  Configure();
  input_.Write("a.arxml", OneCluster());
  ASSERT_EQ(vdbInjectFault(handle_, 2, -12345, 0), VDB_OK);
  EXPECT_EQ(Run(input_ / "a.arxml"), static_cast<uint32_t>(-12345));
  // Nothing is called after the error.
  EXPECT_EQ(vdbImportCallCount(handle_), 2u);
  EXPECT_NE(Log().find("2,0,'ERROR -- SetProperty (Code=0xFFFFCFC7)"), std::string::npos);
}

}  // namespace

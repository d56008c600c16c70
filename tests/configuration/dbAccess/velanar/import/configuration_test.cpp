#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>

#include "import/configuration.h"
#include "import/convert_ctx.h"
#include "temp_folder.h"
#include "velan/velanfx.h"

namespace {

std::string Config(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<CONFIGURATION xmlns=\"" VELANAR_CONFIG_NAMESPACE "\">\n" +
         body + "\n</CONFIGURATION>\n";
}

struct Outcome {
  cPolicies policies;
  bool logOpen = false;
  uint32_t bits[kCategoryCount] = {0, 0, 0, 0};
};

class Configuration : public ::testing::Test {
 protected:
  Outcome Read(const std::string& configText, const std::string& importPath = "/in/sys.arxml") {
    const std::string configPath = folder_.Write("velanar-cfg.xml", configText);
    return ReadPath(configPath, importPath);
  }
  Outcome ReadPath(const std::string& configPath, const std::string& importPath) {
    Outcome outcome;
    cReport report;
    ReadConfigurationFile(configPath, importPath, outcome.policies, report);
    outcome.logOpen = report.Sink().IsOpen();
    for (uint32_t c = 0; c < kCategoryCount; ++c) {
      for (uint32_t s = 0; s < 8; ++s) {
        if (report.IsEnabled(c, s)) outcome.bits[c] |= 1u << s;
      }
    }
    return outcome;
  }
  std::string LogLine() const { return "<LogFile>" + folder_ / "log.txt" + "</LogFile>"; }

  TempFolder folder_;
};

void ExpectDefaults(const Outcome& o) {
  EXPECT_TRUE(o.policies.canEnabled);
  EXPECT_TRUE(o.policies.linEnabled);
  EXPECT_FALSE(o.policies.flexRayEnabled);
  EXPECT_FALSE(o.policies.allClusters);
  EXPECT_EQ(o.policies.fileSetPolicy, 0u);
  EXPECT_FALSE(o.logOpen);
  EXPECT_EQ(o.bits[kCatInfo], 1u);
  EXPECT_EQ(o.bits[kCatWarn], 1u);
  EXPECT_EQ(o.bits[kCatErr], 1u);
  EXPECT_EQ(o.bits[kCatDebug], 0u);
}

TEST_F(Configuration, UnusableFilesKeepTheDefaults) {
  ExpectDefaults(ReadPath(folder_ / "missing.xml", "/in/sys.arxml"));
  ExpectDefaults(Read("<CONFIGURATION><Policies>"));  // not well-formed
  ExpectDefaults(
      Read("<CONFIGURATION><Policies><CANCluster Enabled=\"false\"/></Policies>"
           "</CONFIGURATION>"));  // no namespace
  ExpectDefaults(Read("<SETTINGS xmlns=\"" VELANAR_CONFIG_NAMESPACE "\"><Policies/></SETTINGS>"));
  ExpectDefaults(Read(Config("")));
}

TEST_F(Configuration, ClusterSwitches) {
  Outcome onlyCan = Read(Config("<Policies><CANCluster Enabled=\"true\"/></Policies>"));
  EXPECT_TRUE(onlyCan.policies.canEnabled);
  EXPECT_FALSE(onlyCan.policies.linEnabled);
  EXPECT_FALSE(onlyCan.policies.flexRayEnabled);
  EXPECT_FALSE(onlyCan.policies.allClusters);

  Outcome all =
      Read(Config("<Policies><CANCluster Enabled=\"all\"/><LINCluster Enabled=\"True\"/>"
                  "<FlexRayCluster Enabled=\"true\"/><AllClusters Enabled=\"true\"/>"
                  "</Policies>"));
  EXPECT_FALSE(all.policies.canEnabled);  // "all" is no "true" here
  EXPECT_FALSE(all.policies.linEnabled);  // comparison is case-sensitive
  EXPECT_TRUE(all.policies.flexRayEnabled);
  EXPECT_TRUE(all.policies.allClusters);

  Outcome emptyPolicies = Read(Config("<Policies/>"));
  EXPECT_FALSE(emptyPolicies.policies.canEnabled);
  EXPECT_FALSE(emptyPolicies.policies.linEnabled);

  Outcome noAttribute =
      Read(Config("<Policies><CANCluster/><LINCluster Enabled=\"\"/></Policies>"));
  EXPECT_FALSE(noAttribute.policies.canEnabled);
  EXPECT_FALSE(noAttribute.policies.linEnabled);
}

TEST_F(Configuration, FileSetPolicy) {
  EXPECT_EQ(Read(Config("<Policies><CANCluster Enabled=\"true\"/><FileSetPolicy>\n "
                        "UseSpecifiedARXMLOnly </FileSetPolicy></Policies>"))
                .policies.fileSetPolicy,
            1u);
  EXPECT_EQ(Read(Config("<Policies><FileSetPolicy>UseAll</FileSetPolicy></Policies>"))
                .policies.fileSetPolicy,
            0u);
  // Only read inside Policies.
  EXPECT_EQ(
      Read(Config("<FileSetPolicy>UseSpecifiedARXMLOnly</FileSetPolicy>")).policies.fileSetPolicy,
      0u);
}

TEST_F(Configuration, LogFileUseFileName) {
  const std::string body = "<LogFile>UseFileName</LogFile>";
  const std::string arxml = folder_ / "sys.ARXML";
  Outcome upper = Read(Config(body), arxml);
  EXPECT_TRUE(upper.logOpen);
  EXPECT_TRUE(FileExists(arxml + ".txt"));

  const std::string xml = folder_ / "sys.xml";
  EXPECT_FALSE(Read(Config(body), xml).logOpen);
  EXPECT_FALSE(FileExists(xml + ".txt"));
  // The extension must be exactly "arxml".
  EXPECT_FALSE(Read(Config(body), folder_ / "sys.arxmlx").logOpen);
  EXPECT_FALSE(Read(Config(body), folder_ / "sysarxml").logOpen);
  EXPECT_FALSE(Read(Config(body), folder_ / "a.arxml/sys").logOpen);
}

TEST_F(Configuration, CategoriesAreReadOnlyWithAnOpenLog) {
  const std::string categories = "<CATEGORIES><CatDebug Enabled=\"all\"/></CATEGORIES>";
  // No log file: the categories keep their defaults.
  Outcome noLog = Read(Config(categories));
  ExpectDefaults(noLog);
  Outcome emptyLog = Read(Config("<LogFile>  </LogFile>" + categories));
  ExpectDefaults(emptyLog);
  Outcome unopenable =
      Read(Config("<LogFile>" + folder_ / "no/such/log.txt" + "</LogFile>" + categories));
  ExpectDefaults(unopenable);

  Outcome withLog = Read(Config(LogLine() + categories));
  EXPECT_TRUE(withLog.logOpen);
  EXPECT_EQ(withLog.bits[kCatDebug], 0x3Fu);
  // Categories whose element is absent write nothing.
  EXPECT_EQ(withLog.bits[kCatInfo], 0u);
  EXPECT_EQ(withLog.bits[kCatWarn], 0u);
  EXPECT_EQ(withLog.bits[kCatErr], 0u);
}

TEST_F(Configuration, WithoutCategoriesElementTheDefaultsStay) {
  Outcome o = Read(Config(LogLine()));
  EXPECT_TRUE(o.logOpen);
  EXPECT_EQ(o.bits[kCatInfo], 1u);
  EXPECT_EQ(o.bits[kCatWarn], 1u);
  EXPECT_EQ(o.bits[kCatErr], 1u);
  EXPECT_EQ(o.bits[kCatDebug], 0u);
}

TEST_F(Configuration, CategoryRules) {
  Outcome o = Read(
      Config(LogLine() +
             "<CATEGORIES>"
             "<CatInfo Enabled=\"true\"><SubInfoDefault Enabled=\"false\"/>"
             "<SubInfoVELANDb Enabled=\"true\"/></CatInfo>"
             "<CatWarn Enabled=\"all\"><SubWarnDefault Enabled=\"false\"/></CatWarn>"
             "<CatErr Enabled=\"True\"><SubErrDefault Enabled=\"true\"/></CatErr>"
             "<CatDebug Enabled=\"true\"><SubDebug1 Enabled=\"all\"/><SubDebug2 Enabled=\"yes\"/>"
             "<SubDebug_ResolvedFibexRef Enabled=\"true\"/><SubDebug3/></CatDebug>"
             "</CATEGORIES>"));
  EXPECT_EQ(o.bits[kCatInfo], 1u << kSubInfoVelanDb);
  EXPECT_EQ(o.bits[kCatWarn], 0x3Fu);
  EXPECT_EQ(o.bits[kCatErr], 0u);
  EXPECT_EQ(o.bits[kCatDebug], (1u << kSubDebug1) | (1u << kSubDebugResolvedFibexRef));
}

TEST_F(Configuration, EveryWarnSubcategoryByName) {
  Outcome o =
      Read(Config(LogLine() + "<CATEGORIES><CatWarn Enabled=\"true\">"
                              "<SubWarnNiceToHave Enabled=\"true\"/>"
                              "<SubWarnVELANDb Enabled=\"true\"/>"
                              "<SubWarn_UnresolvedFibexRef Enabled=\"true\"/>"
                              "<SubWarn_Coding_UnsupportedCompuMethod_Assumption Enabled=\"true\"/>"
                              "<SubWarn_Scaling Enabled=\"true\"/>"
                              "</CatWarn><CatInfo Enabled=\"true\"><SubInfoNiceToHave "
                              "Enabled=\"true\"/><SubInfoRemoveFromInput Enabled=\"true\"/>"
                              "</CatInfo><CatDebug Enabled=\"true\"><SubDebug0 Enabled=\"true\"/>"
                              "<SubDebug_ListShortNameResolver Enabled=\"true\"/></CatDebug>"
                              "</CATEGORIES>"));
  EXPECT_EQ(o.bits[kCatWarn], 0x3Eu);
  EXPECT_EQ(o.bits[kCatInfo], 0xAu);
  EXPECT_EQ(o.bits[kCatDebug], 0x11u);
}

TEST_F(Configuration, ConfigurationFolderFromTheEnvironment) {
  const char* saved = getenv("VELAN_CONFIG_DIR");
  const std::string restore = saved ? saved : "";
  setenv("VELAN_CONFIG_DIR", "/etc/velan/", 1);
  EXPECT_EQ(ConfigurationPath(), "/etc/velan/velanar-cfg.xml");
  setenv("VELAN_CONFIG_DIR", "/etc/velan", 1);
  EXPECT_EQ(ConfigurationPath(), "/etc/velan/velanar-cfg.xml");
  setenv("VELAN_CONFIG_DIR", std::string(1100, 'd').c_str(), 1);
  EXPECT_EQ(ConfigurationPath(), "velanar-cfg.xml");  // does not fit: the current folder
  if (saved) {
    setenv("VELAN_CONFIG_DIR", restore.c_str(), 1);
  } else {
    unsetenv("VELAN_CONFIG_DIR");
  }
}

// The configuration reader library on its own.
class ConfigurationReader : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = dlopen(VELAN_TEST_LIB_DIR "/libvelanfx.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    auto query = reinterpret_cast<QueryXMLParserFn>(dlsym(library_, "QueryXMLParser"));
    ASSERT_NE(query, nullptr);
    reader_ = query();
    ASSERT_NE(reader_, nullptr);
  }
  void TearDown() override {
    if (reader_) reader_->Release();
    if (library_) dlclose(library_);
  }

  void* library_ = nullptr;
  IfcXMLParser* reader_ = nullptr;
  TempFolder folder_;
};

TEST_F(ConfigurationReader, QualifiedLookups) {
  const std::string path =
      folder_.Write("c.xml",
                    "<r:Root xmlns:r=\"urn:a:b\" xmlns=\"urn:other\">"
                    "<r:Item Enabled=\"true\" Empty=\"\">  one\n</r:Item><r:Item>two</r:Item>"
                    "<Item>other namespace</Item><plain xmlns=\"\" k=\"v\">p</plain></r:Root>");
  EXPECT_EQ(reader_->RootNode(), nullptr);
  ASSERT_TRUE(reader_->BindNamespace("urn:a:b", "x"));
  EXPECT_FALSE(reader_->BindNamespace("", "y"));
  ASSERT_TRUE(reader_->LoadFile(path.c_str()));
  IfcXMLNode* doc = reader_->RootNode();
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->FirstChild("r:Root", 0), nullptr);  // the file's prefix means nothing
  IfcXMLNode* root = doc->FirstChild("x:Root", 0);
  ASSERT_NE(root, nullptr);
  IfcXMLNode* first = root->FirstChild("x:Item", 0);
  IfcXMLNode* second = root->FirstChild("x:Item", 1);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(root->FirstChild("x:Item", 2), nullptr);
  EXPECT_STREQ(first->Text(), "one");
  EXPECT_STREQ(second->Text(), "two");
  EXPECT_STREQ(first->Attribute("Enabled"), "true");
  EXPECT_STREQ(first->Attribute("Empty"), "");
  EXPECT_EQ(first->Attribute("Missing"), nullptr);
  EXPECT_EQ(first->Attribute("x:Enabled"), nullptr);
  EXPECT_EQ(root->FirstChild("y:Item", 0), nullptr);  // unbound prefix
  IfcXMLNode* plain = root->FirstChild("plain", 0);
  ASSERT_NE(plain, nullptr);
  EXPECT_STREQ(plain->Attribute("k"), "v");
  EXPECT_STREQ(root->Text(), "");
}

TEST_F(ConfigurationReader, FailedLoadsLeaveNoRoot) {
  const std::string good = folder_.Write("good.xml", "<a/>");
  const std::string bad = folder_.Write("bad.xml", "<a><b></a>");
  ASSERT_TRUE(reader_->LoadFile(good.c_str()));
  EXPECT_NE(reader_->RootNode(), nullptr);
  EXPECT_FALSE(reader_->LoadFile(bad.c_str()));
  EXPECT_EQ(reader_->RootNode(), nullptr);
  EXPECT_FALSE(reader_->LoadFile((folder_ / "none.xml").c_str()));
  EXPECT_FALSE(reader_->LoadFile(nullptr));
  EXPECT_FALSE(reader_->LoadFile(folder_.Path().c_str()));
  // A FIFO is refused without waiting for a writer.
  ASSERT_EQ(mkfifo((folder_ / "fifo.xml").c_str(), 0600), 0);
  EXPECT_FALSE(reader_->LoadFile((folder_ / "fifo.xml").c_str()));
  EXPECT_EQ(reader_->RootNode(), nullptr);
}

}  // namespace

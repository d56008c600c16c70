// Reading, adjusting and writing the importer's configuration file.
#include "import_config.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include <fstream>
#include <sstream>

namespace velan_tool {
namespace {

std::string Wrap(const std::string& body) {
  return std::string("<?xml version=\"1.0\"?>\n<cfg:CONFIGURATION xmlns:cfg=\"") +
         kConfigNamespace + "\" xmlns:o=\"urn:other\">" + body + "</cfg:CONFIGURATION>";
}

ImportConfig Parse(const std::string& text) {
  ImportConfig c;
  std::string error;
  EXPECT_TRUE(ParseImportConfig(text, &c, &error)) << error;
  return c;
}

TEST(ImportConfigFile, PoliciesFollowTheImporterRules) {
  ImportConfig none = Parse(Wrap(""));
  EXPECT_TRUE(none.CanEnabled());
  EXPECT_TRUE(none.LinEnabled());
  EXPECT_FALSE(none.FlexRayEnabled());
  EXPECT_FALSE(none.OnlySpecifiedFile());

  // With Policies present, only "true" switches a cluster type on.
  ImportConfig c = Parse(
      Wrap("<cfg:Policies><cfg:CANCluster Enabled=\"all\"/><cfg:FlexRayCluster Enabled=\"true\"/>"
           "<cfg:FileSetPolicy> UseSpecifiedARXMLOnly </cfg:FileSetPolicy></cfg:Policies>"));
  EXPECT_FALSE(c.CanEnabled());
  EXPECT_FALSE(c.LinEnabled());
  EXPECT_TRUE(c.FlexRayEnabled());
  EXPECT_TRUE(c.OnlySpecifiedFile());

  // Switching FlexRay on without Policies keeps CAN and LIN on.
  none.EnableFlexRay();
  none.UseOnlySpecifiedFile();
  EXPECT_FALSE(none.AllClusters());
  none.EnableAllClusters();
  ImportConfig back = Parse(none.ToXml());
  EXPECT_TRUE(back.CanEnabled());
  EXPECT_TRUE(back.LinEnabled());
  EXPECT_TRUE(back.FlexRayEnabled());
  EXPECT_TRUE(back.OnlySpecifiedFile());
  EXPECT_TRUE(back.AllClusters());
}

TEST(ImportConfigFile, CategoriesAndTheirRoundTrip) {
  ImportConfig c = Parse(
      Wrap("<cfg:LogFile>out.txt</cfg:LogFile><cfg:CATEGORIES>"
           "<cfg:CatInfo Enabled=\"true\"><cfg:SubInfoDefault Enabled=\"false\"/>"
           "<cfg:SubInfoVELANDb Enabled=\"all\"/></cfg:CatInfo>"
           "<cfg:CatWarn Enabled=\"all\"><cfg:SubWarnDefault Enabled=\"false\"/></cfg:CatWarn>"
           "<cfg:CatErr Enabled=\"TRUE\"><cfg:SubErrDefault Enabled=\"true\"/></cfg:CatErr>"
           "<o:CatDebug Enabled=\"all\"/>"
           "</cfg:CATEGORIES>"));
  ASSERT_TRUE(c.logFile.has_value());
  EXPECT_EQ(*c.logFile, "out.txt");
  EXPECT_TRUE(c.hasCategories);
  EXPECT_EQ(c.categories[kCatInfo], 0x4u);   // only VELANDb
  EXPECT_EQ(c.categories[kCatWarn], 0x3Fu);  // "all" overrides the children
  EXPECT_EQ(c.categories[kCatErr], 0u);      // comparison is case-sensitive
  EXPECT_EQ(c.categories[kCatDebug], 0u);    // another namespace does not count

  c.EnableCategoryBits(kCatErr, 0xFFu);
  ImportConfig back = Parse(c.ToXml());
  EXPECT_EQ(back.categories, (std::array<uint32_t, 4>{0x4u, 0x3Fu, 0x1u, 0u}));
  EXPECT_EQ(*back.logFile, "out.txt");

  c.EnableAllCategories();
  EXPECT_EQ(Parse(c.ToXml()).categories, (std::array<uint32_t, 4>{0xFu, 0x3Fu, 0x1u, 0x3Fu}));
}

TEST(ImportConfigFile, TextsAreEscapedAndBadFilesRefused) {
  ImportConfig c;
  c.SetLog("a&b <c>.txt");
  EXPECT_EQ(*Parse(c.ToXml()).logFile, "a&b <c>.txt");

  ImportConfig out;
  std::string error;
  EXPECT_FALSE(ParseImportConfig("<cfg:CONFIGURATION", &out, &error));
  EXPECT_FALSE(error.empty());
  // Well-formed but not a configuration: the defaults.
  EXPECT_TRUE(
      ParseImportConfig("<CONFIGURATION><LogFile>x</LogFile></CONFIGURATION>", &out, &error));
  EXPECT_FALSE(out.logFile.has_value());
  EXPECT_FALSE(ReadImportConfigFile("/nonexistent/velanar-cfg.xml", &out, &error));
}

TEST(ImportConfigFile, PrivateFolderIsRemovedAndTheEnvironmentRestored) {
  setenv("VELAN_CONFIG_DIR", "/users/own/folder", 1);
  std::string folder;
  {
    TempConfigFolder temp;
    ImportConfig c;
    c.EnableFlexRay();
    std::string error;
    ASSERT_TRUE(temp.Create(&error)) << error;
    folder = temp.Folder();
    c.SetLog(temp.PathFor("import.log"));
    ASSERT_TRUE(temp.Activate(c, &error)) << error;
    EXPECT_EQ(std::string(getenv("VELAN_CONFIG_DIR")), folder);
    ImportConfig back;
    ASSERT_TRUE(ReadImportConfigFile(folder + "/" + kConfigFileName, &back, &error)) << error;
    EXPECT_TRUE(back.FlexRayEnabled());
    std::ofstream(temp.PathFor("import.log")) << "log lines";
  }
  EXPECT_EQ(std::string(getenv("VELAN_CONFIG_DIR")), "/users/own/folder");
  std::ifstream gone(folder + "/" + kConfigFileName);
  EXPECT_FALSE(gone.good());
  EXPECT_NE(access(folder.c_str(), F_OK), 0) << "private folder left behind";
  unsetenv("VELAN_CONFIG_DIR");
  {
    TempConfigFolder temp;
    std::string error;
    ASSERT_TRUE(temp.Activate(ImportConfig(), &error)) << error;
  }
  EXPECT_EQ(getenv("VELAN_CONFIG_DIR"), nullptr);
}

// The tool writes configuration files for the importer; both must agree on
// the namespace.
TEST(ImportConfigFile, NamespaceMatchesTheImporter) {
  std::ifstream in(std::string(VELAN_SOURCE_DIR) +
                   "/configuration/dbAccess/velanar/import/configuration.h");
  if (!in) GTEST_SKIP() << "importer sources not present";
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find(std::string("\"") + kConfigNamespace + "\""), std::string::npos);
}

}  // namespace
}  // namespace velan_tool

// The plug-in as a host sees it: loaded with dlopen, called through its
// exported functions, reaching the host library the application uses.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "temp_folder.h"
#include "velan/velanar.h"
#include "velan/velandb_host.h"

namespace {

const char kCluster[] =
    "<AUTOSAR xmlns=\"http://autosar.org/schema/r4.0\"><AR-PACKAGES><AR-PACKAGE>"
    "<SHORT-NAME>P</SHORT-NAME><ELEMENTS><SYSTEM><SHORT-NAME>Sys</SHORT-NAME><FIBEX-ELEMENTS>"
    "<FIBEX-ELEMENT-REF-CONDITIONAL><FIBEX-ELEMENT-REF DEST=\"CAN-CLUSTER\">/P/Can1"
    "</FIBEX-ELEMENT-REF></FIBEX-ELEMENT-REF-CONDITIONAL></FIBEX-ELEMENTS></SYSTEM>"
    "<CAN-CLUSTER><SHORT-NAME>Can1</SHORT-NAME><CAN-CLUSTER-VARIANTS><CAN-CLUSTER-CONDITIONAL>"
    "<BAUDRATE>500000</BAUDRATE><PHYSICAL-CHANNELS><CAN-PHYSICAL-CHANNEL><SHORT-NAME>Ch"
    "</SHORT-NAME></CAN-PHYSICAL-CHANNEL></PHYSICAL-CHANNELS></CAN-CLUSTER-CONDITIONAL>"
    "</CAN-CLUSTER-VARIANTS></CAN-CLUSTER></ELEMENTS></AR-PACKAGE></AR-PACKAGES></AUTOSAR>";

// A stand-in host library of the second product. Every creation answers a
// warning; OMIT leaves one required function out.
const char kFakeHostSource[] = R"(
#include <stdint.h>
#define EXPORT __attribute__((visibility("default")))
static uint64_t next = 1000;
EXPORT int32_t imp_CreateChildObject(uint32_t h, uint32_t t, const char* n, uint32_t pt,
                                     uint64_t p, uint64_t* id) {
  (void)h; (void)t; (void)n; (void)pt; (void)p;
  *id = ++next;
  return 1;
}
EXPORT int32_t imp_LinkToParent(uint32_t h, uint32_t t, uint64_t i, uint32_t pt, uint64_t p) {
  (void)h; (void)t; (void)i; (void)pt; (void)p;
  return 0;
}
EXPORT int32_t imp_SetProperty(uint32_t h, uint64_t i, uint32_t p, const void* v, uint32_t s) {
  (void)h; (void)i; (void)p; (void)v; (void)s;
  return 0;
}
EXPORT int32_t imp_ConvertStartBit_Fbx2toVELAN(uint8_t a, uint8_t b, uint8_t c, uint32_t d,
                                               uint32_t e, uint16_t* o) {
  (void)a; (void)b; (void)c; (void)e; *o = (uint16_t)d; return 0;
}
EXPORT int32_t imp_ConvertStartBit_Fbx3toVELAN(uint8_t a, uint8_t b, uint8_t c, uint32_t d,
                                               uint32_t e, uint16_t* o) {
  (void)a; (void)b; (void)c; (void)e; *o = (uint16_t)d; return 0;
}
#ifndef OMIT_CREATE_OBJECT
EXPORT int32_t imp_CreateObject(uint32_t h, uint32_t t, const char* n, uint64_t* id) {
  (void)h; (void)t; (void)n; *id = 0; return 0;
}
#endif
)";

// Compiles the fake host into folder/libmiravoDB.so; false without a C
// compiler.
bool BuildFakeHost(const TempFolder& folder, bool omitCreateObject) {
  const std::string source = folder.Write("fake.c", kFakeHostSource);
  const std::string command = std::string("cc -shared -fPIC -fvisibility=hidden ") +
                              (omitCreateObject ? "-DOMIT_CREATE_OBJECT " : "") + "-o '" +
                              folder / "libmiravoDB.so" + "' '" + source + "' 2>/dev/null";
  return std::system(command.c_str()) == 0;
}

class Plugin : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("VELAN_CONFIG_DIR", config_.Path().c_str(), 1);
    library_ = dlopen(VELAN_TEST_LIB_DIR "/libvelanar.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    getVersion_ = reinterpret_cast<GetImportVersionFn>(dlsym(library_, "GetImportVersion"));
    import_ = reinterpret_cast<ImportFn>(dlsym(library_, "Import"));
    setDbDll_ = reinterpret_cast<SetDbDllFn>(dlsym(library_, "SetDbDll"));
    ASSERT_TRUE(getVersion_ && import_ && setDbDll_);
    ASSERT_EQ(vdbCreateDatabase("plugin", &handle_), VDB_OK);
  }
  void TearDown() override {
    vdbDestroyDatabase(handle_);
    unsetenv("VELAN_CONFIG_DIR");
    // The plug-in stays loaded: SetDbDll's setting lives as long as it does.
  }
  void LogTo(const std::string& log) {
    config_.Write("velanar-cfg.xml",
                  "<CONFIGURATION xmlns=\"urn:velan:velanar-cfg:1\"><LogFile>" + log +
                      "</LogFile><CATEGORIES><CatWarn Enabled=\"all\"/><CatErr "
                      "Enabled=\"all\"/><CatInfo Enabled=\"all\"/></CATEGORIES></CONFIGURATION>");
  }

  TempFolder config_;
  TempFolder input_;
  void* library_ = nullptr;
  GetImportVersionFn getVersion_ = nullptr;
  ImportFn import_ = nullptr;
  SetDbDllFn setDbDll_ = nullptr;
  uint32_t handle_ = 0;
};

TEST_F(Plugin, GetImportVersion) {
  uint32_t version = 0;
  EXPECT_EQ(getVersion_(&version), 0u);
  EXPECT_EQ(version, 0x24281800u);
}

TEST_F(Plugin, ImportsIntoTheApplicationsDatabase) {
  const std::string log = config_ / "log.txt";
  LogTo(log);
  const std::string path = input_.Write("sys.arxml", kCluster);
  EXPECT_EQ(import_(path.c_str(), handle_), 0u);
  uint64_t cluster = 0;
  EXPECT_EQ(vdbFindChild(handle_, 2, "Can1", &cluster), VDB_OK);
  const std::string text = ReadWholeFile(log);
  EXPECT_EQ(text.rfind("0,0,'List of ARXML Files'\r\n0,0,'file[0]; \"" + path + "\"'\r\n\r\n", 0),
            0u)
      << text;
  EXPECT_NE(text.find("0,2,'OK -- CreateChildObject -- Create \"CLUSTER\" object "
                      "(Name=\"Can1\") and link to the \"DATABASE\" with IOID=" +
                      std::to_string(handle_)),
            std::string::npos);
  // A second import overwrites the log of the first.
  EXPECT_EQ(import_((input_ / "missing/x.arxml").c_str(), handle_), 0xBFF63081u);
  EXPECT_EQ(ReadWholeFile(log), "0,0,'List of ARXML Files'\r\n\r\n");
  EXPECT_EQ(import_(nullptr, handle_), 0xBFF63081u);
  EXPECT_EQ(import_("", handle_), 0xBFF63081u);
}

// Last in this file: SetDbDll changes the loaded plug-in for good.
TEST_F(Plugin, SetDbDllSwitchesToTheSecondProductsLibraries) {
  EXPECT_EQ(setDbDll_(nullptr), 0u);
  EXPECT_EQ(setDbDll_("libmiravoDB.so"), 0u);
  EXPECT_EQ(setDbDll_("/libmiravoDB.so"), 0u);
  const std::string path = input_.Write("sys.arxml", kCluster);
  EXPECT_EQ(import_(path.c_str(), handle_), 0u);  // still the own host library

  TempFolder partial;
  TempFolder full;
  if (!BuildFakeHost(partial, true) || !BuildFakeHost(full, false)) {
    GTEST_SKIP() << "no C compiler to build the stand-in host library";
  }
  // The configuration reader of the second product is found in its folder.
  ASSERT_EQ(symlink(VELAN_TEST_LIB_DIR "/libvelanfx.so", (full / "libmiravofx.so").c_str()), 0);
  const std::string log = config_ / "log.txt";
  LogTo(log);

  EXPECT_EQ(setDbDll_((partial / "libmiravoDB.so").c_str()), 0u);
  EXPECT_EQ(import_(path.c_str(), handle_), 0xBFF63081u);  // imp_CreateObject missing

  EXPECT_EQ(setDbDll_((full / "libmiravoDB.so").c_str()), 0u);
  EXPECT_EQ(import_(path.c_str(), handle_), 0x3FF63085u);
  const std::string text = ReadWholeFile(log);
  EXPECT_NE(text.find("1,2,'WARNING -- CreateChildObject (Code=0x00000001) -- Type=\"CLUSTER\""),
            std::string::npos)
      << text;
  // The second product has no status-text library: no text line follows.
  EXPECT_EQ(text.find("1,2,'\""), std::string::npos);
}

}  // namespace

// The host libraries as a plug-in sees them: one loaded libvelanDB.so shared
// by the application and the plug-in, and the status texts of libvelan.so.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "velan/host_vocabulary.h"
#include "velan/velandb_host.h"
#include "velan/velandb_import.h"
#include "velan/vlstatus.h"

namespace {

struct Library {
  void* handle = nullptr;
  explicit Library(const char* name) : handle(dlopen(name, RTLD_NOW | RTLD_LOCAL)) {}
  ~Library() {
    if (handle) dlclose(handle);
  }
  template <typename F>
  F Find(const char* symbol) const {
    return reinterpret_cast<F>(dlsym(handle, symbol));
  }
};

// A plug-in dlopens the bare name; the library the application linked
// against is already loaded under that name, so both reach one set of
// databases.
TEST(HostLibraries, BareNameReachesTheLinkedLibraryAndItsDatabases) {
  uint32_t handle = 0;
  ASSERT_EQ(vdbCreateDatabase("shared", &handle), VDB_OK);
  Library db("libvelanDB.so");
  ASSERT_NE(db.handle, nullptr) << dlerror();
  auto create = db.Find<imp_CreateChildObjectFn>("imp_CreateChildObject");
  auto link = db.Find<imp_LinkToParentFn>("imp_LinkToParent");
  auto set = db.Find<imp_SetPropertyFn>("imp_SetProperty");
  auto start2 = db.Find<imp_ConvertStartBitFn>("imp_ConvertStartBit_Fbx2toVELAN");
  auto start3 = db.Find<imp_ConvertStartBitFn>("imp_ConvertStartBit_Fbx3toVELAN");
  ASSERT_TRUE(create && link && set && start2 && start3 &&
              db.Find<imp_CreateObjectFn>("imp_CreateObject"));
  EXPECT_EQ(reinterpret_cast<void*>(create), reinterpret_cast<void*>(&imp_CreateChildObject));

  uint64_t cluster = 0;
  ASSERT_EQ(create(handle, VELAN_OT_CLUSTER, "C", VELAN_OT_DATABASE, handle, &cluster), VDB_OK);
  vdbObjectInfo info{};
  ASSERT_EQ(vdbGetObject(cluster, &info), VDB_OK);
  EXPECT_EQ(info.database, handle);
  EXPECT_EQ(vdbObjectCount(handle), 1u);
  EXPECT_EQ(vdbDestroyDatabase(handle), VDB_OK);
}

TEST(HostLibraries, ReadAndApplicationFunctionsAreExported) {
  Library db("libvelanDB.so");
  ASSERT_NE(db.handle, nullptr);
  for (const char* name :
       {"dbaOpenDatabase", "dbaCloseDatabase", "dbaSaveDatabase", "dbaGetPropertySize",
        "dbaGetProperty", "dbaSetProperty", "vdbCreateDatabase", "vdbPrintTree", "vdbSaveDatabase",
        "vdbOpenDatabase", "vdbLastError"})
    EXPECT_NE(dlsym(db.handle, name), nullptr) << name;
  // Internal symbols stay hidden.
  EXPECT_EQ(dlsym(db.handle, "_ZN3vdb5Store3GetEv"), nullptr);
}

TEST(HostLibraries, StatusTextsOfTheHostCodes) {
  const std::string path = std::string(VELAN_TEST_LIB_DIR) + "/libvelan.so";
  Library texts(path.c_str());
  ASSERT_NE(texts.handle, nullptr) << dlerror();
  auto toString = texts.Find<vlStatusToStringFn>("vlStatusToString");
  ASSERT_NE(toString, nullptr);
  char buffer[2048];
  for (int32_t code = VDB_E_INVALID_ARGUMENT; code <= VDB_E_UNKNOWN_HANDLE; ++code)
    EXPECT_STRNE(toString(code, sizeof buffer, buffer), "") << code;
  for (uint32_t code = VDBA_E_UNKNOWN_REFERENCE; code <= VDBA_E_INTERNAL; ++code)
    EXPECT_STRNE(toString(static_cast<int32_t>(code), sizeof buffer, buffer), "") << code;
  EXPECT_STREQ(toString(VDB_E_CHILD_NOT_ALLOWED, sizeof buffer, buffer),
               "parent object type cannot hold this child type");
  EXPECT_STREQ(toString(static_cast<int32_t>(VDBA_E_UNSUPPORTED_FORMAT), sizeof buffer, buffer),
               "unsupported format");
  // Unknown codes give the empty text; short buffers get a cut text.
  EXPECT_STREQ(toString(0, sizeof buffer, buffer), "");
  EXPECT_STREQ(toString(-100, sizeof buffer, buffer), "");
  EXPECT_STREQ(toString(12345, sizeof buffer, buffer), "");
  char small[8];
  EXPECT_STREQ(toString(VDB_E_UNKNOWN_TYPE, sizeof small, small), "unknown");
  EXPECT_EQ(toString(VDB_E_UNKNOWN_TYPE, 0, nullptr), nullptr);
}

}  // namespace

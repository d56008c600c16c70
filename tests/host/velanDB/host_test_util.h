// Helpers for the reference host tests: a database that is destroyed with
// the test, and short forms of the import calls.
#ifndef VELAN_TESTS_HOST_VELANDB_HOST_TEST_UTIL_H
#define VELAN_TESTS_HOST_VELANDB_HOST_TEST_UTIL_H

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "velan/host_vocabulary.h"
#include "velan/velandb_host.h"
#include "velan/velandb_import.h"

class TestDb {
 public:
  explicit TestDb(const char* name = "db") { EXPECT_EQ(vdbCreateDatabase(name, &handle_), VDB_OK); }
  ~TestDb() {
    if (handle_) vdbDestroyDatabase(handle_);
  }
  TestDb(const TestDb&) = delete;
  TestDb& operator=(const TestDb&) = delete;

  uint32_t handle() const { return handle_; }
  uint64_t root() const { return handle_; }

  // Creates a child and fails the test when the host refuses it.
  uint64_t Child(uint32_t type, const char* name, uint32_t parentType, uint64_t parent) {
    uint64_t id = 0;
    int32_t r = imp_CreateChildObject(handle_, type, name, parentType, parent, &id);
    EXPECT_EQ(r, VDB_OK) << vdbLastError();
    return id;
  }
  int32_t TryChild(uint32_t type, const char* name, uint32_t parentType, uint64_t parent,
                   uint64_t* id = nullptr) {
    uint64_t local = 0;
    return imp_CreateChildObject(handle_, type, name, parentType, parent, id ? id : &local);
  }
  int32_t Link(uint64_t object, uint32_t parentType, uint64_t parent) {
    return imp_LinkToParent(handle_, VELAN_OT_SIG_INST, object, parentType, parent);
  }
  template <typename T>
  int32_t Set(uint64_t object, uint32_t property, T value) {
    return imp_SetProperty(handle_, object, property, &value, sizeof value);
  }
  int32_t SetStr(uint64_t object, uint32_t property, const char* text) {
    return imp_SetProperty(handle_, object, property, text,
                           static_cast<uint32_t>(std::strlen(text) + 1));
  }
  std::string Tree(uint64_t root = 0) const {
    size_t length = 0;
    uint64_t r = root ? root : handle_;
    EXPECT_EQ(vdbFormatTree(r, nullptr, 0, &length), VDB_OK);
    std::string text(length + 1, '\0');
    EXPECT_EQ(vdbFormatTree(r, text.data(), text.size(), &length), VDB_OK);
    text.resize(length);
    return text;
  }
  // Hands the database over (it is not destroyed by this object).
  uint32_t Release() {
    uint32_t h = handle_;
    handle_ = 0;
    return h;
  }

 private:
  uint32_t handle_ = 0;
};

#endif

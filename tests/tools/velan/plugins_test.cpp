// The words the tool prints for the codes Import returns.
#include "plugins.h"

#include <gtest/gtest.h>

#include "velan/velandb_host.h"

namespace velan_tool {
namespace {

TEST(ImportCodes, EveryReturnedCodeHasItsMeaning) {
  EXPECT_EQ(ImportCodeMeaning(0), "ok");
  EXPECT_EQ(ImportCodeMeaning(0x3FF63085u), "host warning");
  EXPECT_EQ(ImportCodeMeaning(0xBFF63081u).rfind("import failed", 0), 0u);
  EXPECT_EQ(ImportCodeMeaning(0xBFF63010u), "out of memory");
  EXPECT_EQ(ImportCodeMeaning(0xBFF63165u), "unsupported AUTOSAR version");
  EXPECT_EQ(ImportCodeMeaning(0xBFF63001u), "internal error of the importer");
  // A host's own negative code comes back unchanged: its number and the
  // status library's text.
  std::string host = ImportCodeMeaning(static_cast<uint32_t>(VDB_E_CHILD_NOT_ALLOWED));
  EXPECT_EQ(host.rfind("host error -106", 0), 0u) << host;
  EXPECT_GT(host.size(), std::string("host error -106").size()) << "no status text";
  EXPECT_EQ(ImportCodeMeaning(5), "unknown code");

  EXPECT_FALSE(ImportCodeIsError(0x3FF63085u));
  EXPECT_TRUE(ImportCodeIsError(0xBFF63081u));
  EXPECT_EQ(Hex32(0xbff63081u), "0xBFF63081");
  EXPECT_EQ(Hex32(0), "0x00000000");
}

}  // namespace
}  // namespace velan_tool

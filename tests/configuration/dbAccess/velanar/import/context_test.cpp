// Construction of the conversion context: bindings, document, pools and the
// decimal-separator probe.
#include <gtest/gtest.h>
#include <locale.h>
#include <stdlib.h>

#include <string>

#include "import/bindings.h"
#include "import/convert_ctx.h"
#include "temp_folder.h"
#include "xml/document.h"

namespace {

TEST(Context, ConstructionWithTheOwnLibraries) {
  cConvertCtx ctx;
  EXPECT_EQ(ctx.status.Code(), StatusOk);
  EXPECT_TRUE(ctx.hostDb);
  EXPECT_TRUE(ctx.velan);
  ASSERT_TRUE(ctx.document);
  EXPECT_EQ(ctx.hostDb->RefCount(), 1u);
  EXPECT_NE(ctx.hostDb->ConvertStartBitFbx3(), nullptr);
  EXPECT_EQ(ctx.decimalSeparator, '.');
  EXPECT_EQ(ctx.foreignSeparator, ',');
  EXPECT_TRUE(ctx.policies.canEnabled);
  EXPECT_TRUE(ctx.policies.linEnabled);
  EXPECT_FALSE(ctx.policies.flexRayEnabled);
  EXPECT_EQ(ctx.policies.fileSetPolicy, 0u);
  EXPECT_EQ(ctx.elementPool.BlockSize(), 0x12000u);
  EXPECT_EQ(ctx.attributeMapPool.BlockSize(), 16384u);
  EXPECT_EQ(ctx.childListPool.BlockSize(), 32768u);
}

TEST(Context, StatusTextsWithoutTheirLibraryAreEmpty) {
  TempFolder empty;
  cLibraryName::Instance().SetFromDbLibraryPath((empty / "libmiravoDB.so").c_str());
  cConvertCtx ctx;
  cLibraryName::Instance().Reset();
  EXPECT_EQ(ctx.status.Code(), StatusHostUnavailable);
  EXPECT_FALSE(ctx.hostDb);
  ASSERT_TRUE(ctx.velan);
  char text[8] = "xyz";
  ctx.velan->StatusToString()(-101, sizeof(text), text);
  EXPECT_STREQ(text, "");
  // Host calls without a host binding do nothing.
  EXPECT_EQ(ctx.CreateChildObject(2, "C", 0, 1), 0u);
  EXPECT_EQ(ctx.status.Code(), StatusHostUnavailable);
}

TEST(Context, SafeInterfaceHoldersCountReferences) {
  cConvertCtx ctx;
  ASSERT_TRUE(ctx.hostDb);
  {
    cSafeIfc<IfcImpVelanDB> copy(ctx.hostDb);
    EXPECT_EQ(ctx.hostDb->RefCount(), 2u);
    cSafeIfc<IfcImpVelanDB> moved(std::move(copy));
    EXPECT_FALSE(copy);
    EXPECT_EQ(moved->RefCount(), 2u);
  }
  EXPECT_EQ(ctx.hostDb->RefCount(), 1u);
}

// Builds a locale whose decimal separator is ',' in a temporary folder and
// makes it the numeric locale for the life of the object.
class CommaLocale {
 public:
  CommaLocale() {
    folder_.Write("comma.src",
                  "LC_NUMERIC\ndecimal_point \"<U002C>\"\nthousands_sep \"<U002E>\"\n"
                  "grouping -1\nEND LC_NUMERIC\n");
    const std::string command = "localedef -c -i '" + folder_ / "comma.src" +
                                "' -f ANSI_X3.4-1968 '" + folder_ / "comma" + "' >/dev/null 2>&1";
    (void)std::system(command.c_str());
    setenv("LOCPATH", folder_.Path().c_str(), 1);
    active_ = setlocale(LC_NUMERIC, "comma") != nullptr;
  }
  ~CommaLocale() {
    setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
  }
  bool Active() const { return active_; }

 private:
  TempFolder folder_;
  bool active_ = false;
};

TEST(Context, DecimalSeparatorFollowsTheRuntimeLocale) {
  CommaLocale locale;
  if (!locale.Active()) GTEST_SKIP() << "cannot build a locale with ',' as decimal separator";
  cConvertCtx ctx;
  EXPECT_EQ(ctx.decimalSeparator, ',');
  EXPECT_EQ(ctx.foreignSeparator, '.');
}

}  // namespace

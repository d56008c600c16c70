// Unique names within a cluster, and the record maps.
#include <string>

#include <gtest/gtest.h>

#include "convert/object_model.h"
#include "import/convert_ctx.h"
#include "xml/document.h"

namespace {

class UniqueNames : public ::testing::Test {
 protected:
  UniqueNames() : document_(CreateDocument()) { names_.Bind(document_.Get()); }

  std::string Make(const std::string& wanted, const char* suffix) {
    const char* name = document_->Intern(wanted.c_str());
    if (!names_.MakeUnique(name, suffix)) return "<failed>";
    // The result is the pooled copy.
    EXPECT_EQ(name, document_->Find(name));
    return name;
  }

  cScopedPtr<exDocument> document_;
  cHackMacSet names_;
};

TEST_F(UniqueNames, SuffixThenNumbersCountedPerSuffix) {
  EXPECT_EQ(Make("Speed", "_frm"), "Speed");
  EXPECT_EQ(Make("Speed", "_frm"), "Speed_frm");
  EXPECT_EQ(Make("Speed", "_frm"), "Speed_frm0");
  EXPECT_EQ(Make("Speed", "_frm"), "Speed_frm1");
  EXPECT_EQ(Make("Gear", "_frm"), "Gear");
  EXPECT_EQ(Make("Gear", "_frm"), "Gear_frm");
  // The counter belongs to the suffix: Gear continues after Speed's numbers.
  EXPECT_EQ(Make("Gear", "_frm"), "Gear_frm2");
  // Another suffix has its own counter.
  EXPECT_EQ(Make("Speed", "_pdu"), "Speed_pdu");
  EXPECT_EQ(Make("Speed", "_pdu"), "Speed_pdu0");
}

TEST_F(UniqueNames, NumberedCandidateSkipsTakenNames) {
  EXPECT_EQ(Make("A_x0", "_y"), "A_x0");
  EXPECT_EQ(Make("A", "_x"), "A");
  EXPECT_EQ(Make("A", "_x"), "A_x");
  EXPECT_EQ(Make("A", "_x"), "A_x1");  // A_x0 is taken by another object
}

TEST_F(UniqueNames, EmptySuffixGoesStraightToNumbers) {
  EXPECT_EQ(Make("Name", ""), "Name");
  EXPECT_EQ(Make("Name", ""), "Name0");
  EXPECT_EQ(Make("Name", ""), "Name1");
}

TEST_F(UniqueNames, LongNamesAreCutTo128Characters) {
  const std::string long200(200, 'a');
  const std::string first = Make(long200, "_frm");
  EXPECT_EQ(first, std::string(128, 'a'));

  // Names differing beyond the 128th character collide.
  const std::string other = std::string(128, 'a') + "bbbb";
  EXPECT_EQ(Make(other, "_frm"), std::string(124, 'a') + "_frm");
  // Numbered candidates are cut so that suffix and number fit.
  EXPECT_EQ(Make(other, "_frm"), std::string(123, 'a') + "_frm0");
}

TEST_F(UniqueNames, Exactly128CharactersCollidingWithSuffix) {
  const std::string name128 = std::string(127, 'n') + "Z";
  EXPECT_EQ(Make(name128, "_pdu"), name128);
  EXPECT_EQ(Make(name128, "_pdu"), name128.substr(0, 124) + "_pdu");
  // A short name keeps all its characters before the suffix.
  EXPECT_EQ(Make("n", "_pdu"), "n");
  EXPECT_EQ(Make("n", "_pdu"), "n_pdu");
}

TEST_F(UniqueNames, UnboundSetRefuses) {
  cHackMacSet unbound;
  const char* name = "X";
  EXPECT_FALSE(unbound.MakeUnique(name, "_frm"));
  EXPECT_STREQ(name, "X");
}

struct Counted : cCvEl {
  explicit Counted(int* alive) : alive_(alive) { ++*alive_; }
  ~Counted() override { --*alive_; }
  int* alive_;
};

TEST(RecordMaps, NameOrderAndOwnership) {
  int alive = 0;
  {
    ctPtrMap<cCvEl> map;
    // Bytes compare as signed char: 0xC3 (UTF-8 lead byte) sorts before 'A'.
    const char* keys[] = {"b", "A", "ab", "a", "\xC3\xA4"};
    for (const char* key : keys) ASSERT_TRUE(map.Insert(key, new Counted(&alive)));
    Counted* duplicate = new Counted(&alive);
    EXPECT_FALSE(map.Insert("a", duplicate));  // the caller keeps it
    delete duplicate;
    std::string order;
    for (const auto& entry : map) order += std::string(entry.first) + ",";
    EXPECT_EQ(order, "\xC3\xA4,A,a,ab,b,");
    EXPECT_EQ(alive, 5);
  }
  EXPECT_EQ(alive, 0);
}

TEST(RecordMaps, ScheduleRecordsRefuseTakenKeys) {
  cConvertCtx ctx;
  ctx.status = cVelanarStatus();
  cCvCluster cluster;
  cCvST* table = CreateScheduleTableRecord(&ctx, cluster.scheduleTables, 42);
  ASSERT_NE(table, nullptr);
  table->table = 7;
  uint64_t key = 0;
  EXPECT_TRUE(cluster.FindScheduleTableKey(7, &key));
  EXPECT_EQ(key, 42u);
  EXPECT_FALSE(cluster.FindScheduleTableKey(8, &key));
  EXPECT_NE(CreateScheduleEntryRecord(&ctx, table->entries, 1), nullptr);
  EXPECT_EQ(ctx.status.Code(), StatusOk);

  EXPECT_EQ(CreateScheduleTableRecord(&ctx, cluster.scheduleTables, 42), nullptr);
  EXPECT_EQ(ctx.status.Code(), StatusOutOfMemory);
  EXPECT_EQ(cluster.scheduleTables.Size(), 1u);
}

}  // namespace

// The status record of an export: what is recorded, what stays, and what a
// failure leaves behind (no file, the database flag put back).
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "dbc/dbc_writer.h"
#include "export/to_context.h"
#include "export/to_driver.h"
#include "export/to_host.h"
#include "export/to_status.h"
#include "fake_host.h"
#include "golden_scenarios.h"
#include "test_util.h"

namespace vldbcex_test {
namespace {

namespace prop = vldbcex::prop;
using vldbcex::DbcWrite;

constexpr uint32_t kHostError = 0x80A10001u;  // the fake's injected failure

uint8_t ShowInvalid(const FakeHost& host, const TRefs& refs) {
  const std::vector<uint8_t> bytes = host.Bytes(refs.database, prop::kDatabaseShowInvalid);
  return bytes.empty() ? 0xFF : bytes[0];
}

class ExportStatus : public ::testing::Test {
 protected:
  FakeHost host;
  TRefs refs = BuildFake(host, ClassicCluster());
  TempDir dir;
  std::string path = dir.File("out.dbc");
  dbaStatus status = {0, 0};
};

TEST_F(ExportStatus, EmptyOrNullPathIsAnOutputFileError) {
  DbcWrite(refs.cluster, "", &status);
  EXPECT_EQ(status.detail, vldbcex::kDetailOutputFile);
  EXPECT_EQ(status.code, vldbcex::kCodeOutputFile);

  dbaStatus second = {0, 0};
  DbcWrite(refs.cluster, nullptr, &second);
  EXPECT_EQ(second.detail, vldbcex::kDetailOutputFile);
  EXPECT_EQ(second.code, vldbcex::kCodeOutputFile);
  EXPECT_EQ(ShowInvalid(host, refs), 0);
}

TEST_F(ExportStatus, FileThatCannotBeCreatedIsAnOutputFileError) {
  DbcWrite(refs.cluster, dir.File("missing/out.dbc").c_str(), &status);
  EXPECT_EQ(status.detail, vldbcex::kDetailOutputFile);
  EXPECT_EQ(status.code, vldbcex::kCodeOutputFile);
}

TEST_F(ExportStatus, AnErrorAlreadyRecordedStays) {
  status = {9, 0x80000009u};
  DbcWrite(refs.cluster, "", &status);
  EXPECT_EQ(status.detail, 9u);
  EXPECT_EQ(status.code, 0x80000009u);
  DbcWrite(refs.cluster, path.c_str(), &status);
  EXPECT_EQ(status.detail, 9u);
  EXPECT_EQ(status.code, 0x80000009u);
}

TEST_F(ExportStatus, RejectedClusterCreatesNoFileAndTruncatesNothing) {
  WriteFile(path, "previous content");
  DbcWrite(0xDEAD, path.c_str(), &status);
  EXPECT_NE(status.code & vldbcex::kStatusErrorBit, 0u);
  EXPECT_EQ(ReadFile(path), "previous content");

  dbaStatus fresh = {0, 0};
  const std::string other = dir.File("never.dbc");
  DbcWrite(0xDEAD, other.c_str(), &fresh);
  EXPECT_FALSE(FileExists(other));
}

TEST_F(ExportStatus, ClusterWithoutDatabaseEndsQuietly) {
  host.SetU32(refs.cluster, prop::kClusterDatabase, 0);
  DbcWrite(refs.cluster, path.c_str(), &status);
  EXPECT_EQ(status.code, 0u);
  EXPECT_FALSE(FileExists(path));
}

TEST_F(ExportStatus, InvalidObjectsFlagIsOnDuringTheExportAndPutBack) {
  DbcWrite(refs.cluster, path.c_str(), &status);
  EXPECT_EQ(status.code, 0u);
  using W = std::tuple<uint32_t, uint32_t, uint8_t>;
  const std::vector<W> expected = {W{refs.database, prop::kDatabaseShowInvalid, 1},
                                   W{refs.database, prop::kDatabaseShowInvalid, 0}};
  EXPECT_EQ(host.writes, expected);
  EXPECT_EQ(ShowInvalid(host, refs), 0);

  // A flag that was set stays set, also after a failed export.
  host.SetFlag(refs.database, prop::kDatabaseShowInvalid, true);
  dbaStatus failed = {0, 0};
  DbcWrite(refs.cluster, "", &failed);
  EXPECT_EQ(failed.code, vldbcex::kCodeOutputFile);
  EXPECT_EQ(ShowInvalid(host, refs), 1);
}

TEST_F(ExportStatus, FlagPutBackAfterAFailedOpen) {
  host.FailRead(refs.cluster, prop::kClusterName);
  DbcWrite(refs.cluster, path.c_str(), &status);
  EXPECT_EQ(status.code, kHostError);
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(ShowInvalid(host, refs), 0);
  EXPECT_EQ(host.writes.size(), 2u);
}

// Results of putting the flag back reach the export's record only when they
// carry bit 14 or 15, never over an error, and a non-error never replaces a
// result of that kind.
TEST_F(ExportStatus, RestoringResultReachesTheRecordByItsBits) {
  struct Case {
    dbaStatus before;
    uint32_t restore;
    uint32_t expectedCode;
  };
  const Case cases[] = {
      {{0, 0}, 0x80004000u, 0x80004000u},            // error with bit 14: copied
      {{0, 0}, 0x80008000u, 0x80008000u},            // error with bit 15: copied
      {{0, 0}, 0x80000001u, 0u},                     // error without them: not copied
      {{0, 0}, 0x00004000u, 0x00004000u},            // non-error with bit 14: copied
      {{0, 0x00004000u}, 0x00008000u, 0x00004000u},  // does not replace bit 14
      {{0, 0x00004000u}, 0x80008000u, 0x80008000u},  // an error does
      {{0, 0x00000010u}, 0x00008000u, 0x00008000u},  // other non-errors are replaced
  };
  for (const Case& c : cases) {
    FakeHost fake;
    const TRefs r = BuildFake(fake, ClassicCluster());
    fake.QueueWriteResults({0, c.restore});
    dbaStatus s = c.before;
    DbcWrite(r.cluster, dir.File("restore.dbc").c_str(), &s);
    EXPECT_EQ(s.code, c.expectedCode) << std::hex << c.before.code << " " << c.restore;
  }
  // An export that already failed keeps its own error.
  FakeHost fake;
  const TRefs r = BuildFake(fake, ClassicCluster());
  fake.QueueWriteResults({0, 0x80004000u});
  dbaStatus s = {0, 0};
  DbcWrite(r.cluster, "", &s);
  EXPECT_EQ(s.code, vldbcex::kCodeOutputFile);
}

TEST_F(ExportStatus, FailingToSwitchTheFlagOnEndsTheExport) {
  host.QueueWriteResults({0x80000077u});
  DbcWrite(refs.cluster, path.c_str(), &status);
  EXPECT_EQ(status.code, 0x80000077u);
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(host.writes.size(), 1u);  // nothing to put back
}

// Host failures while writing: reads made with the export's record leave the
// item out and keep the error; reads with a record of the writer's own only
// leave the item out.
class WriterFailures : public ::testing::Test {
 protected:
  FakeHost host;
  TRefs refs = BuildFake(host, FdJ1939Cluster(false));
  TempDir dir;
  std::string path = dir.File("out.dbc");
  dbaStatus status = {0, 0};

  std::string Export() {
    DbcWrite(refs.cluster, path.c_str(), &status);
    return ReadFile(path);
  }
};

TEST_F(WriterFailures, FrameNameFailureLeavesOutThatFrameAndLaterOnes) {
  host.FailRead(refs.frames[1], prop::kFrameName);
  const std::string text = Export();
  EXPECT_EQ(status.code, kHostError);
  EXPECT_NE(text.find("BO_ 2566844672 EngineData"), std::string::npos);
  EXPECT_EQ(text.find("BO_ 2147484159"), std::string::npos);
  EXPECT_EQ(text.find("\nBO_ 291"), std::string::npos);
  EXPECT_NE(text.find("CM_ BO_ 291"), std::string::npos);  // read with its own record
  // Sections read with records of their own are still written.
  EXPECT_NE(text.find("BA_DEF_ \"DBName\" STRING;\r\n"), std::string::npos);
  EXPECT_NE(text.find("SIG_VALTYPE_ 2566844672 Speed : 2;\r\n"), std::string::npos);
}

TEST_F(WriterFailures, SignalFailureLeavesOutTheLine) {
  host.FailRead(refs.signals[1][0], prop::kSignalMaximum);
  const std::string text = Export();
  EXPECT_EQ(status.code, kHostError);
  EXPECT_EQ(text.find("SG_ Pressure"), std::string::npos);
  EXPECT_EQ(text.find("SG_ Valve"), std::string::npos);
}

TEST_F(WriterFailures, OptionalReadsDoNotFailTheExport) {
  host.FailRead(refs.frames[2], prop::kFrameSignals);       // no SG_ lines for Misc
  host.FailRead(refs.signals[0][1], prop::kSignalComment);  // no CM_ SG_ line
  host.FailRead(refs.frames[0], prop::kFrameTime);          // time taken as 0.1 s
  const std::string text = Export();
  EXPECT_EQ(status.code, 0u);
  EXPECT_NE(text.find("BO_ 291 Misc: 8 Vector__XXX\r\n\r\n"), std::string::npos);
  EXPECT_EQ(text.find("SG_ Sel"), std::string::npos);
  EXPECT_EQ(text.find("CM_ SG_"), std::string::npos);
  EXPECT_NE(text.find("BA_ \"GenMsgDelayTime\" BO_ 2566844672 100;\r\n"), std::string::npos);
}

// Value tables are read with a record of the writer's own: a signal whose
// values cannot be read or are garbled only loses its VAL_ line. The
// database's flag leaves the section out.
TEST_F(WriterFailures, ValueTablesSkipUnreadableValuesAndObeyTheFlag) {
  host.FailRead(refs.signals[1][2], prop::kSignalValueDescriptions);  // Temp
  host.SetBytes(refs.signals[1][1], prop::kSignalValueDescriptions, "\0\0\0\0\0\0\0\0x",
                9);  // Valve
  const std::string text = Export();
  EXPECT_EQ(status.code, 0u);
  EXPECT_NE(text.find("BU_ Display 1;\r\nVAL_ 291 Leaf 255 \"SNA\" 3 \"Three\" ;\r\nSIG_VALTYPE_"),
            std::string::npos);
  host.SetFlag(refs.database, prop::kDatabaseOmitValueTables, true);
  EXPECT_EQ(Export().find("VAL_ "), std::string::npos);
}

TEST_F(WriterFailures, FrameCommentFailureEndsTheCommentSection) {
  host.FailRead(refs.frames[0], prop::kFrameComment);
  const std::string text = Export();
  EXPECT_EQ(status.code, 0u);
  EXPECT_EQ(text.find("CM_ BO_"), std::string::npos);  // Misc's comment comes later
  EXPECT_NE(text.find("CM_ SG_ 2566844672 Torque"), std::string::npos);
}

// An unreadable timing type is a host failure: it is recorded, and this
// frame and the later ones get no attribute values.
TEST_F(WriterFailures, UnreadableTimingTypeFailsTheExportAndLaterFrameValues) {
  host.FailRead(refs.frames[1], prop::kFrameTimingType);
  const std::string text = Export();
  EXPECT_EQ(status.code, kHostError);
  EXPECT_NE(text.find("BA_ \"VFrameFormat\" BO_ 2566844672 3;"), std::string::npos);
  EXPECT_EQ(text.find("BA_ \"VFrameFormat\" BO_ 2147484159"), std::string::npos);
  EXPECT_EQ(text.find("BA_ \"VFrameFormat\" BO_ 291"), std::string::npos);
}

TEST_F(WriterFailures, ZeroFrameReferenceIsRecordedAndLeftOut) {
  host.SetList(refs.cluster, prop::kClusterFrames, {refs.frames[0], 0, refs.frames[2]});
  const std::string text = Export();
  EXPECT_EQ(status.detail, vldbcex::kDetailNullFrame);
  EXPECT_EQ(status.code, vldbcex::kCodeNoCurrentItem);
  EXPECT_NE(text.find("BO_ 2566844672"), std::string::npos);
  EXPECT_EQ(text.find("\nBO_ 291"), std::string::npos);  // the error stays recorded
}

TEST_F(WriterFailures, EcuReadFailureEndsOpen) {
  host.FailRead(refs.ecus[2], prop::kEcuJ1939Name);
  const std::string text = Export();
  EXPECT_EQ(status.code, kHostError);
  EXPECT_FALSE(FileExists(path));
}

TEST_F(WriterFailures, FrameModeFailureEndsOpen) {
  host.FailRead(refs.frames[3], prop::kFrameCanIoMode);
  Export();
  EXPECT_EQ(status.code, kHostError);
  EXPECT_FALSE(FileExists(path));
}

// Writers called without a current item.
TEST(WriterIndexChecks, RecordTheirDetails) {
  FakeHost host;
  const TRefs refs = BuildFake(host, FdJ1939Cluster(false));
  struct Case {
    void (*write)(vldbcex::ToCtx&);
    uint32_t detail;
  };
  const Case cases[] = {{vldbcex::WriteSignal, vldbcex::kDetailNoCurrentSignal},
                        {vldbcex::WriteFrame, vldbcex::kDetailNoCurrentFrame},
                        {vldbcex::WriteFrameValues, vldbcex::kDetailNoCurrentFrameAttr},
                        {vldbcex::WriteEcuValues, vldbcex::kDetailNoCurrentEcuAttr}};
  for (const Case& c : cases) {
    dbaStatus status = {0, 0};
    vldbcex::ToCtx ctx(&status, refs.cluster);
    ASSERT_TRUE(ctx.Open());
    EXPECT_EQ(ctx.currentFrame, refs.frames.size());  // no current frame
    c.write(ctx);
    EXPECT_EQ(status.detail, c.detail);
    EXPECT_EQ(status.code, vldbcex::kCodeNoCurrentItem);
    EXPECT_EQ(ctx.sink.Count(), 0u);
  }
}

TEST(ContextOpen, ReadsListsInHostOrder) {
  FakeHost host;
  const TRefs refs = BuildFake(host, FdJ1939Cluster(false));
  dbaStatus status = {0, 0};
  vldbcex::ToCtx ctx(&status, refs.cluster);
  ASSERT_TRUE(ctx.Open());
  EXPECT_TRUE(ctx.IsOpen());
  EXPECT_EQ(ctx.database, refs.database);
  EXPECT_EQ(ctx.canIoMode, 2u);
  EXPECT_EQ(ctx.appProtocol, 1u);
  EXPECT_EQ(ctx.clusterName, "ChassisFD");
  ASSERT_EQ(ctx.frames.Count(), 4u);
  EXPECT_EQ(ctx.frames[2]->CanIoMode(), 1u);
  ASSERT_EQ(ctx.ecus.Count(), 4u);
  EXPECT_EQ(ctx.ecus[2]->name, "Brake");
  EXPECT_EQ(ctx.ecus[2]->j1939Address, 33u);
  EXPECT_EQ(ctx.ecus[0]->j1939Address, 254u);
  EXPECT_EQ(ctx.signals.Count(), 9u);
  EXPECT_EQ(ctx.signals[4], refs.signals[1][2]);
  EXPECT_EQ(ctx.attributes.Size(), 19u);
  EXPECT_EQ(ShowInvalid(host, refs), 1);  // on while the context lives
}

TEST(ContextOpen, NonJ1939ClusterHasNoNodeAttributes) {
  FakeHost host;
  const TRefs refs = BuildFake(host, ClassicCluster());
  dbaStatus status = {0, 0};
  vldbcex::ToCtx ctx(&status, refs.cluster);
  ASSERT_TRUE(ctx.Open());
  EXPECT_EQ(ctx.attributes.Find("NmStationAddress"), nullptr);
  ASSERT_NE(ctx.attributes.Find("ProtocolType"), nullptr);
  EXPECT_FALSE(ctx.attributes.Find("ProtocolType")->Enabled());
  EXPECT_FALSE(ctx.attributes.Find("CANFD_BRS")->Enabled());
}

TEST(AttributeValues, EnumIndexOfTheDefaultItemWritesNothing) {
  FakeHost host;
  const TRefs refs = BuildFake(host, ClassicCluster());
  dbaStatus status = {0, 0};
  vldbcex::ToCtx ctx(&status, refs.cluster);
  ASSERT_TRUE(ctx.Open());
  const vldbcex::ToAttBase* format = ctx.attributes.Find("VFrameFormat");
  ASSERT_NE(format, nullptr);
  format->WriteValueInt(ctx.sink, "VFrameFormat", 0, "256", "");  // "StandardCAN"
  format->WriteValueInt(ctx.sink, "VFrameFormat", -1, "256", "");
  format->WriteValueInt(ctx.sink, "VFrameFormat", 99, "256", "");
  EXPECT_EQ(ctx.sink.Count(), std::string("BA_ \"VFrameFormat\" BO_ 256 -1;\n"
                                          "BA_ \"VFrameFormat\" BO_ 256 99;\n")
                                  .size());
}

}  // namespace
}  // namespace vldbcex_test

// Locating the SYSTEM, listing its references and converting its clusters,
// imported through the plug-in into the reference host.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arxml_builder.h"
#include "import_harness.h"
#include "velan/velanar.h"

using namespace arxml;

namespace {

const char kNoCluster[] =
    "2,0,'Could not find any cluster. Maybe the file has clusters of unsupported types only.'";

Node OneChannel(const std::string& type, std::vector<Node> channelChildren = {}) {
  return Channels({Channel(type, "Ch", std::move(channelChildren))});
}

Node Can(const std::string& name, std::vector<Node> extra = {}) {
  std::vector<Node> conditional = {Text("BAUDRATE", "500000"), OneChannel("CAN")};
  for (Node& node : extra) conditional.push_back(std::move(node));
  return CanCluster(name, std::move(conditional));
}

// Package P with the system and the given elements.
std::string Doc(std::vector<Node> refs, std::vector<Node> elements) {
  elements.insert(elements.begin(), System("Sys", std::move(refs)));
  return Ar4({Pkg("P", std::move(elements))});
}

void ExpectLoaded(const ImportResult& r) {
  ASSERT_TRUE(r.loaded) << r.error;
}

TEST(System, SeveralSystemsWithDifferentNamesFail) {
  ImportResult r = ImportArxmlFiles(
      {{"a.arxml", Doc({FibexRef("CAN-CLUSTER", "/P/Can1")}, {Can("Can1")})},
       {"b.arxml", Ar4({Pkg("Q", {System("Other", {FibexRef("CAN-CLUSTER", "/P/Can1")})})})}});
  ExpectLoaded(r);
  EXPECT_EQ(r.code, VELANAR_FAILED);
  EXPECT_TRUE(
      r.LogHas("2,0,'Located too many \"<SYSTEM>\" elements. There should be one "
               "\"<SYSTEM>\" element only.'"))
      << r.log;
  EXPECT_TRUE(r.LogHas(kNoCluster));
  EXPECT_EQ(r.objectCount, 0u);
}

TEST(System, SameNamedSystemsCountOnceAndTheFirstIsUsed) {
  ImportResult r = ImportArxmlFiles(
      {{"a.arxml", Doc({FibexRef("CAN-CLUSTER", "/P/Can1")}, {Can("Can1")})},
       {"b.arxml",
        Ar4({Pkg("Q", {System("Sys", {FibexRef("CAN-CLUSTER", "/Q/Can2")}), Can("Can2")})})}});
  ExpectLoaded(r);
  EXPECT_EQ(r.code, VELANAR_OK) << r.log;
  EXPECT_TRUE(r.LogHas("0,1,'Found \"<SYSTEM>\". SHORT-NAME is \"Sys\".'"));
  EXPECT_TRUE(r.TreeHas("CLUSTER \"Can1\""));
  EXPECT_FALSE(r.TreeHas("Can2"));
}

TEST(System, MissingSystemOrFibexElementsFail) {
  ImportResult noSystem = ImportArxml(Ar4({Pkg("P", {Can("Can1")})}));
  ExpectLoaded(noSystem);
  EXPECT_EQ(noSystem.code, VELANAR_FAILED);
  EXPECT_TRUE(noSystem.LogHas("2,0,'Cannot find \"<SYSTEM>\" element.'"));
  // The no-cluster error follows also after an earlier error.
  EXPECT_TRUE(noSystem.LogHas(kNoCluster));

  // A SYSTEM without SHORT-NAME does not count.
  ImportResult unnamed = ImportArxml(Ar4({Pkg("P", {El("SYSTEM"), Can("Can1")})}));
  EXPECT_TRUE(unnamed.LogHas("2,0,'Cannot find \"<SYSTEM>\" element.'"));

  ImportResult noFibex = ImportArxml(Ar4({Pkg("P", {Named("SYSTEM", "Sys"), Can("Can1")})}));
  EXPECT_EQ(noFibex.code, VELANAR_FAILED);
  EXPECT_TRUE(noFibex.LogHas("2,0,'Cannot find \"<FIBEX-ELEMENTS>\" element.'")) << noFibex.log;
  EXPECT_EQ(noFibex.objectCount, 0u);
}

TEST(System, FoundBelowDeeplyNestedElements) {
  // The search for the SYSTEM must not recurse as deep as the input nests.
  const size_t depth = 200000;
  std::string open;
  std::string close;
  for (size_t i = 0; i < depth; ++i) {
    open += "<X>";
    close += "</X>";
  }
  Node nested = Fragment({});
  nested.Raw(open + System("Sys", {FibexRef("CAN-CLUSTER", "/P/Can1")}).Str() + close);
  ImportResult r = ImportArxml(Ar4({Pkg("P", {Can("Can1"), nested})}));
  ExpectLoaded(r);
  EXPECT_EQ(r.code, VELANAR_OK) << r.log.substr(0, 2000);
  EXPECT_TRUE(r.TreeHas("CLUSTER \"Can1\""));
}

TEST(Clusters, CreatedWithProtocolCommentAndSpeed) {
  Node cluster = Can("Can1");
  cluster.Add(Desc({{"DE", "Antrieb"}, {"EN", "Powertrain"}}));
  ImportResult r = ImportArxml(Doc({FibexRef("CAN-CLUSTER", "/P/Can1")}, {cluster}));
  ExpectLoaded(r);
  EXPECT_EQ(r.code, VELANAR_OK) << r.log;
  EXPECT_EQ(r.tree,
            "DATABASE \"test\" #0\n"
            "  CLUSTER \"Can1\" #1\n"
            "    IDIP_CLUSTER_COMMENT_STR = \"Powertrain\"\n"
            "    IDIP_CLUSTER_PROTOCOL_I16 = 0\n"
            "    IDIP_CLUSTER_SPEED_U64 = 500000\n");
}

TEST(Clusters, UnsupportedTypeEndsWithNoClusterError) {
  Node ethernet = Cluster("ETHERNET", "Eth", {OneChannel("ETHERNET")});
  ImportResult r = ImportArxml(Doc({FibexRef("ETHERNET-CLUSTER", "/P/Eth")}, {ethernet}));
  ExpectLoaded(r);
  EXPECT_EQ(r.code, VELANAR_FAILED);
  EXPECT_TRUE(r.LogHas("1,0,'<AR:ETHERNET-CLUSTER> (file=0, line="));
  EXPECT_TRUE(r.LogHas("): unsupported cluster type'"));
  EXPECT_TRUE(r.LogHas(kNoCluster));
  EXPECT_EQ(r.objectCount, 0u);
}

TEST(Clusters, PoliciesSwitchClusterTypes) {
  const std::string doc =
      Doc({FibexRef("CAN-CLUSTER", "/P/Can1"), FibexRef("LIN-CLUSTER", "/P/Lin1"),
           FibexRef("FLEXRAY-CLUSTER", "/P/Fr1")},
          {Can("Can1"), LinCluster("Lin1", {Text("BAUDRATE", "19200"), OneChannel("LIN")}),
           Cluster("FLEXRAY", "Fr1", {Text("BAUDRATE", "10000000"), OneChannel("FLEXRAY")})});

  // Defaults: CAN and LIN on, FlexRay off.
  ImportResult defaults = ImportArxml(doc);
  ExpectLoaded(defaults);
  EXPECT_EQ(defaults.code, VELANAR_OK);
  EXPECT_TRUE(defaults.TreeHas("CLUSTER \"Can1\""));
  EXPECT_TRUE(defaults.TreeHas("CLUSTER \"Lin1\""));
  EXPECT_FALSE(defaults.TreeHas("Fr1"));
  EXPECT_EQ(defaults.LogLines("unsupported cluster type").size(), 1u);
  EXPECT_TRUE(defaults.LogHas("<AR:FLEXRAY-CLUSTER> (file=0"));

  ImportOptions canOnly;
  canOnly.policiesXml = "<CANCluster Enabled=\"true\"/>";
  ImportResult noLin = ImportArxml(doc, canOnly);
  EXPECT_TRUE(noLin.TreeHas("CLUSTER \"Can1\""));
  EXPECT_FALSE(noLin.TreeHas("Lin1"));
  EXPECT_EQ(noLin.LogLines("unsupported cluster type").size(), 2u);
  EXPECT_TRUE(noLin.LogHas("<AR:LIN-CLUSTER> (file=0"));

  ImportOptions all;
  all.allClusterTypes = true;
  ImportResult everything = ImportArxml(doc, all);
  EXPECT_EQ(everything.code, VELANAR_OK) << everything.log;
  EXPECT_EQ(everything.Subtree("CLUSTER \"Fr1\""),
            "  CLUSTER \"Fr1\" #3\n"
            "    IDIP_CLUSTER_COMMENT_STR = \"\"\n"
            "    IDIP_CLUSTER_PROTOCOL_I16 = 1\n"
            "    IDIP_CLUSTER_SPEED_U64 = 10000000\n");
  EXPECT_TRUE(everything.TreeHas("IDIP_CLUSTER_PROTOCOL_I16 = 2"));  // LIN
  EXPECT_FALSE(everything.LogHas("unsupported cluster type"));
}

TEST(Clusters, OnlyDestinationsEndingInClusterAreClusterReferences) {
  ImportResult r = ImportArxml(Doc({FibexRef("CAN-CLUSTER-X", "/P/Can1")}, {Can("Can1")}));
  ExpectLoaded(r);
  EXPECT_EQ(r.code, VELANAR_FAILED);
  // Ignored without a message of its own.
  EXPECT_FALSE(r.LogHas("1,0,"));
  EXPECT_TRUE(r.LogHas(kNoCluster));
}

TEST(Clusters, UnresolvedClusterReferenceWarns) {
  ImportResult r = ImportArxml(
      Doc({FibexRef("CAN-CLUSTER", "/P/Nope"), FibexRef("CAN-CLUSTER", "/P/Can1")}, {Can("Can1")}));
  ExpectLoaded(r);
  EXPECT_EQ(r.code, VELANAR_OK);
  EXPECT_TRUE(r.LogHas("<AR:FIBEX-ELEMENT-REF> (file=0, line="));
  EXPECT_TRUE(r.LogHas("): unresolved reference'"));
  EXPECT_TRUE(r.TreeHas("CLUSTER \"Can1\""));
}

TEST(Clusters, DuplicatedShortNameIsConvertedOnce) {
  ImportResult r = ImportArxml(Ar4(
      {Pkg("P",
           {System("Sys", {FibexRef("CAN-CLUSTER", "/P/Can1"), FibexRef("CAN-CLUSTER", "/Q/Can1")}),
            Can("Can1")}),
       Pkg("Q", {Can("Can1", {Text("CAN-FD-BAUDRATE", "2000000")})})}));
  ExpectLoaded(r);
  EXPECT_EQ(r.code, VELANAR_OK);
  EXPECT_EQ(r.LogLines("): duplicated <SHORT-NAME>'").size(), 1u);
  EXPECT_EQ(r.objectCount, 1u);
  EXPECT_FALSE(r.TreeHas("CAN_FD"));  // the first one is kept
}

TEST(Channels, TwoCanChannelsEndTheImport) {
  Node cluster = CanCluster(
      "Can1", {Text("BAUDRATE", "500000"), Channels({Channel("CAN", "A"), Channel("CAN", "B")})});
  ImportResult r = ImportArxml(Doc({FibexRef("CAN-CLUSTER", "/P/Can1")}, {cluster}));
  ExpectLoaded(r);
  EXPECT_EQ(r.code, VELANAR_FAILED);
  EXPECT_TRUE(r.LogHas("found 2 <AR:CAN-PHYSICAL-CHANNEL>. Expected 1 elements only."));
  EXPECT_TRUE(r.LogHas("): invalid number of <X-PHYSICAL-CHANNEL> elements'"));
  // The cluster object exists; nothing after the channel step was written.
  EXPECT_EQ(r.tree,
            "DATABASE \"test\" #0\n"
            "  CLUSTER \"Can1\" #1\n"
            "    IDIP_CLUSTER_COMMENT_STR = \"\"\n"
            "    IDIP_CLUSTER_PROTOCOL_I16 = 0\n");
  EXPECT_FALSE(r.LogHas(kNoCluster));  // a cluster was registered
}

TEST(Channels, MissingConditionalIsAChannelFailure) {
  Node cluster = Named("CAN-CLUSTER", "Can1");
  ImportResult r = ImportArxml(Doc({FibexRef("CAN-CLUSTER", "/P/Can1")}, {cluster}));
  ExpectLoaded(r);
  EXPECT_EQ(r.code, VELANAR_FAILED);
  EXPECT_TRUE(r.LogHas("): missing <AR:CAN-CLUSTER-VARIANTS> element'"));
  EXPECT_TRUE(r.LogHas("): invalid number of <X-PHYSICAL-CHANNEL> elements'"));
}

TEST(Channels, FlexRayWithTwoChannelsReadsChannelA) {
  auto trig = [](const std::string& name, const std::string& frame) {
    return FrameTriggerings({FrameTriggering("FLEXRAY", name, "FLEXRAY-FRAME", "/P/" + frame)});
  };
  Node cluster = Cluster(
      "FLEXRAY", "Fr1",
      {Text("BAUDRATE", "10000000"), Channels({Channel("FLEXRAY", "A", {trig("TA", "FA")}),
                                               Channel("FLEXRAY", "B", {trig("TB", "FB")})})});
  ImportOptions all;
  all.allClusterTypes = true;
  ImportResult r = ImportArxml(
      Doc({FibexRef("FLEXRAY-CLUSTER", "/P/Fr1")},
          {cluster, Frame("FLEXRAY-FRAME", "FA", "16"), Frame("FLEXRAY-FRAME", "FB", "16")}),
      all);
  ExpectLoaded(r);
  EXPECT_EQ(r.code, VELANAR_OK) << r.log;
  EXPECT_FALSE(r.LogHas("invalid number"));
  // FlexRay frames carry only their comment.
  EXPECT_EQ(r.Subtree("TRIGGERING"),
            "    TRIGGERING \"FA\" #2\n"
            "      IDIP_TRIG_COMMENT_STR = \"\"\n");
  EXPECT_FALSE(r.TreeHas("\"FB\""));
}

TEST(Baudrate, SpeedInKilobitsWhenNoBaudrate) {
  Node cluster = CanCluster("Can1", {Text("SPEED", "500"), OneChannel("CAN")});
  ImportResult r = ImportArxml(Doc({FibexRef("CAN-CLUSTER", "/P/Can1")}, {cluster}));
  ExpectLoaded(r);
  EXPECT_EQ(r.code, VELANAR_OK);
  EXPECT_TRUE(r.TreeHas("IDIP_CLUSTER_SPEED_U64 = 500000\n"));

  Node neither = CanCluster("Can1", {OneChannel("CAN")});
  ImportResult missing = ImportArxml(Doc({FibexRef("CAN-CLUSTER", "/P/Can1")}, {neither}));
  EXPECT_TRUE(missing.LogHas("<AR:CAN-CLUSTER-CONDITIONAL> (file=0"));
  EXPECT_TRUE(missing.LogHas("): missing <AR:SPEED> element'"));
  EXPECT_FALSE(missing.TreeHas("SPEED"));

  Node bad = CanCluster("Can1", {Text("BAUDRATE", "fast"), OneChannel("CAN")});
  ImportResult failed = ImportArxml(Doc({FibexRef("CAN-CLUSTER", "/P/Can1")}, {bad}));
  EXPECT_TRUE(failed.LogHas("<AR:BAUDRATE> (file=0"));
  EXPECT_TRUE(failed.LogHas("): failed conversion to numeric value'"));
  EXPECT_FALSE(failed.TreeHas("SPEED"));
  EXPECT_EQ(failed.code, VELANAR_OK);  // a warning only
}

TEST(Baudrate, CanFdBaudrateSetsSpeedAndMode) {
  ImportResult r = ImportArxml(Doc({FibexRef("CAN-CLUSTER", "/P/Can1")},
                                   {Can("Can1", {Text("CAN-FD-BAUDRATE", "2000000")})}));
  ExpectLoaded(r);
  EXPECT_TRUE(r.TreeHas("IDIP_CLUSTER_CAN_FD_MODE_U32 = 1\n"));
  EXPECT_TRUE(r.TreeHas("IDIP_CLUSTER_CAN_FD_SPEED_U64 = 2000000\n"));

  ImportResult bad = ImportArxml(
      Doc({FibexRef("CAN-CLUSTER", "/P/Can1")}, {Can("Can1", {Text("CAN-FD-BAUDRATE", "fast")})}));
  EXPECT_TRUE(bad.LogHas("<AR:CAN-FD-BAUDRATE> (file=0"));
  EXPECT_TRUE(bad.LogHas("): invalid format'"));
  EXPECT_FALSE(bad.TreeHas("CAN_FD"));
  EXPECT_EQ(bad.code, VELANAR_OK);
}

TEST(Listings, UnresolvedReferencesAreListed) {
  const std::string allResolved = Doc({FibexRef("CAN-CLUSTER", "/P/Can1")}, {Can("Can1")});
  ImportResult r = ImportArxml(allResolved);
  ExpectLoaded(r);
  EXPECT_TRUE(
      r.LogHas("\n\n1,3,'List unresolved FIBEX-ELEMENT-REF targets:'\n"
               "1,3,'------------------------------------------'\n"
               "  1,3,'[none]'\n\n"))
      << r.log;
  EXPECT_TRUE(
      r.LogHas("\n\n3,5,'List resolved FIBEX-ELEMENT-REF targets:'\n"
               "3,5,'----------------------------------------'\n"
               "  3,5,'resolved FIBEX-ELEMENT-REF: type=\"CAN-CLUSTER\" target=\"/P/Can1\" "
               "(file=0, line="))
      << r.log;

  ImportResult some = ImportArxml(
      Doc({FibexRef("CAN-FRAME", "/P/Nope"), FibexRef("CAN-CLUSTER", "/P/Can1")}, {Can("Can1")}));
  const std::vector<std::string> lines = some.LogLines("1,3,");
  ASSERT_EQ(lines.size(), 4u) << some.log;
  EXPECT_EQ(lines[2].rfind("  1,3,'<AR:FIBEX-ELEMENT-REF> (file=0, line=", 0), 0u) << lines[2];
  EXPECT_NE(lines[2].find("): target not found.'"), std::string::npos);
  EXPECT_EQ(lines[3], "  1,3,'[none]'");
  // Only resolved references are in the debug listing.
  EXPECT_EQ(some.LogLines("resolved FIBEX-ELEMENT-REF: ").size(), 1u);
}

TEST(Listings, OffWhenTheirCategoryIsOff) {
  ImportOptions options;
  options.categoriesXml =
      "<CatWarn Enabled=\"true\"><SubWarnDefault Enabled=\"true\"/></CatWarn>"
      "<CatErr Enabled=\"all\"/>";
  ImportResult r = ImportArxml(Doc({FibexRef("CAN-FRAME", "/P/Nope")}, {}), options);
  ExpectLoaded(r);
  EXPECT_FALSE(r.LogHas("List unresolved"));
  EXPECT_FALSE(r.LogHas("List resolved"));
  EXPECT_TRUE(r.LogHas(kNoCluster));
}

TEST(Host, RefusedClusterEndsTheImportWithTheHostCode) {
  const std::string doc =
      SimpleCan4("Can1", {CanFrameTriggering("T1", "/P/F1", "1")}, {Frame("CAN-FRAME", "F1", "8")});
  ImportOptions refuse;
  refuse.faultCall = 1;  // the CLUSTER object is the first host call
  refuse.faultCode = -77;
  ImportResult r = ImportArxml(doc, refuse);
  ExpectLoaded(r);
  EXPECT_EQ(r.code, static_cast<uint32_t>(-77));
  EXPECT_EQ(r.objectCount, 0u);
  EXPECT_TRUE(r.LogHas("ERROR -- CreateChildObject"));
  EXPECT_FALSE(r.LogHas("TRIGGERING"));
  EXPECT_FALSE(r.LogHas(kNoCluster));

  // A host warning is kept but does not stop the conversion.
  ImportOptions warn;
  warn.faultCall = 1;
  warn.faultCode = 5;
  warn.faultPerformsCall = true;
  ImportResult warned = ImportArxml(doc, warn);
  EXPECT_EQ(warned.code, VELANAR_HOST_WARNING);
  EXPECT_TRUE(warned.TreeHas("TRIGGERING \"F1\""));
}

TEST(Host, ZeroHandleCreatesNothingButStillReadsTheCluster) {
  ImportOptions zero;
  zero.zeroHandle = true;
  ImportResult r = ImportArxml(Doc({FibexRef("CAN-CLUSTER", "/P/Can1")}, {Can("Can1")}), zero);
  ExpectLoaded(r);
  EXPECT_EQ(r.objectCount, 0u);
  EXPECT_FALSE(r.LogHas(kNoCluster));
}

}  // namespace

// The all-clusters policy: without a SYSTEM that lists a cluster, the
// document's clusters of enabled types are converted in document order.
TEST(AllClusters, DocumentClustersWhenNoSystemListsOne) {
  // Once Policies is present, a missing cluster switch is off.
  const std::string linOff = "<CANCluster Enabled=\"true\"/><AllClusters Enabled=\"true\"/>";
  const std::string on = "<LINCluster Enabled=\"true\"/>" + linOff;
  const Node zeta = Can("Zeta");
  const Node lin = LinCluster("Lin1", {Text("BAUDRATE", "19200"), OneChannel("LIN")});
  const Node eth = Cluster("ETHERNET", "Eth", {OneChannel("ETHERNET")});
  const Node alpha = Can("Alpha");
  const std::vector<Node> clusters = {zeta, lin, eth, alpha};
  const std::string noSystem = Ar4({Pkg("P", clusters)});
  const std::string noFibex = Ar4({Pkg("P", {Named("SYSTEM", "Sys"), zeta, lin, eth, alpha})});
  const std::string listsFrame = Doc({FibexRef("CAN-FRAME", "/P/F")}, clusters);
  const std::string listsAlpha = Doc({FibexRef("CAN-CLUSTER", "/P/Alpha")}, clusters);
  const char* noSystemNote =
      "0,0,'No \"<SYSTEM>\" element; converting every cluster of an enabled type in document "
      "order (3 found).'";
  const char* emptySystemNote =
      "0,0,'The \"<SYSTEM>\" lists no cluster; converting every cluster of an enabled type in "
      "document order (3 found).'";
  struct Case {
    const char* name;
    std::string doc, policies;
    uint32_t code;
    std::string clusters;  // converted clusters, in object order
    std::string logHas;
  } cases[] = {
      {"no SYSTEM, option off", noSystem, "", VELANAR_FAILED, "",
       "2,0,'Cannot find \"<SYSTEM>\" element.'"},
      {"no SYSTEM", noSystem, on, VELANAR_OK, "Zeta Lin1 Alpha", noSystemNote},
      {"SYSTEM without FIBEX-ELEMENTS", noFibex, on, VELANAR_OK, "Zeta Lin1 Alpha",
       emptySystemNote},
      {"SYSTEM lists no cluster", listsFrame, on, VELANAR_OK, "Zeta Lin1 Alpha", emptySystemNote},
      {"SYSTEM lists no cluster, option off", listsFrame, "", VELANAR_FAILED, "", kNoCluster},
      {"SYSTEM lists a cluster", listsAlpha, on, VELANAR_OK, "Alpha", "Found \"<SYSTEM>\"."},
      {"LIN off", noSystem, linOff, VELANAR_OK, "Zeta Alpha",
       "0,0,'<AR:LIN-CLUSTER> (file=0, line="},
  };
  for (const Case& c : cases) {
    ImportOptions options;
    options.policiesXml = c.policies;
    ImportResult r = ImportArxml(c.doc, options);
    ASSERT_TRUE(r.loaded) << r.error;
    EXPECT_EQ(r.code, c.code) << c.name << "\n" << r.log;
    std::string names;
    const std::string marker = "\n  CLUSTER \"";
    for (size_t at = r.tree.find(marker); at != std::string::npos;
         at = r.tree.find(marker, at + 1)) {
      const size_t from = at + marker.size();
      names += (names.empty() ? "" : " ") + r.tree.substr(from, r.tree.find('"', from) - from);
    }
    EXPECT_EQ(names, c.clusters) << c.name << "\n" << r.log;
    EXPECT_TRUE(r.LogHas(c.logHas)) << c.name << "\n" << r.log;
    // The Ethernet cluster is passed over without a warning.
    EXPECT_FALSE(r.LogHas("unsupported cluster type")) << c.name;
  }
}

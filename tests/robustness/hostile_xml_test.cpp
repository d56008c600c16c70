// Hostile XML content: huge and deep documents, broken encodings, entity
// expansion and external entities. Each input wraps the hostile part around
// a small valid CAN system, so an import that survives must still convert it.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "robustness_support.h"
#include "velan/host_vocabulary.h"
#include "velan/velandb_host.h"

namespace {

using robust::RunImport;
using robust::RunResult;
using robust::TempDir;

constexpr uint32_t kImportFailed = 0xBFF63081u;

const char kDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
const char kOpen[] =
    "<AUTOSAR xmlns=\"http://autosar.org/schema/r4.0\"><AR-PACKAGES><AR-PACKAGE>"
    "<SHORT-NAME>P</SHORT-NAME><ELEMENTS>"
    "<SYSTEM><SHORT-NAME>S</SHORT-NAME><FIBEX-ELEMENTS><FIBEX-ELEMENT-REF-CONDITIONAL>"
    "<FIBEX-ELEMENT-REF DEST=\"CAN-CLUSTER\">/P/C</FIBEX-ELEMENT-REF>"
    "</FIBEX-ELEMENT-REF-CONDITIONAL></FIBEX-ELEMENTS></SYSTEM>"
    "<CAN-CLUSTER><SHORT-NAME>C</SHORT-NAME>";
// Between kOpen and kClusterRest: the cluster's DESC, if any.
const char kClusterRest[] =
    "<CAN-CLUSTER-VARIANTS><CAN-CLUSTER-CONDITIONAL>"
    "<BAUDRATE>500000</BAUDRATE><PHYSICAL-CHANNELS><CAN-PHYSICAL-CHANNEL><SHORT-NAME>Ch"
    "</SHORT-NAME></CAN-PHYSICAL-CHANNEL></PHYSICAL-CHANNELS></CAN-CLUSTER-CONDITIONAL>"
    "</CAN-CLUSTER-VARIANTS></CAN-CLUSTER></ELEMENTS></AR-PACKAGE>";
// After kClusterRest: further packages, then kClose.
const char kClose[] = "</AR-PACKAGES></AUTOSAR>\n";

// The system with `clusterDesc` inside the cluster and `packages` after the
// first package.
std::string System(const std::string& clusterDesc = "", const std::string& packages = "",
                   const std::string& doctype = "") {
  return std::string(kDecl) + doctype + kOpen + clusterDesc + kClusterRest + packages + kClose;
}

std::string Repeat(const std::string& piece, size_t count) {
  std::string out;
  out.reserve(piece.size() * count);
  for (size_t i = 0; i < count; ++i) out += piece;
  return out;
}

class HostileXml : public ::testing::Test {
 protected:
  RunResult Import(const std::string& content, bool withTree = true) {
    const std::string path = input_.File("system.arxml");
    robust::WriteText(path, content);
    return RunImport(path, config_.Path(), robust::HostFault(), withTree);
  }
  static void ExpectConverted(const RunResult& r) {
    EXPECT_EQ(r.code, 0u) << std::hex << r.code;
    EXPECT_NE(r.tree.find("CLUSTER \"C\""), std::string::npos) << r.tree.substr(0, 2000);
  }
  static void ExpectRefused(const RunResult& r) {
    EXPECT_EQ(r.code, kImportFailed) << std::hex << r.code;
    EXPECT_EQ(r.calls, 0u);
    EXPECT_EQ(r.objects, 0u);
  }

  TempDir input_;
  TempDir config_;  // empty: defaults, no log
};

// ------------------------------------------------------------------ size

TEST_F(HostileXml, DocumentsOfExtremeShapeStillConvert) {
  {
    SCOPED_TRACE("a million elements nested in one another");
    const size_t depth = 1000000;
    ExpectConverted(Import(System("", "<AR-PACKAGE><SHORT-NAME>D</SHORT-NAME><ELEMENTS>" +
                                          Repeat("<X>", depth) + Repeat("</X>", depth) +
                                          "</ELEMENTS></AR-PACKAGE>")));
  }
  {
    SCOPED_TRACE("a million siblings");
    ExpectConverted(Import(System("", "<AR-PACKAGE><SHORT-NAME>D</SHORT-NAME><ELEMENTS>" +
                                          Repeat("<X/>", 1000000) + "</ELEMENTS></AR-PACKAGE>")));
  }
  {
    SCOPED_TRACE("an attribute value of one megabyte");
    const RunResult r =
        Import(System("<DESC><L-2 L=\"" + std::string(1 << 20, 'E') + "\">short</L-2></DESC>"));
    ExpectConverted(r);
    EXPECT_NE(r.tree.find("IDIP_CLUSTER_COMMENT_STR = \"short\""), std::string::npos);
  }
}

TEST_F(HostileXml, HundredMegabyteTextNodeArrivesWhole) {
  const size_t size = 100u << 20;
  const std::string path = input_.File("system.arxml");
  {
    std::ofstream out(path, std::ios::binary);
    out << std::string(kDecl) + kOpen + "<DESC><L-2 L=\"EN\">[";
    const std::string chunk(1 << 20, 't');
    for (size_t written = 0; written < size; written += chunk.size()) out << chunk;
    out << "]</L-2></DESC>" << kClusterRest << kClose;
  }
  // The cluster comment is the whole text: brackets at both ends, nothing cut.
  uint32_t stored = 0;
  std::string ends;
  const RunResult r =
      RunImport(path, config_.Path(), robust::HostFault(), false, [&](uint32_t handle) {
        uint64_t cluster = 0;
        if (vdbFindChild(handle, VELAN_OT_CLUSTER, "C", &cluster) != 0) return;
        std::string value(size + 2, '\0');
        vdbGetProperty(cluster, IDIP_CLUSTER_COMMENT_STR, &value[0],
                       static_cast<uint32_t>(value.size()), &stored);
        ends = value.substr(0, 2) + value.substr(size, 2);
      });
  EXPECT_EQ(r.code, 0u) << std::hex << r.code;
  EXPECT_EQ(stored, size + 2);
  EXPECT_EQ(ends, "[tt]");
}

// -------------------------------------------------------------- encodings

TEST_F(HostileXml, InvalidUtf8IsAParserError) {
  for (const char* bad : {"\xFF", "\xC3", "\xED\xA0\x80", "\xF8\x88\x80\x80\x80", "\xC0\xAF"}) {
    SCOPED_TRACE(testing::PrintToString(std::string(bad)));
    ExpectRefused(Import(System(std::string("<DESC><L-2 L=\"EN\">a") + bad + "b</L-2></DESC>")));
  }
  SCOPED_TRACE("in a name");
  ExpectRefused(Import(System("<X\xFF/>")));
}

// UTF-8 to UTF-16 code units (the inputs are valid UTF-8).
std::u16string Utf16(const std::string& text) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    uint32_t cp = c;
    size_t extra = 0;
    if (c >= 0xF0) {
      cp = c & 0x07;
      extra = 3;
    } else if (c >= 0xE0) {
      cp = c & 0x0F;
      extra = 2;
    } else if (c >= 0xC0) {
      cp = c & 0x1F;
      extra = 1;
    }
    for (size_t k = 1; k <= extra; ++k) cp = (cp << 6) | (text[i + k] & 0x3F);
    i += extra + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string Utf16Bytes(const std::string& utf8, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t unit : Utf16(utf8)) {
    const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  }
  return out;
}

TEST_F(HostileXml, Utf16WithByteOrderMarkImportsLikeUtf8) {
  std::string text = robust::ReadText(robust::ExamplePath("can"));
  ASSERT_FALSE(text.empty());
  const RunResult utf8 = Import(text);
  ASSERT_EQ(utf8.code, 0u);
  // Same document, declared and encoded as UTF-16.
  const size_t encoding = text.find("encoding=\"UTF-8\"");
  ASSERT_NE(encoding, std::string::npos);
  text.replace(encoding, 16, "encoding=\"UTF-16\"");
  for (bool bigEndian : {false, true}) {
    SCOPED_TRACE(bigEndian ? "big endian" : "little endian");
    const RunResult r = Import(Utf16Bytes(text, bigEndian));
    EXPECT_EQ(r.code, 0u) << std::hex << r.code;
    EXPECT_EQ(r.tree, utf8.tree);
  }
}

// --------------------------------------------------------------- entities

TEST_F(HostileXml, EntityExpansionBombsEndWithTheParserError) {
  {
    SCOPED_TRACE("nested expansion");
    std::string doctype = "<!DOCTYPE AUTOSAR [\n<!ENTITY a0 \"lol\">\n";
    for (int i = 1; i <= 10; ++i) {
      doctype += "<!ENTITY a" + std::to_string(i) + " \"" +
                 Repeat("&a" + std::to_string(i - 1) + ";", 10) + "\">\n";
    }
    doctype += "]>\n";
    ExpectRefused(Import(System("<DESC><L-2 L=\"EN\">&a10;</L-2></DESC>", "", doctype)));
  }
  {
    SCOPED_TRACE("one large entity used many times");
    const std::string doctype =
        "<!DOCTYPE AUTOSAR [\n<!ENTITY b \"" + std::string(100000, 'x') + "\">\n]>\n";
    ExpectRefused(Import(
        System("<DESC><L-2 L=\"EN\">" + Repeat("&b;", 20000) + "</L-2></DESC>", "", doctype)));
  }
}

TEST_F(HostileXml, ExternalEntitiesAreNeverRead) {
  TempDir secrets;
  robust::WriteText(secrets.File("secret.txt"), "TOPSECRET");
  robust::WriteText(secrets.File("secret.dtd"), "<!ENTITY inner \"TOPSECRET2\">");
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, secrets.Path().c_str(), IN_OPEN | IN_ACCESS), 0);

  const std::string url = "file://" + secrets.Path();
  const std::string doctype = "<!DOCTYPE AUTOSAR SYSTEM \"" + url + "/secret.dtd\" [\n" +
                              "<!ENTITY ext SYSTEM \"" + url + "/secret.txt\">\n" +
                              "<!ENTITY % pe SYSTEM \"" + url + "/secret.dtd\">\n%pe;\n]>\n";
  const RunResult r =
      Import(System("<DESC><L-2 L=\"EN\">x&ext;y&inner;</L-2></DESC>", "", doctype));
  ExpectConverted(r);
  EXPECT_NE(r.tree.find("IDIP_CLUSTER_COMMENT_STR = \"xy\""), std::string::npos) << r.tree;
  EXPECT_EQ(r.tree.find("TOPSECRET"), std::string::npos);

  char events[4096];
  const ssize_t got = read(watch, events, sizeof events);
  EXPECT_LE(got, 0) << "a file of the secrets folder was opened or read";
  close(watch);
}

}  // namespace

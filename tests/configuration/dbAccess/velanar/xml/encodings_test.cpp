// Files declaring single-byte encodings that expat does not know by name.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "xml/document.h"
#include "xml/encodings.h"
#include "xml/navigation.h"
#include "xml/parser.h"
#include "xml_test_support.h"

namespace {

std::string Declared(const char* encoding, const std::string& body) {
  return std::string("<?xml version='1.0' encoding='") + encoding + "'?>\n<AUTOSAR xmlns=\"" +
         xmltest::kAr4Uri + "\">" + body + "</AUTOSAR>";
}

const char* TextOf(const exDocument& doc, const char* name) {
  const exElement* e = FindChild(doc.Child(0), name);
  return e ? e->Text() : nullptr;
}

}  // namespace

TEST(Encodings, AsciiDeclarationParsesAndRejectsBytesAboveSeven) {
  std::unique_ptr<exDocument> doc(CreateDocument());
  ASSERT_EQ(xmltest::Parse(*doc, Declared("ASCII", "<A>plain</A>")), kParseOk);
  EXPECT_STREQ(TextOf(*doc, "AR:A"), "plain");
  std::unique_ptr<exDocument> bad(CreateDocument());
  EXPECT_EQ(xmltest::Parse(*bad, Declared("ascii", "<A>\xE9</A>")), kParseXmlError);
}

TEST(Encodings, WindowsAndLatin9BytesBecomeUtf8) {
  std::unique_ptr<exDocument> doc(CreateDocument());
  ASSERT_EQ(xmltest::Parse(*doc, Declared("windows-1252",
                                          "<A>\x80 \xB0"
                                          "C</A>")),
            kParseOk);
  EXPECT_STREQ(TextOf(*doc, "AR:A"),
               "\xE2\x82\xAC \xC2\xB0"
               "C");
  std::unique_ptr<exDocument> latin9(CreateDocument());
  ASSERT_EQ(xmltest::Parse(*latin9, Declared("ISO-8859-15", "<A>\xA4</A>")), kParseOk);
  EXPECT_STREQ(TextOf(*latin9, "AR:A"), "\xE2\x82\xAC");
}

TEST(Encodings, UnknownNamesStayParserErrors) {
  std::unique_ptr<exDocument> doc(CreateDocument());
  EXPECT_EQ(xmltest::Parse(*doc, Declared("EBCDIC-XYZ", "<A/>")), kParseXmlError);
  XML_Encoding info;
  EXPECT_EQ(ResolveUnknownEncoding(nullptr, "KOI8-R", &info), XML_STATUS_ERROR);
  EXPECT_EQ(ResolveUnknownEncoding(nullptr, "Cp1252", &info), XML_STATUS_OK);
  EXPECT_EQ(info.map[0x81], -1);
}

// Builders for the PDU, signal, coding and timing tests: a CAN system whose
// channel carries frame and PDU triggerings, and the AUTOSAR 4 elements that
// hang off PDUs and signals.
#ifndef VELAN_TESTS_CONVERT_PDUS_TEST_BUILDERS_H
#define VELAN_TESTS_CONVERT_PDUS_TEST_BUILDERS_H

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "arxml_builder.h"
#include "import_harness.h"

namespace pdutest {

using arxml::El;
using arxml::Named;
using arxml::Node;
using arxml::Ref;
using arxml::Text;

inline Node Group(std::vector<Node> nodes) {
  return arxml::Fragment(std::move(nodes));
}

// Package P holds the system Sys, the cluster Can1 with channel Ch (frame and
// PDU triggerings) and `elements`.
inline std::string CanSystem(std::vector<Node> frameTriggerings, std::vector<Node> pduTriggerings,
                             std::vector<Node> elements) {
  std::vector<Node> all = {
      arxml::System("Sys", {arxml::FibexRef("CAN-CLUSTER", "/P/Can1")}),
      arxml::CanCluster(
          "Can1",
          {Text("BAUDRATE", "500000"),
           arxml::Channels({arxml::Channel("CAN", "Ch",
                                           {arxml::FrameTriggerings(std::move(frameTriggerings)),
                                            El("PDU-TRIGGERINGS", std::move(pduTriggerings))})})})};
  for (Node& element : elements) all.push_back(std::move(element));
  return arxml::Ar4({arxml::Pkg("P", std::move(all))});
}

inline Node FrameTrig(const std::string& frame, const std::string& identifier) {
  return arxml::CanFrameTriggering(frame + "Trig", "/P/" + frame, identifier);
}

inline Node PduTrig(const std::string& pdu, const std::string& dest = "I-SIGNAL-I-PDU") {
  return Named("PDU-TRIGGERING", pdu + "Trig", {Ref("I-PDU-REF", dest, "/P/" + pdu)});
}

// PDU-TO-FRAME-MAPPING; an empty byte order or update bit leaves the child out.
inline Node PduMapping(const std::string& pdu, const std::string& start,
                       const std::string& byteOrder = "MOST-SIGNIFICANT-BYTE-LAST",
                       const std::string& updateBit = "",
                       const std::string& dest = "I-SIGNAL-I-PDU") {
  Node mapping = Named("PDU-TO-FRAME-MAPPING", pdu + "Map");
  if (!byteOrder.empty()) mapping.Add(Text("PACKING-BYTE-ORDER", byteOrder));
  mapping.Add(Ref("PDU-REF", dest, "/P/" + pdu));
  mapping.Add(Text("START-POSITION", start));
  if (!updateBit.empty()) mapping.Add(Text("UPDATE-INDICATION-BIT-POSITION", updateBit));
  return mapping;
}

inline Node CanFrame(const std::string& name, const std::string& length,
                     std::vector<Node> mappings) {
  return arxml::Frame("CAN-FRAME", name, length,
                      {El("PDU-TO-FRAME-MAPPINGS", std::move(mappings))});
}

// I-SIGNAL-I-PDU with LENGTH, its signal mappings and further children
// (timing specifications, ...).
inline Node SignalPdu(const std::string& name, const std::string& length,
                      std::vector<Node> signalMappings, std::vector<Node> more = {}) {
  Node pdu = Named("I-SIGNAL-I-PDU", name, {Text("LENGTH", length)});
  pdu.Add(more);
  pdu.Add(El("I-SIGNAL-TO-PDU-MAPPINGS", std::move(signalMappings)));
  return pdu;
}

inline Node SignalMapping(const std::string& signal, const std::string& start,
                          const std::string& byteOrder = "MOST-SIGNIFICANT-BYTE-LAST") {
  Node mapping = Named("I-SIGNAL-TO-I-PDU-MAPPING", signal + "Map",
                       {Ref("I-SIGNAL-REF", "I-SIGNAL", "/P/" + signal)});
  if (!byteOrder.empty()) mapping.Add(Text("PACKING-BYTE-ORDER", byteOrder));
  mapping.Add(Text("START-POSITION", start));
  return mapping;
}

// I-SIGNAL `name` with LENGTH, referring to the system signal `name`Sys,
// with `more` children (network representation).
inline Node ISignal(const std::string& name, const std::string& length,
                    std::vector<Node> more = {}) {
  Node signal = Named("I-SIGNAL", name, {Text("LENGTH", length)});
  signal.Add(more);
  signal.Add(Ref("SYSTEM-SIGNAL-REF", "SYSTEM-SIGNAL", "/P/" + name + "Sys"));
  return signal;
}

inline Node SystemSignal(const std::string& name, std::vector<Node> more = {}) {
  return Named("SYSTEM-SIGNAL", name, std::move(more));
}

// I-SIGNAL and its SYSTEM-SIGNAL.
inline Node Signal(const std::string& name, const std::string& length,
                   std::vector<Node> representation = {}) {
  return Group({ISignal(name, length, std::move(representation)), SystemSignal(name + "Sys")});
}

// SW-DATA-DEF-PROPS-VARIANTS with one conditional holding `refs`.
inline Node PropsVariants(std::vector<Node> refs) {
  return El("SW-DATA-DEF-PROPS-VARIANTS", {El("SW-DATA-DEF-PROPS-CONDITIONAL", std::move(refs))});
}

inline Node NetworkRepresentation(std::vector<Node> refs) {
  return El("NETWORK-REPRESENTATION-PROPS", {PropsVariants(std::move(refs))});
}

inline Node CompuMethodRef(const std::string& name) {
  return Ref("COMPU-METHOD-REF", "COMPU-METHOD", "/P/" + name);
}
inline Node BaseTypeRef(const std::string& name) {
  return Ref("BASE-TYPE-REF", "SW-BASE-TYPE", "/P/" + name);
}
inline Node DataConstrRef(const std::string& name) {
  return Ref("DATA-CONSTR-REF", "DATA-CONSTR", "/P/" + name);
}
inline Node DataTypeRef(const std::string& name) {
  return Ref("IMPLEMENTATION-DATA-TYPE-REF", "IMPLEMENTATION-DATA-TYPE", "/P/" + name);
}

// COMPU-METHOD with COMPU-INTERNAL-TO-PHYS/COMPU-SCALES holding `scales`;
// `unit` names a UNIT element when not empty.
inline Node CompuMethod(const std::string& name, std::vector<Node> scales,
                        const std::string& unit = "") {
  Node method = Named("COMPU-METHOD", name);
  if (!unit.empty()) method.Add(Ref("UNIT-REF", "UNIT", "/P/" + unit));
  method.Add(El("COMPU-INTERNAL-TO-PHYS", {El("COMPU-SCALES", std::move(scales))}));
  return method;
}

// COMPU-SCALE with rational coefficients: the numerator's and denominator's V texts.
inline Node LinearScale(std::vector<std::string> numerator, std::vector<std::string> denominator) {
  Node num("COMPU-NUMERATOR");
  for (const std::string& v : numerator) num.Add(Text("V", v));
  Node den("COMPU-DENOMINATOR");
  for (const std::string& v : denominator) den.Add(Text("V", v));
  return El("COMPU-SCALE", {El("COMPU-RATIONAL-COEFFS", {num, den})});
}

// COMPU-SCALE of a text table; `intervalType` empty leaves the attribute out.
inline Node TextScale(const std::string& value, const std::string& text,
                      const std::string& intervalType = "CLOSED") {
  Node lower = Text("LOWER-LIMIT", value);
  Node upper = Text("UPPER-LIMIT", value);
  if (!intervalType.empty()) {
    lower.Attr("INTERVAL-TYPE", intervalType);
    upper.Attr("INTERVAL-TYPE", intervalType);
  }
  return El("COMPU-SCALE", {lower, upper, El("COMPU-CONST", {Text("VT", text)})});
}

inline Node BaseType(const std::string& name, const std::string& encoding) {
  Node type = Named("SW-BASE-TYPE", name);
  if (!encoding.empty()) type.Add(Text("BASE-TYPE-ENCODING", encoding));
  return type;
}

inline Node Unit(const std::string& name, const std::string& displayName) {
  return Named("UNIT", name, {Text("DISPLAY-NAME", displayName)});
}

// DATA-CONSTR with one rule per (lower, upper) pair.
inline Node DataConstr(const std::string& name,
                       std::vector<std::pair<std::string, std::string>> rules) {
  Node list("DATA-CONSTR-RULES");
  for (const auto& rule : rules) {
    list.Add(El("DATA-CONSTR-RULE", {El("INTERNAL-CONSTRS", {Text("LOWER-LIMIT", rule.first),
                                                             Text("UPPER-LIMIT", rule.second)})}));
  }
  return Named("DATA-CONSTR", name, {list});
}

inline Node ImplementationDataType(const std::string& name, std::vector<Node> refs) {
  return Named("IMPLEMENTATION-DATA-TYPE", name,
               {El("SW-DATA-DEF-PROPS", {PropsVariants(std::move(refs))})});
}

// One frame F1 (8 bytes, identifier 0x100) carrying the PDU `pdu` at
// position 0, with the PDU triggering, plus `elements` (the PDU itself, ...).
inline std::string OnePduSystem(const std::string& pdu, std::vector<Node> elements,
                                const std::string& pduDest = "I-SIGNAL-I-PDU") {
  std::vector<Node> all = {
      CanFrame("F1", "8", {PduMapping(pdu, "0", "MOST-SIGNIFICANT-BYTE-LAST", "", pduDest)})};
  for (Node& element : elements) all.push_back(std::move(element));
  return CanSystem({FrameTrig("F1", "0x100")}, {PduTrig(pdu, pduDest)}, std::move(all));
}

// Any PDU element with LENGTH and further children.
inline Node Pdu(const std::string& kind, const std::string& name, const std::string& length,
                std::vector<Node> more = {}) {
  Node pdu = Named(kind, name, {Text("LENGTH", length)});
  pdu.Add(more);
  return pdu;
}

// Properties of the first object of a tree print excerpt (as given by
// ImportResult::Subtree): property name -> printed value.
inline std::map<std::string, std::string> Properties(const std::string& subtree) {
  std::map<std::string, std::string> result;
  std::istringstream in(subtree);
  std::string line;
  size_t objectIndent = std::string::npos;
  while (std::getline(in, line)) {
    const size_t indent = line.find_first_not_of(' ');
    if (indent == std::string::npos) continue;
    if (objectIndent == std::string::npos) {
      objectIndent = indent;
      continue;
    }
    if (indent != objectIndent + 2) continue;
    const size_t eq = line.find(" = ");
    if (eq == std::string::npos || line.compare(indent, 2, "ID") != 0) continue;
    result[line.substr(indent, eq - indent)] = line.substr(eq + 3);
  }
  return result;
}

// The n-th (from 0) object line of a tree print that contains `text`, with
// the lines below it that are indented deeper.
inline std::string NthSubtree(const std::string& tree, const std::string& text, size_t n) {
  std::istringstream in(tree);
  std::string line;
  std::string out;
  size_t depth = std::string::npos;
  while (std::getline(in, line)) {
    const size_t indent = line.find_first_not_of(' ');
    if (depth == std::string::npos) {
      if (line.find(text) == std::string::npos || n-- != 0) continue;
      depth = indent;
    } else if (indent <= depth) {
      break;
    }
    out += line + "\n";
  }
  return out;
}

// Number of occurrences of `text` in `where`.
inline size_t Count(const std::string& where, const std::string& text) {
  size_t n = 0;
  for (size_t at = where.find(text); at != std::string::npos; at = where.find(text, at + 1)) ++n;
  return n;
}

}  // namespace pdutest

#endif

// Small AUTOSAR 3 systems for the converter tests. Package P holds the
// SYSTEM "Sys", the clusters (one channel "Ch" each), frames, PDUs and
// signals; package E the ECU instances; package T data types, compu methods,
// units and base types.
#ifndef VELAN_TESTS_CONVERT_AR3_DOCUMENTS_TEST_H
#define VELAN_TESTS_CONVERT_AR3_DOCUMENTS_TEST_H

#include <string>
#include <utility>
#include <vector>

#include "arxml_builder.h"

namespace ar3 {

using arxml::El;
using arxml::Named;
using arxml::Node;
using arxml::Ref;
using arxml::Text;

inline std::vector<Node> Join(std::vector<Node> first, const std::vector<Node>& rest) {
  first.insert(first.end(), rest.begin(), rest.end());
  return first;
}

inline Node FibRef(const std::string& dest, const std::string& path) {
  return Ref("FIBEX-ELEMENT-REF", dest, path);
}

inline Node System(std::vector<Node> refs) {
  return Named("SYSTEM", "Sys", {El("FIBEX-ELEMENT-REFS", std::move(refs))});
}

// <type>-CLUSTER with one PHYSICAL-CHANNEL "Ch" and the cluster's `extra`
// children (SPEED 500000 unless given).
inline Node Cluster(const std::string& type, const std::string& name,
                    std::vector<Node> channelChildren,
                    std::vector<Node> extra = {Text("SPEED", "500000")}) {
  std::vector<Node> children = {
      El("PHYSICAL-CHANNELS", {Named("PHYSICAL-CHANNEL", "Ch", std::move(channelChildren))})};
  return Named(type + "-CLUSTER", name, Join(std::move(children), extra));
}

inline Node FrameTriggerings(std::vector<Node> triggerings) {
  return El("FRAME-TRIGGERINGSS", std::move(triggerings));
}

// <type>-FRAME-TRIGGERING referring to /P/<frame>.
inline Node Triggering(const std::string& type, const std::string& name, const std::string& frame,
                       const std::string& identifier, std::vector<Node> extra = {},
                       const std::string& frameDest = "FRAME") {
  return Named(
      type + "-FRAME-TRIGGERING", name,
      Join({Ref("FRAME-REF", frameDest, "/P/" + frame), Text("IDENTIFIER", identifier)}, extra));
}

// I-PDU-TRIGGERINGS with one triggering per PDU in /P.
inline Node PduTriggerings(const std::vector<std::string>& pdus) {
  std::vector<Node> list;
  for (const std::string& pdu : pdus) {
    list.push_back(
        Named("I-PDU-TRIGGERING", pdu + "_PT", {Ref("I-PDU-REF", "SIGNAL-I-PDU", "/P/" + pdu)}));
  }
  return El("I-PDU-TRIGGERINGS", std::move(list));
}

// FRAME with FRAME-LENGTH and one PDU-TO-FRAME-MAPPING of /P/<pdu> at 0
// (no mapping when `pdu` is empty).
inline Node Frame(const std::string& name, const std::string& bytes, const std::string& pdu = "",
                  std::vector<Node> extra = {}) {
  std::vector<Node> children = {Text("FRAME-LENGTH", bytes)};
  if (!pdu.empty()) {
    children.push_back(
        El("PDU-TO-FRAME-MAPPINGS",
           {Named("PDU-TO-FRAME-MAPPING", name + "_M",
                  {Text("PACKING-BYTE-ORDER", "MOST-SIGNIFICANT-BYTE-LAST"),
                   Ref("PDU-REF", "SIGNAL-I-PDU", "/P/" + pdu), Text("START-POSITION", "0")})}));
  }
  return Named("FRAME", name, Join(std::move(children), extra));
}

// SIGNAL-I-PDU with LENGTH in bits, `extra` children and the mappings.
inline Node SignalPdu(const std::string& name, const std::string& bits,
                      std::vector<Node> mappings = {}, std::vector<Node> extra = {}) {
  std::vector<Node> children = {Text("LENGTH", bits)};
  children = Join(std::move(children), extra);
  if (!mappings.empty()) children.push_back(El("SIGNAL-TO-PDU-MAPPINGS", std::move(mappings)));
  return Named("SIGNAL-I-PDU", name, std::move(children));
}

// Mapping of the I-SIGNAL /P/<signal>.
inline Node SignalMapping(const std::string& signal, const std::string& start,
                          const std::string& byteOrder = "MOST-SIGNIFICANT-BYTE-LAST") {
  return Named("I-SIGNAL-TO-I-PDU-MAPPING", signal + "_M",
               {Ref("SIGNAL-REF", "I-SIGNAL", "/P/" + signal),
                Text("PACKING-BYTE-ORDER", byteOrder), Text("START-POSITION", start)});
}

// I-SIGNAL `name` of the SYSTEM-SIGNAL /P/<name>_sys, with `extra` children.
inline Node ISignal(const std::string& name, std::vector<Node> extra = {}) {
  return Named("I-SIGNAL", name,
               Join({Ref("SYSTEM-SIGNAL-REF", "SYSTEM-SIGNAL", "/P/" + name + "_sys")}, extra));
}

// SYSTEM-SIGNAL <name>_sys with LENGTH (none when empty) and the data type
// /T/<dataType> (none when empty).
inline Node SystemSignal(const std::string& name, const std::string& length,
                         const std::string& dataType = "") {
  std::vector<Node> children;
  if (!dataType.empty()) {
    children.push_back(Ref("DATA-TYPE-REF", "INTEGER-TYPE", "/T/" + dataType));
  }
  if (!length.empty()) children.push_back(Text("LENGTH", length));
  return Named("SYSTEM-SIGNAL", name + "_sys", std::move(children));
}

// INTEGER-TYPE whose SW-DATA-DEF-PROPS name the given elements of /T (each
// left out when empty).
inline Node DataType(const std::string& name, const std::string& compuMethod,
                     const std::string& baseType, const std::string& constraint = "") {
  std::vector<Node> refs;
  if (!compuMethod.empty()) {
    refs.push_back(Ref("COMPU-METHOD-REF", "COMPU-METHOD", "/T/" + compuMethod));
  }
  if (!baseType.empty()) refs.push_back(Ref("BASE-TYPE-REF", "SW-BASE-TYPE", "/T/" + baseType));
  if (!constraint.empty()) {
    refs.push_back(Ref("DATA-CONSTR-REF", "DATA-CONSTR", "/T/" + constraint));
  }
  return Named("INTEGER-TYPE", name, {El("SW-DATA-DEF-PROPS", std::move(refs))});
}

// COMPU-METHOD with one linear scale (offset, factor) and the unit /T/<unit>.
inline Node LinearCompuMethod(const std::string& name, const std::string& offset,
                              const std::string& factor, const std::string& unit = "") {
  std::vector<Node> children;
  if (!unit.empty()) children.push_back(Ref("UNIT-REF", "UNIT", "/T/" + unit));
  children.push_back(
      El("COMPU-INTERNAL-TO-PHYS",
         {El("COMPU-SCALES",
             {El("COMPU-SCALE", {El("COMPU-RATIONAL-COEFFS",
                                    {El("COMPU-NUMERATOR", {Text("V", offset), Text("V", factor)}),
                                     El("COMPU-DENOMINATOR", {Text("V", "1")})})})})}));
  return Named("COMPU-METHOD", name, std::move(children));
}

inline Node Unit(const std::string& name, const std::string& displayName) {
  return Named("UNIT", name, {Text("DISPLAY-NAME", displayName)});
}

inline Node BaseType(const std::string& name, const std::string& encoding) {
  return Named("SW-BASE-TYPE", name, {Text("BASE-TYPE-ENCODING", encoding)});
}

// ECU-INSTANCE with the given connectors.
inline Node Ecu(const std::string& name, std::vector<Node> connectors,
                std::vector<Node> controllers = {}) {
  std::vector<Node> children;
  if (!controllers.empty()) children.push_back(El("COMM-CONTROLLERS", std::move(controllers)));
  children.push_back(El("CONNECTORS", std::move(connectors)));
  return Named("ECU-INSTANCE", name, std::move(children));
}

// Connector element `kind` (CAN-COMMUNICATION-CONNECTOR, ...) to the channel
// of cluster /P/<cluster>, with its frame ports (name, direction).
inline Node Connector(const std::string& kind, const std::string& name, const std::string& cluster,
                      const std::vector<std::pair<std::string, std::string>>& ports = {},
                      std::vector<Node> extra = {}) {
  std::vector<Node> children = {Ref("CHANNEL-REF", "PHYSICAL-CHANNEL", "/P/" + cluster + "/Ch")};
  children = Join(std::move(children), extra);
  std::vector<Node> portList;
  for (const auto& port : ports) {
    portList.push_back(
        Named("FRAME-PORT", port.first, {Text("COMMUNICATION-DIRECTION", port.second)}));
  }
  if (!portList.empty()) children.push_back(El("ECU-COMM-PORT-INSTANCES", std::move(portList)));
  return Named(kind, name, std::move(children));
}

// FRAME-PORT-REFS of a triggering naming /E/<ecu>/<connector>/<port>.
inline Node PortRefs(const std::vector<std::string>& paths) {
  std::vector<Node> refs;
  for (const std::string& path : paths) refs.push_back(Ref("FRAME-PORT-REF", "FRAME-PORT", path));
  return El("FRAME-PORT-REFS", std::move(refs));
}

// Whole AUTOSAR 3 file with packages P (system first), E and T.
inline std::string Document(std::vector<Node> p, std::vector<Node> e = {},
                            std::vector<Node> t = {}) {
  std::vector<Node> packages = {arxml::Pkg("P", std::move(p))};
  if (!e.empty()) packages.push_back(arxml::Pkg("E", std::move(e)));
  if (!t.empty()) packages.push_back(arxml::Pkg("T", std::move(t)));
  return arxml::Ar3(std::move(packages));
}

}  // namespace ar3

#endif

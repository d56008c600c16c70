// Small AUTOSAR 4 LIN systems for the ECU, schedule-table and
// node-configuration tests: package P holds the system, the cluster Lin1
// with its channel Ch and the frames; package E holds the ECUs. Every ECU
// has one controller "Ctrl" and one LIN connector "Conn" that refers to it.
#ifndef VELAN_TESTS_CONVERT_LIN_SCHEDULE_DOCUMENTS_H
#define VELAN_TESTS_CONVERT_LIN_SCHEDULE_DOCUMENTS_H

#include <string>
#include <utility>
#include <vector>

#include "arxml_builder.h"

namespace lindoc {

using arxml::El;
using arxml::Named;
using arxml::Node;
using arxml::Ref;
using arxml::Text;

inline Node Conditional(const std::string& role, std::vector<Node> fields) {
  return El(role + "-VARIANTS", {El(role + "-CONDITIONAL", std::move(fields))});
}

// LIN-MASTER "Ctrl".
inline Node Master(const std::string& version = "2.1") {
  return Named(
      "LIN-MASTER", "Ctrl",
      {Conditional("LIN-MASTER", {Text("PROTOCOL-VERSION", version), Text("TIME-BASE", "0.005"),
                                  Text("TIME-BASE-JITTER", "0.0001")})});
}

// LIN-SLAVE "Ctrl" with every parameter the commands read.
inline Node Slave(const std::string& version, const std::string& configuredNad,
                  const std::string& initialNad = "", const std::string& supplierId = "300",
                  const std::string& functionId = "5") {
  std::vector<Node> fields = {Text("PROTOCOL-VERSION", version),
                              Text("CONFIGURED-NAD", configuredNad)};
  if (!initialNad.empty()) fields.push_back(Text("INITIAL-NAD", initialNad));
  fields.push_back(Text("FUNCTION-ID", functionId));
  fields.push_back(Text("SUPPLIER-ID", supplierId));
  return Named("LIN-SLAVE", "Ctrl", {Conditional("LIN-SLAVE", std::move(fields))});
}

// ECU-INSTANCE `name` with `controller` and the connector "Conn" whose
// COMM-CONTROLLER-REF (DEST `dest`) refers to it; `connectorChildren` follow.
inline Node LinEcu(const std::string& name, Node controller, const std::string& dest = "LIN-SLAVE",
                   std::vector<Node> connectorChildren = {}) {
  std::vector<Node> children = {Ref("COMM-CONTROLLER-REF", dest, "/E/" + name + "/Ctrl")};
  for (Node& child : connectorChildren) children.push_back(std::move(child));
  return arxml::EcuInstance(
      name, {El("COMM-CONTROLLERS", {std::move(controller)}),
             arxml::Connectors({arxml::Connector("LIN", "Conn", std::move(children))})});
}

inline Node MasterEcu(const std::string& name) {
  return LinEcu(name, Master(), "LIN-MASTER");
}

// LIN-FRAME-TRIGGERING `name` of the frame /P/<frame> of kind `frameKind`.
inline Node Triggering(const std::string& name, const std::string& frame,
                       const std::string& identifier,
                       const std::string& frameKind = "LIN-UNCONDITIONAL-FRAME") {
  return arxml::FrameTriggering("LIN", name, frameKind, "/P/" + frame,
                                {Text("IDENTIFIER", identifier)});
}

inline Node UnconditionalFrame(const std::string& name) {
  return arxml::Frame("LIN-UNCONDITIONAL-FRAME", name, "2");
}

// Sporadic frame substituting the frames /P/<name> of `frames`.
inline Node SporadicFrame(const std::string& name, const std::vector<std::string>& frames) {
  Node refs("SUBSTITUTED-FRAME-REFS");
  for (const std::string& frame : frames) {
    refs.Add(Ref("SUBSTITUTED-FRAME-REF", "LIN-UNCONDITIONAL-FRAME", "/P/" + frame));
  }
  return arxml::Frame("LIN-SPORADIC-FRAME", name, "2", {refs});
}

inline Node EventTriggeredFrame(const std::string& name, const std::vector<std::string>& frames) {
  Node refs("LIN-UNCONDITIONAL-FRAME-REFS");
  for (const std::string& frame : frames) {
    refs.Add(Ref("LIN-UNCONDITIONAL-FRAME-REF", "LIN-UNCONDITIONAL-FRAME", "/P/" + frame));
  }
  return arxml::Frame("LIN-EVENT-TRIGGERED-FRAME", name, "2", {refs});
}

// LIN-SCHEDULE-TABLE with RUN-MODE (none when empty) and its entries.
inline Node Table(const std::string& name, const std::string& runMode, std::vector<Node> entries) {
  Node table = Named("LIN-SCHEDULE-TABLE", name);
  if (!runMode.empty()) table.Add(Text("RUN-MODE", runMode));
  table.Add(El("TABLE-ENTRYS", std::move(entries)));
  return table;
}

// An entry element with DELAY and POSITION-IN-TABLE followed by `children`.
inline Node Entry(const std::string& kind, const std::string& position, const std::string& delay,
                  std::vector<Node> children = {}) {
  Node entry = El(kind, {Text("DELAY", delay), Text("POSITION-IN-TABLE", position)});
  entry.Add(children);
  return entry;
}

// APPLICATION-ENTRY sending the triggering /P/Lin1/Ch/<triggering>.
inline Node AppEntry(const std::string& position, const std::string& delay,
                     const std::string& triggering, std::vector<Node> extra = {}) {
  std::vector<Node> children = {
      Ref("FRAME-TRIGGERING-REF", "LIN-FRAME-TRIGGERING", "/P/Lin1/Ch/" + triggering)};
  for (Node& node : extra) children.push_back(std::move(node));
  return Entry("APPLICATION-ENTRY", position, delay, std::move(children));
}

// Reference to the slave controller of ECU `ecu`.
inline Node AssignedController(const std::string& ecu) {
  return Ref("ASSIGNED-CONTROLLER-REF", "LIN-SLAVE", "/E/" + ecu + "/Ctrl");
}

struct LinSystem {
  std::vector<std::string> connectedEcus;  // ECU names listed by the channel
  std::vector<Node> ecus;                  // package E
  std::vector<Node> triggerings;           // channel Ch
  std::vector<Node> tables;                // channel Ch, SCHEDULE-TABLES
  std::vector<Node> frames;                // package P
  std::string clusterType = "LIN";

  std::string Str() const {
    std::vector<std::string> paths;
    for (const std::string& ecu : connectedEcus) paths.push_back("/E/" + ecu + "/Conn");
    std::vector<Node> channel = {arxml::CommConnectors(clusterType, paths),
                                 arxml::FrameTriggerings(triggerings)};
    if (!tables.empty()) channel.push_back(El("SCHEDULE-TABLES", tables));
    const std::vector<Node> conditional = {
        Text("BAUDRATE", "19200"),
        arxml::Channels({arxml::Channel(clusterType, "Ch", std::move(channel))})};
    std::vector<Node> p = {
        arxml::System("Sys", {arxml::FibexRef(clusterType + "-CLUSTER", "/P/Lin1")}),
        arxml::Cluster(clusterType, "Lin1", conditional)};
    for (const Node& frame : frames) p.push_back(frame);
    return arxml::Ar4({arxml::Pkg("P", p), arxml::Pkg("E", ecus)});
  }
};

}  // namespace lindoc

#endif

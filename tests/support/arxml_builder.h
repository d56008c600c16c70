// Compact construction of ARXML documents in tests.
//
//   using namespace arxml;
//   std::string text = Ar4({Pkg("P", {
//       System("Sys", {FibexRef("CAN-CLUSTER", "/P/Can1")}),
//       CanCluster("Can1", {Text("BAUDRATE", "500000"),
//                           Channels("CAN", {Channel("CAN", "Ch")})})})});
//
// Element names are given without prefix; Ar4/Ar3 put everything into the
// AUTOSAR namespace of that release.
#ifndef VELAN_TESTS_SUPPORT_ARXML_BUILDER_H
#define VELAN_TESTS_SUPPORT_ARXML_BUILDER_H

#include <string>
#include <utility>
#include <vector>

namespace arxml {

class Node {
 public:
  Node() = default;
  explicit Node(std::string name) : name_(std::move(name)) {}
  Node(std::string name, std::vector<Node> children)
      : name_(std::move(name)), children_(std::move(children)) {}

  Node& Attr(const std::string& key, const std::string& value) {
    attributes_.emplace_back(key, value);
    return *this;
  }
  Node& SetText(const std::string& text) {
    text_ = text;
    return *this;
  }
  Node& Add(Node child) {
    children_.push_back(std::move(child));
    return *this;
  }
  Node& Add(const std::vector<Node>& children) {
    children_.insert(children_.end(), children.begin(), children.end());
    return *this;
  }
  // Raw XML text placed after the children (for content the builder cannot
  // express, such as comments or malformed pieces).
  Node& Raw(const std::string& xml) {
    raw_ += xml;
    return *this;
  }
  // A node without name writes only its children (a fragment).
  bool IsFragment() const { return name_.empty(); }

  // Indented XML text; `indent` is the depth of this node.
  std::string Str(int indent = 0) const;
  void Write(std::string& out, int indent) const;

 private:
  std::string name_;
  std::vector<std::pair<std::string, std::string>> attributes_;
  std::string text_;
  std::vector<Node> children_;
  std::string raw_;
};

// Escapes &, <, > and " for element text and attribute values.
std::string Escape(const std::string& text);

// Generic elements.
Node El(const std::string& name, std::vector<Node> children = {});
Node Text(const std::string& name, const std::string& text);
// Element with a SHORT-NAME as its first child.
Node Named(const std::string& name, const std::string& shortName, std::vector<Node> children = {});
// Reference element: text is the path, DEST attribute (omitted when dest is empty).
Node Ref(const std::string& name, const std::string& dest, const std::string& path);
// Several nodes in place of one.
Node Fragment(std::vector<Node> nodes);
// VARIATION-POINT child.
Node VariationPoint();
// DESC with L-2 children: pairs of (language attribute or "" for none, text).
Node Desc(const std::vector<std::pair<std::string, std::string>>& texts);
Node Desc(const std::string& englishText);

// AR-PACKAGE with SHORT-NAME and an ELEMENTS child holding `elements`.
Node Pkg(const std::string& name, std::vector<Node> elements);
// AR-PACKAGE with sub-packages instead of elements.
Node PkgOfPkgs(const std::string& name, std::vector<Node> packages);

// Whole files: XML declaration, AUTOSAR root in the release namespace, and
// the packages in AR-PACKAGES.
std::string Ar4(std::vector<Node> packages);
std::string Ar3(std::vector<Node> packages);
extern const char* const kAr4Namespace;
extern const char* const kAr3Namespace;

// ---- AUTOSAR 4 system and clusters ----

// FIBEX-ELEMENT-REF-CONDITIONAL holding one FIBEX-ELEMENT-REF.
Node FibexRef(const std::string& dest, const std::string& path);
// SYSTEM with FIBEX-ELEMENTS holding the given (conditional) references.
Node System(const std::string& name, std::vector<Node> fibexRefs);

// <WORD>-CLUSTER / <WORD>-CLUSTER-VARIANTS / <WORD>-CLUSTER-CONDITIONAL with
// `conditional` as the conditional's children; `type` is CAN, LIN, FLEXRAY,
// ETHERNET, ...
Node Cluster(const std::string& type, const std::string& name, std::vector<Node> conditional,
             std::vector<Node> clusterChildren = {});
Node CanCluster(const std::string& name, std::vector<Node> conditional);
Node LinCluster(const std::string& name, std::vector<Node> conditional);
// PHYSICAL-CHANNELS with the given channels.
Node Channels(std::vector<Node> channels);
// <type>-PHYSICAL-CHANNEL with SHORT-NAME and `children`.
Node Channel(const std::string& type, const std::string& name, std::vector<Node> children = {});
// FRAME-TRIGGERINGS holding the given triggerings.
Node FrameTriggerings(std::vector<Node> triggerings);
// <type>-FRAME-TRIGGERING with a FRAME-REF (DEST `frameDest`) and `children`.
Node FrameTriggering(const std::string& type, const std::string& name, const std::string& frameDest,
                     const std::string& framePath, std::vector<Node> children = {});
// CAN-FRAME-TRIGGERING with IDENTIFIER and optional addressing mode.
Node CanFrameTriggering(const std::string& name, const std::string& framePath,
                        const std::string& identifier, std::vector<Node> children = {});
// Frame element (CAN-FRAME, LIN-UNCONDITIONAL-FRAME, ...) with FRAME-LENGTH.
Node Frame(const std::string& kind, const std::string& name, const std::string& length,
           std::vector<Node> children = {});

// ---- AUTOSAR 4 ECUs ----

// ECU-INSTANCE with SHORT-NAME and `children` (CONNECTORS, ...).
Node EcuInstance(const std::string& name, std::vector<Node> children = {});
// CONNECTORS holding the given connectors.
Node Connectors(std::vector<Node> connectors);
// <type>-COMMUNICATION-CONNECTOR with SHORT-NAME and `children`.
Node Connector(const std::string& type, const std::string& name, std::vector<Node> children = {});
// COMM-CONNECTORS of a channel, one COMMUNICATION-CONNECTOR-REF-CONDITIONAL
// per path, with DEST <type>-COMMUNICATION-CONNECTOR.
Node CommConnectors(const std::string& type, const std::vector<std::string>& connectorPaths);

// A typical CAN system: package P with the system Sys referring to the
// cluster /P/<cluster>, the cluster with BAUDRATE 500000 and one channel Ch
// holding `triggerings`, plus `elements` (frames, ...) in package P.
std::string SimpleCan4(const std::string& cluster, std::vector<Node> triggerings,
                       std::vector<Node> elements = {});

}  // namespace arxml

#endif

#include "arxml_builder.h"

namespace arxml {

const char* const kAr4Namespace = "http://autosar.org/schema/r4.0";
const char* const kAr3Namespace = "http://autosar.org/3.2.3";

std::string Escape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

void Node::Write(std::string& out, int indent) const {
  if (IsFragment()) {
    for (const Node& child : children_) child.Write(out, indent);
    out += raw_;
    return;
  }
  const std::string pad(static_cast<size_t>(indent) * 2, ' ');
  out += pad + "<" + name_;
  for (const auto& attribute : attributes_) {
    out += " " + attribute.first + "=\"" + Escape(attribute.second) + "\"";
  }
  if (children_.empty() && raw_.empty()) {
    if (text_.empty()) {
      out += "/>\n";
    } else {
      out += ">" + Escape(text_) + "</" + name_ + ">\n";
    }
    return;
  }
  out += ">" + Escape(text_) + "\n";
  for (const Node& child : children_) child.Write(out, indent + 1);
  out += raw_;
  out += pad + "</" + name_ + ">\n";
}

std::string Node::Str(int indent) const {
  std::string out;
  Write(out, indent);
  return out;
}

Node El(const std::string& name, std::vector<Node> children) {
  return Node(name, std::move(children));
}

Node Text(const std::string& name, const std::string& text) {
  Node node(name);
  node.SetText(text);
  return node;
}

Node Named(const std::string& name, const std::string& shortName, std::vector<Node> children) {
  Node node(name);
  node.Add(Text("SHORT-NAME", shortName));
  node.Add(children);
  return node;
}

Node Ref(const std::string& name, const std::string& dest, const std::string& path) {
  Node node = Text(name, path);
  if (!dest.empty()) node.Attr("DEST", dest);
  return node;
}

Node Fragment(std::vector<Node> nodes) {
  return Node(std::string(), std::move(nodes));
}

Node VariationPoint() {
  return El("VARIATION-POINT", {Text("SHORT-LABEL", "vp")});
}

Node Desc(const std::vector<std::pair<std::string, std::string>>& texts) {
  Node desc("DESC");
  for (const auto& entry : texts) {
    Node l2 = Text("L-2", entry.second);
    if (!entry.first.empty()) l2.Attr("L", entry.first);
    desc.Add(l2);
  }
  return desc;
}

Node Desc(const std::string& englishText) {
  return Desc({{"EN", englishText}});
}

Node Pkg(const std::string& name, std::vector<Node> elements) {
  return Named("AR-PACKAGE", name, {El("ELEMENTS", std::move(elements))});
}

Node PkgOfPkgs(const std::string& name, std::vector<Node> packages) {
  return Named("AR-PACKAGE", name, {El("AR-PACKAGES", std::move(packages))});
}

static std::string Document(const char* ns, std::vector<Node> packages) {
  Node root = El("AUTOSAR", {El("AR-PACKAGES", std::move(packages))});
  root.Attr("xmlns", ns);
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + root.Str();
}

std::string Ar4(std::vector<Node> packages) {
  return Document(kAr4Namespace, std::move(packages));
}
std::string Ar3(std::vector<Node> packages) {
  return Document(kAr3Namespace, std::move(packages));
}

Node FibexRef(const std::string& dest, const std::string& path) {
  return El("FIBEX-ELEMENT-REF-CONDITIONAL", {Ref("FIBEX-ELEMENT-REF", dest, path)});
}

Node System(const std::string& name, std::vector<Node> fibexRefs) {
  return Named("SYSTEM", name, {El("FIBEX-ELEMENTS", std::move(fibexRefs))});
}

Node Cluster(const std::string& type, const std::string& name, std::vector<Node> conditional,
             std::vector<Node> clusterChildren) {
  Node cluster = Named(type + "-CLUSTER", name, std::move(clusterChildren));
  cluster.Add(
      El(type + "-CLUSTER-VARIANTS", {El(type + "-CLUSTER-CONDITIONAL", std::move(conditional))}));
  return cluster;
}

Node CanCluster(const std::string& name, std::vector<Node> conditional) {
  return Cluster("CAN", name, std::move(conditional));
}

Node LinCluster(const std::string& name, std::vector<Node> conditional) {
  return Cluster("LIN", name, std::move(conditional));
}

Node Channels(std::vector<Node> channels) {
  return El("PHYSICAL-CHANNELS", std::move(channels));
}

Node Channel(const std::string& type, const std::string& name, std::vector<Node> children) {
  return Named(type + "-PHYSICAL-CHANNEL", name, std::move(children));
}

Node FrameTriggerings(std::vector<Node> triggerings) {
  return El("FRAME-TRIGGERINGS", std::move(triggerings));
}

Node FrameTriggering(const std::string& type, const std::string& name, const std::string& frameDest,
                     const std::string& framePath, std::vector<Node> children) {
  Node triggering = Named(type + "-FRAME-TRIGGERING", name);
  triggering.Add(Ref("FRAME-REF", frameDest, framePath));
  triggering.Add(children);
  return triggering;
}

Node CanFrameTriggering(const std::string& name, const std::string& framePath,
                        const std::string& identifier, std::vector<Node> children) {
  Node triggering = FrameTriggering("CAN", name, "CAN-FRAME", framePath, std::move(children));
  triggering.Add(Text("IDENTIFIER", identifier));
  return triggering;
}

Node Frame(const std::string& kind, const std::string& name, const std::string& length,
           std::vector<Node> children) {
  Node frame = Named(kind, name);
  if (!length.empty()) frame.Add(Text("FRAME-LENGTH", length));
  frame.Add(children);
  return frame;
}

Node EcuInstance(const std::string& name, std::vector<Node> children) {
  return Named("ECU-INSTANCE", name, std::move(children));
}

Node Connectors(std::vector<Node> connectors) {
  return El("CONNECTORS", std::move(connectors));
}

Node Connector(const std::string& type, const std::string& name, std::vector<Node> children) {
  return Named(type + "-COMMUNICATION-CONNECTOR", name, std::move(children));
}

Node CommConnectors(const std::string& type, const std::vector<std::string>& connectorPaths) {
  Node container("COMM-CONNECTORS");
  for (const std::string& path : connectorPaths) {
    container.Add(
        El("COMMUNICATION-CONNECTOR-REF-CONDITIONAL",
           {Ref("COMMUNICATION-CONNECTOR-REF", type + "-COMMUNICATION-CONNECTOR", path)}));
  }
  return container;
}

std::string SimpleCan4(const std::string& cluster, std::vector<Node> triggerings,
                       std::vector<Node> elements) {
  std::vector<Node> all = {
      System("Sys", {FibexRef("CAN-CLUSTER", "/P/" + cluster)}),
      CanCluster(cluster,
                 {Text("BAUDRATE", "500000"),
                  Channels({Channel("CAN", "Ch", {FrameTriggerings(std::move(triggerings))})})})};
  for (Node& element : elements) all.push_back(std::move(element));
  return Ar4({Pkg("P", std::move(all))});
}

}  // namespace arxml

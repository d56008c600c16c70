// What the tool reads from the host database: the clusters of a database,
// its object tree as text or JSON, and saving it to a file.
#include "host_db.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "plugins.h"
#include "velan/host_vocabulary.h"
#include "velan/read_properties.h"
#include "velan/value_descriptions.h"
#include "velan/velandb_host.h"

namespace velan_tool {
namespace {

using namespace velan_read;

bool ReadBytes(uint32_t object, uint32_t prop, std::vector<uint8_t>* out, std::string* error) {
  dbaStatus st{0, 0};
  uint32_t size = 0;
  dbaGetPropertySize(object, prop, &size, &st);
  if (DBA_STATUS_IS_ERROR(&st)) {
    *error = "reading property " + Hex32(prop) + " of object " + std::to_string(object) + ": " +
             DescribeStatus(st);
    return false;
  }
  out->assign(size, 0);
  if (size == 0) return true;
  dbaGetProperty(object, prop, size, out->data(), &st);
  if (DBA_STATUS_IS_ERROR(&st)) {
    *error = "reading property " + Hex32(prop) + " of object " + std::to_string(object) + ": " +
             DescribeStatus(st);
    return false;
  }
  return true;
}

bool ReadRefs(uint32_t object, uint32_t prop, std::vector<uint32_t>* refs, std::string* error) {
  std::vector<uint8_t> bytes;
  if (!ReadBytes(object, prop, &bytes, error)) return false;
  refs->assign(bytes.size() / 4, 0);
  if (!refs->empty()) std::memcpy(refs->data(), bytes.data(), refs->size() * 4);
  return true;
}

enum class Enc { STR, U8, U16, U32, U64, I16, I32, F64, IOID, IOIDS, U8P, VTAB, NAD };

struct PropInfo {
  const char* name;
  Enc enc;
};

const std::unordered_map<uint32_t, PropInfo>& PropTable() {
  static const std::unordered_map<uint32_t, PropInfo> table = [] {
    std::unordered_map<uint32_t, PropInfo> t;
#define VELAN_PROPERTY(type, n, name, enc, set) \
  t.emplace((static_cast<uint32_t>(VELAN_OT_##type) << 16) | (n), PropInfo{#name, Enc::enc});
#define VELAN_PROPERTY_SAMENAME(type, n, name, enc, set) VELAN_PROPERTY(type, n, name, enc, set)
#include "velan/host_vocabulary.def"
#undef VELAN_PROPERTY_SAMENAME
#undef VELAN_PROPERTY
    t.emplace(IDIP_CON_INITIAL_NAD, PropInfo{"IDIP_CON_INITIAL_NAD", Enc::NAD});
    return t;
  }();
  return table;
}

template <typename T>
T Load(const std::vector<uint8_t>& b) {
  T v{};
  std::memcpy(&v, b.data(), sizeof v);
  return v;
}

nlohmann::ordered_json HexBytes(const std::vector<uint8_t>& b) {
  std::string s;
  char buf[4];
  for (uint8_t c : b) {
    std::snprintf(buf, sizeof buf, "%02X", c);
    s += buf;
  }
  return s;
}

nlohmann::ordered_json DecodeValue(Enc enc, const std::vector<uint8_t>& b) {
  auto sized = [&](size_t n) { return b.size() == n; };
  switch (enc) {
    case Enc::STR:
      return std::string(b.begin(), b.end());
    case Enc::U8:
      if (sized(1)) return Load<uint8_t>(b);
      break;
    case Enc::U16:
      if (sized(2)) return Load<uint16_t>(b);
      break;
    case Enc::U32:
      if (sized(4)) return Load<uint32_t>(b);
      break;
    case Enc::U64:
    case Enc::IOID:
      if (sized(8)) return Load<uint64_t>(b);
      break;
    case Enc::I16:
      if (sized(2)) return Load<int16_t>(b);
      break;
    case Enc::I32:
      if (sized(4)) return Load<int32_t>(b);
      break;
    case Enc::F64:
      if (sized(8)) return Load<double>(b);
      break;
    case Enc::NAD:
      if (sized(1)) return Load<uint8_t>(b);
      if (sized(4)) return Load<uint32_t>(b);
      break;
    case Enc::IOIDS:
      if (b.size() % 8 == 0) {
        nlohmann::ordered_json a = nlohmann::ordered_json::array();
        for (size_t i = 0; i < b.size(); i += 8) {
          uint64_t v;
          std::memcpy(&v, b.data() + i, 8);
          a.push_back(v);
        }
        return a;
      }
      break;
    case Enc::U8P: {
      nlohmann::ordered_json a = nlohmann::ordered_json::array();
      for (uint8_t c : b) a.push_back(c);
      return a;
    }
    case Enc::VTAB: {
      // [{"value": raw value, "text": text}, ...] in table order.
      nlohmann::ordered_json a = nlohmann::ordered_json::array();
      const bool whole = VelanForEachValueDescription(
          b.data(), static_cast<uint32_t>(b.size()),
          [&a](double value, const char* text, uint32_t length) {
            nlohmann::ordered_json entry;
            // Raw values are whole numbers as a rule: shown without ".0".
            if (std::trunc(value) == value && std::fabs(value) < 9007199254740992.0)
              entry["value"] = static_cast<int64_t>(value);
            else
              entry["value"] = value;
            entry["text"] = std::string(text, length);
            a.push_back(std::move(entry));
          });
      if (whole) return a;
      break;
    }
  }
  return HexBytes(b);
}

}  // namespace

const char* ClusterInfo::ProtocolName() const {
  switch (protocol) {
    case kProtocolCan:
      return "CAN";
    case kProtocolFlexRay:
      return "FlexRay";
    case kProtocolLin:
      return "LIN";
    default:
      return "unknown";
  }
}

std::string DescribeStatus(const dbaStatus& status) {
  std::string s = "code " + Hex32(status.code) + ", detail " + Hex32(status.detail);
  std::string text = HostStatusText(static_cast<int32_t>(status.code));
  if (!text.empty()) s += ": " + text;
  return s;
}

bool ReadClusters(uint32_t database, std::vector<ClusterInfo>* clusters, std::string* error) {
  clusters->clear();
  std::vector<uint32_t> refs;
  if (!ReadRefs(database, kDatabaseClusters, &refs, error)) return false;
  for (uint32_t ref : refs) {
    ClusterInfo c;
    c.ref = ref;
    std::vector<uint8_t> bytes;
    if (!ReadBytes(ref, kClusterName, &bytes, error)) return false;
    c.name.assign(bytes.begin(), bytes.end());
    if (!c.name.empty() && c.name.back() == '\0') c.name.pop_back();
    if (!ReadBytes(ref, kClusterProtocol, &bytes, error)) return false;
    if (bytes.size() == 4) std::memcpy(&c.protocol, bytes.data(), 4);
    std::vector<uint32_t> list;
    if (!ReadRefs(ref, kClusterFrames, &list, error)) return false;
    c.frames = list.size();
    if (!ReadRefs(ref, kClusterSignals, &list, error)) return false;
    c.signals = list.size();
    if (!ReadRefs(ref, kClusterEcus, &list, error)) return false;
    c.ecus = list.size();
    clusters->push_back(std::move(c));
  }
  return true;
}

std::string PropertyName(uint32_t propertyId) {
  auto it = PropTable().find(propertyId);
  return it != PropTable().end() ? it->second.name : Hex32(propertyId);
}

std::string ObjectTypeName(uint32_t type) {
  switch (type) {
#define VELAN_OBJECT_TYPE(num, name, nameless) \
  case num:                                    \
    return #name;
#include "velan/host_vocabulary.def"
#undef VELAN_OBJECT_TYPE
    default:
      return Hex32(type);
  }
}

// The host allows each object type only below a fixed set of parent types,
// so the depth of the tree is bounded by the object model, not by the input.
nlohmann::ordered_json ObjectTreeJson(uint64_t root) {
  vdbObjectInfo info{};
  if (vdbGetObject(root, &info) != VDB_OK) return nullptr;
  nlohmann::ordered_json o;
  o["type"] = ObjectTypeName(info.type);
  o["name"] = info.name;
  o["identifier"] = info.id;
  o["number"] = info.number;
  nlohmann::ordered_json props = nlohmann::ordered_json::object();
  for (uint32_t i = 0; i < info.propertyCount; ++i) {
    uint32_t pid = 0;
    if (vdbGetPropertyId(root, i, &pid) != VDB_OK) continue;
    uint32_t size = 0;
    if (vdbGetProperty(root, pid, nullptr, 0, &size) != VDB_OK) continue;
    std::vector<uint8_t> bytes(size);
    if (size && vdbGetProperty(root, pid, bytes.data(), size, &size) != VDB_OK) continue;
    auto it = PropTable().find(pid);
    props[PropertyName(pid)] =
        it != PropTable().end() ? DecodeValue(it->second.enc, bytes) : HexBytes(bytes);
  }
  o["properties"] = std::move(props);
  nlohmann::ordered_json links = nlohmann::ordered_json::array();
  for (uint32_t i = 0; i < info.extraParentCount; ++i) {
    uint64_t p = 0;
    if (vdbGetExtraParent(root, i, &p) == VDB_OK) links.push_back(p);
  }
  o["linkedTo"] = std::move(links);
  nlohmann::ordered_json children = nlohmann::ordered_json::array();
  for (uint32_t i = 0; i < info.childCount; ++i) {
    uint64_t c = 0;
    if (vdbGetChild(root, i, &c) == VDB_OK) children.push_back(ObjectTreeJson(c));
  }
  o["children"] = std::move(children);
  return o;
}

}  // namespace velan_tool

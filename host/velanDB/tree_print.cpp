// Deterministic text of an object tree.
#include "tree_print.h"

#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "velan/value_descriptions.h"

namespace vdb {
namespace {

template <typename T>
T Load(const std::string& bytes, size_t offset = 0) {
  T value{};
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

void AppendQuoted(const std::string& text, std::string* out) {
  out->push_back('"');
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out->push_back('\\');
      out->push_back(static_cast<char>(c));
    } else if (c < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out->append(hex);
    } else {
      out->push_back(static_cast<char>(c));
    }
  }
  out->push_back('"');
}

std::string ObjectRef(Database& db, uint64_t id) {
  if (id == 0) return "none";
  Database* owner = nullptr;
  const Slot* slot = Store::Get().FindSlot(id);
  if (slot && slot->kind == SlotKind::Object) owner = slot->db;
  if (owner != &db) return "object " + std::to_string(id) + " (not in this database)";
  const Object& o = db.At(slot->index);
  return TypeText(o.type) + " #" + std::to_string(o.number);
}

void AppendIndent(size_t depth, std::string* out) {
  out->append(depth * 2, ' ');
}

}  // namespace

std::string FormatDouble(double value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

namespace {

// [object, ...] of a list of 8-byte identifiers.
std::string FormatIoids(Database& db, const std::string& bytes) {
  std::string out = "[";
  for (size_t i = 0; i + 8 <= bytes.size(); i += 8) {
    if (i) out += ", ";
    out += ObjectRef(db, Load<uint64_t>(bytes, i));
  }
  out += "]";
  return out;
}

// Upper-case hex bytes separated by blanks.
std::string FormatHexBytes(const std::string& bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(bytes[i]));
    if (i) out.push_back(' ');
    out += hex;
  }
  return out;
}

// [value "text", ...]; stored values are well formed (checked on set).
std::string FormatValueTable(const std::string& bytes) {
  std::string out = "[";
  VelanForEachValueDescription(bytes.data(), static_cast<uint32_t>(bytes.size()),
                               [&out](double value, const char* text, uint32_t length) {
                                 if (out.size() > 1) out += ", ";
                                 out += FormatDouble(value);
                                 out.push_back(' ');
                                 AppendQuoted(std::string(text, length), &out);
                               });
  out += "]";
  return out;
}

}  // namespace

std::string FormatValue(Database& db, const PropertyInfo& info, const std::string& bytes) {
  std::string out;
  switch (info.enc) {
    case Enc::Str:
      AppendQuoted(bytes, &out);
      break;
    case Enc::U8:
      out = std::to_string(Load<uint8_t>(bytes));
      break;
    case Enc::U16:
      out = std::to_string(Load<uint16_t>(bytes));
      break;
    case Enc::U32:
      out = std::to_string(Load<uint32_t>(bytes));
      break;
    case Enc::U64:
      out = std::to_string(Load<uint64_t>(bytes));
      break;
    case Enc::I16:
      out = std::to_string(Load<int16_t>(bytes));
      break;
    case Enc::I32:
      out = std::to_string(Load<int32_t>(bytes));
      break;
    case Enc::F64:
      out = FormatDouble(Load<double>(bytes));
      break;
    case Enc::Ioid:
      out = ObjectRef(db, Load<uint64_t>(bytes));
      break;
    case Enc::Ioids:
      out = FormatIoids(db, bytes);
      break;
    case Enc::U8p:
      out = FormatHexBytes(bytes);
      break;
    case Enc::ValueTable:
      out = FormatValueTable(bytes);
      break;
  }
  return out;
}

void FormatTree(Database& db, uint32_t root, std::string* out) {
  // Depth-first without recursion: (object number, depth).
  std::vector<std::pair<uint32_t, size_t>> stack{{root, 0}};
  while (!stack.empty()) {
    auto [number, depth] = stack.back();
    stack.pop_back();
    const Object& o = db.At(number);
    AppendIndent(depth, out);
    out->append(TypeText(o.type));
    out->push_back(' ');
    AppendQuoted(o.name, out);
    out->append(" #");
    out->append(std::to_string(o.number));
    out->push_back('\n');
    for (const auto& [propertyId, bytes] : o.properties) {
      PropertyInfo info;
      PropertyFor(o.type, propertyId, &info);  // stored properties always resolve
      AppendIndent(depth + 1, out);
      out->append(info.name ? info.name : "?");
      out->append(" = ");
      out->append(FormatValue(db, info, bytes));
      out->push_back('\n');
    }
    for (uint32_t p : o.extraParents) {
      AppendIndent(depth + 1, out);
      out->append("linked to ");
      out->append(TypeText(db.At(p).type));
      out->append(" #");
      out->append(std::to_string(p));
      out->push_back('\n');
    }
    for (auto it = o.children.rbegin(); it != o.children.rend(); ++it)
      stack.emplace_back(*it, depth + 1);
  }
}

}  // namespace vdb

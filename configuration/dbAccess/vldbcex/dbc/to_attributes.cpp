// The exporter's DBC attributes: definitions, defaults and values.
#include "dbc/to_attributes.h"

#include <cinttypes>
#include <cstdio>
#include <new>

#include "export/to_scoped.h"
#include "export/to_status.h"

namespace vldbcex {
namespace {

std::string SignedText(int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%" PRId32, value);
  return text;
}

std::string UnsignedText(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%" PRIu32, value);
  return text;
}

std::string RealText(double value) {
  char area[256];
  return FormatReal(value, area);
}

// The items of the enumerations and the descriptors of the attribute set.
const AttEnumItem kBrsItems[] = {{"0", 0}, {"1", 1}};
const AttEnumItem kFrameFormatItems[] = {
    {"StandardCAN", 0}, {"ExtendedCAN", 1}, {"reserved", 2},        {"J1939PG", 3},
    {"reserved", 4},    {"reserved", 5},    {"reserved", 6},        {"reserved", 7},
    {"reserved", 8},    {"reserved", 9},    {"reserved", 10},       {"reserved", 11},
    {"reserved", 12},   {"reserved", 13},   {"StandardCAN_FD", 14}, {"ExtendedCAN_FD", 15}};
const AttEnumItem kSendTypeItems[] = {{"Cyclic", 0},           {"Event", 1},
                                      {"CyclicIfActive", 2},   {"SpontanWithDelay", 3},
                                      {"CyclicAndSpontan", 4}, {"CyclicAndSpontanWithDelay", 5}};

const AttStringDesc kDbNameDesc = {"", ""};
const AttStringDesc kBusTypeDesc = {"", "CAN"};
const AttStringDesc kProtocolTypeDesc = {"", "J1939"};
const AttEnumDesc kBrsDesc = {"BO_", kBrsItems, 2, "0"};
const AttEnumDesc kFrameFormatDesc = {"BO_", kFrameFormatItems, 16, "StandardCAN"};
const AttEnumDesc kSendTypeDesc = {"BO_", kSendTypeItems, 6, "Cyclic"};
const AttIntDesc kCycleTimeDesc = {"BO_", 0, 0, 0};
const AttIntDesc kDelayTimeDesc = {"BO_", 0, 0, 0};
const AttFloatDesc kStartValueDesc = {"SG_", 0.0, 0.0, 0.0};

struct NodeIntAttribute {
  const char* name;
  AttIntDesc desc;
};
const NodeIntAttribute kJ1939NodeAttributes[] = {
    {"NmStationAddress", {"BU_", 0, 255, 254}},
    {"NmJ1939AAC", {"BU_", 0, 1, 0}},
    {"NmJ1939IndustryGroup", {"BU_", 0, 7, 0}},
    {"NmJ1939System", {"BU_", 0, 127, 0}},
    {"NmJ1939SystemInstance", {"BU_", 0, 15, 0}},
    {"NmJ1939Function", {"BU_", 0, 255, 0}},
    {"NmJ1939FunctionInstance", {"BU_", 0, 31, 0}},
    {"NmJ1939ECUInstance", {"BU_", 0, 7, 0}},
    {"NmJ1939ManufacturerCode", {"BU_", 0, 2047, 0}},
    {"NmJ1939IdentityNumber", {"BU_", 0, 2097151, 0}},
};

// Makes an attribute and hands it to the map; false when either fails.
template <typename Att, typename Desc>
bool AddAttribute(ToAttMap& map, const char* name, const Desc& desc, ToAttBase** made = nullptr) {
  ToAttBase* fresh = nullptr;
  try {
    fresh = new Att(desc);
  } catch (const std::bad_alloc&) {
    NoteOutOfMemory(kDetailUnexpected);
    return false;
  }
  ToScopedPtr<ToAttBase> attribute(fresh);
  ToAttBase* raw = attribute.Get();
  if (!map.Add(name, attribute.Release())) return false;
  if (made != nullptr) *made = raw;
  return true;
}

}  // namespace

// ToAttBase

ToAttBase::ToAttBase(uint32_t kind, const char* keyword)
    : kind_(kind), keyword_(keyword != nullptr ? keyword : "") {}

void ToAttBase::WriteDefStart(ToLogFile& sink, const char* name) const {
  sink.LineStart();
  sink.Write("BA_DEF_ ");
  if (!keyword_.empty()) {
    sink.Write(keyword_.c_str());
    sink.Write(" ");
  }
  sink.Write("\"");
  sink.Write(name);
  sink.Write("\"");
}

void ToAttBase::WriteDefault(ToLogFile& sink, const char* name) const {
  WriteDefaultLine(sink, name, true);
}

void ToAttBase::WriteDefaultLine(ToLogFile& sink, const char* name, bool quoted) const {
  if (!enabled_) return;
  sink.LineStart();
  sink.Write("BA_DEF_DEF_ \"");
  sink.Write(name);
  sink.Write(quoted ? "\" \"" : "\" ");
  sink.Write(default_.c_str());
  sink.Write(quoted ? "\";" : ";");
  sink.Eol();
}

void ToAttBase::WriteRangeDef(ToLogFile& sink, const char* name, const char* kind,
                              const std::string& minimum, const std::string& maximum) const {
  if (!enabled_) return;
  WriteDefStart(sink, name);
  sink.Write(kind);
  sink.Write(minimum.c_str());
  sink.Write(" ");
  sink.Write(maximum.c_str());
  sink.Write(";");
  sink.Eol();
}

void ToAttBase::WriteValueLine(ToLogFile& sink, const char* name, const std::string& value,
                               bool quoted, const char* object1, const char* object2) const {
  if (!enabled_ || value == default_) return;
  sink.LineStart();
  sink.Write("BA_ \"");
  sink.Write(name);
  sink.Write("\" ");
  if (!keyword_.empty()) sink.Write(keyword_.c_str());
  if (object1 != nullptr && *object1 != '\0') {
    sink.Write(" ");
    sink.Write(object1);
  }
  if (object2 != nullptr && *object2 != '\0') {
    sink.Write(" ");
    sink.Write(object2);
  }
  sink.Write(" ");
  if (quoted) sink.Write("\"");
  sink.Write(value.c_str());
  if (quoted) sink.Write("\"");
  sink.Write(";");
  sink.Eol();
}

void ToAttBase::WriteValueInt(ToLogFile& sink, const char* name, int32_t value, const char* object1,
                              const char* object2) const {
  WriteValueLine(sink, name, SignedText(value), false, object1, object2);
}

void ToAttBase::WriteValueUInt(ToLogFile& sink, const char* name, uint32_t value,
                               const char* object1, const char* object2) const {
  WriteValueLine(sink, name, UnsignedText(value), false, object1, object2);
}

void ToAttBase::WriteValueFloat(ToLogFile& sink, const char* name, double value,
                                const char* object1, const char* object2) const {
  WriteValueLine(sink, name, RealText(value), false, object1, object2);
}

void ToAttBase::WriteValueText(ToLogFile& sink, const char* name, const char* value,
                               const char* object1, const char* object2) const {
  WriteValueLine(sink, name, value != nullptr ? value : "", true, object1, object2);
}

void ToAttBase::SetDefaultInt(int32_t value) {
  default_ = SignedText(value);
}
void ToAttBase::SetDefaultFloat(double value) {
  default_ = RealText(value);
}
void ToAttBase::SetDefaultText(const char* text) {
  default_ = text != nullptr ? text : "";
}

// ToAttString

ToAttString::ToAttString(const AttStringDesc& desc) : ToAttBase(kAttString, desc.keyword) {
  SetDefaultText(desc.defaultText);
}

void ToAttString::WriteDef(ToLogFile& sink, const char* name) const {
  if (!enabled_) return;
  WriteDefStart(sink, name);
  sink.Write(" STRING;");
  sink.Eol();
}

// ToAttInt

ToAttInt::ToAttInt(const AttIntDesc& desc) : ToAttBase(kAttInt, desc.keyword) {
  minimum_ = SignedText(desc.minimum);
  maximum_ = SignedText(desc.maximum);
  SetDefaultInt(desc.defaultValue);
}

void ToAttInt::WriteDef(ToLogFile& sink, const char* name) const {
  WriteRangeDef(sink, name, " INT ", minimum_, maximum_);
}

void ToAttInt::WriteDefault(ToLogFile& sink, const char* name) const {
  WriteDefaultLine(sink, name, false);
}

// ToAttFloat

ToAttFloat::ToAttFloat(const AttFloatDesc& desc) : ToAttBase(kAttFloat, desc.keyword) {
  minimum_ = RealText(desc.minimum);
  maximum_ = RealText(desc.maximum);
  SetDefaultFloat(desc.defaultValue);
}

void ToAttFloat::WriteDef(ToLogFile& sink, const char* name) const {
  WriteRangeDef(sink, name, " FLOAT ", minimum_, maximum_);
}

void ToAttFloat::WriteDefault(ToLogFile& sink, const char* name) const {
  WriteDefaultLine(sink, name, false);
}

// ToAttEnum

ToAttEnum::ToAttEnum(const AttEnumDesc& desc) : ToAttBase(kAttEnum, desc.keyword), desc_(&desc) {
  SetDefaultText(desc.defaultText);
}

void ToAttEnum::WriteDef(ToLogFile& sink, const char* name) const {
  if (!enabled_) return;
  WriteDefStart(sink, name);
  sink.Write(" ENUM ");
  for (uint32_t i = 0; i < desc_->itemCount; ++i) {
    if (i > 0) sink.Write(",");
    sink.Write("\"");
    sink.Write(desc_->items[i].text);
    sink.Write("\"");
  }
  sink.Write(";");
  sink.Eol();
}

void ToAttEnum::WriteValueInt(ToLogFile& sink, const char* name, int32_t value, const char* object1,
                              const char* object2) const {
  if (value >= 0 && static_cast<uint32_t>(value) < desc_->itemCount &&
      default_ == desc_->items[value].text) {
    return;
  }
  ToAttBase::WriteValueInt(sink, name, value, object1, object2);
}

// ToAttMap

ToAttBase* ToAttMap::Find(const std::string& name) const {
  auto it = map_.find(name);
  return it != map_.end() ? it->second.get() : nullptr;
}

bool ToAttMap::Add(const char* name, ToAttBase* attribute) {
  std::unique_ptr<ToAttBase> owned(attribute);
  try {
    map_[name] = std::move(owned);
  } catch (const std::bad_alloc&) {
    NoteOutOfMemory(kDetailUnexpected);
    return false;
  }
  return true;
}

// The attribute set

const char* const kAttributeOrder[] = {"DBName",
                                       "BusType",
                                       "ProtocolType",
                                       "CANFD_BRS",
                                       "VFrameFormat",
                                       "GenMsgSendType",
                                       "GenMsgCycleTime",
                                       "GenMsgDelayTime",
                                       "GenSigStartValue",
                                       "NmStationAddress",
                                       "NmJ1939AAC",
                                       "NmJ1939IndustryGroup",
                                       "NmJ1939System",
                                       "NmJ1939SystemInstance",
                                       "NmJ1939Function",
                                       "NmJ1939FunctionInstance",
                                       "NmJ1939ECUInstance",
                                       "NmJ1939ManufacturerCode",
                                       "NmJ1939IdentityNumber"};
const size_t kAttributeOrderCount = sizeof kAttributeOrder / sizeof kAttributeOrder[0];

bool BuildAttributeSet(ToAttMap& map, uint32_t canIoMode, uint32_t appProtocol,
                       const std::string& clusterName) {
  const bool canFd = canIoMode == 1 || canIoMode == 2;
  const bool j1939 = appProtocol == 1;
  ToAttBase* made = nullptr;
  try {
    if (!AddAttribute<ToAttString>(map, "DBName", kDbNameDesc, &made)) return false;
    made->SetDefaultText(clusterName.c_str());
    if (!AddAttribute<ToAttString>(map, "BusType", kBusTypeDesc, &made)) return false;
    made->SetDefaultText(canFd ? "CAN FD" : "CAN");
    if (!AddAttribute<ToAttString>(map, "ProtocolType", kProtocolTypeDesc, &made)) return false;
    made->SetEnabled(j1939);
    if (!AddAttribute<ToAttEnum>(map, "CANFD_BRS", kBrsDesc, &made)) return false;
    made->SetDefaultText(canIoMode == 2 ? "1" : "0");
    made->SetEnabled(canFd);
    if (!AddAttribute<ToAttEnum>(map, "VFrameFormat", kFrameFormatDesc)) return false;
    if (!AddAttribute<ToAttEnum>(map, "GenMsgSendType", kSendTypeDesc)) return false;
    if (!AddAttribute<ToAttInt>(map, "GenMsgCycleTime", kCycleTimeDesc)) return false;
    if (!AddAttribute<ToAttInt>(map, "GenMsgDelayTime", kDelayTimeDesc)) return false;
    if (!AddAttribute<ToAttFloat>(map, "GenSigStartValue", kStartValueDesc)) return false;
    if (j1939) {
      for (const NodeIntAttribute& node : kJ1939NodeAttributes) {
        if (!AddAttribute<ToAttInt>(map, node.name, node.desc)) return false;
      }
    }
  } catch (const std::bad_alloc&) {
    NoteOutOfMemory(kDetailUnexpected);
    return false;
  }
  return true;
}

void WriteAttributeDefinitions(const ToAttMap& map, ToLogFile& sink) {
  for (size_t i = 0; i < kAttributeOrderCount; ++i) {
    if (const ToAttBase* attribute = map.Find(kAttributeOrder[i])) {
      attribute->WriteDef(sink, kAttributeOrder[i]);
    }
  }
  for (size_t i = 0; i < kAttributeOrderCount; ++i) {
    if (const ToAttBase* attribute = map.Find(kAttributeOrder[i])) {
      attribute->WriteDefault(sink, kAttributeOrder[i]);
    }
  }
}

}  // namespace vldbcex

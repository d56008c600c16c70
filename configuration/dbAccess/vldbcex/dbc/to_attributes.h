// The exporter's fixed set of DBC attributes: definitions (BA_DEF_),
// defaults (BA_DEF_DEF_) and values (BA_) that differ from the default.
#ifndef VLDBCEX_DBC_TO_ATTRIBUTES_H
#define VLDBCEX_DBC_TO_ATTRIBUTES_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "dbc/to_logfile.h"

namespace vldbcex {

enum ToAttKind : uint32_t {
  kAttString = 0,
  kAttInt = 1,
  kAttFloat = 2,
  kAttEnum = 4,
};

struct AttIntDesc {
  const char* keyword;
  int32_t minimum;
  int32_t maximum;
  int32_t defaultValue;
};

struct AttFloatDesc {
  const char* keyword;
  double minimum;
  double maximum;
  double defaultValue;
};

struct AttStringDesc {
  const char* keyword;
  const char* defaultText;
};

struct AttEnumItem {
  const char* text;
  int32_t value;
};

struct AttEnumDesc {
  const char* keyword;
  const AttEnumItem* items;
  uint32_t itemCount;
  const char* defaultText;
};

// An attribute definition. A disabled attribute writes no line at all.
class ToAttBase {
 public:
  ToAttBase(const ToAttBase&) = delete;
  ToAttBase& operator=(const ToAttBase&) = delete;
  virtual ~ToAttBase() = default;

  virtual void WriteDef(ToLogFile& sink, const char* name) const = 0;
  // Quoted default; INT and FLOAT write it unquoted.
  virtual void WriteDefault(ToLogFile& sink, const char* name) const;
  // Value lines: written only when the value's text differs from the
  // default text.
  virtual void WriteValueInt(ToLogFile& sink, const char* name, int32_t value, const char* object1,
                             const char* object2) const;
  virtual void WriteValueUInt(ToLogFile& sink, const char* name, uint32_t value,
                              const char* object1, const char* object2) const;
  virtual void WriteValueFloat(ToLogFile& sink, const char* name, double value, const char* object1,
                               const char* object2) const;
  virtual void WriteValueText(ToLogFile& sink, const char* name, const char* value,
                              const char* object1, const char* object2) const;
  virtual void SetDefaultInt(int32_t value);
  virtual void SetDefaultFloat(double value);
  virtual void SetDefaultText(const char* text);

  uint32_t Kind() const { return kind_; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  const std::string& Keyword() const { return keyword_; }
  const std::string& DefaultText() const { return default_; }

 protected:
  ToAttBase(uint32_t kind, const char* keyword);
  // "BA_DEF_ ", the keyword and a blank when there is one, the quoted name.
  void WriteDefStart(ToLogFile& sink, const char* name) const;
  // The definition of a numeric kind: start, `kind` (" INT "), minimum, maximum.
  void WriteRangeDef(ToLogFile& sink, const char* name, const char* kind,
                     const std::string& minimum, const std::string& maximum) const;
  // "BA_DEF_DEF_", the quoted name and the default, quoted or not.
  void WriteDefaultLine(ToLogFile& sink, const char* name, bool quoted) const;
  void WriteValueLine(ToLogFile& sink, const char* name, const std::string& value, bool quoted,
                      const char* object1, const char* object2) const;

  uint32_t kind_;
  bool enabled_ = true;
  std::string keyword_;
  std::string default_;
  std::string minimum_;
  std::string maximum_;
};

class ToAttString : public ToAttBase {
 public:
  explicit ToAttString(const AttStringDesc& desc);
  void WriteDef(ToLogFile& sink, const char* name) const override;
};

class ToAttInt : public ToAttBase {
 public:
  explicit ToAttInt(const AttIntDesc& desc);
  void WriteDef(ToLogFile& sink, const char* name) const override;
  void WriteDefault(ToLogFile& sink, const char* name) const override;
};

class ToAttFloat : public ToAttBase {
 public:
  explicit ToAttFloat(const AttFloatDesc& desc);
  void WriteDef(ToLogFile& sink, const char* name) const override;
  void WriteDefault(ToLogFile& sink, const char* name) const override;
};

class ToAttEnum : public ToAttBase {
 public:
  explicit ToAttEnum(const AttEnumDesc& desc);
  ~ToAttEnum() override = default;
  void WriteDef(ToLogFile& sink, const char* name) const override;
  // An index whose item text is the default text writes nothing.
  void WriteValueInt(ToLogFile& sink, const char* name, int32_t value, const char* object1,
                     const char* object2) const override;

 private:
  const AttEnumDesc* desc_;
};

// Attributes by name, byte-wise ordered; owns them.
class ToAttMap {
 public:
  ToAttBase* Find(const std::string& name) const;
  // Takes ownership; false when the entry cannot be stored (the attribute
  // is then destroyed).
  bool Add(const char* name, ToAttBase* attribute);
  size_t Size() const { return map_.size(); }
  void Clear() { map_.clear(); }

 private:
  std::map<std::string, std::unique_ptr<ToAttBase>> map_;
};

// The 64-bit J1939 NAME and its fields.
class cJ1939Name {
 public:
  explicit cJ1939Name(uint64_t name) : name_(name) {}
  virtual ~cJ1939Name() = default;

  uint32_t IdentityNumber() const { return Bits(0, 21); }
  uint32_t ManufacturerCode() const { return Bits(21, 11); }
  uint32_t EcuInstance() const { return Bits(32, 3); }
  uint32_t FunctionInstance() const { return Bits(35, 5); }
  uint32_t Function() const { return Bits(40, 8); }
  uint32_t VehicleSystem() const { return Bits(49, 7); }
  uint32_t VehicleSystemInstance() const { return Bits(56, 4); }
  uint32_t IndustryGroup() const { return Bits(60, 3); }
  uint32_t ArbitraryAddressCapable() const { return Bits(63, 1); }

 private:
  uint32_t Bits(unsigned first, unsigned count) const {
    return static_cast<uint32_t>((name_ >> first) & ((uint64_t{1} << count) - 1));
  }

  uint64_t name_;
};

// Attribute names in the order their definitions and defaults are written.
extern const char* const kAttributeOrder[];
extern const size_t kAttributeOrderCount;

// Builds the attribute set for a cluster with CAN I/O mode canIoMode and
// application protocol appProtocol; false when an attribute cannot be made.
bool BuildAttributeSet(ToAttMap& map, uint32_t canIoMode, uint32_t appProtocol,
                       const std::string& clusterName);

// Every definition in table order, then every default.
void WriteAttributeDefinitions(const ToAttMap& map, ToLogFile& sink);

}  // namespace vldbcex

#endif

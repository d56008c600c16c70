// The conversion context: host bindings, document pools and the logged host callbacks.
#include "import/convert_ctx.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "import/host_names.h"
#include "velan/host_vocabulary.h"
#include "xml/document.h"

namespace {

// Finds the runtime's locale-dependent decimal separator: "3,14" scans as
// about 3.14 only where ',' is the separator.
bool CommaIsDecimalSeparator() {
  double value = 0.0;
  if (std::sscanf("3,14", "%lf", &value) != 1) return false;
  return value > 3.13 && value < 3.15;
}

const char* NameOrNameless(const char* name) {
  return name ? name : "[nameless]";
}

// Identifiers are shown as signed 64-bit numbers in log lines.
int64_t AsSigned(uint64_t id) {
  return static_cast<int64_t>(id);
}

uint32_t Low32(const void* p) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

}  // namespace

cConvertCtx::cConvertCtx() {
  bool bindingOutOfMemory = false;
  hostDb.Reset(cImpVelanDB::Create(cLibraryName::Instance().HostDatabase(), &bindingOutOfMemory));
  velan.Reset(cImpVelan::Create(cLibraryName::Instance().StatusTexts()));
  document.Reset(CreateDocument());

  // Out of memory comes first: a binding that could not be allocated is no
  // missing host.
  if (!document || bindingOutOfMemory) status.RaiseError(StatusOutOfMemory);
  if (!hostDb) status.RaiseError(StatusHostUnavailable);

  if (CommaIsDecimalSeparator()) {
    decimalSeparator = ',';
    foreignSeparator = '.';
  } else {
    decimalSeparator = '.';
    foreignSeparator = ',';
  }

  if (document) document->SetPools(&elementPool, &attributeMapPool, &childListPool);
}

cConvertCtx::~cConvertCtx() {
  // The resolver tree is keyed by the document's pooled names, and the
  // document's elements live in the pools: tear down in that order.
  resolverRoot.DeleteAll();
  document.Reset();
}

bool cConvertCtx::MayBeNameless(uint32_t type) {
  return VelanMayBeNameless(type) != 0;
}

uint64_t cConvertCtx::CreateChildObject(uint32_t type, const char* name, uint32_t parentType,
                                        uint64_t parentId) {
  if (status.IsError() || parentId == 0) return 0;
  if ((name == nullptr || *name == '\0') && !MayBeNameless(type)) {
    status.RaiseWarning();
    return 0;
  }
  if (!hostDb) {
    status.RaiseError(StatusHostUnavailable);
    return 0;
  }

  uint64_t id = 0;
  const int32_t result =
      hostDb->CreateChildObject()(hostHandle, type, name, parentType, parentId, &id);

  char* typeName = report.Scratch(0);
  char* parentName = report.Scratch(1);
  if (result == 0) {
    if (report.IsEnabled(kCatInfo, kSubInfoVelanDb)) {
      ObjectTypeName(type, typeName, cReport::kScratchSize);
      ObjectTypeName(parentType, parentName, cReport::kScratchSize);
      report.Write(kCatInfo, kSubInfoVelanDb,
                   "OK -- CreateChildObject -- Create \"%s\" object (Name=\"%s\") and link to the "
                   "\"%s\" with IOID=%" PRId64 ". -- Returning IOID=%" PRId64 ".",
                   typeName, NameOrNameless(name), parentName, AsSigned(parentId), AsSigned(id));
    }
  } else {
    const bool warning = result > 0;
    const uint32_t category = warning ? kCatWarn : kCatErr;
    const uint32_t subcategory = warning ? kSubWarnVelanDb : kSubErrDefault;
    if (report.IsEnabled(category, subcategory)) {
      ObjectTypeName(type, typeName, cReport::kScratchSize);
      ObjectTypeName(parentType, parentName, cReport::kScratchSize);
      report.Write(category, subcategory,
                   "%s -- CreateChildObject (Code=0x%08X) -- Type=\"%s\", Name=\"%s\", "
                   "ParentObjectType=\"%s\", ParentObjectID=%" PRId64 ".",
                   warning ? "WARNING" : "ERROR", static_cast<uint32_t>(result), typeName,
                   NameOrNameless(name), parentName, AsSigned(parentId));
      char* text = report.StatusText();
      text[0] = '\0';
      if (velan) velan->StatusToString()(result, cReport::kStatusTextSize, text);
      text[cReport::kStatusTextSize - 1] = '\0';
      if (text[0] != '\0') report.Write(category, subcategory, "\"%s\"", text);
    }
  }

  status.TakeHostResult(result);
  if (result < 0) return 0;
  if (id == 0) {
    status.RaiseError(StatusHostUnavailable);
    return 0;
  }
  return id;
}

void cConvertCtx::LinkToParent(uint32_t type, uint64_t id, uint32_t parentType, uint64_t parentId) {
  if (status.IsError() || id == 0 || parentId == 0) return;
  if (!hostDb) {
    status.RaiseError(StatusHostUnavailable);
    return;
  }
  const int32_t result = hostDb->LinkToParent()(hostHandle, type, id, parentType, parentId);

  const uint32_t category = result == 0 ? kCatInfo : (result > 0 ? kCatWarn : kCatErr);
  const uint32_t subcategory = result < 0 ? kSubErrDefault : kSubInfoVelanDb;
  if (report.IsEnabled(category, subcategory)) {
    char* typeName = ObjectTypeName(type, report.Scratch(0), cReport::kScratchSize);
    char* parentName = ObjectTypeName(parentType, report.Scratch(1), cReport::kScratchSize);
    if (result == 0) {
      report.Write(category, subcategory,
                   "OK -- LinkToParent -- Link \"%s\" object (IOID='%" PRId64
                   "') against the \"%s\" with IOID=%" PRId64 ".",
                   typeName, AsSigned(id), parentName, AsSigned(parentId));
    } else {
      report.Write(category, subcategory,
                   "%s -- LinkToParent (Code=0x%08X) -- Type=\"%s\", IOID='%" PRId64
                   "', ParentObjectType=\"%s\", ParentObjectID=%" PRId64 ".",
                   result > 0 ? "WARNING" : "ERROR", static_cast<uint32_t>(result), typeName,
                   AsSigned(id), parentName, AsSigned(parentId));
    }
  }
  status.TakeHostResult(result);
}

void cConvertCtx::SetProperty(uint64_t id, uint32_t propertyId, const void* value, uint32_t size) {
  if (status.IsError() || id == 0 || value == nullptr) return;
  if (!hostDb) {
    status.RaiseError(StatusHostUnavailable);
    return;
  }
  const int32_t result = hostDb->SetProperty()(hostHandle, id, propertyId, value, size);

  const uint32_t category = result == 0 ? kCatInfo : (result > 0 ? kCatWarn : kCatErr);
  const uint32_t subcategory = result < 0 ? kSubErrDefault : kSubInfoVelanDb;
  if (report.IsEnabled(category, subcategory)) {
    char* propertyName = PropertyName(propertyId, report.Scratch(0), cReport::kScratchSize);
    if (result == 0) {
      report.Write(category, subcategory,
                   "OK -- SetProperty -- Set \"%s\" property into the Velan object with the "
                   "IOID=%" PRId64 " (ValuePtr=0x%08X, ValueSize=%" PRId32 ").",
                   propertyName, AsSigned(id), Low32(value), static_cast<int32_t>(size));
    } else {
      report.Write(category, subcategory,
                   "%s -- SetProperty (Code=0x%08X) -- Property=\"%s\", IOID='%" PRId64
                   "', ValuePtr=0x%08X, ValueSize=%" PRId32 ".",
                   result > 0 ? "WARNING" : "ERROR", static_cast<uint32_t>(result), propertyName,
                   AsSigned(id), Low32(value), static_cast<int32_t>(size));
    }
  }
  status.TakeHostResult(result);
}

void cConvertCtx::SetPropertyU8(uint64_t id, uint32_t propertyId, uint8_t value) {
  SetProperty(id, propertyId, &value, sizeof(value));
}
void cConvertCtx::SetPropertyU16(uint64_t id, uint32_t propertyId, uint16_t value) {
  SetProperty(id, propertyId, &value, sizeof(value));
}
void cConvertCtx::SetPropertyU32(uint64_t id, uint32_t propertyId, uint32_t value) {
  SetProperty(id, propertyId, &value, sizeof(value));
}
void cConvertCtx::SetPropertyU64(uint64_t id, uint32_t propertyId, uint64_t value) {
  SetProperty(id, propertyId, &value, sizeof(value));
}
void cConvertCtx::SetPropertyI16(uint64_t id, uint32_t propertyId, int16_t value) {
  SetProperty(id, propertyId, &value, sizeof(value));
}
void cConvertCtx::SetPropertyI32(uint64_t id, uint32_t propertyId, int32_t value) {
  SetProperty(id, propertyId, &value, sizeof(value));
}
void cConvertCtx::SetPropertyF64(uint64_t id, uint32_t propertyId, double value) {
  SetProperty(id, propertyId, &value, sizeof(value));
}
void cConvertCtx::SetPropertyStr(uint64_t id, uint32_t propertyId, const char* text) {
  if (text == nullptr) return;
  SetProperty(id, propertyId, text, static_cast<uint32_t>(std::strlen(text) + 1));
}
void cConvertCtx::SetPropertyIoids(uint64_t id, uint32_t propertyId, const uint64_t* ids,
                                   uint32_t count) {
  SetProperty(id, propertyId, ids, static_cast<uint32_t>(count * sizeof(uint64_t)));
}

uint16_t cConvertCtx::ConvertStartBit(uint8_t byteOrderFlag, uint32_t startBit,
                                      uint32_t bitLength) {
  if (!hostDb || hostDb->ConvertStartBitFbx3() == nullptr) {
    status.RaiseError(StatusHostUnavailable);
    return 0;
  }
  uint16_t out = 0;
  (void)hostDb->ConvertStartBitFbx3()(1, 1, byteOrderFlag, startBit, bitLength, &out);
  return out;
}

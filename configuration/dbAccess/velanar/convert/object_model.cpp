// Records, maps and cluster bookkeeping that tie document elements to host objects.
#include "convert/object_model.h"

#include <cinttypes>
#include <cstdio>

#include "import/convert_ctx.h"
#include "xml/document.h"

cHackMacSet::cHackMacSet() : buffer_(new (std::nothrow) char[kCapacity + 1]) {
  capacity_ = buffer_ ? kCapacity : 0;
  if (buffer_) buffer_[0] = '\0';
}

cHackMacSet::~cHackMacSet() {
  delete[] buffer_;
}

bool cHackMacSet::Accept(const char*& name) {
  if (pool_ == nullptr) return false;
  const char* pooled = pool_->Intern(buffer_);
  if (pooled == nullptr) return false;
  try {
    insert(pooled);
  } catch (const std::bad_alloc&) {
    return false;
  }
  name = pooled;
  return true;
}

bool cHackMacSet::MakeUnique(const char*& name, const char* suffix) {
  if (name == nullptr || capacity_ == 0) return false;
  if (suffix == nullptr) suffix = "";
  const size_t cap = capacity_;
  const size_t n = std::strlen(name);
  const size_t s = std::strlen(suffix);

  // 1: the name itself, cut to the capacity.
  const size_t first = n < cap ? n : cap;
  std::memcpy(buffer_, name, first);
  buffer_[first] = '\0';
  if (!Contains(buffer_)) return Accept(name);

  // 2: the name with the suffix, cut so that the suffix fits.
  if (s != 0 && s <= cap) {
    const size_t keep = n + s > cap ? cap - s : n;
    std::memcpy(buffer_, name, keep);
    std::memcpy(buffer_ + keep, suffix, s + 1);
    if (!Contains(buffer_)) return Accept(name);
  }
  if (s > cap) return false;

  // 3: name, suffix and a number from the suffix's own counter.
  uint32_t* counter = nullptr;
  try {
    counter = &counters_[suffix];  // starts at 0 for a new suffix
  } catch (const std::bad_alloc&) {
    return false;
  }
  const uint32_t start = *counter;
  do {
    const uint32_t k = (*counter)++;
    char digits[24];
    const int d = std::snprintf(digits, sizeof digits, "%" PRIu32, k);
    if (d <= 0 || static_cast<size_t>(d) + s > cap) return false;
    const size_t keep = n + s + static_cast<size_t>(d) > cap ? cap - static_cast<size_t>(d) - s : n;
    std::memcpy(buffer_, name, keep);
    std::memcpy(buffer_ + keep, suffix, s);
    std::memcpy(buffer_ + keep + s, digits, static_cast<size_t>(d) + 1);
    if (!Contains(buffer_)) return Accept(name);
  } while (*counter != start);
  return false;
}

bool cCvElementOrder::operator()(const exElement* a, const exElement* b) const {
  if (a == b || a == nullptr || b == nullptr) return a < b;
  const int32_t fa = a->FileIndex();
  const int32_t fb = b->FileIndex();
  if (fa != fb) return fa < fb;
  if (a->Line() != b->Line()) return a->Line() < b->Line();
  if (a->Column() != b->Column()) return a->Column() < b->Column();
  return a < b;
}

cCvEcu* cCvCluster::FindEcuByConnector(const exElement* connector) const {
  if (connector == nullptr) return nullptr;
  for (const auto& entry : ecus) {
    cCvEcu* ecu = entry.second;
    if (ecu->connectorA == connector || ecu->connectorB == connector) return ecu;
  }
  return nullptr;
}

bool cCvCluster::FindScheduleTableKey(uint64_t table, uint64_t* key) const {
  for (const auto& entry : scheduleTables) {
    if (entry.second->table == table) {
      if (key) *key = entry.first;
      return true;
    }
  }
  return false;
}

namespace {

template <class T, class Map>
T* CreateRecord(cConvertCtx* ctx, Map& map, uint64_t key) {
  T* record = new (std::nothrow) T();
  if (record == nullptr || !map.Insert(key, record)) {
    delete record;
    if (ctx) ctx->status.RaiseError(StatusOutOfMemory);
    return nullptr;
  }
  return record;
}

}  // namespace

cCvST* CreateScheduleTableRecord(cConvertCtx* ctx, cCvSTMap& map, uint64_t key) {
  return CreateRecord<cCvST>(ctx, map, key);
}

cCvSTE* CreateScheduleEntryRecord(cConvertCtx* ctx, cCvSTEMap& map, uint64_t key) {
  return CreateRecord<cCvSTE>(ctx, map, key);
}

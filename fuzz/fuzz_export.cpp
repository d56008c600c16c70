// The DBC exporter on a reference database built from the fuzzer's bytes:
// the bytes choose which objects are created under which parents and which
// property values they carry; every CLUSTER is then exported.
#include <unistd.h>

#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "velan/host_vocabulary.h"
#include "velan/velandb_host.h"
#include "velan/velandb_import.h"
#include "velan/vldbcex.h"

namespace {

struct PropertyInfo {
  uint32_t id;
  uint32_t type;
};

const std::vector<PropertyInfo>& Properties() {
  static const std::vector<PropertyInfo> all = {
#define VELAN_PROPERTY(type, n, name, enc, set) {name, VELAN_OT_##type},
#include "velan/host_vocabulary.def"
#undef VELAN_PROPERTY
      {IDIP_CON_INITIAL_NAD, VELAN_OT_CONNECTOR},
  };
  return all;
}

// Bytes of a property value, sized by a length byte (the host refuses sizes
// that do not fit the encoding, which is part of what is exercised).
std::vector<uint8_t> Value(fuzz::ByteReader& in) {
  std::vector<uint8_t> v;
  const size_t len = in.U8() % 24;
  for (size_t i = 0; i < len; ++i) v.push_back(in.U8());
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string out = fuzz::ScratchDir() + "/export.dbc";
  uint32_t handle = 0;
  if (vdbCreateDatabase("fuzz", &handle) != VDB_OK) return 0;
  fuzz::ByteReader in(data, size);
  std::vector<std::pair<uint64_t, uint32_t>> objects = {{handle, VELAN_OT_DATABASE}};
  std::vector<uint64_t> clusters;
  for (int step = 0; step < 400 && !in.Empty(); ++step) {
    const uint8_t op = in.U8() % 3;
    const auto& parent = objects[in.U8() % objects.size()];
    if (op == 0) {
      const uint32_t type = in.U8() % VELAN_OT_COUNT;
      const std::string name = in.Text(12);
      uint64_t id = 0;
      if (imp_CreateChildObject(handle, type, name.c_str(), parent.second, parent.first, &id) >= 0 &&
          id != 0) {
        objects.push_back({id, type});
        if (type == VELAN_OT_CLUSTER) clusters.push_back(id);
      }
    } else if (op == 1) {
      const auto& props = Properties();
      const PropertyInfo& p = props[in.U8() % props.size()];
      std::vector<uint8_t> v = Value(in);
      // Eight-byte values often name an existing object, so that identifier
      // properties lead somewhere.
      if (v.size() == 8 && (in.U8() & 1)) {
        const uint64_t target = objects[in.U8() % objects.size()].first;
        std::memcpy(v.data(), &target, 8);
      }
      const void* value = v.empty() ? static_cast<const void*>("") : v.data();
      imp_SetProperty(handle, parent.first, p.id, value, static_cast<uint32_t>(v.size()));
    } else {
      const auto& other = objects[in.U8() % objects.size()];
      imp_LinkToParent(handle, other.second, other.first, parent.second, parent.first);
    }
  }
  for (uint64_t cluster : clusters) {
    dbaStatus status = {0, 0};
    dxDBCWrite(static_cast<uint32_t>(cluster), out.c_str(), &status);
  }
  unlink(out.c_str());
  vdbDestroyDatabase(handle);
  return 0;
}

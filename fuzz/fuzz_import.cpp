// The import run of the fuzz targets: a fresh reference-host database per
// input. Kept apart from fuzz_support.cpp so that targets without the
// importer do not need it.
#include <dlfcn.h>

#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "velan/velanar.h"
#include "velan/velandb_host.h"

namespace fuzz {

void UseConfigDir(const std::string& dir) { setenv("VELAN_CONFIG_DIR", dir.c_str(), 1); }

uint32_t ImportIntoFreshDatabase(const std::string& path) {
  // The importer loads the configuration reader and the status-text library
  // for every import and unloads them afterwards. A reference of our own
  // keeps them mapped, so that their coverage counters are registered once
  // and stay valid.
  static const bool preloaded = [] {
    for (const char* name : {"/libvelanfx.so", "/libvelan.so"}) {
      if (!dlopen((std::string(VELAN_FUZZ_LIB_DIR) + name).c_str(), RTLD_NOW | RTLD_LOCAL))
        std::abort();
    }
    return true;
  }();
  (void)preloaded;
  uint32_t handle = 0;
  if (vdbCreateDatabase("fuzz", &handle) != VDB_OK) std::abort();
  const uint32_t code = Import(path.c_str(), handle);
  vdbDestroyDatabase(handle);
  // Every code the importer returns is one of its own or a host error code.
  const bool known = code == VELANAR_OK || code == VELANAR_HOST_WARNING ||
                     code == VELANAR_FAILED || code == VELANAR_OUT_OF_MEMORY ||
                     code == VELANAR_UNSUPPORTED_VERSION || code == VELANAR_INTERNAL_ERROR ||
                     static_cast<int32_t>(code) < 0;
  if (!known) std::abort();
  return code;
}

}  // namespace fuzz

// Loading of the import and export plug-ins and the status-text library from
// the library folder.
#include "plugins.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

#include "velan/velandb_host.h"
#include "velan_platform.h"

#ifndef VELAN_BUILD_LIB_DIR
#define VELAN_BUILD_LIB_DIR ""
#endif
#ifndef VELAN_INSTALL_LIB_DIR
#define VELAN_INSTALL_LIB_DIR ""
#endif

namespace velan_tool {

std::string LibraryFolder() {
  // The plug-ins must find the very libvelanDB.so this program uses (they
  // load it from their own folder), so its folder comes first.
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&vdbCreateDatabase), &info) && info.dli_fname) {
    const std::string path = info.dli_fname;
    if (path.find('/') != std::string::npos) return vplat::FolderOf(path);
  }
  const char* env = std::getenv("VELAN_LIB_DIR");
  if (env && *env) return env;
  std::string installed = VELAN_INSTALL_LIB_DIR;
  return installed.empty() ? std::string(VELAN_BUILD_LIB_DIR) : installed;
}

Library::~Library() {
  if (handle_) dlclose(handle_);
}

bool Library::Open(const std::string& path, std::string* error) {
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* e = dlerror();
    *error = e ? e : ("cannot load " + path);
    return false;
  }
  return true;
}

void* Library::Symbol(const char* name, std::string* error) const {
  void* p = handle_ ? dlsym(handle_, name) : nullptr;
  if (!p) *error = std::string("missing function ") + name;
  return p;
}

bool ImportPlugin::Load(std::string* error) {
  if (!lib.Open(LibraryFolder() + "/libvelanar.so", error)) return false;
  import = reinterpret_cast<ImportFn>(lib.Symbol("Import", error));
  getVersion = reinterpret_cast<GetImportVersionFn>(lib.Symbol("GetImportVersion", error));
  return import && getVersion;
}

bool ExportPlugin::Load(std::string* error) {
  if (!lib.Open(LibraryFolder() + "/libvldbcex.so", error)) return false;
  write = reinterpret_cast<dxDBCWriteFn>(lib.Symbol("dxDBCWrite", error));
  return write != nullptr;
}

std::string HostStatusText(int32_t code) {
  Library lib;
  std::string error;
  if (!lib.Open(LibraryFolder() + "/libvelan.so", &error)) return std::string();
  auto fn = reinterpret_cast<vlStatusToStringFn>(lib.Symbol("vlStatusToString", &error));
  if (!fn) return std::string();
  char buffer[2048] = {0};
  fn(code, sizeof buffer, buffer);
  buffer[sizeof buffer - 1] = '\0';
  return buffer;
}

bool ImportCodeIsError(uint32_t code) {
  return (code & 0x80000000u) != 0;
}

std::string ImportCodeMeaning(uint32_t code) {
  switch (code) {
    case VELANAR_OK:
      return "ok";
    case VELANAR_HOST_WARNING:
      return "host warning";
    case VELANAR_FAILED:
      return "import failed: no host library, no input file, an XML error or no convertible "
             "cluster";
    case VELANAR_OUT_OF_MEMORY:
      return "out of memory";
    case VELANAR_UNSUPPORTED_VERSION:
      return "unsupported AUTOSAR version";
    case VELANAR_INTERNAL_ERROR:
      return "internal error of the importer";
    default:
      break;
  }
  if (ImportCodeIsError(code)) {
    std::string text = HostStatusText(static_cast<int32_t>(code));
    return "host error " + std::to_string(static_cast<int32_t>(code)) +
           (text.empty() ? std::string() : ": " + text);
  }
  return "unknown code";
}

std::string Hex32(uint32_t value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", value);
  return buf;
}

}  // namespace velan_tool

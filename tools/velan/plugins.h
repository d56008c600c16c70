// Loading of the plug-ins and the status-text library from the library
// folder, the way a host application does.
#ifndef VELAN_TOOL_PLUGINS_H
#define VELAN_TOOL_PLUGINS_H

#include <cstdint>
#include <string>

#include "velan/velanar.h"
#include "velan/velandb_read.h"
#include "velan/vldbcex.h"
#include "velan/vlstatus.h"

namespace velan_tool {

// The folder holding the shared libraries: the folder from which
// libvelanDB.so was loaded (the plug-ins are installed beside it); failing
// that $VELAN_LIB_DIR, else the folder fixed at build time.
std::string LibraryFolder();

// A library opened with dlopen, closed on destruction.
class Library {
 public:
  Library() = default;
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  bool Open(const std::string& path, std::string* error);
  void* Symbol(const char* name, std::string* error) const;
  bool IsOpen() const { return handle_ != nullptr; }

 private:
  void* handle_ = nullptr;
};

// libvelanar.so with its entry points.
struct ImportPlugin {
  Library lib;
  ImportFn import = nullptr;
  GetImportVersionFn getVersion = nullptr;
  bool Load(std::string* error);
};

// libvldbcex.so with dxDBCWrite.
struct ExportPlugin {
  Library lib;
  dxDBCWriteFn write = nullptr;
  bool Load(std::string* error);
};

// Text of a host status code from libvelan.so; empty when unknown or when
// the library cannot be loaded.
std::string HostStatusText(int32_t code);

// "ok", "host warning", or a description of the error of a code returned
// by Import.
std::string ImportCodeMeaning(uint32_t code);
bool ImportCodeIsError(uint32_t code);

// "0xXXXXXXXX".
std::string Hex32(uint32_t value);

}  // namespace velan_tool

#endif

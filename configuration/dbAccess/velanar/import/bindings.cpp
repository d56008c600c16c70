// Loading the host database and status-text libraries and binding their functions.
#include "import/bindings.h"

#include <cstring>
#include <new>

#include "velan/velanthc.h"
#include "velan_platform.h"

// ------------------------------------------------------------- cLibraryName

cLibraryName& cLibraryName::Instance() {
  static cLibraryName instance;
  return instance;
}

void cLibraryName::SetFromDbLibraryPath(const char* path) {
  if (path == nullptr) return;
  const char* slash = std::strrchr(path, '/');
  if (slash == nullptr || slash == path) return;
  folder_.assign(path, static_cast<size_t>(slash - path));
  secondProduct_ = true;
}

void cLibraryName::Reset() {
  folder_.clear();
  secondProduct_ = false;
}

std::string cLibraryName::FileName(const char* baseName) const {
  return vplat::LibraryFileName(folder_, baseName);
}

std::string cLibraryName::HostDatabase() const {
  return FileName(secondProduct_ ? "miravoDB" : "velanDB");
}

// The second product has no status-text library: its empty base name gives
// a file name that does not load, so status texts stay empty.
std::string cLibraryName::StatusTexts() const {
  return FileName(secondProduct_ ? "" : "velan");
}

std::string cLibraryName::ConfigurationReader() const {
  return FileName(secondProduct_ ? "miravofx" : "velanfx");
}

// ------------------------------------------------------------- cLoadLibrary

cLoadLibrary::~cLoadLibrary() {
  if (loaded_) vplat::FreeSharedLibrary(module_);
}

bool cLoadLibrary::Load(const std::string& fileName) {
  if (loaded_) return true;
  module_ = vplat::LoadSharedLibrary(fileName.c_str());
  if (module_ == nullptr && fileName.find('/') == std::string::npos) {
    // A bare name normally resolves through the plug-in's RUNPATH ($ORIGIN).
    // Runtimes that interpose dlopen (the sanitizers) make the search ignore
    // it, so look next to the path library the plug-in is linked with, which
    // is installed in the same folder.
    const std::string folder = vplat::FolderOfAddress(reinterpret_cast<const void*>(&VelanGetPath));
    if (!folder.empty()) {
      module_ = vplat::LoadSharedLibrary(vplat::JoinPath(folder, fileName).c_str());
    }
  }
  loaded_ = module_ != nullptr;
  return loaded_;
}

void* cLoadLibrary::Function(const char* name) const {
  return loaded_ ? vplat::FindSymbol(module_, name) : nullptr;
}

// -------------------------------------------------------------- cImpVelanDB

namespace {

template <typename Fn>
Fn Lookup(const cLoadLibrary& library, const char* name) {
  return reinterpret_cast<Fn>(library.Function(name));
}

char* EmptyStatusText(int32_t, uint32_t size, char* buffer) {
  if (buffer != nullptr && size > 0) buffer[0] = '\0';
  return buffer;
}

// Loads the library; when loading throws (out of memory while building the
// path), the binding is deleted before the exception travels on, so that the
// caller's out-of-memory handling does not leak it.
template <typename Binding, typename Destroy>
bool LoadOrDelete(Binding* binding, const std::string& fileName, Destroy destroy) {
  try {
    return binding->Load(fileName);
  } catch (...) {
    destroy();
    throw;
  }
}

}  // namespace

cImpVelanDB* cImpVelanDB::Create(const std::string& fileName, bool* outOfMemory) {
  cImpVelanDB* binding = new (std::nothrow) cImpVelanDB();
  if (binding == nullptr) {
    if (outOfMemory != nullptr) *outOfMemory = true;
    return nullptr;
  }
  if (LoadOrDelete(binding, fileName, [binding] { delete binding; })) {
    binding->createObject_ = Lookup<imp_CreateObjectFn>(*binding, "imp_CreateObject");
    binding->createChildObject_ =
        Lookup<imp_CreateChildObjectFn>(*binding, "imp_CreateChildObject");
    binding->linkToParent_ = Lookup<imp_LinkToParentFn>(*binding, "imp_LinkToParent");
    binding->setProperty_ = Lookup<imp_SetPropertyFn>(*binding, "imp_SetProperty");
    binding->convertFbx2_ =
        Lookup<imp_ConvertStartBitFn>(*binding, "imp_ConvertStartBit_Fbx2toVELAN");
    binding->convertFbx3_ =
        Lookup<imp_ConvertStartBitFn>(*binding, "imp_ConvertStartBit_Fbx3toVELAN");
    if (binding->createObject_ && binding->createChildObject_ && binding->linkToParent_ &&
        binding->setProperty_ && binding->convertFbx2_) {
      return binding;
    }
  }
  delete binding;
  return nullptr;
}

uint32_t cImpVelanDB::Release() {
  const uint32_t left = --refs_;
  if (left == 0) delete this;
  return left;
}

// ---------------------------------------------------------------- cImpVelan

cImpVelan::cImpVelan() : statusToString_(&EmptyStatusText) {}

cImpVelan* cImpVelan::Create(const std::string& fileName) {
  cImpVelan* binding = new (std::nothrow) cImpVelan();
  if (binding == nullptr) return nullptr;
  if (LoadOrDelete(binding, fileName, [binding] { delete binding; })) {
    vlStatusToStringFn fn = Lookup<vlStatusToStringFn>(*binding, "vlStatusToString");
    if (fn != nullptr) binding->statusToString_ = fn;
  }
  return binding;
}

uint32_t cImpVelan::Release() {
  const uint32_t left = --refs_;
  if (left == 0) delete this;
  return left;
}

// Bindings of the outside libraries the importer loads at run time: the host
// database (import functions), the status-text library, and the process-wide
// library naming that SetDbDll switches.
#ifndef VELANAR_IMPORT_BINDINGS_H
#define VELANAR_IMPORT_BINDINGS_H

#include <cstdint>
#include <string>

#include "velan/velandb_import.h"
#include "velan/vlstatus.h"

// Process-wide library naming: a folder (empty at start) and a switch between
// the product's own library names and those of the second product.
class cLibraryName {
 public:
  static cLibraryName& Instance();

  // Takes the folder of a host library path (text before the last '/').
  // A null path, one without '/', or one whose only '/' is its first
  // character changes nothing.
  void SetFromDbLibraryPath(const char* path);
  // Back to the initial state (empty folder, own names).
  void Reset();

  const std::string& Folder() const { return folder_; }
  bool SecondProduct() const { return secondProduct_; }

  // Full file names of the three run-time libraries.
  std::string HostDatabase() const;
  std::string StatusTexts() const;
  std::string ConfigurationReader() const;

 private:
  cLibraryName() = default;
  std::string FileName(const char* baseName) const;

  std::string folder_;
  bool secondProduct_ = false;
};

// One loaded shared library; freed with the object.
class cLoadLibrary {
 public:
  cLoadLibrary() = default;
  virtual ~cLoadLibrary();
  cLoadLibrary(const cLoadLibrary&) = delete;
  cLoadLibrary& operator=(const cLoadLibrary&) = delete;

  bool Load(const std::string& fileName);
  bool IsLoaded() const { return loaded_; }
  void* Function(const char* name) const;

 private:
  void* module_ = nullptr;
  bool loaded_ = false;
};

// Reference-counted binding of the host database's import functions.
class IfcImpVelanDB {
 public:
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;
  virtual uint32_t RefCount() const = 0;
  virtual imp_CreateObjectFn CreateObject() const = 0;
  virtual imp_CreateChildObjectFn CreateChildObject() const = 0;
  virtual imp_LinkToParentFn LinkToParent() const = 0;
  virtual imp_SetPropertyFn SetProperty() const = 0;
  virtual imp_ConvertStartBitFn ConvertStartBitFbx2() const = 0;
  // Null when the library does not export it.
  virtual imp_ConvertStartBitFn ConvertStartBitFbx3() const = 0;

 protected:
  virtual ~IfcImpVelanDB() = default;
};

// Reference-counted binding of the status-text function.
class IfcVelan {
 public:
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;
  virtual uint32_t RefCount() const = 0;
  // Never null: a built-in function writing the empty text stands in when the
  // library or its function is missing.
  virtual vlStatusToStringFn StatusToString() const = 0;

 protected:
  virtual ~IfcVelan() = default;
};

class cImpVelanDB : public cLoadLibrary, public IfcImpVelanDB {
 public:
  // Loads the library and finds its functions; null when the library does
  // not load or one of the five required functions is missing.
  // Null when the library or one of its functions is missing, or when out of
  // memory (then `outOfMemory` is set).
  static cImpVelanDB* Create(const std::string& fileName, bool* outOfMemory = nullptr);

  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override;
  uint32_t RefCount() const override { return refs_; }
  imp_CreateObjectFn CreateObject() const override { return createObject_; }
  imp_CreateChildObjectFn CreateChildObject() const override { return createChildObject_; }
  imp_LinkToParentFn LinkToParent() const override { return linkToParent_; }
  imp_SetPropertyFn SetProperty() const override { return setProperty_; }
  imp_ConvertStartBitFn ConvertStartBitFbx2() const override { return convertFbx2_; }
  imp_ConvertStartBitFn ConvertStartBitFbx3() const override { return convertFbx3_; }

 private:
  cImpVelanDB() = default;
  ~cImpVelanDB() override = default;

  uint32_t refs_ = 0;
  imp_CreateObjectFn createObject_ = nullptr;
  imp_CreateChildObjectFn createChildObject_ = nullptr;
  imp_LinkToParentFn linkToParent_ = nullptr;
  imp_SetPropertyFn setProperty_ = nullptr;
  imp_ConvertStartBitFn convertFbx2_ = nullptr;
  imp_ConvertStartBitFn convertFbx3_ = nullptr;
};

class cImpVelan : public cLoadLibrary, public IfcVelan {
 public:
  // Always gives a binding (null only when out of memory).
  static cImpVelan* Create(const std::string& fileName);

  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override;
  uint32_t RefCount() const override { return refs_; }
  vlStatusToStringFn StatusToString() const override { return statusToString_; }

 private:
  cImpVelan();
  ~cImpVelan() override = default;

  uint32_t refs_ = 0;
  vlStatusToStringFn statusToString_;
};

#endif

// The conversion context of one import: owns everything of the import and
// wraps the host callbacks (skipping, logging and status folding).
#ifndef VELANAR_IMPORT_CONVERT_CTX_H
#define VELANAR_IMPORT_CONVERT_CTX_H

#include <cstdint>
#include <string>
#include <vector>

#include "import/bindings.h"
#include "import/context_navigation.h"
#include "import/diagnostics.h"
#include "import/import_status.h"
#include "import/report.h"
#include "import/scoped.h"
#include "import/variant.h"
#include "resolve/short_name_resolver.h"
#include "xml/block_pool.h"

class exDocument;

// Import policies set by the configuration file.
struct cPolicies {
  bool canEnabled = true;
  bool linEnabled = true;
  bool flexRayEnabled = false;
  // 0: every ARXML file of the import path's folder; 1: the import path only.
  uint32_t fileSetPolicy = 0;
  // When no SYSTEM lists a cluster (there is no SYSTEM, or it lists none),
  // convert every cluster of the document instead of none.
  bool allClusters = false;
  // Worker threads that parse the files of the file set; 0: one per core.
  // One file, or one core, is parsed without worker threads.
  unsigned parseThreads = 0;
};

// The context is the diagnostics handle (status and report) of the layers
// below it, and owns everything else of the import.
class cConvertCtx : public cDiagnostics {
 public:
  static constexpr size_t kElementBlockSize = 0x12000;
  static constexpr size_t kAttributeMapBlockSize = 16384;
  static constexpr size_t kChildListBlockSize = 32768;

  // Binds the host database and status-text libraries, creates the
  // document, probes the decimal separator and gives the document its pools.
  cConvertCtx();
  virtual ~cConvertCtx();
  cConvertCtx(const cConvertCtx&) = delete;
  cConvertCtx& operator=(const cConvertCtx&) = delete;

  char decimalSeparator = '.';
  char foreignSeparator = ',';
  uint32_t hostHandle = 0;
  cPolicies policies;
  // The post-build variant the configuration chooses.
  cVariantChoice variant;
  std::vector<std::string> fileList;
  cSNRMap resolverRoot;
  exBlockPool elementPool{kElementBlockSize};
  exBlockPool attributeMapPool{kAttributeMapBlockSize};
  exBlockPool childListPool{kChildListBlockSize};
  std::string importPath;
  cSafeIfc<IfcImpVelanDB> hostDb;
  cSafeIfc<IfcVelan> velan;
  cScopedPtr<exDocument> document;

  // Host callbacks. Each is skipped (no call, no log line) while the status
  // is an error or when its identifiers/values make the call pointless; the
  // result is logged and folded into the status.

  // Creates a child object; returns its identifier, 0 when skipped or failed.
  uint64_t CreateChildObject(uint32_t type, const char* name, uint32_t parentType,
                             uint64_t parentId);
  void LinkToParent(uint32_t type, uint64_t id, uint32_t parentType, uint64_t parentId);
  void SetProperty(uint64_t id, uint32_t propertyId, const void* value, uint32_t size);

  void SetPropertyU8(uint64_t id, uint32_t propertyId, uint8_t value);
  void SetPropertyU16(uint64_t id, uint32_t propertyId, uint16_t value);
  void SetPropertyU32(uint64_t id, uint32_t propertyId, uint32_t value);
  void SetPropertyU64(uint64_t id, uint32_t propertyId, uint64_t value);
  void SetPropertyI16(uint64_t id, uint32_t propertyId, int16_t value);
  void SetPropertyI32(uint64_t id, uint32_t propertyId, int32_t value);
  void SetPropertyF64(uint64_t id, uint32_t propertyId, double value);
  // Text with its terminating NUL counted in the size; null is skipped.
  void SetPropertyStr(uint64_t id, uint32_t propertyId, const char* text);
  void SetPropertyIoids(uint64_t id, uint32_t propertyId, const uint64_t* ids, uint32_t count);

  // Converts a start bit to the host's numbering; 0 (and host unavailable)
  // when the host does not offer the conversion.
  uint16_t ConvertStartBit(uint8_t byteOrderFlag, uint32_t startBit, uint32_t bitLength);

  // True when the object type may be created without a name.
  static bool MayBeNameless(uint32_t type);
};

#endif

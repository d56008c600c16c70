// The export context: what the DBC writers need about a cluster, read from
// the host in one pass before anything is written.
#ifndef VLDBCEX_EXPORT_TO_CONTEXT_H
#define VLDBCEX_EXPORT_TO_CONTEXT_H

#include <cstdint>
#include <string>

#include "dbc/to_attributes.h"
#include "dbc/to_logfile.h"
#include "export/to_scoped.h"
#include "velan/velandb_read.h"

namespace vldbcex {

class ToCtxBase {
 public:
  explicit ToCtxBase(dbaStatus* status) : status_(status) {}
  ToCtxBase(const ToCtxBase&) = delete;
  ToCtxBase& operator=(const ToCtxBase&) = delete;
  virtual ~ToCtxBase() = default;

  // Reads from the host; true on success (also sets the opened flag).
  virtual bool Open() = 0;
  virtual bool IsOpen() const { return opened_; }

  dbaStatus* Status() const { return status_; }

 protected:
  dbaStatus* status_;
  bool opened_ = false;
};

class ToCtxDBBase : public ToCtxBase {
 public:
  ToCtxDBBase(dbaStatus* status, uint32_t ref) : ToCtxBase(status), ref_(ref) {}
  uint32_t Ref() const { return ref_; }
  void SetRef(uint32_t ref) { ref_ = ref; }

 protected:
  uint32_t ref_;
};

// Switches the database's invalid-objects flag on while it lives and puts
// the saved value back when it ends.
class ToShowInvalidFromOpen : public ToCtxDBBase {
 public:
  explicit ToShowInvalidFromOpen(dbaStatus* status) : ToCtxDBBase(status, 0) {}
  ~ToShowInvalidFromOpen() override;
  bool Open() override;
  uint8_t SavedValue() const { return saved_; }

 private:
  uint8_t saved_ = 0;
};

class ToCtxFrame : public ToCtxDBBase {
 public:
  ToCtxFrame(dbaStatus* status, uint32_t ref) : ToCtxDBBase(status, ref) {}
  bool Open() override;
  uint32_t CanIoMode() const { return canIoMode_; }

 private:
  uint32_t canIoMode_ = 0;
};

class ToCtxECU : public ToCtxBase {
 public:
  explicit ToCtxECU(dbaStatus* status) : ToCtxBase(status) {}
  bool Open() override;

  ToDBRefArray received;
  ToDBRefArray transmitted;
  uint64_t j1939Name = 0;
  uint32_t j1939Address = 0;
  std::string name;
};

class ToCtxFrameRelated : public ToCtxBase, public ToScopedArray<ToCtxFrame*> {
 public:
  explicit ToCtxFrameRelated(dbaStatus* status) : ToCtxBase(status) {}
  ~ToCtxFrameRelated() override { DestroyElements(); }
  bool Open() override;
  void SetCluster(uint32_t cluster) { cluster_ = cluster; }
  // The reference of frame i (0 when there is no such frame).
  uint32_t FrameRef(uint64_t i) const;
  void DestroyElements();

 private:
  uint32_t cluster_ = 0;
};

class ToCtxECURelated : public ToCtxBase, public ToScopedArray<ToCtxECU*> {
 public:
  explicit ToCtxECURelated(dbaStatus* status) : ToCtxBase(status) {}
  ~ToCtxECURelated() override { DestroyElements(); }
  bool Open() override;
  void SetCluster(uint32_t cluster) { cluster_ = cluster; }
  const ToDBRefArray& EcuRefs() const { return ecuRefs_; }
  void DestroyElements();

 private:
  ToDBRefArray ecuRefs_;
  uint32_t cluster_ = 0;
};

class ToCtx : public ToCtxBase {
 public:
  ToCtx(dbaStatus* status, uint32_t cluster);
  // Members end in reverse order: attributes, signal list, ECUs, frames,
  // cluster name, the invalid-objects flag put back, then the sink (which
  // writes the buffered text and closes the file).
  ~ToCtx() override = default;

  bool Open() override;

  // Written fields, in the order of the export context.
  ToLogFile sink;
  ToShowInvalidFromOpen showInvalid;
  uint32_t database = 0;
  uint32_t cluster = 0;
  uint32_t currentSignal = 0;
  uint64_t currentFrame = 0;
  uint64_t currentEcu = 0;
  uint32_t canIoMode = 0;
  uint32_t appProtocol = 0;
  std::string clusterName;
  uint32_t frameAppProtocol = 0;
  ToCtxFrameRelated frames;
  ToCtxECURelated ecus;
  ToScopedArray<uint32_t> signals;
  ToAttMap attributes;
  // The receivers of the frame with index receiversFrame, as the SG_ lines
  // show them (none kept while receiversFrame is above every index).
  uint64_t receiversFrame = UINT64_MAX;
  std::string receivers;
};

}  // namespace vldbcex

#endif

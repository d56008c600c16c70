// The exporter's read view of a database: 32-bit references, properties
// whose identifier tells the value kind, and the signals of each frame as
// objects of their own.
#ifndef VELAN_HOST_VELANDB_READ_VIEW_H
#define VELAN_HOST_VELANDB_READ_VIEW_H

#include <cstdint>
#include <string>
#include <vector>

#include "store.h"

namespace vdb {

// One signal of a frame: a multiplexer (selector) signal or the SIGNAL under
// a SIG_INST of a PDU placed in the frame by a PDU_INST.
struct ViewSignal {
  uint64_t ref = 0;
  uint32_t frame = 0;    // TRIGGERING number
  uint32_t pduInst = 0;  // PDU_INST number
  uint32_t source = 0;   // MULTIPLEXER or SIG_INST number
  // The SIGNAL below a SIG_INST and its first CODING (kNoNumber: none); the
  // view is built again after every change, so the numbers stay right.
  uint32_t signal = kNoNumber;
  uint32_t coding = kNoNumber;
  bool multiplexer = false;
};

// The signals of one frame: a run of ReadView::signals.
struct FrameSignals {
  uint32_t frame = 0;  // TRIGGERING number
  uint32_t first = 0;  // index of its first signal
  uint32_t count = 0;
};

struct ReadView {
  uint64_t generation = 0;
  std::vector<ViewSignal> signals;   // frame by frame
  std::vector<FrameSignals> frames;  // ordered by frame number
};

// The value of a read-interface property of an object or view signal, as
// dbaGetProperty gives it (texts with their NUL, empty text as no bytes,
// lists of 4-byte references), replacing what *out held. Caller holds the
// lock. On failure answers the
// dbaStatus code (as int32_t) and sets *detail.
int32_t ReadValue(uint32_t reference, uint32_t propertyId, std::string* out, uint32_t* detail);

// Frees the references of the view of db and drops it.
void ReleaseView(Database& db);

}  // namespace vdb

#endif

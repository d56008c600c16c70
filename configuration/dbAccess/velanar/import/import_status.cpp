// The import status that only gets worse, and the folding of host results into it.
#include "import/import_status.h"

void cVelanarStatus::RaiseError(int32_t code) {
  if (code < 0 && code_ >= 0) code_ = code;
}

void cVelanarStatus::RaiseWarning() {
  if (code_ == StatusOk || code_ == StatusAssumption) code_ = StatusWarning;
}

void cVelanarStatus::RaiseAssumption() {
  if (code_ == StatusOk) code_ = StatusAssumption;
}

void cVelanarStatus::TakeHostResult(int32_t result) {
  if (code_ == StatusOk) {
    if (result < 0) {
      code_ = StatusHostError;
    } else if (result > 0) {
      code_ = StatusHostWarning;
    }
    hostCode_ = result;
  } else if (code_ > 0 && result < 0) {
    code_ = StatusHostError;
    hostCode_ = result;
  }
}

uint32_t cVelanarStatus::ReturnedCode() const {
  switch (code_) {
    case StatusOk:
    case StatusWarning:
    case StatusAssumption:
      return 0;
    case StatusHostWarning:
      return 0x3FF63085u;
    case StatusHostUnavailable:
    case StatusNoInput:
    case StatusParseError:
    case StatusNoCluster:
      return 0xBFF63081u;
    case StatusHostError:
      return static_cast<uint32_t>(hostCode_);
    case StatusOutOfMemory:
      return 0xBFF63010u;
    case StatusUnsupportedVersion:
      return 0xBFF63165u;
    default:
      return 0xBFF63001u;
  }
}

// The import status: one status code that only ever gets worse, and the host
// result that decided it. Failure travels through here, never by exception.
#ifndef VELANAR_IMPORT_IMPORT_STATUS_H
#define VELANAR_IMPORT_IMPORT_STATUS_H

#include <cstdint>

constexpr int32_t StatusOk = 0;
constexpr int32_t StatusHostWarning = 1;
constexpr int32_t StatusWarning = 2;
constexpr int32_t StatusAssumption = 3;
constexpr int32_t StatusHostUnavailable = -1;
constexpr int32_t StatusNoInput = -2;
constexpr int32_t StatusParseError = -3;
constexpr int32_t StatusHostError = -4;
constexpr int32_t StatusNoCluster = -5;
constexpr int32_t StatusOutOfMemory = -6;
constexpr int32_t StatusUnsupportedVersion = -7;

class cVelanarStatus {
 public:
  cVelanarStatus() = default;
  virtual ~cVelanarStatus() = default;

  int32_t Code() const { return code_; }
  int32_t HostCode() const { return hostCode_; }

  // A negative code replaces a non-negative status; the first error stays.
  void RaiseError(int32_t code);
  // 0 or 3 becomes 2.
  void RaiseWarning();
  // 0 becomes 3.
  void RaiseAssumption();
  // Folds the signed result of a host callback into the status.
  void TakeHostResult(int32_t result);

  bool IsError() const { return code_ < 0; }
  // The code that Import returns for the current status.
  uint32_t ReturnedCode() const;

 private:
  int32_t code_ = StatusOk;
  int32_t hostCode_ = 0;
};

#endif

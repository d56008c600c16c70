// Parameters of a LIN slave as the node-configuration commands of schedule
// entries need them, and the LIN protected identifier.
#ifndef VELANAR_CONVERT_LIN_NODE_CONFIG_H
#define VELANAR_CONVERT_LIN_NODE_CONFIG_H

#include <cstdint>
#include <utility>
#include <vector>

class cConvertCtx;
class exElement;

// Read anew for every command entry that addresses a slave.
class cLinSlaveParamsAr4 {
 public:
  explicit cLinSlaveParamsAr4(cConvertCtx* context) : ctx(context) {}

  // Fills the parameters from the LIN-SLAVE controller element (none allowed).
  void ReadSlaveParams(const exElement* slaveElement);
  // The LIN-COMMUNICATION-CONNECTOR of the ECU whose controller is the slave.
  void FindSlaveConnector();
  // (frame, MESSAGE-ID) of the connector's LIN-CONFIGURABLE-FRAMES (LIN 2.0).
  void ReadConfigurableFrames();
  // MESSAGE-ID of the first configurable-frame pair of `frame`.
  bool FindMessageId(const exElement* frame, uint32_t* messageId) const;

  uint32_t configuredNad = 0;
  bool hasConfiguredNad = false;
  uint32_t protocolVersion = 0;  // LIN protocol version table value; 4 is "2.0"
  cConvertCtx* ctx;
  const exElement* slave = nullptr;
  const exElement* ecuInstance = nullptr;
  uint32_t initialNad = 0;
  bool hasInitialNad = false;
  uint32_t functionId = 0;
  bool hasFunctionId = false;
  uint32_t supplierId = 0;
  bool hasSupplierId = false;
  const exElement* connector = nullptr;
  std::vector<std::pair<const exElement*, uint32_t>> configurableFrames;
};

// LIN protected identifier: identifier bits 0-5, even parity of bits 0, 1, 2
// and 4 in bit 6, odd parity of bits 1, 3, 4 and 5 in bit 7.
uint8_t LinProtectedIdentifier(uint8_t identifier);

#endif

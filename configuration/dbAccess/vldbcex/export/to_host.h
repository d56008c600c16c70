// Reading the host database: the six host functions (replaceable for tests),
// the property identifiers the exporter reads and the typed readers.
#ifndef VLDBCEX_EXPORT_TO_HOST_H
#define VLDBCEX_EXPORT_TO_HOST_H

#include <cstdint>
#include <string>

#include "export/to_scoped.h"
#include "velan/velandb_read.h"

namespace vldbcex {

struct ToHostFunctions {
  void (*openDatabase)(uint32_t, const char*, uint32_t*, dbaStatus*);
  void (*closeDatabase)(uint32_t, uint32_t, uint8_t, dbaStatus*);
  void (*saveDatabase)(uint32_t, const char*, dbaStatus*);
  void (*getPropertySize)(uint32_t, uint32_t, uint32_t*, dbaStatus*);
  void (*getProperty)(uint32_t, uint32_t, uint32_t, void*, dbaStatus*);
  void (*setProperty)(uint32_t, uint32_t, uint32_t, const void*, dbaStatus*);
};

// The functions in use: the linked host library unless a test replaced them.
const ToHostFunctions& Host();
// Replaces the host functions (null restores the linked host library).
void SetHostFunctions(const ToHostFunctions* functions);

// Property identifiers; the top byte gives the value kind (00 number of 4
// bytes, 01 real, 02 flag, 03 text, 05 reference, 06 list, 09 64-bit number,
// 0A value descriptions as velan/value_descriptions.h encodes them).
namespace prop {
constexpr uint32_t kDatabaseClusters = 0x06000002u;
constexpr uint32_t kDatabaseShowInvalid = 0x02000003u;
// Set by the host application: leave the value tables out of the DBC file.
constexpr uint32_t kDatabaseOmitValueTables = 0x02000004u;

constexpr uint32_t kClusterDatabase = 0x05010002u;
constexpr uint32_t kClusterCanIoMode = 0x00010010u;
constexpr uint32_t kClusterAppProtocol = 0x00010073u;
constexpr uint32_t kClusterFrames = 0x06010004u;
constexpr uint32_t kClusterEcus = 0x06010003u;
constexpr uint32_t kClusterSignals = 0x06010007u;
constexpr uint32_t kClusterName = 0x03010005u;
constexpr uint32_t kClusterComment = 0x03010008u;
constexpr uint32_t kClusterProtocol = 0x00010006u;

constexpr uint32_t kFrameName = 0x03020004u;
constexpr uint32_t kFrameComment = 0x03020002u;
constexpr uint32_t kFrameExtended = 0x02020010u;
constexpr uint32_t kFrameIdentifier = 0x00020003u;
constexpr uint32_t kFrameLength = 0x00020007u;
constexpr uint32_t kFrameSignals = 0x06020008u;
constexpr uint32_t kFrameCanIoMode = 0x00020066u;
constexpr uint32_t kFrameTimingType = 0x00020011u;
constexpr uint32_t kFrameTime = 0x01020012u;
constexpr uint32_t kFrameAppProtocol = 0x00020064u;

constexpr uint32_t kSignalName = 0x03030008u;
constexpr uint32_t kSignalComment = 0x03030002u;
constexpr uint32_t kSignalUnit = 0x03030016u;
constexpr uint32_t kSignalMultiplexer = 0x02030030u;
constexpr uint32_t kSignalModeDependent = 0x02030031u;
constexpr uint32_t kSignalModeValue = 0x00030032u;
constexpr uint32_t kSignalStartBit = 0x00030015u;
constexpr uint32_t kSignalBits = 0x00030012u;
constexpr uint32_t kSignalByteOrder = 0x00030001u;
constexpr uint32_t kSignalDataType = 0x00030003u;
constexpr uint32_t kSignalFactor = 0x01030013u;
constexpr uint32_t kSignalOffset = 0x01030014u;
constexpr uint32_t kSignalMinimum = 0x01030007u;
constexpr uint32_t kSignalMaximum = 0x01030006u;
constexpr uint32_t kSignalDefault = 0x01030004u;
constexpr uint32_t kSignalFrame = 0x05030005u;
constexpr uint32_t kSignalValueDescriptions = 0x0A030033u;

constexpr uint32_t kEcuName = 0x03050002u;
constexpr uint32_t kEcuComment = 0x03050005u;
constexpr uint32_t kEcuReceived = 0x06050003u;
constexpr uint32_t kEcuTransmitted = 0x06050004u;
constexpr uint32_t kEcuJ1939Address = 0x00050028u;
constexpr uint32_t kEcuJ1939Name = 0x09050029u;
}  // namespace prop

// Fixed-size reads: on failure (bit 31 set in the record afterwards) the
// variable keeps its value and the reader gives false.
bool ReadU32(uint32_t object, uint32_t id, uint32_t& value, dbaStatus* status);
bool ReadU64(uint32_t object, uint32_t id, uint64_t& value, dbaStatus* status);
bool ReadReal(uint32_t object, uint32_t id, double& value, dbaStatus* status);
bool ReadFlag(uint32_t object, uint32_t id, bool& value, dbaStatus* status);

// Bytes of any size: size first, then exactly that many bytes. Empty on
// failure. When memory cannot be obtained, records noMemoryDetail.
bool ReadBytes(uint32_t object, uint32_t id, std::string& bytes, dbaStatus* status,
               uint32_t noMemoryDetail);
// Text: the bytes cut at the first zero.
bool ReadText(uint32_t object, uint32_t id, std::string& text, dbaStatus* status,
              uint32_t noMemoryDetail);

// List of references: size first, entry count = size / 4. Emptied on failure.
bool ReadRefList(uint32_t object, uint32_t id, ToScopedArray<uint32_t>& list, dbaStatus* status);

// Writes a one-byte flag.
bool WriteFlag(uint32_t object, uint32_t id, uint8_t value, dbaStatus* status);

}  // namespace vldbcex

#endif

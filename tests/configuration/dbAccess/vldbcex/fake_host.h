// An in-memory stand-in for the host's read view, installed in place of the
// linked host functions, with failure injection. Also the description of a
// cluster that the tests export, and its translation into the read view.
#ifndef VLDBCEX_TESTS_FAKE_HOST_H
#define VLDBCEX_TESTS_FAKE_HOST_H

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "export/to_host.h"

namespace vldbcex_test {

class FakeHost {
 public:
  FakeHost();   // installs itself
  ~FakeHost();  // puts the linked host functions back
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  static FakeHost* Current();

  uint32_t NewObject() { return nextRef_++; }
  void SetBytes(uint32_t object, uint32_t id, const void* data, size_t size);
  void SetU32(uint32_t object, uint32_t id, uint32_t value) { SetBytes(object, id, &value, 4); }
  void SetU64(uint32_t object, uint32_t id, uint64_t value) { SetBytes(object, id, &value, 8); }
  void SetReal(uint32_t object, uint32_t id, double value) { SetBytes(object, id, &value, 8); }
  void SetFlag(uint32_t object, uint32_t id, bool value) {
    const uint8_t byte = value ? 1 : 0;
    SetBytes(object, id, &byte, 1);
  }
  // Texts are stored with their terminating zero (the empty text as size 0).
  void SetText(uint32_t object, uint32_t id, const std::string& text);
  void SetList(uint32_t object, uint32_t id, const std::vector<uint32_t>& refs);
  void Remove(uint32_t object, uint32_t id) { props_.erase({object, id}); }
  bool Has(uint32_t object, uint32_t id) const { return props_.count({object, id}) != 0; }
  std::vector<uint8_t> Bytes(uint32_t object, uint32_t id) const;

  // Makes every read of the property (size and value) fail with this code.
  void FailRead(uint32_t object, uint32_t id, uint32_t code = 0x80A10001u);
  // Results of the next writes, in order (0: plain success). A code with
  // bit 31 set fails the write; one with bit 31 clear stores the value and
  // still reports the code.
  void QueueWriteResults(const std::vector<uint32_t>& codes) {
    writeResults_.insert(writeResults_.end(), codes.begin(), codes.end());
  }
  // Every property write, in order (object, identifier, first byte).
  std::vector<std::tuple<uint32_t, uint32_t, uint8_t>> writes;

  // Open, save and close of database files.
  std::map<std::string, uint32_t> files;
  std::vector<std::pair<uint32_t, std::string>> saves;
  std::vector<uint32_t> closes;
  std::function<void(uint32_t, const char*, dbaStatus*)> onSave;
  // Every property read, in order (object, identifier).
  std::vector<std::pair<uint32_t, uint32_t>> reads;

 private:
  static void Open(uint32_t, const char*, uint32_t*, dbaStatus*);
  static void Close(uint32_t, uint32_t, uint8_t, dbaStatus*);
  static void Save(uint32_t, const char*, dbaStatus*);
  static void GetSize(uint32_t, uint32_t, uint32_t*, dbaStatus*);
  static void Get(uint32_t, uint32_t, uint32_t, void*, dbaStatus*);
  static void Set(uint32_t, uint32_t, uint32_t, const void*, dbaStatus*);
  static void Fail(dbaStatus* status, uint32_t code);

  uint32_t nextRef_ = 1;
  std::map<std::pair<uint32_t, uint32_t>, std::vector<uint8_t>> props_;
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> failures_;
  std::vector<uint32_t> writeResults_;
  vldbcex::ToHostFunctions functions_;
};

// A cluster as the tests describe it. The multiplexer of a frame, when there
// is one, is its first signal: unsigned, factor 1, offset 0, range 0 to
// 2^bits - 1, no unit and no comment (as the host gives it).
struct TSignal {
  std::string name;
  uint32_t startBit = 0;  // least significant bit, in the frame
  uint32_t bits = 8;
  uint32_t byteOrder = 0;  // 0 little endian, 1 big endian
  uint32_t dataType = 1;   // 0 signed, 1 unsigned, 2 IEEE
  double factor = 1;
  double offset = 0;
  double minimum = 0;
  double maximum = 255;
  std::string unit;
  std::string comment;
  bool multiplexer = false;
  bool modeDependent = false;
  uint32_t modeValue = 0;
  std::optional<double> defaultValue;                  // unset: the offset (raw 0)
  std::vector<std::pair<double, std::string>> values;  // value descriptions
};

enum class TTiming { kNone, kCyclic, kEvent, kBoth };

struct TFrame {
  std::string name;
  uint32_t identifier = 0;
  bool extended = false;
  uint32_t length = 8;
  uint32_t canIoMode = 0;
  uint32_t appProtocol = 0;
  TTiming timing = TTiming::kNone;
  double cycle = 0;                // cyclic timing, seconds
  std::optional<double> debounce;  // event timing, seconds (unset: 0)
  std::string comment;
  std::vector<TSignal> signals;
};

struct TEcu {
  std::string name;
  std::string comment;
  std::vector<size_t> transmits;  // frame indices
  std::vector<size_t> receives;
  std::optional<uint8_t> j1939Address;
  std::optional<uint64_t> j1939Name;
};

struct TCluster {
  std::string name;
  std::string comment;
  uint32_t protocol = 0;  // 0 CAN
  uint32_t canIoMode = 0;
  uint32_t appProtocol = 0;
  std::vector<TFrame> frames;
  std::vector<TEcu> ecus;
};

// References the fake gave to the objects of one cluster.
struct TRefs {
  uint32_t database = 0;
  uint32_t cluster = 0;
  std::vector<uint32_t> frames;
  std::vector<std::vector<uint32_t>> signals;  // per frame
  std::vector<uint32_t> ecus;
};

// Builds the read view of the clusters under one database object.
std::vector<TRefs> BuildFake(FakeHost& host, const std::vector<TCluster>& clusters,
                             uint32_t* database = nullptr);
inline TRefs BuildFake(FakeHost& host, const TCluster& cluster) {
  return BuildFake(host, std::vector<TCluster>{cluster}).front();
}

// The timing type and time the host gives for a frame's timing.
std::pair<uint32_t, double> ReadViewTiming(const TFrame& frame);

}  // namespace vldbcex_test

#endif

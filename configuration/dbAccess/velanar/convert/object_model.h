// Records that tie document elements to the host objects made for them while
// a cluster is converted, the maps that own them, and the per-cluster
// unique-name generator.
#ifndef VELANAR_CONVERT_OBJECT_MODEL_H
#define VELANAR_CONVERT_OBJECT_MODEL_H

#include <cstdint>
#include <cstring>
#include <map>
#include <new>
#include <set>
#include <string>

#include "xml/xmlchar.h"

class cConvertCtx;
class exElement;
class exDocument;

// Base records.
class cCvEl {
 public:
  virtual ~cCvEl() = default;
  const exElement* element = nullptr;
};

class cCvId {
 public:
  virtual ~cCvId() = default;
  uint64_t ioid = 0;  // 0 = host object not created
};

// Ordered map from pooled name to an owned record; deletes its values.
template <class T>
class ctPtrMap {
 public:
  typedef std::map<const char*, T*, cmpxmlchar> Map;
  typedef typename Map::const_iterator const_iterator;

  ctPtrMap() = default;
  ctPtrMap(const ctPtrMap&) = delete;
  ctPtrMap& operator=(const ctPtrMap&) = delete;
  ~ctPtrMap() { Clear(); }

  // Takes ownership when the key is new; returns false (ownership stays with
  // the caller) when it is present or memory is exhausted.
  bool Insert(const char* key, T* value) {
    try {
      return map_.emplace(key, value).second;
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  T* Find(const char* key) const {
    auto it = map_.find(key);
    return it == map_.end() ? nullptr : it->second;
  }
  bool Contains(const char* key) const { return map_.count(key) != 0; }
  void Clear() {
    for (auto& entry : map_) delete entry.second;
    map_.clear();
  }
  size_t Size() const { return map_.size(); }
  bool Empty() const { return map_.empty(); }
  const_iterator begin() const { return map_.begin(); }
  const_iterator end() const { return map_.end(); }

 private:
  Map map_;
};

// Ordered map from a 64-bit key to an owned record.
template <class T>
class ctIdPtrMap {
 public:
  typedef std::map<uint64_t, T*> Map;
  typedef typename Map::const_iterator const_iterator;

  ctIdPtrMap() = default;
  ctIdPtrMap(const ctIdPtrMap&) = delete;
  ctIdPtrMap& operator=(const ctIdPtrMap&) = delete;
  ~ctIdPtrMap() { Clear(); }

  bool Insert(uint64_t key, T* value) {
    try {
      return map_.emplace(key, value).second;
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  T* Find(uint64_t key) const {
    auto it = map_.find(key);
    return it == map_.end() ? nullptr : it->second;
  }
  void Clear() {
    for (auto& entry : map_) delete entry.second;
    map_.clear();
  }
  size_t Size() const { return map_.size(); }
  bool Empty() const { return map_.empty(); }
  const_iterator begin() const { return map_.begin(); }
  const_iterator end() const { return map_.end(); }

 private:
  Map map_;
};

class cCvEcu : public cCvEl, public cCvId {
 public:
  static cCvEcu* Create() { return new (std::nothrow) cCvEcu(); }
  uint64_t connectorIoid = 0;
  const exElement* connectorA = nullptr;  // connector through which the ECU was first found
  const exElement* connectorB = nullptr;  // second connector (two channels / FlexRay)
};

// Frame record; IOID = the TRIGGERING object.
class cVFT : public cCvId {
 public:
  static cVFT* Create() { return new (std::nothrow) cVFT(); }
  const exElement* triggeringA = nullptr;  // first triggering found for the frame
  const exElement* triggeringB = nullptr;  // a later triggering of the same frame
  const exElement* frame = nullptr;
  uint32_t length = 0;  // FRAME-LENGTH in bytes; 0 until read
};

// PDU record; IOID = the PDU object.
class cVPT : public cCvId {
 public:
  static cVPT* Create() { return new (std::nothrow) cVPT(); }
  const exElement* triggeringA = nullptr;
  const exElement* triggeringB = nullptr;
  const exElement* pdu = nullptr;
  uint32_t length = 0;  // bytes; 0 until read
};

// Schedule entry record.
class cCvSTE {
 public:
  virtual ~cCvSTE() = default;
  uint64_t first = 0;
  uint64_t second = 0;
};
typedef ctIdPtrMap<cCvSTE> cCvSTEMap;

// Schedule table record.
class cCvST {
 public:
  virtual ~cCvST() = default;
  uint64_t table = 0;
  cCvSTEMap entries;
  std::map<uint32_t, const exElement*> positions;  // POSITION-IN-TABLE -> entry element
};
typedef ctIdPtrMap<cCvST> cCvSTMap;

// Create a record and insert it under `key`; -6 and nothing when the key is
// present or memory is exhausted.
cCvST* CreateScheduleTableRecord(cConvertCtx* ctx, cCvSTMap& map, uint64_t key);
cCvSTE* CreateScheduleEntryRecord(cConvertCtx* ctx, cCvSTEMap& map, uint64_t key);

typedef ctPtrMap<cCvEl> cCvMap;
typedef ctPtrMap<cCvEcu> cCvEcuMap;
typedef ctPtrMap<cVFT> cVFTMap;
typedef ctPtrMap<cVPT> cVPTMap;

// Set of pooled names ordered like every name-keyed map.
typedef std::set<const char*, cmpxmlchar> xmlCharTokenSet;

// Names already given to host objects of one cluster, and the generator of
// unique names from them.
class cHackMacSet : private xmlCharTokenSet {
 public:
  static const uint32_t kCapacity = 128;

  cHackMacSet();
  ~cHackMacSet();
  cHackMacSet(const cHackMacSet&) = delete;
  cHackMacSet& operator=(const cHackMacSet&) = delete;

  // Accepted names are copied into this document's string pool.
  void Bind(exDocument* document) { pool_ = document; }
  bool HasBuffer() const { return capacity_ != 0; }

  // Replaces `name` by a pooled name not used before in this set and reserves
  // it. False when no candidate could be made or pooled.
  bool MakeUnique(const char*& name, const char* suffix);
  bool Contains(const char* name) const { return count(name) != 0; }

 private:
  bool Accept(const char*& name);

  std::map<std::string, uint32_t> counters_;  // suffix -> next number
  char* buffer_;                              // kCapacity + 1 bytes
  uint32_t capacity_;
  exDocument* pool_ = nullptr;
};

// Orders the special LIN frame set: by position in the input, which is the
// order the elements have in the document set.
struct cCvElementOrder {
  bool operator()(const exElement* a, const exElement* b) const;
};

class cCvCluster : public cCvEl, public cCvId {
 public:
  static cCvCluster* Create() { return new (std::nothrow) cCvCluster(); }

  uint32_t type = 0;  // 1 CAN, 2 LIN, 3 FlexRay, 0 unsupported
  uint32_t channelCount = 0;
  uint32_t canFdMode = 0;  // 0 none, 1 CAN-FD-BAUDRATE, 2 bit-rate switching
  cCvEcuMap ecus;
  cCvSTMap scheduleTables;
  cVFTMap frames;
  cVPTMap pdus;
  std::set<const exElement*, cCvElementOrder> specialLinFrames;
  cHackMacSet names;

  // The ECU record whose connector A or B is `connector`, or none.
  cCvEcu* FindEcuByConnector(const exElement* connector) const;
  // The key of the schedule table record whose table field is `table`.
  bool FindScheduleTableKey(uint64_t table, uint64_t* key) const;
};
typedef ctPtrMap<cCvCluster> cCvClusterMap;

#endif

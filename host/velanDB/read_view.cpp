// The exporter's read view: references, per-frame signals and property values.
#include "read_view.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <map>
#include <string>
#include <tuple>

#include "velan/host_vocabulary.h"
#include "velan/read_properties.h"
#include "velan/velandb_host.h"
#include "velan/velandb_read.h"

namespace vdb {

void ReleaseView(Database& db) {
  if (!db.view) return;
  Store& store = Store::Get();
  for (const ViewSignal& s : db.view->signals) store.FreeId(s.ref);
  db.view.reset();
}

namespace {

// ---- Reading stored properties with defaults ----

template <typename T>
T Stored(const Object& o, uint32_t propertyId, T fallback) {
  auto it = o.properties.find(propertyId);
  if (it == o.properties.end() || it->second.size() != sizeof(T)) return fallback;
  T value;
  std::memcpy(&value, it->second.data(), sizeof value);
  return value;
}

bool Has(const Object& o, uint32_t propertyId) {
  return o.properties.count(propertyId) != 0;
}

const std::string& StoredText(const Object& o, uint32_t propertyId) {
  static const std::string kNone;
  auto it = o.properties.find(propertyId);
  return it == o.properties.end() ? kNone : it->second;
}

// First child of a type, or null.
const Object* FirstChild(Database& db, const Object& o, uint32_t type) {
  for (uint32_t n : o.children)
    if (db.At(n).type == type) return &db.At(n);
  return nullptr;
}

// The PDU linked to a PDU_INST, or null.
const Object* LinkedPdu(Database& db, const Object& pduInst) {
  for (uint32_t n : pduInst.linkedChildren)
    if (db.At(n).type == VELAN_OT_PDU) return &db.At(n);
  return nullptr;
}

// ---- The view: signals of each frame ----

// Where a signal of the view comes from: frame, PDU_INST and source.
using SignalKey = std::tuple<uint32_t, uint32_t, uint32_t>;

// Adds the signals of a frame to the view. A signal the old view had keeps
// its reference (taken out of oldRefs); a new one gets a new reference.
void AddFrameSignals(Database& db, const Object& frame, std::map<SignalKey, uint64_t>* oldRefs,
                     ReadView* view, std::vector<uint64_t>* newIds) {
  Store& store = Store::Get();
  FrameSignals range;
  range.frame = frame.number;
  range.first = static_cast<uint32_t>(view->signals.size());
  auto add = [&](uint32_t pduInst, uint32_t source, bool multiplexer, uint32_t signal,
                 uint32_t coding) {
    const uint32_t index = static_cast<uint32_t>(view->signals.size());
    uint64_t ref = 0;
    if (!oldRefs->empty()) {
      auto it = oldRefs->find(std::make_tuple(frame.number, pduInst, source));
      if (it != oldRefs->end()) {
        ref = it->second;
        oldRefs->erase(it);
      }
    }
    if (ref) {
      store.MoveSlot(ref, index);
    } else {
      if (int32_t r = store.AllocateId(&db, index, SlotKind::ViewSignal, &ref); r < 0)
        throw std::bad_alloc();
      newIds->push_back(ref);
    }
    view->signals.push_back(
        ViewSignal{ref, frame.number, pduInst, source, signal, coding, multiplexer});
  };
  for (uint32_t pi : frame.children) {
    const Object& pduInst = db.At(pi);
    if (pduInst.type != VELAN_OT_PDU_INST) continue;
    const Object* pdu = LinkedPdu(db, pduInst);
    if (!pdu) continue;
    for (uint32_t c : pdu->children)
      if (db.At(c).type == VELAN_OT_MULTIPLEXER) add(pi, c, true, kNoNumber, kNoNumber);
    for (uint32_t c : pdu->children) {
      if (db.At(c).type != VELAN_OT_SIG_INST) continue;
      const Object* signal = FirstChild(db, db.At(c), VELAN_OT_SIGNAL);
      if (!signal) continue;
      const Object* coding = FirstChild(db, *signal, VELAN_OT_CODING);
      add(pi, c, false, signal->number, coding ? coding->number : kNoNumber);
    }
  }
  range.count = static_cast<uint32_t>(view->signals.size()) - range.first;
  view->frames.push_back(range);
}

// Builds the view when it is missing or older than the last change. Signals
// that stay keep their references.
ReadView& CurrentView(Database& db) {
  if (db.view && db.view->generation == db.generation) return *db.view;
  auto view = std::make_unique<ReadView>();
  view->generation = db.generation;
  std::vector<uint64_t> newIds;
  Store& store = Store::Get();
  // The references of the old view by where their signals come from; what
  // is left after the build belongs to signals that are gone.
  std::map<SignalKey, uint64_t> oldRefs;
  try {
    if (db.view)
      for (const ViewSignal& s : db.view->signals)
        oldRefs.emplace(std::make_tuple(s.frame, s.pduInst, s.source), s.ref);
    for (uint32_t c : db.Root().children) {
      const Object& cluster = db.At(c);
      if (cluster.type != VELAN_OT_CLUSTER) continue;
      for (uint32_t f : cluster.children)
        if (db.At(f).type == VELAN_OT_TRIGGERING)
          AddFrameSignals(db, db.At(f), &oldRefs, view.get(), &newIds);
    }
    std::sort(view->frames.begin(), view->frames.end(),
              [](const FrameSignals& a, const FrameSignals& b) { return a.frame < b.frame; });
  } catch (...) {
    // Put the slots of the old view back and drop what was allocated.
    for (uint64_t id : newIds) store.FreeId(id);
    if (db.view)
      for (uint32_t i = 0; i < db.view->signals.size(); ++i)
        store.MoveSlot(db.view->signals[i].ref, i);
    throw;
  }
  for (const auto& entry : oldRefs) store.FreeId(entry.second);
  db.view = std::move(view);
  return *db.view;
}

// ---- Value encodings of the read interface ----
// Each writes the whole value into *out, reusing its storage.

// A text with its NUL; the empty text as no bytes.
void PutText(std::string* out, const std::string& text) {
  out->clear();
  if (text.empty()) return;
  out->reserve(text.size() + 1);
  out->append(text);
  out->push_back('\0');
}
template <typename T>
void Put(std::string* out, T value) {
  out->assign(reinterpret_cast<const char*>(&value), sizeof value);
}
void PutFlag(std::string* out, bool v) {
  Put<uint8_t>(out, v ? 1 : 0);
}
void AppendRef(std::string* list, uint64_t id) {
  const uint32_t ref = static_cast<uint32_t>(id);
  list->append(reinterpret_cast<const char*>(&ref), sizeof ref);
}

using namespace velan_read;

void AppendFrameSignals(Database& db, const Object& frame, std::string* list) {
  const ReadView& view = CurrentView(db);
  auto it = std::lower_bound(
      view.frames.begin(), view.frames.end(), frame.number,
      [](const FrameSignals& range, uint32_t number) { return range.frame < number; });
  if (it == view.frames.end() || it->frame != frame.number) return;
  for (uint32_t i = it->first; i < it->first + it->count; ++i) AppendRef(list, view.signals[i].ref);
}

bool DatabaseValue(Database& db, uint32_t propertyId, std::string* out) {
  switch (propertyId) {
    case kDatabaseClusters:
      for (uint32_t c : db.Root().children)
        if (db.At(c).type == VELAN_OT_CLUSTER) AppendRef(out, db.At(c).id);
      return true;
    case kDatabaseShowInvalid:
      Put<uint8_t>(out, db.invalidObjectsFlag);
      return true;
    case kDatabaseOmitValueTables:
      Put<uint8_t>(out, db.omitValueTablesFlag);
      return true;
  }
  return false;
}

bool ClusterValue(Database& db, const Object& cl, uint32_t propertyId, std::string* out) {
  switch (propertyId) {
    case kClusterDatabase:
      Put<uint32_t>(out, db.handle);
      return true;
    case kClusterCanIoMode:
      Put<uint32_t>(out, Stored<uint32_t>(cl, IDIP_CLUSTER_CAN_FD_MODE_U32, 0));
      return true;
    case kClusterAppProtocol:
      Put<uint32_t>(out, Stored<uint32_t>(cl, IDIP_CLUSTER_APP_PROTOCOL_U32, 0));
      return true;
    case kClusterProtocol:
      Put<uint32_t>(out, static_cast<uint16_t>(Stored<int16_t>(cl, IDIP_CLUSTER_PROTOCOL_I16, 0)));
      return true;
    case kClusterName:
      PutText(out, cl.name);
      return true;
    case kClusterComment:
      PutText(out, StoredText(cl, IDIP_CLUSTER_COMMENT_STR));
      return true;
    case kClusterFrames:
      for (uint32_t f : cl.children)
        if (db.At(f).type == VELAN_OT_TRIGGERING) AppendRef(out, db.At(f).id);
      return true;
    case kClusterEcus:
      for (uint32_t c : cl.children) {
        if (db.At(c).type != VELAN_OT_CONNECTOR) continue;
        for (uint32_t e : db.At(c).children)
          if (db.At(e).type == VELAN_OT_ECU) AppendRef(out, db.At(e).id);
      }
      return true;
    case kClusterSignals:
      for (uint32_t f : cl.children)
        if (db.At(f).type == VELAN_OT_TRIGGERING) AppendFrameSignals(db, db.At(f), out);
      return true;
  }
  return false;
}

// Timing of a frame from the PDU of its first PDU_INST whose PDU has timing
// objects: 0 cyclic, 1 event (or none), 4 both (with the cycle time).
void FrameTiming(Database& db, const Object& frame, uint32_t* type, double* time) {
  *type = 1;
  *time = 0;
  for (uint32_t pi : frame.children) {
    if (db.At(pi).type != VELAN_OT_PDU_INST) continue;
    const Object* pdu = LinkedPdu(db, db.At(pi));
    if (!pdu) continue;
    const Object* cyclic = FirstChild(db, *pdu, VELAN_OT_CYCLIC_TIMING);
    const Object* event = FirstChild(db, *pdu, VELAN_OT_EVENT_TIMING);
    if (!cyclic && !event) continue;
    if (cyclic) {
      *type = event ? 4 : 0;
      *time = Stored<double>(*cyclic, IDIP_CYCT_TIME_RANGE_VALUE_F64, 0);
    } else {
      *type = 1;
      *time = Stored<double>(*event, IDIP_EVT_DEBOUNCE_TIME_F64, 0);
    }
    return;
  }
}

bool FrameValue(Database& db, const Object& fr, uint32_t propertyId, std::string* out) {
  switch (propertyId) {
    case kFrameName:
      PutText(out, fr.name);
      return true;
    case kFrameComment:
      PutText(out, StoredText(fr, IDIP_TRIG_COMMENT_STR));
      return true;
    case kFrameExtended:
      PutFlag(out, Stored<int16_t>(fr, IDIP_TRIG_EXTENDED_I16, 0) != 0);
      return true;
    case kFrameIdentifier:
      Put<uint32_t>(out, static_cast<uint32_t>(Stored<int32_t>(fr, IDIP_TRIG_IDENTIFIER_I32, 0)));
      return true;
    case kFrameLength:
      Put<uint32_t>(out, Stored<uint32_t>(fr, IDIP_TRIG_NUM_BYTES_U32, 0));
      return true;
    case kFrameSignals:
      AppendFrameSignals(db, fr, out);
      return true;
    case kFrameCanIoMode:
      Put<uint32_t>(out, Stored<uint32_t>(fr, IDIP_TRIG_CAN_FD_MODE_U32, 0));
      return true;
    case kFrameTimingType:
    case kFrameTime: {
      uint32_t type;
      double time;
      FrameTiming(db, fr, &type, &time);
      if (propertyId == kFrameTimingType)
        Put<uint32_t>(out, type);
      else
        Put<double>(out, time);
      return true;
    }
    case kFrameAppProtocol:
      Put<uint32_t>(out, Stored<uint32_t>(fr, IDIP_TRIG_APP_PROTOCOL_U32, 0));
      return true;
  }
  return false;
}

// Frames named by the TX_TRIG or RX_TRIG children of an ECU's CONNECTOR.
void AppendEcuFrames(Database& db, const Object& ecu, uint32_t portType, uint32_t propertyId,
                     std::string* list) {
  if (ecu.parent == kNoNumber) return;
  for (uint32_t p : db.At(ecu.parent).children) {
    const Object& port = db.At(p);
    if (port.type != portType || !Has(port, propertyId)) continue;
    uint64_t frame = Stored<uint64_t>(port, propertyId, 0);
    if (frame) AppendRef(list, frame);
  }
}

bool EcuValue(Database& db, const Object& ecu, uint32_t propertyId, std::string* out) {
  const Object& connector = db.At(ecu.parent);
  switch (propertyId) {
    case kEcuName:
      PutText(out, ecu.name);
      return true;
    case kEcuComment:
      PutText(out, StoredText(ecu, IDIP_ECU_COMMENT_STR));
      return true;
    case kEcuReceived:
      AppendEcuFrames(db, ecu, VELAN_OT_RX_TRIG, IDIP_RX_TRIG_IOID, out);
      return true;
    case kEcuTransmitted:
      AppendEcuFrames(db, ecu, VELAN_OT_TX_TRIG, IDIP_TX_TRIG_IOID, out);
      return true;
    case kEcuJ1939Address:
      Put<uint32_t>(out, Stored<uint8_t>(connector, IDIP_CON_J1939_ADDR_U8, 254));
      return true;
    case kEcuJ1939Name:
      Put<uint64_t>(out, Stored<uint64_t>(connector, IDIP_CON_J1939_NAME_U64, 0));
      return true;
  }
  return false;
}

// The SUB_FRAME a SIGNAL is linked to, preferring one of the given PDU.
const Object* SubFrameOf(Database& db, const Object& signal, uint32_t pdu) {
  const Object* first = nullptr;
  for (uint32_t p : signal.extraParents) {
    const Object& parent = db.At(p);
    if (parent.type != VELAN_OT_SUB_FRAME) continue;
    if (parent.parent == pdu) return &parent;
    if (!first) first = &parent;
  }
  return first;
}

// A multiplexer switch as a signal of the read view: name, position and
// size from the switch, the rest fixed.
bool MultiplexerValue(const Object& source, uint32_t pduStart, uint32_t propertyId,
                      std::string* out) {
  const uint32_t bits = Stored<uint32_t>(source, IDIP_MUX_SW_NUM_BITS_U32, 0);
  switch (propertyId) {
    case kSignalName:
      PutText(out, source.name);
      return true;
    case kSignalComment:
    case kSignalUnit:
    case kSignalValueDescriptions:
      out->clear();
      return true;
    case kSignalMultiplexer:
      PutFlag(out, true);
      return true;
    case kSignalModeDependent:
      PutFlag(out, false);
      return true;
    case kSignalModeValue:
      Put<uint32_t>(out, 0);
      return true;
    case kSignalStartBit:
      Put<uint32_t>(out, pduStart + Stored<uint16_t>(source, IDIP_MUX_SW_START_BIT_U16, 0));
      return true;
    case kSignalBits:
      Put<uint32_t>(out, bits);
      return true;
    case kSignalByteOrder:
      Put<uint32_t>(out, Stored<int16_t>(source, IDIP_MUX_SW_BYTE_ORDER_I16, 0) != 0 ? 1 : 0);
      return true;
    case kSignalDataType:
      Put<uint32_t>(out, 1);
      return true;
    case kSignalFactor:
      Put<double>(out, 1);
      return true;
    case kSignalOffset:
    case kSignalMinimum:
    case kSignalDefault:
      Put<double>(out, 0);
      return true;
    case kSignalMaximum:
      Put<double>(out, bits >= 32 ? 4294967295.0 : static_cast<double>((uint64_t{1} << bits) - 1));
      return true;
  }
  return false;
}

// An ordinary signal of the read view: the SIGNAL below the SIG_INST
// `source`, its CODING and the SUB_FRAME that makes it mode dependent.
bool PlainSignalValue(Database& db, const ViewSignal& s, uint32_t pduStart, uint32_t propertyId,
                      std::string* out) {
  const Object& source = db.At(s.source);
  const Object& signal = db.At(s.signal);
  // The coding was found when the view was built; the sub-frame is looked
  // up only by the properties that need it.
  static const Object kNoCoding;
  auto coding = [&]() -> const Object& {
    return s.coding != kNoNumber ? db.At(s.coding) : kNoCoding;
  };
  switch (propertyId) {
    case kSignalName:
      PutText(out, signal.name);
      return true;
    case kSignalComment:
      PutText(out, StoredText(signal, IDIP_SIG_COMMENT_STR));
      return true;
    case kSignalUnit:
      PutText(out, StoredText(coding(), IDIP_COD_UNIT_STR));
      return true;
    case kSignalValueDescriptions:
      // The stored encoding is the read encoding (velan/value_descriptions.h).
      out->assign(StoredText(coding(), IDIP_COD_VALUE_DESCS_VTAB));
      return true;
    case kSignalMultiplexer:
      PutFlag(out, false);
      return true;
    case kSignalModeDependent:
      PutFlag(out, SubFrameOf(db, signal, source.parent) != nullptr);
      return true;
    case kSignalModeValue: {
      const Object* subFrame = SubFrameOf(db, signal, source.parent);
      Put<uint32_t>(out, subFrame ? Stored<uint32_t>(*subFrame, IDIP_SUBF_SWITCH_CODE_U32, 0) : 0);
      return true;
    }
    case kSignalStartBit:
      Put<uint32_t>(out, pduStart + Stored<uint16_t>(source, IDIP_SGI_START_BIT_U16, 0));
      return true;
    case kSignalBits:
      Put<uint32_t>(out, Stored<uint32_t>(coding(), IDIP_COD_NUM_BITS_U32, 0));
      return true;
    case kSignalByteOrder:
      Put<uint32_t>(out, Stored<int16_t>(source, IDIP_SGI_BYTE_ORDER_I16, 0) != 0 ? 1 : 0);
      return true;
    case kSignalDataType:
      Put<uint32_t>(out,
                    static_cast<uint16_t>(Stored<int16_t>(coding(), IDIP_COD_DATA_TYPE_I16, 0)));
      return true;
    case kSignalFactor:
      Put<double>(out, Stored<double>(coding(), IDIP_COD_FACTOR_F64, 1));
      return true;
    case kSignalOffset:
      Put<double>(out, Stored<double>(coding(), IDIP_COD_OFFSET_F64, 0));
      return true;
    case kSignalMinimum:
      Put<double>(out, Stored<double>(coding(), IDIP_COD_MIN_VAL_F64, 0));
      return true;
    case kSignalMaximum:
      Put<double>(out, Stored<double>(coding(), IDIP_COD_MAX_VAL_F64, 0));
      return true;
    case kSignalDefault:
      // Unset: the physical value of raw 0, so that no start value is written.
      Put<double>(out, Has(signal, IDIP_SIG_DEFAULT_VALUE_F64)
                           ? Stored<double>(signal, IDIP_SIG_DEFAULT_VALUE_F64, 0)
                           : Stored<double>(coding(), IDIP_COD_OFFSET_F64, 0));
      return true;
  }
  return false;
}

bool SignalValue(Database& db, const ViewSignal& s, uint32_t propertyId, std::string* out) {
  if (propertyId == kSignalFrame) {
    Put<uint32_t>(out, static_cast<uint32_t>(db.At(s.frame).id));
    return true;
  }
  const uint32_t pduStart = Stored<uint16_t>(db.At(s.pduInst), IDIP_PDUI_START_BIT_U16, 0);
  if (s.multiplexer) return MultiplexerValue(db.At(s.source), pduStart, propertyId, out);
  return PlainSignalValue(db, s, pduStart, propertyId, out);
}

}  // namespace

int32_t ReadValue(uint32_t reference, uint32_t propertyId, std::string* out, uint32_t* detail) {
  out->clear();
  Store& store = Store::Get();
  const Slot* slot = store.FindSlot(reference);
  if (!slot) {
    *detail = VDBA_DETAIL_UNKNOWN_REFERENCE;
    return Fail(static_cast<int32_t>(VDBA_E_UNKNOWN_REFERENCE), "no object with reference %" PRIu32,
                reference);
  }
  Database& db = *slot->db;
  bool found = false;
  if (slot->kind == SlotKind::ViewSignal) {
    CurrentView(db);  // may move or free this reference
    slot = store.FindSlot(reference);
    if (!slot) {
      *detail = VDBA_DETAIL_UNKNOWN_REFERENCE;
      return Fail(static_cast<int32_t>(VDBA_E_UNKNOWN_REFERENCE),
                  "signal reference %" PRIu32 " vanished with a change", reference);
    }
    found = SignalValue(db, db.view->signals[slot->index], propertyId, out);
  } else {
    const Object& o = db.At(slot->index);
    switch (o.type) {
      case VELAN_OT_DATABASE:
        found = DatabaseValue(db, propertyId, out);
        break;
      case VELAN_OT_CLUSTER:
        found = ClusterValue(db, o, propertyId, out);
        break;
      case VELAN_OT_TRIGGERING:
        found = FrameValue(db, o, propertyId, out);
        break;
      case VELAN_OT_ECU:
        found = EcuValue(db, o, propertyId, out);
        break;
      default:
        break;
    }
  }
  if (!found) {
    *detail = VDBA_DETAIL_NO_PROPERTY;
    return Fail(static_cast<int32_t>(VDBA_E_NO_PROPERTY),
                "object %" PRIu32 " has no property 0x%08" PRIX32, reference, propertyId);
  }
  return VDB_OK;
}

}  // namespace vdb

#include "real_host.h"

#include <gtest/gtest.h>

#include <cstring>

#include "velan/host_vocabulary.h"
#include "velan/value_descriptions.h"
#include "velan/velandb_host.h"
#include "velan/velandb_import.h"

namespace vldbcex_test {
namespace {

class Builder {
 public:
  explicit Builder(uint32_t handle) : handle_(handle) {}

  bool ok = true;

  uint64_t Child(uint32_t type, const std::string& name, uint32_t parentType, uint64_t parent) {
    uint64_t id = 0;
    Check(imp_CreateChildObject(handle_, type, name.c_str(), parentType, parent, &id),
          "create " + name);
    return id;
  }
  void Link(uint32_t type, uint64_t id, uint32_t parentType, uint64_t parent) {
    Check(imp_LinkToParent(handle_, type, id, parentType, parent), "link");
  }
  void Set(uint64_t id, uint32_t property, const void* value, uint32_t size) {
    Check(imp_SetProperty(handle_, id, property, value, size), "set property");
  }
  void SetI16(uint64_t id, uint32_t property, int16_t v) { Set(id, property, &v, 2); }
  void SetU16(uint64_t id, uint32_t property, uint16_t v) { Set(id, property, &v, 2); }
  void SetU32(uint64_t id, uint32_t property, uint32_t v) { Set(id, property, &v, 4); }
  void SetI32(uint64_t id, uint32_t property, int32_t v) { Set(id, property, &v, 4); }
  void SetU64(uint64_t id, uint32_t property, uint64_t v) { Set(id, property, &v, 8); }
  void SetU8(uint64_t id, uint32_t property, uint8_t v) { Set(id, property, &v, 1); }
  void SetF64(uint64_t id, uint32_t property, double v) { Set(id, property, &v, 8); }
  void SetText(uint64_t id, uint32_t property, const std::string& text) {
    Set(id, property, text.c_str(), static_cast<uint32_t>(text.size() + 1));
  }

 private:
  void Check(int32_t result, const std::string& what) {
    if (result != 0) {
      ok = false;
      ADD_FAILURE() << what << " answered " << result << ": " << RealDatabase::LastError();
    }
  }

  uint32_t handle_;
};

}  // namespace

RealDatabase::RealDatabase() {
  if (vdbCreateDatabase("test", &handle_) != VDB_OK) ADD_FAILURE() << LastError();
}

RealDatabase::~RealDatabase() {
  if (handle_ != 0) vdbDestroyDatabase(handle_);
}

std::string RealDatabase::LastError() {
  return vdbLastError();
}

std::vector<uint32_t> RealDatabase::Build(const std::vector<TCluster>& clusters) {
  Builder b(handle_);
  std::vector<uint32_t> result;
  for (const TCluster& cl : clusters) {
    const uint64_t c = b.Child(VELAN_OT_CLUSTER, cl.name, VELAN_OT_DATABASE, handle_);
    result.push_back(static_cast<uint32_t>(c));
    b.SetI16(c, IDIP_CLUSTER_PROTOCOL_I16, static_cast<int16_t>(cl.protocol));
    b.SetU32(c, IDIP_CLUSTER_CAN_FD_MODE_U32, cl.canIoMode);
    b.SetU32(c, IDIP_CLUSTER_APP_PROTOCOL_U32, cl.appProtocol);
    if (!cl.comment.empty()) b.SetText(c, IDIP_CLUSTER_COMMENT_STR, cl.comment);
    std::vector<uint64_t> triggerings;
    for (const TFrame& fr : cl.frames) {
      const uint64_t t = b.Child(VELAN_OT_TRIGGERING, fr.name, VELAN_OT_CLUSTER, c);
      triggerings.push_back(t);
      b.SetI32(t, IDIP_TRIG_IDENTIFIER_I32, static_cast<int32_t>(fr.identifier));
      b.SetI16(t, IDIP_TRIG_EXTENDED_I16, fr.extended ? 1 : 0);
      b.SetU32(t, IDIP_TRIG_NUM_BYTES_U32, fr.length);
      b.SetU32(t, IDIP_TRIG_CAN_FD_MODE_U32, fr.canIoMode);
      b.SetU32(t, IDIP_TRIG_APP_PROTOCOL_U32, fr.appProtocol);
      if (!fr.comment.empty()) b.SetText(t, IDIP_TRIG_COMMENT_STR, fr.comment);
      // One PDU at byte 0 of the frame.
      const uint64_t pdu = b.Child(VELAN_OT_PDU, fr.name + "_pdu", VELAN_OT_CLUSTER, c);
      b.SetU32(pdu, IDI_PDU_NUM_BYTES_U32, fr.length);
      const uint64_t inst = b.Child(VELAN_OT_PDU_INST, "", VELAN_OT_TRIGGERING, t);
      b.SetU16(inst, IDIP_PDUI_START_BIT_U16, 0);
      b.Link(VELAN_OT_PDU, pdu, VELAN_OT_PDU_INST, inst);
      if (fr.timing == TTiming::kCyclic || fr.timing == TTiming::kBoth) {
        const uint64_t ct = b.Child(VELAN_OT_CYCLIC_TIMING, "", VELAN_OT_PDU, pdu);
        b.SetF64(ct, IDIP_CYCT_TIME_RANGE_VALUE_F64, fr.cycle);
      }
      if (fr.timing == TTiming::kEvent || fr.timing == TTiming::kBoth) {
        const uint64_t et = b.Child(VELAN_OT_EVENT_TIMING, "", VELAN_OT_PDU, pdu);
        if (fr.debounce) b.SetF64(et, IDIP_EVT_DEBOUNCE_TIME_F64, *fr.debounce);
      }
      for (const TSignal& sg : fr.signals) {
        if (sg.multiplexer) {
          // The host gives the selector of a multiplexed PDU as a signal.
          const uint64_t mux = b.Child(VELAN_OT_MULTIPLEXER, sg.name, VELAN_OT_PDU, pdu);
          b.SetU16(mux, IDIP_MUX_SW_START_BIT_U16, static_cast<uint16_t>(sg.startBit));
          b.SetU32(mux, IDIP_MUX_SW_NUM_BITS_U32, sg.bits);
          b.SetI16(mux, IDIP_MUX_SW_BYTE_ORDER_I16, static_cast<int16_t>(sg.byteOrder));
          continue;
        }
        const uint64_t si = b.Child(VELAN_OT_SIG_INST, "", VELAN_OT_PDU, pdu);
        b.SetU16(si, IDIP_SGI_START_BIT_U16, static_cast<uint16_t>(sg.startBit));
        b.SetI16(si, IDIP_SGI_BYTE_ORDER_I16, static_cast<int16_t>(sg.byteOrder));
        const uint64_t s = b.Child(VELAN_OT_SIGNAL, sg.name, VELAN_OT_SIG_INST, si);
        if (!sg.comment.empty()) b.SetText(s, IDIP_SIG_COMMENT_STR, sg.comment);
        if (sg.defaultValue) b.SetF64(s, IDIP_SIG_DEFAULT_VALUE_F64, *sg.defaultValue);
        const uint64_t cod = b.Child(VELAN_OT_CODING, "", VELAN_OT_SIGNAL, s);
        b.SetU32(cod, IDIP_COD_NUM_BITS_U32, sg.bits);
        b.SetI16(cod, IDIP_COD_DATA_TYPE_I16, static_cast<int16_t>(sg.dataType));
        b.SetF64(cod, IDIP_COD_FACTOR_F64, sg.factor);
        b.SetF64(cod, IDIP_COD_OFFSET_F64, sg.offset);
        b.SetF64(cod, IDIP_COD_MIN_VAL_F64, sg.minimum);
        b.SetF64(cod, IDIP_COD_MAX_VAL_F64, sg.maximum);
        if (!sg.unit.empty()) b.SetText(cod, IDIP_COD_UNIT_STR, sg.unit);
        std::string values;
        for (const auto& [v, text] : sg.values) VelanAppendValueDescription(values, v, text);
        if (!values.empty()) b.Set(cod, IDIP_COD_VALUE_DESCS_VTAB, values.data(), values.size());
        if (sg.modeDependent) {
          const uint64_t sub = b.Child(VELAN_OT_SUB_FRAME, sg.name + "_alt", VELAN_OT_PDU, pdu);
          b.SetU32(sub, IDIP_SUBF_SWITCH_CODE_U32, sg.modeValue);
          b.Link(VELAN_OT_SIGNAL, s, VELAN_OT_SUB_FRAME, sub);
        }
      }
    }
    for (const TEcu& ec : cl.ecus) {
      const uint64_t con = b.Child(VELAN_OT_CONNECTOR, "", VELAN_OT_CLUSTER, c);
      const uint64_t e = b.Child(VELAN_OT_ECU, ec.name, VELAN_OT_CONNECTOR, con);
      if (!ec.comment.empty()) b.SetText(e, IDIP_ECU_COMMENT_STR, ec.comment);
      if (ec.j1939Address) b.SetU8(con, IDIP_CON_J1939_ADDR_U8, *ec.j1939Address);
      if (ec.j1939Name) b.SetU64(con, IDIP_CON_J1939_NAME_U64, *ec.j1939Name);
      for (size_t i : ec.transmits) {
        const uint64_t tx = b.Child(VELAN_OT_TX_TRIG, "", VELAN_OT_CONNECTOR, con);
        b.SetU64(tx, IDIP_TX_TRIG_IOID, triggerings.at(i));
      }
      for (size_t i : ec.receives) {
        const uint64_t rx = b.Child(VELAN_OT_RX_TRIG, "", VELAN_OT_CONNECTOR, con);
        b.SetU64(rx, IDIP_RX_TRIG_IOID, triggerings.at(i));
      }
    }
  }
  if (!b.ok) return std::vector<uint32_t>(clusters.size(), 0);
  return result;
}

}  // namespace vldbcex_test

#include <gtest/gtest.h>

#include <string>

#include "import/host_names.h"
#include "velan/host_vocabulary.h"

namespace {

std::string TypeName(uint32_t type, size_t size = 256) {
  char buffer[256];
  return ObjectTypeName(type, buffer, size);
}

std::string PropName(uint32_t id, size_t size = 256) {
  char buffer[256];
  return PropertyName(id, buffer, size);
}

TEST(HostNames, ObjectTypes) {
  EXPECT_EQ(TypeName(0), "DATABASE");
  EXPECT_EQ(TypeName(10), "SIG_INST");
  EXPECT_EQ(TypeName(21), "IMP_OBJ_CONF_TRIG");
  // The unknown form has no closing bracket.
  EXPECT_EQ(TypeName(22), "[unknown: 0x00000016");
  EXPECT_EQ(TypeName(0xFFFFFFFFu), "[unknown: 0xFFFFFFFF");
}

TEST(HostNames, Properties) {
  EXPECT_EQ(PropName(0x00020001), "IDIP_CLUSTER_COMMENT_STR");
  EXPECT_EQ(PropName(0x0002002E), "IDIP_CLUSTER_CAN_FD_SPEED_U64");
  EXPECT_EQ(PropName(0x00150003), "IDIP_CFGFRM_MESSAGE_ID_U16");
  EXPECT_EQ(PropName(IDI_PDU_COMMENT_STR), "IDI_PDU_COMMENT_STR");
  // Two CONNECTOR properties share one name.
  EXPECT_EQ(PropName(0x000F0002), "IDIP_CON_CLUST_DRIFT_DAMP_U32");
  EXPECT_EQ(PropName(0x000F0003), "IDIP_CON_CLUST_DRIFT_DAMP_U32");
  EXPECT_EQ(PropName(0x000F0004), "IDIP_CON_LISTEN_TIMEOUT_U32");
  // Identifiers without a name.
  EXPECT_EQ(PropName(0x000F0022), "[unknown: 0x000F0022]");
  EXPECT_EQ(PropName(0x000E0001), "[unknown: 0x000E0001]");
  EXPECT_EQ(PropName(0x00000001), "[unknown: 0x00000001]");
  EXPECT_EQ(PropName(0x0002002F), "[unknown: 0x0002002F]");
}

TEST(HostNames, BoundedByTheBuffer) {
  EXPECT_EQ(TypeName(2, 4), "CLU");
  EXPECT_EQ(TypeName(30, 8), "[unknow");
  EXPECT_EQ(PropName(0x00020001, 5), "IDIP");
  EXPECT_EQ(PropName(0x00020001, 1), "");
  char untouched[2] = {'q', 'q'};
  ObjectTypeName(1, untouched, 0);
  PropertyName(0x00020001, untouched, 0);
  EXPECT_EQ(untouched[0], 'q');
}

}  // namespace

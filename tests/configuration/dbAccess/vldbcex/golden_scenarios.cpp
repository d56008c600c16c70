#include "golden_scenarios.h"

#include <cstdint>

namespace vldbcex_test {

const char kFixedHead[] = R"(VERSION ""

NS_ :
  NS_DESC_
  CM_
  BA_DEF_
  BA_
  VAL_
  CAT_DEF_
  CAT_
  FILTER
  BA_DEF_DEF_
  EV_DATA_
  ENVVAR_DATA_
  SGTYPE_
  SGTYPE_VAL_
  BA_DEF_SGTYPE_
  BA_SGTYPE_
  SIG_TYPE_REF_
  VAL_TABLE_
  SIG_GROUP_
  SIG_VALTYPE_
  SIGTYPE_VALTYPE_
  BO_TX_BU_
  BA_DEF_REL_
  BA_REL_
  BA_DEF_DEF_REL_
  BU_SG_REL_
  BU_EV_REL_
  BU_BO_REL_
  SG_MUL_VAL_

BS_ :

)";

const char kFrameEnumDefs[] =
    R"(BA_DEF_ BO_ "VFrameFormat" ENUM "StandardCAN","ExtendedCAN","reserved","J1939PG","reserved","reserved","reserved","reserved","reserved","reserved","reserved","reserved","reserved","reserved","StandardCAN_FD","ExtendedCAN_FD";
BA_DEF_ BO_ "GenMsgSendType" ENUM "Cyclic","Event","CyclicIfActive","SpontanWithDelay","CyclicAndSpontan","CyclicAndSpontanWithDelay";
BA_DEF_ BO_ "GenMsgCycleTime" INT 0 0;
BA_DEF_ BO_ "GenMsgDelayTime" INT 0 0;
BA_DEF_ SG_ "GenSigStartValue" FLOAT 0 0;
)";

namespace {

const char kFrameDefaults[] = R"(BA_DEF_DEF_ "VFrameFormat" "StandardCAN";
BA_DEF_DEF_ "GenMsgSendType" "Cyclic";
BA_DEF_DEF_ "GenMsgCycleTime" 0;
BA_DEF_DEF_ "GenMsgDelayTime" 0;
BA_DEF_DEF_ "GenSigStartValue" 0;
)";

TSignal Signal(const std::string& name, uint32_t start, uint32_t bits) {
  TSignal s;
  s.name = name;
  s.startBit = start;
  s.bits = bits;
  s.maximum = static_cast<double>((uint64_t{1} << (bits > 32 ? 32 : bits)) - 1);
  return s;
}

TSignal Multiplexer(const std::string& name, uint32_t start, uint32_t bits) {
  TSignal s = Signal(name, start, bits);
  s.multiplexer = true;
  return s;
}

}  // namespace

TCluster ClassicCluster() {
  TCluster c;
  c.name = "Body";
  TFrame f;
  f.name = "Status";
  f.identifier = 256;
  f.length = 2;
  f.timing = TTiming::kCyclic;
  f.cycle = 0.1;
  f.comment = "Status of the \"main\" unit";
  f.signals.push_back(Multiplexer("Mode", 0, 4));
  TSignal level = Signal("Level", 8, 8);
  level.modeDependent = true;
  level.modeValue = 1;
  level.dataType = 0;
  level.factor = 0.5;
  level.offset = -10;
  level.minimum = -74;
  level.maximum = 53.5;
  level.unit = "%";
  level.defaultValue = 20;
  f.signals.push_back(level);
  c.frames.push_back(f);
  TEcu gw;
  gw.name = "Gateway";
  gw.transmits = {0};
  c.ecus.push_back(gw);
  return c;
}

std::string ClassicExpected() {
  return std::string(kFixedHead) + R"(BU_ : Gateway

BO_ 256 Status: 2 Gateway
  SG_ Mode M : 0|4@1+ (1,0) [0|15] "" Vector__XXX
  SG_ Level m1 : 8|8@1- (0.5,-10) [-74|53.5] "%" Vector__XXX

CM_ BO_ 256 "Status of the \"main\" unit";
BA_DEF_ "DBName" STRING;
BA_DEF_ "BusType" STRING;
)" + kFrameEnumDefs +
         R"(BA_DEF_DEF_ "DBName" "Body";
BA_DEF_DEF_ "BusType" "CAN";
)" + kFrameDefaults +
         R"(BA_ "VFrameFormat" BO_ 256 0;
BA_ "GenMsgSendType" BO_ 256 0;
BA_ "GenMsgCycleTime" BO_ 256 100;
BA_ "GenSigStartValue" SG_ 256 Level 60;
)";
}

std::string ClassicListing() {
  return "frame 256 0 Status 2 Gateway\n"
         "  Mode 0|4@le unsigned (1,0) [0|15] - - M\n"
         "  Level 8|8@le signed (0.5,-10) [-74|53.5] % - m1\n";
}

TCluster FdJ1939Cluster(bool forRealHost) {
  TCluster c;
  c.name = "ChassisFD";
  c.comment = "Bus \\";
  c.canIoMode = 2;
  c.appProtocol = 1;

  TFrame f0;  // J1939, extended, event with delay
  f0.name = "EngineData";
  f0.identifier = 0x18FEF100;
  f0.extended = true;
  f0.length = 12;
  f0.canIoMode = 2;
  f0.appProtocol = 1;
  f0.timing = TTiming::kEvent;
  f0.debounce = 0.02;
  TSignal speed = Signal("Speed", 0, 64);
  speed.dataType = 2;
  speed.maximum = 1000;
  TSignal torque = Signal("Torque", 64, 32);
  torque.dataType = 2;
  torque.maximum = 100;
  torque.unit = "Nm";
  torque.comment = "say \"hi\"\nnext";
  f0.signals = {speed, torque};

  TFrame f1;  // extended CAN FD, event without delay
  f1.name = "BrakeFD";
  f1.identifier = 0x1FF;
  f1.extended = true;
  f1.length = 8;
  f1.canIoMode = 2;
  f1.timing = TTiming::kEvent;
  TSignal pressure = Signal("Pressure", 8, 12);
  pressure.byteOrder = 1;
  pressure.factor = 0.1;
  pressure.offset = -40;
  pressure.minimum = -40;
  pressure.maximum = 369.5;
  pressure.unit = "bar";
  TSignal valve = Signal("Valve", 20, 1);
  valve.byteOrder = 1;
  valve.values = {{0, "Closed"}, {1, "Open \"full\""}};
  TSignal temp = Signal("Temp", 24, 8);
  temp.dataType = 0;
  temp.factor = 0.5;
  temp.offset = -10;
  temp.minimum = -74;
  temp.maximum = 53.5;
  temp.unit = "degC";
  temp.defaultValue = 20;
  temp.values = {{-1, "n/a"}};
  TSignal zeroed = Signal("Zeroed", 32, 8);
  zeroed.factor = 0;
  zeroed.maximum = 0;
  zeroed.defaultValue = 5;
  f1.signals = {pressure, valve, temp, zeroed};

  TFrame f2;  // standard CAN FD without bit-rate switch, cyclic
  f2.name = "Misc";
  f2.identifier = 0x123;
  f2.length = 8;
  f2.canIoMode = 1;
  f2.timing = TTiming::kCyclic;
  f2.cycle = 0.1;
  f2.comment = "Quote \"x\" and CRLF\r\nend";
  f2.signals.push_back(Multiplexer("Sel", 0, 4));
  if (!forRealHost) {
    TSignal both = Multiplexer("Both", 4, 4);
    both.modeDependent = true;
    both.modeValue = 1;
    f2.signals.push_back(both);
  }
  TSignal leaf = Signal("Leaf", 8, 8);
  leaf.modeDependent = true;
  leaf.modeValue = 3;
  leaf.values = {{255, "SNA"}, {3, "Three"}};
  f2.signals.push_back(leaf);

  TFrame f3;  // cyclic and spontaneous, no signals
  f3.name = "Timed";
  f3.identifier = 0x200;
  f3.length = 8;
  f3.canIoMode = 2;
  f3.timing = TTiming::kBoth;
  f3.cycle = 0.05;

  c.frames = {f0, f1, f2, f3};

  TEcu engine;
  engine.name = "Engine";
  engine.comment = "line1\\nline2";
  engine.transmits = {0};
  engine.receives = {2};
  TEcu unnamed;  // an ECU without a name sends BrakeFD and receives Misc
  unnamed.transmits = {1};
  unnamed.receives = {2};
  TEcu brake;
  brake.name = "Brake";
  brake.transmits = {0};
  brake.receives = {0, 2};
  brake.j1939Address = 33;
  brake.j1939Name = uint64_t{12345} | uint64_t{291} << 21 | uint64_t{2} << 32 | uint64_t{3} << 35 |
                    uint64_t{130} << 40 | uint64_t{5} << 49 | uint64_t{1} << 56 |
                    uint64_t{2} << 60 | uint64_t{1} << 63;
  TEcu display;
  display.name = "Display";
  display.receives = {1};
  display.j1939Name = uint64_t{1} << 63;
  c.ecus = {engine};
  if (!forRealHost) c.ecus.push_back(unnamed);
  c.ecus.push_back(brake);
  c.ecus.push_back(display);
  return c;
}

std::string FdJ1939Expected(bool forRealHost) {
  std::string text = kFixedHead;
  text += forRealHost ? "BU_ : Engine Brake Display\n\n" : "BU_ : Engine  Brake Display\n\n";
  text += R"(BO_ 2566844672 EngineData: 12 Engine
  SG_ Speed : 0|64@1+ (1,0) [0|1000] "" Brake
  SG_ Torque : 64|32@1+ (1,0) [0|100] "Nm" Brake

BO_ 2147484159 BrakeFD: 8 Vector__XXX
  SG_ Pressure : 3|12@0+ (0.10000000000000000555,-40) [-40|369.5] "bar" Display
  SG_ Valve : 20|1@0+ (1,0) [0|1] "" Display
  SG_ Temp : 24|8@1- (0.5,-10) [-74|53.5] "degC" Display
  SG_ Zeroed : 32|8@1+ (0,0) [0|0] "" Display

BO_ 291 Misc: 8 Vector__XXX
  SG_ Sel M : 0|4@1+ (1,0) [0|15] "" Engine,Brake
)";
  if (!forRealHost) text += "  SG_ Both m1M : 4|4@1+ (1,0) [0|15] \"\" Engine,Brake\n";
  text += R"(  SG_ Leaf m3 : 8|8@1+ (1,0) [0|255] "" Engine,Brake

BO_ 512 Timed: 8 Vector__XXX

CM_ "Bus \ ";
CM_ BU_ Engine "line1\nline2";
CM_ BO_ 291 "Quote \"x\" and CRLF)";
  // A CR LF in a comment becomes CR CR LF; CrLf() adds the CR before LF.
  text += "\r\nend\";\n";
  text += R"(CM_ SG_ 2566844672 Torque "say \"hi\"
next";
BA_DEF_ "DBName" STRING;
BA_DEF_ "BusType" STRING;
BA_DEF_ "ProtocolType" STRING;
BA_DEF_ BO_ "CANFD_BRS" ENUM "0","1";
)";
  text += kFrameEnumDefs;
  text += R"(BA_DEF_ BU_ "NmStationAddress" INT 0 255;
BA_DEF_ BU_ "NmJ1939AAC" INT 0 1;
BA_DEF_ BU_ "NmJ1939IndustryGroup" INT 0 7;
BA_DEF_ BU_ "NmJ1939System" INT 0 127;
BA_DEF_ BU_ "NmJ1939SystemInstance" INT 0 15;
BA_DEF_ BU_ "NmJ1939Function" INT 0 255;
BA_DEF_ BU_ "NmJ1939FunctionInstance" INT 0 31;
BA_DEF_ BU_ "NmJ1939ECUInstance" INT 0 7;
BA_DEF_ BU_ "NmJ1939ManufacturerCode" INT 0 2047;
BA_DEF_ BU_ "NmJ1939IdentityNumber" INT 0 2097151;
BA_DEF_DEF_ "DBName" "ChassisFD";
BA_DEF_DEF_ "BusType" "CAN FD";
BA_DEF_DEF_ "ProtocolType" "J1939";
BA_DEF_DEF_ "CANFD_BRS" "1";
)";
  text += kFrameDefaults;
  text += R"(BA_DEF_DEF_ "NmStationAddress" 254;
BA_DEF_DEF_ "NmJ1939AAC" 0;
BA_DEF_DEF_ "NmJ1939IndustryGroup" 0;
BA_DEF_DEF_ "NmJ1939System" 0;
BA_DEF_DEF_ "NmJ1939SystemInstance" 0;
BA_DEF_DEF_ "NmJ1939Function" 0;
BA_DEF_DEF_ "NmJ1939FunctionInstance" 0;
BA_DEF_DEF_ "NmJ1939ECUInstance" 0;
BA_DEF_DEF_ "NmJ1939ManufacturerCode" 0;
BA_DEF_DEF_ "NmJ1939IdentityNumber" 0;
BA_ "VFrameFormat" BO_ 2566844672 3;
BA_ "GenMsgSendType" BO_ 2566844672 3;
BA_ "GenMsgDelayTime" BO_ 2566844672 20;
BA_ "VFrameFormat" BO_ 2147484159 15;
BA_ "GenMsgSendType" BO_ 2147484159 1;
BA_ "VFrameFormat" BO_ 291 14;
BA_ "GenMsgSendType" BO_ 291 0;
BA_ "GenMsgCycleTime" BO_ 291 100;
BA_ "CANFD_BRS" BO_ 291 0;
BA_ "VFrameFormat" BO_ 512 14;
BA_ "GenMsgSendType" BO_ 512 4;
BA_ "GenMsgCycleTime" BO_ 512 50;
BA_ "GenSigStartValue" SG_ 2147484159 Temp 60;
BA_ "NmStationAddress" BU_ Brake 33;
BA_ "NmJ1939IdentityNumber" BU_ Brake 12345;
BA_ "NmJ1939ManufacturerCode" BU_ Brake 291;
BA_ "NmJ1939ECUInstance" BU_ Brake 2;
BA_ "NmJ1939FunctionInstance" BU_ Brake 3;
BA_ "NmJ1939Function" BU_ Brake 130;
BA_ "NmJ1939SystemInstance" BU_ Brake 1;
BA_ "NmJ1939System" BU_ Brake 5;
BA_ "NmJ1939IndustryGroup" BU_ Brake 2;
BA_ "NmJ1939AAC" BU_ Brake 1;
BA_ "NmJ1939AAC" BU_ Display 1;
VAL_ 2147484159 Valve 0 "Closed" 1 "Open \"full\"" ;
VAL_ 2147484159 Temp -1 "n/a" ;
VAL_ 291 Leaf 255 "SNA" 3 "Three" ;
SIG_VALTYPE_ 2566844672 Speed : 2;
SIG_VALTYPE_ 2566844672 Torque : 1;
)";
  return text;
}

std::string FdJ1939Listing(bool forRealHost) {
  std::string listing = forRealHost ? "frame 291 0 Misc 8 -\n" : "frame 291 0 Misc 8 - complex\n";
  listing += "  Sel 0|4@le unsigned (1,0) [0|15] - Engine,Brake M\n";
  if (!forRealHost) listing += "  Both 4|4@le unsigned (1,0) [0|15] - Engine,Brake M\n";
  listing +=
      "  Leaf 8|8@le unsigned (1,0) [0|255] - Engine,Brake m3\n"
      "frame 511 1 BrakeFD 8 -\n"
      "  Pressure 3|12@be unsigned (0.10000000000000001,-40) [-40|369.5] bar Display -\n"
      "  Valve 20|1@be unsigned (1,0) [0|1] - Display -\n"
      "  Temp 24|8@le signed (0.5,-10) [-74|53.5] degC Display -\n"
      "  Zeroed 32|8@le unsigned (0,0) [0|0] - Display -\n"
      "frame 512 0 Timed 8 -\n"
      "frame 419361024 1 EngineData 12 Engine\n"
      "  Speed 0|64@le float (1,0) [0|1000] - Brake -\n"
      "  Torque 64|32@le float (1,0) [0|100] Nm Brake -\n";
  return listing;
}

TCluster EmptyFdCluster() {
  TCluster c;
  c.name = "Spare";
  c.canIoMode = 1;
  return c;
}

std::string EmptyFdExpected() {
  return std::string(kFixedHead) + R"(BU_ :

BA_DEF_ "DBName" STRING;
BA_DEF_ "BusType" STRING;
BA_DEF_ BO_ "CANFD_BRS" ENUM "0","1";
)" + kFrameEnumDefs +
         R"(BA_DEF_DEF_ "DBName" "Spare";
BA_DEF_DEF_ "BusType" "CAN FD";
BA_DEF_DEF_ "CANFD_BRS" "0";
)" + kFrameDefaults;
}

}  // namespace vldbcex_test

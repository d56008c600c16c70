// LIN schedule tables: SCHED_TABLE objects with their SCHED_ENTRY children,
// the frame slots of the entries (unconditional, sporadic, event-triggered)
// and the generated collision-resolving tables of event-triggered frames.
// All tables of a cluster are created first, so that an entry can refer to
// any table of its cluster; the entries are filled in a second pass.
#include <cstdint>
#include <new>
#include <vector>

#include "convert/converter4.h"
#include "import/convert_ctx.h"
#include "import/scoped.h"
#include "resolve/short_name_resolver.h"
#include "velan/host_vocabulary.h"
#include "xml/navigation.h"

namespace {

// Schedule records keep elements in 64-bit fields.
uint64_t ElementKey(const exElement* element) {
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(element));
}

const exElement* KeyElement(uint64_t key) {
  return reinterpret_cast<const exElement*>(static_cast<uintptr_t>(key));
}

const char kScheduleEntryName[] = "ScheduleTableEntry";

}  // namespace

void cConverter4::ConvertScheduleTables() {
  if (IsError() || currentCluster == nullptr || currentCluster->type != kClusterLin) return;
  const exElement* tables = FindChild(channelA, "AR:SCHEDULE-TABLES");
  if (tables == nullptr) return;
  exElementVector list;
  CollectChildrenCounted(ctx, tables, "AR:LIN-SCHEDULE-TABLE", list, 0, 0);
  for (const exElement* table : list) {
    if (IsError()) return;
    cAutoRestore<const exElement*> current(currentScheduleTable, table);
    ConvertScheduleTable();
  }
}

void cConverter4::ConvertScheduleTable() {
  const char* name = CurrentScheduleTableName();
  if (name == nullptr) return;
  const exElement* table = currentScheduleTable;

  uint64_t tableIoid = 0;
  cCvST* record = CreateScheduleTableObject(name, false, tableIoid);
  if (record == nullptr) return;

  FillEntryPositions(record, FindChild(table, "AR:TABLE-ENTRYS"));
  for (const auto& position : record->positions) {
    if (IsError()) return;
    if (!CreateScheduleEntry(tableIoid, *record, position.second)) return;
  }
}

bool cConverterBase::CollectEntryFrames(const exElement* frame, uint32_t kind,
                                        const char* containerName, const char* refName,
                                        std::vector<uint64_t>& ioids) {
  if (kind == 0) return AppendFrameTriggeringIoid(frame, ioids);
  if (const exElement* container = RequireChild(ctx, frame, containerName)) {
    exElementVector refs;
    CollectChildrenCounted(ctx, container, refName, refs, 1, 0);
    CollectFrameTriggeringIoids(refs, ioids);
  }
  return true;
}

const char* cConverterBase::CurrentScheduleTableName() {
  if (IsError() || currentCluster == nullptr || currentScheduleTable == nullptr) return nullptr;
  const char* name = RequireShortName(ctx, currentScheduleTable);
  if (name[0] == '\0') return nullptr;
  if (!MakeUniqueName(name, "_st")) return nullptr;
  return name;
}

cCvST* cConverterBase::CreateScheduleTableObject(const char* name, bool readPriority,
                                                 uint64_t& tableIoid) {
  const exElement* table = currentScheduleTable;
  tableIoid =
      ctx->CreateChildObject(VELAN_OT_SCHED_TABLE, name, VELAN_OT_CLUSTER, currentCluster->ioid);
  // Without an object there is nothing to fill, and records are keyed by IOID.
  if (tableIoid == 0) return nullptr;
  cCvST* record = CreateScheduleTableRecord(ctx, currentCluster->scheduleTables, tableIoid);
  if (record == nullptr) return nullptr;
  record->table = ElementKey(table);
  SetDescription(tableIoid, IDIP_SCHED_TABLE_COMMENT_STR, table);
  if (readPriority) {
    ReadAndSetProperty<cValueConverterU32>(ctx, tableIoid, IDIP_SCHED_TABLE_PRIORITY_U32, table,
                                           "AR:PRIORITY");
  }
  ReadAndSetPropertyIfPresent<cCv_lin_ScheduleTable_RUN_MODE>(
      ctx, tableIoid, IDIP_SCHED_TABLE_RUN_MODE_U32, table, "AR:RUN-MODE");
  return record;
}

bool cConverterBase::CreateScheduleEntry(uint64_t tableIoid, cCvST& table,
                                         const exElement* element) {
  const uint64_t entryIoid = ctx->CreateChildObject(VELAN_OT_SCHED_ENTRY, kScheduleEntryName,
                                                    VELAN_OT_SCHED_TABLE, tableIoid);
  if (entryIoid == 0) return true;
  cCvSTE* entryRecord = CreateScheduleEntryRecord(ctx, table.entries, entryIoid);
  if (entryRecord == nullptr) return false;
  entryRecord->first = ElementKey(element);
  ReadAndSetProperty<cValueConverterF64>(ctx, entryIoid, IDIP_SCHED_ENTRY_DELAY_F64, element,
                                         "AR:DELAY");
  return true;
}

void cConverter4::FillEntryPositions(cCvST* table, const exElement* tableEntrys) {
  if (table == nullptr) return;
  table->positions.clear();
  if (tableEntrys == nullptr) return;
  const size_t count = tableEntrys->ChildCount();
  for (size_t i = 0; i < count; ++i) {
    if (!AddEntryPosition(*table, tableEntrys->Child(i))) return;
  }
}

bool cConverterBase::AddEntryPosition(cCvST& table, const exElement* element) {
  cValueConverterU32 converter(ctx);
  uint32_t position = 0;
  if (!ReadTypedChild(converter, position, element, "AR:POSITION-IN-TABLE")) return true;
  try {
    // The first element at a position stays; later ones are dropped.
    table.positions.emplace(position, element);
  } catch (const std::bad_alloc&) {
    ctx->status.RaiseError(StatusOutOfMemory);
    return false;
  }
  return true;
}

uint32_t cConverter4::ClassifyScheduleEntry(const exElement* entry) {
  static const char* const kEntryNames[] = {
      "AR:APPLICATION-ENTRY", "AR:ASSIGN-FRAME-ID",          "AR:ASSIGN-FRAME-ID-RANGE",
      "AR:ASSIGN-NAD",        "AR:CONDITIONAL-CHANGE-NAD",   "AR:DATA-DUMP-ENTRY",
      "AR:FREE-FORMAT",       "AR:SAVE-CONFIGURATION-ENTRY",
  };
  for (uint32_t i = 0; i < sizeof kEntryNames / sizeof kEntryNames[0]; ++i) {
    if (IsNamed(entry, kEntryNames[i])) return i + 1;
  }
  return 0;
}

void cConverterBase::SetServiceType(uint64_t entryIoid, uint32_t kind) {
  // Service type by entry kind 2 to 9.
  static const uint8_t kServiceTypes[] = {6, 5, 1, 2, 3, 0, 4, 7};
  if (kind < 2 || kind > 9) return;
  ctx->SetPropertyU8(entryIoid, IDIP_SCHED_ENTRY_SERVICE_TYPE_U8, kServiceTypes[kind - 2]);
}

void cConverter4::ConvertScheduleEntries() {
  if (IsError() || currentCluster == nullptr || currentCluster->type != kClusterLin) return;
  for (const auto& table : currentCluster->scheduleTables) {
    for (const auto& slot : table.second->entries) {
      if (IsError()) return;
      const uint64_t entryIoid = slot.first;
      const exElement* entry = KeyElement(slot.second->first);
      const uint32_t kind = ClassifyScheduleEntry(entry);
      SetServiceType(entryIoid, kind);
      switch (kind) {
        case 1:
          ConvertUnconditionalEntry(entryIoid, entry);
          break;
        case 2:
          ConvertAssignFrameIdEntry(entryIoid, entry, false);
          break;
        case 3:
          ConvertAssignFrameIdRangeEntry(entryIoid, entry);
          break;
        case 4:
          ConvertAssignNadEntry(entryIoid, entry);
          break;
        case 5:
          ConvertConditionalChangeNadEntry(entryIoid, entry);
          break;
        case 6:
          ConvertDataDumpEntry(entryIoid, entry);
          break;
        case 7:
          ConvertFreeFormatEntry(entryIoid, entry);
          break;
        case 8:
          ConvertSaveConfigurationEntry(entryIoid, entry);
          break;
        case 9:
          ConvertAssignFrameIdEntry(entryIoid, entry, true);
          break;
        default:
          break;
      }
    }
  }
}

void cConverter4::ConvertUnconditionalEntry(uint64_t entryIoid, const exElement* entry) {
  if (IsError() || currentCluster == nullptr) return;
  const exElement* triggeringRef = FindChild(entry, "AR:FRAME-TRIGGERING-REF");
  const exElement* triggering =
      triggeringRef != nullptr ? FindReferenceTarget(ctx, triggeringRef) : nullptr;
  const exElement* frameRef = nullptr;
  if (triggering != nullptr) frameRef = RequireChild(ctx, triggering, "AR:FRAME-REF");
  const exElement* frame = ResolveReference(ctx, frameRef);
  if (frame == nullptr) return;

  const uint32_t kind = ClassifyLinFrame(frame);
  std::vector<uint64_t> ioids;
  const bool sporadic = kind == 1;
  if (!CollectEntryFrames(
          frame, kind, sporadic ? "AR:SUBSTITUTED-FRAME-REFS" : "AR:LIN-UNCONDITIONAL-FRAME-REFS",
          sporadic ? "AR:SUBSTITUTED-FRAME-REF" : "AR:LIN-UNCONDITIONAL-FRAME-REF", ioids)) {
    return;
  }
  if (kind == 2) {
    ReadAndSetProperty<cValueConverterU32>(ctx, entryIoid, IDIP_SCHED_ENTRY_EVENT_ID_U32,
                                           triggering, "AR:IDENTIFIER");
    uint64_t tableIoid = 0;
    const exElement* resolverRef = FindChild(entry, "AR:COLLISION-RESOLVING-SCHEDULE-REF");
    const exElement* resolver =
        resolverRef != nullptr ? FindReferenceTarget(ctx, resolverRef) : nullptr;
    if (resolver == nullptr ||
        !currentCluster->FindScheduleTableKey(ElementKey(resolver), &tableIoid)) {
      tableIoid = CreateCollisionResolverTable(frame, entry);
    }
    if (tableIoid != 0) {
      ctx->SetPropertyU64(entryIoid, IDIP_SCHED_ENTRY_COLLISION_TAB_IOID, tableIoid);
    }
  }
  if (IsError()) return;
  ctx->SetPropertyU32(entryIoid, IDIP_SCHED_ENTRY_TYPE_U32, kind);
  SetEntryTriggerings(entryIoid, ioids);
}

uint64_t cConverter4::CreateCollisionResolverTable(const exElement* frame, const exElement* entry) {
  if (IsError() || currentCluster == nullptr || currentCluster->ioid == 0) return 0;
  bool complete = true;
  return CreateCollisionTable(frame, "AR:LIN-UNCONDITIONAL-FRAME-REFS",
                              "AR:LIN-UNCONDITIONAL-FRAME-REF", entry, complete);
}

uint64_t cConverterBase::CreateCollisionTable(const exElement* frame, const char* refsName,
                                              const char* refName, const exElement* delaySource,
                                              bool& complete) {
  complete = true;
  const char* name = "CollisionResolver";
  if (!MakeUniqueName(name, "_crst")) return 0;
  const uint64_t tableIoid =
      ctx->CreateChildObject(VELAN_OT_SCHED_TABLE, name, VELAN_OT_CLUSTER, currentCluster->ioid);
  if (tableIoid == 0) return 0;

  exElementVector refs;
  CollectChildren(FindChild(frame, refsName), refName, refs);
  for (const exElement* ref : refs) {
    if (IsError()) {
      complete = false;
      break;
    }
    const cVFT* record = FindFrameRecordOf(ResolveReference(ctx, ref));
    if (record == nullptr || record->ioid == 0) continue;
    const uint64_t entryIoid = ctx->CreateChildObject(VELAN_OT_SCHED_ENTRY, kScheduleEntryName,
                                                      VELAN_OT_SCHED_TABLE, tableIoid);
    if (IsError()) {
      complete = false;
      break;
    }
    ctx->SetPropertyU32(entryIoid, IDIP_SCHED_ENTRY_TYPE_U32, 0);
    ctx->SetPropertyIoids(entryIoid, IDIP_SCHED_ENTRY_TRIGS_IOIDS, &record->ioid, 1);
    ReadAndSetProperty<cValueConverterF64>(ctx, entryIoid, IDIP_SCHED_ENTRY_DELAY_F64, delaySource,
                                           "AR:DELAY");
  }
  return tableIoid;
}

bool cConverterBase::AppendFrameTriggeringIoid(const exElement* frame,
                                               std::vector<uint64_t>& ioids) {
  const uint64_t ioid = FindFrameTriggeringIoid(frame);
  if (ioid == 0) return true;
  try {
    ioids.push_back(ioid);
  } catch (const std::bad_alloc&) {
    ctx->status.RaiseError(StatusOutOfMemory);
    return false;
  }
  return true;
}

uint64_t cConverterBase::FindFrameTriggeringIoid(const exElement* frame) {
  if (IsError() || currentCluster == nullptr) return 0;
  const char* name = RequireShortName(ctx, frame);
  const cVFT* record = currentCluster->frames.Find(name);
  return record != nullptr ? record->ioid : 0;
}

void cConverterBase::CollectFrameTriggeringIoids(const exElementVector& refs,
                                                 std::vector<uint64_t>& ioids) {
  if (IsError() || currentCluster == nullptr) return;
  for (const exElement* ref : refs) {
    const exElement* frame = ResolveReference(ctx, ref);
    if (frame == nullptr) continue;
    const char* name = RequireShortName(ctx, frame);
    const cVFT* record = currentCluster->frames.Find(name);
    if (record == nullptr) continue;
    try {
      ioids.push_back(record->ioid);
    } catch (const std::bad_alloc&) {
      ctx->status.RaiseError(StatusOutOfMemory);
      return;
    }
  }
}

void cConverterBase::SetEntryTriggerings(uint64_t entryIoid, const std::vector<uint64_t>& ioids) {
  if (ioids.empty()) return;
  ctx->SetPropertyIoids(entryIoid, IDIP_SCHED_ENTRY_TRIGS_IOIDS, ioids.data(),
                        static_cast<uint32_t>(ioids.size()));
}

cVFT* cConverterBase::FindFrameRecordOf(const exElement* frame) const {
  if (frame == nullptr || currentCluster == nullptr) return nullptr;
  for (const auto& entry : currentCluster->frames) {
    if (entry.second->frame == frame) return entry.second;
  }
  return nullptr;
}

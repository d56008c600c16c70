// AUTOSAR 3 LIN schedule tables. The tables are not listed with their
// entries; each LIN frame triggering carries RELATIVELY-SCHEDULED-TIMINGS
// that name a table, a position in it and a delay. The tables are built from
// those timings first, then their entries are written and filled.
// Event-triggered substitution frames get a generated collision-resolving
// table, kept in the collision map until their schedule entries are filled.
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "convert/converter3.h"
#include "import/convert_ctx.h"
#include "import/scoped.h"
#include "resolve/short_name_resolver.h"
#include "velan/host_vocabulary.h"
#include "xml/document.h"
#include "xml/navigation.h"

namespace {

const char kArRelativelyScheduledTimings[] = "AR:RELATIVELY-SCHEDULED-TIMINGS";
const char kArRelativelyScheduledTiming[] = "AR:RELATIVELY-SCHEDULED-TIMING";
const char kArDataTiming[] = "AR:DATA-TIMING";
const char kArSubstitutedFrameRefs[] = "AR:SUBSTITUTED-FRAME-REFS";
const char kArSubstitutedFrameRef[] = "AR:SUBSTITUTED-FRAME-REF";

uint64_t ElementKey(const exElement* element) {
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(element));
}

const exElement* KeyElement(uint64_t key) {
  return reinterpret_cast<const exElement*>(static_cast<uintptr_t>(key));
}

}  // namespace

void cConverter3::ConvertScheduleTables() {
  if (IsError() || currentCluster == nullptr || currentCluster->type != kClusterLin) return;
  cCvCluster& cluster = *currentCluster;

  // Tables and positions: the ordinary frames in name order, then the
  // substitution frames in document order.
  for (const auto& entry : cluster.frames) {
    if (IsError()) return;
    GatherTimings(entry.second->triggeringA);
  }
  for (const exElement* triggering : cluster.specialLinFrames) {
    if (IsError()) return;
    GatherTimings(triggering);
  }

  // Entries, by table and ascending position.
  for (const auto& table : cluster.scheduleTables) {
    const uint64_t tableIoid = table.first;
    for (const auto& position : table.second->positions) {
      if (IsError()) return;
      if (!CreateScheduleEntry(tableIoid, *table.second, position.second)) return;
    }
  }
}

void cConverter3::GatherTimings(const exElement* triggering) {
  if (IsError() || triggering == nullptr) return;
  if (const exElement* timings = RequireChild(ctx, triggering, kArRelativelyScheduledTimings)) {
    const size_t count = timings->ChildCount();
    for (size_t i = 0; i < count; ++i) {
      if (IsError()) return;
      const exElement* timing = timings->Child(i);
      if (!IsNamed(timing, kArRelativelyScheduledTiming) && !IsNamed(timing, kArDataTiming)) {
        continue;
      }
      const exElement* tableRef = RequireChild(ctx, timing, "AR:SCHEDULE-TABLE-REF");
      if (tableRef == nullptr) continue;
      const exElement* table = ResolveReference(ctx, tableRef);
      if (table == nullptr) continue;

      cAutoRestore<const exElement*> current(currentScheduleTable, table);
      uint64_t tableIoid = 0;
      if (!currentCluster->FindScheduleTableKey(ElementKey(table), &tableIoid)) {
        ConvertScheduleTable();
        if (!currentCluster->FindScheduleTableKey(ElementKey(table), &tableIoid)) continue;
      }
      cCvST* record = currentCluster->scheduleTables.Find(tableIoid);
      if (record == nullptr) continue;
      if (!AddEntryPosition(*record, timing)) return;
    }
  }

  const exElement* frameRef = RequireChild(ctx, triggering, "AR:FRAME-REF");
  if (frameRef == nullptr) return;
  const exElement* frame = ResolveReference(ctx, frameRef);
  const exElement* type = FindChild(frame, "AR:SUBSTITUTION-TYPE");
  if (type != nullptr && std::strcmp(type->Text(), "EVENT-TRIGGERED") == 0) {
    ResolveCollisions(triggering, frame);
  }
}

void cConverter3::ConvertScheduleTable() {
  const char* name = CurrentScheduleTableName();
  if (name == nullptr) return;

  // Its entries are written from the timings once all tables exist.
  uint64_t tableIoid = 0;
  CreateScheduleTableObject(name, true, tableIoid);
}

void cConverter3::ConvertScheduleEntries() {
  if (IsError() || currentCluster == nullptr || currentCluster->type != kClusterLin) return;
  for (const auto& table : currentCluster->scheduleTables) {
    for (const auto& slot : table.second->entries) {
      if (IsError()) return;
      const uint64_t entryIoid = slot.first;
      const exElement* timing = KeyElement(slot.second->first);
      if (IsNamed(timing, kArRelativelyScheduledTiming)) {
        ConvertUnconditionalEntry(entryIoid, timing);
      } else if (IsNamed(timing, kArDataTiming)) {
        if (const exElement* freeFormat = RequireChild(ctx, timing, "AR:FREE-FORMAT")) {
          ConvertFreeFormatEntry(entryIoid, freeFormat);
        }
      }
    }
  }
}

void cConverter3::ConvertUnconditionalEntry(uint64_t entryIoid, const exElement* entry) {
  if (IsError() || currentCluster == nullptr) return;
  // The timing sits in the RELATIVELY-SCHEDULED-TIMINGS of its triggering.
  const exElement* triggering = FindAncestor(entry, "AR:LIN-FRAME-TRIGGERING");
  const exElement* frameRef =
      triggering != nullptr ? RequireChild(ctx, triggering, "AR:FRAME-REF") : nullptr;
  const exElement* frame = ResolveReference(ctx, frameRef);
  if (frame == nullptr) return;

  const uint32_t kind = ClassifyLinFrame(frame);
  std::vector<uint64_t> ioids;
  if (!CollectEntryFrames(frame, kind, kArSubstitutedFrameRefs, kArSubstitutedFrameRef, ioids)) {
    return;
  }
  if (kind == 2) {
    auto found = collisionMap.find(triggering);
    if (found != collisionMap.end()) {
      if (found->second.hasIdentifier) {
        ctx->SetPropertyU32(entryIoid, IDIP_SCHED_ENTRY_EVENT_ID_U32, found->second.identifier);
      }
      if (found->second.tableIoid != 0) {
        ctx->SetPropertyU64(entryIoid, IDIP_SCHED_ENTRY_COLLISION_TAB_IOID,
                            found->second.tableIoid);
      }
    }
  }
  if (IsError()) return;
  ctx->SetPropertyU32(entryIoid, IDIP_SCHED_ENTRY_TYPE_U32, kind);
  SetEntryTriggerings(entryIoid, ioids);
}

void cConverter3::ResolveCollisions(const exElement* triggering, const exElement* frame) {
  if (IsError() || currentCluster == nullptr || currentCluster->ioid == 0) return;
  const exElement* timings = RequireChild(ctx, triggering, kArRelativelyScheduledTimings);
  const exElement* timing =
      timings != nullptr ? RequireChild(ctx, timings, kArRelativelyScheduledTiming) : nullptr;

  bool complete = true;
  const uint64_t tableIoid = CreateCollisionTable(frame, kArSubstitutedFrameRefs,
                                                  kArSubstitutedFrameRef, timing, complete);
  if (tableIoid == 0 || !complete) return;

  try {
    auto inserted = collisionMap.emplace(triggering, cCollisionEntry());
    cCollisionEntry& entry = inserted.first->second;
    entry.tableIoid = tableIoid;
    if (inserted.second) {
      cValueConverterU32 converter(ctx);
      entry.hasIdentifier =
          ReadTypedChild(converter, entry.identifier, triggering, "AR:IDENTIFIER");
    }
  } catch (const std::bad_alloc&) {
    ctx->status.RaiseError(StatusOutOfMemory);
  }
}

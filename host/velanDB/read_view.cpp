#include "read_view.h"

namespace vdb {

void ReleaseView(Database& db) {
  if (!db.view) return;
  Store& store = Store::Get();
  for (const ViewSignal& s : db.view->signals) store.FreeId(s.ref);
  db.view.reset();
}

}  // namespace vdb

#include "common/SidStore.h"

namespace {
std::unique_ptr<TSidStore>& TheSidStore() {
  static std::unique_ptr<TSidStore> store;
  return store;
}
}  // namespace

TSidStore::TSidStore()
    : FHolder(std::make_unique<TSidHolder>()),
      FOwned(std::make_unique<ObjList::TObjectList>()),
      FLinks(std::make_unique<ObjList::TObjectList>()) {
  FLinks->SetOwnsObjects(false);
}

TSidStore* GlobalSidStore() { return TheSidStore().get(); }

void InitializeSidStore() { TheSidStore() = std::make_unique<TSidStore>(); }

void FinalizeSidStore() { TheSidStore().reset(); }

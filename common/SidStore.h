// The NT-security library's store of security identifiers. One global store exists from
// start-up to shutdown; nothing in this program puts an identifier into it.
#pragma once

#include "common/ObjList.h"

#include <windows.h>

#include <memory>

// One heap block holding a security identifier (empty when none was given).
class TSidHolder : public TObject {
public:
  TSidHolder() = default;
  const char* ClassName() const override { return "TSidHolder"; }
  PSID Sid() const { return FSid.get(); }

private:
  std::unique_ptr<BYTE[]> FSid;
};

class TSidStore : public TObject {
public:
  TSidStore();
  const char* ClassName() const override { return "TSidStore"; }
  TSidHolder& Holder() { return *FHolder; }
  ObjList::TObjectList& OwnedSids() { return *FOwned; }
  ObjList::TObjectList& SidLinks() { return *FLinks; }

private:
  std::unique_ptr<TSidHolder> FHolder;
  std::unique_ptr<ObjList::TObjectList> FOwned;  // owns its items
  std::unique_ptr<ObjList::TObjectList> FLinks;  // only points at items
};

// The global store: none before InitializeSidStore and after FinalizeSidStore.
TSidStore* GlobalSidStore();
void InitializeSidStore();
void FinalizeSidStore();

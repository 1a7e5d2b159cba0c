// The NT-security library's object list: a pointer list of objects that can own them.
// Only the SID store uses it.
#pragma once

#include "platform/gui/Components.h"
#include "platform/rtl/Classes.h"

namespace ObjList {

// When OwnsObjects is set, the list frees its items on Delete, Clear and destruction;
// otherwise it only points at them.
class TObjectList : public TObject {
public:
  // reference: an object the list was made for; none in this system.
  explicit TObjectList(TObject* reference = nullptr);
  ~TObjectList() override;
  const char* ClassName() const override { return "TObjectList"; }

  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool value) { FOwnsObjects = value; }
  int Count() const { return FItems.Count(); }
  TObject* Items(int index) const { return static_cast<TObject*>(FItems.Get(index)); }
  TObject* Reference() const { return FReference; }

  int Add(TObject* item) { return FItems.Add(item); }
  void Delete(int index);
  void Clear();

private:
  bool FCreated = true;  // set at construction, as the library's lists do
  bool FOwnsObjects = true;
  TList FItems;
  TObject* FReference;
};

}  // namespace ObjList

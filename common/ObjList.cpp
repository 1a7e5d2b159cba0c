#include "common/ObjList.h"

namespace ObjList {

TObjectList::TObjectList(TObject* reference) : FReference(reference) {}

TObjectList::~TObjectList() {
  if (FOwnsObjects) {
    for (int i = 0; i < FItems.Count(); ++i) delete static_cast<TObject*>(FItems.Get(i));
  }
}

void TObjectList::Delete(int index) {
  TObject* item = Items(index);  // raises EListError before anything is freed
  if (FOwnsObjects) delete item;
  FItems.Delete(index);
}

void TObjectList::Clear() {
  if (FOwnsObjects) {
    for (int i = 0; i < FItems.Count(); ++i) {
      // The slot is emptied before the item goes, so a destructor that looks at the list
      // never sees a freed object.
      TObject* item = static_cast<TObject*>(FItems.Get(i));
      FItems.Put(i, nullptr);
      delete item;
    }
  }
  FItems.Clear();
}

}  // namespace ObjList

// The class library's object roots: persistent objects that copy themselves with Assign, and
// components that live in an owner's list, are freed by that owner and tell the components that
// asked for it when they go away.
//
// Ownership: a component created with an owner is freed by that owner (in its destructor or by
// DestroyComponents); one created without an owner belongs to whoever created it. Free
// notification is mutual, as in the class library: when either side is freed the other's
// Notification(component, opRemove) runs, so it can drop its pointer.
//
// C++ destroys the most derived part first. A class whose destructor must run while the object
// still counts as "being destroyed" for others (so owners and listeners see csDestroying early)
// calls Destroying() on its first line; it is idempotent.
#pragma once

#include "platform/rtl/SysStrings.h"

#include <cstdint>
#include <functional>
#include <vector>

// Root of the class library's objects: a virtual destructor and a class name for messages.
class TObject {
public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
  virtual const char* ClassName() const { return "TObject"; }
};

using TNotifyEvent = std::function<void(TObject* sender)>;

// Copies state between objects of compatible classes; Assign asks the source's AssignTo when the
// destination does not know the source's class, and that raises EConvertError when nobody does.
class TPersistent : public TObject {
public:
  const char* ClassName() const override { return "TPersistent"; }
  virtual void Assign(const TPersistent* source);
  // The object that owns this one for naming purposes (a component's owner, a collection's
  // owner); none at this level.
  virtual TPersistent* GetOwner() const { return nullptr; }

protected:
  virtual void AssignTo(TPersistent* dest) const;
  [[noreturn]] void AssignError(const TPersistent* source) const;
};

// The reference-counted flavour of the class library is only a marker here: interfaces are
// plain abstract classes in C++, and lifetime follows the owner model instead of counts.
class TInterfacedPersistent : public TPersistent {
public:
  const char* ClassName() const override { return "TInterfacedPersistent"; }
};

enum class TOperation { opInsert, opRemove };

// The class library's action objects; none exist in this program, so components answer every
// action request with "not handled".
class TBasicAction;

// Component state flags (a bit set).
enum : unsigned {
  csLoading = 0x0001,
  csReading = 0x0002,
  csWriting = 0x0004,
  csDestroying = 0x0008,
  csDesigning = 0x0010,
  csAncestor = 0x0020,
  csUpdating = 0x0040,
  csFixups = 0x0080,
  csFreeNotification = 0x0100,
  csInline = 0x0200,
  csDesignInstance = 0x0400,
};
using TComponentState = unsigned;

class TComponent : public TPersistent {
public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  const char* ClassName() const override { return "TComponent"; }

  TComponent* Owner() const { return FOwner; }
  TPersistent* GetOwner() const override { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int index) const;
  int ComponentIndex() const;  // position in the owner's list, -1 without an owner
  TComponent* FindComponent(const AnsiString& name) const;  // by name, letter case ignored

  const AnsiString& Name() const { return FName; }
  void SetName(const AnsiString& name) { FName = name; }
  intptr_t Tag = 0;

  TComponentState ComponentState() const { return FComponentState; }
  bool IsLoading() const { return (FComponentState & csLoading) != 0; }
  bool IsDestroying() const { return (FComponentState & csDestroying) != 0; }
  bool IsDesigning() const { return (FComponentState & csDesigning) != 0; }

  void InsertComponent(TComponent* component);  // takes ownership
  void RemoveComponent(TComponent* component);  // gives ownership back to the caller
  void DestroyComponents();                     // frees every owned component, newest first

  // Mutual free notification (see the header comment).
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Marks the component and everything it owns as being destroyed. Idempotent.
  void Destroying();

  // Loading brackets: BeginLoading sets csLoading on the component and what it owns; Loaded
  // (virtual, called by EndLoading, owned components first) clears it. Properties set in
  // between should not trigger their usual side effects.
  void BeginLoading();
  void EndLoading();

  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual bool HasParent() const { return false; }
  virtual void SetParentComponent(TComponent* /*parent*/) {}

  // For descendants that need a design-time flag (the control library asks IsDesigning).
  void SetDesigning(bool value);

  // Action targets: true when the component handled the action. No action objects exist here.
  virtual bool ExecuteAction(TBasicAction* /*action*/) { return false; }
  virtual bool UpdateAction(TBasicAction* /*action*/) { return false; }

protected:
  virtual void Notification(TComponent* component, TOperation operation);
  virtual void Loaded();
  // Points a field at another component, moving the free notification from the old one to the
  // new one (Notification still clears the field when that component goes).
  template <class T>
  void SetReference(T*& field, T* value) {
    if (value == field) return;
    if (field != nullptr) field->RemoveFreeNotification(this);
    field = value;
    if (value != nullptr) value->FreeNotification(this);
  }
  void SetComponentStateFlag(unsigned flag, bool on);

private:
  void Insert(TComponent* component);
  void Remove(TComponent* component);
  void RemoveNotification(TComponent* component);

  TComponent* FOwner = nullptr;
  AnsiString FName;
  std::vector<TComponent*> FComponents;     // owned
  std::vector<TComponent*> FFreeNotifies;   // not owned
  TComponentState FComponentState = 0;
};

class TCollection;

// An item of a collection. The constructor puts it at the end of its collection (quietly: a
// derived item is not complete yet, so the collection announces it in Add); the destructor
// takes it out and announces the change.
class TCollectionItem : public TPersistent {
public:
  explicit TCollectionItem(TCollection* collection);
  ~TCollectionItem() override;
  const char* ClassName() const override { return "TCollectionItem"; }

  TCollection* Collection() const { return FCollection; }
  void SetCollection(TCollection* collection);  // moves the item (none: it stands alone)
  TPersistent* GetOwner() const override;
  int Index() const;  // -1 outside a collection
  void SetIndex(int index);
  int ID() const { return FID; }

protected:
  // Tells the collection that this item (or, with allItems, every item) changed; nothing while
  // the collection is inside BeginUpdate/EndUpdate (EndUpdate announces everything once).
  void Changed(bool allItems);

private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int FID = 0;
};

enum class TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

// An owning, ordered list of items of one kind. Items are made by the factory given to the
// constructor (Add, Insert, Assign); Update(item) runs after each change of one item and
// Update(nullptr) after a change of several, unless an update bracket is open.
class TCollection : public TPersistent {
public:
  using TItemFactory = std::function<TCollectionItem*(TCollection* collection)>;
  explicit TCollection(TItemFactory factory);
  ~TCollection() override;
  const char* ClassName() const override { return "TCollection"; }

  int Count() const { return static_cast<int>(FItems.size()); }
  TCollectionItem* Items(int index) const;  // raises EListError out of range
  TCollectionItem* Add();
  TCollectionItem* Insert(int index);
  void Delete(int index);
  void Clear();
  TCollectionItem* FindItemID(int id) const;

  virtual void BeginUpdate() { ++FUpdateCount; }
  virtual void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }
  // Everything changed: Update(nullptr) unless an update bracket is open.
  void Changed();

  // Replaces the items by copies of another collection's (each item's Assign), in one update.
  void Assign(const TPersistent* source) override;

protected:
  virtual void Update(TCollectionItem* /*item*/) {}
  // Runs for an item added through Add or Insert, and for an item leaving (cnExtracting) or
  // being freed (cnDeleting; its derived part is already gone then).
  virtual void Notify(TCollectionItem* /*item*/, TCollectionNotification /*action*/) {}

private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item, TCollectionNotification action);
  TItemFactory FFactory;
  std::vector<TCollectionItem*> FItems;  // owned
  int FUpdateCount = 0;
  int FNextID = 0;
};

// A collection that answers its owner (the object whose property it is).
class TOwnedCollection : public TCollection {
public:
  TOwnedCollection(TPersistent* owner, TItemFactory factory) : TCollection(std::move(factory)), FOwner(owner) {}
  const char* ClassName() const override { return "TOwnedCollection"; }
  TPersistent* GetOwner() const override { return FOwner; }

private:
  TPersistent* FOwner;
};

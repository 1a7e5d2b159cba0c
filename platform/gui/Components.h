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

protected:
  virtual void Notification(TComponent* component, TOperation operation);
  virtual void Loaded();
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

// Small bases and services shared by the whole control library: the persistent and
// component bases, a registry of classes with descriptions, weak object links, a
// free-notification forwarder, the lookup through which every message text of the library
// passes, and a few geometric helpers.
#pragma once

#include "platform/gui/Components.h"
#include "platform/rtl/SysStrings.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

// --- Class references ------------------------------------------------------------------

// What the library's registries hold for a class: one static instance per registered class,
// compared by address. Descendants of the library describe themselves with one each.
struct TvxClassInfo {
  const char* ClassName;
};
using TvxClass = const TvxClassInfo*;

// The streaming class registry the registries feed when asked to (classes found by name).
void vxRegisterStreamingClass(TvxClass cls);
TvxClass vxFindStreamingClass(const AnsiString& className);  // letter case ignored; nullptr if none

// --- Persistent and component bases ----------------------------------------------------

// A persistent object that knows its owner (for naming and for settings that belong to an
// owning object). Not owned by that owner: the creator frees it.
class TvxInterfacedPersistent : public TInterfacedPersistent {
public:
  explicit TvxInterfacedPersistent(TPersistent* owner) : FOwner(owner) {}
  const char* ClassName() const override { return "TvxInterfacedPersistent"; }
  TPersistent* GetOwner() const override { return FOwner; }

private:
  TPersistent* FOwner;
};

// Base of the library's components. Object links to it are cleared when it dies; at
// design time it keeps up to three linked components for the designer.
class TvxComponent : public TComponent {
public:
  explicit TvxComponent(TComponent* owner) : TComponent(owner) {}
  ~TvxComponent() override;
  const char* ClassName() const override { return "TvxComponent"; }
  TComponent* FakeComponentLink(int index) const;  // 0..2; design time only

protected:
  void Loaded() override;
  // The components a designer should show linked to this one (at most three are kept).
  virtual void GetFakeComponentLinks(std::vector<TComponent*>& links) {}

private:
  TComponent* FFakeComponentLinks[3] = {nullptr, nullptr, nullptr};
};

// Forwards the free notifications of the components it watches to one event.
class TvxFreeNotificator : public TComponent {
public:
  explicit TvxFreeNotificator(TComponent* owner) : TComponent(owner) {}
  const char* ClassName() const override { return "TvxFreeNotificator"; }
  void AddSender(TComponent* sender);
  void RemoveSender(TComponent* sender);
  std::function<void(TComponent* sender)> OnFreeNotification;

protected:
  void Notification(TComponent* component, TOperation operation) override;
};

// --- Registered classes ----------------------------------------------------------------

// Classes with descriptions. A text may hold "description|hint"; Descriptions gives the
// part before the bar. A class is listed once, with the first text it was registered with.
class TvxRegisteredClasses {
public:
  explicit TvxRegisteredClasses(bool registerForStreaming = false);
  virtual ~TvxRegisteredClasses();
  TvxRegisteredClasses(const TvxRegisteredClasses&) = delete;
  TvxRegisteredClasses& operator=(const TvxRegisteredClasses&) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }
  TvxClass Items(int index) const;
  AnsiString Texts(int index) const;         // as registered
  AnsiString Descriptions(int index) const;  // up to the first "|"
  int IndexOf(TvxClass cls) const;           // -1 when not listed
  TvxClass FindByClassName(const AnsiString& className) const;  // letter case ignored
  TvxClass FindByDescription(const AnsiString& description) const;

  void Register(TvxClass cls, const AnsiString& text);
  void Unregister(TvxClass cls);
  void Clear();
  bool Sorted() const { return FSorted; }
  void SetSorted(bool value);
  bool RegisterForStreaming() const { return FRegisterForStreaming; }

  // The descriptions compared as the locale compares text, letter case ignored.
  virtual int CompareItems(int index1, int index2) const;
  virtual void Sort();

private:
  void CheckIndex(int index) const;
  std::vector<std::pair<AnsiString, TvxClass>> FItems;
  bool FRegisterForStreaming;
  bool FSorted = false;
};

// --- Object links ----------------------------------------------------------------------

// A weak reference: Object() reads nullptr once the linked TvxComponent has been destroyed.
class TvxObjectLink {
public:
  explicit TvxObjectLink(TObject* object) : FObject(object) {}
  TObject* Object() const { return FObject; }

private:
  friend class TvxObjectLinkController;
  TObject* FObject;
};

// The list of live links; exists while any link exists.
class TvxObjectLinkController {
public:
  void AddLink(TvxObjectLink* link) { FLinks.push_back(link); }
  void RemoveLink(TvxObjectLink* link);
  // Clears and unlists every link to object.
  void ObjectDestroyed(TObject* object);
  int LinkCount() const { return static_cast<int>(FLinks.size()); }

private:
  std::vector<TvxObjectLink*> FLinks;
};

// Creates a link (the caller owns it until vxRemoveObjectLink frees it).
TvxObjectLink* vxAddObjectLink(TObject* object);
void vxRemoveObjectLink(TvxObjectLink* link);
// The process-wide controller, or nullptr when no link exists.
TvxObjectLinkController* vxObjectLinkController();

// A link held for a scope (or a member's lifetime).
class TvxObjectLinkHolder {
public:
  explicit TvxObjectLinkHolder(TObject* object) : FLink(vxAddObjectLink(object)) {}
  ~TvxObjectLinkHolder() { vxRemoveObjectLink(FLink); }
  TvxObjectLinkHolder(const TvxObjectLinkHolder&) = delete;
  TvxObjectLinkHolder& operator=(const TvxObjectLinkHolder&) = delete;
  TObject* Object() const { return FLink->Object(); }

private:
  TvxObjectLink* FLink;
};

// --- Message texts ---------------------------------------------------------------------

// The translation of a loaded message text: the text itself unless translation lists have
// been set up and the source list holds it (letter case ignored), in which case the
// replacement at the same index.
AnsiString vxGetResourceString(const AnsiString& text);
// Reads string resource id of the program and passes it through vxGetResourceString. Done
// on every call, so a translation registered later takes effect at once. An id with no
// resource gives an empty text.
AnsiString vxLoadResourceString(unsigned id);
// As vxLoadResourceString, with every "%s" replaced by arg ("%%" gives "%"). Unlike a
// printf-style format a translated text cannot make this read arguments that do not exist.
AnsiString vxFormatResourceString(unsigned id, const AnsiString& arg);

// Translation lists: created by the first registered pair, freed by
// vxClearResourceStringTranslations or at shutdown. A source registered twice keeps its
// first replacement (the lookup finds the first match).
void vxAddResourceStringTranslation(const AnsiString& source, const AnsiString& replacement);
void vxClearResourceStringTranslations();
bool vxHasResourceStringTranslations();

// --- Scopes ------------------------------------------------------------------------------

// Sets a flag for a scope and puts the old value back, also when an exception passes.
class TvxFlagScope {
public:
  explicit TvxFlagScope(bool& flag) : FFlag(flag), FOld(flag) { FFlag = true; }
  ~TvxFlagScope() { FFlag = FOld; }
  TvxFlagScope(const TvxFlagScope&) = delete;
  TvxFlagScope& operator=(const TvxFlagScope&) = delete;

private:
  bool& FFlag;
  bool FOld;
};

// --- Notification lists ---------------------------------------------------------------

// Calls call(entry) for the entries of a list that the calls may change: an entry that leaves
// is not called afterwards, and one that joins (at the end) is called once if the walk still
// reaches it. After each call the walk goes on from where the entry just called now stands,
// or from its old place when it left.
template <class T, class F>
void vxForEachListed(std::vector<T*>& list, F call) {
  for (size_t i = 0; i < list.size();) {
    T* entry = list[i];
    call(entry);
    auto it = std::find(list.begin(), list.end(), entry);
    if (it != list.end()) i = static_cast<size_t>(it - list.begin()) + 1;
  }
}

// The same from the last entry to the first; entries that join are not called.
template <class T, class F>
void vxForEachListedBackward(std::vector<T*>& list, F call) {
  for (size_t i = list.size(); i > 0;) {
    i = std::min(i, list.size());
    if (i == 0) break;
    T* entry = list[--i];
    call(entry);
    auto it = std::find(list.begin(), list.end(), entry);
    if (it != list.end()) i = static_cast<size_t>(it - list.begin());
  }
}

// --- Helpers --------------------------------------------------------------------------

// The persistent's owner (its GetOwner).
TPersistent* vxGetOwner(const TPersistent* persistent);
POINT vxPoint(int x, int y);
// Midpoint of two coordinates, rounded toward minus infinity: (3, 4) -> 3, (-3, -4) -> -4.
int vxMidPoint(int a, int b);

void InitializevxClasses();
void FinalizevxClasses();

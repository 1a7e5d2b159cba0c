// Owner lists, free notification, loading and destroying states, Assign, and collections.
#include "platform/gui/Components.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/SysExceptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> gLog;

class TProbe : public TComponent {
public:
  TProbe(TComponent* owner, std::string name) : TComponent(owner), FLabel(std::move(name)) {}
  ~TProbe() override {
    // Already marked when an owner that is going frees it.
    gLog.push_back("free " + FLabel + (IsDestroying() ? " (marked)" : ""));
    Destroying();
  }
  TComponent* Watched = nullptr;
  std::vector<std::string> Loads;

protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == Watched) {
      gLog.push_back(FLabel + " heard " + static_cast<TProbe*>(component)->FLabel + " go");
      Watched = nullptr;
    }
  }
  void Loaded() override {
    TComponent::Loaded();
    gLog.push_back("loaded " + FLabel);
  }

private:
  std::string FLabel;
};

TEST(GuiComponents, OwnerFreesOwnedNewestFirstWhileMarkedDestroying) {
  gLog.clear();
  auto* owner = new TProbe(nullptr, "owner");
  new TProbe(owner, "a");
  auto* b = new TProbe(owner, "b");
  new TProbe(b, "b1");
  ASSERT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(b->ComponentIndex(), 1);
  b->SetName("Second");
  EXPECT_EQ(owner->FindComponent("second"), b);
  delete owner;
  // The owner's own destructor runs first (C++ order), then what it owns, newest first.
  const std::vector<std::string> expected{"free owner", "free b (marked)", "free b1 (marked)", "free a (marked)"};
  EXPECT_EQ(gLog, expected);
}

TEST(GuiComponents, FreeingAnOwnedComponentLeavesItsOwnersList) {
  gLog.clear();
  TProbe owner(nullptr, "owner");
  auto* a = new TProbe(&owner, "a");
  auto* b = new TProbe(&owner, "b");
  delete a;
  ASSERT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.Components(0), b);
  EXPECT_THROW(owner.Components(1), EListError);
}

TEST(GuiComponents, FreeNotificationIsMutualAndCanBeWithdrawn) {
  gLog.clear();
  {
    TProbe watcher(nullptr, "watcher");
    auto* watched = new TProbe(nullptr, "watched");
    watcher.Watched = watched;
    watcher.FreeNotification(watched);
    delete watched;
    EXPECT_EQ(watcher.Watched, nullptr);
  }
  EXPECT_EQ(gLog, (std::vector<std::string>{"free watched", "watcher heard watched go", "free watcher"}));

  gLog.clear();
  {
    // The other direction: the watched one outliving the watcher must not call into it.
    auto* watcher = new TProbe(nullptr, "watcher");
    TProbe watched(nullptr, "watched");
    watcher->Watched = &watched;
    watcher->FreeNotification(&watched);
    delete watcher;
    EXPECT_EQ(watched.ComponentState() & csFreeNotification, 0u);
  }
  EXPECT_EQ(gLog, (std::vector<std::string>{"free watcher", "free watched"}));

  gLog.clear();
  TProbe watcher(nullptr, "watcher");
  auto* watched = new TProbe(nullptr, "watched");
  watcher.Watched = watched;
  watcher.FreeNotification(watched);
  watcher.RemoveFreeNotification(watched);
  delete watched;
  EXPECT_NE(watcher.Watched, nullptr);
  watcher.Watched = nullptr;
}

TEST(GuiComponents, LoadingEndsWithLoadedOnOwnedComponentsFirst) {
  gLog.clear();
  TProbe owner(nullptr, "owner");
  auto* child = new TProbe(&owner, "child");
  owner.BeginLoading();
  EXPECT_TRUE(owner.IsLoading());
  EXPECT_TRUE(child->IsLoading());
  owner.EndLoading();
  EXPECT_FALSE(owner.IsLoading());
  EXPECT_FALSE(child->IsLoading());
  EXPECT_EQ(gLog, (std::vector<std::string>{"loaded child", "loaded owner"}));
}

TEST(GuiComponents, AssignCopiesKnownClassesAndRefusesOthers) {
  TFont source;
  source.SetName("ＭＳ Ｐゴシック");
  source.SetHeight(-12);
  source.SetCharset(SHIFTJIS_CHARSET);
  source.SetStyle(fsBold);
  TFont copy;
  int changes = 0;
  copy.OnChange = [&](TObject*) { ++changes; };
  copy.Assign(&source);
  EXPECT_TRUE(copy.Equals(source));
  EXPECT_EQ(changes, 1);
  copy.Assign(&source);  // nothing changes, nobody is told
  EXPECT_EQ(changes, 1);

  TBrush brush;
  try {
    copy.Assign(&brush);
    FAIL() << "assigning a brush to a font must raise";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TBrush to a TFont");
  }
  EXPECT_THROW(copy.Assign(nullptr), EConvertError);
}

// An item with a caption; its constructor already sees the collection it joins.
class TCaptionItem : public TCollectionItem {
public:
  explicit TCaptionItem(TCollection* c) : TCollectionItem(c), First(c != nullptr && c->Count() == 1) {}
  void SetCaption(const std::string& caption) {
    Caption = caption;
    Changed(false);
  }
  void Assign(const TPersistent* source) override { Caption = dynamic_cast<const TCaptionItem&>(*source).Caption; }
  std::string Caption;
  bool First;
};

// Logs each update as the caption it concerns, or "*" and all captions.
class TCaptionCollection : public TOwnedCollection {
public:
  explicit TCaptionCollection(TPersistent* owner)
      : TOwnedCollection(owner, [](TCollection* c) { return new TCaptionItem(c); }) {}
  TCaptionItem* Item(int index) const { return static_cast<TCaptionItem*>(Items(index)); }
  std::vector<std::string> Updates;

protected:
  void Update(TCollectionItem* item) override {
    std::string text = item != nullptr ? static_cast<TCaptionItem*>(item)->Caption : "*";
    for (int i = 0; item == nullptr && i < Count(); ++i) text += Item(i)->Caption;
    Updates.push_back(text);
  }
};

TEST(GuiComponents, CollectionAnnouncesItemChangesOnceOutsideAndAfterUpdateBrackets) {
  TFont owner;
  TCaptionCollection buttons(&owner);
  auto* a = static_cast<TCaptionItem*>(buttons.Add());
  EXPECT_TRUE(a->First);
  a->SetCaption("a");
  buttons.BeginUpdate();
  static_cast<TCaptionItem*>(buttons.Add())->SetCaption("b");
  buttons.Insert(0)->Assign(a);
  buttons.EndUpdate();
  EXPECT_EQ(buttons.Updates, (std::vector<std::string>{"*", "a", "*aab"}));
  EXPECT_EQ(buttons.GetOwner(), &owner);
  EXPECT_EQ(buttons.FindItemID(1), buttons.Item(2));
  TCaptionCollection copy(nullptr);
  copy.Add();
  copy.Updates.clear();
  copy.Assign(&buttons);
  EXPECT_EQ(copy.Updates, std::vector<std::string>{"*aab"});
  buttons.Updates.clear();
  delete a;  // leaves its collection, which is told
  buttons.Item(1)->SetIndex(0);
  EXPECT_EQ(buttons.Updates, (std::vector<std::string>{"*ab", "*ba"}));
  EXPECT_THROW(buttons.Item(0)->SetIndex(2), EListError);
}

}  // namespace

// The editors' shared ground: properties (locking, read-only, alignment, the provider,
// copying), edit buttons, edit styles with their controller, and the registry and repository.
#include "editors/vxEdit.h"
#include "platform/gui/ExtCtrls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// Properties that validate, and an item that makes them.
class TCheckedProperties : public TvxCustomEditProperties {
public:
  using TvxCustomEditProperties::TvxCustomEditProperties;
  static TvxCustomEditPropertiesClass PropertiesClass() {
    static const TvxEditPropertiesClassInfo info{
        {"TCheckedProperties"}, TvxCustomEditProperties::PropertiesClass(),
        [](TPersistent* owner) -> TvxCustomEditProperties* { return new TCheckedProperties(owner); }};
    return &info;
  }
  TvxCustomEditPropertiesClass ClassType() const override { return PropertiesClass(); }
  bool CanValidate() const override { return true; }
};

class TCheckedItem : public TvxEditRepositoryItem {
public:
  using TvxEditRepositoryItem::TvxEditRepositoryItem;
  static TvxEditRepositoryItemClass ItemClass() {
    static const TvxEditRepositoryItemClassInfo info{
        {"TCheckedItem"}, [](TComponent* owner) -> TvxEditRepositoryItem* { return new TCheckedItem(owner); }};
    return &info;
  }
  TvxCustomEditPropertiesClass GetEditPropertiesClass() const override { return TCheckedProperties::PropertiesClass(); }
};

struct TNotifications {
  explicit TNotifications(TvxCustomEditProperties& p) {
    p.OnPropertiesChanged = [this](TObject*) { ++Count; };
  }
  int Count = 0;
};

class TReadOnlyProvider : public TvxCustomEditDefaultValuesProvider {
public:
  TReadOnlyProvider() : TvxCustomEditDefaultValuesProvider(nullptr) {}
  bool DefaultReadOnly() const override { return true; }
  bool DefaultCanModify() const override { return false; }
  TAlignment DefaultAlignment() const override { return TAlignment::taRightJustify; }
};

struct TListener : IvxEditRepositoryItemListener {
  TListener(std::vector<std::string>& log, std::string name) : Log(log), Name(std::move(name)) {}
  void ItemRemoved(TvxEditRepositoryItem* sender) override {
    Log.push_back(Name + (sender->Repository() != nullptr ? " removed, still listed" : " removed"));
  }
  void ItemPropertiesChanged(TvxEditRepositoryItem*) override { Log.push_back(Name + " changed"); }
  std::vector<std::string>& Log;
  std::string Name;
};

class TInplaceHost : public TCustomControl, public IvxContainerStyleOwner {
public:
  TInplaceHost() : TCustomControl(nullptr) {}
  bool DefaultParentColor() const override { return false; }
  bool IsInplace() const override { return true; }
  TvxContainerStyleValues GetNotPublishedStyleValues() const override { return 0; }
};

}  // namespace

// --- Properties ---

TEST(vxEditProperties, UpdatesNotifyOnceAtTheOutermostEnd) {
  TvxCustomEditProperties p(nullptr);
  TNotifications n(p);
  p.EndUpdate();  // without a BeginUpdate
  EXPECT_FALSE(p.IsChangeLocked());
  EXPECT_EQ(n.Count, 0);
  p.BeginUpdate();
  p.BeginUpdate();
  p.SetAutoSelect(false);
  p.SetKeepTab(true);
  p.EndUpdate();
  EXPECT_EQ(n.Count, 0);
  p.EndUpdate();
  EXPECT_EQ(n.Count, 1);
  p.BeginUpdate();
  p.SetAutoSelect(true);
  p.EndUpdate(false);
  EXPECT_EQ(n.Count, 1);
  p.SetChangedLocked(true);  // a lock held from outside
  p.SetMultiRowText(true);
  EXPECT_EQ(n.Count, 1);
  p.SetChangedLocked(false);
  p.SetMultiRowText(true);  // unchanged
  p.Buttons()->Add();
  EXPECT_EQ(n.Count, 2);
}

TEST(vxEditProperties, ReadOnlyFollowsTheProviderUntilAssigned) {
  TvxCustomEditProperties p(nullptr);
  TNotifications n(p);
  EXPECT_FALSE(p.ReadOnly());
  EXPECT_TRUE(p.CanModify());
  EXPECT_EQ(p.Alignment()->Horz(), TAlignment::taLeftJustify);
  TReadOnlyProvider provider;
  p.SetDefaultValuesProvider(&provider);  // the owner is no editor: nobody hears
  EXPECT_EQ(n.Count, 0);
  EXPECT_TRUE(p.ReadOnly());
  EXPECT_FALSE(p.CanModify());
  EXPECT_EQ(p.Alignment()->Horz(), TAlignment::taRightJustify);
  EXPECT_FALSE(p.Alignment()->IsHorzAssigned());

  p.SetReadOnly(false);
  EXPECT_EQ(n.Count, 1);
  EXPECT_TRUE(p.AssignedValues()->ReadOnly());
  EXPECT_FALSE(p.ReadOnly());
  EXPECT_TRUE(p.CanModify());  // assigned false beats the provider's refusal
  p.SetReadOnly(false);
  EXPECT_EQ(n.Count, 1);

  p.Alignment()->SetHorz(TAlignment::taCenter);
  EXPECT_EQ(n.Count, 2);
  EXPECT_EQ(p.Alignment()->Horz(), TAlignment::taCenter);
  p.RestoreDefaults();
  EXPECT_TRUE(p.ReadOnly());
  EXPECT_EQ(p.Alignment()->Horz(), TAlignment::taRightJustify);
}

TEST(vxEditProperties, AFreedProviderLeavesEveryPropertiesObject) {
  TvxCustomEditProperties a(nullptr), b(nullptr), c(nullptr);
  TReadOnlyProvider other;
  c.SetDefaultValuesProvider(&other);
  {
    TReadOnlyProvider provider;
    a.SetDefaultValuesProvider(&provider);
    b.Assign(&a);  // the reference is copied
    EXPECT_EQ(b.DefaultValuesProvider(), &provider);
  }
  EXPECT_EQ(a.DefaultValuesProvider(), nullptr);
  EXPECT_EQ(b.DefaultValuesProvider(), nullptr);
  EXPECT_EQ(c.DefaultValuesProvider(), &other);
}

TEST(vxEditProperties, AssignCopiesTheSettingsInOneChange) {
  TvxCustomEditProperties source(nullptr), dest(nullptr);
  int clicks = 0;
  source.SetBeepOnError(true);
  source.SetClearKey(scCtrl | VK_DELETE);
  source.SetKeepTab(true);
  source.SetUseMouseWheel(false);
  source.SetValidateOnEnter(true);
  source.SetUseLeftAlignmentOnEditing(false);
  source.SetReadOnly(true);
  source.Alignment()->SetVert(taVCenter);
  source.Buttons()->Add()->SetCaption("&Go");
  source.OnButtonClick = [&clicks](TObject*, int) { ++clicks; };
  TNotifications n(dest);
  dest.Assign(&source);
  EXPECT_EQ(n.Count, 1);
  EXPECT_TRUE(dest.BeepOnError());
  EXPECT_EQ(dest.ClearKey(), scCtrl | VK_DELETE);
  EXPECT_EQ(dest.ClickKey(), scCtrl | VK_RETURN);
  EXPECT_TRUE(dest.KeepTab());
  EXPECT_FALSE(dest.UseMouseWheel());
  EXPECT_TRUE(dest.ValidateOnEnter());
  EXPECT_FALSE(dest.UseLeftAlignmentOnEditing());
  EXPECT_TRUE(dest.ReadOnly());
  EXPECT_EQ(dest.Alignment()->Vert(), taVCenter);
  ASSERT_EQ(dest.Buttons()->Count(), 1);
  EXPECT_EQ(dest.Buttons()->Items(0)->StrippedCaption(), "Go");
  dest.OnButtonClick(&dest, 0);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(dest.GetEditButtonsFeatures(), 32);

  // Only properties that validate replace an empty error text.
  std::unique_ptr<TvxCustomEditProperties> checked(TCheckedProperties::PropertiesClass()->Create(nullptr));
  std::unique_ptr<TvxCustomEditProperties> copy(checked->CreatePropertiesCopy());
  EXPECT_EQ(copy->ClassType(), TCheckedProperties::PropertiesClass());
  Variant value;
  bool error = true;
  AnsiString text;
  dest.ValidateDisplayValue(value, text, error, nullptr);
  EXPECT_EQ(text, "");
  copy->ValidateDisplayValue(value, text, error, nullptr);
  EXPECT_EQ(text, "Invalid input value. Use escape key to abandon changes");
}

// --- Buttons ---

TEST(vxEditButtons, OneDefaultButtonAndWholeCaptions) {
  TvxCustomEditProperties p(nullptr);
  TvxEditButton* first = p.Buttons()->Add();
  TvxEditButton* second = p.Buttons()->Add();
  EXPECT_FALSE(first->Default());  // no designer: the first button is not made the default
  first->SetDefault(true);
  second->SetDefault(true);
  EXPECT_FALSE(first->Default());
  EXPECT_TRUE(second->Default());

  const struct {
    AnsiString Caption, Stripped;
  } captions[] = {{"&File", "File"}, {"A&&B", "A&B"}, {"End&", "End_"}, {"表&示", "表示"}, {"&&&", "&_"}};
  for (const auto& c : captions) {
    first->SetCaption(c.Caption);
    EXPECT_EQ(first->StrippedCaption(), c.Stripped) << c.Caption;
  }

  second->SetWidth(20);
  second->SetWidth(-1);
  EXPECT_EQ(second->Width(), 20);
  EXPECT_EQ(first->AssignedGlyph(), nullptr);
  EXPECT_TRUE(first->Glyph()->Empty());  // made on first read
  EXPECT_NE(first->AssignedGlyph(), nullptr);
  first->SetGlyph(nullptr);
  EXPECT_EQ(first->AssignedGlyph(), nullptr);
  second->SetVisible(false);
  EXPECT_EQ(p.Buttons()->VisibleCount(), 1);
}

TEST(vxEditButtons, TheFirstButtonOfADesignedEditorIsTheDefault) {
  TPanel editor(nullptr);
  editor.SetDesigning(true);
  TvxCustomEditProperties p(&editor);
  EXPECT_TRUE(p.Buttons()->Add()->Default());
  EXPECT_FALSE(p.Buttons()->Add()->Default());
}

TEST(vxEditButtons, ViewInfoRepaintsOnlyAChangedLook) {
  struct TWindow {
    HWND Handle = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 40, nullptr,
                                  nullptr, nullptr, nullptr);
    ~TWindow() { DestroyWindow(Handle); }
  } window;
  ASSERT_NE(window.Handle, nullptr);
  ValidateRect(window.Handle, nullptr);
  TvxEditButtonViewInfo before, after;
  before.Bounds = RECT{60, 2, 78, 20};
  after.Assign(&before);
  EXPECT_TRUE(after.GetUpdateRegion(&before)->IsEmpty());
  EXPECT_FALSE(after.Repaint(window.Handle, &before, POINT{1, 1}));
  RECT update{};
  EXPECT_FALSE(GetUpdateRect(window.Handle, &update, FALSE));

  after.State = ebsHot;
  EXPECT_FALSE(after.GetUpdateRegion(&before)->IsEmpty());
  EXPECT_TRUE(after.Repaint(window.Handle, &before, POINT{1, 1}));
  ASSERT_TRUE(GetUpdateRect(window.Handle, &update, FALSE));
  EXPECT_EQ(update.left, 61);
  EXPECT_EQ(update.bottom, 21);
}

// --- Edit styles ---

TEST(vxEditStyle, ValuesComeFromTheStyleTheControllerOrTheDefault) {
  TvxContainerStyles styles(nullptr, TvxEditStyle::StyleClass());
  auto* normal = static_cast<TvxEditStyle*>(styles.Style());
  auto* focused = static_cast<TvxEditStyle*>(styles.StyleFocused());
  EXPECT_EQ(normal->StyleController(), nullptr);
  EXPECT_TRUE(vxDefaultEditStyleController()->HasListener(normal));
  EXPECT_EQ(focused->ButtonStyle(), btsDefault);
  EXPECT_EQ(focused->ButtonTransparency(), ebtNone);
  EXPECT_EQ(focused->PopupBorderStyle(), epbsDefault);
  EXPECT_FALSE(focused->GradientButtons());

  TvxEditStyleController controller(nullptr);
  normal->SetStyleController(&controller);
  controller.StyleFocused()->SetButtonStyle(btsHotFlat);
  controller.Style()->SetButtonStyle(bts3D);
  EXPECT_EQ(focused->ButtonStyle(), btsHotFlat);
  EXPECT_EQ(static_cast<TvxEditStyle*>(styles.StyleHot())->ButtonStyle(), bts3D);  // the hot state follows normal
  focused->SetButtonStyle(btsFlat);
  EXPECT_EQ(focused->ButtonStyle(), btsFlat);

  focused->SetButtonTransparency(ebtInactive);  // lands on the normal style
  focused->SetPopupBorderStyle(epbsFlat);
  EXPECT_EQ(normal->ButtonTransparency(), ebtInactive);
  EXPECT_EQ(normal->PopupBorderStyle(), epbsFlat);
  EXPECT_EQ(focused->AssignedValues(), vxStyleValueBit(svButtonStyle));

  AnsiString name;
  EXPECT_TRUE(normal->GetStyleValueName(svGradientButtons, name));
  EXPECT_EQ(name, "GradientButtons");
  EXPECT_TRUE(normal->GetStyleValueName(csvColor, name));
  EXPECT_EQ(name, "Color");
  EXPECT_FALSE(normal->GetStyleValueName(14, name));
  // A state style stores its own button style but never the base style's values.
  focused->SetAssignedValues(vxStyleValueBit(svButtonStyle) | vxStyleValueBit(svPopupBorderStyle));
  EXPECT_TRUE(focused->IsValueStored(svButtonStyle));
  EXPECT_FALSE(focused->IsValueStored(svPopupBorderStyle));
}

TEST(vxEditStyle, InPlaceAndDirectStylesTakeNoDefaultController) {
  TInplaceHost host;
  TvxEditStyle inplace(&host, false), direct(nullptr, true), plain(nullptr, false);
  EXPECT_FALSE(vxDefaultEditStyleController()->HasListener(&inplace));
  EXPECT_FALSE(vxDefaultEditStyleController()->HasListener(&direct));
  EXPECT_TRUE(vxDefaultEditStyleController()->HasListener(&plain));
  EXPECT_EQ(vxDefaultStyleController(), vxDefaultEditStyleController());
}

// --- Registry and repository ---

TEST(vxEditRepository, RegistryListsEachClassOnceInCaptionOrder) {
  TvxRegisteredClasses& registry = GetRegisteredEditProperties();
  EXPECT_EQ(&registry, &GetRegisteredEditProperties());
  // The editors' start-up registered theirs: set aside for this test, put back afterwards.
  std::vector<std::pair<TvxClass, AnsiString>> started;
  for (int i = 0; i < registry.Count(); ++i) started.emplace_back(registry.Items(i), registry.Texts(i));
  registry.Clear();
  registry.Register(TCheckedProperties::PropertiesClass(), "Checked|A checked editor");
  registry.Register(TvxCustomEditProperties::PropertiesClass(), "Base|The base");
  registry.Register(TCheckedProperties::PropertiesClass(), "Again|Twice");
  ASSERT_EQ(registry.Count(), 2);
  EXPECT_EQ(registry.Items(0), TvxCustomEditProperties::PropertiesClass());
  EXPECT_EQ(registry.Texts(1), "Checked|A checked editor");
  registry.Clear();
  for (const auto& [cls, text] : started) registry.Register(cls, text);
}

TEST(vxEditRepository, ItemsTellTheirListenersAndLeaveTheirRepository) {
  std::vector<std::string> log;
  TListener first(log, "first"), second(log, "second");
  TvxEditRepository repository(nullptr), other(nullptr);
  TvxEditRepositoryItem* item = repository.CreateItem(TCheckedItem::ItemClass());
  EXPECT_EQ(item->Owner(), &repository);
  EXPECT_EQ(item->Properties()->ClassType(), TCheckedProperties::PropertiesClass());
  item->AddListener(&first);
  item->AddListener(&second);
  item->AddListener(&first);
  item->Properties()->SetAutoSelect(false);
  EXPECT_EQ(log, (std::vector<std::string>{"second changed", "first changed"}));

  item->SetRepository(&repository);  // the same one: nothing moves
  EXPECT_EQ(repository.Count(), 1);
  item->SetRepository(&other);
  EXPECT_EQ(repository.Count(), 0);
  EXPECT_EQ(other.Items(0), item);
  item->SetRepository(nullptr);
  EXPECT_EQ(other.Count(), 0);
  EXPECT_FALSE(item->HasParent());
  item->SetParentComponent(&repository);
  EXPECT_EQ(item->GetParentComponent(), &repository);

  log.clear();
  delete item;
  EXPECT_EQ(log, (std::vector<std::string>{"second removed, still listed", "first removed, still listed"}));
  EXPECT_EQ(repository.Count(), 0);
  EXPECT_EQ(repository.ComponentCount(), 0);
}

TEST(vxEditRepository, ARepositoryFreesItsItemsWhoeverOwnsThem) {
  TPanel form(nullptr);
  std::vector<std::string> children;
  {
    TvxEditRepository repository(nullptr);
    repository.CreateItemEx(TvxEditRepositoryItem::ItemClass(), &form)->SetName("onForm");
    repository.CreateItem(TvxEditRepositoryItem::ItemClass())->SetName("own");
    TvxEditRepositoryItem lone(nullptr);  // no listeners, no repository
    lone.Properties()->SetReadOnly(true);
    repository.GetChildren([&children](TComponent* c) { children.push_back(c->Name()); }, &form);
    EXPECT_EQ(form.ComponentCount(), 1);
  }
  EXPECT_EQ(children, (std::vector<std::string>{"onForm"}));
  EXPECT_EQ(form.ComponentCount(), 0);
}

// --- Further values of the ground ---

TEST(vxEditStyle, PopupCloseButtonLivesOnTheBaseStyleAndIsCopied) {
  TvxContainerStyles styles(nullptr, TvxEditStyle::StyleClass());
  auto* normal = static_cast<TvxEditStyle*>(styles.Style());
  auto* focused = static_cast<TvxEditStyle*>(styles.StyleFocused());
  EXPECT_TRUE(normal->PopupCloseButton());
  EXPECT_TRUE(focused->PopupCloseButton());
  focused->SetPopupCloseButton(false);  // lands on the normal style
  EXPECT_FALSE(normal->PopupCloseButton());
  EXPECT_FALSE(focused->PopupCloseButton());
  EXPECT_EQ(normal->AssignedValues(), 0u) << "not an assigned value";
  TvxEditStyle copy(nullptr, false);
  copy.Assign(normal);
  EXPECT_FALSE(copy.PopupCloseButton());

  // Gradient buttons, unlike transparency, belong to the style they are written on.
  focused->SetGradientButtons(true);
  EXPECT_TRUE(focused->GradientButtons());
  EXPECT_FALSE(normal->GradientButtons());
  EXPECT_EQ(focused->AssignedValues(), vxStyleValueBit(svGradientButtons));
  EXPECT_FALSE(static_cast<TvxEditStyle*>(styles.StyleHot())->GradientButtons());
}

TEST(vxEditProperties, OwnEventPublishedNamesAndTheEditorClass) {
  TvxCustomEditProperties source(nullptr), dest(nullptr);
  int own = 0;
  source.OnOwnEvent = [&own](TObject*) { ++own; };
  dest.Assign(&source);
  EXPECT_FALSE(dest.OnOwnEvent) << "Assign leaves the third event";
  dest.OnOwnEvent = [](TObject*) {};
  dest.Assign(&source);
  ASSERT_TRUE(dest.OnOwnEvent);
  dest.OnOwnEvent(&dest);
  EXPECT_EQ(own, 0) << "nor does it overwrite one set";

  const struct {
    const char* Name;
    bool Published;
  } names[] = {{"Alignment", true}, {"ALIGNMENT", true}, {"ReadOnly", false}, {"", false}, {"Alignmen", false}};
  for (const auto& n : names) EXPECT_EQ(dest.AssignedValues()->IsPropertyPublished(n.Name), n.Published) << n.Name;

  TvxCustomEditClass editClass = dest.GetContainerClass();
  ASSERT_NE(editClass, nullptr);
  EXPECT_STREQ(editClass->ClassName, "TvxCustomEdit");
  std::unique_ptr<TvxCustomEdit> edit(editClass->Create(nullptr));
  EXPECT_STREQ(edit->ClassName(), "TvxCustomEdit");

  TvxEditRepositoryItem item(nullptr);
  EXPECT_FALSE(item.PropertiesEvents);
}

TEST(vxEditButtons, DrawingOnTheGlyphIsAChangeOfTheButton) {
  TvxCustomEditProperties p(nullptr);
  TNotifications n(p);
  TvxEditButton* button = p.Buttons()->Add();
  const int added = n.Count;
  TBitmap* glyph = button->Glyph();
  EXPECT_EQ(n.Count, added) << "making the empty glyph is no change";
  glyph->SetSize(8, 8);
  EXPECT_EQ(n.Count, added + 1);
  glyph->Canvas().Brush().SetColor(clRed);
  glyph->Canvas().FillRect(RECT{0, 0, 4, 4});
  EXPECT_EQ(n.Count, added + 2);
  glyph->Canvas().TextExtent("Zg");  // measuring draws nothing
  glyph->SetTransparent(true);
  EXPECT_EQ(n.Count, added + 2);

  TBitmap other;
  other.SetSize(5, 5);
  button->SetGlyph(&other);
  EXPECT_EQ(n.Count, added + 3) << "a copied glyph is one change";
  EXPECT_EQ(button->Glyph()->Width(), 5);

  // A glyph that a layout still holds no longer reaches a button that let it go.
  std::shared_ptr<TBitmap> held = button->SharedGlyph();
  button->SetGlyph(nullptr);
  const int released = n.Count;
  held->SetSize(3, 3);
  p.Buttons()->Delete(0);
  held->Canvas().FillRect(RECT{0, 0, 3, 3});
  EXPECT_EQ(n.Count, released + 1) << "only the deletion was heard";
}

// The edit base as a user meets it in a small text editor: value writes and their change
// events, Escape, Enter, the default button's key, validation on leaving and on a modal close,
// repository items, in-place activation and button accelerators.
#include "EditTestSupport.h"

#include "controls/vxClasses.h"
#include "platform/gui/StdCtrls.h"
#include "tests/controls/ControlsTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using edittest::Settle;
using edittest::TBeepCounter;
using edittest::TTestEdit;
using guitest::Pump;

namespace {

class vxCustomEdit : public guitest::TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Edit = new TTestEdit(Host);
    Edit->SetParent(Host);
    Edit->Properties()->OnChange = [this](TObject*) { Events.push_back("change"); };
    Edit->Properties()->OnEditValueChanged = [this](TObject*) { Events.push_back("value"); };
    Other = new TButton(Host);
    Other->SetParent(Host);
    Other->SetBounds(10, 60, 80, 24);
    Pump();
  }
  // The editor entered with value, focused, the caret at the end.
  void Enter(const AnsiString& value) {
    Edit->SetEditValue(Variant(value));
    Edit->SetFocus();
    Pump();
    ASSERT_EQ(GetFocus(), Edit->Inner()->Handle());
    Edit->TextInner()->SetSelStart(static_cast<int>(value.size()));
    Events.clear();
  }
  AnsiString Text() { return Edit->Inner()->Text(); }
  void RefuseText(const AnsiString& refused, const AnsiString& message) {
    Edit->Properties()->OnValidate = [=](TObject*, Variant& value, AnsiString& text, bool& error) {
      if (value.AsString() != refused) return;
      error = true;
      text = message;
    };
  }

  TTestEdit* Edit = nullptr;
  TButton* Other = nullptr;
  std::vector<std::string> Events;
};

TEST_F(vxCustomEdit, ValueWritesFireTheirEventsOnceAndOnlyForAChange) {
  Edit->SetEditValue(Variant(AnsiString("a")));
  Edit->SetEditValue(Variant(AnsiString("a")));
  EXPECT_EQ(Events, (std::vector<std::string>{"value", "change"}));
  EXPECT_EQ(Text(), "a");
  EXPECT_FALSE(Edit->Modified()) << "a write from outside is no change by the user";

  // Equal values of another type are a change.
  Events.clear();
  Edit->SetEditValue(Variant(int32_t{1}));
  Edit->SetEditValue(Variant(1.0));
  EXPECT_EQ(Events.size(), 4u);

  // Writes while the inner control is locked change nothing.
  Events.clear();
  Edit->LockInnerControl(true);
  Edit->SetEditValue(Variant(AnsiString("b")));
  Edit->LockInnerControl(false);
  EXPECT_TRUE(Events.empty());
  EXPECT_EQ(Edit->EditValue().VarType(), varDouble);

  // Locked change events fire once each at the last unlock.
  Edit->LockChangeEvents(true);
  Edit->LockChangeEvents(true);
  Edit->SetEditValue(Variant(AnsiString("c")));
  Edit->SetEditValue(Variant(AnsiString("d")));
  Edit->LockChangeEvents(false);
  EXPECT_TRUE(Events.empty());
  Edit->LockChangeEvents(false);
  EXPECT_EQ(Events, (std::vector<std::string>{"change", "value"}));

  // The modified pair: ModifiedAfterEnter implies Modified; clearing Modified clears both.
  Edit->SetModifiedAfterEnter(true);
  EXPECT_TRUE(Edit->Modified());
  Edit->SaveModified();
  Edit->SetModified(false);
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
  Edit->RestoreModified();
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
}

TEST_F(vxCustomEdit, EscapeRestoresTheEntryValueAndEatsItsCharacter) {
  Enter("ok");
  std::vector<int> pressed;
  Edit->OnKeyPress = [&](TObject*, char& key) { pressed.push_back(static_cast<unsigned char>(key)); };
  guitest::TypeText(L"x");
  Settle();
  EXPECT_EQ(Text(), "okx");
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
  EXPECT_EQ(Edit->EditValue().AsString(), "ok") << "typing is no value until validated";

  guitest::TapKey(VK_ESCAPE);
  Settle();
  EXPECT_EQ(Text(), "ok");
  EXPECT_TRUE(Edit->Modified());
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
  EXPECT_EQ(pressed, std::vector<int>{'x'}) << "the Escape character never went on";

  guitest::TapKey(VK_ESCAPE);
  Settle();
  EXPECT_EQ(Text(), "ok");
  EXPECT_EQ(pressed, (std::vector<int>{'x', VK_ESCAPE})) << "a second Escape undoes nothing and is not eaten";
}

TEST_F(vxCustomEdit, CtrlEnterClicksTheDefaultButtonAndTypesNothing) {
  TvxEditButtons* buttons = Edit->Properties()->Buttons();
  buttons->Add();
  buttons->Add()->SetDefault(true);
  std::vector<int> clicked;
  Edit->Properties()->OnButtonClick = [&](TObject* sender, int index) {
    EXPECT_EQ(sender, Edit);
    clicked.push_back(index);
  };
  Enter("ab");
  guitest::TapKeyWith(VK_CONTROL, VK_RETURN);
  Settle();
  EXPECT_EQ(clicked, std::vector<int>{1});
  EXPECT_EQ(Text(), "ab");
  EXPECT_FALSE(Edit->ModifiedAfterEnter());

  // A clear key empties the editor.
  Edit->Properties()->SetClearKey(ShortCut(VK_DELETE, ssCtrl));
  guitest::TapKeyWith(VK_CONTROL, VK_DELETE);
  Settle();
  EXPECT_TRUE(Edit->EditValue().IsNull());
  EXPECT_EQ(Text(), "");
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
}

TEST_F(vxCustomEdit, EnterValidatesOnlyWhenAsked) {
  Enter("a");
  guitest::TypeText(L"b");
  guitest::TapKey(VK_RETURN);
  Settle();
  EXPECT_EQ(Edit->EditValue().AsString(), "a");
  EXPECT_EQ(Text(), "ab") << "no line break in the text";

  Edit->Properties()->SetValidateOnEnter(true);
  guitest::TapKey(VK_RETURN);
  Settle();
  EXPECT_EQ(Edit->EditValue().AsString(), "ab");
  EXPECT_EQ(Events, (std::vector<std::string>{"change", "value", "change", "value"}))
      << "the typed character, then the validated value";
}

TEST_F(vxCustomEdit, AnInvalidValueKeepsTheFocusBeepsOnlyWhenAskedAndRaisesItsText) {
  RefuseText("okx", "bad value");
  Enter("ok");
  guitest::TypeText(L"x");
  Settle();
  for (const bool beepOnError : {false, true}) {
    SCOPED_TRACE(beepOnError);
    Edit->Properties()->SetBeepOnError(beepOnError);
    TBeepCounter beeps;
    guitest::TExceptionCatcher caught;
    guitest::TapKey(VK_TAB);
    Settle();
    EXPECT_EQ(GetFocus(), Edit->Inner()->Handle());
    EXPECT_EQ(caught.Messages(), std::vector<std::string>{"bad value"});
    EXPECT_EQ(caught.Classes(), std::vector<std::string>{"EvxEditError"});
    EXPECT_EQ(beeps.Count, beepOnError ? 1 : 0);
    EXPECT_EQ(Edit->TextInner()->GetSelLength(), 3) << "the text stands selected";
    EXPECT_EQ(Edit->EditValue().AsString(), "ok");
  }

  // A refusal without a text of its own says the default text.
  Edit->Properties()->OnValidate = [](TObject*, Variant&, AnsiString&, bool& error) { error = true; };
  {
    guitest::TExceptionCatcher caught;
    Other->SetFocus();
    Pump();
    EXPECT_EQ(caught.Messages(), std::vector<std::string>{"Invalid input value. Use escape key to abandon changes"});
    EXPECT_EQ(GetFocus(), Edit->Inner()->Handle());
  }

  // Escape abandons the change; then the editor can be left.
  guitest::TapKey(VK_ESCAPE);
  guitest::TapKey(VK_TAB);
  Settle();
  EXPECT_EQ(GetFocus(), Other->Handle());
  EXPECT_EQ(Text(), "ok");
}

TEST_F(vxCustomEdit, LeavingWithAValidChangeTakesItAsTheValue) {
  Enter("ok");
  guitest::TypeText(L"!");
  guitest::TapKey(VK_TAB);
  Settle();
  EXPECT_EQ(GetFocus(), Other->Handle());
  EXPECT_EQ(Edit->EditValue().AsString(), "ok!");
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
  EXPECT_TRUE(Edit->Modified());
}

// A modal form with the editor; its steps run on a timer inside the modal loop.
TEST(vxCustomEditModal, ModalOkValidatesSilentlyAndCancelDoesNot) {
  edittest::ExpectModalCloseValidatesSilently<TTestEdit>([](TTestEdit* edit) { return edit->Inner(); });
}

TEST_F(vxCustomEdit, RepositoryItemsServeEditorsOfTheirClassOnly) {
  TvxEditRepository repository(nullptr);
  TvxEditRepositoryItem* plain = repository.CreateItem(TvxEditRepositoryItem::ItemClass());
  try {
    Edit->SetRepositoryItem(plain);
    ADD_FAILURE() << "an item of base properties was taken";
  } catch (const EvxEditError& e) {
    EXPECT_EQ(e.Message(), "The repository item is not acceptable");
  }
  EXPECT_EQ(Edit->RepositoryItem(), nullptr);

  edittest::TValidatingItem item(nullptr);
  std::vector<std::string> itemEvents;
  item.Properties()->OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, Edit);
    itemEvents.push_back("item change");
  };
  item.Properties()->SetReadOnly(true);
  Edit->SetRepositoryItem(&item);
  EXPECT_EQ(Edit->ActiveProperties(), item.Properties());
  EXPECT_TRUE(Edit->Inner()->ReadOnly()) << "the item's properties rule the editor";
  Edit->SetEditValue(Variant(AnsiString("x")));
  EXPECT_EQ(Events, (std::vector<std::string>{"value", "change"}));
  EXPECT_EQ(itemEvents, std::vector<std::string>{"item change"});

  item.Properties()->SetReadOnly(false);
  EXPECT_FALSE(Edit->Inner()->ReadOnly()) << "the item's changes reach the editor";
}

TEST_F(vxCustomEdit, AFreedRepositoryItemLeavesTheEditor) {
  auto* item = new edittest::TValidatingItem(nullptr);
  Edit->SetRepositoryItem(item);
  delete item;
  EXPECT_EQ(Edit->RepositoryItem(), nullptr);
  EXPECT_EQ(Edit->ActiveProperties(), Edit->Properties());
  Edit->Properties()->SetReadOnly(true);
  EXPECT_TRUE(Edit->Inner()->ReadOnly()) << "the own properties are heard again";
}

TEST_F(vxCustomEdit, InPlaceActivationByKeyAndByMouse) {
  auto* inplace = new TTestEdit(Host, true);
  inplace->SetParent(Host);
  inplace->SetBounds(10, 100, 150, 24);
  inplace->SetEditValue(Variant(AnsiString("abc")));
  Pump();
  EXPECT_FALSE(inplace->AutoSize());
  TvxCustomEditData* data = nullptr;
  inplace->ActivateByKey('q', data);
  Pump();
  EXPECT_EQ(GetFocus(), inplace->Inner()->Handle());
  EXPECT_EQ(inplace->Inner()->Text(), "q") << "the key replaced the selected text";
  EXPECT_TRUE(inplace->ModifiedAfterEnter()) << "the key is the user's";

  Other->SetFocus();
  Pump();
  const POINT atText = inplace->ClientToScreen(POINT{20, 12});
  inplace->ActivateByMouse(ssLeft, atText.x, atText.y, data);
  Pump();
  EXPECT_EQ(GetFocus(), inplace->Inner()->Handle());
  EXPECT_NE(GetCapture(), inplace->Handle()) << "a press whose button is up holds no capture";
}

TEST_F(vxCustomEdit, AButtonAcceleratorClicksItsButtonFromAnotherControl) {
  TvxEditButtons* buttons = Edit->Properties()->Buttons();
  buttons->Add()->SetCaption("&Open");
  TvxEditButton* off = buttons->Add();
  off->SetCaption("&Pick");
  off->SetEnabled(false);
  std::vector<int> clicked;
  Edit->Properties()->OnButtonClick = [&](TObject*, int index) { clicked.push_back(index); };
  Other->SetFocus();
  Pump();
  guitest::TypeText(L"op");
  Settle();
  EXPECT_EQ(clicked, std::vector<int>{0}) << "a disabled button is not clicked";
}

TEST_F(vxCustomEdit, EditDataIsResetWhenClearedAndForgetsAFreedEditor) {
  auto* inplace = new TTestEdit(Host, true);
  inplace->SetParent(Host);
  TvxCustomEditData data(inplace);
  EXPECT_TRUE(data.Cleared());
  TvxCustomEditData* given = &data;
  inplace->Activate(given);
  EXPECT_EQ(inplace->EditData(), &data);
  EXPECT_FALSE(data.Cleared()) << "the editor made it ready";
  data.Clear();
  EXPECT_FALSE(data.Cleared()) << "the editor holding it resets it at once";
  delete inplace;
  EXPECT_EQ(data.Edit(), nullptr);
}

TEST_F(vxCustomEdit, AutoSizeTakesTheHeightTheLayoutNeeds) {
  TvxScreenCanvas& canvas = *vxScreenCanvas();
  canvas.SetFont(*Edit->Style()->GetVisibleFont());
  // The text with its margins (1 above, 3 below) in the transparent ring of 2 pixels.
  const int needed = canvas.TextHeight("Zg") + 1 + 3 + 2 + 2;
  EXPECT_TRUE(Edit->AutoSize());
  EXPECT_EQ(Edit->Height(), needed);
  EXPECT_EQ(Edit->Width(), 150) << "the width is free";
  Edit->SetHeight(60);
  EXPECT_EQ(Edit->Height(), needed);
  Edit->Style()->SetTransparentBorder(false);
  Edit->Style()->SetBorderStyle(cbsSingle);
  Edit->SetHeight(60);
  EXPECT_EQ(Edit->Height(), needed - 2) << "a single border is a pixel on each side";
  Edit->SetAutoSize(false);
  Edit->SetHeight(60);
  EXPECT_EQ(Edit->Height(), 60);
}

TEST_F(vxCustomEdit, AButtonPressedWithTheMouseClicksItAndTheTextMakesRoom) {
  TvxEditButton* button = Edit->Properties()->Buttons()->Add();
  button->SetKind(bkEllipsis);
  button->SetWidth(20);
  std::vector<int> clicked;
  Edit->Properties()->OnButtonClick = [&](TObject*, int index) { clicked.push_back(index); };
  Pump();
  TvxCustomEditViewInfo& info = *Edit->EditViewInfo();
  ASSERT_EQ(info.ButtonCount(), 1);
  const RECT bounds = info.ButtonsInfo[0]->Bounds;
  EXPECT_EQ(bounds.right - bounds.left, 20);
  EXPECT_LE(Edit->Inner()->BoundsRect().right, bounds.left);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(GetWindowRgn(Edit->Inner()->Handle(), region), NULLREGION) << "the inner window shows";
  DeleteObject(region);

  const POINT center = Edit->ClientToScreen(POINT{(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2});
  guitest::MouseMoveTo(center);
  ASSERT_TRUE(guitest::PumpUntil([&] { return info.HotButton == 0; }));
  EXPECT_NE(info.ContainerState & vxcsHot, 0);
  guitest::MouseButton(true);
  ASSERT_TRUE(guitest::PumpUntil([&] { return info.PressedButton == 0; }));
  EXPECT_EQ(clicked, std::vector<int>{0}) << "the press clicks";
  guitest::MouseButton(false);
  ASSERT_TRUE(guitest::PumpUntil([&] { return info.PressedButton == -1; }));
  EXPECT_EQ(clicked, std::vector<int>{0});

  guitest::MouseMoveTo(POINT{5, 5});
  EXPECT_TRUE(guitest::PumpUntil([&] { return (info.ContainerState & vxcsHot) == 0; }));
}


// An in-place editor that frees itself when its window gets the activating key. Its memory is
// poisoned and kept, not given back, so that a use after the free faults at once.
class TFreedByKeyEdit : public TTestEdit {
public:
  using TTestEdit::TTestEdit;
  static void* operator new(size_t size) { return ::operator new(size); }
  static void operator delete(void* p, size_t size) {
    std::memset(p, 0xDD, size);
    Freed().push_back(p);
  }
  static std::vector<void*>& Freed() {
    static std::vector<void*> freed;
    return freed;
  }
  static void ReleaseFreed() {
    for (void* p : Freed()) ::operator delete(p);
    Freed().clear();
  }
  LRESULT WndProc(TMessage& m) override {
    if (m.Msg != WM_CHAR) return TTestEdit::WndProc(m);
    delete this;
    return 0;
  }
};

TEST_F(vxCustomEdit, AKeyThatFreesTheEditorEndsItsKeyActivation) {
  auto* inplace = new TFreedByKeyEdit(Host, true);
  inplace->SetParent(Host);
  inplace->SetBounds(10, 100, 150, 24);
  Pump();
  TvxObjectLinkHolder link(inplace);
  const HWND inner = inplace->Inner()->Handle();
  TvxCustomEditData* data = nullptr;
  inplace->ActivateByKey('q', data);
  EXPECT_EQ(link.Object(), nullptr);
  EXPECT_FALSE(IsWindow(inner));
  TFreedByKeyEdit::ReleaseFreed();
}

TEST_F(vxCustomEdit, TheInnerEditDoesNotFollowTheEditorsShowHint) {
  EXPECT_FALSE(Edit->Inner()->ParentShowHint());
  Host->SetShowHint(true);
  EXPECT_TRUE(Edit->ShowHint()) << "the editor follows its parent";
  EXPECT_TRUE(Other->ShowHint());
  EXPECT_FALSE(Edit->Inner()->ShowHint());
  Host->SetShowHint(false);
}

TEST_F(vxCustomEdit, InPlaceCacheAndSizePropertiesComeFromTheLayout) {
  auto* inplace = new TTestEdit(Host, true);
  inplace->SetParent(Host);
  struct Case {
    TTestEdit* Edit;
    RECT Margins;
  } const cases[] = {{Edit, RECT{1, 1, 1, 3}}, {inplace, RECT{1, 1, 1, 1}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Edit->IsInplace());
    const TvxInplaceViewDataCache& cache = c.Edit->InplaceViewDataCache();
    EXPECT_EQ(cache.TextMargins, c.Margins);
    EXPECT_EQ(c.Edit->TextMargins(), c.Margins);
    EXPECT_EQ(cache.BorderExtent, (RECT{0, 0, 0, 0}));
    EXPECT_EQ(cache.WidthCorrection, 1) << "3 less the left and right margins";
    EXPECT_FALSE(cache.NativeWithButtons) << "neither native nor with buttons";
    TvxEditSizeProperties size;
    c.Edit->FillSizeProperties(size);
    EXPECT_EQ(size.MaxLineCount, 1);
    EXPECT_EQ(size.Width, c.Edit->Width());
    EXPECT_EQ(size.Height, -1);
  }
  EXPECT_EQ(inplace->CreateViewData()->InplaceBorderExtent, (RECT{0, 0, 0, 0}));
}

// Counts how often the editor hands its inner edit its options.
class TOptionsCountingEdit : public TTestEdit {
public:
  using TTestEdit::TTestEdit;
  int Updates = 0;

protected:
  void UpdateInnerEditOptions() override { ++Updates; }
};

TEST_F(vxCustomEdit, APropertiesChangeRefreshesTheInnerEditOptionsWhenAValidateEventIsSet) {
  auto* edit = new TOptionsCountingEdit(Host);
  edit->SetParent(Host);
  edit->Updates = 0;
  edit->Properties()->SetAutoSelect(false);
  EXPECT_EQ(edit->Updates, 0);
  edit->Properties()->OnValidate = [](TObject*, Variant&, AnsiString&, bool&) {};
  edit->Properties()->SetAutoSelect(true);
  EXPECT_EQ(edit->Updates, 1);
}

// A binding to outside data: its provider says so, and it holds a value of its own.
class TBoundProvider : public TvxCustomEditDefaultValuesProvider {
public:
  using TvxCustomEditDefaultValuesProvider::TvxCustomEditDefaultValuesProvider;
  bool IsDataBound() const override { return true; }
};

class TBoundBinding : public TvxEditDataBinding {
public:
  explicit TBoundBinding(TvxCustomEdit* edit) : TvxEditDataBinding(edit, std::make_unique<TBoundProvider>(nullptr)) {}
  Variant StoredValue() const override { return Variant(Stored); }
  static inline AnsiString Stored;
};

TEST_F(vxCustomEdit, APaintedCopyShowsTheBindingsStoredValue) {
  TvxEditClasses classes = TTestEdit::TextClasses();
  classes.DataBinding = vxObjectClassOf<TBoundBinding, TvxEditDataBinding, TvxCustomEdit*>("TBoundBinding");
  auto* bound = new TTestEdit(Host, false, classes);
  bound->SetParent(Host);
  bound->Style()->SetTextColor(clBlack);
  bound->SetEditValue(Variant(AnsiString()));
  Pump();
  auto darkPixels = [&](const AnsiString& stored) {
    TBoundBinding::Stored = stored;
    controlstest::TPaintBitmap bitmap(bound->Width(), bound->Height());
    bound->SetControlState(bound->ControlState() | csPaintCopy);
    bound->Perform(WM_PAINT, reinterpret_cast<WPARAM>(bitmap.Canvas().Handle()), 0);
    bound->SetControlState(bound->ControlState() & ~csPaintCopy);
    int count = 0;
    for (int x = 4; x < bound->Width() - 4; ++x)
      for (int y = 4; y < bound->Height() - 4; ++y) count += bitmap.Pixel(x, y) == RGB(0, 0, 0);
    return count;
  };
  EXPECT_EQ(darkPixels(""), 0);
  EXPECT_GT(darkPixels("WWWW"), 20) << "the stored value, though the editor's own is empty";
}

}  // namespace

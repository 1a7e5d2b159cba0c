// The drop-down edit and the popup edit as a user meets them. The popup runs a modal loop inside
// its show message: a test that opens it acts from OnPopup or queues its input first.
#include "editors/vxDropDownEdit.h"

#include "DropDownTestSupport.h"
#include "EditTestSupport.h"
#include "platform/gui/StdCtrls.h"
#include "tests/controls/ControlsTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

using guitest::Pump;
using dropdowntest::TActionPanel;
using guitest::PumpUntil;

namespace {

// A popup edit that frees its popup control before its own destruction goes on (as the
// calculator edit does with its calculator).
class TOwningPopupEdit : public TvxPopupEdit {
public:
  explicit TOwningPopupEdit(TComponent* owner) : TvxPopupEdit(owner) {
    Content = new TPanel(nullptr);
    Content->SetBounds(0, 0, 120, 90);
    Properties()->SetPopupControl(Content);
  }
  ~TOwningPopupEdit() override { delete Content; }
  TPanel* Content;
};

class vxDropDownEdit : public guitest::TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Runner = edittest::Place<TActionPanel>(Host, 380, 250, 10, 10);
    Content = edittest::Place<TPanel>(Host, 200, 60, 120, 90);
    Content->SetAlign(TAlign::alNone);
    Edit = MakeEdit(Host);
    Pump();
  }
  void TearDown() override {
    dropdowntest::CloseAllPopups();
    TFormTest::TearDown();
  }
  TvxPopupEdit* MakeEdit(TWinControl* parent) {
    auto* edit = edittest::Place<TvxPopupEdit>(parent, 20, 20, 150, 21);
    edit->Properties()->SetPopupControl(Content);
    Count(edit);
    return edit;
  }
  // The edit's OnInitPopup, OnPopup and OnCloseUp counted here; OnPopup runs OnPopup.
  template <class TEdit>
  TEdit* Count(TEdit* edit) {
    edit->Properties()->OnInitPopup = [this](TObject*) { ++Inits; };
    edit->Properties()->OnPopup = [this](TObject*) {
      ++Popups;
      if (OnPopup) OnPopup();
    };
    edit->Properties()->OnCloseUp = [this](TObject*) { ++CloseUps; };
    return edit;
  }
  void Focus() {
    Edit->SetFocus();
    Pump();
    ASSERT_TRUE(Edit->Focused());
  }
  // Waits for the popup to have shown and closed again.
  void WaitForClose() {
    PumpUntil([&] { return CloseUps > 0 && !Edit->DroppedDown(); });
    Pump();
  }
  // Opens the popup, looks at it, and closes it again (unless the look closes it itself).
  void OpenAndThen(std::function<void()> look, bool close = true) {
    OnPopup = [this, look, close] {
      look();
      if (close) Edit->SetDroppedDown(false);
    };
    Edit->SetDroppedDown(true);
    WaitForClose();
  }

  TActionPanel* Runner = nullptr;
  TPanel* Content = nullptr;
  TvxPopupEdit* Edit = nullptr;
  int Inits = 0;
  int Popups = 0;
  int CloseUps = 0;
  std::function<void()> OnPopup;
};

// The window as it shows on the screen, painted afresh and copied into a bitmap.
std::unique_ptr<controlstest::TPaintBitmap> CopyOfWindow(TWinControl& window) {
  window.Repaint();
  auto copy = std::make_unique<controlstest::TPaintBitmap>(window.Width(), window.Height());
  HDC dc = GetDC(window.Handle());
  BitBlt(copy->Canvas().Handle(), 0, 0, window.Width(), window.Height(), dc, 0, 0, SRCCOPY);
  ReleaseDC(window.Handle(), dc);
  return copy;
}

}  // namespace

TEST(vxDropDownEditProperties, PopupSizesKeepTheirRulesWithoutNotification) {
  TvxCustomDropDownEditProperties p(nullptr);
  int changes = 0;
  p.OnPropertiesChanged = [&](TObject*) { ++changes; };
  p.SetPopupWidth(-5);
  EXPECT_EQ(p.PopupWidth(), 0);
  p.SetPopupMinWidth(100);
  p.SetPopupWidth(50);
  EXPECT_EQ(p.PopupWidth(), 100);
  p.SetPopupWidth(0);
  EXPECT_EQ(p.PopupWidth(), 0);
  p.SetPopupWidth(150);
  p.SetPopupMinWidth(200);  // the width follows its new minimum
  EXPECT_EQ(p.PopupWidth(), 200);
  p.SetPopupMinWidth(-1);
  EXPECT_EQ(p.PopupMinWidth(), 0);
  p.SetPopupHeight(30);
  p.SetPopupMinHeight(-3);
  EXPECT_EQ(p.PopupMinHeight(), 0);
  p.SetPopupMinHeight(60);
  EXPECT_EQ(p.PopupHeight(), 60);
  p.SetPopupHeight(10);
  EXPECT_EQ(p.PopupHeight(), 60);
  EXPECT_EQ(changes, 0);
  p.SetPopupSizeable(true);
  p.SetPopupSysPanelStyle(true);
  p.SetPopupClientEdge(true);
  EXPECT_EQ(changes, 3);
}

TEST(vxDropDownEditProperties, DefaultsAlignmentAndTheOneArrowButton) {
  TvxCustomDropDownEditProperties p(nullptr);
  EXPECT_FALSE(p.DropDownButtonPressedWhileActive());
  EXPECT_EQ(p.PopupBorderOption(), 1);
  EXPECT_EQ(p.PopupDirectionOption(), 2);
  ASSERT_EQ(p.Buttons()->Count(), 1);
  EXPECT_EQ(p.Buttons()->Items(0)->Kind(), bkDown);
  struct {
    TAlignment Alignment;
    int Stored;
  } cases[] = {{TAlignment::taRightJustify, 2}, {TAlignment::taCenter, 1}, {TAlignment::taLeftJustify, 0}};
  for (const auto& c : cases) {
    p.SetPopupAlignment(c.Alignment);
    EXPECT_EQ(p.PopupAlignment(), c.Alignment);
    EXPECT_EQ(static_cast<int>(p.PopupHorzAlignment()), c.Stored);
  }

  TvxPopupEditProperties popup(nullptr);
  EXPECT_TRUE(popup.ImmediatePopup());
  EXPECT_EQ(popup.PopupWidth(), 250);
  EXPECT_EQ(popup.PopupHeight(), 200);
  EXPECT_EQ(popup.PopupMinWidth(), 100);
  EXPECT_EQ(popup.PopupMinHeight(), 100);
  EXPECT_TRUE(popup.PopupSizeable());
}

TEST(vxDropDownEditProperties, ButtonGlyphMakesAGlyphButtonAndBack) {
  TvxCustomDropDownEditProperties p(nullptr);
  EXPECT_EQ(p.ButtonGlyph(), nullptr);
  TBitmap glyph;
  glyph.SetSize(8, 8);
  p.SetButtonGlyph(&glyph);
  ASSERT_NE(p.ButtonGlyph(), nullptr);
  EXPECT_EQ(p.Buttons()->Items(0)->Kind(), bkGlyph);
  p.SetButtonGlyph(nullptr);
  EXPECT_EQ(p.ButtonGlyph(), nullptr);
  EXPECT_EQ(p.Buttons()->Items(0)->Kind(), bkDown);
  p.Buttons()->Clear();
  EXPECT_EQ(p.ButtonGlyph(), nullptr);
  p.SetButtonGlyph(&glyph);  // no button: nothing to set
}

TEST_F(vxDropDownEdit, DroppedDownTwicePostsOneShow) {
  Edit->SetDroppedDown(true);
  Edit->SetDroppedDown(true);
  ASSERT_NE(Edit->PopupWindow(), nullptr);
  EXPECT_TRUE(Edit->IsPopupShowPending());
  MSG msg{};
  int shows = 0;
  while (PeekMessageA(&msg, Edit->PopupWindow()->Handle(), VXM_REPOPUP, VXM_REPOPUP, PM_REMOVE)) ++shows;
  EXPECT_EQ(shows, 1);
  EXPECT_EQ(Inits, 1);
  EXPECT_FALSE(Edit->DroppedDown());
}

TEST_F(vxDropDownEdit, KeysOpenAndCloseWithTheirReasons) {
  Focus();
  struct {
    const char* Name;
    WORD Modifier, Open, Close;
    bool ReadOnly, PostOnTab;
    TvxEditCloseUpReason Reason;
  } cases[] = {
      {"F4, Escape", 0, VK_F4, VK_ESCAPE, false, false, crCancel},
      {"Alt+Down, Enter", VK_MENU, VK_DOWN, VK_RETURN, false, false, crEnter},
      {"F4, Enter read-only", 0, VK_F4, VK_RETURN, true, false, crCancel},
      {"F4, F4", 0, VK_F4, VK_F4, false, false, crClose},
      {"Alt+Up, Escape", VK_MENU, VK_UP, VK_ESCAPE, false, false, crCancel},
      {"F4, Tab posting", 0, VK_F4, VK_TAB, false, true, crTab},
  };
  for (const auto& c : cases) {
    Edit->Properties()->SetReadOnly(c.ReadOnly);
    Edit->Properties()->SetPostPopupValueOnTab(c.PostOnTab);
    Focus();
    Inits = Popups = CloseUps = 0;
    bool wasOpen = false;
    OnPopup = [&] {
      wasOpen = Edit->DroppedDown();
      guitest::TapKey(c.Close);
    };
    edittest::PressKey(c.Modifier, c.Open);
    WaitForClose();
    EXPECT_TRUE(wasOpen) << c.Name;
    EXPECT_FALSE(Edit->DroppedDown()) << c.Name;
    EXPECT_EQ(Edit->LastCloseUpReason(), c.Reason) << c.Name;
    EXPECT_EQ(Inits, 1) << c.Name;
    EXPECT_EQ(Popups, 1) << c.Name;
    EXPECT_EQ(CloseUps, 1) << c.Name;
  }
}

TEST_F(vxDropDownEdit, PopupRightJustifiedEndsAtTheEditsRightEdge) {
  Edit->Properties()->SetPopupAlignment(TAlignment::taRightJustify);
  RECT popup{}, extent{}, client{};
  OpenAndThen([&] {
    TvxCustomEditPopupWindow* window = Edit->PopupWindow();
    extent = window->ViewInfo()->GetClientExtent();
    client = window->ViewInfo()->ClientRect;
    popup = RECT{window->Left(), window->Top(), window->Left() + window->Width(), window->Top() + window->Height()};
  });
  const POINT editRight = Edit->ClientToScreen(POINT{Edit->Width(), Edit->Height()});
  EXPECT_EQ(popup.right, editRight.x);
  EXPECT_EQ(popup.top, editRight.y);
  // Auto-sized: the content's own size inside the frame.
  EXPECT_EQ(popup.right - popup.left, 120 + extent.left + extent.right);
  EXPECT_EQ(client.right - client.left, 120);
  // Sizeable (the popup edit's default): never below the minimum height of 100.
  EXPECT_EQ(popup.bottom - popup.top, std::max<int>(90 + extent.top + extent.bottom, 100));
}

TEST_F(vxDropDownEdit, PanelComesBackToItsPlace) {
  auto* parent = edittest::Place<TPanel>(Host, 200, 60, 150, 120);
  Content->SetParent(parent);
  Content->SetAlign(TAlign::alNone);
  Content->SetBounds(5, 6, 120, 90);
  Content->SetVisible(false);
  bool hosted = false, shown = false;
  OpenAndThen([&] {
    hosted = Content->Parent() == Edit->PopupWindow() && Content->Align() == TAlign::alClient;
    shown = Content->Visible();
  });
  EXPECT_TRUE(hosted);
  EXPECT_TRUE(shown);
  EXPECT_EQ(Content->Parent(), parent);
  EXPECT_EQ(Content->Align(), TAlign::alNone);
  EXPECT_EQ(Content->BoundsRect(), (RECT{5, 6, 125, 96}));
  EXPECT_FALSE(Content->Visible());
  EXPECT_EQ(Edit->HostedControl(), nullptr);
}

TEST_F(vxDropDownEdit, FormShowsBorderlessAndGetsItsBorderBack) {
  auto* form = new TForm(Host);
  form->SetBorderStyle(TBorderStyle::bsSizeable);
  form->SetBounds(0, 0, 160, 100);
  Edit->Properties()->SetPopupControl(form);
  TBorderStyle during = TBorderStyle::bsSizeable;
  OpenAndThen([&] { during = form->BorderStyle(); });
  EXPECT_EQ(during, TBorderStyle::bsNone);
  EXPECT_EQ(form->BorderStyle(), TBorderStyle::bsSizeable);
  EXPECT_EQ(form->Parent(), nullptr);
  EXPECT_FALSE(form->Visible());
}

TEST_F(vxDropDownEdit, FreedPopupControlLeavesNoneAndTheEditDoesNotOpen) {
  delete Content;
  Content = nullptr;
  EXPECT_EQ(Edit->Properties()->PopupControl(), nullptr);
  Edit->SetDroppedDown(true);
  EXPECT_FALSE(Edit->IsPopupShowPending());
  Pump();
  EXPECT_FALSE(Edit->DroppedDown());
}

TEST_F(vxDropDownEdit, CircularPopupControlIsRefusedWithNothingMoved) {
  auto* holder = edittest::Place<TPanel>(Host, 10, 150, 200, 60);
  TvxPopupEdit* inner = MakeEdit(holder);
  inner->Properties()->SetPopupControl(holder);
  guitest::TExceptionCatcher catcher;
  inner->SetFocus();
  Pump();
  guitest::TapKey(VK_F4);
  Pump();
  ASSERT_EQ(catcher.Messages().size(), 1u);
  EXPECT_EQ(catcher.Messages()[0], "Circular referencing is not allowed");
  EXPECT_EQ(holder->Parent(), Host);
  EXPECT_TRUE(holder->Visible());
  EXPECT_FALSE(inner->DroppedDown());
  EXPECT_FALSE(inner->IsPopupShowPending());
}

TEST_F(vxDropDownEdit, ControlFreedInTheOpenPopupIsNotTouchedAgain) {
  OpenAndThen(
      [&] {
        delete Content;
        Content = nullptr;
        Runner->Queue([&] { Edit->SetDroppedDown(false); });
      },
      false);
  EXPECT_EQ(Edit->Properties()->PopupControl(), nullptr);
  EXPECT_EQ(Edit->HostedControl(), nullptr);
  EXPECT_EQ(CloseUps, 1);
}

TEST_F(vxDropDownEdit, EditFreedWithItsPopupOpen) {
  // An edit that frees its own popup control first, freed from inside the popup's loop.
  auto* owning = edittest::Place<TOwningPopupEdit>(Host, 20, 60, 150, 21);
  bool opened = false;
  owning->Properties()->OnPopup = [&](TObject*) {
    opened = true;
    Runner->Queue([&] { delete owning; });
  };
  Pump();
  owning->SetDroppedDown(true);
  PumpUntil([&] { return opened && TvxCustomPopupWindow::VisiblePopupCount() == 0; });
  EXPECT_TRUE(opened);
  EXPECT_EQ(TvxCustomPopupWindow::VisiblePopupCount(), 0);

  // The plain popup edit freed while open: its control comes back to the host.
  OnPopup = [&] { Runner->Queue([&] { delete Edit; Edit = nullptr; }); };
  Edit->SetDroppedDown(true);
  PumpUntil([&] { return Edit == nullptr; });
  Pump();
  ASSERT_EQ(Edit, nullptr);
  EXPECT_EQ(Content->Parent(), Host);
  EXPECT_EQ(Content->BoundsRect(), (RECT{200, 60, 320, 150}));
}

TEST_F(vxDropDownEdit, TypedCharacterOpensAndReachesThePopupControl) {
  auto* text = edittest::Place<TEdit>(Host, 200, 60, 100, 21);
  Edit->Properties()->SetPopupControl(text);
  Focus();
  OnPopup = [&] { Runner->Queue([&] { Runner->Queue([&] { Edit->SetDroppedDown(false); }); }); };
  guitest::TypeText(L"7");
  WaitForClose();
  EXPECT_EQ(Popups, 1);
  EXPECT_EQ(text->Text(), "7");
  EXPECT_EQ(Edit->Text(), "");
}

TEST(vxDropDownEditRegistry, ComboBoxAndPopupEditAreRegisteredWithTheirEditorsAndLists) {
  TvxRegisteredClasses& registry = GetRegisteredEditProperties();
  struct {
    TvxCustomEditPropertiesClass Class;
    const char* Text;
    const char* Container;
    const char* Published;
    const char* NotPublished;
  } cases[] = {
      {TvxComboBoxProperties::PropertiesClass(), "ComboBox|Represents the combo box editor", "TvxComboBox",
       "DropDownRows", "PopupControl"},
      {TvxPopupEditProperties::PropertiesClass(), "PopupEdit|Represents an edit control with a dropdown list",
       "TvxPopupEdit", "PopupControl", "DropDownRows"},
  };
  for (const auto& c : cases) {
    const int index = registry.IndexOf(c.Class);
    ASSERT_GE(index, 0) << c.Text;
    EXPECT_EQ(registry.Texts(index), c.Text);
    std::unique_ptr<TvxCustomEditProperties> properties(c.Class->Create(nullptr));
    EXPECT_STREQ(properties->GetContainerClass()->ClassName, c.Container);
    EXPECT_TRUE(properties->IsPublishedProperty(c.Published)) << c.Published;
    EXPECT_FALSE(properties->IsPublishedProperty(c.NotPublished)) << c.NotPublished;
  }
  // A second start and stop of the unit change nothing (counted).
  InitializevxDropDownEdit();
  FinalizevxDropDownEdit();
  EXPECT_GE(registry.IndexOf(TvxComboBoxProperties::PropertiesClass()), 0);
}

TEST_F(vxDropDownEdit, CloseQueryIsHeardAndThePressedLookFollowsThePopup) {
  int queries = 0;
  Edit->Properties()->OnCloseQuery = [&](TObject*) { ++queries; };
  Edit->Properties()->SetDropDownButtonPressedWhileActive(true);
  TvxEditButtonState during = ebsNormal;
  OpenAndThen(
      [&] {
        during = Edit->EditViewInfo()->ButtonsInfo[0]->State;
        Edit->PopupWindow()->SetModalResult(mrCancel);  // the popup's own closing asks the query
      },
      false);
  EXPECT_EQ(queries, 1);
  EXPECT_EQ(Edit->LastCloseUpReason(), crCancel);
  EXPECT_EQ(during, ebsPressed);
  EXPECT_NE(Edit->EditViewInfo()->ButtonsInfo[0]->State, ebsPressed);
}

TEST_F(vxDropDownEdit, ClickOnTheOpenPopupsEditOnlyClosesItAndTheNextClickOpensIt) {
  auto* field = edittest::Place<TEdit>(Host, 200, 160, 100, 21);
  struct {
    const char* Name;
    std::function<TvxCustomDropDownEdit*()> Make;
  } editors[] = {
      {"popup edit holding a panel",
       [&] {
         auto* edit = edittest::Place<TvxPopupEdit>(Host, 20, 100, 150, 21);
         edit->Properties()->SetPopupControl(Content);
         return Count(edit);
       }},
      {"popup edit holding a text field",
       [&] {
         auto* edit = edittest::Place<TvxPopupEdit>(Host, 20, 100, 150, 21);
         edit->Properties()->SetPopupControl(field);
         return Count(edit);
       }},
      {"combo box",
       [&] {
         auto* combo = edittest::Place<TvxComboBox>(Host, 20, 100, 150, 21);
         TStringList items;
         for (const char* item : {"apple", "banana", "cherry"}) items.Add(item);
         combo->Properties()->SetItems(items);
         return Count(combo);
       }},
  };
  // Where the click that closes comes: on the button again at once (the system makes it a
  // double click), on the button a few pixels aside (a plain press), on the edit's own frame
  // beside its text.
  struct {
    const char* Name;
    std::function<POINT(TvxCustomDropDownEdit* edit, POINT button)> Where;
  } seconds[] = {
      {"at once on the button", [](TvxCustomDropDownEdit*, POINT button) { return button; }},
      {"aside on the button", [](TvxCustomDropDownEdit*, POINT button) { return POINT{button.x + 4, button.y + 3}; }},
      {"on the frame",
       [](TvxCustomDropDownEdit* edit, POINT) { return edit->ClientToScreen(POINT{1, edit->Height() / 2}); }},
  };
  for (const auto& e : editors) {
    for (const auto& second : seconds) {
      const std::string name = std::string(e.Name) + ", " + second.Name;
      TvxCustomDropDownEdit* edit = e.Make();
      Pump();
      Inits = Popups = CloseUps = 0;
      const POINT button = dropdowntest::ButtonCentre(edit);
      const POINT closing = second.Where(edit, button);
      ASSERT_EQ(WindowFromPoint(closing), edit->Handle()) << name;  // the edit's own window
      // The second click comes while the popup the first one opened runs its loop; a popup
      // opened once more closes itself, so that the test goes on.
      OnPopup = [&] {
        if (Popups == 1)
          Runner->Queue([&] { dropdowntest::ClickAt(closing); });
        else
          Runner->Queue([&] { edit->SetDroppedDown(false); });
      };
      dropdowntest::ClickAt(button);
      PumpUntil([&] { return CloseUps > 0 && !edit->DroppedDown() && !edit->IsPopupShowPending(); });
      edittest::Settle();
      EXPECT_FALSE(edit->DroppedDown()) << name;
      EXPECT_EQ(Inits, 1) << name;
      EXPECT_EQ(Popups, 1) << name;
      EXPECT_EQ(CloseUps, 1) << name;

      // The close is not remembered: the next click on the button opens the popup again.
      const int closes = CloseUps;
      dropdowntest::ClickAt(button);
      PumpUntil([&] { return CloseUps > closes && !edit->DroppedDown(); });
      edittest::Settle();
      EXPECT_EQ(Inits, 2) << name;
      EXPECT_EQ(Popups, 2) << name;
      EXPECT_EQ(CloseUps, 2) << name;
      OnPopup = nullptr;
      delete edit;
      Pump();
    }
  }
}

TEST_F(vxDropDownEdit, AnEditFreedByItsInitPopupOrPopupHandlerIsNotTouchedAgain) {
  struct {
    const char* Name;
    bool ByKey;        // F4 in the focused edit, else DroppedDown := True
    bool InInitPopup;  // freed by OnInitPopup, else by OnPopup
    bool Combo;
  } cases[] = {
      {"popup edit, F4, OnInitPopup", true, true, false},
      {"popup edit, DroppedDown, OnInitPopup", false, true, false},
      {"combo box, F4, OnInitPopup", true, true, true},
      {"combo box, DroppedDown, OnPopup", false, false, true},
      {"combo box, F4, OnPopup", true, false, true},
  };
  for (const auto& c : cases) {
    guitest::TExceptionCatcher caught;
    TvxCustomDropDownEdit* edit = nullptr;
    if (c.Combo) {
      auto* combo = edittest::Place<TvxComboBox>(Host, 20, 100, 150, 21);
      TStringList items;
      for (const char* item : {"apple", "banana"}) items.Add(item);
      combo->Properties()->SetItems(items);
      edit = Count(combo);
    } else {
      edit = MakeEdit(Host);
    }
    bool freed = false;
    const auto free = [&] {
      delete edit;
      freed = true;
    };
    TvxCustomDropDownEditProperties* properties = edit->ActiveProperties();
    if (c.InInitPopup)
      properties->OnInitPopup = [&](TObject*) { free(); };
    else
      OnPopup = free;
    Pump();
    if (c.ByKey) {
      edit->SetFocus();
      Pump();
      guitest::TapKey(VK_F4);
    } else {
      edit->SetDroppedDown(true);
    }
    EXPECT_TRUE(PumpUntil([&] { return freed; })) << c.Name;
    edittest::Settle();
    EXPECT_EQ(TvxCustomPopupWindow::VisiblePopupCount(), 0) << c.Name;
    EXPECT_TRUE(caught.Messages().empty()) << c.Name << ": " << caught.Messages().front();
    OnPopup = nullptr;
  }
}

TEST_F(vxDropDownEdit, Frame3DOfThePopupEditIsAlwaysTheFullFourLines) {
  static_cast<TvxCustomEditStyle*>(Edit->Style())->SetPopupBorderStyle(epbsFrame3D);
  // Each line from the outside in: its colour on the left and top, and on the right and bottom.
  const struct {
    COLORREF LeftTop, RightBottom;
  } lines[] = {
      {GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW)},
      {GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW)},
      {GetSysColor(COLOR_INACTIVEBORDER), GetSysColor(COLOR_INACTIVEBORDER)},
      {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNFACE)},
  };
  for (bool clientEdge : {false, true}) {
    SCOPED_TRACE(clientEdge ? "with the client edge" : "without the client edge");
    Edit->Properties()->SetPopupClientEdge(clientEdge);
    std::unique_ptr<controlstest::TPaintBitmap> copy;
    bool native = true;
    CloseUps = 0;
    OpenAndThen([&] {
      native = Edit->PopupWindow()->NativeStyle();
      copy = CopyOfWindow(*Edit->PopupWindow());
    });
    ASSERT_NE(copy, nullptr);
    EXPECT_FALSE(native);
    TvxCustomEditPopupWindowViewInfo* info = Edit->PopupWindow()->ViewInfo();
    EXPECT_EQ(typeid(*info), typeid(TvxPopupEditPopupWindowViewInfo));
    EXPECT_NE(dynamic_cast<TvxPopupEditPopupWindowViewInfo*>(info), nullptr);
    const int w = copy->Width();
    const int h = copy->Height();
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(copy->Pixel(i, h / 2), lines[i].LeftTop) << "left, line " << i;
      EXPECT_EQ(copy->Pixel(w / 2, i), lines[i].LeftTop) << "top, line " << i;
      EXPECT_EQ(copy->Pixel(w - 1 - i, h / 2), lines[i].RightBottom) << "right, line " << i;
      EXPECT_EQ(copy->Pixel(w / 2, h - 1 - i), lines[i].RightBottom) << "bottom, line " << i;
    }
    if (HasFailure())
      guitest::SaveArtifact(*copy, clientEdge ? "popup_edit_frame3d_client_edge.bmp" : "popup_edit_frame3d.bmp");
  }
}

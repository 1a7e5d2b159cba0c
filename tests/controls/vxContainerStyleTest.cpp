// Container styles: the defaults of state styles, values that live on the base style, the
// lookup through style controllers (and the default one), refused controller cycles, the
// change notification, and what a container owner adds (parent colour, in-place).
#include "ControlsTestSupport.h"

#include "controls/vxContainer.h"
#include "platform/gui/ExtCtrls.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Stands in for the container control: a control that answers what a style asks.
class TStyleHost : public TCustomControl, public IvxContainerStyleOwner {
public:
  TStyleHost() : TCustomControl(nullptr) {}
  bool DefaultParentColor() const override { return ParentColorByDefault; }
  bool IsInplace() const override { return Inplace; }
  TvxContainerStyleValues GetNotPublishedStyleValues() const override { return NotPublished; }
  bool ParentColorByDefault = false;
  bool Inplace = false;
  TvxContainerStyleValues NotPublished = 0;
};

void CountChanges(TvxContainerStyle& style, int& count) {
  count = 0;
  style.OnChanged = [&count](TObject*) { ++count; };
}

}  // namespace

TEST(vxContainerStyle, StateStylesDeriveTheirBorderFromTheBaseStyle) {
  const struct {
    TvxContainerBorderStyle Base;
    bool HotTrack;
    TvxContainerStateItem State;
    TvxContainerBorderStyle Expected;
  } cases[] = {
      {cbsSingle, true, csActive, cbsThick},
      {cbsSingle, false, csActive, cbsSingle},  // without hot tracking every state looks normal
      {cbsNone, true, csHotTrack, cbsFlat},
      {cbsFlat, true, csHotTrack, cbs3D},
      {cbsSingle, false, csDisabled, cbsSingle},
      {cbsUltraFlat, true, csActive, cbsUltraFlat},
  };
  for (const auto& c : cases) {
    TvxContainerStyles styles(nullptr, TvxContainerStyle::StyleClass());
    styles.Style()->SetBorderStyle(c.Base);
    styles.Style()->SetHotTrack(c.HotTrack);
    EXPECT_EQ(styles.Items(c.State)->BorderStyle(), c.Expected) << int(c.Base) << " " << int(c.State);
  }
  // A base style's own default follows its look-and-feel.
  const struct {
    TvxLookAndFeelKind Kind;
    TvxContainerBorderStyle Expected;
  } kinds[] = {{lfFlat, cbsFlat}, {lfStandard, cbs3D}, {lfUltraFlat, cbsUltraFlat}, {lfOffice11, cbsOffice11}};
  TvxContainerStyle base(nullptr, false);
  for (const auto& k : kinds) {
    base.LookAndFeel()->SetKind(k.Kind);
    EXPECT_EQ(base.BorderStyle(), k.Expected) << int(k.Kind);
  }
}

TEST(vxContainerStyle, DisabledStyleGreysOutUnlessValuesAreAssigned) {
  TStyleHost host;
  TvxContainerStyles styles(&host, TvxContainerStyle::StyleClass());
  TvxContainerStyle* disabled = styles.StyleDisabled();
  styles.Style()->SetTextColor(clRed);
  styles.Style()->SetBorderColor(clNavy);
  EXPECT_EQ(disabled->TextColor(), clBtnShadow);
  EXPECT_EQ(disabled->BorderColor(), clBtnShadow);
  EXPECT_EQ(disabled->Color(), clBtnFace);
  EXPECT_EQ(styles.Style()->Color(), clWindow);
  EXPECT_EQ(styles.StyleFocused()->TextColor(), clRed);
  EXPECT_EQ(styles.StyleFocused()->BorderColor(), clNavy);
  disabled->SetTextColor(clGreen);
  EXPECT_EQ(disabled->TextColor(), clGreen);
  // A container that shows its parent's colour by default: the disabled colour follows too.
  host.ParentColorByDefault = true;
  EXPECT_EQ(styles.Style()->Color(), clBtnFace);
  styles.Style()->SetColor(clYellow);
  EXPECT_EQ(disabled->Color(), clYellow);
}

TEST(vxContainerStyle, BaseOnlyValuesWrittenOnAStateStyleLandOnTheBase) {
  TvxContainerStyles styles(nullptr, TvxContainerStyle::StyleClass());
  TvxContainerStyle* hot = styles.StyleHot();
  hot->SetEdges(bLeft | bTop);
  hot->SetShadow(true);
  hot->SetHotTrack(false);
  hot->SetTransparentBorder(false);
  hot->SetColor(clRed);  // colours belong to each state
  EXPECT_EQ(styles.Style()->Edges(), bLeft | bTop);
  EXPECT_TRUE(styles.StyleFocused()->Shadow());
  EXPECT_FALSE(styles.Style()->HotTrack());
  EXPECT_FALSE(styles.Style()->TransparentBorder());
  EXPECT_EQ(hot->AssignedValues(), vxStyleValueBit(csvColor));
  EXPECT_EQ(styles.Style()->AssignedValues(), vxStyleValueBit(csvEdges) | vxStyleValueBit(csvShadow) |
                                                  vxStyleValueBit(csvHotTrack) |
                                                  vxStyleValueBit(csvTransparentBorder));
  EXPECT_NE(styles.Style()->Color(), clRed);
  // A state style never stores what only the base style holds.
  hot->SetAssignedValues(vxStyleValueBit(csvEdges) | vxStyleValueBit(csvColor));
  EXPECT_FALSE(hot->IsValueStored(csvEdges));
  EXPECT_TRUE(hot->IsValueStored(csvColor));
  EXPECT_TRUE(styles.Style()->IsValueStored(csvEdges));
}

TEST(vxContainerStyle, ValuesComeThroughTheControllerOfTheSameState) {
  TvxStyleController fallback(nullptr), controller(nullptr);
  vxSetDefaultStyleController(&fallback);
  {
    TvxContainerStyles styles(nullptr, TvxContainerStyle::StyleClass());
    EXPECT_EQ(styles.Style()->StyleController(), nullptr);  // the default one serves unnamed
    EXPECT_TRUE(fallback.HasListener(styles.Style()));
    fallback.StyleFocused()->SetBorderColor(clLime);
    EXPECT_EQ(styles.StyleFocused()->BorderColor(), clLime);

    styles.Style()->SetStyleController(&controller);
    EXPECT_FALSE(fallback.HasListener(styles.Style()));
    controller.StyleFocused()->SetBorderColor(clFuchsia);
    controller.Style()->SetEdges(bTop);
    controller.Style()->LookAndFeel()->SetKind(lfStandard);
    EXPECT_EQ(styles.StyleFocused()->BorderColor(), clFuchsia);
    EXPECT_EQ(styles.StyleHot()->Edges(), bTop);
    EXPECT_TRUE(styles.StyleFocused()->IsValueAssigned(csvBorderColor));
    EXPECT_FALSE(styles.StyleFocused()->IsValueAssigned(csvTextColor));
    EXPECT_EQ(styles.Style()->LookAndFeel()->Kind(), lfStandard);  // the controller's is its master

    // The controller's font reaches the base style without counting as its own.
    controller.Style()->Font()->SetName("Arial");
    EXPECT_EQ(styles.Style()->Font()->Name(), "Arial");
    EXPECT_EQ(styles.Style()->AssignedValues() & vxStyleValueBit(csvFont), 0u);

    // A controller whose chain leads back here is refused without a word.
    controller.Style()->SetStyleController(&fallback);
    fallback.Style()->SetStyleController(&controller);
    EXPECT_EQ(fallback.Style()->StyleController(), nullptr);
    EXPECT_EQ(controller.Style()->StyleController(), nullptr);  // the default is "none" by name
  }
  vxSetDefaultStyleController(nullptr);
}

TEST(vxContainerStyle, AFreedControllerHandsItsStylesToTheDefault) {
  TvxStyleController fallback(nullptr);
  vxSetDefaultStyleController(&fallback);
  TvxContainerStyle style(nullptr, false);
  int changes = 0;
  CountChanges(style, changes);
  {
    TvxStyleController controller(nullptr);
    controller.Style()->SetColor(clAqua);
    style.SetStyleController(&controller);
    EXPECT_EQ(style.Color(), clAqua);
    changes = 0;
  }
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(fallback.HasListener(&style));
  EXPECT_EQ(style.LookAndFeel()->MasterLookAndFeel(), fallback.Style()->LookAndFeel());
  EXPECT_EQ(style.Color(), clBtnFace);
  vxSetDefaultStyleController(nullptr);
  EXPECT_TRUE(fallback.HasListener(&style));  // taking the default away changes no style
}

TEST(vxContainerStyle, ChangesAreToldOnceOutsideUpdates) {
  TvxContainerStyle style(nullptr, false);
  int changes = 0;
  CountChanges(style, changes);
  style.BeginUpdate();
  style.EndUpdate();
  EXPECT_EQ(changes, 0);  // nothing pending
  style.BeginUpdate();
  style.BeginUpdate();
  style.SetColor(clRed);
  style.SetTextStyle(fsBold);
  style.EndUpdate();
  EXPECT_EQ(changes, 0);
  style.EndUpdate();
  EXPECT_EQ(changes, 1);
  style.SetColor(clRed);  // assigned and equal
  EXPECT_EQ(changes, 1);
  style.Font()->SetHeight(20);  // a change made to the font itself assigns it
  EXPECT_EQ(changes, 2);
  EXPECT_NE(style.AssignedValues() & vxStyleValueBit(csvFont), 0u);
  // A direct-access style tells nobody.
  TvxContainerStyle direct(nullptr, true);
  CountChanges(direct, changes);
  direct.SetColor(clBlue);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(direct.AssignedValues(), 0x3FFu);
  EXPECT_EQ(direct.BorderColor(), clDefault);
}

TEST(vxContainerStyle, ContainersShowTheirParentsColourExceptInPlace) {
  TPanel parent(nullptr);
  parent.SetColor(clOlive);
  TStyleHost host;
  host.SetParent(&parent);
  TvxContainerStyles styles(&host, TvxContainerStyle::StyleClass());
  styles.Style()->SetColor(clRed);
  host.SetParentColor(true);
  EXPECT_EQ(styles.Style()->Color(), clOlive);
  EXPECT_EQ(styles.Style()->GetVisibleColor(), clOlive);
  host.Inplace = true;
  EXPECT_EQ(styles.Style()->GetVisibleColor(), clRed);
  host.SetParentColor(false);
  EXPECT_EQ(styles.Style()->Color(), clRed);
  // Restoring the defaults lets a container that prefers its parent's colour show it again.
  host.ParentColorByDefault = true;
  styles.Style()->RestoreDefaults();
  EXPECT_TRUE(host.ParentColor());
  EXPECT_TRUE(host.ParentFont());
  host.SetParent(nullptr);
}

// The painters against the geometry and values they are built to, the themed painter against
// Wine's real visual style (each themed part drawn exactly as uxtheme draws it with the class,
// part and state it stands for), the radio images against the system's own radio, and the
// painter a look-and-feel chooses. A sheet of every look's parts is saved for people to see.
#include "ControlsTestSupport.h"
#include "PainterSamples.h"

#include "controls/vdOffice11.h"
#include "controls/vdThemeConsts.h"
#include "controls/vdUxTheme.h"
#include "controls/vxLookAndFeelPainters.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysExceptions.h"
#include "platform/rtl/SysStrings.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

using controlstest::TPaintBitmap;

namespace {

using P = TvxLookAndFeelPainterClass;

COLORREF Rgb(TColor c) { return ColorToRGB(c); }

// The bounding box of the pixels that differ from the fill.
RECT PaintedBox(TPaintBitmap& bitmap, COLORREF fill) {
  RECT box{bitmap.Width(), bitmap.Height(), 0, 0};
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      if (bitmap.Pixel(x, y) != fill) {
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
  return box;
}

// Draws with the painter and, on a second bitmap, with uxtheme directly; both start grey.
void ExpectDrawnAsTheme(const std::function<void(TvxCanvas&)>& draw, TvdThemedObjectType type, int part, int state,
                        const RECT& r, const char* what) {
  TPaintBitmap painted(40, 40, clGray), direct(40, 40, clGray);
  TvxCanvas canvas(painted.Canvas());
  draw(canvas);
  ASSERT_EQ(DrawThemeBackground(OpenTheme(type), direct.Canvas().Handle(), part, state, r), S_OK) << what;
  EXPECT_EQ(painted.ReadPixels32(), direct.ReadPixels32()) << what << " part " << part << " state " << state;
}

}  // namespace

TEST(vxLookAndFeelPainters, ArrowGeometry) {
  const struct {
    std::function<void(TvxCanvas&)> Draw;
    RECT Box;
    std::vector<POINT> Corners;
  } cases[] = {
      {[](TvxCanvas& c) { vxCustomPainter.DrawArrow(c, RECT{0, 0, 11, 11}, adDown, clRed); },
       {3, 4, 8, 7},
       {{3, 4}, {7, 4}, {5, 6}}},
      {[](TvxCanvas& c) { vxCustomPainter.DrawDropDownArrow(c, RECT{0, 0, 16, 16}, clRed); },
       {3, 6, 12, 11},
       {{3, 6}, {11, 6}, {7, 10}}},
  };
  for (const auto& c : cases) {
    TPaintBitmap bitmap(20, 20);
    TvxCanvas canvas(bitmap.Canvas());
    c.Draw(canvas);
    EXPECT_EQ(PaintedBox(bitmap, Rgb(clWhite)), c.Box);
    for (POINT p : c.Corners) EXPECT_EQ(bitmap.Pixel(p.x, p.y), Rgb(clRed)) << p.x << "," << p.y;
  }
  const auto up = vxArrowPoints(RECT{0, 0, 11, 21}, adUp, true);  // squared: the height shrinks to 11
  EXPECT_EQ(up[0].x, 5);
  EXPECT_EQ(up[0].y, 9);
  EXPECT_EQ(up[2].x - up[1].x, 4);
}

TEST(vxLookAndFeelPainters, MeasuresAndContentRectangles) {
  TPaintBitmap bitmap(1, 1);
  TvxCanvas canvas(bitmap.Canvas());
  EXPECT_EQ(vxCustomPainter.ButtonContentRect(canvas, RECT{0, 0, 20, 30}), (RECT{4, 4, 16, 26}));
  EXPECT_EQ(vxUltraFlatPainter.ButtonContentRect(canvas, RECT{0, 0, 20, 30}), (RECT{3, 3, 17, 27}));
  for (RECT small : {RECT{0, 0, 8, 30}, RECT{0, 0, 30, 8}})
    EXPECT_EQ(vxCustomPainter.ButtonContentRect(canvas, small), small);
  EXPECT_EQ(vxUltraFlatPainter.ButtonContentRect(canvas, RECT{0, 0, 6, 30}), (RECT{0, 0, 6, 30}));
  EXPECT_EQ(vxCustomPainter.HeaderHeight(13), 17);
  EXPECT_EQ(vxStandardPainter.HeaderHeight(13), 19);
  EXPECT_EQ(vxUltraFlatPainter.HeaderBoundsFromContent(RECT{10, 10, 20, 20}, nLeft, vxBordersAll),
            (RECT{10, 9, 21, 21}))
      << "no border towards the left neighbour";
  EXPECT_EQ(vxUltraFlatPainter.ButtonGroupBorderSizes(3, 0), (RECT{2, 2, 1, 2}));
  EXPECT_EQ(vxUltraFlatPainter.ButtonGroupBorderSizes(3, 2), (RECT{1, 2, 2, 2}));
  EXPECT_EQ(vxStandardPainter.TextPanelTextRect(RECT{0, 0, 20, 20}), (RECT{3, 3, 17, 17}));
  EXPECT_EQ(vxStandardPainter.HeaderWidth(canvas, bLeft | bRight, "", nullptr), 6);
}

TEST(vxLookAndFeelPainters, SmallExpandButtonOfTheBase) {
  TPaintBitmap bitmap(9, 9);
  TvxCanvas canvas(bitmap.Canvas());
  vxCustomPainter.DrawSmallExpandButton(canvas, RECT{0, 0, 9, 9}, false, clDefault);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) {
      const bool frame = x == 0 || y == 0 || x == 8 || y == 8;
      const bool sign = (y == 4 && x >= 3 && x <= 5) || (x == 4 && y >= 3 && y <= 5);
      EXPECT_EQ(bitmap.Pixel(x, y), Rgb(frame ? clBtnShadow : sign ? clBtnText : clWhite)) << x << "," << y;
    }
}

TEST(vxLookAndFeelPainters, StylesKindsAndPainters) {
  const std::pair<uint8_t, TvxLookAndFeelKind> kinds[] = {{0, lfFlat},       {1, lfStandard}, {2, lfUltraFlat},
                                                          {3, lfStandard},   {4, lfOffice11}, {5, lfStandard},
                                                          {255, lfStandard}};
  for (auto [style, kind] : kinds) EXPECT_EQ(vxLookAndFeelStyleToKind(style), kind) << int(style);
  const std::pair<P, TvxLookAndFeelKind> painters[] = {{&vxFlatPainter, lfFlat},
                                                       {&vxStandardPainter, lfStandard},
                                                       {&vxUltraFlatPainter, lfUltraFlat},
                                                       {&vxOffice11Painter, lfOffice11}};
  for (auto [painter, kind] : painters) {
    EXPECT_EQ(vxPainterOfKind(kind), painter);
    EXPECT_EQ(vxLookAndFeelStyleToKind(painter->LookAndFeelStyle()), kind);
  }
}

TEST(vxLookAndFeelPainters, LookAndFeelChoosesItsPainter) {
  TvxLookAndFeel lookAndFeel(nullptr);
  EXPECT_EQ(lookAndFeel.GetPainter(), &vxUltraFlatPainter) << "the root's kind";
  lookAndFeel.SetKind(lfFlat);
  EXPECT_EQ(lookAndFeel.GetPainter(), &vxFlatPainter);
  lookAndFeel.SetNativeStyle(true);
  EXPECT_EQ(lookAndFeel.GetPainter(), &vxWinXPPainter) << "Wine's style is usable";
  EXPECT_EQ(lookAndFeel.GetPainter(totScrollBar), &vxWinXPPainter);
  EXPECT_EQ(lookAndFeel.GetPainter(totExplorerBar), &vxFlatPainter) << "Wine's style has no explorer bar";
}

// The values every look gives, one row per operation: base, standard, flat, ultra-flat,
// Office-2003-like (Wine: no scheme), themed (-1: from the style, checked below).
TEST(vxLookAndFeelPainters, FixedValuesOfEveryLook) {
  const P painters[] = {&vxCustomPainter, &vxStandardPainter, &vxFlatPainter, &vxUltraFlatPainter, &vxOffice11Painter,
                        &vxWinXPPainter};
  auto point = [](POINT p) { return p.x * 1000 + p.y; };
  const struct {
    const char* Name;
    std::function<long long(P)> Value;
    long long Values[6];
  } rows[] = {
      {"LookAndFeelStyle", [](P p) { return p->LookAndFeelStyle(); }, {1, 1, 0, 2, 4, 3}},
      {"BorderSize", [](P p) { return p->BorderSize(); }, {0, 2, 1, 1, 1, -1}},
      {"ButtonBorderSize(Default)", [](P p) { return p->ButtonBorderSize(vxbsDefault); }, {0, 3, 2, 2, 2, -1}},
      {"ButtonBorderSize(Normal)", [](P p) { return p->ButtonBorderSize(vxbsNormal); }, {0, 2, 1, 1, 1, -1}},
      {"ButtonTextOffset", [](P p) { return p->ButtonTextOffset(); }, {0, 1, 1, 2, 2, 2}},
      {"ButtonTextShift", [](P p) { return p->ButtonTextShift(); }, {0, 1, 1, 0, 0, 0}},
      {"ButtonGlyphState(Pressed)", [](P p) { return p->ButtonGlyphState(vxbsPressed); }, {3, 3, 3, 1, 1, 3}},
      {"ExpandButtonSize", [](P p) { return p->ExpandButtonSize(); }, {0, 12, 11, 11, 11, -1}},
      {"GroupExpandButtonSize", [](P p) { return p->GroupExpandButtonSize(); }, {15, 15, 15, 15, 15, 15}},
      {"SmallExpandButtonSize", [](P p) { return p->SmallExpandButtonSize(); }, {9, 9, 9, 9, 11, -1}},
      {"IsButtonHotTrack", [](P p) { return p->IsButtonHotTrack(); }, {0, 0, 0, 1, 1, 1}},
      {"ExpandButtonTransparent", [](P p) { return p->ExpandButtonTransparent(); }, {1, 1, 1, 1, 0, 0}},
      {"CheckBorderSize", [](P p) { return p->CheckBorderSize(); }, {2, 2, 2, 2, 2, 0}},
      {"HeaderBorders(left, top)", [](P p) { return p->HeaderBorders(nLeft | nTop); }, {15, 15, 15, 12, 15, 15}},
      {"HeaderBorders(10)", [](P p) { return p->HeaderBorders(10); }, {15, 15, 15, 13, 15, 15}},
      {"HeaderBorderSize", [](P p) { return p->HeaderBorderSize(); }, {0, 1, 1, 1, 1, -1}},
      {"IsHeaderPressedInverted", [](P p) { return p->IsHeaderPressedInverted(); }, {1, 1, 1, 1, 1, 0}},
      {"HeaderSectionBorderSize(Normal)", [](P p) { return p->HeaderSectionBorderSize(vxbsNormal); },
       {1, 2, 1, 1, 1, -1}},
      {"HeaderSectionBorderSize(Pressed)", [](P p) { return p->HeaderSectionBorderSize(vxbsPressed); },
       {1, 1, 1, 1, 1, -1}},
      {"HasOwnHeaderBackground", [](P p) { return p->HasOwnHeaderBackground(); }, {0, 0, 0, 0, 1, 1}},
      {"SortingMarkSize", [point](P p) { return point(p->SortingMarkSize()); }, {0, 8007, 8007, 7008, 7008, 7008}},
      {"SortingMarkAreaSize", [point](P p) { return point(p->SortingMarkAreaSize()); },
       {16000, 16007, 16007, 16008, 16008, 16008}},
      {"PanelBorders", [](P p) { return p->PanelBorders(); }, {15, 15, 15, 12, 12, 15}},
      {"FrameWidth", [](P p) { return p->FrameWidth(); }, {0, 1, 1, 1, 1, 1}},
      {"TextPanelBorderWidth", [](P p) { return p->TextPanelBorderWidth(); }, {0, 1, 1, 1, 1, -1}},
      {"TextPanelFrameWidth", [](P p) { return p->TextPanelFrameWidth(); }, {0, 1, 1, 2, 2, 1}},
      {"PanelBackgroundNeeded", [](P p) { return p->PanelBackgroundNeeded(); }, {1, 1, 1, 1, 1, 0}},
      {"PanelBorderSize", [](P p) { return p->PanelBorderSize(); }, {1, 1, 1, 1, 1, 1}},
      {"CheckButtonSize", [point](P p) { return point(p->CheckButtonSize()); },
       {13013, 13013, 13013, 13013, 13013, -1}},
      {"SmallCloseButtonSize", [point](P p) { return point(p->SmallCloseButtonSize()); },
       {16014, 16014, 16014, 16015, 16015, -1}},
      {"SmallButtonSize135", [point](P p) { return point(p->SmallButtonSize135()); },
       {15000, 15000, 15000, 15000, 15000, 15000}},
      {"SmallButtonSizes137, 138, 141",
       [point](P p) {
         const long long a = point(p->SmallButtonSize137());
         return a == point(p->SmallButtonSize138()) && a == point(p->SmallButtonSize141()) ? a : -2;
       },
       {16014, 16014, 16014, 16014, 16014, 16014}},
      {"RadioButtonSize", [point](P p) { return point(p->RadioButtonSize()); },
       {13013, 13013, 13013, 12012, 12012, 15015}},
      {"AutoHideButtonSize", [point](P p) { return point(p->AutoHideButtonSize()); },
       {16014, 16014, 16014, 16014, 16014, 16014}},
      {"SmallButtonsFlat", [](P p) { return p->SmallButtonsFlat(); }, {1, 1, 1, 1, 1, 1}},
      {"TabBorderSize", [](P p) { return p->TabBorderSize(0); }, {0, 1, 1, 1, 1, 1}},
      {"IsTabThemed", [](P p) { return p->IsTabThemed(0) + p->IsTabHotThemed(0); }, {0, 0, 0, 0, 0, 2}},
      {"IndicatorDrawsBackground", [](P p) { return p->IndicatorDrawsBackground(); }, {1, 1, 1, 1, 1, 1}},
      {"ButtonColor(Normal)", [](P p) { return p->ButtonColor(vxbsNormal); },
       {clBtnFace, clBtnFace, clBtnFace, clBtnFace, Office11SchemeColor4(), clBtnFace}},
      {"ButtonColor(Hot)", [](P p) { return p->ButtonColor(vxbsHot); },
       {clBtnFace, clBtnFace, clBtnFace, vxGetHotTrackColor(), Office11SchemeColor13(), clBtnFace}},
      {"ButtonSymbolColor(Pressed)", [](P p) { return p->ButtonSymbolColor(vxbsPressed, clDefault); },
       {clBtnText, clBtnText, clBtnText, clHighlightText, clHighlightText, -1}},
      {"ButtonSymbolColor(Disabled)", [](P p) { return p->ButtonSymbolColor(vxbsDisabled, clRed); },
       {clBtnShadow, clBtnShadow, clBtnShadow, clBtnShadow, Office11SchemeColor15(), -1}},
      {"ButtonSymbolColor(Normal, red)", [](P p) { return p->ButtonSymbolColor(vxbsNormal, clRed); },
       {clRed, clRed, clRed, clRed, Office11SchemeColor16(), -1}},
      {"CheckButtonColor(Hot)", [](P p) { return p->CheckButtonColor(vxbsHot); },
       {clWindow, clWindow, clWindow, clWindow, Office11SchemeColor13(), clWindow}},
      {"CheckButtonColor(Pressed)", [](P p) { return p->CheckButtonColor(vxbsPressed); },
       {clBtnFace, clBtnFace, clBtnFace, clBtnFace, Office11SchemeColor14(), clBtnFace}},
      {"PanelColor", [](P p) { return p->PanelColor(); },
       {clBtnShadow, clBtnShadow, clBtnShadow, clBtnShadow, Office11SchemeColor18(), clBtnShadow}},
  };
  for (const auto& row : rows)
    for (int i = 0; i < 6; ++i) {
      if (row.Values[i] != -1) {
        EXPECT_EQ(row.Value(painters[i]), row.Values[i]) << row.Name << " of painter " << i;
      }
    }
}

TEST(vxLookAndFeelPainters, ColourTableOfEveryLook) {
  using TColorFn = TColor (TvxCustomLookAndFeelPainter::*)() const;
  using T = TvxCustomLookAndFeelPainter;
  const TColorFn slots[] = {
      &T::PainterColor5,  &T::PainterColor6,  &T::PainterColor7,  &T::PainterColor8,  &T::PainterColor9,
      &T::PainterColor10, &T::PainterColor11, &T::PainterColor12, &T::PainterColor13, &T::PainterColor14,
      &T::PainterColor15, &T::PainterColor16, &T::PainterColor17, &T::PainterColor18, &T::PainterColor19,
      &T::PainterColor20, &T::PainterColor21, &T::PainterColor22, &T::PainterColor23, &T::PainterColor24,
      &T::PainterColor25, &T::PainterColor26, &T::PainterColor27, &T::PainterColor28, &T::PainterColor29,
      &T::PainterColor30, &T::PainterColor31, &T::PainterColor32, &T::PainterColor33, &T::PainterColor34,
      &T::PainterColor35, &T::PainterColor36, &T::PainterColor37, &T::PainterColor38, &T::PainterColor39,
      &T::PainterColor40, &T::PainterColor41, &T::PainterColor42, &T::PainterColor43, &T::PainterColor44,
      &T::PainterColor45, &T::PainterColor46, &T::PainterColor47, &T::PainterColor48, &T::PainterColor49,
      &T::PainterColor50, &T::PainterColor51, &T::PainterColor52, &T::PainterColor53, &T::PainterColor54,
      &T::PainterColor55, &T::PainterColor56, &T::PainterColor57, &T::PainterColor58, &T::PainterColor59,
      &T::PainterColor60, &T::PainterColor61, &T::PainterColor62};
  const TColor base[] = {
      0xFF0000,    0,           0,           0,           0xCFCFCF,    0xFFFFFF,     clBtnShadow,     clBtnShadow,
      0xF0CAA6,    0x800000,    clBtnShadow, clWindowText, clWindowText, clWindowText, clWindow,      clWindow,
      clWindow,    clWindowText, clWindow,   clWindowText, clBtnShadow, clBtnHighlight, clBtnText,   clBtnFace,
      clBtnText,   clBtnShadow, clBtnFace,   clBtnText,   clBtnShadow, clBtnFace,    clBtnFace,       clBtnText,
      clBtnShadow, clBtnFace,   clBtnFace,   clBtnText,   0xFF0000,    clBtnShadow,  clBtnFace,       clHighlight,
      clHighlightText, clWindow, clWindowText, 0x0000FF,  clBtnFace,   0xD5FFFF,     clWindowText,    clHighlight,
      clHighlightText, clBtnFace, clBtnFace, clBtnText,   clBtnFace,   0xFFFFFF,     0,               clBtnFace,
      clBtnText,   0xFFFFFF};
  static_assert(std::size(slots) == 58 && std::size(base) == 58);
  COLORREF comboBorder = 0;
  ASSERT_EQ(GetThemeColor(OpenTheme(totComboBox), CP_DROPDOWNBUTTON, CBXS_NORMAL, TMT_BORDERCOLOR, comboBorder), S_OK);
  const TColor s1 = Office11SchemeColor1(), s4 = Office11SchemeColor4();
  const TColor office166 = vdMixColors(Office11SchemeColor6(), Office11SchemeColor17(), 50);
  const std::pair<P, std::map<int, TColor>> looks[] = {
      {&vxCustomPainter, {}},
      {&vxStandardPainter, {{50, clWindow}}},
      {&vxFlatPainter, {}},
      {&vxUltraFlatPainter, {{17, 0x800000}, {48, clBtnShadow}}},
      {&vxOffice11Painter,
       {{15, s1}, {17, 0x800000}, {25, Office11SchemeColor2()}, {26, Office11SchemeColor3()}, {28, s4}, {29, clBtnText},
        {31, Office11SchemeColor5()}, {33, s1}, {34, Office11SchemeColor6()}, {35, office166}, {37, s1}, {43, s4},
        {44, Office11SchemeColor7()}, {45, clWindowText}, {48, Office11SchemeColor8()}, {49, Office11SchemeColor9()},
        {55, Office11SchemeColor10()}, {57, Office11SchemeColor10()}, {60, s4}, {62, Office11SchemeColor9()}}},
      {&vxWinXPPainter, {{17, 0x800000}, {48, static_cast<TColor>(comboBorder)}, {50, 0xD5FFFF}}},
  };
  for (const auto& [painter, overrides] : looks)
    for (int slot = 5; slot <= 62; ++slot) {
      auto it = overrides.find(slot);
      EXPECT_EQ((painter->*slots[slot - 5])(), it != overrides.end() ? it->second : base[slot - 5])
          << "slot " << slot << " of style " << int(painter->LookAndFeelStyle());
    }
  EXPECT_EQ(vxOffice11Painter.Office11Color166(), office166);
  EXPECT_EQ(vxOffice11Painter.HotBorderColor(), Office11SchemeColor11());
  EXPECT_EQ(vxOffice11Painter.ButtonBorderColor(vxbsNormal), clBtnShadow);
  EXPECT_EQ(vxOffice11Painter.ButtonBorderColor(vxbsHot), Office11SchemeColor18());
  EXPECT_EQ(vxUltraFlatPainter.ButtonBorderColor(vxbsHot), clHighlight);
}

TEST(vxWinXPPainter, StateTablesAsData) {
  // Wine's style draws a default push button (5) like a hot one (2): the table is checked as
  // data, the drawing below.
  EXPECT_EQ(vxThemedPushButtonStates, (std::array<int, 5>{5, 1, 2, 3, 4}));
  EXPECT_EQ(vxThemedHeaderItemStates, (std::array<int, 5>{1, 1, 2, 3, 1}));
  EXPECT_EQ(vxThemedCheckStates, (std::array<int, 5>{1, 1, 2, 3, 4}));
  EXPECT_EQ(vxThemedScrollArrowState(adUp, vxbsDefault), 1);
  EXPECT_EQ(vxThemedScrollArrowState(adDown, vxbsHot), 6);
  EXPECT_EQ(vxThemedScrollArrowState(adLeft, vxbsPressed), 11);
  EXPECT_EQ(vxThemedScrollArrowState(adRight, vxbsDisabled), 16);
}

TEST(vxWinXPPainter, ThemedPartsAreDrawnAsTheStyleDrawsThem) {
  const P xp = &vxWinXPPainter;
  const RECT r{4, 4, 21, 21};
  for (int d = adUp; d <= adRight; ++d)
    for (TvxButtonState s : controlstest::kButtonStates) {
      const auto direction = static_cast<TvxArrowDirection>(d);
      ExpectDrawnAsTheme([&](TvxCanvas& c) { xp->DrawScrollArrow(c, r, s, direction, true); }, totScrollBar,
                         SBP_ARROWBTN, vxThemedScrollArrowState(direction, s), r, "scroll arrow");
    }
  for (TvxButtonState s : controlstest::kButtonStates) {
    const int push = vxThemedPushButtonStates[s];
    ExpectDrawnAsTheme([&](TvxCanvas& c) { xp->DrawButtonFace(c, r, s); }, totButton, BP_PUSHBUTTON, push, r, "face");
    ExpectDrawnAsTheme([&](TvxCanvas& c) { xp->DrawButton(c, r, "", s, true, clRed, clRed); }, totButton, BP_PUSHBUTTON,
                       push, r, "button");
    ExpectDrawnAsTheme([&](TvxCanvas& c) { xp->DrawToolButton(c, r, s); }, totToolBar, TP_BUTTON, push, r, "tool");
    for (bool checked : {false, true}) {
      const int check = vxThemedCheckStates[s] + (checked ? 4 : 0);
      ExpectDrawnAsTheme([&](TvxCanvas& c) { xp->DrawCheck(c, r, s, checked, clRed); }, totButton, BP_CHECKBOX, check,
                         r, "check");
      ExpectDrawnAsTheme([&](TvxCanvas& c) { xp->DrawCheckButton(c, r, s, checked); }, totButton, BP_CHECKBOX, check, r,
                         "check button: no border of its own");
      SIZE size{};
      GetThemePartSize(OpenTheme(totButton), nullptr, BP_RADIOBUTTON, check, tsTrue, size);
      ExpectDrawnAsTheme([&](TvxCanvas& c) { xp->DrawRadioButton(c, 4, 4, s, checked, 0, clDefault, 0); }, totButton,
                         BP_RADIOBUTTON, check, RECT{4, 4, 4 + size.cx, 4 + size.cy}, "radio");
    }
    ExpectDrawnAsTheme([&](TvxCanvas& c) { xp->DrawSmallCloseButton(c, r, s); }, totWindow, WP_SMALLCLOSEBUTTON,
                       vxThemedSmallCloseButtonStates[s], r, "close");
    ExpectDrawnAsTheme([&](TvxCanvas& c) { xp->DrawDropDownButton(c, r, s, true); }, totComboBox, CP_DROPDOWNBUTTON,
                       vxThemedComboButtonStates[s], r, "drop-down");
    for (bool last : {false, true}) {
      const int item = vxThemedHeaderItemStates[s];
      ExpectDrawnAsTheme(
          [&](TvxCanvas& c) {
            xp->DrawHeader(c, r, r, 0, vxBordersAll, s, TAlignment::taLeftJustify, vaTop, false, false, "", nullptr,
                           clRed, clRed, nullptr, last);
          },
          totHeader, last && item == HIS_NORMAL ? HP_HEADERITEMRIGHT : HP_HEADERITEM, item, r, "header");
    }
    const struct {
      TvxScrollBarPart Part;
      bool Horizontal;
      int ThemePart;
    } pages[] = {{sbpPageUp, false, SBP_LOWERTRACKVERT},
                 {sbpPageDown, false, SBP_UPPERTRACKVERT},
                 {sbpPageUp, true, SBP_LOWERTRACKHORZ},
                 {sbpPageDown, true, SBP_UPPERTRACKHORZ}};
    for (const auto& page : pages)
      ExpectDrawnAsTheme([&](TvxCanvas& c) { xp->DrawScrollBarPart(c, page.Horizontal, r, page.Part, s); },
                         totScrollBar, page.ThemePart, vxThemedScrollBarStates[s], r, "page area");
    ExpectDrawnAsTheme([&](TvxCanvas& c) { xp->DrawScrollBarPart(c, true, r, sbpLineDown, s); }, totScrollBar,
                       SBP_ARROWBTN, vxThemedScrollArrowState(adRight, s), r, "scroll-bar arrow");
  }
  for (bool expanded : {false, true})
    ExpectDrawnAsTheme([&](TvxCanvas& c) { xp->DrawExpandButton(c, r, expanded, clRed); }, totTreeView, TVP_GLYPH,
                       expanded ? GLPS_OPENED : GLPS_CLOSED, r, "expand");
  ExpectDrawnAsTheme([&](TvxCanvas& c) { xp->DrawTextPanel(c, r, "", nullptr, TAlignment::taCenter, vaCenter, false,
                                                           false, clRed, clRed, nullptr); },
                     totTrackBar, TKP_TRACK, 1, r, "text panel");

  // The thumb carries its gripper.
  TPaintBitmap painted(40, 40, clGray), direct(40, 40, clGray);
  TvxCanvas canvas(painted.Canvas());
  xp->DrawScrollBarPart(canvas, false, r, sbpThumb, vxbsHot);
  DrawThemeBackground(OpenTheme(totScrollBar), direct.Canvas().Handle(), SBP_THUMBBTNVERT, SCRBS_HOT, r);
  DrawThemeBackground(OpenTheme(totScrollBar), direct.Canvas().Handle(), SBP_GRIPPERVERT, 0, r);
  EXPECT_EQ(painted.ReadPixels32(), direct.ReadPixels32());
}

TEST(vxWinXPPainter, ThemedSizesAreTheStylesOrTheStandardOnes) {
  auto margin = [](TvdThemedObjectType type, int part) {
    RECT content{};
    GetThemeBackgroundContentRect(OpenTheme(type), part, 1, RECT{0, 0, 100, 100}, content);
    return static_cast<int>(content.left);
  };
  auto size = [](TvdThemedObjectType type, int part) {
    HDC screen = GetDC(nullptr);
    SIZE s{};
    GetThemePartSize(OpenTheme(type), screen, part, 1, tsTrue, s);
    ReleaseDC(nullptr, screen);
    return POINT{s.cx, s.cy};
  };
  auto same = [](POINT a, POINT b) { return a.x == b.x && a.y == b.y; };
  EXPECT_EQ(vxWinXPPainter.BorderSize(), 1) << "the list view's";
  EXPECT_EQ(vxWinXPPainter.ButtonBorderSize(vxbsDefault), margin(totButton, BP_PUSHBUTTON));
  EXPECT_EQ(vxWinXPPainter.HeaderBorderSize(), margin(totHeader, HP_HEADERITEM));
  EXPECT_EQ(vxWinXPPainter.HeaderSectionBorderSize(vxbsNormal), vxWinXPPainter.HeaderBorderSize());
  EXPECT_EQ(vxWinXPPainter.TextPanelBorderWidth(), margin(totTrackBar, TKP_TRACK));
  EXPECT_EQ(vxWinXPPainter.ExpandButtonSize(), size(totTreeView, TVP_GLYPH).x);
  EXPECT_EQ(vxWinXPPainter.SmallExpandButtonSize(), vxWinXPPainter.ExpandButtonSize());
  EXPECT_TRUE(same(vxWinXPPainter.CheckButtonSize(), size(totButton, BP_CHECKBOX)));
  EXPECT_TRUE(same(vxWinXPPainter.SmallCloseButtonSize(), size(totWindow, WP_SMALLCLOSEBUTTON)));
  COLORREF text = 0;
  ASSERT_EQ(GetThemeColor(OpenTheme(totButton), BP_PUSHBUTTON, PBS_PRESSED, TMT_TEXTCOLOR, text), S_OK);
  EXPECT_EQ(vxWinXPPainter.ButtonSymbolColor(vxbsPressed, clDefault), static_cast<TColor>(text));
  // Wine's style has no fill colour for the push button: the standard one stands in for it.
  COLORREF fill = 0x123456;
  EXPECT_NE(GetThemeColor(OpenTheme(totButton), BP_PUSHBUTTON, PBS_NORMAL, TMT_COLOR, fill), S_OK);
  EXPECT_EQ(vxWinXPPainter.ButtonColor(vxbsNormal), clBtnFace);
  TPaintBitmap bitmap(1, 1);
  TvxCanvas canvas(bitmap.Canvas());
  const int m = margin(totButton, BP_PUSHBUTTON);
  EXPECT_EQ(vxWinXPPainter.ButtonContentRect(canvas, RECT{0, 0, 30, 20}), (RECT{m, m, 30 - m, 20 - m}));
  EXPECT_EQ(vxWinXPPainter.ButtonGroupBorderSizes(2, 0), (RECT{m + 1, m + 1, m + 1, m + 1})) << "partly transparent";
  EXPECT_EQ(vxWinXPPainter.ButtonBackgroundRect(RECT{5, 5, 10, 10}), (RECT{4, 4, 11, 11}));
}

TEST(vxWinXPPainter, ExplorerBarPartsMissingFromTheStyleAreStandard) {
  ASSERT_EQ(OpenTheme(totExplorerBar), nullptr);
  EXPECT_EQ(vxWinXPPainter.GroupExpandButtonSize(), vxStandardPainter.GroupExpandButtonSize());
  EXPECT_TRUE(vxWinXPPainter.IsPointOverGroupExpandButton(RECT{0, 0, 10, 10}, POINT{9, 9}));
  EXPECT_FALSE(vxWinXPPainter.IsPointOverGroupExpandButton(RECT{0, 0, 10, 10}, POINT{10, 9}));
  const POINT pin = vxWinXPPainter.AutoHideButtonSize();
  EXPECT_EQ(pin.x * 1000 + pin.y, 16014);
  for (TvxButtonState s : {vxbsNormal, vxbsHot, vxbsDisabled}) {
    TPaintBitmap themed(20, 20, clGray), standard(20, 20, clGray);
    TvxCanvas themedCanvas(themed.Canvas()), standardCanvas(standard.Canvas());
    vxWinXPPainter.DrawGroupExpandButton(themedCanvas, RECT{2, 2, 17, 17}, true, s);
    vxStandardPainter.DrawGroupExpandButton(standardCanvas, RECT{2, 2, 17, 17}, true, s);
    EXPECT_EQ(themed.ReadPixels32(), standard.ReadPixels32()) << int(s);
  }
}

TEST(vxOffice11Painter, ScrollBarPartsThemedWhileTheStyleHasAScrollBar) {
  ASSERT_FALSE(IsOffice11SchemeActive()) << "Wine's style is not one of the scheme's";
  for (const auto part : {sbpLineUp, sbpThumb, sbpPageDown}) {
    TPaintBitmap office(24, 24, clGray), themed(24, 24, clGray);
    TvxCanvas officeCanvas(office.Canvas()), themedCanvas(themed.Canvas());
    vxOffice11Painter.DrawScrollBarPart(officeCanvas, false, RECT{2, 2, 19, 22}, part, vxbsPressed);
    vxWinXPPainter.DrawScrollBarPart(themedCanvas, false, RECT{2, 2, 19, 22}, part, vxbsPressed);
    EXPECT_EQ(office.ReadPixels32(), themed.ReadPixels32()) << int(part);
  }
}

TEST(vxRadioButtonImageList, ImagesFromTheMeasuredSystemRadio) {
  TBitmap checkBoxes;
  ASSERT_TRUE(checkBoxes.LoadFromSystemResource(OBM_CHECKBOXES));
  const SIZE cell{checkBoxes.Width() / 4, checkBoxes.Height() / 3};
  const TvxRadioButtonMetrics& m = vxRadioButtonMetrics();
  EXPECT_EQ(m.Cell.cx, cell.cx);
  EXPECT_EQ(m.Cell.cy, cell.cy);
  TvxRadioButtonImageList* list = vxRadioButtonImageList();
  ASSERT_EQ(list, vxRadioButtonImageList()) << "one shared list";
  EXPECT_EQ(list->Images().Width(), cell.cx);
  EXPECT_EQ(list->Images().Height(), cell.cy);
  EXPECT_EQ(list->Images().Count(), 32) << "four looks, two checked states, four states";

  // The glyph covers what the system's radio mask covers (a disk that differs from the
  // mask's corner); the dot sits inside it.
  TPaintBitmap mask(cell.cx, cell.cy, clBlack);
  mask.Canvas().DrawFrameControl(RECT{0, 0, cell.cx, cell.cy}, DFC_BUTTON, DFCS_BUTTONRADIOMASK | DFCS_FLAT);
  EXPECT_EQ(PaintedBox(mask, mask.Pixel(0, 0)), m.Glyph);
  RECT inside{};
  EXPECT_TRUE(IntersectRect(&inside, &m.Dot, &m.Glyph) && EqualRect(&inside, &m.Dot));

  TPaintBitmap image(cell.cx, cell.cy, clLime);
  TvxCanvas canvas(image.Canvas());
  vxStandardPainter.DrawRadioButton(canvas, 0, 0, vxbsNormal, true, 0, clDefault, 0);
  EXPECT_EQ(PaintedBox(image, Rgb(clLime)), m.Glyph) << "the corners stay transparent";
  const int cx = (m.Dot.left + m.Dot.right) / 2, cy = (m.Dot.top + m.Dot.bottom) / 2;
  EXPECT_EQ(image.Pixel(cx, cy), Rgb(clWindowText));
  EXPECT_EQ(image.Pixel(m.Glyph.left, cy), Rgb(clBtnShadow)) << "the outer ring's upper-left half";
  vxStandardPainter.DrawRadioButton(canvas, 0, 0, vxbsNormal, false, 0, clRed, 0);
  EXPECT_EQ(image.Pixel(0, 0), Rgb(clRed)) << "the background fills the corners";
}

TEST(vxRadioButtonImageList, ImageIndexes) {
  EXPECT_EQ(vxRadioButtonImageIndex(lfUltraFlat, vxbsHot, 0, 0, true), 21);
  EXPECT_EQ(vxRadioButtonImageIndex(lfFlat, vxbsDefault, 0, 0, false),
            vxRadioButtonImageIndex(lfFlat, vxbsNormal, 0, 0, false))
      << "a default button has the normal image";
  EXPECT_EQ(vxRadioButtonImageIndex(lfOffice11, vxbsDisabled, 7, 2, true), 127) << "any non-zero selector counts as 1";
  EXPECT_EQ(vxRadioButtonImageIndex(lfStandard, vxbsNormal, 1, 0, false), 72);
  // The further selectors draw what the plain ones draw.
  TPaintBitmap plain(20, 20), further(20, 20);
  TvxCanvas plainCanvas(plain.Canvas()), furtherCanvas(further.Canvas());
  vxUltraFlatPainter.DrawRadioButton(plainCanvas, 1, 1, vxbsHot, true, 0, clDefault, 0);
  vxUltraFlatPainter.DrawRadioButton(furtherCanvas, 1, 1, vxbsHot, true, 1, clDefault, 1);
  EXPECT_EQ(plain.ReadPixels32(), further.ReadPixels32());
}

// A picture of every look's parts in every state (columns: default, normal, hot, pressed,
// disabled), saved into the build's artifacts folder.
TEST(vxLookAndFeelPainters, SheetOfEveryLook) {
  const P painters[] = {&vxCustomPainter,    &vxStandardPainter, &vxFlatPainter,
                        &vxUltraFlatPainter, &vxOffice11Painter, &vxWinXPPainter};
  const auto& samples = controlstest::PainterSamples();
  const int rowWidth = controlstest::kSampleWidth * 5 + 8;
  TPaintBitmap sheet(rowWidth * static_cast<int>(std::size(painters)),
                     controlstest::kSampleHeight * static_cast<int>(samples.size()), clWhite);
  for (size_t p = 0; p < std::size(painters); ++p)
    for (size_t i = 0; i < samples.size(); ++i) {
      TBitmap row;
      controlstest::DrawSampleRow(painters[p], samples[i], row, clBtnFace);
      sheet.Canvas().Draw(static_cast<int>(p) * rowWidth, static_cast<int>(i) * controlstest::kSampleHeight, row);
    }
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  // <build>\tests\controls\controls_tests.exe -> <build>\artifacts
  AnsiString folder = ExtractFilePath(
      ExcludeTrailingBackslash(ExtractFilePath(ExcludeTrailingBackslash(ExtractFilePath(exe)))));
  folder += "artifacts";
  ForceDirectories(folder);
  try {
    sheet.SaveToFile(folder + "\\painters.bmp");
  } catch (const Exception& e) {
    ADD_FAILURE() << "sheet not saved: " << e.Message();
  }
}

// The pressed arrow is the flat glyph moved by (1, 1), drawn whole (its last column and row
// lie past the arrow's rectangle), under the pressed frame.
TEST(vxStandardPainter, PressedScrollArrowIsTheWholeMovedGlyph) {
  const RECT r{2, 2, 19, 19};
  const struct {
    bool Horizontal;
    TvxScrollBarPart Part;
    UINT Glyph;
  } arrows[] = {{false, sbpLineUp, DFCS_SCROLLUP}, {false, sbpLineDown, DFCS_SCROLLDOWN},
                {true, sbpLineUp, DFCS_SCROLLLEFT}, {true, sbpLineDown, DFCS_SCROLLRIGHT}};
  for (const auto& a : arrows) {
    TPaintBitmap pressed(24, 24, clLime), expected(24, 24, clLime);
    TvxCanvas canvas(pressed.Canvas());
    vxStandardPainter.DrawScrollBarPart(canvas, a.Horizontal, r, a.Part, vxbsPressed);
    expected.Canvas().DrawFrameControl(RECT{3, 3, 20, 20}, DFC_SCROLL, a.Glyph | DFCS_FLAT);
    expected.Canvas().Brush().SetColor(clBtnShadow);
    expected.Canvas().FrameRect(r);
    expected.Canvas().Brush().SetColor(clBtnFace);
    expected.Canvas().FrameRect(RECT{3, 3, 18, 18});
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x) ASSERT_EQ(pressed.Pixel(x, y), expected.Pixel(x, y)) << a.Glyph << " at " << x << "," << y;
  }
}

// The themed tab draws its content over its background: the image, then the text.
TEST(vxWinXPPainter, TabContentOverItsBackground) {
  const P xp = &vxWinXPPainter;
  ASSERT_TRUE(xp->IsTabThemed(0)) << "the run has a visual style";
  TImageList images(nullptr, 8, 8);
  TBitmap square;
  square.SetSize(8, 8);
  square.Canvas().Brush().SetColor(clBlue);
  square.Canvas().FillRect(RECT{0, 0, 8, 8});
  images.Add(square, nullptr);
  TFont font;
  font.SetHeight(-14);
  font.SetStyle(fsBold);
  const RECT r{0, 0, 80, 24};
  auto count = [](TPaintBitmap& b, COLORREF colour) {
    int n = 0;
    const uint32_t rgb = (uint32_t{GetRValue(colour)} << 16) | (uint32_t{GetGValue(colour)} << 8) | GetBValue(colour);
    for (uint32_t p : b.ReadPixels32()) n += p == rgb;
    return n;
  };
  for (const TvxBorder side : {bTop, bBottom, bLeft, bRight}) {
    const RECT tab = side == bLeft || side == bRight ? RECT{0, 0, 70, 40} : r;
    TPaintBitmap plain(80, 80, clLime), drawn(80, 80, clLime);
    TvxCanvas plainCanvas(plain.Canvas()), canvas(drawn.Canvas());
    xp->DrawTab(plainCanvas, tab, vxbsNormal, side, "", nullptr, clRed, nullptr, -1, false);
    xp->DrawTab(canvas, tab, vxbsNormal, side, "WW", &font, clRed, &images, 0, false);
    EXPECT_EQ(count(plain, RGB(255, 0, 0)), 0) << int(side);
    EXPECT_GT(count(drawn, RGB(255, 0, 0)), 10) << "the text, side " << int(side);
    EXPECT_EQ(count(drawn, RGB(0, 0, 255)), 64) << "the whole image, side " << int(side);
    // Outside the tab nothing is touched.
    EXPECT_EQ(drawn.Pixel(79, 79), RGB(0, 255, 0));
  }
  // An image index out of range draws no image.
  TPaintBitmap none(80, 24, clLime);
  TvxCanvas noneCanvas(none.Canvas());
  xp->DrawTab(noneCanvas, r, vxbsNormal, bTop, "", nullptr, clRed, &images, 1, false);
  EXPECT_EQ(count(none, RGB(0, 0, 255)), 0);
}

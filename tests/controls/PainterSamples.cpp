#include "PainterSamples.h"

namespace controlstest {

namespace {

using P = TvxLookAndFeelPainterClass;
using S = TvxButtonState;
using C = TvxCanvas;
using R = const RECT&;

RECT Part(const RECT& r, int width, int height) {
  const int left = (r.left + r.right - width) / 2, top = (r.top + r.bottom - height) / 2;
  return RECT{left, top, left + width, top + height};
}

std::vector<TPainterSample> MakeSamples() {
  const TvxDrawBackgroundEvent none;
  std::vector<TPainterSample> samples = {
      {"Button", [](P p, C& c, R r, S s) { p->DrawButton(c, r, "Ok", s, true, clDefault, clDefault); }},
      {"ButtonArrow",
       [](P p, C& c, R r, S s) {
         p->DrawButtonFace(c, r, s);
         p->DrawButtonArrow(c, r, s, adDown);
       }},
      {"ScrollArrow", [](P p, C& c, R r, S s) { p->DrawScrollArrow(c, Part(r, 17, 17), s, adUp, true); }},
      {"DropDownButton", [](P p, C& c, R r, S s) { p->DrawDropDownButton(c, Part(r, 17, 20), s, false); }},
      {"DropDownArrow", [](P p, C& c, R r, S) { p->DrawDropDownArrow(c, Part(r, 16, 16), clBtnText); }},
      {"CheckButton", [](P p, C& c, R r, S s) { p->DrawCheckButton(c, Part(r, 13, 13), s, false); }},
      {"CheckButtonChecked",
       [](P p, C& c, R r, S s) { p->DrawCheckButton(c, Part(r, 13, 13), s, true); }},
      {"RadioButton",
       [](P p, C& c, R r, S s) { p->DrawRadioButton(c, r.left + 4, r.top + 4, s, false, 0, clDefault, 0); }},
      {"RadioButtonChecked",
       [](P p, C& c, R r, S s) { p->DrawRadioButton(c, r.left + 4, r.top + 4, s, true, 0, clDefault, 0); }},
      {"SmallCloseButton", [](P p, C& c, R r, S s) { p->DrawSmallCloseButton(c, Part(r, 16, 14), s); }},
      {"GlyphButton", [](P p, C& c, R r, S s) { p->DrawGlyphButton(c, Part(r, 16, 14), s); }},
      {"AutoHideOn", [](P p, C& c, R r, S s) { p->DrawAutoHideButton(c, Part(r, 20, 20), s, true); }},
      {"AutoHideOff", [](P p, C& c, R r, S s) { p->DrawAutoHideButton(c, Part(r, 20, 20), s, false); }},
      {"ToolButton", [](P p, C& c, R r, S s) { p->DrawToolButton(c, Part(r, 22, 22), s); }},
      {"GroupButton", [](P p, C& c, R r, S s) { p->DrawGroupButton(c, r, s, 3, 1, clBtnShadow); }},
      {"GroupExpandButton",
       [](P p, C& c, R r, S s) { p->DrawGroupExpandButton(c, Part(r, 15, 15), true, s); }},
      {"ExpandButton",
       [](P p, C& c, R r, S s) { p->DrawExpandButton(c, Part(r, 11, 11), s == vxbsPressed, clDefault); }},
      {"SmallExpandButton",
       [](P p, C& c, R r, S s) { p->DrawSmallExpandButton(c, Part(r, 9, 9), s == vxbsPressed, clWindow); }},
      {"Header",
       [none](P p, C& c, R r, S s) {
         p->DrawHeader(c, r, r, 0, vxBordersAll, s, TAlignment::taCenter, vaCenter, false, false, "H", nullptr,
                       clBtnText, clBtnFace, none, false);
       }},
      {"HeaderSection",
       [](P p, C& c, R r, S s) {
         p->DrawHeaderSection(c, r, r, vxBordersAll, s, TAlignment::taCenter, vaCenter, false, false, "H", nullptr,
                              clBtnText, clBtnFace);
       }},
      {"HeaderWithMark",
       [none](P p, C& c, R r, S) { p->DrawHeaderWithMark(c, r, "M", 0, TvxViewParams{}, 3, 4, none); }},
      {"SortingMark", [](P p, C& c, R r, S s) { p->DrawSortingMark(c, r, s != vxbsPressed); }},
      {"Indicator",
       [none](P p, C& c, R r, S s) {
         p->DrawIndicatorItem(c, Part(r, 16, 20), static_cast<TvxIndicatorKind>(s + 1), clBtnFace, none);
       }},
      {"Border", [](P p, C& c, R r, S) { p->DrawBorder(c, r); }},
      {"RaisedFrame", [](P p, C& c, R r, S) { p->DrawRaisedFrame(c, r); }},
      {"SunkenFrame", [](P p, C& c, R r, S) { p->DrawSunkenFrame(c, r); }},
      {"TextPanel",
       [none](P p, C& c, R r, S) {
         p->DrawTextPanel(c, r, "T", nullptr, TAlignment::taCenter, vaCenter, false, false, clBtnText, clWindow, none);
       }},
      {"SideFrame", [](P p, C& c, R r, S s) { p->DrawSideFrame(c, Part(r, 30, 16), s == vxbsHot, clWindow); }},
      {"Tab", [](P p, C& c, R r, S s) { p->DrawTab(c, r, s, bTop, "", nullptr, clBtnText, nullptr, -1, false); }},
      {"TabPane", [](P p, C& c, R r, S) { p->DrawTabPane(c, r, vxBordersAll, 0); }},
  };
  const char* const partNames[] = {"ScrollLineUp", "ScrollLineDown", "ScrollThumb", "ScrollPageUp", "ScrollPageDown"};
  for (int part = sbpLineUp; part <= sbpPageDown; ++part)
    samples.push_back({partNames[part - 1], [part](P p, C& c, R r, S s) {
                         p->DrawScrollBarPart(c, false, Part(r, 17, 20), static_cast<TvxScrollBarPart>(part), s);
                       }});
  return samples;
}

}  // namespace

const std::vector<TPainterSample>& PainterSamples() {
  static const std::vector<TPainterSample> samples = MakeSamples();
  return samples;
}

void DrawSampleRow(TvxLookAndFeelPainterClass painter, const TPainterSample& sample, TBitmap& bitmap,
                   TColor background) {
  bitmap.SetSize(kSampleWidth * 5, kSampleHeight);
  TvxCanvas canvas(bitmap.Canvas());
  canvas.FillRect(RECT{0, 0, bitmap.Width(), bitmap.Height()}, background);
  for (int i = 0; i < 5; ++i) {
    const RECT cell{i * kSampleWidth + 2, 2, (i + 1) * kSampleWidth - 2, kSampleHeight - 2};
    // Some parts leave the clip region smaller: each sample starts afresh.
    HRGN saved = bitmap.Canvas().SaveClipRegion();
    sample.Draw(painter, canvas, cell, kButtonStates[i]);
    bitmap.Canvas().RestoreClipRegion(saved);
  }
}

}  // namespace controlstest

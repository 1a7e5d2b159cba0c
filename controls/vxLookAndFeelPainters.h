// The look-and-feel painters: everything of a control's chrome that depends on its look
// (buttons, arrows, check boxes and radio buttons, borders, column headers and sorting marks,
// expand buttons, scroll-bar parts, tabs, small caption buttons, row indicators) is drawn or
// measured here, one class per look:
//
//   TvxCustomLookAndFeelPainter          the defaults
//     TvxStandardLookAndFeelPainter      classic two-pixel 3-D edges (lfStandard)
//       TvxWinXPLookAndFeelPainter       the visual style, standard where a theme is missing
//     TvxFlatLookAndFeelPainter          one-pixel raised and sunken lines (lfFlat)
//     TvxUltraFlatLookAndFeelPainter     one-pixel frames, highlight tints (lfUltraFlat)
//       TvxOffice11LookAndFeelPainter    ultra-flat in the Office-2003-like colours (lfOffice11)
//
// A painter has no state. Each class has exactly one constant instance (vxStandardPainter and
// the others below); a caller holds a pointer to one (TvxLookAndFeelPainter), usually the one
// its look-and-feel chooses (TvxLookAndFeel::GetPainter), and calls through it. Every
// operation is virtual and the shared routines call the other operations through the same
// instance, so a look that overrides one primitive changes every composite that uses it.
// Where one look borrows another's routine it calls it on that look's instance, or runs the
// base routine on it with a qualified call, so that the borrowed routine sees the lending
// look's primitives.
//
// Colours are TColor values: a system colour is 0xFF000000 plus its index, and clDefault
// passed in means "the painter's own colour". Rectangles are exclusive at the right and the
// bottom and are never changed; operations that compute a rectangle return it.
//
// The shared resources (indicator glyphs, the scroll-bar page patterns, the auto-hide pins,
// the radio-button images) live from InitializevxLookAndFeelPainters to
// FinalizevxLookAndFeelPainters; a system-colour change rebuilds the ones that hold colours.
// GUI thread only.
#pragma once

#include "controls/vdThemeManager.h"
#include "controls/vxGraphics.h"
#include "controls/vxLookAndFeels.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Graphics.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

enum TvxButtonState : uint8_t { vxbsDefault = 0, vxbsNormal = 1, vxbsHot = 2, vxbsPressed = 3, vxbsDisabled = 4 };
enum TvxArrowDirection : uint8_t { adUp = 0, adDown = 1, adLeft = 2, adRight = 3 };

// Neighbouring cells of a header cell: only the left and the top neighbour matter.
using TvxNeighbors = uint8_t;
enum : TvxNeighbors { nLeft = 1, nTop = 2 };

// The glyph of a row indicator; kind k draws indicator image k - 1.
enum TvxIndicatorKind : uint8_t { ikNone, ikArrow, ikEdit, ikInsert, ikMultiDot, ikMultiArrow };

enum TvxAlignmentVert : uint8_t { vaTop, vaBottom, vaCenter };

// The canvas text flags of an alignment, the multi-line flag and the end-ellipsis flag.
TvxTextFlags vxAlignmentTextFlags(TAlignment horz, TvxAlignmentVert vert, bool multiLine, bool showEndEllipsis);

// Called before a cell's background is filled; answers true when it drew the background.
using TvxDrawBackgroundEvent = std::function<bool(TvxCanvas& canvas, const RECT& bounds)>;

// The colours and font of a header drawn with edge marks.
struct TvxViewParams {
  TColor Color = clBtnFace;
  const TFont* Font = nullptr;
  TColor TextColor = clBtnText;
};

// The parts of a scroll bar as the scroll bar names them to DrawScrollBarPart.
enum TvxScrollBarPart : uint8_t {
  sbpNone = 0,
  sbpLineUp = 1,    // the arrow button at the top or left
  sbpLineDown = 2,  // the arrow button at the bottom or right
  sbpThumb = 3,
  sbpPageUp = 4,    // the page area before the thumb
  sbpPageDown = 5,  // the page area after it
};

// The style numbers of the painters (LookAndFeelStyle).
enum : uint8_t {
  vxPainterStyleFlat = 0,
  vxPainterStyleStandard = 1,
  vxPainterStyleUltraFlat = 2,
  vxPainterStyleWinXP = 3,
  vxPainterStyleOffice11 = 4,
};

class TvxCustomLookAndFeelPainter;
using TvxLookAndFeelPainterClass = const TvxCustomLookAndFeelPainter*;

class TvxCustomLookAndFeelPainter {
public:
  constexpr TvxCustomLookAndFeelPainter() = default;
  TvxCustomLookAndFeelPainter(const TvxCustomLookAndFeelPainter&) = delete;
  TvxCustomLookAndFeelPainter& operator=(const TvxCustomLookAndFeelPainter&) = delete;

  // --- Content ---------------------------------------------------------------------------
  virtual void DrawDropDownArrow(TvxCanvas& canvas, const RECT& r, TColor color) const;
  // The background (the callback first; bkColor when it is empty or answers false), then the
  // text in the font and colour (font nullptr: the canvas's).
  virtual void DrawContent(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds, TvxButtonState state,
                           TAlignment alignHorz, TvxAlignmentVert alignVert, bool multiLine, bool showEndEllipsis,
                           const AnsiString& text, const TFont* font, TColor textColor, TColor bkColor,
                           const TvxDrawBackgroundEvent& onDrawBackground, bool flatBackground) const;
  virtual RECT TextPanelContentRect(const RECT& r) const;
  virtual RECT TextPanelTextRect(const RECT& r) const;
  virtual uint8_t LookAndFeelStyle() const;

  // --- The colour table -----------------------------------------------------------------
  virtual TColor PainterColor5() const;
  virtual TColor PainterColor6() const;
  virtual TColor PainterColor7() const;
  virtual TColor PainterColor8() const;
  virtual TColor PainterColor9() const;
  virtual TColor PainterColor10() const;
  virtual TColor PainterColor11() const;
  virtual TColor PainterColor12() const;
  virtual TColor PainterColor13() const;
  virtual TColor PainterColor14() const;
  virtual TColor PainterColor15() const;
  virtual TColor PainterColor16() const;
  virtual TColor PainterColor17() const;
  virtual TColor PainterColor18() const;
  virtual TColor PainterColor19() const;
  virtual TColor PainterColor20() const;
  virtual TColor PainterColor21() const;
  virtual TColor PainterColor22() const;
  virtual TColor PainterColor23() const;
  virtual TColor PainterColor24() const;
  virtual TColor PainterColor25() const;
  virtual TColor PainterColor26() const;
  virtual TColor PainterColor27() const;
  virtual TColor PainterColor28() const;
  virtual TColor PainterColor29() const;
  virtual TColor PainterColor30() const;
  virtual TColor PainterColor31() const;
  virtual TColor PainterColor32() const;
  virtual TColor PainterColor33() const;
  virtual TColor PainterColor34() const;
  virtual TColor PainterColor35() const;
  virtual TColor PainterColor36() const;
  virtual TColor PainterColor37() const;
  virtual TColor PainterColor38() const;
  virtual TColor PainterColor39() const;
  virtual TColor PainterColor40() const;
  virtual TColor PainterColor41() const;
  virtual TColor PainterColor42() const;
  virtual TColor PainterColor43() const;
  virtual TColor PainterColor44() const;
  virtual TColor PainterColor45() const;
  virtual TColor PainterColor46() const;
  virtual TColor PainterColor47() const;
  virtual TColor PainterColor48() const;
  virtual TColor PainterColor49() const;
  virtual TColor PainterColor50() const;
  virtual TColor PainterColor51() const;
  virtual TColor PainterColor52() const;
  virtual TColor PainterColor53() const;
  virtual TColor PainterColor54() const;
  virtual TColor PainterColor55() const;
  virtual TColor PainterColor56() const;
  virtual TColor PainterColor57() const;
  virtual TColor PainterColor58() const;
  virtual TColor PainterColor59() const;
  virtual TColor PainterColor60() const;
  virtual TColor PainterColor61() const;
  virtual TColor PainterColor62() const;

  // --- Buttons, arrows and borders ------------------------------------------------------
  virtual void DrawArrow(TvxCanvas& canvas, const RECT& r, TvxArrowDirection direction, TColor color) const;
  virtual void DrawScrollArrow(TvxCanvas& canvas, const RECT& r, TvxButtonState state, TvxArrowDirection direction,
                               bool drawBackground) const;
  virtual void DrawButtonFace(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const;
  virtual void DrawButtonArrow(TvxCanvas& canvas, const RECT& r, TvxButtonState state,
                               TvxArrowDirection direction) const;
  // The width of the border a control draws around itself with DrawBorder.
  virtual int BorderSize() const;
  virtual void DrawBorder(TvxCanvas& canvas, const RECT& r) const;
  virtual RECT ButtonBackgroundRect(const RECT& r) const;
  virtual int ButtonBorderSize(TvxButtonState state) const;
  virtual TColor ButtonColor(TvxButtonState state) const;
  virtual RECT ButtonContentRect(TvxCanvas& canvas, const RECT& r) const;
  // The margins (as left, top, right, bottom) of button index of count side by side.
  virtual RECT ButtonGroupBorderSizes(int count, int index) const;
  virtual int ButtonTextOffset() const;
  // How far a pressed button's content moves right and down.
  virtual int ButtonTextShift() const;
  virtual TColor ButtonSymbolColor(TvxButtonState state, TColor defaultColor) const;
  virtual TvxButtonState ButtonGlyphState(TvxButtonState state) const;
  // A button with its caption centred; colours clDefault: the look's own.
  virtual void DrawButton(TvxCanvas& canvas, const RECT& r, const AnsiString& caption, TvxButtonState state,
                          bool drawBorder, TColor color, TColor textColor) const;
  virtual void DrawGroupButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state, int count, int index,
                               TColor borderColor) const;
  virtual void DrawButtonBorder(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const;
  virtual void DrawButtonGroupBorder(TvxCanvas& canvas, const RECT& r, bool active, bool pressed) const;

  // --- Expand buttons and check boxes ---------------------------------------------------
  virtual void DrawExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded, TColor color) const;
  virtual bool ExpandButtonTransparent() const;
  virtual void DrawGroupExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded, TvxButtonState state) const;
  virtual void DrawSmallExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded, TColor color) const;
  virtual int ExpandButtonSize() const;
  virtual int GroupExpandButtonSize() const;
  // Whether the look has a hot appearance, so that controls track the button under the mouse.
  virtual bool IsButtonHotTrack() const;
  virtual bool IsPointOverGroupExpandButton(const RECT& r, POINT p) const;
  virtual int SmallExpandButtonSize() const;
  virtual int CheckBorderSize() const;
  virtual TColor CheckButtonColor(TvxButtonState state) const;
  virtual void DrawCheck(TvxCanvas& canvas, const RECT& r, TvxButtonState state, bool checked, TColor color) const;
  virtual void DrawCheckBorder(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const;
  virtual void DrawCheckButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state, bool checked) const;
  // The radio image of the look for the state and the checked flag at (x, y); selectorB and
  // selectorA pick further images (0 or 1) that this system draws like the plain ones.
  // bkColor clDefault: the corners stay as they are.
  virtual void DrawRadioButton(TvxCanvas& canvas, int x, int y, TvxButtonState state, bool checked, uint8_t selectorB,
                               TColor bkColor, uint8_t selectorA) const;

  // --- Headers --------------------------------------------------------------------------
  virtual void DrawHeader(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds, TvxNeighbors neighbors,
                          TvxBorders borders, TvxButtonState state, TAlignment alignHorz, TvxAlignmentVert alignVert,
                          bool multiLine, bool showEndEllipsis, const AnsiString& text, const TFont* font,
                          TColor textColor, TColor bkColor, const TvxDrawBackgroundEvent& onDrawBackground,
                          bool isLast) const;
  virtual void DrawHeaderEx(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds, TvxNeighbors neighbors,
                            TvxBorders borders, TvxButtonState state, TAlignment alignHorz, TvxAlignmentVert alignVert,
                            bool multiLine, bool showEndEllipsis, const AnsiString& text, const TFont* font,
                            TColor textColor, TColor bkColor, const TvxDrawBackgroundEvent& onDrawBackground,
                            bool isLast) const;
  virtual void DrawHeaderBorder(TvxCanvas& canvas, const RECT& r, TvxNeighbors neighbors, TvxBorders borders) const;
  virtual void DrawHeaderPressed(TvxCanvas& canvas, const RECT& r) const;
  virtual void DrawHeaderSection(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds, TvxBorders borders,
                                 TvxButtonState state, TAlignment alignHorz, TvxAlignmentVert alignVert, bool multiLine,
                                 bool showEndEllipsis, const AnsiString& text, const TFont* font, TColor textColor,
                                 TColor bkColor) const;
  virtual void DrawHeaderSectionBorder(TvxCanvas& canvas, const RECT& r, TvxBorders borders,
                                       TvxButtonState state) const;
  virtual void DrawHeaderSectionContent(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds,
                                        TvxButtonState state, TAlignment alignHorz, TvxAlignmentVert alignVert,
                                        bool multiLine, bool showEndEllipsis, const AnsiString& text, const TFont* font,
                                        TColor textColor, TColor bkColor) const;
  virtual void DrawHeaderSectionText(TvxCanvas& canvas, const RECT& r, TvxButtonState state, TAlignment alignHorz,
                                     TvxAlignmentVert alignVert, bool multiLine, bool showEndEllipsis,
                                     const AnsiString& text, const TFont* font, TColor textColor) const;
  virtual void DrawSortingMark(TvxCanvas& canvas, const RECT& r, bool ascending) const;
  virtual TvxBorders HeaderBorders(TvxNeighbors neighbors) const;
  virtual int HeaderBorderSize() const;
  virtual RECT HeaderBoundsFromContent(const RECT& r, TvxNeighbors neighbors, TvxBorders borders) const;
  virtual RECT HeaderContentBounds(const RECT& r, TvxBorders borders) const;
  virtual bool IsHeaderPressedInverted() const;
  virtual int HeaderHeight(int fontHeight) const;
  virtual int HeaderSectionBorderSize(TvxButtonState state) const;
  virtual RECT AdjustHeaderSectionTextRect(const RECT& r, TvxButtonState state) const;
  virtual RECT HeaderSectionContentBounds(const RECT& r, TvxButtonState state) const;
  virtual int HeaderWidth(TvxCanvas& canvas, TvxBorders borders, const AnsiString& text, const TFont* font) const;
  virtual bool HasOwnHeaderBackground() const;
  virtual POINT SortingMarkAreaSize() const;
  virtual POINT SortingMarkSize() const;

  // --- Panels and small buttons ---------------------------------------------------------
  virtual void DrawTextPanel(TvxCanvas& canvas, const RECT& r, const AnsiString& text, const TFont* font,
                             TAlignment alignHorz, TvxAlignmentVert alignVert, bool multiLine, bool showEndEllipsis,
                             TColor textColor, TColor bkColor, const TvxDrawBackgroundEvent& onDrawBackground) const;
  virtual TvxBorders PanelBorders() const;
  virtual int FrameWidth() const;
  virtual int TextPanelBorderWidth() const;
  virtual int TextPanelFrameWidth() const;
  virtual bool PanelBackgroundNeeded() const;
  virtual TColor PanelColor() const;
  virtual int PanelBorderSize() const;
  virtual void DrawRaisedFrame(TvxCanvas& canvas, const RECT& r) const;
  virtual void DrawSunkenFrame(TvxCanvas& canvas, const RECT& r) const;
  virtual void FillPanel(TvxCanvas& canvas, const RECT& r) const;
  virtual void DrawPanelCheck(TvxCanvas& canvas, const RECT& r, TvxButtonState state, bool checked) const;
  // The close button of a popup's caption-like panel.
  virtual void DrawSmallCloseButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const;
  // highlighted draws the arrow in pure blue instead of the symbol colour.
  virtual void DrawDropDownButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state, bool highlighted) const;
  virtual POINT CheckButtonSize() const;
  virtual POINT SmallCloseButtonSize() const;
  virtual POINT SmallButtonSize135() const;
  virtual bool SmallButtonsFlat() const;
  virtual POINT SmallButtonSize137() const;
  virtual POINT SmallButtonSize138() const;
  virtual POINT RadioButtonSize() const;
  virtual POINT AutoHideButtonSize() const;
  virtual POINT SmallButtonSize141() const;
  virtual void DrawGlyphButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const;
  virtual void DrawButtonGlyph(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const;
  // autoHideOn picks the pin that is out ("VX_AUTOHIDEON"), otherwise the pin that is in.
  virtual void DrawAutoHideButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state, bool autoHideOn) const;

  // --- Tabs -----------------------------------------------------------------------------
  // side: the side of the pane that the tab stands on (bTop for tabs above their pane); the
  // content: the image of images at imageIndex (none when images is nullptr or the index is
  // out of range), then the text centred in the font and colour (font nullptr: the canvas's),
  // and with focused a focus rectangle around it.
  virtual void DrawTab(TvxCanvas& canvas, const RECT& r, TvxButtonState state, TvxBorder side, const AnsiString& text,
                       const TFont* font, TColor textColor, TImageList* images, int imageIndex, bool focused) const;
  // border: the side of the tab that r covers; borders: the sides the tab has.
  virtual void DrawTabBorder(TvxCanvas& canvas, const RECT& r, TvxBorder border, TvxBorders borders,
                             bool vertical) const;
  // The one-byte tab style values below are passed on as they come.
  virtual void DrawTabPane(TvxCanvas& canvas, const RECT& r, TvxBorders borders, uint8_t tabStyle) const;
  virtual bool IsTabThemed(uint8_t tabStyle) const;
  virtual bool IsTabHotThemed(uint8_t tabStyle) const;
  virtual int TabBorderSize(uint8_t tabStyle) const;

  // --- Indicators, scroll bars and the rest ---------------------------------------------
  virtual void DrawIndicatorItem(TvxCanvas& canvas, const RECT& r, TvxIndicatorKind kind, TColor bkColor,
                                 const TvxDrawBackgroundEvent& onDrawBackground) const;
  virtual void DrawIndicatorItemEx(TvxCanvas& canvas, const RECT& r, TvxIndicatorKind kind, TColor bkColor,
                                   const TvxDrawBackgroundEvent& onDrawBackground) const;
  virtual bool IndicatorDrawsBackground() const;
  virtual void DrawScrollBarPart(TvxCanvas& canvas, bool horizontal, const RECT& r, TvxScrollBarPart part,
                                 TvxButtonState state) const;
  // marks: 1 the left edge, 2 the right edge, 3 both.
  virtual void DrawHeaderWithMark(TvxCanvas& canvas, const RECT& r, const AnsiString& text, TvxNeighbors neighbors,
                                  const TvxViewParams& viewParams, uint8_t marks, int offset,
                                  const TvxDrawBackgroundEvent& onDrawBackground) const;
  virtual void DrawPanelBorder(TvxCanvas& canvas, const RECT& r) const;
  virtual void DrawToolButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const;
  virtual void DrawSideFrame(TvxCanvas& canvas, const RECT& r, bool horizontal, TColor color) const;
};

class TvxStandardLookAndFeelPainter : public TvxCustomLookAndFeelPainter {
public:
  constexpr TvxStandardLookAndFeelPainter() = default;

  uint8_t LookAndFeelStyle() const override;
  TColor PainterColor50() const override;
  int BorderSize() const override;
  void DrawBorder(TvxCanvas& canvas, const RECT& r) const override;
  int ButtonBorderSize(TvxButtonState state) const override;
  int ButtonTextOffset() const override;
  int ButtonTextShift() const override;
  void DrawButtonBorder(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const override;
  void DrawExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded, TColor color) const override;
  void DrawGroupExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded, TvxButtonState state) const override;
  int ExpandButtonSize() const override;
  bool IsButtonHotTrack() const override;
  void DrawCheckBorder(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const override;
  void DrawHeaderBorder(TvxCanvas& canvas, const RECT& r, TvxNeighbors neighbors, TvxBorders borders) const override;
  void DrawHeaderSectionBorder(TvxCanvas& canvas, const RECT& r, TvxBorders borders,
                               TvxButtonState state) const override;
  void DrawSortingMark(TvxCanvas& canvas, const RECT& r, bool ascending) const override;
  int HeaderBorderSize() const override;
  int HeaderSectionBorderSize(TvxButtonState state) const override;
  POINT SortingMarkSize() const override;
  int FrameWidth() const override;
  int TextPanelBorderWidth() const override;
  int TextPanelFrameWidth() const override;
  void DrawRaisedFrame(TvxCanvas& canvas, const RECT& r) const override;
  void DrawSunkenFrame(TvxCanvas& canvas, const RECT& r) const override;
  void DrawDropDownButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state, bool highlighted) const override;
  void DrawButtonGlyph(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const override;
  void DrawTabBorder(TvxCanvas& canvas, const RECT& r, TvxBorder border, TvxBorders borders,
                     bool vertical) const override;
  void DrawTabPane(TvxCanvas& canvas, const RECT& r, TvxBorders borders, uint8_t tabStyle) const override;
  int TabBorderSize(uint8_t tabStyle) const override;
  void DrawScrollBarPart(TvxCanvas& canvas, bool horizontal, const RECT& r, TvxScrollBarPart part,
                         TvxButtonState state) const override;
  void DrawHeaderWithMark(TvxCanvas& canvas, const RECT& r, const AnsiString& text, TvxNeighbors neighbors,
                          const TvxViewParams& viewParams, uint8_t marks, int offset,
                          const TvxDrawBackgroundEvent& onDrawBackground) const override;
  void DrawSideFrame(TvxCanvas& canvas, const RECT& r, bool horizontal, TColor color) const override;
};

class TvxFlatLookAndFeelPainter : public TvxCustomLookAndFeelPainter {
public:
  constexpr TvxFlatLookAndFeelPainter() = default;

  uint8_t LookAndFeelStyle() const override;
  int BorderSize() const override;
  void DrawBorder(TvxCanvas& canvas, const RECT& r) const override;
  int ButtonBorderSize(TvxButtonState state) const override;
  int ButtonTextOffset() const override;
  int ButtonTextShift() const override;
  void DrawButtonBorder(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const override;
  void DrawExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded, TColor color) const override;
  int ExpandButtonSize() const override;
  bool IsButtonHotTrack() const override;
  void DrawCheckBorder(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const override;
  void DrawHeaderBorder(TvxCanvas& canvas, const RECT& r, TvxNeighbors neighbors, TvxBorders borders) const override;
  void DrawHeaderSectionBorder(TvxCanvas& canvas, const RECT& r, TvxBorders borders,
                               TvxButtonState state) const override;
  void DrawSortingMark(TvxCanvas& canvas, const RECT& r, bool ascending) const override;
  int HeaderBorderSize() const override;
  POINT SortingMarkSize() const override;
  int FrameWidth() const override;
  int TextPanelBorderWidth() const override;
  int TextPanelFrameWidth() const override;
  void DrawRaisedFrame(TvxCanvas& canvas, const RECT& r) const override;
  void DrawSunkenFrame(TvxCanvas& canvas, const RECT& r) const override;
  void DrawDropDownButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state, bool highlighted) const override;
  void DrawButtonGlyph(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const override;
  void DrawTabBorder(TvxCanvas& canvas, const RECT& r, TvxBorder border, TvxBorders borders,
                     bool vertical) const override;
  void DrawTabPane(TvxCanvas& canvas, const RECT& r, TvxBorders borders, uint8_t tabStyle) const override;
  int TabBorderSize(uint8_t tabStyle) const override;
  void DrawScrollBarPart(TvxCanvas& canvas, bool horizontal, const RECT& r, TvxScrollBarPart part,
                         TvxButtonState state) const override;
  void DrawSideFrame(TvxCanvas& canvas, const RECT& r, bool horizontal, TColor color) const override;
};

class TvxUltraFlatLookAndFeelPainter : public TvxCustomLookAndFeelPainter {
public:
  constexpr TvxUltraFlatLookAndFeelPainter() = default;

  uint8_t LookAndFeelStyle() const override;
  TColor PainterColor17() const override;
  TColor PainterColor48() const override;
  int BorderSize() const override;
  void DrawBorder(TvxCanvas& canvas, const RECT& r) const override;
  int ButtonBorderSize(TvxButtonState state) const override;
  TColor ButtonColor(TvxButtonState state) const override;
  RECT ButtonContentRect(TvxCanvas& canvas, const RECT& r) const override;
  RECT ButtonGroupBorderSizes(int count, int index) const override;
  int ButtonTextOffset() const override;
  int ButtonTextShift() const override;
  TColor ButtonSymbolColor(TvxButtonState state, TColor defaultColor) const override;
  TvxButtonState ButtonGlyphState(TvxButtonState state) const override;
  void DrawGroupButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state, int count, int index,
                       TColor borderColor) const override;
  void DrawButtonBorder(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const override;
  void DrawButtonGroupBorder(TvxCanvas& canvas, const RECT& r, bool active, bool pressed) const override;
  void DrawExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded, TColor color) const override;
  int ExpandButtonSize() const override;
  bool IsButtonHotTrack() const override;
  void DrawCheckBorder(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const override;
  void DrawHeaderEx(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds, TvxNeighbors neighbors,
                    TvxBorders borders, TvxButtonState state, TAlignment alignHorz, TvxAlignmentVert alignVert,
                    bool multiLine, bool showEndEllipsis, const AnsiString& text, const TFont* font, TColor textColor,
                    TColor bkColor, const TvxDrawBackgroundEvent& onDrawBackground, bool isLast) const override;
  void DrawHeaderBorder(TvxCanvas& canvas, const RECT& r, TvxNeighbors neighbors, TvxBorders borders) const override;
  void DrawHeaderSectionBorder(TvxCanvas& canvas, const RECT& r, TvxBorders borders,
                               TvxButtonState state) const override;
  void DrawHeaderSectionContent(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds, TvxButtonState state,
                                TAlignment alignHorz, TvxAlignmentVert alignVert, bool multiLine, bool showEndEllipsis,
                                const AnsiString& text, const TFont* font, TColor textColor,
                                TColor bkColor) const override;
  void DrawSortingMark(TvxCanvas& canvas, const RECT& r, bool ascending) const override;
  TvxBorders HeaderBorders(TvxNeighbors neighbors) const override;
  int HeaderBorderSize() const override;
  POINT SortingMarkSize() const override;
  TvxBorders PanelBorders() const override;
  int FrameWidth() const override;
  int TextPanelBorderWidth() const override;
  int TextPanelFrameWidth() const override;
  void DrawRaisedFrame(TvxCanvas& canvas, const RECT& r) const override;
  void DrawSunkenFrame(TvxCanvas& canvas, const RECT& r) const override;
  void DrawDropDownButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state, bool highlighted) const override;
  POINT SmallCloseButtonSize() const override;
  POINT RadioButtonSize() const override;
  void DrawTabBorder(TvxCanvas& canvas, const RECT& r, TvxBorder border, TvxBorders borders,
                     bool vertical) const override;
  void DrawTabPane(TvxCanvas& canvas, const RECT& r, TvxBorders borders, uint8_t tabStyle) const override;
  int TabBorderSize(uint8_t tabStyle) const override;
  void DrawScrollBarPart(TvxCanvas& canvas, bool horizontal, const RECT& r, TvxScrollBarPart part,
                         TvxButtonState state) const override;
  void DrawToolButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const override;
  void DrawSideFrame(TvxCanvas& canvas, const RECT& r, bool horizontal, TColor color) const override;

  // The colours of the ultra-flat frames.
  virtual TColor ButtonBorderColor(TvxButtonState state) const;
  virtual TColor TabBorderColor() const;
  virtual TColor TabDarkBorderColor() const;
  virtual TColor HotBorderColor() const;
};

class TvxOffice11LookAndFeelPainter : public TvxUltraFlatLookAndFeelPainter {
public:
  constexpr TvxOffice11LookAndFeelPainter() = default;

  void DrawContent(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds, TvxButtonState state,
                   TAlignment alignHorz, TvxAlignmentVert alignVert, bool multiLine, bool showEndEllipsis,
                   const AnsiString& text, const TFont* font, TColor textColor, TColor bkColor,
                   const TvxDrawBackgroundEvent& onDrawBackground, bool flatBackground) const override;
  uint8_t LookAndFeelStyle() const override;
  TColor PainterColor15() const override;
  TColor PainterColor25() const override;
  TColor PainterColor26() const override;
  TColor PainterColor28() const override;
  TColor PainterColor29() const override;
  TColor PainterColor31() const override;
  TColor PainterColor33() const override;
  TColor PainterColor34() const override;
  TColor PainterColor35() const override;
  TColor PainterColor37() const override;
  TColor PainterColor43() const override;
  TColor PainterColor44() const override;
  TColor PainterColor45() const override;
  TColor PainterColor48() const override;
  TColor PainterColor49() const override;
  TColor PainterColor55() const override;
  TColor PainterColor57() const override;
  TColor PainterColor60() const override;
  TColor PainterColor62() const override;
  void DrawBorder(TvxCanvas& canvas, const RECT& r) const override;
  TColor ButtonColor(TvxButtonState state) const override;
  TColor ButtonSymbolColor(TvxButtonState state, TColor defaultColor) const override;
  void DrawButtonBorder(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const override;
  void DrawExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded, TColor color) const override;
  bool ExpandButtonTransparent() const override;
  void DrawSmallExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded, TColor color) const override;
  int ExpandButtonSize() const override;
  int SmallExpandButtonSize() const override;
  TColor CheckButtonColor(TvxButtonState state) const override;
  void DrawHeader(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds, TvxNeighbors neighbors,
                  TvxBorders borders, TvxButtonState state, TAlignment alignHorz, TvxAlignmentVert alignVert,
                  bool multiLine, bool showEndEllipsis, const AnsiString& text, const TFont* font, TColor textColor,
                  TColor bkColor, const TvxDrawBackgroundEvent& onDrawBackground, bool isLast) const override;
  void DrawHeaderBorder(TvxCanvas& canvas, const RECT& r, TvxNeighbors neighbors, TvxBorders borders) const override;
  void DrawHeaderSection(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds, TvxBorders borders,
                         TvxButtonState state, TAlignment alignHorz, TvxAlignmentVert alignVert, bool multiLine,
                         bool showEndEllipsis, const AnsiString& text, const TFont* font, TColor textColor,
                         TColor bkColor) const override;
  void DrawSortingMark(TvxCanvas& canvas, const RECT& r, bool ascending) const override;
  TvxBorders HeaderBorders(TvxNeighbors neighbors) const override;
  int HeaderBorderSize() const override;
  bool HasOwnHeaderBackground() const override;
  TColor PanelColor() const override;
  void DrawScrollBarPart(TvxCanvas& canvas, bool horizontal, const RECT& r, TvxScrollBarPart part,
                         TvxButtonState state) const override;
  void DrawHeaderWithMark(TvxCanvas& canvas, const RECT& r, const AnsiString& text, TvxNeighbors neighbors,
                          const TvxViewParams& viewParams, uint8_t marks, int offset,
                          const TvxDrawBackgroundEvent& onDrawBackground) const override;
  void DrawPanelBorder(TvxCanvas& canvas, const RECT& r) const override;
  void DrawToolButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const override;
  TColor ButtonBorderColor(TvxButtonState state) const override;
  TColor TabBorderColor() const override;
  TColor HotBorderColor() const override;

  virtual TColor Office11Color163() const;
  virtual TColor Office11Color164() const;
  virtual TColor Office11Color165() const;
  virtual TColor Office11Color166() const;
};

class TvxWinXPLookAndFeelPainter : public TvxStandardLookAndFeelPainter {
public:
  constexpr TvxWinXPLookAndFeelPainter() = default;

  uint8_t LookAndFeelStyle() const override;
  TColor PainterColor17() const override;
  TColor PainterColor48() const override;
  TColor PainterColor50() const override;
  void DrawScrollArrow(TvxCanvas& canvas, const RECT& r, TvxButtonState state, TvxArrowDirection direction,
                       bool drawBackground) const override;
  void DrawButtonFace(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const override;
  int BorderSize() const override;
  void DrawBorder(TvxCanvas& canvas, const RECT& r) const override;
  RECT ButtonBackgroundRect(const RECT& r) const override;
  int ButtonBorderSize(TvxButtonState state) const override;
  TColor ButtonColor(TvxButtonState state) const override;
  RECT ButtonContentRect(TvxCanvas& canvas, const RECT& r) const override;
  RECT ButtonGroupBorderSizes(int count, int index) const override;
  int ButtonTextOffset() const override;
  int ButtonTextShift() const override;
  TColor ButtonSymbolColor(TvxButtonState state, TColor defaultColor) const override;
  void DrawButton(TvxCanvas& canvas, const RECT& r, const AnsiString& caption, TvxButtonState state, bool drawBorder,
                  TColor color, TColor textColor) const override;
  void DrawExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded, TColor color) const override;
  bool ExpandButtonTransparent() const override;
  void DrawGroupExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded, TvxButtonState state) const override;
  void DrawSmallExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded, TColor color) const override;
  int ExpandButtonSize() const override;
  int GroupExpandButtonSize() const override;
  bool IsButtonHotTrack() const override;
  bool IsPointOverGroupExpandButton(const RECT& r, POINT p) const override;
  int SmallExpandButtonSize() const override;
  int CheckBorderSize() const override;
  void DrawCheck(TvxCanvas& canvas, const RECT& r, TvxButtonState state, bool checked, TColor color) const override;
  void DrawCheckBorder(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const override;
  void DrawRadioButton(TvxCanvas& canvas, int x, int y, TvxButtonState state, bool checked, uint8_t selectorB,
                       TColor bkColor, uint8_t selectorA) const override;
  void DrawHeader(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds, TvxNeighbors neighbors,
                  TvxBorders borders, TvxButtonState state, TAlignment alignHorz, TvxAlignmentVert alignVert,
                  bool multiLine, bool showEndEllipsis, const AnsiString& text, const TFont* font, TColor textColor,
                  TColor bkColor, const TvxDrawBackgroundEvent& onDrawBackground, bool isLast) const override;
  void DrawHeaderPressed(TvxCanvas& canvas, const RECT& r) const override;
  void DrawHeaderSection(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds, TvxBorders borders,
                         TvxButtonState state, TAlignment alignHorz, TvxAlignmentVert alignVert, bool multiLine,
                         bool showEndEllipsis, const AnsiString& text, const TFont* font, TColor textColor,
                         TColor bkColor) const override;
  void DrawSortingMark(TvxCanvas& canvas, const RECT& r, bool ascending) const override;
  int HeaderBorderSize() const override;
  bool IsHeaderPressedInverted() const override;
  int HeaderSectionBorderSize(TvxButtonState state) const override;
  RECT HeaderSectionContentBounds(const RECT& r, TvxButtonState state) const override;
  bool HasOwnHeaderBackground() const override;
  POINT SortingMarkSize() const override;
  void DrawTextPanel(TvxCanvas& canvas, const RECT& r, const AnsiString& text, const TFont* font, TAlignment alignHorz,
                     TvxAlignmentVert alignVert, bool multiLine, bool showEndEllipsis, TColor textColor, TColor bkColor,
                     const TvxDrawBackgroundEvent& onDrawBackground) const override;
  int FrameWidth() const override;
  int TextPanelBorderWidth() const override;
  int TextPanelFrameWidth() const override;
  bool PanelBackgroundNeeded() const override;
  void DrawRaisedFrame(TvxCanvas& canvas, const RECT& r) const override;
  void DrawSmallCloseButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const override;
  void DrawDropDownButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state, bool highlighted) const override;
  POINT CheckButtonSize() const override;
  POINT SmallCloseButtonSize() const override;
  POINT RadioButtonSize() const override;
  POINT AutoHideButtonSize() const override;
  void DrawGlyphButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const override;
  void DrawAutoHideButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state, bool autoHideOn) const override;
  // The style's tab (drawn standing on a pane below, turned for the other sides), then its
  // content inside the style's content margins.
  void DrawTab(TvxCanvas& canvas, const RECT& r, TvxButtonState state, TvxBorder side, const AnsiString& text,
               const TFont* font, TColor textColor, TImageList* images, int imageIndex, bool focused) const override;
  void DrawTabBorder(TvxCanvas& canvas, const RECT& r, TvxBorder border, TvxBorders borders,
                     bool vertical) const override;
  void DrawTabPane(TvxCanvas& canvas, const RECT& r, TvxBorders borders, uint8_t tabStyle) const override;
  bool IsTabThemed(uint8_t tabStyle) const override;
  bool IsTabHotThemed(uint8_t tabStyle) const override;
  int TabBorderSize(uint8_t tabStyle) const override;
  void DrawIndicatorItem(TvxCanvas& canvas, const RECT& r, TvxIndicatorKind kind, TColor bkColor,
                         const TvxDrawBackgroundEvent& onDrawBackground) const override;
  void DrawScrollBarPart(TvxCanvas& canvas, bool horizontal, const RECT& r, TvxScrollBarPart part,
                         TvxButtonState state) const override;
  void DrawHeaderWithMark(TvxCanvas& canvas, const RECT& r, const AnsiString& text, TvxNeighbors neighbors,
                          const TvxViewParams& viewParams, uint8_t marks, int offset,
                          const TvxDrawBackgroundEvent& onDrawBackground) const override;
  void DrawToolButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const override;
  void DrawSideFrame(TvxCanvas& canvas, const RECT& r, bool horizontal, TColor color) const override;

  // Text through the visual style's text routine with the part and state given, or through
  // the canvas when theme is nullptr.
  virtual void DrawThemedText(TvxCanvas& canvas, HTHEME theme, int part, int state, const RECT& r,
                              const AnsiString& text, const TFont* font, TColor textColor, TAlignment alignHorz,
                              TvxAlignmentVert alignVert, bool multiLine, bool showEndEllipsis) const;
};

// The one instance of each painter class.
extern const TvxCustomLookAndFeelPainter vxCustomPainter;
extern const TvxStandardLookAndFeelPainter vxStandardPainter;
extern const TvxFlatLookAndFeelPainter vxFlatPainter;
extern const TvxUltraFlatLookAndFeelPainter vxUltraFlatPainter;
extern const TvxOffice11LookAndFeelPainter vxOffice11Painter;
extern const TvxWinXPLookAndFeelPainter vxWinXPPainter;

// The look-and-feel kind of a painter style number: 0 flat, 1 standard, 2 ultra-flat,
// 4 Office-2003-like, anything else (the themed painter's 3) standard.
TvxLookAndFeelKind vxLookAndFeelStyleToKind(uint8_t style);
// The painter of a look-and-feel kind (the ultra-flat one for a value out of range).
TvxLookAndFeelPainterClass vxPainterOfKind(TvxLookAndFeelKind kind);

// --- Visual-style states ----------------------------------------------------------------

// Painter state to visual-style state, indexed by TvxButtonState.
constexpr std::array<int, 5> vxThemedPushButtonStates{5, 1, 2, 3, 4};
constexpr std::array<int, 5> vxThemedCheckStates{1, 1, 2, 3, 4};  // add 4 when checked
constexpr std::array<int, 5> vxThemedHeaderItemStates{1, 1, 2, 3, 1};
constexpr std::array<int, 5> vxThemedSmallCloseButtonStates{1, 1, 2, 3, 4};
constexpr std::array<int, 5> vxThemedComboButtonStates{1, 1, 2, 3, 4};
constexpr std::array<int, 5> vxThemedScrollBarStates{1, 1, 2, 3, 4};
// The "ScrollBar" arrow state: four states (normal, hot, pressed, disabled) per direction.
int vxThemedScrollArrowState(TvxArrowDirection direction, TvxButtonState state);

// --- Shared drawing routines ------------------------------------------------------------

// The three corners of an arrow in r; squared arrows first make r about square.
std::array<POINT, 3> vxArrowPoints(const RECT& r, TvxArrowDirection direction, bool squared);
std::array<POINT, 3> vxDropDownArrowPoints(const RECT& r);
// A filled triangle, brush and pen in the colour.
void vxDrawTriangle(TvxCanvas& canvas, const std::array<POINT, 3>& points, TColor color);
// A minus (expanded) or plus sign centred in r.
void vxDrawPlusMinus(TvxCanvas& canvas, const RECT& r, bool expanded, TColor color);
// Two chevrons two pixels thick, up when expanded and down otherwise.
void vxDrawChevrons(TvxCanvas& canvas, const RECT& r, bool expanded, TColor color);
// A check mark three pixels thick in r.
void vxDrawCheckMark(TvxCanvas& canvas, const RECT& r, TColor color);
// An x of two-pixel strokes, size pixels across (odd), one pixel right and down when pressed.
void vxDrawCross(TvxCanvas& canvas, const RECT& r, int size, TColor color, bool pressed);
// Triangles at the left (marks 1 or 3) and right (2 or 3) edge pointing outward.
void vxDrawEdgeTriangles(TvxCanvas& canvas, const RECT& r, uint8_t marks, int offset, TColor color);
// An up (ascending) or down triangle outline of markSize with its light and dark sides.
void vxDrawSortingMark(TvxCanvas& canvas, const RECT& r, POINT markSize, TColor darkColor, TColor lightColor,
                       bool ascending);
// The indicator glyph of a kind centred in r.
void vxDrawIndicatorGlyph(TvxCanvas& canvas, const RECT& r, TvxIndicatorKind kind);

// --- Shared resources -------------------------------------------------------------------

// The five indicator glyphs, white transparent (nullptr outside start-up and shutdown).
TImageList* vxIndicatorImages();
// 8 x 8 patterns of the scroll-bar page areas: face and highlight, and black and dark shadow,
// in a checkerboard with the first colour where x and y have the same parity.
TBitmap* vxScrollBarPatternBitmap();
TBitmap* vxScrollBarDarkPatternBitmap();
// The pins of the auto-hide button, 16 x 16 and transparent.
TBitmap* vxAutoHideBitmap(bool autoHideOn);

// --- Radio-button images ----------------------------------------------------------------

// Radio glyphs of the non-themed looks rendered ahead, so that drawing one is a copy. The
// glyph's shape comes from the system's own radio drawing (measured once per process), its
// colours from the look and the state. One shared instance, made on first use.
class TvxRadioButtonImageList {
public:
  TvxRadioButtonImageList();  // measures when not done yet, then renders every image
  ~TvxRadioButtonImageList();
  TvxRadioButtonImageList(const TvxRadioButtonImageList&) = delete;
  TvxRadioButtonImageList& operator=(const TvxRadioButtonImageList&) = delete;

  void Draw(TvxCanvas& canvas, int x, int y, TvxLookAndFeelKind kind, TvxButtonState state, bool checked,
            uint8_t selectorB, TColor bkColor, uint8_t selectorA);
  // Renders every image again in the current colours.
  void Rebuild();
  TImageList& Images() { return *FImages; }

private:
  std::unique_ptr<TImageList> FImages;
};

// The position in the image table of the image for kind, state and the selectors (each 0 or
// 1; any other value counts as 1). A default button has the normal button's image.
int vxRadioButtonImageIndex(TvxLookAndFeelKind kind, TvxButtonState state, uint8_t selectorA, uint8_t selectorB,
                            bool checked);
// The shared instance; the first call makes it.
TvxRadioButtonImageList* vxRadioButtonImageList();

// What the measuring found, in the cell's coordinates (right and bottom exclusive).
struct TvxRadioButtonMetrics {
  SIZE Cell{};
  RECT Glyph{};
  RECT Dot{};
};
const TvxRadioButtonMetrics& vxRadioButtonMetrics();

// Start-up: the indicator glyphs, the page patterns, the auto-hide pins and the listener
// that rebuilds the images on a system-colour change; shutdown frees them in that order and
// the radio-button images last.
void InitializevxLookAndFeelPainters();
void FinalizevxLookAndFeelPainters();

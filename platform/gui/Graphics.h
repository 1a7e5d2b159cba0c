// Drawing objects of the class library over GDI: colours, fonts, brushes and pens that create
// their GDI handle on demand and say when they change, a canvas that selects them into a device
// context before each drawing call, bitmaps with their own canvas, and image lists.
//
// Ownership: each graphics object owns its GDI handle and deletes it when it changes or dies;
// a canvas never deletes the device context it was given (SetHandle), only the objects it
// selected are put back. A canvas that gets its device context itself (CreateHandle, say from
// GetDC) gives it back in ReleaseHandle when it lets go of it (FreeHandle).
#pragma once

#include "platform/gui/Components.h"
#include "platform/rtl/TypInfo.h"  // TColor, TCursor and the colours the trace client also names

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// TColor: an RGB value (0x00BBGGRR), or a system colour as 0xFF000000 plus its index.

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clOlive = 0x008080;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor SystemColor(int index) { return static_cast<TColor>(0xFF000000u | static_cast<uint32_t>(index)); }
constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SystemColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SystemColor(COLOR_ACTIVECAPTION);
static_assert(clWindow == SystemColor(COLOR_WINDOW));
constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SystemColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SystemColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);

// The RGB value of a colour (system colours resolved now).
COLORREF ColorToRGB(TColor color);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

// Base of font, brush and pen: a GDI handle made on first use and an OnChange event.
class TGraphicsObject : public TPersistent {
public:
  ~TGraphicsObject() override;
  TNotifyEvent OnChange;

protected:
  void Changed();  // drops the handle and fires OnChange
  void ReleaseHandle();
  HGDIOBJ FHandle = nullptr;
};

class TFont : public TGraphicsObject {
public:
  TFont();
  const char* ClassName() const override { return "TFont"; }
  void Assign(const TPersistent* source) override;

  HFONT Handle();
  const AnsiString& Name() const { return FName; }
  void SetName(const AnsiString& name);
  // Height in pixels: negative for the character height, positive for the cell height.
  int Height() const { return FHeight; }
  void SetHeight(int height);
  int Size() const;  // points, from the screen's pixels per inch
  void SetSize(int points);
  BYTE Charset() const { return FCharset; }
  void SetCharset(BYTE charset);
  TColor Color() const { return FColor; }
  void SetColor(TColor color);  // does not touch the handle, but still tells the listeners
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles style);
  bool Equals(const TFont& other) const;

private:
  AnsiString FName;
  int FHeight = -12;
  BYTE FCharset = DEFAULT_CHARSET;
  TColor FColor = clWindowText;
  TFontStyles FStyle = 0;
};

enum class TBrushStyle { bsSolid, bsClear };

class TBitmap;

class TBrush : public TGraphicsObject {
public:
  const char* ClassName() const override { return "TBrush"; }
  void Assign(const TPersistent* source) override;
  HBRUSH Handle();
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle style);
  // A pattern brush tiled from the bitmap (not owned; its pixels are copied when the handle
  // is made, so set it again after changing them); nullptr makes the brush solid again. While
  // a bitmap is set, colour and style do not shape the brush.
  TBitmap* Bitmap() const { return FBitmap; }
  void SetBitmap(TBitmap* bitmap);

private:
  TColor FColor = clWhite;
  TBrushStyle FStyle = TBrushStyle::bsSolid;
  TBitmap* FBitmap = nullptr;
};

enum class TPenStyle { psSolid, psDash, psDot, psClear };

class TPen : public TGraphicsObject {
public:
  const char* ClassName() const override { return "TPen"; }
  void Assign(const TPersistent* source) override;
  HPEN Handle();
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  int Width() const { return FWidth; }
  void SetWidth(int width);
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle style);

private:
  TColor FColor = clBlack;
  int FWidth = 1;
  TPenStyle FStyle = TPenStyle::psSolid;
};

// Drawing on a device context with the canvas's own font, brush and pen.
class TCanvas : public TPersistent {
public:
  TCanvas();
  ~TCanvas() override;
  const char* ClassName() const override { return "TCanvas"; }

  // The device context; a canvas that makes its own (CreateHandle) makes it now. Direct GDI
  // calls on it see the canvas's objects only after a drawing call of the canvas.
  HDC Handle();
  // The device context with the canvas's font, brush and pen selected and its text colour
  // set, for GDI and visual-style calls that draw with them.
  HDC HandleWithObjects();
  // Hands the canvas a device context it does not own; 0 puts the selected objects back.
  void SetHandle(HDC dc);
  bool HandleAllocated() const { return FHandle != nullptr; }
  // Puts the selected objects back and lets go of the device context, giving it back when
  // the canvas made it itself (ReleaseHandle).
  void FreeHandle();

  TFont& Font() { return *FFont; }
  TBrush& Brush() { return *FBrush; }
  TPen& Pen() { return *FPen; }

  void FillRect(const RECT& r);
  void FrameRect(const RECT& r);
  void Rectangle(const RECT& r);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void TextOut(int x, int y, const AnsiString& text);
  void TextRect(const RECT& r, int x, int y, const AnsiString& text);
  int DrawText(const AnsiString& text, RECT& r, UINT format);
  SIZE TextExtent(const AnsiString& text);
  int TextWidth(const AnsiString& text) { return TextExtent(text).cx; }
  int TextHeight(const AnsiString& text) { return TextExtent(text).cy; }
  // Text that fits: the extent of the whole text, and in fit the number of bytes of the
  // characters that fit in maxExtent pixels; partialExtents (when given) receives the end
  // position of each byte's character.
  SIZE TextExtentEx(const AnsiString& text, int maxExtent, int* fit, std::vector<int>* partialExtents = nullptr);
  // Text with TABs expanded to the tab stops (none: every eight average characters).
  SIZE TabbedTextExtent(const AnsiString& text, std::span<const int> tabStops);
  SIZE TabbedTextOut(int x, int y, const AnsiString& text, std::span<const int> tabStops, int tabOrigin);
  // Spreads extra pixels over the break characters of the next text output (0, 0 ends it).
  void SetTextJustification(int breakExtra, int breakCount);
  // ExtTextOutA: options ETO_CLIPPED and ETO_OPAQUE refer to r (may be nullptr).
  void ExtTextOut(int x, int y, UINT options, const RECT* r, const AnsiString& text);

  // Bitmaps: a transparent bitmap leaves its transparent colour out; the disabled rendering
  // draws the bitmap's shape (every pixel but the transparent colour) embossed, in
  // clBtnHighlight one pixel right and down, then in clBtnShadow in place.
  void Draw(int x, int y, TBitmap& bitmap);
  void DrawDisabled(int x, int y, TBitmap& bitmap);
  // Copies with the copy mode (a raster operation, SRCCOPY unless set), stretching.
  void CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect);
  DWORD CopyMode() const { return FCopyMode; }
  void SetCopyMode(DWORD mode) { FCopyMode = mode; }

  void Polygon(std::span<const POINT> points);  // filled with the brush, outlined with the pen
  TColor Pixels(int x, int y);                  // clNone outside the clip region
  void SetPixels(int x, int y, TColor color);
  void DrawFocusRect(const RECT& r);            // in the font and brush colours
  void DrawFrameControl(const RECT& r, UINT type, UINT state);

  // Clipping, in logical coordinates.
  void ExcludeClipRect(const RECT& r);
  void IntersectClipRect(const RECT& r);
  // A copy of the clip region (nullptr when there is none) to hand back to RestoreClipRegion,
  // which selects it again and deletes it.
  HRGN SaveClipRegion();
  void RestoreClipRegion(HRGN saved);
  // The whole device context state. The canvas puts its objects back first, so a restored
  // state never holds a font, brush or pen that the canvas has deleted since.
  int SaveDC();
  void RestoreDC(int saved);
  POINT SetWindowOrg(int x, int y);  // answers the previous origin

  // Fired after every call that draws (not after measuring, moving the pen or clipping), so
  // that the owner of what is drawn on (a bitmap) can tell its own listeners.
  TNotifyEvent OnChange;

protected:
  void Changed() {
    if (OnChange) OnChange(this);
  }
  // Descendants that make their device context on demand override CreateHandle (setting it
  // with SetHandle) and give it back in ReleaseHandle. A descendant that made one calls
  // FreeHandle in its own destructor: the base destructor cannot reach the override.
  virtual void CreateHandle() {}
  virtual void ReleaseHandle(HDC dc) {}
  void RequireHandle();

private:
  void Select();
  void Deselect();
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TBrush> FBrush;
  std::unique_ptr<TPen> FPen;
  HDC FHandle = nullptr;
  HGDIOBJ FOldFont = nullptr, FOldBrush = nullptr, FOldPen = nullptr;
  DWORD FCopyMode = SRCCOPY;
};

// A device-dependent bitmap with a memory device context for its canvas. The canvas makes its
// device context again whenever it is used after the bitmap left it.
class TBitmap : public TPersistent {
public:
  TBitmap();
  ~TBitmap() override;
  const char* ClassName() const override { return "TBitmap"; }

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetSize(int width, int height);  // content is lost
  HBITMAP Handle() const { return FBitmap; }
  // Takes a bitmap handle (owned from now on); its size is read from the handle.
  void SetHandle(HBITMAP bitmap);
  bool Empty() const { return FBitmap == nullptr; }
  TCanvas& Canvas();
  // Takes the bitmap out of its canvas's device context (the canvas makes a new one when next
  // used): GDI lets a bitmap sit in one device context at a time, and image lists need it.
  void FreeContext();
  // Writes a 24-bit uncompressed .bmp file; raises EFCreateError or EWriteError.
  void SaveToFile(const AnsiString& fileName);
  // Loads a bitmap resource by name from the module (the program when 0); false when missing.
  bool LoadFromResourceName(HINSTANCE module, const char* name);
  // Loads one of the system's own bitmaps (OBM_CHECKBOXES and the like); false when missing.
  bool LoadFromSystemResource(int id);

  // The pixels as a top-down 32-bit image, row after row, each 0x00RRGGBB (not a TColor).
  std::vector<uint32_t> ReadPixels32();
  // Writes such an image of Width() x Height() pixels; a vector of another size is refused
  // with EInvalidOperation.
  void WritePixels32(const std::vector<uint32_t>& pixels);

  // Fired after every change of the picture: a new size or image, pixels written, and every
  // drawing call of its canvas. Not for the transparency settings, which only say how the
  // picture is drawn elsewhere (painters set them for the time of a drawing).
  TNotifyEvent OnChange;

  // Drawing with a transparent colour: the one set, or the bottom-left pixel while it is
  // clDefault.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value) { FTransparent = value; }
  TColor TransparentColor();
  void SetTransparentColor(TColor color) { FTransparentColor = color; }

private:
  friend class TBitmapCanvas;
  void MakeContext();
  void FreeImage();
  void Changed() {
    if (OnChange) OnChange(this);
  }
  // Bitmap functions that read or write the bits want the bitmap out of every device context.
  template <class F> void OutOfContext(F f);
  HBITMAP FBitmap = nullptr;
  HDC FMemDC = nullptr;
  HGDIOBJ FOldBitmap = nullptr;
  int FWidth = 0, FHeight = 0;
  std::unique_ptr<TCanvas> FCanvas;
  bool FTransparent = false;
  TColor FTransparentColor = clDefault;
};

// A common-controls image list of same-sized images.
class TImageList : public TComponent {
public:
  TImageList(TComponent* owner, int width = 16, int height = 16);
  ~TImageList() override;
  const char* ClassName() const override { return "TImageList"; }

  HIMAGELIST Handle();
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetSize(int width, int height);  // clears the list
  int Count() const;
  int Add(TBitmap& image, TBitmap* mask);
  int AddMasked(TBitmap& image, TColor maskColor);
  void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true);
  void Clear();

private:
  HIMAGELIST FHandle = nullptr;
  int FWidth, FHeight;
};

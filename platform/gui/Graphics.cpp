#include "platform/gui/Graphics.h"

#include "platform/rtl/SysExceptions.h"

#include <vector>

COLORREF ColorToRGB(TColor color) {
  if ((static_cast<uint32_t>(color) & 0xFF000000u) == 0xFF000000u)
    return GetSysColor(static_cast<int>(color & 0xFF));
  return static_cast<COLORREF>(color) & 0x00FFFFFFu;
}

namespace {

int ScreenPixelsPerInch() {
  HDC dc = GetDC(nullptr);
  int ppi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return ppi > 0 ? ppi : 96;
}

}  // namespace

TGraphicsObject::~TGraphicsObject() { ReleaseHandle(); }

void TGraphicsObject::ReleaseHandle() {
  if (FHandle != nullptr) {
    DeleteObject(FHandle);
    FHandle = nullptr;
  }
}

void TGraphicsObject::Changed() {
  // The old handle lives until the listeners have run: a canvas still has it selected and puts
  // its own objects back first (GDI does not delete a selected object).
  HGDIOBJ old = FHandle;
  FHandle = nullptr;
  if (OnChange) OnChange(this);
  if (old != nullptr) DeleteObject(old);
}

TFont::TFont() {
  // The system's GUI font is the neutral default; forms set their own.
  LOGFONTA lf{};
  if (GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf) != 0) {
    FName = lf.lfFaceName;
    FHeight = lf.lfHeight != 0 ? lf.lfHeight : -12;
    FCharset = lf.lfCharSet;
  } else {
    FName = "MS Shell Dlg";
  }
}

void TFont::Assign(const TPersistent* source) {
  if (auto* f = dynamic_cast<const TFont*>(source)) {
    if (Equals(*f)) return;
    FName = f->FName;
    FHeight = f->FHeight;
    FCharset = f->FCharset;
    FColor = f->FColor;
    FStyle = f->FStyle;
    Changed();
    return;
  }
  TGraphicsObject::Assign(source);
}

bool TFont::Equals(const TFont& o) const {
  return FName == o.FName && FHeight == o.FHeight && FCharset == o.FCharset && FColor == o.FColor &&
         FStyle == o.FStyle;
}

HFONT TFont::Handle() {
  if (FHandle == nullptr) {
    LOGFONTA lf{};
    lf.lfHeight = FHeight;
    lf.lfWeight = (FStyle & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (FStyle & fsItalic) ? 1 : 0;
    lf.lfUnderline = (FStyle & fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = (FStyle & fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = FCharset;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynA(lf.lfFaceName, FName.c_str(), LF_FACESIZE);
    FHandle = CreateFontIndirectA(&lf);
  }
  return static_cast<HFONT>(FHandle);
}

void TFont::SetName(const AnsiString& name) {
  if (name.empty() || name == FName) return;
  FName = name;
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == FHeight) return;
  FHeight = height;
  Changed();
}

int TFont::Size() const { return -MulDiv(FHeight, 72, ScreenPixelsPerInch()); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, ScreenPixelsPerInch(), 72)); }

void TFont::SetCharset(BYTE charset) {
  if (charset == FCharset) return;
  FCharset = charset;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  if (OnChange) OnChange(this);
}

void TFont::SetStyle(TFontStyles style) {
  if (style == FStyle) return;
  FStyle = style;
  Changed();
}

void TBrush::Assign(const TPersistent* source) {
  if (auto* b = dynamic_cast<const TBrush*>(source)) {
    FColor = b->FColor;
    FStyle = b->FStyle;
    FBitmap = b->FBitmap;
    Changed();
    return;
  }
  TGraphicsObject::Assign(source);
}

HBRUSH TBrush::Handle() {
  if (FHandle == nullptr && FBitmap != nullptr && !FBitmap->Empty()) {
    FBitmap->FreeContext();  // the bits are copied from a bitmap that sits in no device context
    FHandle = CreatePatternBrush(FBitmap->Handle());
  }
  if (FHandle == nullptr) {
    LOGBRUSH lb{};
    lb.lbStyle = FStyle == TBrushStyle::bsClear ? BS_HOLLOW : BS_SOLID;
    lb.lbColor = ColorToRGB(FColor);
    FHandle = CreateBrushIndirect(&lb);
  }
  return static_cast<HBRUSH>(FHandle);
}

void TBrush::SetColor(TColor color) {
  if (color == FColor && FStyle == TBrushStyle::bsSolid) return;
  FColor = color;
  FStyle = TBrushStyle::bsSolid;
  Changed();
}

void TBrush::SetBitmap(TBitmap* bitmap) {
  FBitmap = bitmap;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style == FStyle) return;
  FStyle = style;
  Changed();
}

void TPen::Assign(const TPersistent* source) {
  if (auto* p = dynamic_cast<const TPen*>(source)) {
    FColor = p->FColor;
    FWidth = p->FWidth;
    FStyle = p->FStyle;
    Changed();
    return;
  }
  TGraphicsObject::Assign(source);
}

HPEN TPen::Handle() {
  if (FHandle == nullptr) {
    int style = PS_SOLID;
    switch (FStyle) {
      case TPenStyle::psSolid: style = PS_SOLID; break;
      case TPenStyle::psDash: style = PS_DASH; break;
      case TPenStyle::psDot: style = PS_DOT; break;
      case TPenStyle::psClear: style = PS_NULL; break;
    }
    FHandle = CreatePen(style, FWidth, ColorToRGB(FColor));
  }
  return static_cast<HPEN>(FHandle);
}

void TPen::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Changed();
}

void TPen::SetWidth(int width) {
  if (width == FWidth) return;
  FWidth = width;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  if (style == FStyle) return;
  FStyle = style;
  Changed();
}

TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()), FBrush(std::make_unique<TBrush>()), FPen(std::make_unique<TPen>()) {
  // A changed object must be selected again; the simplest sound rule is to deselect so the
  // next drawing call selects the new handles (the old ones are about to be deleted).
  auto reselect = [this](TObject*) { Deselect(); };
  FFont->OnChange = reselect;
  FBrush->OnChange = reselect;
  FPen->OnChange = reselect;
}

TCanvas::~TCanvas() { SetHandle(nullptr); }

HDC TCanvas::Handle() {
  if (FHandle == nullptr) CreateHandle();
  return FHandle;
}

HDC TCanvas::HandleWithObjects() {
  RequireHandle();
  return FHandle;
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == FHandle) return;
  Deselect();
  FHandle = dc;
}

void TCanvas::FreeHandle() {
  if (FHandle == nullptr) return;
  HDC dc = FHandle;
  SetHandle(nullptr);
  ReleaseHandle(dc);
}

void TCanvas::RequireHandle() {
  if (FHandle == nullptr) CreateHandle();
  if (FHandle == nullptr) throw EInvalidOperation("Canvas does not allow drawing");
  Select();
}

void TCanvas::Select() {
  // Selecting the current objects every call keeps the canvas right after its objects change
  // their handles; GDI makes a repeated selection cheap.
  HGDIOBJ oldFont = SelectObject(FHandle, FFont->Handle());
  HGDIOBJ oldBrush = SelectObject(FHandle, FBrush->Handle());
  HGDIOBJ oldPen = SelectObject(FHandle, FPen->Handle());
  if (FOldFont == nullptr) FOldFont = oldFont;
  if (FOldBrush == nullptr) FOldBrush = oldBrush;
  if (FOldPen == nullptr) FOldPen = oldPen;
  SetTextColor(FHandle, ColorToRGB(FFont->Color()));
  if (FBrush->Style() == TBrushStyle::bsClear && FBrush->Bitmap() == nullptr) {
    SetBkMode(FHandle, TRANSPARENT);
  } else {
    SetBkMode(FHandle, OPAQUE);
    SetBkColor(FHandle, ColorToRGB(FBrush->Color()));
  }
}

void TCanvas::Deselect() {
  if (FHandle == nullptr) return;
  if (FOldFont != nullptr) SelectObject(FHandle, FOldFont);
  if (FOldBrush != nullptr) SelectObject(FHandle, FOldBrush);
  if (FOldPen != nullptr) SelectObject(FHandle, FOldPen);
  FOldFont = FOldBrush = FOldPen = nullptr;
}

void TCanvas::FillRect(const RECT& r) {
  RequireHandle();
  ::FillRect(FHandle, &r, FBrush->Handle());
  Changed();
}

void TCanvas::FrameRect(const RECT& r) {
  RequireHandle();
  ::FrameRect(FHandle, &r, FBrush->Handle());
  Changed();
}

void TCanvas::Rectangle(const RECT& r) {
  RequireHandle();
  ::Rectangle(FHandle, r.left, r.top, r.right, r.bottom);
  Changed();
}

void TCanvas::MoveTo(int x, int y) {
  RequireHandle();
  MoveToEx(FHandle, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
  RequireHandle();
  ::LineTo(FHandle, x, y);
  Changed();
}

void TCanvas::TextOut(int x, int y, const AnsiString& text) {
  RequireHandle();
  ::TextOutA(FHandle, x, y, text.data(), static_cast<int>(text.size()));
  Changed();
}

void TCanvas::TextRect(const RECT& r, int x, int y, const AnsiString& text) {
  RequireHandle();
  UINT options = ETO_CLIPPED | (FBrush->Style() != TBrushStyle::bsClear ? ETO_OPAQUE : 0);
  ::ExtTextOutA(FHandle, x, y, options, &r, text.data(), static_cast<UINT>(text.size()), nullptr);
  Changed();
}

int TCanvas::DrawText(const AnsiString& text, RECT& r, UINT format) {
  RequireHandle();
  const int height = ::DrawTextA(FHandle, text.data(), static_cast<int>(text.size()), &r, format);
  if ((format & DT_CALCRECT) == 0) Changed();
  return height;
}

SIZE TCanvas::TextExtent(const AnsiString& text) {
  RequireHandle();
  SIZE size{};
  GetTextExtentPoint32A(FHandle, text.data(), static_cast<int>(text.size()), &size);
  return size;
}

SIZE TCanvas::TextExtentEx(const AnsiString& text, int maxExtent, int* fit, std::vector<int>* partialExtents) {
  RequireHandle();
  SIZE size{};
  INT fitted = 0;
  if (partialExtents != nullptr) partialExtents->assign(text.size(), 0);
  GetTextExtentExPointA(FHandle, text.data(), static_cast<int>(text.size()), maxExtent, &fitted,
                        partialExtents != nullptr && !text.empty() ? partialExtents->data() : nullptr, &size);
  if (fit != nullptr) *fit = fitted;
  return size;
}

SIZE TCanvas::TabbedTextExtent(const AnsiString& text, std::span<const int> tabStops) {
  RequireHandle();
  DWORD extent = GetTabbedTextExtentA(FHandle, text.data(), static_cast<int>(text.size()),
                                      static_cast<int>(tabStops.size()), tabStops.empty() ? nullptr : tabStops.data());
  return SIZE{LOWORD(extent), HIWORD(extent)};
}

SIZE TCanvas::TabbedTextOut(int x, int y, const AnsiString& text, std::span<const int> tabStops, int tabOrigin) {
  RequireHandle();
  LONG extent = ::TabbedTextOutA(FHandle, x, y, text.data(), static_cast<int>(text.size()),
                                 static_cast<int>(tabStops.size()), tabStops.empty() ? nullptr : tabStops.data(),
                                 tabOrigin);
  Changed();
  return SIZE{LOWORD(extent), HIWORD(extent)};
}

void TCanvas::SetTextJustification(int breakExtra, int breakCount) {
  RequireHandle();
  ::SetTextJustification(FHandle, breakExtra, breakCount);
}

void TCanvas::ExtTextOut(int x, int y, UINT options, const RECT* r, const AnsiString& text) {
  RequireHandle();
  ::ExtTextOutA(FHandle, x, y, options, r, text.data(), static_cast<UINT>(text.size()), nullptr);
  Changed();
}

void TCanvas::Draw(int x, int y, TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  RequireHandle();
  HDC source = bitmap.Canvas().Handle();
  if (bitmap.Transparent()) {
    TransparentBlt(FHandle, x, y, bitmap.Width(), bitmap.Height(), source, 0, 0, bitmap.Width(), bitmap.Height(),
                   ColorToRGB(bitmap.TransparentColor()));
  } else {
    BitBlt(FHandle, x, y, bitmap.Width(), bitmap.Height(), source, 0, 0, SRCCOPY);
  }
  Changed();
}

void TCanvas::DrawDisabled(int x, int y, TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  RequireHandle();
  const int w = bitmap.Width(), h = bitmap.Height();
  const COLORREF transparent = ColorToRGB(bitmap.TransparentColor());
  // A monochrome mask: 1 where the bitmap has its transparent colour, 0 on the shape. A colour
  // to monochrome copy sets exactly the pixels of the source's background colour.
  HDC source = bitmap.Canvas().Handle();
  HDC maskDC = CreateCompatibleDC(FHandle);
  HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
  HGDIOBJ oldMask = SelectObject(maskDC, mask);
  COLORREF oldSourceBk = SetBkColor(source, transparent);
  BitBlt(maskDC, 0, 0, w, h, source, 0, 0, SRCCOPY);
  SetBkColor(source, oldSourceBk);
  // Paint the brush where the mask is 0 and keep the destination where it is 1 (the raster
  // operation PSDPxax); the monochrome source reads as black and white through these colours.
  COLORREF oldText = SetTextColor(FHandle, RGB(0, 0, 0));
  COLORREF oldBk = SetBkColor(FHandle, RGB(255, 255, 255));
  const struct {
    TColor Color;
    int Shift;
  } passes[] = {{clBtnHighlight, 1}, {clBtnShadow, 0}};
  for (const auto& pass : passes) {
    HBRUSH brush = CreateSolidBrush(ColorToRGB(pass.Color));
    HGDIOBJ oldBrush = SelectObject(FHandle, brush);
    BitBlt(FHandle, x + pass.Shift, y + pass.Shift, w, h, maskDC, 0, 0, 0x00B8074A);
    SelectObject(FHandle, oldBrush);
    DeleteObject(brush);
  }
  SetTextColor(FHandle, oldText);
  SetBkColor(FHandle, oldBk);
  SelectObject(maskDC, oldMask);
  DeleteObject(mask);
  DeleteDC(maskDC);
  Changed();
}

void TCanvas::CopyRect(const RECT& dest, TCanvas& source, const RECT& sr) {
  RequireHandle();
  source.RequireHandle();
  StretchBlt(FHandle, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source.Handle(),
             sr.left, sr.top, sr.right - sr.left, sr.bottom - sr.top, FCopyMode);
  Changed();
}

void TCanvas::Polygon(std::span<const POINT> points) {
  RequireHandle();
  ::Polygon(FHandle, points.data(), static_cast<int>(points.size()));
  Changed();
}

TColor TCanvas::Pixels(int x, int y) {
  RequireHandle();
  COLORREF c = GetPixel(FHandle, x, y);
  return c == CLR_INVALID ? clNone : static_cast<TColor>(c);
}

void TCanvas::SetPixels(int x, int y, TColor color) {
  RequireHandle();
  SetPixelV(FHandle, x, y, ColorToRGB(color));
  Changed();
}

void TCanvas::DrawFocusRect(const RECT& r) {
  RequireHandle();
  ::DrawFocusRect(FHandle, &r);
  Changed();
}

void TCanvas::DrawFrameControl(const RECT& r, UINT type, UINT state) {
  RequireHandle();
  RECT copy = r;  // the system may change the rectangle it is given
  ::DrawFrameControl(FHandle, &copy, type, state);
  Changed();
}

void TCanvas::ExcludeClipRect(const RECT& r) {
  RequireHandle();
  ::ExcludeClipRect(FHandle, r.left, r.top, r.right, r.bottom);
}

void TCanvas::IntersectClipRect(const RECT& r) {
  RequireHandle();
  ::IntersectClipRect(FHandle, r.left, r.top, r.right, r.bottom);
}

HRGN TCanvas::SaveClipRegion() {
  RequireHandle();
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  if (GetClipRgn(FHandle, region) != 1) {
    DeleteObject(region);
    return nullptr;
  }
  return region;
}

void TCanvas::RestoreClipRegion(HRGN saved) {
  RequireHandle();
  SelectClipRgn(FHandle, saved);  // nullptr removes the clip region
  if (saved != nullptr) DeleteObject(saved);
}

int TCanvas::SaveDC() {
  RequireHandle();
  Deselect();
  return ::SaveDC(FHandle);
}

void TCanvas::RestoreDC(int saved) {
  RequireHandle();
  Deselect();
  ::RestoreDC(FHandle, saved);
}

POINT TCanvas::SetWindowOrg(int x, int y) {
  RequireHandle();
  POINT old{};
  SetWindowOrgEx(FHandle, x, y, &old);
  return old;
}

// The canvas of a bitmap: it puts the bitmap back into a memory device context when used.
class TBitmapCanvas : public TCanvas {
public:
  explicit TBitmapCanvas(TBitmap& bitmap) : FBitmap(bitmap) {}

protected:
  void CreateHandle() override { FBitmap.MakeContext(); }

private:
  TBitmap& FBitmap;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() { FreeImage(); }

void TBitmap::FreeContext() {
  if (FCanvas) FCanvas->SetHandle(nullptr);
  if (FMemDC != nullptr) {
    SelectObject(FMemDC, FOldBitmap);
    DeleteDC(FMemDC);
    FMemDC = nullptr;
    FOldBitmap = nullptr;
  }
}

void TBitmap::FreeImage() {
  FreeContext();
  if (FBitmap != nullptr) {
    DeleteObject(FBitmap);
    FBitmap = nullptr;
  }
  FWidth = FHeight = 0;
}

void TBitmap::SetSize(int width, int height) {
  const bool hadImage = FBitmap != nullptr;
  FreeImage();
  if (width <= 0 || height <= 0) {
    if (hadImage) Changed();
    return;
  }
  HDC screen = GetDC(nullptr);
  FBitmap = CreateCompatibleBitmap(screen, width, height);
  ReleaseDC(nullptr, screen);
  if (FBitmap == nullptr) throw EOSError("Out of system resources", GetLastError());
  FWidth = width;
  FHeight = height;
  Changed();
}

void TBitmap::SetHandle(HBITMAP bitmap) {
  FreeImage();
  FBitmap = bitmap;
  if (bitmap != nullptr) {
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    FWidth = info.bmWidth;
    FHeight = info.bmHeight;
  }
  Changed();
}

bool TBitmap::LoadFromResourceName(HINSTANCE module, const char* name) {
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageA(module != nullptr ? module : GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0, 0, 0));
  if (bitmap == nullptr) return false;
  SetHandle(bitmap);
  return true;
}

TCanvas& TBitmap::Canvas() {
  if (!FCanvas) {
    FCanvas = std::make_unique<TBitmapCanvas>(*this);
    FCanvas->OnChange = [this](TObject*) { Changed(); };
  }
  MakeContext();
  return *FCanvas;
}

void TBitmap::MakeContext() {
  if (FMemDC == nullptr && FBitmap != nullptr) {
    FMemDC = CreateCompatibleDC(nullptr);
    FOldBitmap = SelectObject(FMemDC, FBitmap);
    FCanvas->SetHandle(FMemDC);
  }
}

bool TBitmap::LoadFromSystemResource(int id) {
  HBITMAP bitmap = LoadBitmapA(nullptr, MAKEINTRESOURCEA(id));
  if (bitmap == nullptr) return false;
  SetHandle(bitmap);
  return true;
}

template <class F>
void TBitmap::OutOfContext(F f) {
  if (FMemDC != nullptr) SelectObject(FMemDC, FOldBitmap);
  HDC screen = GetDC(nullptr);
  try {
    f(screen);
  } catch (...) {
    ReleaseDC(nullptr, screen);
    if (FMemDC != nullptr) SelectObject(FMemDC, FBitmap);
    throw;
  }
  ReleaseDC(nullptr, screen);
  if (FMemDC != nullptr) SelectObject(FMemDC, FBitmap);
}

namespace {

BITMAPINFOHEADER TopDown32Header(int width, int height) {
  BITMAPINFOHEADER bih{};
  bih.biSize = sizeof bih;
  bih.biWidth = width;
  bih.biHeight = -height;
  bih.biPlanes = 1;
  bih.biBitCount = 32;
  bih.biCompression = BI_RGB;
  return bih;
}

}  // namespace

std::vector<uint32_t> TBitmap::ReadPixels32() {
  std::vector<uint32_t> pixels(static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight));
  if (pixels.empty()) return pixels;
  BITMAPINFOHEADER bih = TopDown32Header(FWidth, FHeight);
  OutOfContext([&](HDC dc) {
    GetDIBits(dc, FBitmap, 0, static_cast<UINT>(FHeight), pixels.data(), reinterpret_cast<BITMAPINFO*>(&bih),
              DIB_RGB_COLORS);
  });
  for (uint32_t& p : pixels) p &= 0x00FFFFFFu;  // the fourth byte means nothing in a DDB
  return pixels;
}

void TBitmap::WritePixels32(const std::vector<uint32_t>& pixels) {
  if (pixels.size() != static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight))
    throw EInvalidOperation("Pixel count does not match the bitmap");
  if (pixels.empty()) return;
  BITMAPINFOHEADER bih = TopDown32Header(FWidth, FHeight);
  OutOfContext([&](HDC dc) {
    SetDIBits(dc, FBitmap, 0, static_cast<UINT>(FHeight), pixels.data(), reinterpret_cast<const BITMAPINFO*>(&bih),
              DIB_RGB_COLORS);
  });
  Changed();
}

TColor TBitmap::TransparentColor() {
  if (FTransparentColor != clDefault || Empty()) return FTransparentColor;
  return Canvas().Pixels(0, FHeight - 1);
}

void TBitmap::SaveToFile(const AnsiString& fileName) {
  if (FBitmap == nullptr) throw EInvalidOperation("Bitmap is empty");
  BITMAPINFOHEADER bih{};
  bih.biSize = sizeof bih;
  bih.biWidth = FWidth;
  bih.biHeight = FHeight;  // bottom-up, as .bmp files usually are
  bih.biPlanes = 1;
  bih.biBitCount = 24;
  bih.biCompression = BI_RGB;
  const DWORD stride = (static_cast<DWORD>(FWidth) * 3 + 3) & ~3u;
  std::vector<BYTE> pixels(static_cast<size_t>(stride) * static_cast<size_t>(FHeight));
  OutOfContext([&](HDC dc) {
    GetDIBits(dc, FBitmap, 0, static_cast<UINT>(FHeight), pixels.data(), reinterpret_cast<BITMAPINFO*>(&bih),
              DIB_RGB_COLORS);
  });
  // GetDIBits may fill in the optional fields; write the same header whatever the system.
  bih.biSizeImage = static_cast<DWORD>(pixels.size());
  bih.biXPelsPerMeter = bih.biYPelsPerMeter = 0;
  bih.biClrUsed = bih.biClrImportant = 0;

  BITMAPFILEHEADER bfh{};
  bfh.bfType = 0x4D42;  // "BM"
  bfh.bfOffBits = sizeof bfh + sizeof bih;
  bfh.bfSize = bfh.bfOffBits + static_cast<DWORD>(pixels.size());
  HANDLE file = CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw EFCreateError(Format("Cannot create file \"%s\"", fileName.c_str()));
  DWORD written = 0;
  bool ok = WriteFile(file, &bfh, sizeof bfh, &written, nullptr) && written == sizeof bfh &&
            WriteFile(file, &bih, sizeof bih, &written, nullptr) && written == sizeof bih &&
            WriteFile(file, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr) &&
            written == pixels.size();
  CloseHandle(file);
  if (!ok) throw EWriteError("Stream write error");
}

TImageList::TImageList(TComponent* owner, int width, int height) : TComponent(owner), FWidth(width), FHeight(height) {}

TImageList::~TImageList() {
  Destroying();
  if (FHandle != nullptr) ImageList_Destroy(FHandle);
}

HIMAGELIST TImageList::Handle() {
  if (FHandle == nullptr) FHandle = ImageList_Create(FWidth, FHeight, ILC_COLOR24 | ILC_MASK, 4, 4);
  return FHandle;
}

void TImageList::SetSize(int width, int height) {
  Clear();
  if (FHandle != nullptr) {
    ImageList_Destroy(FHandle);
    FHandle = nullptr;
  }
  FWidth = width;
  FHeight = height;
}

int TImageList::Count() const { return FHandle != nullptr ? ImageList_GetImageCount(FHandle) : 0; }

int TImageList::Add(TBitmap& image, TBitmap* mask) {
  image.FreeContext();
  if (mask != nullptr) mask->FreeContext();
  return ImageList_Add(Handle(), image.Handle(), mask != nullptr ? mask->Handle() : nullptr);
}

int TImageList::AddMasked(TBitmap& image, TColor maskColor) {
  image.FreeContext();
  return ImageList_AddMasked(Handle(), image.Handle(), ColorToRGB(maskColor));
}

void TImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) {
  if (FHandle == nullptr || canvas.Handle() == nullptr) return;
  ImageList_DrawEx(FHandle, index, canvas.Handle(), x, y, 0, 0, CLR_NONE, CLR_NONE,
                   enabled ? ILD_NORMAL : (ILD_NORMAL | ILD_BLEND50));
}

void TImageList::Clear() {
  if (FHandle != nullptr) ImageList_Remove(FHandle, -1);
}

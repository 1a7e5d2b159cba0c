#include "platform/rtl/TypInfo.h"

#include <algorithm>

bool TPropInfo::Readable() const {
  switch (Kind) {
    case TTypeKind::Integer:
    case TTypeKind::Enumeration:
    case TTypeKind::Set:
      return static_cast<bool>(GetOrd);
    case TTypeKind::Float:
      return static_cast<bool>(GetFloat);
    case TTypeKind::String:
      return static_cast<bool>(GetString);
    case TTypeKind::Class:
      return static_cast<bool>(GetInstance);
    default:
      return GetOrd || GetFloat || GetString || GetInstance;
  }
}

TPropInfo IntegerProp(AnsiString name, AnsiString typeName, std::function<int64_t()> get) {
  TPropInfo p;
  p.Name = std::move(name);
  p.Kind = TTypeKind::Integer;
  p.TypeName = std::move(typeName);
  p.GetOrd = std::move(get);
  return p;
}

TPropInfo BooleanProp(AnsiString name, std::function<bool()> get) {
  return EnumProp(std::move(name), "Boolean", {"False", "True"},
                  [get = std::move(get)] { return static_cast<int64_t>(get() ? 1 : 0); });
}

TPropInfo EnumProp(AnsiString name, AnsiString typeName, std::vector<AnsiString> names,
                   std::function<int64_t()> get) {
  TPropInfo p;
  p.Name = std::move(name);
  p.Kind = TTypeKind::Enumeration;
  p.TypeName = std::move(typeName);
  p.ElementNames = std::move(names);
  p.GetOrd = std::move(get);
  return p;
}

TPropInfo SetTypeProp(AnsiString name, AnsiString typeName, std::vector<AnsiString> elementNames,
                  std::function<int64_t()> get) {
  TPropInfo p = EnumProp(std::move(name), std::move(typeName), std::move(elementNames),
                         std::move(get));
  p.Kind = TTypeKind::Set;
  return p;
}

TPropInfo FloatProp(AnsiString name, std::function<double()> get) {
  TPropInfo p;
  p.Name = std::move(name);
  p.Kind = TTypeKind::Float;
  p.TypeName = "Double";
  p.GetFloat = std::move(get);
  return p;
}

TPropInfo StringProp(AnsiString name, std::function<AnsiString()> get) {
  TPropInfo p;
  p.Name = std::move(name);
  p.Kind = TTypeKind::String;
  p.TypeName = "String";
  p.GetString = std::move(get);
  return p;
}

TPropInfo ObjectProp(AnsiString name, AnsiString typeName,
                     std::function<const TRttiObject*()> get) {
  TPropInfo p;
  p.Name = std::move(name);
  p.Kind = TTypeKind::Class;
  p.TypeName = std::move(typeName);
  p.GetInstance = std::move(get);
  return p;
}

TPropInfo MethodProp(AnsiString name) {
  TPropInfo p;
  p.Name = std::move(name);
  p.Kind = TTypeKind::Method;
  p.TypeName = "TNotifyEvent";
  return p;
}

TPropList GetSortedPropList(const TRttiObject& obj) {
  TPropList props;
  obj.GetPublishedProperties(props);
  std::stable_sort(props.begin(), props.end(), [](const TPropInfo& a, const TPropInfo& b) {
    return CompareText(a.Name, b.Name) < 0;
  });
  return props;
}

namespace {
struct TColorName {
  TColor Value;
  const char* Name;
};

constexpr TColorName kColorNames[] = {
    {0x000000, "clBlack"}, {0x000080, "clMaroon"}, {0x008000, "clGreen"},
    {0x008080, "clOlive"}, {0x800000, "clNavy"}, {0x800080, "clPurple"},
    {0x808000, "clTeal"}, {0x808080, "clGray"}, {0xC0C0C0, "clSilver"},
    {0x0000FF, "clRed"}, {0x00FF00, "clLime"}, {0x00FFFF, "clYellow"},
    {0xFF0000, "clBlue"}, {0xFF00FF, "clFuchsia"}, {0xFFFF00, "clAqua"},
    {0xFFFFFF, "clWhite"}, {0xC0DCC0, "clMoneyGreen"}, {0xF0CAA6, "clSkyBlue"},
    {0xF0FBFF, "clCream"}, {0xA4A0A0, "clMedGray"},
    {static_cast<TColor>(0xFF00000A), "clActiveBorder"},
    {static_cast<TColor>(0xFF000002), "clActiveCaption"},
    {static_cast<TColor>(0xFF00000C), "clAppWorkSpace"},
    {static_cast<TColor>(0xFF000001), "clBackground"},
    {static_cast<TColor>(0xFF00000F), "clBtnFace"},
    {static_cast<TColor>(0xFF000014), "clBtnHighlight"},
    {static_cast<TColor>(0xFF000010), "clBtnShadow"},
    {static_cast<TColor>(0xFF000012), "clBtnText"},
    {static_cast<TColor>(0xFF000009), "clCaptionText"},
    {static_cast<TColor>(0xFF00001B), "clGradientActiveCaption"},
    {static_cast<TColor>(0xFF00001C), "clGradientInactiveCaption"},
    {static_cast<TColor>(0xFF000011), "clGrayText"},
    {static_cast<TColor>(0xFF00000D), "clHighlight"},
    {static_cast<TColor>(0xFF00000E), "clHighlightText"},
    {static_cast<TColor>(0xFF00001A), "clHotLight"},
    {static_cast<TColor>(0xFF00000B), "clInactiveBorder"},
    {static_cast<TColor>(0xFF000003), "clInactiveCaption"},
    {static_cast<TColor>(0xFF000013), "clInactiveCaptionText"},
    {static_cast<TColor>(0xFF000018), "clInfoBk"},
    {static_cast<TColor>(0xFF000017), "clInfoText"},
    {static_cast<TColor>(0xFF000004), "clMenu"},
    {static_cast<TColor>(0xFF00001E), "clMenuBar"},
    {static_cast<TColor>(0xFF00001D), "clMenuHighlight"},
    {static_cast<TColor>(0xFF000007), "clMenuText"},
    {static_cast<TColor>(0xFF000000), "clScrollBar"},
    {static_cast<TColor>(0xFF000015), "cl3DDkShadow"},
    {static_cast<TColor>(0xFF000016), "cl3DLight"},
    {static_cast<TColor>(0xFF000005), "clWindow"},
    {static_cast<TColor>(0xFF000006), "clWindowFrame"},
    {static_cast<TColor>(0xFF000008), "clWindowText"},
    {clNone, "clNone"}, {clDefault, "clDefault"},
};
}  // namespace

AnsiString ColorToString(TColor color) {
  for (const TColorName& c : kColorNames)
    if (c.Value == color) return c.Name;
  return Format("$%.8X", static_cast<unsigned>(color));
}


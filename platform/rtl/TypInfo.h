// Published-property descriptions: the small run-time type information the trace client
// needs to list an object's properties. A class opts in by deriving from TRttiObject and
// describing its published properties; each description reads the live value through a
// getter, so listing never copies the object.
#pragma once

#include "platform/rtl/SysStrings.h"

#include <cstdint>
#include <functional>
#include <vector>

class TRttiObject;

enum class TTypeKind { Integer, Enumeration, Float, String, Set, Class, Method, Other };

// Colour values as the class library writes them: a system colour is $FF000000 plus the
// system colour index.
using TColor = int32_t;
constexpr TColor clWindow = static_cast<TColor>(0xFF000005);
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
using TCursor = int16_t;

struct TPropInfo {
  AnsiString Name;
  TTypeKind Kind = TTypeKind::Other;
  // The property's type as declared: "Integer", "TColor", "TCursor", the enumeration,
  // set or class name.
  AnsiString TypeName;
  // Enumeration: the value names from ordinal 0. Set: the element names from the lowest
  // element up (bit i of the ordinal value is element i).
  std::vector<AnsiString> ElementNames;
  // Exactly the getter that fits Kind is set; a property without one has no read access.
  std::function<int64_t()> GetOrd;
  std::function<double()> GetFloat;
  std::function<AnsiString()> GetString;
  std::function<const TRttiObject*()> GetInstance;

  bool Readable() const;
};

using TPropList = std::vector<TPropInfo>;

// Base of the objects that carry published type information.
class TRttiObject {
public:
  virtual ~TRttiObject() = default;
  virtual AnsiString ClassName() const = 0;
  // False for a class that publishes nothing at all (as opposed to an empty list).
  virtual bool HasTypeInfo() const { return true; }
  // Appends the published properties in declaration order.
  virtual void GetPublishedProperties(TPropList& props) const {}
  // Components are listed by their name where another object is expanded.
  virtual bool IsComponent() const { return false; }
  virtual AnsiString ComponentName() const { return AnsiString(); }
};

// Builders for the usual property kinds.
TPropInfo IntegerProp(AnsiString name, AnsiString typeName, std::function<int64_t()> get);
TPropInfo BooleanProp(AnsiString name, std::function<bool()> get);
TPropInfo EnumProp(AnsiString name, AnsiString typeName, std::vector<AnsiString> names,
                   std::function<int64_t()> get);
// (Not named SetProp: windows.h makes that name a macro.)
TPropInfo SetTypeProp(AnsiString name, AnsiString typeName, std::vector<AnsiString> elementNames,
                  std::function<int64_t()> get);
TPropInfo FloatProp(AnsiString name, std::function<double()> get);
TPropInfo StringProp(AnsiString name, std::function<AnsiString()> get);
TPropInfo ObjectProp(AnsiString name, AnsiString typeName,
                     std::function<const TRttiObject*()> get);
TPropInfo MethodProp(AnsiString name);  // an event: listed by nobody, present for completeness

// The published properties of obj sorted by name (letter case ignored).
TPropList GetSortedPropList(const TRttiObject& obj);

// "clWindow", "clRed", ... for the named colours, else "$" and eight hexadecimal digits.
AnsiString ColorToString(TColor color);

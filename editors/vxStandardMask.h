// The classic fixed-position edit mask: one mask position per character of the displayed
// text, with an optional closing section that says whether literal characters belong to
// the value and which character shows an empty position. Converts between the value text
// and the displayed text. Texts are bytes of the ANSI code page; every test is on one byte.
#pragma once

#include "platform/rtl/SysStrings.h"

#include <memory>
#include <vector>

enum class TvxStandardMaskCaseConversion { ccNone, ccUpper, ccLower };

class TvxStandardMaskCustomItem {
public:
  virtual ~TvxStandardMaskCustomItem() = default;
  // May convert AChar (upper or lower case) whatever the answer.
  virtual bool Check(char& AChar) const = 0;
};

class TvxStandardMaskLiteralItem : public TvxStandardMaskCustomItem {
public:
  explicit TvxStandardMaskLiteralItem(char AChar) : FChar(AChar) {}
  bool Check(char& AChar) const override { return AChar == FChar; }
  char Char() const { return FChar; }

private:
  char FChar;
};

// An input position.
class TvxStandardMaskManyItem : public TvxStandardMaskCustomItem {
public:
  TvxStandardMaskManyItem(TvxStandardMaskCaseConversion AConversion, bool AOptional)
      : FConversion(AConversion), FOptional(AOptional) {}
  TvxStandardMaskCaseConversion Conversion() const { return FConversion; }
  bool Optional() const { return FOptional; }

protected:
  // Converts AChar in place as the position asks and passes AAccepted through.
  bool Converted(bool AAccepted, char& AChar) const;

private:
  TvxStandardMaskCaseConversion FConversion;
  bool FOptional;
};

class TvxStandardMaskAlphaItem : public TvxStandardMaskManyItem {
public:
  using TvxStandardMaskManyItem::TvxStandardMaskManyItem;
  bool Check(char& AChar) const override;
};

class TvxStandardMaskAlphaNumericItem : public TvxStandardMaskManyItem {
public:
  using TvxStandardMaskManyItem::TvxStandardMaskManyItem;
  bool Check(char& AChar) const override;
};

class TvxStandardMaskASCIIItem : public TvxStandardMaskManyItem {
public:
  using TvxStandardMaskManyItem::TvxStandardMaskManyItem;
  bool Check(char& AChar) const override;
};

class TvxStandardMaskNumericItem : public TvxStandardMaskManyItem {
public:
  using TvxStandardMaskManyItem::TvxStandardMaskManyItem;
  bool Check(char& AChar) const override;
};

// "#": a digit or a sign; always optional.
class TvxStandardMaskNumericSymbolItem : public TvxStandardMaskManyItem {
public:
  explicit TvxStandardMaskNumericSymbolItem(TvxStandardMaskCaseConversion AConversion)
      : TvxStandardMaskManyItem(AConversion, true) {}
  bool Check(char& AChar) const override;
};

class TvxStandardMask {
public:
  TvxStandardMask() = default;
  TvxStandardMask(const TvxStandardMask&) = delete;
  TvxStandardMask& operator=(const TvxStandardMask&) = delete;

  void SetMask(const AnsiString& AMask);
  void Clear();
  const AnsiString& Mask() const { return FMask; }
  bool ExclamationMark() const { return FExclamationMark; }  // the mask began with "!"
  bool SaveLiteralCharacters() const { return FSaveLiteralCharacters; }
  char Blank() const { return FBlank; }

  int Count() const { return static_cast<int>(FItems.size()); }
  TvxStandardMaskCustomItem& Items(int AIndex) const { return *FItems[static_cast<size_t>(AIndex)]; }

  // The value of an empty input: literals (when saved) and a blank per input position.
  AnsiString EmptyString() const;
  // The display of an empty input: literals and the blank character per input position.
  AnsiString EmptyDisplayText() const;
  // Turns the value text AText into the display text (in place). AUseConvertedChars shows
  // characters as the positions convert them; AWithLiterals looks for literals in AText
  // even when values are saved without them.
  void Format(AnsiString& AText, bool AUseConvertedChars, bool AWithLiterals) const;
  // The value text of a display text.
  AnsiString ValueText(const AnsiString& ADisplayText) const;
  // True when every position of the display text holds what it must (optional positions
  // may be left blank).
  bool IsFull(const AnsiString& AText) const;

private:
  static bool IsInputItem(const TvxStandardMaskCustomItem& AItem);
  void Parse(const AnsiString& AMask);
  // The closing ";1;_" section at APos, applied when it is one; false when the ";" there is
  // a literal.
  bool ParseSection(const AnsiString& AMask, size_t APos);

  char FBlank = '_';
  std::vector<std::unique_ptr<TvxStandardMaskCustomItem>> FItems;
  bool FExclamationMark = false;
  bool FSaveLiteralCharacters = true;
  AnsiString FMask;
};

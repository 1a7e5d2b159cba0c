#include "editors/vxStandardMask.h"

#include "platform/rtl/FormatSettings.h"

#include <algorithm>

namespace {

bool IsDigitChar(char AChar) { return AChar >= '0' && AChar <= '9'; }
bool IsAsciiLetter(char AChar) { return (AChar >= 'A' && AChar <= 'Z') || (AChar >= 'a' && AChar <= 'z'); }

}  // namespace

// --- Items --------------------------------------------------------------------------------

bool TvxStandardMaskManyItem::Converted(bool AAccepted, char& AChar) const {
  // Upper- and lower-casing act on ASCII letters only, so a lead byte of a double-byte
  // character is never altered.
  if (FConversion == TvxStandardMaskCaseConversion::ccUpper) {
    AChar = AnsiUpperCase(AnsiString(1, AChar))[0];
  } else if (FConversion == TvxStandardMaskCaseConversion::ccLower) {
    AChar = AnsiLowerCase(AnsiString(1, AChar))[0];
  }
  return AAccepted;
}

bool TvxStandardMaskAlphaItem::Check(char& AChar) const {
  return Converted(IsAsciiLetter(AChar), AChar);
}

bool TvxStandardMaskAlphaNumericItem::Check(char& AChar) const {
  return Converted(IsAsciiLetter(AChar) || IsDigitChar(AChar), AChar);
}

bool TvxStandardMaskASCIIItem::Check(char& AChar) const { return Converted(true, AChar); }

bool TvxStandardMaskNumericItem::Check(char& AChar) const {
  return Converted(IsDigitChar(AChar), AChar);
}

bool TvxStandardMaskNumericSymbolItem::Check(char& AChar) const {
  return Converted(IsDigitChar(AChar) || AChar == '+' || AChar == '-', AChar);
}

// --- Mask ---------------------------------------------------------------------------------

void TvxStandardMask::Clear() {
  FMask.clear();
  FExclamationMark = false;
  FSaveLiteralCharacters = true;
  FBlank = '_';
  FItems.clear();
}

void TvxStandardMask::SetMask(const AnsiString& AMask) {
  Clear();
  FMask = AMask;
  if (!FMask.empty() && FMask[0] == '!') {
    FExclamationMark = true;
    FMask.erase(0, 1);
  }
  Parse(FMask);
}

bool TvxStandardMask::ParseSection(const AnsiString& AMask, size_t APos) {
  size_t rest = AMask.size() - APos - 1;
  char save = rest > 0 ? AMask[APos + 1] : '\0';
  if (save != '0' && save != '1') return false;
  if (rest == 3 && AMask[APos + 2] == ';') {
    FSaveLiteralCharacters = save == '1';
    FBlank = AMask[APos + 3];
    return true;
  }
  if (rest == 1) {
    FSaveLiteralCharacters = save == '1';
    return true;
  }
  return false;
}

void TvxStandardMask::Parse(const AnsiString& AMask) {
  using CC = TvxStandardMaskCaseConversion;
  CC conversion = CC::ccNone;
  auto literal = [this](char c) { FItems.push_back(std::make_unique<TvxStandardMaskLiteralItem>(c)); };
  for (size_t i = 0; i < AMask.size(); ++i) {
    char c = AMask[i];
    // A double-byte character is a literal of two positions; its trail byte may look like
    // a mask character ('\', 'L', 'a'...) and must not be read as one.
    if (IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < AMask.size()) {
      literal(c);
      literal(AMask[++i]);
      continue;
    }
    switch (c) {
      case '#':
        FItems.push_back(std::make_unique<TvxStandardMaskNumericSymbolItem>(conversion));
        break;
      case '0':
      case '9':
        FItems.push_back(std::make_unique<TvxStandardMaskNumericItem>(conversion, c == '9'));
        break;
      case 'A':
      case 'a':
        FItems.push_back(std::make_unique<TvxStandardMaskAlphaNumericItem>(conversion, c == 'a'));
        break;
      case 'L':
      case 'l':
        FItems.push_back(std::make_unique<TvxStandardMaskAlphaItem>(conversion, c == 'l'));
        break;
      case 'C':
      case 'c':
        FItems.push_back(std::make_unique<TvxStandardMaskASCIIItem>(conversion, c == 'c'));
        break;
      case '/':
        literal(GetFormatSettings().DateSeparator);
        break;
      case ':':
        literal(GetFormatSettings().TimeSeparator);
        break;
      case '>':
        conversion = CC::ccUpper;
        break;
      case '<':
        if (i + 1 < AMask.size() && AMask[i + 1] == '>') {
          conversion = CC::ccNone;
          ++i;
        } else {
          conversion = CC::ccLower;
        }
        break;
      case '\\':
        if (i + 1 < AMask.size()) {
          char next = AMask[++i];
          literal(next);
          if (IsLeadByte(static_cast<unsigned char>(next)) && i + 1 < AMask.size()) literal(AMask[++i]);
        }
        break;
      case ';':
        if (ParseSection(AMask, i)) return;
        literal(c);
        break;
      default:
        literal(c);
        break;
    }
  }
}

bool TvxStandardMask::IsInputItem(const TvxStandardMaskCustomItem& AItem) {
  return dynamic_cast<const TvxStandardMaskManyItem*>(&AItem) != nullptr;
}

AnsiString TvxStandardMask::EmptyString() const {
  AnsiString result;
  for (const auto& item : FItems) {
    if (auto* literal = dynamic_cast<const TvxStandardMaskLiteralItem*>(item.get())) {
      if (FSaveLiteralCharacters) result += literal->Char();
    } else {
      result += ' ';
    }
  }
  return result;
}

AnsiString TvxStandardMask::EmptyDisplayText() const {
  AnsiString result;
  for (const auto& item : FItems) {
    auto* literal = dynamic_cast<const TvxStandardMaskLiteralItem*>(item.get());
    result += literal ? literal->Char() : FBlank;
  }
  return result;
}

void TvxStandardMask::Format(AnsiString& AText, bool AUseConvertedChars, bool AWithLiterals) const {
  AnsiString result = EmptyDisplayText();
  size_t position = 0;
  bool afterLead = false;
  for (char c : AText) {
    // The second byte of a double-byte character keeps its case: folding a trail byte such
    // as 0x61 to 0x41 would turn the character into another one ("ヂ" into "ア").
    bool trail = afterLead;
    afterLead = !trail && IsLeadByte(static_cast<unsigned char>(c));
    for (size_t i = position; i < FItems.size(); ++i) {
      const TvxStandardMaskCustomItem& item = *FItems[i];
      bool input = IsInputItem(item);
      if (!input && !FSaveLiteralCharacters && !AWithLiterals) continue;
      char converted = c;
      if (item.Check(converted)) {
        result[i] = AUseConvertedChars && !trail ? converted : c;
        position = i + 1;
        break;
      }
      if (input && (c == FBlank || c == ' ')) {
        position = i + 1;
        break;
      }
    }
  }
  AText = result;
}

AnsiString TvxStandardMask::ValueText(const AnsiString& ADisplayText) const {
  AnsiString result;
  size_t count = std::min(ADisplayText.size(), FItems.size());
  for (size_t i = 0; i < count; ++i) {
    char c = ADisplayText[i];
    if (IsInputItem(*FItems[i])) {
      result += c == FBlank ? ' ' : c;
    } else if (FSaveLiteralCharacters) {
      result += c;
    }
  }
  return result;
}

bool TvxStandardMask::IsFull(const AnsiString& AText) const {
  if (AText.size() != FItems.size()) return false;
  for (size_t i = 0; i < FItems.size(); ++i) {
    char c = AText[i];
    if (FItems[i]->Check(c)) continue;
    auto* many = dynamic_cast<const TvxStandardMaskManyItem*>(FItems[i].get());
    if (many && many->Optional() && (AText[i] == FBlank || AText[i] == ' ')) continue;
    return false;
  }
  return true;
}

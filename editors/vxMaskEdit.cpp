#include "editors/vxMaskEdit.h"

#include "controls/vxClasses.h"
#include "controls/vxEditConsts.h"
#include "platform/gui/Clipbrd.h"

#include <algorithm>

bool vxIsMaskSet(const AnsiString& AMask) {
  return std::any_of(AMask.begin(), AMask.end(), [](char c) { return !TvxRegExprSpace::IsSpace(c); });
}

namespace {

bool IsLead(char AChar) { return IsLeadByte(static_cast<unsigned char>(AChar)); }

// A byte that can follow a lead byte in code page 932.
bool IsTrail(char AChar) {
  const auto c = static_cast<unsigned char>(AChar);
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// The compile errors of AExpr as the text of EvxMaskEditError.
AnsiString RegExprErrorText(const TvxRegExprErrors& AErrors) {
  AnsiString text = vxLoadResourceString(scxMaskEditRegExprError);
  for (int i = 0; i < AErrors.Count(); ++i) text += "\r\n" + AErrors.Items(i).Text();
  return text;
}

void CompileMask(TvxRegExpr& AExpr, const AnsiString& AMask) {
  TMemoryStream stream;
  stream.WriteString(AMask);
  stream.SetPosition(0);
  try {
    AExpr.Compile(&stream);
  } catch (const EvxRegExprError& e) {
    throw EvxMaskEditError(RegExprErrorText(e.Errors()));
  }
}

}  // namespace

// --- TvxMaskEditCustomMode ------------------------------------------------------------------

TvxMaskEditCustomMode::TvxMaskEditCustomMode(IvxMaskModeEdit* AEdit, TvxCustomMaskEditProperties* AProperties)
    : FEdit(AEdit), FProperties(AProperties) {}

TvxCustomMaskEditProperties* TvxMaskEditCustomMode::Properties() const {
  return FEdit != nullptr ? FEdit->MaskProperties() : FProperties;
}

void TvxMaskEditCustomMode::SetMask(const AnsiString& AMask) { FMask = AMask; }

bool TvxMaskEditCustomMode::WholeCharacter(char AChar, AnsiString& AChars) {
  const char lead = FPendingLead;
  FPendingLead = 0;
  if (lead != 0 && IsTrail(AChar)) {
    AChars = AnsiString{lead, AChar};
    return true;
  }
  if (IsLead(AChar)) {
    FPendingLead = AChar;
    return false;
  }
  AChars.assign(1, AChar);
  return true;
}

void TvxMaskEditCustomMode::Beep() {
  if (FEdit != nullptr) FEdit->MaskBeep();
}

std::unique_ptr<TvxMaskEditCustomMode> vxCreateMaskEditMode(TvxEditMaskKind AKind, IvxMaskModeEdit* AEdit,
                                                            TvxCustomMaskEditProperties* AProperties) {
  switch (AKind) {
    case emkRegExpr: return std::make_unique<TvxMaskEditRegExprMode>(AEdit, AProperties);
    case emkRegExprEx: return std::make_unique<TvxMaskEditRegExprExMode>(AEdit, AProperties);
    default: return std::make_unique<TvxMaskEditStandardMode>(AEdit, AProperties);
  }
}

// --- TvxMaskEditStandardMode ----------------------------------------------------------------

TvxMaskEditStandardMode::TvxMaskEditStandardMode(IvxMaskModeEdit* AEdit, TvxCustomMaskEditProperties* AProperties)
    : TvxMaskEditCustomMode(AEdit, AProperties) {}

bool TvxMaskEditStandardMode::IsLiteral(int APos) const {
  return APos >= 0 && APos < FStandardMask.Count() &&
         dynamic_cast<const TvxStandardMaskLiteralItem*>(&FStandardMask.Items(APos)) != nullptr;
}

int TvxMaskEditStandardMode::NextInput(int APos) const {
  int pos = std::max(APos, 0);
  while (pos < FStandardMask.Count() && IsLiteral(pos)) ++pos;
  return pos;
}

int TvxMaskEditStandardMode::PrevInput(int APos) const {
  int pos = std::min(APos, FStandardMask.Count()) - 1;
  while (pos >= 0 && IsLiteral(pos)) --pos;
  return pos;
}

int TvxMaskEditStandardMode::CharLength(const AnsiString& AText, int APos) {
  if (APos < 0 || APos >= static_cast<int>(AText.size())) return 1;
  return static_cast<int>(NextCharIndex(AText, static_cast<size_t>(APos))) - APos;
}

void TvxMaskEditStandardMode::BlankRange(AnsiString& AText, int AStart, int ALength) const {
  // Whole characters: half a double-byte character left behind would be another character.
  int start = std::max(AStart, 0);
  int end = std::min<int>(AStart + ALength, static_cast<int>(AText.size()));
  if (start >= end) return;
  if (IsTrailByteAt(AText, static_cast<size_t>(start))) --start;
  if (end < static_cast<int>(AText.size()) && IsTrailByteAt(AText, static_cast<size_t>(end))) ++end;
  for (int i = start; i < end; ++i)
    if (i < FStandardMask.Count() && !IsLiteral(i)) AText[static_cast<size_t>(i)] = FStandardMask.Blank();
}

void TvxMaskEditStandardMode::SetCaret(int APos) {
  FPendingLead = 0;
  FEdit->SetMaskSelLength(0);
  FEdit->SetMaskSelStart(APos);
  SyncSelection();
}

// A paste overwrites as many positions as it brings, each character taken as if typed: a
// selection (more than the block caret) is cleared first, the literals stay and characters the
// mask refuses are left out (one beep for them). A paste the mask refuses whole changes
// nothing, as a refused typed character does not.
void TvxMaskEditStandardMode::AfterPaste() {
  if (FEdit == nullptr) return;
  if (FEdit->MaskText() == FSavedText) {
    // Nothing was pasted (refused): nothing changes.
    SetCaret(FSavedCaret);
    return;
  }
  AnsiString text = FSavedText;
  const int length = static_cast<int>(text.size());
  if (FSavedSelLength > CharLength(text, FSavedCaret)) BlankRange(text, FSavedCaret, FSavedSelLength);
  const AnsiString& pasted = FInsertedText;
  int pos = FSavedCaret;
  bool accepted = false, refused = false;
  for (size_t i = 0; i < pasted.size();) {
    const size_t next = NextCharIndex(pasted, i);
    pos = NextInput(pos);
    if (pos >= length) break;
    const AnsiString chars = pasted.substr(i, next - i);
    if (PutChars(text, pos, chars)) {
      pos += static_cast<int>(chars.size());
      accepted = true;
    } else {
      refused = true;
    }
    i = next;
  }
  if (accepted) {
    FEdit->SetMaskText(text);
    SetCaret(std::min(NextInput(pos), length));
  } else {
    // The text and the selection as they were before the paste.
    FEdit->SetMaskText(FSavedText);
    FPendingLead = 0;
    FEdit->SetMaskSelStart(FSavedCaret);
    FEdit->SetMaskSelLength(FSavedSelLength);
    SyncSelection();
  }
  if (refused) Beep();
}

void TvxMaskEditStandardMode::SetMask(const AnsiString& AMask) {
  TvxMaskEditCustomMode::SetMask(AMask);
  if (!IsMasked()) {
    FStandardMask.Clear();
    return;
  }
  FStandardMask.SetMask(AMask);
  if (NeedsEmptyValue()) FNeedSetEmptyValue = true;
}

AnsiString TvxMaskEditStandardMode::GetEmptyString() { return FStandardMask.EmptyString(); }

AnsiString TvxMaskEditStandardMode::GetFormattedText(const AnsiString& AText) {
  AnsiString text = AText;
  FStandardMask.Format(text, true, true);
  return text;
}

bool TvxMaskEditStandardMode::IsCursorBegin() {
  const int start = FEdit->MaskSelStart();
  if (start > NextInput(0)) return false;
  if (FEdit->MaskSelLength() < 2) return true;
  return FEdit->MaskCaretPosition() == start;
}

bool TvxMaskEditStandardMode::IsCursorEnd() {
  return FEdit->MaskSelStart() == static_cast<int>(FEdit->MaskText().size());
}

bool TvxMaskEditStandardMode::IsFullValidText(const AnsiString& AText) {
  AnsiString text = AText;
  if (FStandardMask.IsFull(text)) return true;
  if (!Properties()->IgnoreMaskBlank()) return false;
  AnsiString empty = FStandardMask.EmptyString();
  FStandardMask.Format(empty, true, true);
  return AText == empty;
}

void TvxMaskEditStandardMode::SyncSelection() {
  if (FEdit == nullptr || !FEdit->MaskFocused() || !IsMasked() || FEdit->MaskSelLength() != 0) return;
  FEdit->SetMaskSelLength(CharLength(FEdit->MaskText(), FEdit->MaskSelStart()));
}

void TvxMaskEditStandardMode::BeforePaste() {
  FSavedCaret = FEdit->MaskSelStart();
  FSavedSelLength = FEdit->MaskSelLength();
  FSavedText = FEdit->MaskText();
  FEdit->SetMaskSelLength(FInsertedLength);
}

bool TvxMaskEditStandardMode::PressBackspace() {
  // No more than the block caret (a double-byte character's is two bytes long): move left.
  if (FEdit->MaskSelLength() <= CharLength(FEdit->MaskText(), FEdit->MaskSelStart())) {
    const int before = FEdit->MaskSelStart();
    PressLeft();
    // With no input position left of the caret there is nothing to take back.
    if (FEdit->MaskSelStart() == before) return false;
  }
  return PressDelete();
}

bool TvxMaskEditStandardMode::PressDelete() {
  const int start = FEdit->MaskSelStart();
  const int length = FEdit->MaskSelLength();
  if (length > 0) {
    AnsiString text = FEdit->MaskText();
    BlankRange(text, start, length);
    if (text != FEdit->MaskText()) FEdit->SetMaskText(text);
  }
  SetCaret(start);
  return false;
}

bool TvxMaskEditStandardMode::PressEnd() {
  if (FEdit->MaskShiftDown()) return true;
  SetCaret(static_cast<int>(FEdit->MaskText().size()));
  return false;
}

bool TvxMaskEditStandardMode::PressHome() {
  if (FEdit->MaskShiftDown()) return true;
  SetCaret(std::min<int>(NextInput(0), static_cast<int>(FEdit->MaskText().size())));
  return false;
}

bool TvxMaskEditStandardMode::PressLeft() {
  const int start = FEdit->MaskSelStart();
  if (FEdit->MaskShiftDown()) {
    // (A double-byte character's block caret is two bytes long.)
    const int block = CharLength(FEdit->MaskText(), start);
    if (FEdit->MaskSelLength() != block) return true;
    // From the block caret the selection grows from the caret's own position.
    FEdit->SetMaskSelLength(0);
    FEdit->SetMaskSelStart(start + block);
    FEdit->SendMaskKey(VK_LEFT);
    FEdit->SendMaskKey(VK_LEFT);
    return false;
  }
  const int pos = PrevInput(start);
  SetCaret(pos >= 0 ? pos : start);
  return false;
}

bool TvxMaskEditStandardMode::PressRight() {
  if (FEdit->MaskShiftDown()) return true;
  const int start = FEdit->MaskSelStart();
  const AnsiString text = FEdit->MaskText();
  const int length = static_cast<int>(text.size());
  SetCaret(start >= length ? length : std::min(NextInput(start + CharLength(text, start)), length));
  return false;
}

bool TvxMaskEditStandardMode::PutChars(AnsiString& AText, int APos, AnsiString AChars) {
  // A double-byte character takes two positions side by side.
  for (size_t i = 0; i < AChars.size(); ++i) {
    const int at = APos + static_cast<int>(i);
    if (at >= FStandardMask.Count() || at >= static_cast<int>(AText.size()) || IsLiteral(at) ||
        !FStandardMask.Items(at).Check(AChars[i]))
      return false;
  }
  if (AChars.size() == 1 && !FEdit->IsMaskCharValid(AChars[0], APos + 1)) return false;
  if (AChars[0] == '\0') return false;
  // What the character overwrites goes whole, then the character takes its positions.
  BlankRange(AText, APos, static_cast<int>(AChars.size()));
  AText.replace(static_cast<size_t>(APos), AChars.size(), AChars);
  return true;
}

bool TvxMaskEditStandardMode::TypeChars(const AnsiString& AChars) {
  AnsiString text = FEdit->MaskText();
  int pos = FEdit->MaskSelStart();
  if (text.empty() || pos >= static_cast<int>(text.size())) return false;
  // Over the literals to the input position the character goes to.
  pos = NextInput(pos);
  if (pos >= static_cast<int>(text.size())) return false;
  // A selection is cleared by the character that replaces it (not by a refused one).
  const int selStart = FEdit->MaskSelStart();
  const int selLength = FEdit->MaskSelLength();
  if (selLength > CharLength(text, selStart)) BlankRange(text, selStart, selLength);
  if (!PutChars(text, pos, AChars)) {
    Beep();
    return false;
  }
  FEdit->SetMaskText(text);
  SetCaret(std::min(NextInput(pos + static_cast<int>(AChars.size())), static_cast<int>(text.size())));
  return false;
}

bool TvxMaskEditStandardMode::PressSymbol(char& AChar) {
  AnsiString chars;
  return WholeCharacter(AChar, chars) && TypeChars(chars);
}

void TvxMaskEditStandardMode::UpdateEditValue() {
  FEdit->UpdateMaskDisplay();
  SyncSelection();
}

void TvxMaskEditStandardMode::ResetEmptyValue() {
  if (!FNeedSetEmptyValue || FEdit == nullptr) return;
  FEdit->SetMaskEditValue(GetEmptyString());
  FNeedSetEmptyValue = false;
}

AnsiString TvxMaskEditStandardMode::GetUpdatedText(const AnsiString& AText) {
  if (FStandardMask.Count() == 0) return AText;
  AnsiString text = AText;
  FStandardMask.Format(text, FCharCase == TEditCharCase::ecNormal, true);
  return FStandardMask.ValueText(text);
}

// --- TvxMaskEditRegExprMode -----------------------------------------------------------------

TvxMaskEditRegExprMode::TvxMaskEditRegExprMode(IvxMaskModeEdit* AEdit, TvxCustomMaskEditProperties* AProperties)
    : TvxMaskEditCustomMode(AEdit, AProperties), FRegExpr(std::make_unique<TvxRegExpr>()) {
  if (TvxCustomMaskEditProperties* properties = Properties())
    FRegExpr->SetCaseInsensitive(properties->CaseInsensitive());
}

void TvxMaskEditRegExprMode::SetMask(const AnsiString& AMask) {
  TvxMaskEditCustomMode::SetMask(AMask);
  FHead.clear();
  FTail.clear();
  FTailMemo.clear();
  FRebuild = true;
  if (!IsMasked()) {
    FRegExpr->Clear();
    return;
  }
  if (TvxCustomMaskEditProperties* properties = Properties())
    FRegExpr->SetCaseInsensitive(properties->CaseInsensitive());
  try {
    CompileMask(*FRegExpr, AMask);
  } catch (...) {
    // A mode whose mask does not compile works as no mask at all.
    FMask.clear();
    throw;
  }
}

void TvxMaskEditRegExprMode::SetCaseInsensitive(bool AValue) {
  if (FRegExpr->CaseInsensitive() == AValue) return;
  FRegExpr->SetCaseInsensitive(AValue);
  // The head was stepped with the other setting.
  FRebuild = true;
}

std::unique_ptr<TvxRegExpr> TvxMaskEditRegExprMode::NewCompiledRegExpr() const {
  auto expr = std::make_unique<TvxRegExpr>();
  expr->SetCaseInsensitive(FRegExpr->CaseInsensitive());
  CompileMask(*expr, FMask);
  return expr;
}

bool TvxMaskEditRegExprMode::IsTrailAt(const AnsiString& AText, size_t APos) {
  // Backwards without reading the text from its start: an odd run of bytes that could be lead
  // bytes just before APos makes the byte at APos a trail byte.
  size_t run = 0;
  for (size_t i = APos; i > 0 && IsLead(AText[i - 1]); --i) ++run;
  return run % 2 == 1;
}

int TvxMaskEditRegExprMode::LastCharLength(const AnsiString& AText) {
  if (AText.size() < 2) return static_cast<int>(AText.size());
  return IsTrailAt(AText, AText.size() - 1) ? 2 : 1;
}

int TvxMaskEditRegExprMode::FirstCharLength(const AnsiString& AText) {
  if (AText.empty()) return 0;
  return static_cast<int>(NextCharIndex(AText, 0));
}

AnsiString TvxMaskEditRegExprMode::GetFormattedText(const AnsiString& AText) {
  if (!FRegExpr->IsCompiled()) return AnsiString();
  FRegExpr->Reset();
  FRebuild = true;
  // Text the mask refuses is kept for the validation to report.
  AnsiString result;
  size_t i = 0;
  for (; i < AText.size(); ++i) {
    char c = AText[i];
    if (!FRegExpr->Next(c)) break;
    result += c;
  }
  return result + AText.substr(i);
}

void TvxMaskEditRegExprMode::Rebuild(const AnsiString& AText, int ACaret) {
  FRebuild = false;
  FTailMemo.clear();
  FHead.clear();
  const size_t caret = static_cast<size_t>(std::clamp<int>(ACaret, 0, static_cast<int>(AText.size())));
  if (!FRegExpr->IsCompiled()) {
    FHead = AText.substr(0, caret);
    FTail = AText.substr(caret);
    FInSync = FTailValid = true;
    return;
  }
  FRegExpr->Reset();
  size_t i = 0;
  for (; i < caret; ++i) {
    char c = AText[i];
    if (!FRegExpr->Next(c)) break;
  }
  FHead = AText.substr(0, i);
  FTail = AText.substr(i);
  FInSync = i == caret;
  FTailValid = FInSync && TailCheck();
}

void TvxMaskEditRegExprMode::Sync() {
  if (FEdit == nullptr) return;
  FPendingLead = 0;
  if (FRebuild || !FTailValid || !FInSync || (FHead.empty() && FTail.empty())) {
    const AnsiString text = FEdit->MaskText();
    if (FRebuild || !FTailValid || !FInSync || !text.empty()) Rebuild(text, FEdit->MaskSelStart());
  }
}

bool TvxMaskEditRegExprMode::TailCheck() {
  if (!FRegExpr->IsCompiled()) return true;
  const size_t length = FTail.size();
  TrimTailMemo();
  std::vector<std::vector<const TvxRegExprState*>> seen;
  int steps = 0;
  bool fits = true;
  for (size_t k = 0; k <= length; ++k) {
    const size_t rest = length - k;
    std::vector<const TvxRegExprState*> states = FRegExpr->CurrentStates();
    if (rest < FTailMemo.size() && !FTailMemo[rest].empty() && FTailMemo[rest] == states) break;
    seen.push_back(std::move(states));
    if (k == length) break;
    char c = FTail[k];
    if (!FRegExpr->Next(c)) {
      fits = false;
      break;
    }
    ++steps;
  }
  StepBack(steps);
  if (fits) {
    if (FTailMemo.size() < length + 1) FTailMemo.resize(length + 1);
    for (size_t k = 0; k < seen.size(); ++k) FTailMemo[length - k] = std::move(seen[k]);
  }
  return fits;
}

void TvxMaskEditRegExprMode::TrimTailMemo() {
  if (FTailMemo.size() > FTail.size() + 1) FTailMemo.resize(FTail.size() + 1);
}

void TvxMaskEditRegExprMode::StepBack(int ACount) {
  for (int i = 0; i < ACount; ++i) FRegExpr->Prev();
}

bool TvxMaskEditRegExprMode::StepChars(const AnsiString& AChars, AnsiString& AAccepted) {
  AAccepted.clear();
  for (char c : AChars) {
    if (!FRegExpr->Next(c)) {
      StepBack(static_cast<int>(AAccepted.size()));
      AAccepted.clear();
      return false;
    }
    AAccepted += c;
  }
  return true;
}

void TvxMaskEditRegExprMode::DeleteSelection() {
  const int start = FEdit->MaskSelStart();
  const int length = FEdit->MaskSelLength();
  const int head = static_cast<int>(FHead.size());
  FCut.clear();
  FCutFromHead = false;
  if (length <= 0) return;
  if (start < head) {
    // The selection ends at the head's end (it was extended leftwards from the caret).
    const int fromHead = head - start;
    FCut = FHead.substr(static_cast<size_t>(start));
    FHead.resize(static_cast<size_t>(start));
    StepBack(fromHead);
    FCutFromHead = true;
    const int fromTail = std::min<int>(length - fromHead, static_cast<int>(FTail.size()));
    if (fromTail > 0) {
      FCut += FTail.substr(0, static_cast<size_t>(fromTail));
      FTail.erase(0, static_cast<size_t>(fromTail));
      TrimTailMemo();
    }
    FCutHeadLength = fromHead;
  } else {
    const int fromTail = std::min<int>(length, static_cast<int>(FTail.size()));
    FCut = FTail.substr(0, static_cast<size_t>(fromTail));
    FTail.erase(0, static_cast<size_t>(fromTail));
    TrimTailMemo();
    FCutHeadLength = 0;
  }
}

void TvxMaskEditRegExprMode::RestoreSelection() {
  if (FCutFromHead) {
    const AnsiString toHead = FCut.substr(0, static_cast<size_t>(FCutHeadLength));
    for (char c : toHead) FRegExpr->Next(c);
    FHead += toHead;
    FTail = FCut.substr(static_cast<size_t>(FCutHeadLength)) + FTail;
  } else {
    FTail = FCut + FTail;
  }
  FCut.clear();
  FCutFromHead = false;
  FCutHeadLength = 0;
}

void TvxMaskEditRegExprMode::DropRest(bool AKeepCaret) {
  AnsiString text = FEdit->MaskText();
  const size_t caret = static_cast<size_t>(std::clamp<int>(FEdit->MaskSelStart(), 0, static_cast<int>(text.size())));
  text.erase(caret, FTail.size());
  FTail.clear();
  FTailMemo.clear();
  FEdit->SetMaskText(text);
  FEdit->SetMaskSelLength(0);
  FEdit->SetMaskSelStart(AKeepCaret ? static_cast<int>(caret) : static_cast<int>(text.size()));
}

bool TvxMaskEditRegExprMode::TypeChars(const AnsiString& AChars) {
  Sync();
  if (!InSync()) {
    // Refused text stands before the caret: the mask cannot tell what may follow it.
    Beep();
    return false;
  }
  const bool hadSelection = FEdit->MaskSelLength() > 0;
  AnsiString prefix;
  if (hadSelection) {
    DeleteSelection();
    if (FEdit->MaskSelStart() == 0) prefix = CompleteAtStart();
  }
  AnsiString accepted;
  if (!StepChars(AChars, accepted)) {
    StepBack(static_cast<int>(prefix.size()));
    if (hadSelection) RestoreSelection();
    Beep();
    return false;
  }
  const bool fits = FTail.empty() || !FTailValid || TailCheck();
  // Literals are completed only where the tail does not already hold what follows.
  const AnsiString completion = FTail.empty() || !fits ? TakeCompletion() : AnsiString();
  const AnsiString typed = prefix + accepted + completion;
  FHead += typed;
  FCut.clear();
  if (!FTailValid) FRebuild = true;
  // One byte goes on as the key; anything else the edit types itself, through the inner
  // edit's double-byte join.
  const bool keyGoesOn = typed.size() == 1;
  auto send = [this, &typed] {
    for (char c : typed) FEdit->SendMaskChar(c);
  };
  if (fits) {
    if (keyGoesOn) return true;
    send();
    return false;
  }
  if (hadSelection) {
    FEdit->SendMaskKey(VK_DELETE);
    send();
    DropRest();
    Beep();
    return false;
  }
  DropRest();
  if (keyGoesOn) return true;
  send();
  return false;
}

bool TvxMaskEditRegExprMode::PressSymbol(char& AChar) {
  AnsiString chars;
  if (!WholeCharacter(AChar, chars) || !TypeChars(chars)) return false;
  // One byte goes on as the key, in the pattern's case.
  AChar = FHead.back();
  return true;
}

bool TvxMaskEditRegExprMode::DeleteKeyHandled(WORD AKey, bool& AGoesOn) {
  Sync();
  AGoesOn = true;
  if (!InSync()) {
    // Refused text before the caret: the key works as in a plain edit; the next key rebuilds.
    FRebuild = true;
    return true;
  }
  if (FEdit->MaskSelLength() <= 0) return false;
  DeleteSelection();
  FCut.clear();
  if (!FTail.empty() && FTailValid && !TailCheck()) {
    FEdit->SendMaskKey(AKey);
    DropRest();
    Beep();
    AGoesOn = false;
  }
  return true;
}

bool TvxMaskEditRegExprMode::PressBackspace() {
  bool goesOn = true;
  if (DeleteKeyHandled(VK_BACK, goesOn)) return goesOn;
  if (FHead.empty()) return true;
  const int length = LastCharLength(FHead);
  StepBack(length);
  FHead.resize(FHead.size() - static_cast<size_t>(length));
  if (!FTail.empty() && FTailValid && !TailCheck()) {
    // The rest cannot follow what stays: it goes, and the key deletes the character.
    DropRest(true);
  }
  FCut.clear();
  return true;
}

bool TvxMaskEditRegExprMode::PressDelete() {
  bool goesOn = true;
  if (DeleteKeyHandled(VK_DELETE, goesOn)) return goesOn;
  if (FTail.empty()) return true;
  const int length = FirstCharLength(FTail);
  FTail.erase(0, static_cast<size_t>(length));
  TrimTailMemo();
  if (!FTail.empty() && FTailValid && !TailCheck()) {
    // The rest goes; the caret stays before the character the key deletes.
    AnsiString text = FEdit->MaskText();
    const size_t caret = FHead.size();
    text.resize(std::min(text.size(), caret + static_cast<size_t>(length)));
    FTail.clear();
    TrimTailMemo();
    FEdit->SetMaskText(text);
    FEdit->SetMaskSelStart(static_cast<int>(caret));
  }
  return true;
}

void TvxMaskEditRegExprMode::GotoEnd() {
  Sync();
  size_t i = 0;
  for (; i < FTail.size(); ++i) {
    char c = FTail[i];
    if (!FRegExpr->Next(c)) break;
  }
  FHead += FTail.substr(0, i);
  FTail.erase(0, i);
  TrimTailMemo();
  // A refused byte stops the head; the next key rebuilds from the text.
  if (!FTail.empty()) FRebuild = true;
}

bool TvxMaskEditRegExprMode::PressEnd() {
  GotoEnd();
  return true;
}

bool TvxMaskEditRegExprMode::PressHome() {
  Sync();
  FTail = FHead + FTail;
  FHead.clear();
  if (FRegExpr->IsCompiled()) FRegExpr->Reset();
  FInSync = true;
  return true;
}

bool TvxMaskEditRegExprMode::PressLeft() {
  Sync();
  if (!InSync() || FEdit->MaskSelLength() > 0) {
    FRebuild = true;
    return true;
  }
  if (FHead.empty()) return true;
  const int length = LastCharLength(FHead);
  StepBack(length);
  FTail = FHead.substr(FHead.size() - static_cast<size_t>(length)) + FTail;
  FHead.resize(FHead.size() - static_cast<size_t>(length));
  return true;
}

bool TvxMaskEditRegExprMode::PressRight() {
  Sync();
  if (!InSync() || FEdit->MaskSelLength() > 0) {
    FRebuild = true;
    return true;
  }
  if (FTail.empty()) return true;
  const AnsiString chars = FTail.substr(0, static_cast<size_t>(FirstCharLength(FTail)));
  AnsiString accepted;
  if (!StepChars(chars, accepted)) {
    FRebuild = true;
    return true;
  }
  FHead += chars;
  FTail.erase(0, chars.size());
  TrimTailMemo();
  return true;
}

bool TvxMaskEditRegExprMode::IsCursorBegin() { return FEdit->MaskSelStart() == 0; }

bool TvxMaskEditRegExprMode::IsCursorEnd() {
  return FEdit->MaskSelStart() == static_cast<int>(FEdit->MaskText().size());
}

bool TvxMaskEditRegExprMode::IsFullValidText(const AnsiString& AText) {
  if (AText.empty()) return true;
  if (!IsMasked()) return true;
  std::unique_ptr<TvxRegExpr> expr = NewCompiledRegExpr();
  for (char c : AText)
    if (!expr->Next(c)) return false;
  return Properties()->IgnoreMaskBlank() || expr->IsFinal();
}

void TvxMaskEditRegExprMode::SetText(const AnsiString& AText) {
  Rebuild(AText, FEdit != nullptr ? FEdit->MaskSelStart() : 0);
}

void TvxMaskEditRegExprMode::UpdateEditValue() {
  if (FEdit == nullptr) return;
  FEdit->UpdateMaskDisplay();
  const AnsiString text = FEdit->MaskText();
  FEdit->SetMaskSelLength(0);
  FEdit->SetMaskSelStart(static_cast<int>(text.size()));
  Rebuild(text, static_cast<int>(text.size()));
}

// --- TvxMaskEditRegExprExMode ---------------------------------------------------------------

TvxMaskEditRegExprExMode::TvxMaskEditRegExprExMode(IvxMaskModeEdit* AEdit, TvxCustomMaskEditProperties* AProperties)
    : TvxMaskEditRegExprMode(AEdit, AProperties) {
  FRegExpr->SetOnSymbolAdd([this](char c) { FCompletion += c; });
  FRegExpr->SetOnSymbolDelete([this] { ++FDeletedCount; });
}

// The automaton's own completion stays off: the mode completes where it decides, so that
// what the automaton consumed and the head never differ.
void TvxMaskEditRegExprExMode::Complete() {
  FCompletion.clear();
  if (!FRegExpr->IsCompiled()) return;
  FRegExpr->SetAutoComplete(true);
  FRegExpr->SetAutoComplete(false);
}

AnsiString TvxMaskEditRegExprExMode::TakeCompletion() {
  Complete();
  AnsiString completion;
  completion.swap(FCompletion);
  return completion;
}

AnsiString TvxMaskEditRegExprExMode::CompleteAtStart() { return TakeCompletion(); }

void TvxMaskEditRegExprExMode::SetMask(const AnsiString& AMask) {
  FLeadingLiterals.clear();
  TvxMaskEditRegExprMode::SetMask(AMask);
  if (!IsMasked()) return;
  GetEmptyString();
  if (NeedsEmptyValue()) FNeedSetEmptyValue = true;
}

AnsiString TvxMaskEditRegExprExMode::GetEmptyString() {
  if (!IsMasked()) return AnsiString();
  auto expr = std::make_unique<TvxRegExpr>();
  expr->SetCaseInsensitive(FRegExpr->CaseInsensitive());
  AnsiString completed;
  expr->SetOnSymbolAdd([&completed](char c) { completed += c; });
  CompileMask(*expr, FMask);
  expr->SetAutoComplete(true);
  FLeadingLiterals = completed;
  return completed;
}

AnsiString TvxMaskEditRegExprExMode::GetFormattedText(const AnsiString& AText) {
  AnsiString text = TvxMaskEditRegExprMode::GetFormattedText(AText);
  if (!FRegExpr->IsCompiled()) return text;
  // Literals follow only a text the mask took whole.
  FRegExpr->Reset();
  for (char c : text) {
    if (!FRegExpr->Next(c)) return text;
  }
  return text + TakeCompletion();
}

bool TvxMaskEditRegExprExMode::IsFullValidText(const AnsiString& AText) {
  if (!AText.empty() && AText == FLeadingLiterals) return true;
  return TvxMaskEditRegExprMode::IsFullValidText(AText);
}

void TvxMaskEditRegExprExMode::ResetEmptyValue() {
  if (!FNeedSetEmptyValue || FEdit == nullptr) return;
  FEdit->SetMaskEditValue(GetEmptyString());
  FNeedSetEmptyValue = false;
}

void TvxMaskEditRegExprExMode::BeforePaste() {
  FCaretToRestore = FEdit->MaskSelStart() + FInsertedLength;
}

void TvxMaskEditRegExprExMode::AfterPaste() {
  FRebuild = true;
  if (FCaretToRestore < 0) return;
  const int length = static_cast<int>(FEdit->MaskText().size());
  FEdit->SetMaskSelLength(0);
  FEdit->SetMaskSelStart(std::min(FCaretToRestore, length));
  FCaretToRestore = -1;
}

bool TvxMaskEditRegExprExMode::PressBackspace() {
  Sync();
  if (!InSync() || FEdit->MaskSelLength() > 0) return TvxMaskEditRegExprMode::PressBackspace();
  if (FHead.empty()) {
    Beep();
    return false;
  }
  // Back over the user's last character and the literals completed after it; literals the
  // automaton would complete now (the caret stands before them) are counted out again.
  Complete();
  const int phantom = static_cast<int>(FCompletion.size());
  FCompletion.clear();
  FDeletedCount = 0;
  FRegExpr->SetAutoComplete(true);
  const bool stepped = FRegExpr->Prev();
  FRegExpr->SetAutoComplete(false);
  int removed = stepped ? FDeletedCount + 1 - phantom : 0;
  removed = std::clamp<int>(removed, 0, static_cast<int>(FHead.size()));
  // The step may have stopped on the trail byte of a double-byte character.
  if (removed > 0 && removed < static_cast<int>(FHead.size()) &&
      IsTrailAt(FHead, FHead.size() - static_cast<size_t>(removed))) {
    FRegExpr->Prev();
    ++removed;
  }
  const AnsiString kept = FHead.substr(0, FHead.size() - static_cast<size_t>(removed));
  if (removed == 0 || (FRegExpr->IsStart() && !kept.empty() && kept == FLeadingLiterals) ||
      (kept.empty() && !FLeadingLiterals.empty())) {
    // Only the forced leading literals stand before the caret: nothing to take back.
    FRegExpr->Reset();
    for (char c : FHead) FRegExpr->Next(c);
    Beep();
    return false;
  }
  const AnsiString removedText = FHead.substr(kept.size());
  FHead = kept;
  if (!FTail.empty() && FTailValid && !TailCheck()) {
    DropRest(true);
  }
  // One Backspace per character removed.
  for (size_t i = 0; i < removedText.size(); i = NextCharIndex(removedText, i)) FEdit->SendMaskKey(VK_BACK);
  return false;
}

// --- TvxCustomMaskEditProperties ------------------------------------------------------------

TvxCustomMaskEditProperties::TvxCustomMaskEditProperties(TPersistent* owner) : TvxCustomTextEditProperties(owner) {
  SetValidateOnEnter(true);
}

TvxCustomMaskEditProperties::~TvxCustomMaskEditProperties() = default;

TvxCustomEditPropertiesClass TvxCustomMaskEditProperties::PropertiesClass() {
  static const TvxEditPropertiesClassInfo info{{"TvxCustomMaskEditProperties"},
                                               TvxCustomTextEditProperties::PropertiesClass(),
                                               [](TPersistent* owner) -> TvxCustomEditProperties* {
                                                 return new TvxCustomMaskEditProperties(owner);
                                               }};
  return &info;
}

TvxCustomEditPropertiesClass TvxMaskEditProperties::PropertiesClass() {
  static const TvxEditPropertiesClassInfo info{
      {"TvxMaskEditProperties"}, TvxCustomMaskEditProperties::PropertiesClass(),
      [](TPersistent* owner) -> TvxCustomEditProperties* { return new TvxMaskEditProperties(owner); }};
  return &info;
}

void TvxCustomMaskEditProperties::Assign(const TPersistent* source) {
  const auto* src = dynamic_cast<const TvxCustomMaskEditProperties*>(source);
  if (src == nullptr) {
    TvxCustomTextEditProperties::Assign(source);
    return;
  }
  BeginUpdate();
  try {
    TvxCustomTextEditProperties::Assign(source);
    FMaskKind = src->FMaskKind;
    FEditMask = src->FEditMask;
    FCaseInsensitive = src->FCaseInsensitive;
    FIgnoreMaskBlank = src->FIgnoreMaskBlank;
    FAlwaysShowBlanksAndLiterals = src->FAlwaysShowBlanksAndLiterals;
    FEmptyString = src->FEmptyString;
    Changed();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TvxCustomMaskEditProperties::SetCaseInsensitive(bool AValue) {
  if (CharCase() != TEditCharCase::ecNormal) AValue = true;
  WriteOption(FCaseInsensitive, AValue);
}

void TvxCustomMaskEditProperties::SetCharCase(TEditCharCase AValue) {
  BeginUpdate();
  try {
    TvxCustomTextEditProperties::SetCharCase(AValue);
    if (AValue != TEditCharCase::ecNormal) SetCaseInsensitive(true);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

AnsiString TvxCustomMaskEditProperties::EditMask() const {
  if (FMaskKind != emkStandard || vxIsMaskSet(FEditMask)) return FEditMask;
  if (IvxEditDefaultValuesProvider* provider = DefaultValuesProvider()) return provider->DefaultEditMask();
  return FEditMask;
}

void TvxCustomMaskEditProperties::SetEditMask(const AnsiString& AValue) {
  if (AValue == EditMask()) return;
  // A mode of its own tries the mask first: a bad regular expression raises here.
  std::unique_ptr<TvxMaskEditCustomMode> check = CreateMode(nullptr);
  check->SetMask(AValue);
  FEditMask = AValue;
  if (vxIsMaskSet(AValue) && TvxCustomTextEditProperties::MaxLength() != 0) {
    BeginUpdate();
    TvxCustomTextEditProperties::SetMaxLength(0);
    EndUpdate(false);
  }
  Changed();
}

void TvxCustomMaskEditProperties::SetMaskKind(TvxEditMaskKind AValue) {
  if (FMaskKind == AValue) return;
  // The mask must make sense in the new kind too: a standard mask such as "(999" is no
  // regular expression. A kind it does not compile in is refused.
  const TvxEditMaskKind old = FMaskKind;
  FMaskKind = AValue;
  try {
    CreateMode(nullptr)->SetMask(EditMask());
  } catch (...) {
    FMaskKind = old;
    throw;
  }
  Changed();
}

void TvxCustomMaskEditProperties::SetMaxLength(int AValue) {
  TvxCustomTextEditProperties::SetMaxLength(IsMasked() ? 0 : AValue);
}

TvxCustomEditClass TvxCustomMaskEditProperties::GetContainerClass() const {
  return vxObjectClassOf<TvxMaskEdit, TvxCustomEdit, TComponent*>("TvxMaskEdit");
}

bool TvxCustomMaskEditProperties::IsPublishedProperty(const AnsiString& name) const {
  // The text edit's formats and range are not the mask edit's.
  static const char* const names[] = {
      "Alignment",         "AlwaysShowBlanksAndLiterals", "AssignedValues",     "AutoSelect",
      "BeepOnError",       "CaseInsensitive",             "CharCase",           "EchoMode",
      "HideSelection",     "IgnoreMaskBlank",             "ImeMode",            "ImeName",
      "IncrementalSearch", "LookupItems",                 "LookupItemsSorted",  "MaskKind",
      "EditMask",          "MaxLength",                   "OEMConvert",         "PasswordChar",
      "ReadOnly",          "UseLeftAlignmentOnEditing",   "ValidateOnEnter",    "OnChange",
      "OnEditValueChanged", "OnNewLookupDisplayText",     "OnValidate"};
  for (const char* published : names)
    if (SameText(name, published)) return true;
  return false;
}

std::unique_ptr<TvxMaskEditCustomMode> TvxCustomMaskEditProperties::CreateMode(IvxMaskModeEdit* AEdit) {
  return vxCreateMaskEditMode(FMaskKind, AEdit, this);
}

TvxMaskEditCustomMode* TvxCustomMaskEditProperties::Mode() {
  const AnsiString mask = EditMask();
  if (!FMode || FMode->Kind() != FMaskKind || FMode->Mask() != mask) {
    FMode = CreateMode(nullptr);
    try {
      FMode->SetMask(mask);
    } catch (const EvxMaskEditError&) {
      // A mask that came in without the check (a default mask that does not compile): no mask.
    }
  }
  FMode->SetCaseInsensitive(CaseInsensitive());
  return FMode.get();
}

void TvxCustomMaskEditProperties::PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool focused) {
  if (!IsMasked() ||
      (!focused && DefaultValuesProvider() != nullptr && !DefaultValuesProvider()->DefaultDisplayFormat().empty())) {
    TvxCustomTextEditProperties::PrepareDisplayValue(editValue, displayValue, focused);
    return;
  }
  const AnsiString text = editValue.IsNull() || editValue.IsEmpty() ? AnsiString() : editValue.AsString();
  TvxMaskEditCustomMode* mode = Mode();
  if (!mode->IsRegExprMode() && !focused && !FAlwaysShowBlanksAndLiterals)
    displayValue = Variant(mode->GetUpdatedText(text));
  else
    displayValue = Variant(mode->GetFormattedText(text));
}

void TvxCustomMaskEditProperties::ValidateDisplayValue(Variant& displayValue, AnsiString& errorText, bool& error,
                                                       TvxCustomEdit* edit) {
  if (!error && IsMasked()) {
    const AnsiString text = displayValue.IsNull() || displayValue.IsEmpty() ? AnsiString() : displayValue.AsString();
    if (!Mode()->IsFullValidText(text)) {
      error = true;
      errorText = vxLoadResourceString(scxMaskEditInvalidEditValue);
    }
  }
  TvxCustomTextEditProperties::ValidateDisplayValue(displayValue, errorText, error, edit);
}

// --- TvxCustomMaskEdit ----------------------------------------------------------------------

TvxCustomMaskEdit::TvxCustomMaskEdit(TComponent* owner, bool inplace)
    : TvxCustomMaskEdit(owner, inplace, TextEditClasses(TvxCustomMaskEditProperties::PropertiesClass())) {}

TvxCustomMaskEdit::TvxCustomMaskEdit(TComponent* owner, bool inplace, const TvxEditClasses& classes)
    : TvxCustomTextEdit(owner, inplace, classes) {
  InitializeMaskEdit();
}

TvxCustomMaskEdit::~TvxCustomMaskEdit() = default;

TvxMaskEdit::TvxMaskEdit(TComponent* owner, bool inplace)
    : TvxCustomMaskEdit(owner, inplace, TextEditClasses(TvxMaskEditProperties::PropertiesClass())) {}

void TvxCustomMaskEdit::InitializeMaskEdit() {
  UpdateMode();
  ActiveProperties()->SetEmptyString(FMode->GetEmptyString());
}

bool TvxCustomMaskEdit::UpdateMode() {
  TvxCustomMaskEditProperties* properties = ActiveProperties();
  const AnsiString mask = properties->EditMask();
  bool changed = false;
  if (!FMode || FMode->Kind() != properties->MaskKind()) {
    FMode = properties->CreateMode(this);
    changed = true;
  }
  if (changed || FMode->Mask() != mask) {
    changed = true;
    try {
      FMode->SetMask(mask);
    } catch (const EvxMaskEditError&) {
      // Only a mask that skipped the properties' check gets here: the edit works without it.
    }
  }
  FMode->SetCharCase(properties->CharCase());
  FMode->SetCaseInsensitive(properties->CaseInsensitive());
  return changed;
}

bool TvxCustomMaskEdit::IsMasked() { return FMode && FMode->IsMasked(); }

void TvxCustomMaskEdit::PropertiesChanged(TObject* sender) {
  if (!FMode || InnerTextEdit() == nullptr) {
    TvxCustomTextEdit::PropertiesChanged(sender);
    return;
  }
  const bool wasBlockCaret = FMode->Kind() == emkStandard && FMode->IsMasked() && MaskFocused() && MaskSelLength() == 1;
  const int selStart = MaskSelStart();
  const int selLength = MaskSelLength();
  const bool changed = UpdateMode();
  TvxCustomMaskEditProperties* properties = ActiveProperties();
  if (changed) properties->SetEmptyString(FMode->GetEmptyString());
  TvxCustomTextEdit::PropertiesChanged(sender);
  if (FMode == nullptr || InnerTextEdit() == nullptr) return;
  if (changed && FMode->IsMasked()) {
    // A new mask shows the value anew under it: what was typed under the old one is gone.
    FMode->UpdateEditValue();
    if (ModifiedAfterEnter()) SetModifiedAfterEnter(false);
  }
  if (!MaskFocused()) return;
  const int length = static_cast<int>(MaskText().size());
  SetMaskSelStart(std::min(selStart, length));
  if (changed && !FMode->IsMasked() && wasBlockCaret)
    SetMaskSelLength(0);
  else
    SetMaskSelLength(std::max(0, std::min(selLength, length - std::min(selStart, length))));
  if (FMode->IsMasked()) FMode->SyncSelection();
}

// --- What the mode works on -------------------------------------------------------------------

AnsiString TvxCustomMaskEdit::MaskText() { return DisplayText(); }

void TvxCustomMaskEdit::SetMaskText(const AnsiString& AText) {
  if (InnerEdit() == nullptr) return;
  InnerEdit()->SetEditValue(Variant(AText));
  ChangeHandler();
}

int TvxCustomMaskEdit::MaskSelStart() { return InnerTextEdit() != nullptr ? InnerTextEdit()->GetSelStart() : 0; }

void TvxCustomMaskEdit::SetMaskSelStart(int AValue) {
  if (InnerTextEdit() != nullptr) InnerTextEdit()->SetSelStart(AValue);
}

int TvxCustomMaskEdit::MaskSelLength() { return InnerTextEdit() != nullptr ? InnerTextEdit()->GetSelLength() : 0; }

void TvxCustomMaskEdit::SetMaskSelLength(int AValue) {
  if (InnerTextEdit() != nullptr) InnerTextEdit()->SetSelLength(AValue);
}

int TvxCustomMaskEdit::MaskCaretPosition() {
  return InnerTextEdit() != nullptr ? InnerTextEdit()->GetCaretPosition() : 0;
}

bool TvxCustomMaskEdit::MaskFocused() { return Focused(); }

bool TvxCustomMaskEdit::MaskDesigning() { return IsDesigning(); }

void TvxCustomMaskEdit::SendToInner(UINT AMsg, WPARAM AWParam) {
  TvxCustomInnerTextEdit* inner = InnerTextEditControl();
  if (inner == nullptr || !inner->HandleAllocated()) return;
  const bool old = FSending;
  FSending = true;
  try {
    SendMessageA(inner->Handle(), AMsg, AWParam, AMsg == WM_KEYUP ? static_cast<LPARAM>(0xC0000001) : 1);
  } catch (...) {
    FSending = old;
    throw;
  }
  FSending = old;
}

void TvxCustomMaskEdit::SendMaskKey(WORD AKey) {
  SendToInner(WM_KEYDOWN, AKey);
  // The EDIT takes Backspace as a character.
  if (AKey == VK_BACK) SendToInner(WM_CHAR, '\b');
  SendToInner(WM_KEYUP, AKey);
}

void TvxCustomMaskEdit::SendMaskChar(char AChar) { SendToInner(WM_CHAR, static_cast<unsigned char>(AChar)); }

void TvxCustomMaskEdit::MaskBeep() {
  if (ActiveProperties()->BeepOnError()) SystemBeep();
}

void TvxCustomMaskEdit::UpdateMaskDisplay() { SynchronizeDisplayValue(); }

void TvxCustomMaskEdit::SetMaskEditValue(const AnsiString& AText) { SetEditValue(Variant(AText)); }

// --- Value and text ---------------------------------------------------------------------------

void TvxCustomMaskEdit::SynchronizeDisplayValue() {
  TvxCustomTextEdit::SynchronizeDisplayValue();
  if (IsMasked() && InnerTextEdit() != nullptr) FMode->SetText(MaskText());
}

void TvxCustomMaskEdit::SetDisplayValue(const Variant& value) {
  TvxCustomTextEdit::SetDisplayValue(value);
  if (IsMasked() && !FModeBusy) FMode->TextChanged();
}

void TvxCustomMaskEdit::DisplayValueToEditValue(const Variant& displayValue, Variant& editValue, bool focused) {
  TvxCustomMaskEditProperties* properties = ActiveProperties();
  if (!IsMasked() ||
      (!focused && !FMode->IsRegExprMode() &&
       (static_cast<TvxMaskEditStandardMode*>(FMode.get())->StandardMask().SaveLiteralCharacters() ||
        !properties->AlwaysShowBlanksAndLiterals()))) {
    editValue = displayValue;
    return;
  }
  const AnsiString text = displayValue.IsNull() || displayValue.IsEmpty() ? AnsiString() : displayValue.AsString();
  editValue = Variant(FMode->GetUpdatedText(text));
}

void TvxCustomMaskEdit::SetSelStart(int value) {
  TvxCustomTextEdit::SetSelStart(value);
  if (IsMasked()) FMode->SyncSelection();
}

void TvxCustomMaskEdit::SetSelLength(int value) {
  TvxCustomTextEdit::SetSelLength(value);
  if (IsMasked()) FMode->SyncSelection();
}

void TvxCustomMaskEdit::SetSelText(const AnsiString& value) {
  if (!IsMasked()) {
    TvxCustomTextEdit::SetSelText(value);
    return;
  }
  FMode->SetInsertedText(value);
  FMode->BeforePaste();
  TvxCustomTextEdit::SetSelText(value);
  FMode->AfterPaste();
}

void TvxCustomMaskEdit::PasteFromClipboard(TvxCustomInnerTextEdit& inner) {
  if (!IsMasked() || !ClipboardHasText()) {
    TvxCustomTextEdit::PasteFromClipboard(inner);
    return;
  }
  FMode->SetInsertedText(ClipboardText());
  FMode->BeforePaste();
  TvxCustomTextEdit::PasteFromClipboard(inner);
  FMode->AfterPaste();
}

bool TvxCustomMaskEdit::CanBlankSelection() {
  AnsiString newText;
  int caret = 0;
  return SelLength() > 0 && CanChangeSelText(AnsiString(), newText, caret);
}

void TvxCustomMaskEdit::BlankSelection() {
  {
    TvxFlagScope busy(FModeBusy);
    FMode->PressDelete();
  }
  // The WM_CHAR of Ctrl+X that sent a cut does not announce the change again.
  if (IvxInnerTextEdit* text = InnerTextEdit()) text->SetInternalUpdating(true);
}

void TvxCustomMaskEdit::CutToClipboard(TvxCustomInnerTextEdit& inner) {
  if (!IsStandardMasked()) {
    TvxCustomTextEdit::CutToClipboard(inner);
    return;
  }
  // A password is not cut (nor copied).
  if (ActiveProperties()->EchoMode() == eemPassword || !CanBlankSelection()) return;
  CopyToClipboard();
  BlankSelection();
}

void TvxCustomMaskEdit::ClearSelection(TvxCustomInnerTextEdit& inner) {
  if (!IsStandardMasked()) {
    TvxCustomTextEdit::ClearSelection(inner);
    return;
  }
  if (CanBlankSelection()) BlankSelection();
}

void TvxCustomMaskEdit::SelectAll() {
  TvxCustomTextEdit::SelectAll();
  if (IsMasked()) FMode->GotoEnd();
}

// --- Keys and mouse ---------------------------------------------------------------------------

void TvxCustomMaskEdit::KeyDown(WORD& key, TShiftState shift) {
  if (!FSending) TvxCustomTextEdit::KeyDown(key, shift);
}

void TvxCustomMaskEdit::KeyPress(char& key) {
  if (!FSending) TvxCustomTextEdit::KeyPress(key);
}

void TvxCustomMaskEdit::KeyUp(WORD& key, TShiftState shift) {
  if (!FSending) TvxCustomTextEdit::KeyUp(key, shift);
}

void TvxCustomMaskEdit::DoEditKeyDown(WORD& key, TShiftState shift) {
  FExpectChange = false;
  if (!IsMasked() || key == 0) {
    TvxCustomTextEdit::DoEditKeyDown(key, shift);
    return;
  }
  FShiftDown = (shift & ssShift) != 0;
  // A key that would change the text of an edit that may not be changed goes no further.
  if (!CanKeyDownProceed(key, shift)) {
    DoAfterKeyDown(key, shift);
    key = 0;
    return;
  }
  const bool ctrl = (shift & ssCtrl) != 0;
  TvxObjectLinkHolder link(this);
  // A mode operation; answers whether the key goes on (false: the mode moved the caret itself).
  auto run = [this](bool (TvxMaskEditCustomMode::*operation)()) {
    TvxFlagScope busy(FModeBusy);
    return (FMode.get()->*operation)();
  };
  // The key goes on to the text edit, or it is swallowed; at the text's edge the edit base
  // hears of it first.
  auto finish = [&](bool goesOn, bool atEdge) {
    if (link.Object() == nullptr) {
      key = 0;
      return;
    }
    if (goesOn) {
      TvxCustomTextEdit::DoEditKeyDown(key, shift);
      return;
    }
    if (atEdge) TvxCustomEdit::DoEditKeyDown(key, shift);
    key = 0;
  };
  switch (key) {
    case VK_TAB: TvxCustomTextEdit::DoEditKeyDown(key, shift); return;
    case VK_UP:
    case VK_DOWN:
      if (HasPopupWindow()) {
        TvxCustomTextEdit::DoEditKeyDown(key, shift);
      } else {
        TvxCustomEdit::DoEditKeyDown(key, shift);
        key = 0;
      }
      return;
    case VK_LEFT:
    case VK_RIGHT: {
      const bool left = key == VK_LEFT;
      if (ctrl) {
        // Ctrl+Left and Ctrl+Right: to the start or the end of the text.
        TvxFlagScope busy(FModeBusy);
        SendMaskKey(left ? VK_HOME : VK_END);
        if (left)
          FMode->PressHome();
        else
          FMode->PressEnd();
        key = 0;
        return;
      }
      const bool atEdge = left ? FMode->IsCursorBegin() : FMode->IsCursorEnd();
      finish(run(left ? &TvxMaskEditCustomMode::PressLeft : &TvxMaskEditCustomMode::PressRight), atEdge);
      return;
    }
    case VK_HOME: finish(run(&TvxMaskEditCustomMode::PressHome), false); return;
    case VK_END: finish(run(&TvxMaskEditCustomMode::PressEnd), false); return;
    case VK_DELETE: {
      if (FShiftDown && MaskSelLength() > 0) {
        TvxCustomTextEdit::DoEditKeyDown(key, shift);  // Shift+Delete cuts
        return;
      }
      const bool goesOn = run(&TvxMaskEditCustomMode::PressDelete);
      finish(goesOn, false);
      FExpectChange = goesOn && key != 0;
      return;
    }
  }
  TvxCustomTextEdit::DoEditKeyDown(key, shift);
}

void TvxCustomMaskEdit::DoEditKeyPress(char& key) {
  FExpectChange = false;
  if (!IsMasked()) {
    TvxCustomTextEdit::DoEditKeyPress(key);
    return;
  }
  if (key == '\t' || key == VK_ESCAPE) {
    key = 0;
    return;
  }
  if (!DoKeyPressFilter(key)) return;
  switch (key) {
    case '\r': return;
    case 0x03:
    case 0x16:
    case 0x18: TvxCustomTextEdit::DoEditKeyPress(key); return;
  }
  if (!CanModify()) {
    key = 0;
    return;
  }
  TvxObjectLinkHolder link(this);
  bool goesOn = false;
  {
    TvxFlagScope busy(FModeBusy);
    goesOn = key == '\b' ? FMode->PressBackspace() : FMode->PressSymbol(key);
  }
  if (link.Object() == nullptr || !goesOn) {
    key = 0;
    return;
  }
  FExpectChange = true;
}

void TvxCustomMaskEdit::ChangeHandler() {
  if (IsMasked() && !FModeBusy && !FExpectChange) FMode->TextChanged();
  FExpectChange = false;
  TvxCustomTextEdit::ChangeHandler();
}

void TvxCustomMaskEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TvxObjectLinkHolder link(this);
  TvxCustomTextEdit::MouseDown(button, shift, x, y);
  if (link.Object() != nullptr && button == TMouseButton::mbLeft && IsMasked()) FMode->SyncSelection();
}

// The inner edit hears of a press before the EDIT places the caret for it: the selection is
// made to fit the mask again once the button is released.
void TvxCustomMaskEdit::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TvxObjectLinkHolder link(this);
  TvxCustomTextEdit::MouseUp(button, shift, x, y);
  if (link.Object() != nullptr && button == TMouseButton::mbLeft && IsMasked()) FMode->SyncSelection();
}

void TvxCustomMaskEdit::MouseMove(TShiftState shift, int x, int y) {
  TvxObjectLinkHolder link(this);
  TvxCustomTextEdit::MouseMove(shift, x, y);
  if (link.Object() == nullptr || (shift & ssLeft) == 0 || !IsMasked()) return;
  const bool old = FShiftDown;
  FShiftDown = true;
  FMode->SyncSelection();
  FShiftDown = old;
}

void TvxCustomMaskEdit::DoEnter() {
  TvxObjectLinkHolder link(this);
  TvxCustomTextEdit::DoEnter();
  if (link.Object() == nullptr || !IsMasked()) return;
  FMode->ResetEmptyValue();
  FMode->GotoEnd();
  FMode->SyncSelection();
}

// --- Registration -----------------------------------------------------------------------------

void InitializevxMaskEdit() {
  GetRegisteredEditProperties().Register(TvxMaskEditProperties::PropertiesClass(),
                                         vxLoadResourceString(scxSEditRepositoryMaskItem));
}

void FinalizevxMaskEdit() { GetRegisteredEditProperties().Unregister(TvxMaskEditProperties::PropertiesClass()); }

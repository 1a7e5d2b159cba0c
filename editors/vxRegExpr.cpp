#include "editors/vxRegExpr.h"

#include "controls/vxClasses.h"
#include "controls/vxEditConsts.h"
#include "platform/rtl/FormatSettings.h"

#include <algorithm>

namespace {

// A bound in braces above this is refused: x{2000000000} would otherwise build two
// thousand million copies of x before anything could be typed.
constexpr int32_t kMaxQuantifierCount = 1000;
// Copies made by bounds and back references together may not add more states than this.
// Nested bounds multiply ((x{1000}){1000} is a million states) and nested back references
// can too, so a cap on each count alone does not bound the automaton.
constexpr int64_t kMaxCopiedStates = 100000;
// "(" may stand this deeply inside each other. The parser reads a block by recursion, so
// twenty thousand of them would otherwise overflow the stack.
constexpr int kMaxOpenBlocks = 256;
// The blocks that quantifiers, bounds and back references make may nest this deeply (the
// written blocks around them add at most kMaxOpenBlocks): copying, linking, marking the
// final items and freeing all recurse once per level. x{0,1000} alone nests a thousand
// optional copies inside each other; a+ followed by a run of "?" nests one block per "?".
constexpr int kMaxNestingDepth = 2048;

AnsiString CharText(char AChar) { return AnsiString(1, AChar); }

// The "%s" of a message: the character, or " ' " for a quote so that it stands out
// between the quotes of the message.
AnsiString CharArgument(const AnsiString& AText) { return AText == "'" ? AnsiString(" ' ") : AText; }

char UpperByte(char AChar) { return AnsiUpperCase(CharText(AChar))[0]; }

bool IsDigitChar(char AChar) { return AChar >= '0' && AChar <= '9'; }

int HexValue(char AChar) {
  if (AChar >= '0' && AChar <= '9') return AChar - '0';
  if (AChar >= 'A' && AChar <= 'F') return AChar - 'A' + 10;
  if (AChar >= 'a' && AChar <= 'f') return AChar - 'a' + 10;
  return -1;
}

bool IsLead(char AChar) { return IsLeadByte(static_cast<unsigned char>(AChar)); }

}  // namespace

// --- Errors -------------------------------------------------------------------------------

AnsiString TvxRegExprError::Text() const {
  AnsiString result;
  if (FLine > 0) {
    result = vxLoadResourceString(scxRegExprLine) + IntToStr(FLine);
    if (FCharPos > 0) result += ", " + vxLoadResourceString(scxRegExprChar) + IntToStr(FCharPos);
    result += ": ";
  }
  return result + FMessage;
}

void TvxRegExprErrors::Add(int32_t ACharPos, int32_t ALine, const AnsiString& AMessage) {
  FItems.push_back(std::make_unique<TvxRegExprError>(ACharPos, ALine, AMessage));
}

// --- One-character tests ------------------------------------------------------------------

bool TvxRegExprSymbol::Check(char& AChar, bool ACaseInsensitive) const {
  if (AChar == FChar) return true;
  if (ACaseInsensitive && !FTrailByte && UpperByte(AChar) == UpperByte(FChar)) {
    AChar = FChar;
    return true;
  }
  return false;
}

std::unique_ptr<TvxRegExprItem> TvxRegExprSymbol::Clone() const {
  return std::make_unique<TvxRegExprSymbol>(FChar, FTrailByte);
}

bool TvxRegExprTimeSeparator::Check(char& AChar, bool) const {
  return AChar == GetFormatSettings().TimeSeparator;
}

std::unique_ptr<TvxRegExprItem> TvxRegExprTimeSeparator::Clone() const {
  return std::make_unique<TvxRegExprTimeSeparator>();
}

bool TvxRegExprDateSeparator::Check(char& AChar, bool) const {
  return AChar == GetFormatSettings().DateSeparator;
}

std::unique_ptr<TvxRegExprItem> TvxRegExprDateSeparator::Clone() const {
  return std::make_unique<TvxRegExprDateSeparator>();
}

bool TvxRegExprSubrange::Check(char& AChar, bool) const {
  auto c = static_cast<unsigned char>(AChar);
  return c >= static_cast<unsigned char>(FFirst) && c <= static_cast<unsigned char>(FLast);
}

std::unique_ptr<TvxRegExprItem> TvxRegExprSubrange::Clone() const {
  return std::make_unique<TvxRegExprSubrange>(FFirst, FLast);
}

bool TvxRegExprUserEnumeration::Check(char& AChar, bool ACaseInsensitive) const {
  bool found = false;
  for (const auto& item : FItems) {
    if (item->Check(AChar, ACaseInsensitive)) {
      found = true;
      break;
    }
  }
  return found != FNegative;
}

std::unique_ptr<TvxRegExprItem> TvxRegExprUserEnumeration::Clone() const {
  auto result = std::make_unique<TvxRegExprUserEnumeration>(FNegative);
  for (const auto& item : FItems) result->Add(item->Clone());
  return result;
}

bool TvxRegExprDigit::Check(char& AChar, bool) const { return IsDigitChar(AChar) != FNegative; }

std::unique_ptr<TvxRegExprItem> TvxRegExprDigit::Clone() const {
  return std::make_unique<TvxRegExprDigit>(FNegative);
}

bool TvxRegExprIdLetter::Check(char& AChar, bool) const {
  bool letter = (AChar >= 'a' && AChar <= 'z') || (AChar >= 'A' && AChar <= 'Z') || AChar == '_' ||
                IsDigitChar(AChar);
  return letter != FNegative;
}

std::unique_ptr<TvxRegExprItem> TvxRegExprIdLetter::Clone() const {
  return std::make_unique<TvxRegExprIdLetter>(FNegative);
}

bool TvxRegExprSpace::IsSpace(char AChar) {
  return AChar == ' ' || AChar == '\0' || AChar == '\t' || AChar == '\n' || AChar == '\f' ||
         AChar == '\r';
}

bool TvxRegExprSpace::Check(char& AChar, bool) const { return IsSpace(AChar) != FNegative; }

std::unique_ptr<TvxRegExprItem> TvxRegExprSpace::Clone() const {
  return std::make_unique<TvxRegExprSpace>(FNegative);
}

bool TvxRegExprAll::Check(char&, bool) const { return true; }

std::unique_ptr<TvxRegExprItem> TvxRegExprAll::Clone() const {
  return std::make_unique<TvxRegExprAll>();
}

// --- Quantifiers --------------------------------------------------------------------------

std::unique_ptr<TvxRegExprQuantifier> TvxRegExprSimpleQuantifier::Clone() const {
  return std::make_unique<TvxRegExprSimpleQuantifier>();
}

std::unique_ptr<TvxRegExprQuantifier> TvxRegExprQuestionQuantifier::Clone() const {
  return std::make_unique<TvxRegExprQuestionQuantifier>();
}

std::unique_ptr<TvxRegExprQuantifier> TvxRegExprStarQuantifier::Clone() const {
  return std::make_unique<TvxRegExprStarQuantifier>();
}

std::unique_ptr<TvxRegExprQuantifier> TvxRegExprPlusQuantifier::Clone() const {
  return std::make_unique<TvxRegExprPlusQuantifier>();
}

// --- States -------------------------------------------------------------------------------

void TvxRegExprStates::Add(TvxRegExprStates&& AStates) {
  if (FItems.empty()) {
    FItems = std::move(AStates.FItems);
  } else {
    FItems.insert(FItems.end(), AStates.FItems.begin(), AStates.FItems.end());
  }
  AStates.FItems.clear();
}

TvxRegExprStates TvxRegExprSimpleState::Next(char& AChar, bool ACaseInsensitive) {
  TvxRegExprStates result;
  if (FItem && FItem->Check(AChar, ACaseInsensitive)) result.Add(this);
  return result;
}

std::unique_ptr<TvxRegExprState> TvxRegExprSimpleState::Clone() const {
  auto result = std::make_unique<TvxRegExprSimpleState>(FItem ? FItem->Clone() : nullptr);
  result->FFinal = FFinal;
  return result;
}

TvxRegExprStates TvxRegExprSimpleState::GetSimpleStates() {
  TvxRegExprStates result;
  result.Add(this);
  return result;
}

// One walk through the automaton, passing through the empty transitions of the blocks. Each
// state is looked at once however many paths lead to it: a run of optional blocks such as
// (a?)?(a?)?... doubles its paths with every block, so following each path would take
// longer than a user waits after a few dozen blocks. The marks come off when the walk ends.
class TvxRegExprStateWalk {
public:
  // AVisited and APending: empty lists that the walk fills and leaves empty again; the
  // automaton lends its own, so that their room stays from one keystroke to the next.
  TvxRegExprStateWalk(std::vector<TvxRegExprState*>& AVisited, std::vector<TvxRegExprState*>& APending)
      : FVisited(AVisited), FPending(APending) {}
  TvxRegExprStateWalk(const TvxRegExprStateWalk&) = delete;
  TvxRegExprStateWalk& operator=(const TvxRegExprStateWalk&) = delete;
  ~TvxRegExprStateWalk() {
    for (TvxRegExprState* state : FVisited) state->FMarked = false;
    FVisited.clear();
    FPending.clear();
  }

  // Hands AVisit each simple state reached from the successors of AFrom that this walk has
  // not reached before, in the order a depth-first walk along the successor lists meets them.
  template <class TVisit>
  void FromSuccessors(TvxRegExprState& AFrom, TVisit& AVisit) {
    TvxRegExprStates& successors = AFrom.States();
    for (int i = 0; i < successors.Count(); ++i) From(successors.Items(i), AVisit);
  }

  int64_t Visited() const { return static_cast<int64_t>(FVisited.size()); }

private:
  template <class TVisit>
  void From(TvxRegExprState* ARoot, TVisit& AVisit) {
    FPending.push_back(ARoot);
    while (!FPending.empty()) {
      TvxRegExprState* state = FPending.back();
      FPending.pop_back();
      if (state->FMarked) continue;
      state->FMarked = true;
      FVisited.push_back(state);
      if (!state->IsEmptyTransition()) {
        AVisit(static_cast<TvxRegExprSimpleState*>(state));
        continue;
      }
      // Pushed last to first, so that the first successor is looked at first.
      TvxRegExprStates& next = state->States();
      for (int i = next.Count() - 1; i >= 0; --i) {
        if (!next.Items(i)->FMarked) FPending.push_back(next.Items(i));
      }
    }
  }

  std::vector<TvxRegExprState*>& FVisited;
  std::vector<TvxRegExprState*>& FPending;
};

namespace {

// Gathers the simple states that take one typed character. Each of them tests the character
// as it was typed: a case-insensitive symbol gives back its own case, and handing that on to
// the states after it would make (a1|[A-Z]2) refuse "A2". The character keeps its typed form
// when some state takes it so, and otherwise comes back in the case of the first state that
// took it; either way the text given back is taken again when it is typed anew.
class TCharTaker {
public:
  TCharTaker(char AChar, bool ACaseInsensitive)
      : FTyped(AChar), FRewritten(AChar), FCaseInsensitive(ACaseInsensitive) {}

  void operator()(TvxRegExprSimpleState* AState) {
    const TvxRegExprItem* item = AState->Item();
    char c = FTyped;
    if (!item || !item->Check(c, FCaseInsensitive)) return;
    FTaken.Add(AState);
    if (c == FTyped) {
      FAsTyped = true;
    } else if (!FHasRewritten) {
      FHasRewritten = true;
      FRewritten = c;
    }
  }

  TvxRegExprStates& Taken() { return FTaken; }
  char Stored() const { return FAsTyped ? FTyped : FRewritten; }

private:
  TvxRegExprStates FTaken;
  char FTyped;
  char FRewritten;
  bool FCaseInsensitive;
  bool FAsTyped = false;
  bool FHasRewritten = false;
};

struct TSimpleStateCollector {
  TvxRegExprStates States;
  void operator()(TvxRegExprSimpleState* AState) { States.Add(AState); }
};

}  // namespace

TvxRegExprStates TvxRegExprBlockState::Next(char& AChar, bool ACaseInsensitive) {
  TCharTaker taker(AChar, ACaseInsensitive);
  std::vector<TvxRegExprState*> visited, pending;
  TvxRegExprStateWalk walk(visited, pending);
  walk.FromSuccessors(*this, taker);
  if (taker.Taken().Count() > 0) AChar = taker.Stored();
  return std::move(taker.Taken());
}

std::unique_ptr<TvxRegExprState> TvxRegExprBlockState::Clone() const {
  return std::make_unique<TvxRegExprBlockState>();
}

TvxRegExprStates TvxRegExprBlockState::GetSimpleStates() {
  TSimpleStateCollector collector;
  std::vector<TvxRegExprState*> visited, pending;
  TvxRegExprStateWalk walk(visited, pending);
  walk.FromSuccessors(*this, collector);
  return std::move(collector.States);
}

// --- Parse tree ---------------------------------------------------------------------------

TvxRegExprParserItem::TvxRegExprParserItem()
    : FQuantifier(std::make_unique<TvxRegExprSimpleQuantifier>()) {}

void TvxRegExprParserItem::SetQuantifier(std::unique_ptr<TvxRegExprQuantifier> AQuantifier) {
  FQuantifier = std::move(AQuantifier);
}

bool TvxRegExprParserItem::HasSimpleQuantifier() const {
  return dynamic_cast<const TvxRegExprSimpleQuantifier*>(FQuantifier.get()) != nullptr;
}

TvxRegExprParserSimpleItem::TvxRegExprParserSimpleItem(std::unique_ptr<TvxRegExprItem> AItem)
    : FState(std::make_unique<TvxRegExprSimpleState>(std::move(AItem))) {}

TvxRegExprParserSimpleItem::TvxRegExprParserSimpleItem(std::unique_ptr<TvxRegExprSimpleState> AState)
    : FState(std::move(AState)) {}

bool TvxRegExprParserSimpleItem::CanMissing() const { return Quantifier().CanMissing(); }

std::unique_ptr<TvxRegExprParserItem> TvxRegExprParserSimpleItem::Clone() const {
  auto state = FState->Clone();
  auto result = std::make_unique<TvxRegExprParserSimpleItem>(
      std::unique_ptr<TvxRegExprSimpleState>(static_cast<TvxRegExprSimpleState*>(state.release())));
  result->SetQuantifier(Quantifier().Clone());
  return result;
}

AnsiString TvxRegExprParserSimpleItem::GetDump() const {
  return "item --> " + Quantifier().GetText() + "\r\n";
}

void TvxRegExprParserSimpleItem::SetFinal() { FState->SetFinal(true); }

std::unique_ptr<TvxRegExprParserItem> TvxRegExprParserAlt::Replace(
    int AIndex, std::unique_ptr<TvxRegExprParserItem> AItem) {
  auto& slot = FItems[static_cast<size_t>(AIndex)];
  auto old = std::move(slot);
  slot = std::move(AItem);
  return old;
}

std::unique_ptr<TvxRegExprParserAlt> TvxRegExprParserAlt::Clone() const {
  auto result = std::make_unique<TvxRegExprParserAlt>();
  for (const auto& item : FItems) result->Add(item->Clone());
  return result;
}

AnsiString TvxRegExprParserAlt::GetDump() const {
  AnsiString result = "<Start_Alt>\r\n";
  for (const auto& item : FItems) result += item->GetDump();
  return result + "<Finish_Alt>\r\n";
}

bool TvxRegExprParserAlt::CanBeEmpty() const {
  for (const auto& item : FItems) {
    if (!item->CanMissing()) return false;
  }
  return true;
}

bool TvxRegExprParserAlt::QuantifiersCanBeEmpty() const {
  for (const auto& item : FItems) {
    if (!item->Quantifier().CanMissing()) return false;
  }
  return true;
}

void TvxRegExprParserAlt::SetFinal() {
  // Walk back while the input may end before the item: that is the case not only for an
  // item whose quantifier allows it to be left out, but also for a block whose contents
  // can all be left out (a(b?), or x{0,2} which becomes a block of optional copies).
  // Judging by the quantifier alone would leave "a" incomplete under a(b?).
  for (auto it = FItems.rbegin(); it != FItems.rend(); ++it) {
    (*it)->SetFinal();
    if (!(*it)->CanMissing()) break;
  }
}

std::unique_ptr<TvxRegExprParserAlts> TvxRegExprParserAlts::Clone() const {
  auto result = std::make_unique<TvxRegExprParserAlts>();
  for (const auto& alt : FItems) result->Add(alt->Clone());
  return result;
}

AnsiString TvxRegExprParserAlts::GetDump() const {
  AnsiString result;
  for (const auto& alt : FItems) result += alt->GetDump();
  return result;
}

TvxRegExprParserBlockItem::TvxRegExprParserBlockItem()
    : FEntry(std::make_unique<TvxRegExprBlockState>()),
      FExit(std::make_unique<TvxRegExprBlockState>()),
      FAlts(std::make_unique<TvxRegExprParserAlts>()) {}

void TvxRegExprParserBlockItem::Summarize() const {
  if (FSummarized) return;
  int depth = 0;
  bool canBeEmpty = false;
  for (int a = 0; a < FAlts->Count(); ++a) {
    const TvxRegExprParserAlt& alt = *FAlts->Items(a);
    canBeEmpty = canBeEmpty || alt.CanBeEmpty();
    for (int i = 0; i < alt.Count(); ++i) depth = std::max(depth, alt.Items(i)->NestingDepth());
  }
  FNestingDepth = depth + 1;
  FContentsCanBeEmpty = canBeEmpty;
  FSummarized = true;
}

bool TvxRegExprParserBlockItem::CanMissing() const {
  if (Quantifier().CanMissing()) return true;
  Summarize();
  return FContentsCanBeEmpty;
}

int TvxRegExprParserBlockItem::NestingDepth() const {
  Summarize();
  return FNestingDepth;
}

std::unique_ptr<TvxRegExprParserItem> TvxRegExprParserBlockItem::Clone() const {
  auto result = std::make_unique<TvxRegExprParserBlockItem>();
  result->FAlts = FAlts->Clone();
  result->SetQuantifier(Quantifier().Clone());
  return result;
}

AnsiString TvxRegExprParserBlockItem::GetDump() const {
  return "<Start_Block>\r\n" + FAlts->GetDump() + "<Finish_Block> --> " + Quantifier().GetText() +
         "\r\n";
}

void TvxRegExprParserBlockItem::SetFinal() {
  for (int i = 0; i < FAlts->Count(); ++i) FAlts->Items(i)->SetFinal();
}

// --- Linking ------------------------------------------------------------------------------

namespace {

TvxRegExprState* FirstState(TvxRegExprParserItem* AItem) {
  if (auto* block = dynamic_cast<TvxRegExprParserBlockItem*>(AItem)) return block->Entry();
  return static_cast<TvxRegExprParserSimpleItem*>(AItem)->State();
}

TvxRegExprState* LastState(TvxRegExprParserItem* AItem) {
  if (auto* block = dynamic_cast<TvxRegExprParserBlockItem*>(AItem)) return block->Exit();
  return static_cast<TvxRegExprParserSimpleItem*>(AItem)->State();
}

// Links the parse tree into successor lists. Each item is followed by the items that may be
// entered after it: up to and including the first one that must occur. Listing them all at
// each item would give a run of n optional items n*n/2 successors (a? written 30,000 times
// passes a gigabyte), so a run is chained through one empty transition per optional item
// instead, which leads to that item and to the link of the run's rest.
class TLinker {
public:
  TLinker(std::vector<std::unique_ptr<TvxRegExprBlockState>>& ALinks, std::vector<TvxRegExprState*>& AAllStates)
      : FLinks(ALinks), FAllStates(AAllStates) {}

  // Links the items of one alternative to each other and, inside a block, its last items to
  // the block's exit (AExit; none at the top level, where the last items are final instead).
  // Returns the state through which the alternative is entered (none when it is empty).
  TvxRegExprState* LinkAlt(const TvxRegExprParserAlt& AAlt, TvxRegExprState* AExit) {
    const int count = AAlt.Count();
    // entries[i]: what may be entered from position i on; entries[count] is nothing.
    std::vector<TvxRegExprState*> entries(static_cast<size_t>(count) + 1, nullptr);
    for (int i = count - 1; i >= 0; --i) {
      TvxRegExprParserItem* item = AAlt.Items(i);
      if (!item->Quantifier().CanMissing() || i + 1 == count) {
        entries[i] = FirstState(item);
        continue;
      }
      auto link = std::make_unique<TvxRegExprBlockState>();
      link->States().Add(FirstState(item));
      link->States().Add(entries[i + 1]);
      entries[i] = link.get();
      FAllStates.push_back(link.get());
      FLinks.push_back(std::move(link));
    }
    for (int i = 0; i < count; ++i) LinkItem(AAlt.Items(i), entries[i + 1]);
    if (AExit) {
      for (int i = count - 1; i >= 0; --i) {
        LastState(AAlt.Items(i))->States().Add(AExit);
        if (!AAlt.Items(i)->Quantifier().CanMissing()) break;
      }
    }
    return entries[0];
  }

private:
  // AFollow: what may be entered after the item (none at the end of its alternative).
  void LinkItem(TvxRegExprParserItem* AItem, TvxRegExprState* AFollow) {
    bool repeat = AItem->Quantifier().CanRepeat();
    auto* block = dynamic_cast<TvxRegExprParserBlockItem*>(AItem);
    if (!block) {
      TvxRegExprState* state = static_cast<TvxRegExprParserSimpleItem*>(AItem)->State();
      FAllStates.push_back(state);
      if (AFollow) state->States().Add(AFollow);
      if (repeat) state->States().Add(state);
      return;
    }
    FAllStates.push_back(block->Entry());
    FAllStates.push_back(block->Exit());
    if (AFollow) block->Exit()->States().Add(AFollow);
    if (repeat) block->Exit()->States().Add(block->Entry());
    TvxRegExprParserAlts& alts = block->Alts();
    bool canBeEmpty = false;
    for (int a = 0; a < alts.Count(); ++a) {
      if (TvxRegExprState* first = LinkAlt(*alts.Items(a), block->Exit())) block->Entry()->States().Add(first);
      canBeEmpty = canBeEmpty || alts.Items(a)->QuantifiersCanBeEmpty();
    }
    if (canBeEmpty) block->Entry()->States().Add(block->Exit());
  }

  std::vector<std::unique_ptr<TvxRegExprBlockState>>& FLinks;
  std::vector<TvxRegExprState*>& FAllStates;
};

// The states a copy of AItem adds: one for a simple item; for a block its entry and exit,
// one for each alternative (a copy costs its list even when it is empty) and its contents.
// Counting stops once the count passes ALimit, so that a copy the budget cannot afford is
// refused after looking at no more than the budget.
int64_t CountStates(const TvxRegExprParserItem& AItem, int64_t ALimit) {
  auto* block = dynamic_cast<const TvxRegExprParserBlockItem*>(&AItem);
  if (!block) return 1;
  int64_t count = 2;
  for (int a = 0; a < block->Alts().Count() && count <= ALimit; ++a) {
    const TvxRegExprParserAlt& alt = *block->Alts().Items(a);
    ++count;
    for (int i = 0; i < alt.Count() && count <= ALimit; ++i) count += CountStates(*alt.Items(i), ALimit - count);
  }
  return count;
}

}  // namespace

// --- Automaton ----------------------------------------------------------------------------

TvxRegExprAutomat::TvxRegExprAutomat(TvxRegExpr& AOwner, std::unique_ptr<TvxRegExprParserAlts> AAlts)
    : FAlts(std::move(AAlts)), FOwner(AOwner),
      FStartState(std::make_unique<TvxRegExprSimpleState>(nullptr)) {
  FAllStates.push_back(FStartState.get());
  TLinker linker(FLinks, FAllStates);
  bool startFinal = false;
  for (int a = 0; a < FAlts->Count(); ++a) {
    TvxRegExprParserAlt& alt = *FAlts->Items(a);
    if (TvxRegExprState* first = linker.LinkAlt(alt, nullptr)) FStartState->States().Add(first);
    alt.SetFinal();
    // As for the final items: an alternative that can be typed empty makes the empty input
    // complete, judged by its contents and not by its quantifiers alone.
    startFinal = startFinal || alt.CanBeEmpty();
  }
  FStartState->SetFinal(startFinal);
  FCurrent.Add(FStartState.get());
}

bool TvxRegExprAutomat::IsFinalList(const TvxRegExprStates& AStates) {
  for (int i = 0; i < AStates.Count(); ++i) {
    auto* state = static_cast<TvxRegExprSimpleState*>(AStates.Items(i));
    if (state->Final()) return true;
  }
  return false;
}

int64_t TvxRegExprAutomat::TransitionCount() const {
  int64_t count = 0;
  for (TvxRegExprState* state : FAllStates) count += state->States().Count();
  return count;
}

TvxRegExprStates TvxRegExprAutomat::FollowingSimpleStates(const TvxRegExprStates& AStates) {
  TSimpleStateCollector collector;
  TvxRegExprStateWalk walk(FWalkVisited, FWalkPending);
  for (int i = 0; i < AStates.Count(); ++i) walk.FromSuccessors(*AStates.Items(i), collector);
  FVisited += walk.Visited();
  return std::move(collector.States);
}

bool TvxRegExprAutomat::IsSingleLiteral(const TvxRegExprStates& AStates, char& AChar) {
  if (AStates.Count() == 0) return false;
  for (int i = 0; i < AStates.Count(); ++i) {
    auto* state = dynamic_cast<TvxRegExprSimpleState*>(AStates.Items(i));
    if (!state || !state->Item()) return false;
    const TvxRegExprItem* item = state->Item();
    char c;
    if (auto* symbol = dynamic_cast<const TvxRegExprSymbol*>(item)) {
      c = symbol->Symbol();
    } else if (dynamic_cast<const TvxRegExprTimeSeparator*>(item)) {
      c = GetFormatSettings().TimeSeparator;
    } else if (dynamic_cast<const TvxRegExprDateSeparator*>(item)) {
      c = GetFormatSettings().DateSeparator;
    } else {
      return false;
    }
    if (i > 0 && c != AChar) return false;
    AChar = c;
  }
  return true;
}

bool TvxRegExprAutomat::Next(char& AChar, bool ACaseInsensitive, bool AAutoComplete) {
  TCharTaker taker(AChar, ACaseInsensitive);
  {
    // Ends (and takes its marks off) before the forced literals below walk again.
    TvxRegExprStateWalk walk(FWalkVisited, FWalkPending);
    for (int i = 0; i < FCurrent.Count(); ++i) walk.FromSuccessors(*FCurrent.Items(i), taker);
    FVisited += walk.Visited();
  }
  if (taker.Taken().Count() == 0) return false;
  AChar = taker.Stored();
  FHistory.push_back(std::move(FCurrent));
  FCurrent = std::move(taker.Taken());
  if (AAutoComplete && !IsFinal()) CompleteForward();
  return true;
}

void TvxRegExprAutomat::CompleteForward() {
  // Ends: every state can reach a final one, so a run of one forced character either
  // reaches a final list or meets a point where another character may follow.
  while (!IsFinalList(FCurrent)) {
    TvxRegExprStates following = FollowingSimpleStates(FCurrent);
    char symbol = 0;
    if (!IsSingleLiteral(following, symbol)) break;
    FOwner.DoSymbolAdd(symbol);
    FHistory.push_back(std::move(FCurrent));
    FCurrent = std::move(following);
  }
}

bool TvxRegExprAutomat::Prev(bool AAutoComplete) {
  if (AAutoComplete) {
    char symbol = 0;
    while (IsSingleLiteral(FCurrent, symbol) && !FHistory.empty()) {
      const TvxRegExprStates& below = FHistory.back();
      char forced = 0;
      if (IsFinalList(below) || !IsSingleLiteral(FollowingSimpleStates(below), forced)) break;
      FOwner.DoSymbolDelete();
      FCurrent = std::move(FHistory.back());
      FHistory.pop_back();
    }
  }
  if (FHistory.empty()) return false;
  FCurrent = std::move(FHistory.back());
  FHistory.pop_back();
  return true;
}

void TvxRegExprAutomat::Reset() {
  FHistory.clear();
  FCurrent = TvxRegExprStates();
  FCurrent.Add(FStartState.get());
}

bool TvxRegExprAutomat::IsFinal() const { return IsFinalList(FCurrent); }

bool TvxRegExprAutomat::IsStart() const {
  return FCurrent.Count() > 0 && FCurrent.Items(0) == FStartState.get();
}

// --- Parser -------------------------------------------------------------------------------

// Reads the lexem list of an expression into a parse tree, recording every error it meets
// and going on after it.
class TvxRegExprParser {
public:
  explicit TvxRegExprParser(TvxRegExpr& AOwner) : FOwner(AOwner) {}
  std::unique_ptr<TvxRegExprParserAlts> Parse();

private:
  enum class TAltEnd { aeLast, aeMore };

  const TvxLexem* Peek(int AOffset = 0) const;
  const TvxLexem* Read();
  static bool IsOperator(const TvxLexem* ALexem, char AChar) {
    return ALexem && ALexem->Kind == lkOperator && ALexem->Value.size() == 1 && ALexem->Value[0] == AChar;
  }
  void Error(const TvxLexem& ALexem, const AnsiString& AMessage) {
    FOwner.AddError(ALexem.CharPos, ALexem.Line, AMessage);
  }

  void ParseAlts(TvxRegExprParserAlts& AAlts, bool AInBlock);
  TAltEnd ParseAlt(TvxRegExprParserAlt& AAlt, bool AInBlock);
  void ParseQuantifier(TvxRegExprParserAlt& AAlt, int ALast, const TvxLexem& ALexem);
  void ParseParameterQuantifier(TvxRegExprParserAlt& AAlt, int ALast, const TvxLexem& ABrace);
  bool ReadBound(const TvxLexem* ALexem, int32_t& AValue, bool& ATooBig);
  bool ParseEnumeration(TvxRegExprParserAlt& AAlt);
  std::unique_ptr<TvxRegExprItem> ClassItem(const TvxLexem& ALexem);
  // Room for ACopies more copies of AItem.
  bool CanCopy(const TvxRegExprParserItem& AItem, int64_t ACopies);
  static std::unique_ptr<TvxRegExprParserItem> WithQuantifier(
      std::unique_ptr<TvxRegExprParserItem> AItem, std::unique_ptr<TvxRegExprQuantifier> AQuantifier);

  TvxRegExpr& FOwner;
  int64_t FCopiedStates = 0;
  bool FBudgetSpent = false;
};

const TvxLexem* TvxRegExprParser::Peek(int AOffset) const {
  int index = FOwner.FLexemIndex + AOffset;
  return index < FOwner.FLexems.Count() ? &FOwner.FLexems.Items(index) : nullptr;
}

const TvxLexem* TvxRegExprParser::Read() {
  const TvxLexem* lexem = Peek();
  if (lexem) ++FOwner.FLexemIndex;
  return lexem;
}

std::unique_ptr<TvxRegExprParserAlts> TvxRegExprParser::Parse() {
  auto alts = std::make_unique<TvxRegExprParserAlts>();
  ParseAlts(*alts, false);
  return alts;
}

void TvxRegExprParser::ParseAlts(TvxRegExprParserAlts& AAlts, bool AInBlock) {
  TAltEnd end;
  do {
    // Listed before it is parsed, so that a back reference inside the block sees what has
    // been read of it so far.
    AAlts.Add(std::make_unique<TvxRegExprParserAlt>());
    end = ParseAlt(*AAlts.Items(AAlts.Count() - 1), AInBlock);
  } while (end == TAltEnd::aeMore);
}

bool TvxRegExprParser::CanCopy(const TvxRegExprParserItem& AItem, int64_t ACopies) {
  if (ACopies <= 0) return true;
  // Once the budget has come up short every later copy is refused without counting: a
  // long run of back references to a large block would otherwise count it once for each.
  if (FBudgetSpent) return false;
  int64_t room = kMaxCopiedStates - FCopiedStates;
  int64_t states = CountStates(AItem, room / ACopies) * ACopies;
  if (states > room) {
    FBudgetSpent = true;
    return false;
  }
  FCopiedStates += states;
  return true;
}

std::unique_ptr<TvxRegExprParserItem> TvxRegExprParser::WithQuantifier(
    std::unique_ptr<TvxRegExprParserItem> AItem, std::unique_ptr<TvxRegExprQuantifier> AQuantifier) {
  if (AItem->HasSimpleQuantifier()) {
    AItem->SetQuantifier(std::move(AQuantifier));
    return AItem;
  }
  // The item keeps its own quantifier: a+ followed by ? is the whole a+, optionally.
  auto block = std::make_unique<TvxRegExprParserBlockItem>();
  block->SetQuantifier(std::move(AQuantifier));
  auto alt = std::make_unique<TvxRegExprParserAlt>();
  alt->Add(std::move(AItem));
  block->Alts().Add(std::move(alt));
  return block;
}

std::unique_ptr<TvxRegExprItem> TvxRegExprParser::ClassItem(const TvxLexem& ALexem) {
  switch (ALexem.Kind) {
    case lkAny: return std::make_unique<TvxRegExprAll>();
    case lkIdLetter: return std::make_unique<TvxRegExprIdLetter>(false);
    case lkNotIdLetter: return std::make_unique<TvxRegExprIdLetter>(true);
    case lkDigit: return std::make_unique<TvxRegExprDigit>(false);
    case lkNotDigit: return std::make_unique<TvxRegExprDigit>(true);
    case lkSpace: return std::make_unique<TvxRegExprSpace>(false);
    case lkNotSpace: return std::make_unique<TvxRegExprSpace>(true);
    case lkDateSeparator: return std::make_unique<TvxRegExprDateSeparator>();
    case lkTimeSeparator: return std::make_unique<TvxRegExprTimeSeparator>();
    default: return nullptr;
  }
}

TvxRegExprParser::TAltEnd TvxRegExprParser::ParseAlt(TvxRegExprParserAlt& AAlt, bool AInBlock) {
  const TvxLexem* lexem = Peek();
  if (!lexem) {
    FOwner.AddError(0, 0, vxLoadResourceString(scxRegExprCantCreateEmptyAlt));
    return TAltEnd::aeLast;
  }
  if (IsOperator(lexem, '|')) {
    Read();
    Error(*lexem, vxLoadResourceString(scxRegExprCantCreateEmptyAlt));
    return TAltEnd::aeMore;
  }
  if (AInBlock && IsOperator(lexem, ')')) {
    Read();
    Error(*lexem, vxLoadResourceString(scxRegExprCantCreateEmptyBlock));
    return TAltEnd::aeLast;
  }
  int last = -1;  // the item a quantifier applies to
  while ((lexem = Read()) != nullptr) {
    switch (lexem->Kind) {
      case lkSymbol:
        AAlt.Add(std::make_unique<TvxRegExprParserSimpleItem>(
            std::make_unique<TvxRegExprSymbol>(lexem->Value[0], lexem->TrailByte)));
        last = AAlt.Count() - 1;
        break;
      case lkAny: case lkIdLetter: case lkNotIdLetter: case lkDigit: case lkNotDigit:
      case lkSpace: case lkNotSpace: case lkDateSeparator: case lkTimeSeparator:
        AAlt.Add(std::make_unique<TvxRegExprParserSimpleItem>(ClassItem(*lexem)));
        last = AAlt.Count() - 1;
        break;
      case lkInteger:
        Error(*lexem, vxLoadResourceString(scxRegExprIllegalIntegerValue));
        break;
      case lkReference: {
        size_t number = static_cast<size_t>(lexem->Value[0] - '0');
        if (number > FOwner.FBlocks.size()) {
          Error(*lexem, vxLoadResourceString(scxRegExprTooBigReferenceNumber));
          break;
        }
        TvxRegExprParserBlockItem* block = FOwner.FBlocks[number - 1];
        // Blocks holding references can double at each level; the copy budget keeps
        // such a pattern from filling the memory. The copy is measured, not the block: a
        // reference inside the block itself copies what has been read of it so far.
        std::unique_ptr<TvxRegExprParserItem> copy;
        if (CanCopy(*block, 1)) copy = block->Clone();
        if (!copy || copy->NestingDepth() > kMaxNestingDepth) {
          Error(*lexem, vxLoadResourceString(scxRegExprTooBigReferenceNumber));
          break;
        }
        AAlt.Add(std::move(copy));
        last = AAlt.Count() - 1;
        break;
      }
      case lkOperator:
        switch (lexem->Value[0]) {
          case '|':
            return TAltEnd::aeMore;
          case ')':
            if (AInBlock) return TAltEnd::aeLast;
            Error(*lexem, vxFormatResourceString(scxRegExprIllegalSymbol, ")"));
            break;
          case '(': {
            auto block = std::make_unique<TvxRegExprParserBlockItem>();
            FOwner.FBlocks.push_back(block.get());
            ParseAlts(block->Alts(), true);
            AAlt.Add(std::move(block));
            last = AAlt.Count() - 1;
            break;
          }
          case '[':
            if (ParseEnumeration(AAlt)) last = AAlt.Count() - 1;
            break;
          case '*': case '+': case '?':
            ParseQuantifier(AAlt, last, *lexem);
            break;
          case '{':
            ParseParameterQuantifier(AAlt, last, *lexem);
            break;
          case ',':
            break;
          default:
            Error(*lexem, vxFormatResourceString(scxRegExprIllegalSymbol, CharArgument(lexem->Value)));
            break;
        }
        break;
      default:
        break;
    }
  }
  return TAltEnd::aeLast;
}

void TvxRegExprParser::ParseQuantifier(TvxRegExprParserAlt& AAlt, int ALast, const TvxLexem& ALexem) {
  char kind = ALexem.Value[0];
  if (ALast < 0) {
    Error(ALexem, vxFormatResourceString(scxRegExprIllegalQuantifier, ALexem.Value));
    return;
  }
  // A repeated item that may be empty would let the automaton loop without reading.
  if (kind != '?' && AAlt.Items(ALast)->CanMissing()) {
    Error(ALexem, vxLoadResourceString(kind == '*' ? scxRegExprCantUseStarQuantifier
                                                   : scxRegExprCantUsePlusQuantifier));
    return;
  }
  // An item that has a quantifier already is wrapped into a block (a+? is the whole a+,
  // optionally), one level deeper.
  const TvxRegExprParserItem& item = *AAlt.Items(ALast);
  if (!item.HasSimpleQuantifier() && item.NestingDepth() >= kMaxNestingDepth) {
    Error(ALexem, vxFormatResourceString(scxRegExprIllegalQuantifier, ALexem.Value));
    return;
  }
  std::unique_ptr<TvxRegExprQuantifier> quantifier;
  if (kind == '*') quantifier = std::make_unique<TvxRegExprStarQuantifier>();
  else if (kind == '+') quantifier = std::make_unique<TvxRegExprPlusQuantifier>();
  else quantifier = std::make_unique<TvxRegExprQuestionQuantifier>();
  AAlt.Replace(ALast, WithQuantifier(AAlt.Replace(ALast, nullptr), std::move(quantifier)));
}

bool TvxRegExprParser::ReadBound(const TvxLexem* ALexem, int32_t& AValue, bool& ATooBig) {
  if (!ALexem || ALexem->Kind != lkInteger) return false;
  AValue = 0;
  for (char digit : ALexem->Value) {
    AValue = AValue * 10 + (digit - '0');
    if (AValue > kMaxQuantifierCount) {  // also keeps the value in range
      ATooBig = true;
      return false;
    }
  }
  return true;
}

void TvxRegExprParser::ParseParameterQuantifier(TvxRegExprParserAlt& AAlt, int ALast,
                                                const TvxLexem& ABrace) {
  if (ALast < 0) {
    Error(ABrace, vxLoadResourceString(scxRegExprIncorrectParameterQuantifier));
    return;
  }
  int32_t low = 0, high = 0;
  bool unbounded = false, ok = false, tooBig = false;
  const TvxLexem* lastRead = &ABrace;
  const TvxLexem* lexem = Read();
  if (lexem) lastRead = lexem;
  if (ReadBound(lexem, low, tooBig)) {
    lexem = Read();
    if (lexem) lastRead = lexem;
    if (IsOperator(lexem, '}')) {
      high = low;
      ok = true;
    } else if (IsOperator(lexem, ',')) {
      lexem = Read();
      if (lexem) lastRead = lexem;
      if (IsOperator(lexem, '}')) {
        unbounded = ok = true;
      } else if (ReadBound(lexem, high, tooBig) && high >= low) {
        lexem = Read();
        if (lexem) lastRead = lexem;
        ok = IsOperator(lexem, '}');
      }
    }
  }
  if (!ok) {
    Error(*lastRead, vxLoadResourceString(scxRegExprIncorrectParameterQuantifier));
    // A malformed quantifier leaves its remaining lexems to the item parse, which reports
    // them in turn ("Illegal integer value", "Illegal '}'", a "," ignored). A bound that is
    // only too large is well-formed: the rest of its braces goes with it (the scan made
    // sure that a "}" closes them), so the one error says it all.
    if (tooBig)
      while (!IsOperator(lastRead, '}') && (lexem = Read()) != nullptr) lastRead = lexem;
    return;
  }
  TvxRegExprParserItem* item = AAlt.Items(ALast);
  if (item->CanMissing()) {
    Error(ABrace, vxLoadResourceString(scxRegExprCantUseParameterQuantifier));
    return;
  }
  int32_t copies = unbounded ? low + 1 : high;
  // The copies go into one block; the optional ones nest one inside the other, and an
  // open-ended last copy that has a quantifier already is wrapped for its "*".
  int extraDepth = unbounded ? (item->HasSimpleQuantifier() ? 0 : 1) : high - low;
  if (item->NestingDepth() + 1 + extraDepth > kMaxNestingDepth ||
      !CanCopy(*item, copies > 0 ? copies - 1 : 0)) {
    Error(ABrace, vxLoadResourceString(scxRegExprIncorrectParameterQuantifier));
    return;
  }

  // x{2,4} becomes x x (x (x)?)?: each later copy can be typed only after the one before.
  // The item itself serves as the first copy, so a back reference to it stays valid.
  std::unique_ptr<TvxRegExprParserItem> original = AAlt.Replace(ALast, nullptr);
  const TvxRegExprParserItem& pattern = *original;
  auto copy = [&]() { return original ? std::move(original) : pattern.Clone(); };
  auto body = std::make_unique<TvxRegExprParserAlt>();
  for (int32_t i = 0; i < low; ++i) body->Add(copy());
  if (unbounded) {
    body->Add(WithQuantifier(copy(), std::make_unique<TvxRegExprStarQuantifier>()));
  } else if (high > low) {
    std::vector<std::unique_ptr<TvxRegExprParserItem>> optional;
    for (int32_t i = low; i < high; ++i) optional.push_back(copy());
    std::unique_ptr<TvxRegExprParserItem> chain;
    for (auto it = optional.rbegin(); it != optional.rend(); ++it) {
      auto block = std::make_unique<TvxRegExprParserBlockItem>();
      block->SetQuantifier(std::make_unique<TvxRegExprQuestionQuantifier>());
      auto alt = std::make_unique<TvxRegExprParserAlt>();
      alt->Add(std::move(*it));
      if (chain) alt->Add(std::move(chain));
      block->Alts().Add(std::move(alt));
      chain = std::move(block);
    }
    body->Add(std::move(chain));
  }
  auto block = std::make_unique<TvxRegExprParserBlockItem>();
  block->Alts().Add(std::move(body));
  AAlt.Replace(ALast, std::move(block));
  if (original) FOwner.FDetached.push_back(std::move(original));  // x{0}
}

bool TvxRegExprParser::ParseEnumeration(TvxRegExprParserAlt& AAlt) {
  bool negative = false;
  if (IsOperator(Peek(), '^')) {
    Read();
    negative = true;
  }
  if (IsOperator(Peek(), ']')) {
    Error(*Read(), vxLoadResourceString(scxRegExprCantCreateEmptyEnum));
    return false;
  }
  auto enumeration = std::make_unique<TvxRegExprUserEnumeration>(negative);
  bool afterRange = false;
  const TvxLexem* lexem;
  while ((lexem = Read()) != nullptr && !IsOperator(lexem, ']')) {
    if (afterRange && IsOperator(lexem, '-')) {
      Error(*lexem, vxFormatResourceString(scxRegExprIllegalSymbol, "-"));
      continue;
    }
    afterRange = false;
    const TvxLexem* dash = Peek();
    const TvxLexem* last = Peek(1);
    if (lexem->Kind == lkSymbol && IsOperator(dash, '-') && last && last->Kind == lkSymbol) {
      Read();
      Read();
      auto first = static_cast<unsigned char>(lexem->Value[0]);
      auto final = static_cast<unsigned char>(last->Value[0]);
      if (first < final) {
        enumeration->Add(std::make_unique<TvxRegExprSubrange>(lexem->Value[0], last->Value[0]));
      } else {
        Error(*last, vxLoadResourceString(scxRegExprSubrangeOrder));
      }
      afterRange = true;
      continue;
    }
    if (auto item = ClassItem(*lexem)) {
      enumeration->Add(std::move(item));
    } else {
      enumeration->Add(std::make_unique<TvxRegExprSymbol>(lexem->Value[0], lexem->TrailByte));
    }
  }
  AAlt.Add(std::make_unique<TvxRegExprParserSimpleItem>(std::move(enumeration)));
  return true;
}

// --- The expression -----------------------------------------------------------------------

TvxRegExpr::TvxRegExpr() : FSource(std::make_unique<TMemoryStream>()) {}

TvxRegExpr::~TvxRegExpr() = default;

void TvxRegExpr::Clear() {
  FSource->Clear();
  FSourceText.clear();
  FErrors.Clear();
  FLexems.Clear();
  FBlocks.clear();
  FAutomat.reset();
  FDetached.clear();
  FReadPos = 0;
  FLexemIndex = 0;
  FColumn = 0;
  FLine = 1;
  FCompiled = false;
}

void TvxRegExpr::AddError(int32_t ACharPos, int32_t ALine, const AnsiString& AMessage) {
  FErrors.Add(ACharPos, ALine, AMessage);
}

void TvxRegExpr::Compile(TStream* AStream) {
  if (FNotCleared) FNotCleared = false;
  else Clear();

  if (!AStream) {
    AddError(0, 0, vxLoadResourceString(scxRegExprNotAssignedSourceStream));
    throw EvxRegExprError(FErrors);
  }
  FSource->CopyFrom(*AStream, 0);
  FSourceText = FSource->Bytes();

  bool blank = true;
  for (char c : FSourceText) blank = blank && TvxRegExprSpace::IsSpace(c);
  if (blank) {
    AddError(0, 0, vxLoadResourceString(scxRegExprEmptySourceStream));
    throw EvxRegExprError(FErrors);
  }

  Scan();
  if (FErrors.Count() > 0) throw EvxRegExprError(FErrors);

  std::unique_ptr<TvxRegExprParserAlts> alts = TvxRegExprParser(*this).Parse();
  if (FErrors.Count() > 0) {
    FBlocks.clear();  // they die with the tree
    throw EvxRegExprError(FErrors);
  }
  FAutomat = std::make_unique<TvxRegExprAutomat>(*this, std::move(alts));
  FCompiled = true;
  if (FAutoComplete) FAutomat->CompleteForward();
}

void TvxRegExpr::SetAutoComplete(bool AValue) {
  FAutoComplete = AValue;
  if (FCompiled && AValue) FAutomat->CompleteForward();
}

void TvxRegExpr::CheckCompiled() const {
  if (!FCompiled) throw Exception(vxLoadResourceString(scxRegExprNotCompiled));
}

bool TvxRegExpr::Next(char& AChar) {
  CheckCompiled();
  return FAutomat->Next(AChar, FCaseInsensitive, FAutoComplete);
}

AnsiString TvxRegExpr::NextEx(const AnsiString& AText) {
  CheckCompiled();
  AnsiString result;
  for (char c : AText) {
    char step = c;
    if (FAutomat->Next(step, FCaseInsensitive, false)) result += c;
  }
  return result;
}

bool TvxRegExpr::Prev() {
  CheckCompiled();
  return FAutomat->Prev(FAutoComplete);
}

void TvxRegExpr::Reset() {
  CheckCompiled();
  FAutomat->Reset();
}

bool TvxRegExpr::IsFinal() const {
  CheckCompiled();
  return FAutomat->IsFinal();
}

bool TvxRegExpr::IsStart() const {
  CheckCompiled();
  return FAutomat->IsStart();
}

int TvxRegExpr::HistoryCount() const { return FAutomat ? FAutomat->HistoryCount() : 0; }

int TvxRegExpr::CurrentStateCount() const { return FAutomat ? FAutomat->Current().Count() : 0; }

std::vector<const TvxRegExprState*> TvxRegExpr::CurrentStates() const {
  std::vector<const TvxRegExprState*> states;
  if (!FAutomat) return states;
  const TvxRegExprStates& current = FAutomat->Current();
  states.reserve(static_cast<size_t>(current.Count()));
  for (int i = 0; i < current.Count(); ++i) states.push_back(current.Items(i));
  std::sort(states.begin(), states.end());
  states.erase(std::unique(states.begin(), states.end()), states.end());
  return states;
}

int TvxRegExpr::StateCount() const { return FAutomat ? FAutomat->StateCount() : 0; }

int64_t TvxRegExpr::TransitionCount() const { return FAutomat ? FAutomat->TransitionCount() : 0; }

int64_t TvxRegExpr::VisitedStateCount() const { return FAutomat ? FAutomat->VisitedStateCount() : 0; }

void TvxRegExpr::DoSymbolAdd(char ASymbol) {
  if (FOnSymbolAdd) FOnSymbolAdd(ASymbol);
}

void TvxRegExpr::DoSymbolDelete() {
  if (FOnSymbolDelete) FOnSymbolDelete();
}

// --- Lexical scan ---------------------------------------------------------------------------

bool TvxRegExpr::AtEnd() const { return FReadPos >= static_cast<int32_t>(FSourceText.size()); }

bool TvxRegExpr::ReadChar(char& AChar) {
  if (AtEnd()) return false;
  AChar = FSourceText[static_cast<size_t>(FReadPos++)];
  if (AChar == '\r') ++FLine;
  if (AChar == '\n') FColumn = 0;
  else ++FColumn;
  return true;
}

bool TvxRegExpr::PeekChar(char& AChar) const {
  if (AtEnd()) return false;
  AChar = FSourceText[static_cast<size_t>(FReadPos)];
  return true;
}

void TvxRegExpr::AddLexem(int32_t AKind, const AnsiString& AValue, int32_t ACharPos, bool ATrailByte) {
  TvxLexem lexem;
  lexem.TrailByte = ATrailByte;
  lexem.CharPos = ACharPos;
  lexem.Kind = AKind;
  lexem.Line = FLine;
  lexem.Value = AValue;
  FLexems.Add(lexem);
}

void TvxRegExpr::ScanTrailByte(char ALead, int32_t APos) {
  char trail;
  if (IsLead(ALead) && ReadChar(trail)) AddLexem(lkSymbol, CharText(trail), APos < 0 ? FColumn : APos, true);
}

AnsiString TvxRegExpr::ReadCharText(char AChar) {
  AnsiString text = CharText(AChar);
  char trail;
  if (IsLead(AChar) && ReadChar(trail)) text += trail;
  return text;
}

void TvxRegExpr::Scan() {
  FOpenBlocks = 0;
  FNestedBlocks = 0;
  char c;
  while (ReadChar(c)) ScanChar(c);
  if (FOpenBlocks > 0) AddError(0, 0, vxFormatResourceString(scxRegExprMissing, ")"));
  else if (FOpenBlocks < 0) AddError(0, 0, vxFormatResourceString(scxRegExprUnnecessary, ")"));
}

void TvxRegExpr::ScanChar(char AChar) {
  if (TvxRegExprSpace::IsSpace(AChar)) return;
  int32_t pos = FColumn;
  switch (AChar) {
    case '(':
      AddLexem(lkOperator, "(", pos);
      ++FOpenBlocks;
      if (++FNestedBlocks == kMaxOpenBlocks + 1) {
        AddError(pos, FLine, vxFormatResourceString(scxRegExprIllegalSymbol, "("));
      }
      break;
    case ')':
      AddLexem(lkOperator, ")", pos);
      --FOpenBlocks;
      // As the parser sees it: a ")" with no block open is refused there and closes nothing.
      if (FNestedBlocks > 0) --FNestedBlocks;
      break;
    case '|': case '?': case '*': case '+':
      AddLexem(lkOperator, CharText(AChar), pos);
      break;
    case '{':
      AddLexem(lkOperator, "{", pos);
      ScanQuantifier();
      break;
    case '[':
      AddLexem(lkOperator, "[", pos);
      ScanEnumeration();
      break;
    case '\\':
      ScanEscape(pos);
      break;
    case '\'':
      ScanQuoted();
      break;
    case '.':
      AddLexem(lkAny, ".", pos);
      break;
    case '/':
      AddLexem(lkDateSeparator, "/", pos);
      break;
    case ':':
      AddLexem(lkTimeSeparator, ":", pos);
      break;
    default:
      AddLexem(lkSymbol, CharText(AChar), pos);
      ScanTrailByte(AChar, -1);
      break;
  }
}

void TvxRegExpr::ScanEscape(int32_t APos) {
  char c;
  if (!ReadChar(c)) return;
  if (c >= '1' && c <= '9') {
    AddLexem(lkReference, CharText(c), APos);
    return;
  }
  if (TvxRegExprSpace::IsSpace(c)) {
    AddError(FColumn, FLine, vxLoadResourceString(scxRegExprSpaceAfterBackslash));
    return;
  }
  switch (c) {
    case 'd': AddLexem(lkDigit, "d", APos); return;
    case 'D': AddLexem(lkNotDigit, "D", APos); return;
    case 'w': AddLexem(lkIdLetter, "w", APos); return;
    case 'W': AddLexem(lkNotIdLetter, "W", APos); return;
    case 's': AddLexem(lkSpace, "s", APos); return;
    case 'S': AddLexem(lkNotSpace, "S", APos); return;
    case 't': AddLexem(lkSymbol, "\t", APos); return;
    case 'n': AddLexem(lkSymbol, "\n", APos); return;
    case 'r': AddLexem(lkSymbol, "\r", APos); return;
    case 'f': AddLexem(lkSymbol, "\f", APos); return;
    case 'e': AddLexem(lkSymbol, "\x1B", APos); return;
    case 'a': AddLexem(lkSymbol, "\a", APos); return;
    case 'p': AddLexem(lkSymbol, CharText(GetFormatSettings().DecimalSeparator), APos); return;
    case 'x': {
      int value = 0;
      for (int i = 0; i < 2; ++i) {
        char h;
        if (!ReadChar(h)) {
          AddError(FColumn + 1, FLine, vxLoadResourceString(scxRegExprHexNumberExpected0));
          return;
        }
        int digit = HexValue(h);
        if (digit < 0) {
          AnsiString found = ReadCharText(h);
          AddError(FColumn, FLine, vxFormatResourceString(scxRegExprHexNumberExpected, CharArgument(found)));
          return;
        }
        value = value * 16 + digit;
      }
      AddLexem(lkSymbol, CharText(static_cast<char>(value)), APos);
      return;
    }
    default:
      AddLexem(lkSymbol, CharText(c), APos);
      ScanTrailByte(c, APos);
      return;
  }
}

void TvxRegExpr::ScanQuoted() {
  char c;
  bool afterLead = false;
  while (ReadChar(c)) {
    if (c == '\'') {
      char next;
      if (!PeekChar(next) || next != '\'') return;
      ReadChar(next);
    }
    // A quote cannot be a trail byte of code page 932, so bytes can be taken one by one;
    // the byte after a lead byte is marked as its trail.
    bool trail = afterLead && c != '\'';
    AddLexem(lkSymbol, CharText(c), FColumn, trail);
    afterLead = !trail && IsLead(c);
  }
  AddError(FColumn + 1, FLine, vxFormatResourceString(scxRegExprMissing, CharArgument("'")));
}

void TvxRegExpr::ScanQuantifier() {
  char c;
  while (ReadChar(c)) {
    if (TvxRegExprSpace::IsSpace(c)) continue;
    if (IsDigitChar(c)) {
      AnsiString digits = CharText(c);
      char next;
      while (PeekChar(next) && IsDigitChar(next)) {
        ReadChar(next);
        digits += next;
      }
      AddLexem(lkInteger, digits, FColumn);
    } else if (c == ',') {
      AddLexem(lkOperator, ",", FColumn);
    } else if (c == '}') {
      AddLexem(lkOperator, "}", FColumn);
      return;
    } else {
      int32_t pos = FColumn;
      AddError(pos, FLine, vxFormatResourceString(scxRegExprIllegalSymbol, CharArgument(ReadCharText(c))));
    }
  }
  AddError(FColumn + 1, FLine, vxFormatResourceString(scxRegExprMissing, "}"));
}

void TvxRegExpr::ScanEnumeration() {
  bool first = true;
  char c;
  while (ReadChar(c)) {
    if (TvxRegExprSpace::IsSpace(c)) continue;
    int32_t pos = FColumn;
    if (c == ']') {
      AddLexem(lkOperator, "]", pos);
      return;
    }
    if (first) {
      first = false;
      if (c == '^') {
        AddLexem(lkOperator, "^", pos);
        continue;
      }
      if (c == '-') {
        AddLexem(lkSymbol, "-", pos);
        continue;
      }
    } else if (c == '-') {
      // A dash right before the closing bracket is a member, anywhere else a range.
      size_t ahead = static_cast<size_t>(FReadPos);
      while (ahead < FSourceText.size() && TvxRegExprSpace::IsSpace(FSourceText[ahead])) ++ahead;
      if (ahead >= FSourceText.size()) {
        AddLexem(lkOperator, "-", pos);
        while (ReadChar(c)) {
        }
        break;
      }
      AddLexem(FSourceText[ahead] == ']' ? lkSymbol : lkOperator, "-", pos);
      continue;
    }
    ScanEnumerationChar(c, pos);
  }
  AddError(FColumn + 1, FLine, vxFormatResourceString(scxRegExprMissing, "]"));
}

void TvxRegExpr::ScanEnumerationChar(char AChar, int32_t APos) {
  switch (AChar) {
    case ':': AddLexem(lkTimeSeparator, ":", APos); break;
    case '/': AddLexem(lkDateSeparator, "/", APos); break;
    case '\'': ScanQuoted(); break;
    case '\\': ScanEscape(APos); break;
    default:
      AddLexem(lkSymbol, CharText(AChar), APos);
      ScanTrailByte(AChar, -1);
      break;
  }
}

// The mask automaton of the regular-expression mask edits.
//
// TvxRegExpr compiles a mask written as a regular expression into a state automaton that
// is stepped one keystroke at a time: it answers whether a character may come next, keeps
// a history so the last step can be taken back, tells whether the input is complete (a
// final state) or empty (the start state), and can type forced literal characters by
// itself. It never searches text. Texts are bytes of the ANSI code page and every test
// looks at one byte.
#pragma once

#include "platform/rtl/Streams.h"
#include "platform/rtl/SysExceptions.h"
#include "platform/rtl/SysStrings.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TvxRegExpr;

// --- Lexems -----------------------------------------------------------------------------

enum TvxLexemKind : int32_t {
  lkSymbol = 0,
  lkOperator = 1,
  lkInteger = 2,
  lkAny = 3,
  lkIdLetter = 4,
  lkNotIdLetter = 5,
  lkDigit = 6,
  lkNotDigit = 7,
  lkSpace = 8,
  lkNotSpace = 9,
  lkReference = 10,
  lkDateSeparator = 11,
  lkTimeSeparator = 12,
};

struct TvxLexem {
  int32_t CharPos = 0;  // 1-based column of the lexem's last character on its line
  int32_t Kind = lkSymbol;
  int32_t Line = 0;     // 1-based
  AnsiString Value;     // one character, or the digits of an integer
  // A symbol that is the second byte of a double-byte character: it matches only itself,
  // since folding its case would turn the character into another one.
  bool TrailByte = false;
};

class TvxLexems {
public:
  void Add(const TvxLexem& ALexem) { FItems.push_back(ALexem); }
  void Clear() { FItems.clear(); }
  int Count() const { return static_cast<int>(FItems.size()); }
  const TvxLexem& Items(int AIndex) const { return FItems[static_cast<size_t>(AIndex)]; }

private:
  std::vector<TvxLexem> FItems;
};

// --- Compile errors -----------------------------------------------------------------------

class TvxRegExprError {
public:
  TvxRegExprError(int32_t ACharPos, int32_t ALine, AnsiString AMessage)
      : FCharPos(ACharPos), FLine(ALine), FMessage(std::move(AMessage)) {}
  int32_t CharPos() const { return FCharPos; }
  int32_t Line() const { return FLine; }
  const AnsiString& Message() const { return FMessage; }
  // "Line1, Char5: Missing ']'": the position words are translated, the position parts are
  // left out when unknown (0).
  AnsiString Text() const;

private:
  int32_t FCharPos;
  int32_t FLine;
  AnsiString FMessage;
};

class TvxRegExprErrors {
public:
  void Add(int32_t ACharPos, int32_t ALine, const AnsiString& AMessage);
  void Clear() { FItems.clear(); }
  int Count() const { return static_cast<int>(FItems.size()); }
  const TvxRegExprError& Items(int AIndex) const { return *FItems[static_cast<size_t>(AIndex)]; }

private:
  std::vector<std::unique_ptr<TvxRegExprError>> FItems;
};

// Raised once at the end of the compile stage that found errors; the errors themselves stay
// with the expression (the exception only refers to its list, so it must not outlive it).
class EvxRegExprError : public Exception {
public:
  explicit EvxRegExprError(const TvxRegExprErrors& AErrors) : Exception(""), FErrors(&AErrors) {}
  const TvxRegExprErrors& Errors() const { return *FErrors; }
  const char* ClassName() const override { return "EvxRegExprError"; }

private:
  const TvxRegExprErrors* FErrors;
};

// --- One-character tests ------------------------------------------------------------------

class TvxRegExprItem {
public:
  virtual ~TvxRegExprItem() = default;
  // May rewrite AChar (a case-insensitive symbol match gives the pattern's case).
  virtual bool Check(char& AChar, bool ACaseInsensitive) const = 0;
  virtual std::unique_ptr<TvxRegExprItem> Clone() const = 0;
};

class TvxRegExprSymbol : public TvxRegExprItem {
public:
  // ATrailByte: the symbol is the second byte of a double-byte character of the pattern
  // and is never compared case-insensitively (0x41 'A' and 0x61 'a' as trail bytes are two
  // different characters, such as "ア" and "ヂ").
  explicit TvxRegExprSymbol(char AChar, bool ATrailByte = false) : FChar(AChar), FTrailByte(ATrailByte) {}
  bool Check(char& AChar, bool ACaseInsensitive) const override;
  std::unique_ptr<TvxRegExprItem> Clone() const override;
  char Symbol() const { return FChar; }

private:
  char FChar;
  bool FTrailByte;
};

// The separators are read from the locale at each test, so a locale change reaches a
// compiled mask.
class TvxRegExprTimeSeparator : public TvxRegExprItem {
public:
  bool Check(char& AChar, bool ACaseInsensitive) const override;
  std::unique_ptr<TvxRegExprItem> Clone() const override;
};

class TvxRegExprDateSeparator : public TvxRegExprItem {
public:
  bool Check(char& AChar, bool ACaseInsensitive) const override;
  std::unique_ptr<TvxRegExprItem> Clone() const override;
};

class TvxRegExprSubrange : public TvxRegExprItem {
public:
  TvxRegExprSubrange(char AFirst, char ALast) : FFirst(AFirst), FLast(ALast) {}
  bool Check(char& AChar, bool ACaseInsensitive) const override;
  std::unique_ptr<TvxRegExprItem> Clone() const override;

private:
  char FFirst;
  char FLast;
};

class TvxRegExprEnumeration : public TvxRegExprItem {
public:
  explicit TvxRegExprEnumeration(bool ANegative) : FNegative(ANegative) {}
  bool Negative() const { return FNegative; }

protected:
  bool FNegative;
};

class TvxRegExprUserEnumeration : public TvxRegExprEnumeration {
public:
  explicit TvxRegExprUserEnumeration(bool ANegative) : TvxRegExprEnumeration(ANegative) {}
  bool Check(char& AChar, bool ACaseInsensitive) const override;
  std::unique_ptr<TvxRegExprItem> Clone() const override;
  void Add(std::unique_ptr<TvxRegExprItem> AItem) { FItems.push_back(std::move(AItem)); }
  int Count() const { return static_cast<int>(FItems.size()); }

private:
  std::vector<std::unique_ptr<TvxRegExprItem>> FItems;
};

class TvxRegExprDigit : public TvxRegExprEnumeration {
public:
  using TvxRegExprEnumeration::TvxRegExprEnumeration;
  bool Check(char& AChar, bool ACaseInsensitive) const override;
  std::unique_ptr<TvxRegExprItem> Clone() const override;
};

class TvxRegExprIdLetter : public TvxRegExprEnumeration {
public:
  using TvxRegExprEnumeration::TvxRegExprEnumeration;
  bool Check(char& AChar, bool ACaseInsensitive) const override;
  std::unique_ptr<TvxRegExprItem> Clone() const override;
};

class TvxRegExprSpace : public TvxRegExprEnumeration {
public:
  using TvxRegExprEnumeration::TvxRegExprEnumeration;
  bool Check(char& AChar, bool ACaseInsensitive) const override;
  std::unique_ptr<TvxRegExprItem> Clone() const override;
  // Blank, #0, TAB, LF, FF and CR (not VT): also what the scanner skips between lexems.
  static bool IsSpace(char AChar);
};

class TvxRegExprAll : public TvxRegExprItem {
public:
  bool Check(char& AChar, bool ACaseInsensitive) const override;
  std::unique_ptr<TvxRegExprItem> Clone() const override;
};

// --- Quantifiers --------------------------------------------------------------------------

class TvxRegExprQuantifier {
public:
  virtual ~TvxRegExprQuantifier() = default;
  virtual bool CanMissing() const = 0;
  virtual bool CanRepeat() const = 0;
  virtual std::unique_ptr<TvxRegExprQuantifier> Clone() const = 0;
  virtual AnsiString GetText() const = 0;
};

class TvxRegExprSimpleQuantifier : public TvxRegExprQuantifier {
public:
  bool CanMissing() const override { return false; }
  bool CanRepeat() const override { return false; }
  std::unique_ptr<TvxRegExprQuantifier> Clone() const override;
  AnsiString GetText() const override { return ""; }
};

class TvxRegExprQuestionQuantifier : public TvxRegExprQuantifier {
public:
  bool CanMissing() const override { return true; }
  bool CanRepeat() const override { return false; }
  std::unique_ptr<TvxRegExprQuantifier> Clone() const override;
  AnsiString GetText() const override { return "?"; }
};

class TvxRegExprStarQuantifier : public TvxRegExprQuantifier {
public:
  bool CanMissing() const override { return true; }
  bool CanRepeat() const override { return true; }
  std::unique_ptr<TvxRegExprQuantifier> Clone() const override;
  AnsiString GetText() const override { return "*"; }
};

class TvxRegExprPlusQuantifier : public TvxRegExprQuantifier {
public:
  bool CanMissing() const override { return false; }
  bool CanRepeat() const override { return true; }
  std::unique_ptr<TvxRegExprQuantifier> Clone() const override;
  AnsiString GetText() const override { return "+"; }
};

// --- States ---------------------------------------------------------------------------------

class TvxRegExprState;

// A list of states that it does not own (the parse tree owns every state).
class TvxRegExprStates {
public:
  void Add(TvxRegExprState* AState) { FItems.push_back(AState); }
  // Moves the entries of AStates over (AStates is left empty).
  void Add(TvxRegExprStates&& AStates);
  int Count() const { return static_cast<int>(FItems.size()); }
  TvxRegExprState* Items(int AIndex) const { return FItems[static_cast<size_t>(AIndex)]; }

private:
  std::vector<TvxRegExprState*> FItems;
};

// A state of the automaton. Ambiguous patterns such as (a|a)* or (a?)?(a?)? reach one state
// along many paths; every walk through the states therefore marks what it has reached
// (see TvxRegExprStateWalk) and looks at each state once, so a step costs one pass over the
// states and lists no state twice.
class TvxRegExprState {
public:
  virtual ~TvxRegExprState() = default;
  // The states reached by reading AChar from here (empty when it is refused).
  virtual TvxRegExprStates Next(char& AChar, bool ACaseInsensitive) = 0;
  virtual std::unique_ptr<TvxRegExprState> Clone() const = 0;
  // The simple states that stand for this state (block states pass to their successors).
  virtual TvxRegExprStates GetSimpleStates() = 0;
  TvxRegExprStates& States() { return FStates; }  // the successors
  // A block state: passed through without reading a character.
  bool IsEmptyTransition() const { return FEmptyTransition; }

protected:
  explicit TvxRegExprState(bool AEmptyTransition) : FEmptyTransition(AEmptyTransition) {}

private:
  friend class TvxRegExprStateWalk;
  TvxRegExprStates FStates;
  const bool FEmptyTransition;
  bool FMarked = false;  // reached by the walk under way
};

class TvxRegExprSimpleState : public TvxRegExprState {
public:
  explicit TvxRegExprSimpleState(std::unique_ptr<TvxRegExprItem> AItem)
      : TvxRegExprState(false), FItem(std::move(AItem)) {}
  TvxRegExprStates Next(char& AChar, bool ACaseInsensitive) override;
  std::unique_ptr<TvxRegExprState> Clone() const override;
  TvxRegExprStates GetSimpleStates() override;
  bool Final() const { return FFinal; }
  void SetFinal(bool AValue) { FFinal = AValue; }
  const TvxRegExprItem* Item() const { return FItem.get(); }  // absent for the start state

private:
  bool FFinal = false;
  std::unique_ptr<TvxRegExprItem> FItem;
};

// The entry or the exit of a block: an empty transition.
class TvxRegExprBlockState : public TvxRegExprState {
public:
  TvxRegExprBlockState() : TvxRegExprState(true) {}
  TvxRegExprStates Next(char& AChar, bool ACaseInsensitive) override;
  std::unique_ptr<TvxRegExprState> Clone() const override;
  TvxRegExprStates GetSimpleStates() override;
};

// --- Parse tree -------------------------------------------------------------------------------

class TvxRegExprParserItem {
public:
  TvxRegExprParserItem();
  virtual ~TvxRegExprParserItem() = default;
  virtual bool CanMissing() const = 0;
  virtual std::unique_ptr<TvxRegExprParserItem> Clone() const = 0;
  virtual AnsiString GetDump() const = 0;
  virtual void SetFinal() = 0;
  // How many blocks nest in this item, itself included (0 for a simple item). Every walk
  // over the parse tree recurses this deep, so the parser keeps it bounded.
  virtual int NestingDepth() const = 0;
  const TvxRegExprQuantifier& Quantifier() const { return *FQuantifier; }
  void SetQuantifier(std::unique_ptr<TvxRegExprQuantifier> AQuantifier);
  bool HasSimpleQuantifier() const;

private:
  std::unique_ptr<TvxRegExprQuantifier> FQuantifier;
};

class TvxRegExprParserSimpleItem : public TvxRegExprParserItem {
public:
  explicit TvxRegExprParserSimpleItem(std::unique_ptr<TvxRegExprItem> AItem);
  explicit TvxRegExprParserSimpleItem(std::unique_ptr<TvxRegExprSimpleState> AState);
  bool CanMissing() const override;
  std::unique_ptr<TvxRegExprParserItem> Clone() const override;
  AnsiString GetDump() const override;
  void SetFinal() override;
  int NestingDepth() const override { return 0; }
  TvxRegExprSimpleState* State() const { return FState.get(); }

private:
  std::unique_ptr<TvxRegExprSimpleState> FState;
};

class TvxRegExprParserAlt {
public:
  void Add(std::unique_ptr<TvxRegExprParserItem> AItem) { FItems.push_back(std::move(AItem)); }
  int Count() const { return static_cast<int>(FItems.size()); }
  TvxRegExprParserItem* Items(int AIndex) const { return FItems[static_cast<size_t>(AIndex)].get(); }
  // Hands the item at AIndex over and puts AItem in its place.
  std::unique_ptr<TvxRegExprParserItem> Replace(int AIndex, std::unique_ptr<TvxRegExprParserItem> AItem);
  std::unique_ptr<TvxRegExprParserAlt> Clone() const;
  AnsiString GetDump() const;
  // Every item may be left out (an empty alternative counts).
  bool CanBeEmpty() const;
  // The same, judged by the items' quantifiers alone.
  bool QuantifiersCanBeEmpty() const;
  // Marks the items that can end this alternative final.
  void SetFinal();

private:
  std::vector<std::unique_ptr<TvxRegExprParserItem>> FItems;
};

class TvxRegExprParserAlts {
public:
  void Add(std::unique_ptr<TvxRegExprParserAlt> AAlt) { FItems.push_back(std::move(AAlt)); }
  int Count() const { return static_cast<int>(FItems.size()); }
  TvxRegExprParserAlt* Items(int AIndex) const { return FItems[static_cast<size_t>(AIndex)].get(); }
  std::unique_ptr<TvxRegExprParserAlts> Clone() const;
  AnsiString GetDump() const;

private:
  std::vector<std::unique_ptr<TvxRegExprParserAlt>> FItems;
};

class TvxRegExprParserBlockItem : public TvxRegExprParserItem {
public:
  TvxRegExprParserBlockItem();
  bool CanMissing() const override;
  std::unique_ptr<TvxRegExprParserItem> Clone() const override;
  AnsiString GetDump() const override;
  void SetFinal() override;
  int NestingDepth() const override;
  TvxRegExprBlockState* Entry() const { return FEntry.get(); }
  TvxRegExprBlockState* Exit() const { return FExit.get(); }
  TvxRegExprParserAlts& Alts() const { return *FAlts; }

private:
  // The contents' depth and whether they can be typed empty are worked out when first asked
  // and kept: the parser asks them of each finished item again for every quantifier that
  // follows it, and a block's contents do not change once it is finished.
  void Summarize() const;

  std::unique_ptr<TvxRegExprBlockState> FEntry;
  std::unique_ptr<TvxRegExprBlockState> FExit;
  std::unique_ptr<TvxRegExprParserAlts> FAlts;
  mutable bool FSummarized = false;
  mutable int FNestingDepth = 0;
  mutable bool FContentsCanBeEmpty = false;
};

// --- Automaton --------------------------------------------------------------------------------

class TvxRegExprAutomat {
public:
  // Links the parse tree (which it takes over) and puts the automaton at its start.
  TvxRegExprAutomat(TvxRegExpr& AOwner, std::unique_ptr<TvxRegExprParserAlts> AAlts);
  TvxRegExprAutomat(const TvxRegExprAutomat&) = delete;
  TvxRegExprAutomat& operator=(const TvxRegExprAutomat&) = delete;

  bool Next(char& AChar, bool ACaseInsensitive, bool AAutoComplete);
  bool Prev(bool AAutoComplete);
  void Reset();
  bool IsFinal() const;
  bool IsStart() const;
  // Types every forced literal that follows the current states.
  void CompleteForward();
  int HistoryCount() const { return static_cast<int>(FHistory.size()); }
  const TvxRegExprStates& Current() const { return FCurrent; }
  AnsiString GetDump() const { return FAlts->GetDump(); }
  // Size of the automaton and the work done on it: all states (the start, the items', the
  // blocks' and the links'), all successor entries, and the states looked at by every
  // walk since it was built.
  int StateCount() const { return static_cast<int>(FAllStates.size()); }
  int64_t TransitionCount() const;
  int64_t VisitedStateCount() const { return FVisited; }

private:
  static bool IsFinalList(const TvxRegExprStates& AStates);
  // The simple states that can follow AStates.
  TvxRegExprStates FollowingSimpleStates(const TvxRegExprStates& AStates);
  // True when AStates are all literal states of one character (given back in AChar).
  static bool IsSingleLiteral(const TvxRegExprStates& AStates, char& AChar);

  TvxRegExprStates FCurrent;
  std::unique_ptr<TvxRegExprParserAlts> FAlts;
  std::vector<TvxRegExprStates> FHistory;
  TvxRegExpr& FOwner;
  std::unique_ptr<TvxRegExprSimpleState> FStartState;
  // Empty transitions that stand for a run of optional items (see the linking), and a list
  // of every state for the counts.
  std::vector<std::unique_ptr<TvxRegExprBlockState>> FLinks;
  std::vector<TvxRegExprState*> FAllStates;
  int64_t FVisited = 0;
  // The lists of a walk, kept from one keystroke to the next so that a step allocates none.
  std::vector<TvxRegExprState*> FWalkVisited;
  std::vector<TvxRegExprState*> FWalkPending;
};

// --- The expression ---------------------------------------------------------------------------

using TvxRegExprSymbolAddEvent = std::function<void(char ASymbol)>;
using TvxRegExprSymbolDeleteEvent = std::function<void()>;

class TvxRegExpr {
public:
  TvxRegExpr();
  ~TvxRegExpr();
  TvxRegExpr(const TvxRegExpr&) = delete;
  TvxRegExpr& operator=(const TvxRegExpr&) = delete;

  // Compiles the whole content of AStream; raises EvxRegExprError when anything is wrong,
  // with every error found by the failing stage listed in Errors().
  void Compile(TStream* AStream);
  bool IsCompiled() const { return FCompiled; }
  void Clear();

  bool CaseInsensitive() const { return FCaseInsensitive; }
  void SetCaseInsensitive(bool AValue) { FCaseInsensitive = AValue; }
  bool AutoComplete() const { return FAutoComplete; }
  // Switching it on at a compiled expression types the forced literals at once.
  void SetAutoComplete(bool AValue);
  void SetOnSymbolAdd(TvxRegExprSymbolAddEvent AEvent) { FOnSymbolAdd = std::move(AEvent); }
  void SetOnSymbolDelete(TvxRegExprSymbolDeleteEvent AEvent) { FOnSymbolDelete = std::move(AEvent); }

  // One keystroke; on success AChar may come back in the pattern's case.
  bool Next(char& AChar);
  // Steps with each character of AText (no literal completion) and returns the accepted ones.
  AnsiString NextEx(const AnsiString& AText);
  bool Prev();
  void Reset();
  bool IsFinal() const;
  bool IsStart() const;

  TStream* Stream() const { return FCompiled ? FSource.get() : nullptr; }
  const TvxRegExprErrors& Errors() const { return FErrors; }
  const TvxLexems& Lexems() const { return FLexems; }
  // Depth of the step history (one list per accepted character) and size of the current
  // state list: what a keystroke costs in memory.
  int HistoryCount() const;
  int CurrentStateCount() const;
  // The states the automaton stands in, sorted, each once (none while not compiled). From equal
  // states every later character gets the same answer.
  std::vector<const TvxRegExprState*> CurrentStates() const;
  // What the compiled automaton costs: its states, its successor entries, and the states
  // looked at by all steps since the compile (0 while not compiled).
  int StateCount() const;
  int64_t TransitionCount() const;
  int64_t VisitedStateCount() const;

private:
  friend class TvxRegExprAutomat;
  friend class TvxRegExprParser;

  void DoSymbolAdd(char ASymbol);
  void DoSymbolDelete();
  void CheckCompiled() const;

  // Lexical scan.
  bool ReadChar(char& AChar);
  bool PeekChar(char& AChar) const;
  bool AtEnd() const;
  void AddLexem(int32_t AKind, const AnsiString& AValue, int32_t ACharPos, bool ATrailByte = false);
  void AddError(int32_t ACharPos, int32_t ALine, const AnsiString& AMessage);
  void Scan();
  void ScanChar(char AChar);
  void ScanEscape(int32_t APos);
  void ScanQuoted();
  void ScanQuantifier();
  void ScanEnumeration();
  void ScanEnumerationChar(char AChar, int32_t APos);
  // A double-byte character: the trail byte after ALead is taken as a symbol of its own,
  // so that a trail byte such as '\' or '|' never acts as an operator.
  // APos is the lexem position to give it (-1: its own column).
  void ScanTrailByte(char ALead, int32_t APos);
  // AChar as text, with its trail byte read when it is a lead byte.
  AnsiString ReadCharText(char AChar);

  std::unique_ptr<TvxRegExprAutomat> FAutomat;
  std::vector<TvxRegExprParserBlockItem*> FBlocks;  // back-reference targets, owned by the tree
  int32_t FColumn = 0;
  bool FCaseInsensitive = false;
  bool FCompiled = false;
  TvxRegExprErrors FErrors;
  bool FNotCleared = true;
  int32_t FReadPos = 0;
  int32_t FLexemIndex = 0;
  TvxLexems FLexems;
  int32_t FLine = 1;
  TvxRegExprSymbolDeleteEvent FOnSymbolDelete;
  TvxRegExprSymbolAddEvent FOnSymbolAdd;
  std::unique_ptr<TMemoryStream> FSource;
  AnsiString FSourceText;  // the source's bytes, read by the scanner
  bool FAutoComplete = false;
  int FOpenBlocks = 0;
  int FNestedBlocks = 0;  // "(" open at the scan position, as the parser will nest them
  // Items that a {0} bound removed from the pattern; a back reference may still name one.
  std::vector<std::unique_ptr<TvxRegExprParserItem>> FDetached;
};

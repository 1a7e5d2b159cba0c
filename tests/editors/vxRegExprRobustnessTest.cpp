// Mutated masks: valid masks damaged by byte flips, truncation, corrupted numbers, repeated
// stretches and double-byte noise. Each must compile or be refused with the automaton's own
// errors, and typing into the ones that compile must never fail.
#include "editors/vxRegExpr.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

const char* const kValidMasks[] = {
    "\\d{2,4}",
    "(ab|c)+",
    "a+?b",
    "[^0-9]\\W\\S\\D",
    "[a-c]+[-x]",
    "'it''s'",
    "\\x41\\t\\.\\e\\a\\f",
    "\\d\\p\\d",
    "(a|b)c\\1",
    "\\d\\d/\\d\\d",
    "\\d\\d:\\d\\d",
    "(\\d\\d)|('today'|'tomorrow')((\\+|-)\\d(\\d(\\d\\d?)?)?)?",
    "[\\x30-\\x32]+",
    "ソ\\d",
    "[ア]+'カナ'",
    "\\w+@\\w+(\\.\\w+)*",
    "(\\d{3}-)?\\d{3}-\\d{4}",
    "x{0}y",
    "a\\d{0,2}",
    "((a)\\2){2,3}\\1",
    "(a?)?(b*)?c{1,}",
    "\\d\\d\\d\\d/((0?[1-9]|1[012])|('1月'|'12月'))/([012]?[1-9]|[123]0|31)' '([01]?\\d|2[0-3]):[0-5]?\\d",
};

// The automaton's error texts; "%s" stands for the one to three bytes it quotes.
const char* const kDocumentedErrors[] = {
    "The source stream is not assigned",
    "The source stream is empty",
    "Missing '%s'",
    "Unnecessary '%s'",
    "The space character is not allowed after '\\'",
    "Hexadecimal number expected",
    "Hexadecimal number expected but '%s' found",
    "Illegal '%s'",
    "Illegal quantifier '%s'",
    "Incorrect parameter quantifier",
    "The parameter quantifier cannot be applied here",
    "The '+' quantifier cannot be applied here",
    "The '*' quantifier cannot be applied here",
    "The alternative should not be empty",
    "The block should not be empty",
    "Illegal integer value",
    "Too big reference number",
    "Can't create empty enumeration",
    "The starting character of the subrange must be less than the finishing one",
};

bool IsDocumentedError(const AnsiString& AMessage) {
  for (const std::string text : kDocumentedErrors) {
    size_t hole = text.find("%s");
    if (hole == std::string::npos) {
      if (AMessage == text) return true;
      continue;
    }
    size_t tail = text.size() - hole - 2;
    size_t filled = AMessage.size() - (text.size() - 2);
    if (AMessage.size() > text.size() - 2 && filled <= 3 && AMessage.compare(0, hole, text, 0, hole) == 0 &&
        AMessage.compare(AMessage.size() - tail, tail, text, hole + 2, tail) == 0)
      return true;
  }
  return false;
}

class TMaskMutator {
public:
  explicit TMaskMutator(uint32_t ASeed) : FRandom(ASeed) {}

  AnsiString Next() {
    AnsiString mask = kValidMasks[Below(std::size(kValidMasks))];
    for (int n = 1 + Below(3); n > 0; --n) {
      switch (Below(5)) {
        case 0: FlipByte(mask); break;
        case 1: if (!mask.empty()) mask.resize(Below(mask.size())); break;
        case 2: CorruptNumber(mask); break;
        case 3: RepeatStretch(mask); break;
        default: AddDoubleByteNoise(mask); break;
      }
    }
    return mask;
  }

  int Below(size_t ALimit) { return static_cast<int>(FRandom() % ALimit); }
  char AnyByte() { return static_cast<char>(Below(256)); }

private:
  void FlipByte(AnsiString& AMask) {
    if (AMask.empty()) return;
    char& c = AMask[Below(AMask.size())];
    c = Below(2) ? static_cast<char>(c ^ (1 << Below(8))) : AnyByte();
  }

  // A bound or hex digits made huge, zero, one past a limit, or removed.
  void CorruptNumber(AnsiString& AMask) {
    static const char* const numbers[] = {"0", "1", "999", "1000", "1001", "65535", "2147483647",
                                          "2147483648", "4294967296", "99999999999999999999", ""};
    std::vector<size_t> digits;
    for (size_t i = 0; i < AMask.size(); ++i)
      if (AMask[i] >= '0' && AMask[i] <= '9') digits.push_back(i);
    if (digits.empty()) return;
    size_t start = digits[Below(digits.size())];
    size_t end = start;
    while (end < AMask.size() && AMask[end] >= '0' && AMask[end] <= '9') ++end;
    AMask.replace(start, end - start, numbers[Below(std::size(numbers))]);
  }

  // A stretch of up to 16 bytes written again up to 400 times, or the whole mask up to 8.
  void RepeatStretch(AnsiString& AMask) {
    if (AMask.empty()) return;
    if (Below(4) == 0) {
      AnsiString once = AMask;
      for (int n = Below(8); n > 0; --n) AMask += once;
      return;
    }
    size_t start = Below(AMask.size());
    size_t length = 1 + Below(std::min<size_t>(16, AMask.size() - start));
    AnsiString stretch = AMask.substr(start, length);
    AnsiString repeated;
    for (int n = 1 + Below(400); n > 0; --n) repeated += stretch;
    AMask.insert(start, repeated);
  }

  // A lead byte with a trail byte that is an operator or a letter as a single byte, or a
  // lone lead byte.
  void AddDoubleByteNoise(AnsiString& AMask) {
    static const char trails[] = "\\|()[]{}*+?'-^aAzZ@";
    AnsiString noise(1, static_cast<char>(Below(2) ? 0x81 + Below(0x1F) : 0xE0 + Below(0x1D)));
    if (Below(5) > 0) noise += Below(2) ? trails[Below(sizeof(trails) - 1)] : static_cast<char>(0x40 + Below(0xBD));
    AMask.insert(Below(AMask.size() + 1), noise);
  }

  std::mt19937 FRandom;
};

TEST(RegExprRobustnessTest, MutatedMasksCompileOrAreRefused) {
  int compiled = 0, refused = 0;
  for (uint32_t seed : {1u, 20u, 4130u}) {
    TMaskMutator mutator(seed);
    for (int round = 0; round < 3000; ++round) {
      AnsiString mask = mutator.Next();
      SCOPED_TRACE("seed " + std::to_string(seed) + " round " + std::to_string(round));
      TvxRegExpr re;
      int added = 0;
      re.SetOnSymbolAdd([&](char) { ++added; });
      re.SetCaseInsensitive(mutator.Below(2) == 0);
      re.SetAutoComplete(mutator.Below(3) == 0);
      TMemoryStream stream;
      stream.WriteString(mask);
      stream.SetPosition(0);
      try {
        re.Compile(&stream);
      } catch (const EvxRegExprError& e) {
        ++refused;
        EXPECT_FALSE(re.IsCompiled());
        ASSERT_GT(e.Errors().Count(), 0);
        for (int i = 0; i < e.Errors().Count(); ++i)
          EXPECT_TRUE(IsDocumentedError(e.Errors().Items(i).Message())) << e.Errors().Items(i).Message();
        continue;
      }
      ++compiled;
      // Keys taken from the mask itself are likely to be accepted; some are any byte.
      for (int key = 0; key < 8; ++key) {
        char c = mutator.Below(4) ? mask[mutator.Below(mask.size())] : mutator.AnyByte();
        int64_t visited = re.VisitedStateCount();
        int addedBefore = added;
        re.Next(c);
        // One walk for the key, and with literal completion one for each literal typed
        // after it and one that finds no more.
        EXPECT_LE(re.VisitedStateCount() - visited, int64_t{re.StateCount()} * (2 + added - addedBefore));
        if (mutator.Below(5) == 0) re.Prev();
      }
      re.IsFinal();
      re.Reset();
      EXPECT_TRUE(re.IsStart());
      re.NextEx(mask.substr(0, 12));
    }
  }
  // The mutations keep a fair share of masks valid, so typing is exercised too.
  EXPECT_GT(compiled, 500);
  EXPECT_GT(refused, 500);
}

}  // namespace

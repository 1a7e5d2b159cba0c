// Valid masks damaged by byte flips, truncation, corrupted numbers, repeated stretches and
// double-byte noise must compile or be refused with the automaton's own errors, and typing
// into the ones that compile must never fail.
#include "editors/vxRegExpr.h"

#include "controls/vxClasses.h"
#include "controls/vxEditConsts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace {

const char* const kValidMasks[] = {
    "\\d{2,4}", "(ab|c)+", "a+?b", "[^0-9]\\W\\S\\D", "[a-c]+[-x]", "'it''s'", "\\x41\\t\\.\\e", "\\d\\p\\d",
    "(a|b)c\\1", "\\d\\d/\\d\\d:\\d\\d", "[\\x30-\\x32]+", "ソ\\d[ア]+'カナ'", "\\w+@\\w+(\\.\\w+)*", "x{0}y",
    "(\\d{3}-)?\\d{3}-\\d{4}", "((a)\\2){2,3}\\1", "(a?)?(b*)?c{1,}",
    "(\\d\\d)|('today'|'tomorrow')((\\+|-)\\d(\\d(\\d\\d?)?)?)?",
};

// One of the automaton's message texts, whatever fills its "%s".
bool IsCompileError(const AnsiString& AMessage) {
  for (unsigned id = scxRegExprHexNumberExpected; id <= scxRegExprHexNumberExpected0; ++id) {
    AnsiString text = vxLoadResourceString(id);
    size_t hole = std::min(text.find("%s"), text.size());
    if (AMessage.compare(0, hole, text, 0, hole) == 0 && (hole < text.size() || AMessage == text)) return true;
  }
  return false;
}

AnsiString Mutate(std::mt19937& ARandom) {
  auto below = [&](size_t limit) { return static_cast<size_t>(ARandom() % limit); };
  AnsiString mask = kValidMasks[below(std::size(kValidMasks))];
  for (size_t n = 1 + below(3); n > 0; --n) {
    size_t at = below(mask.size() + 1);
    switch (below(5)) {
      case 0:  // a bit or a whole byte
        if (at < mask.size()) mask[at] = below(2) ? static_cast<char>(mask[at] ^ (1 << below(8))) : static_cast<char>(below(256));
        break;
      case 1:
        mask.resize(at);
        break;
      case 2: {  // a number made huge, zero, one past a limit, or removed
        static const char* const numbers[] = {"0", "1", "1000", "1001", "2147483648", "99999999999999999999", ""};
        size_t start = mask.find_first_of("0123456789", at);
        if (start == AnsiString::npos) break;
        size_t end = mask.find_first_not_of("0123456789", start);
        mask.replace(start, end == AnsiString::npos ? AnsiString::npos : end - start, numbers[below(std::size(numbers))]);
        break;
      }
      case 3: {  // a stretch of up to 16 bytes written again up to 400 times
        AnsiString stretch = mask.substr(at, 1 + below(16));
        for (size_t k = below(400); k > 0; --k) mask.insert(at, stretch);
        break;
      }
      default: {  // a lead byte, with a trail byte that is an operator or letter as a single byte, or lone
        static const char trails[] = "\\|()[]{}*+?'-^aAzZ";
        AnsiString noise(1, static_cast<char>(below(2) ? 0x81 + below(0x1F) : 0xE0 + below(0x1D)));
        if (below(5) > 0) noise += below(2) ? trails[below(sizeof(trails) - 1)] : static_cast<char>(0x40 + below(0xBD));
        mask.insert(at, noise);
        break;
      }
    }
  }
  return mask;
}

TEST(RegExprRobustnessTest, MutatedMasksCompileOrAreRefused) {
  int compiled = 0, refused = 0;
  for (uint32_t seed : {1u, 20u, 4130u}) {
    std::mt19937 random(seed);
    for (int round = 0; round < 3000; ++round) {
      AnsiString mask = Mutate(random);
      SCOPED_TRACE("seed " + std::to_string(seed) + " round " + std::to_string(round));
      TvxRegExpr re;
      int added = 0;
      re.SetOnSymbolAdd([&](char) { ++added; });
      re.SetCaseInsensitive(random() % 2);
      re.SetAutoComplete(random() % 3 == 0);
      TMemoryStream stream;
      stream.WriteString(mask);
      stream.SetPosition(0);
      try {
        re.Compile(&stream);
      } catch (const EvxRegExprError& e) {
        ++refused;
        ASSERT_GT(e.Errors().Count(), 0);
        for (int i = 0; i < e.Errors().Count(); ++i)
          EXPECT_TRUE(IsCompileError(e.Errors().Items(i).Message())) << e.Errors().Items(i).Message();
        continue;
      }
      ++compiled;
      // Keys mostly from the mask itself, so that many are taken.
      for (int key = 0; key < 8; ++key) {
        char c = random() % 4 ? mask[random() % mask.size()] : static_cast<char>(random());
        int64_t visited = re.VisitedStateCount();
        int addedBefore = added;
        re.Next(c);
        // One walk for the key; with literal completion one per literal typed and one more.
        EXPECT_LE(re.VisitedStateCount() - visited, int64_t{re.StateCount()} * (2 + added - addedBefore));
        if (random() % 5 == 0) re.Prev();
      }
      re.Reset();
      EXPECT_TRUE(re.IsStart());
      re.NextEx(mask.substr(0, 12));
    }
  }
  EXPECT_GT(compiled, 3000);
  EXPECT_GT(refused, 3000);
}

}  // namespace

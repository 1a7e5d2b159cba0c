// Time the XML helper takes to refuse malformed documents whose errors libxml2 would
// report once per pair of hyphens, each time copying the comment read so far:
//   - an entity whose replacement text is the comment opener 65,536 times, referenced once;
//   - the same with each opener on a line of its own;
//   - a document that is one unterminated comment of 2 MB of hyphens.
// Each is loaded five times; the best time is printed with the refusal's first line.
//
//   xml_load_bench.exe
#include "common/CorvaneXmlHelper.h"
#include "bench/BenchClock.h"
#include "platform/rtl/SysExceptions.h"

#include <cstdio>

namespace {

AnsiString EntityOfCommentOpeners(const char* opener) {
  AnsiString text = "<!DOCTYPE r [<!ENTITY big \"";
  for (int i = 0; i < 65536; ++i) text += opener;
  return text + "\">]><r>&big;</r>";
}

void TimeRefusal(const char* name, const AnsiString& text) {
  double best = 1e300;
  AnsiString first;
  for (int run = 0; run < 5; ++run) {
    const double start = NowMicroseconds();
    try {
      TCorvaneXmlHelper::LoadXml(text);
      first = "loaded";
    } catch (const Exception& e) {
      first = e.Message().substr(0, e.Message().find("\r\n"));
    }
    const double elapsed = NowMicroseconds() - start;
    if (elapsed < best) best = elapsed;
  }
  std::printf("%-34s %8zu bytes %10.2f ms  %s\n", name, text.size(), best / 1000.0, first.c_str());
}

}  // namespace

int main() {
  TimeRefusal("entity of 65,536 comment openers", EntityOfCommentOpeners("<!--"));
  TimeRefusal("the same, one opener a line", EntityOfCommentOpeners("<!--\r\n"));
  AnsiString hyphens = "<!--";
  while (hyphens.size() < 2 * 1024 * 1024) hyphens += "--";
  TimeRefusal("unterminated comment of hyphens", hyphens);
  return 0;
}

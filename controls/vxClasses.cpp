#include "controls/vxClasses.h"

#include <memory>
#include <vector>

namespace {

// Two parallel lists: source texts and their replacements at the same indexes.
struct TvxResourceStringTranslations {
  std::vector<AnsiString> Sources;
  std::vector<AnsiString> Replacements;
};

std::unique_ptr<TvxResourceStringTranslations> GTranslations;

}  // namespace

AnsiString vxGetResourceString(const AnsiString& text) {
  if (!GTranslations) return text;
  const auto& src = GTranslations->Sources;
  for (size_t i = 0; i < src.size(); ++i)
    if (CompareText(src[i], text) == 0) return GTranslations->Replacements[i];
  return text;
}

AnsiString vxLoadResourceString(unsigned id) {
  // Resources are UTF-16; loading them wide and converting keeps a translated table
  // independent of the code page windres assumed.
  const wchar_t* p = nullptr;
  int len = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&p), 0);
  WideString text = (len > 0 && p) ? WideString(p, static_cast<size_t>(len)) : WideString();
  return vxGetResourceString(WideToAnsi(text));
}

AnsiString vxFormatResourceString(unsigned id, const AnsiString& arg) {
  AnsiString fmt = vxLoadResourceString(id);
  AnsiString out;
  for (size_t i = 0; i < fmt.size();) {
    if (fmt[i] == '%' && i + 1 < fmt.size() && (fmt[i + 1] == 's' || fmt[i + 1] == '%')) {
      out += fmt[i + 1] == 's' ? arg : AnsiString("%");
      i += 2;
      continue;
    }
    size_t next = NextCharIndex(fmt, i);
    out.append(fmt, i, next - i);
    i = next;
  }
  return out;
}

void vxAddResourceStringTranslation(const AnsiString& source, const AnsiString& replacement) {
  if (!GTranslations) GTranslations = std::make_unique<TvxResourceStringTranslations>();
  GTranslations->Sources.push_back(source);
  GTranslations->Replacements.push_back(replacement);
}

void vxClearResourceStringTranslations() { GTranslations.reset(); }

bool vxHasResourceStringTranslations() { return GTranslations != nullptr; }

POINT vxPoint(int x, int y) { return POINT{x, y}; }

int vxMidPoint(int a, int b) {
  long long s = static_cast<long long>(a) + b;
  long long q = s / 2;
  if (s % 2 != 0 && s < 0) --q;  // C++ division truncates toward zero
  return static_cast<int>(q);
}

void InitializevxClasses() {}

void FinalizevxClasses() { GTranslations.reset(); }
